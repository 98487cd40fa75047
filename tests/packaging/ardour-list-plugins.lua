-- SPDX-License-Identifier: GPL-3.0-or-later
-- Run by Ardour's Lua session tool: ardour7-lua ardour-list-plugins.lua
-- Starting it makes Ardour look for plug-ins in its default folders, as its GUI does at start-up:
-- each VST 3 bundle it finds is written to plugin_metadata/scan_log below the configuration
-- folder, and those its scanner has already indexed become plug-ins it offers. Prints one line
-- "RYVEL-PLUGIN <name> | <maker> | <binary> | <unique ID>" per VST 3 plug-in it offers.

-- Ardour builds its plug-in list only once an audio engine runs (without one, listing crashes).
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
for p in ARDOUR.LuaAPI.list_plugins():iter() do
	if p.type == ARDOUR.PluginType.VST3 then
		print(string.format("RYVEL-PLUGIN %s | %s | %s | %s", p.name, p.creator, p.path, p.unique_id))
	end
end
