-- SPDX-License-Identifier: GPL-3.0-or-later
-- Run by Ardour's Lua session tool:
--   ardour7-lua lv2-echo-session.lua <session folder> <name> <rate> <bpm> <click sample> <step>
-- Instantiates Ryvel.lv2 in a new session and saves it for the export that follows: one stereo
-- track "Echo" holding the click generator (ryvel_check_click.lua, which Ardour must find in its
-- scripts folder) and then Ryvel with only V1 Step <step> on, at a constant <bpm>.
--
-- Prints "RYVEL-CHECK PASS|FAIL <what>" per check and "RYVEL-RESULT <key> <value>"; the caller
-- counts the FAIL lines. A broken setup (no session, no click generator) is a Lua error.

local session_dir, session_name = arg[1], arg[2]
local rate, bpm, click_at, step = tonumber(arg[3]), tonumber(arg[4]), tonumber(arg[5]), tonumber(arg[6])
assert(session_dir and session_name and rate and bpm and click_at and step,
       "usage: lv2-echo-session.lua <session folder> <name> <rate> <bpm> <click sample> <step>")
local kUri = "https://corvane-audio.com/plugins/ryvel"

local function result(key, value) print("RYVEL-RESULT", key, value) end
local function check(ok, what)
	print("RYVEL-CHECK", ok and "PASS" or "FAIL", what)
	return ok
end

AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
local s = create_session(session_dir, session_name, rate)
assert(s, "could not create the session " .. session_dir)

local tm = Temporal.TempoMap.fetch_writable()
tm:set_tempo(Temporal.Tempo(bpm, bpm, 4), Temporal.timepos_t(0))
Temporal.TempoMap.update(tm)

local route = s:new_audio_track(2, 2, nil, 1, "Echo", ARDOUR.PresentationInfo.max_order,
                                ARDOUR.TrackMode.Normal, true):front()
local click = ARDOUR.LuaAPI.new_luaproc(s, "Ryvel Check Click")
assert(not click:isnil(), "Ardour does not find the Lua DSP 'Ryvel Check Click' in its scripts folder")
assert(route:add_processor_by_index(click, 0, nil, true) == 0, "cannot add the click generator")
ARDOUR.LuaAPI.set_processor_param(click, 0, click_at)

local proc = ARDOUR.LuaAPI.new_plugin(s, kUri, ARDOUR.PluginType.LV2, "")
if check(not proc:isnil(), "Ardour's Lua session tool instantiates " .. kUri) then
	check(route:add_processor_by_index(proc, 1, nil, true) == 0, "Ryvel is added after the click")
	local plug = proc:to_plugininsert():plugin(0)
	local inputs, outputs = 0, 0
	for i = 0, plug:parameter_count() - 1 do
		if plug:parameter_is_control(i) then
			if plug:parameter_is_input(i) then inputs = inputs + 1 else outputs = outputs + 1 end
		end
	end
	check(plug:name() == "Ryvel" and plug:maker() == "Corvane Audio",
	      "it is Ryvel by Corvane Audio (" .. plug:name() .. " by " .. plug:maker() .. ")")
	check(inputs == 55 and outputs == 1,
	      "it has 55 control inputs and 1 control output (" .. inputs .. " and " .. outputs .. ")")
	-- Lua parameter numbers count control ports only: 0..54 are the catalogue, 55 the playhead.
	check(ARDOUR.LuaAPI.set_processor_param(proc, step - 1, 1), "V1 Step " .. step .. " is switched on")
	result("plugin", plug:name() .. " by " .. plug:maker() .. ", " .. plug:parameter_count() .. " ports")
end
s:save_state("", false, false, false, false, false)
close_session()
