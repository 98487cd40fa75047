-- SPDX-License-Identifier: GPL-3.0-or-later
-- Run by Ardour's Lua session tool:
--   ardour7-lua ardour-lv2-state.lua <session folder> <name> <installed Ryvel.lv2>
-- Part of ardour-lv2-check.sh. In a new 48 kHz session at 100 BPM with Ryvel.lv2 on a track:
--   1. the playhead output while the transport rolls in real time (Dummy backend) and after it
--      stops: Ardour's time:Position (speed, tempo) reaching the plug-in while playing;
--   2. every one of the 55 control inputs set away from its default, the session saved, closed
--      and loaded again, and every value read back from the reloaded plug-in;
--   3. Ardour's own preset list: the 31 factory presets, and loading one sets the 52 step and
--      voice ports to the values of the bundle's presets.ttl and leaves Mix, HP and "enabled".
-- Prints "RYVEL-CHECK PASS|FAIL <what>" and "RYVEL-RESULT <key> <value>" lines.
--
-- Lua parameter numbers count control ports only (Ardour's nth_parameter): 0..54 are the
-- catalogue in port order (ports 5..59), 55 is the playhead output (port 60). Values are read
-- back with get_processor_param, which returns the value the plug-in's port buffer holds.
-- Established with Ardour 7.3: Processor:deactivate() from Lua bypasses the whole insert (run()
-- is no longer called, the input passes) and leaves the "enabled" port as it was; the insert's
-- own enable switch in the GUI is what drives the lv2:enabled port.

local session_dir, session_name, bundle = arg[1], arg[2], arg[3]
assert(session_dir and session_name and bundle,
       "usage: ardour-lv2-state.lua <session folder> <name> <installed Ryvel.lv2>")
local kUri = "https://corvane-audio.com/plugins/ryvel"
local kPlayhead = 55
local kEnabled = 54

local function result(key, value) print("RYVEL-RESULT", key, value) end
local function check(ok, what)
	print("RYVEL-CHECK", ok and "PASS" or "FAIL", what)
	return ok
end
local function get(proc, i) return (ARDOUR.LuaAPI.get_processor_param(proc, i, true)) end

-- Values none of which is a default: every third step on (their default is off), continuous
-- values on a ramp that misses the catalogue's defaults (0, 0.5, 0.7, 1), the port "enabled" off.
local function wanted(i)
	if i < 32 then return (i % 3 == 1) and 1 or 0 end
	if i == kEnabled then return 0 end
	return 0.05 + 0.017 * i
end

AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
local s = create_session(session_dir, session_name, 48000)
assert(s, "could not create the session " .. session_dir)
local tm = Temporal.TempoMap.fetch_writable()
tm:set_tempo(Temporal.Tempo(100, 100, 4), Temporal.timepos_t(0))
Temporal.TempoMap.update(tm)
local route = s:new_audio_track(2, 2, nil, 1, "Echo", ARDOUR.PresentationInfo.max_order,
                                ARDOUR.TrackMode.Normal, true):front()
local proc = ARDOUR.LuaAPI.new_plugin(s, kUri, ARDOUR.PluginType.LV2, "")
assert(not proc:isnil(), "Ardour does not find " .. kUri)
assert(route:add_processor_by_index(proc, 0, nil, true) == 0, "cannot add Ryvel to the track")

-- 1. The playhead. A sixteenth at 100 BPM is 150 ms: 1.8 s of rolling go once round the eight
-- steps and start the next round.
ARDOUR.LuaAPI.usleep(200000)
check(get(proc, kPlayhead) == -1, "the playhead output is -1 while the transport is stopped")
s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
local seen, last = {}, -1
local t0 = ARDOUR.LuaAPI.monotonic_time()
while ARDOUR.LuaAPI.monotonic_time() - t0 < 1800000 do
	ARDOUR.LuaAPI.usleep(10000)
	local v = get(proc, kPlayhead)
	if v ~= last then seen[#seen + 1] = string.format("%d", v); last = v end
end
s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
local sequence = table.concat(seen, " ")
result("playhead_while_rolling", sequence)
check(sequence:find("^0 1 2 3 4 5 6 7 0") ~= nil,
      "while rolling, the playhead output counts the steps 0..7 and round again (" .. sequence .. ")")
local stopped
for _ = 1, 50 do
	ARDOUR.LuaAPI.usleep(10000)
	stopped = get(proc, kPlayhead)
	if stopped == -1 then break end
end
check(stopped == -1, "after the transport stops, the playhead output is -1 (is " .. stopped .. ")")

-- 2. Save and reload.
local set = 0
for i = 0, 54 do
	if ARDOUR.LuaAPI.set_processor_param(proc, i, wanted(i)) then set = set + 1 end
end
check(set == 55, "all 55 control inputs accept a value away from their default (" .. set .. ")")
s:save_state("", false, false, false, false, false)
close_session()

s = load_session(session_dir, session_name)
assert(s, "could not load the session again")
proc = s:route_by_name("Echo"):nth_plugin(0)
check(not proc:isnil() and proc:display_name() == "Ryvel", "the reloaded session holds Ryvel")
local wrong = {}
for i = 0, 54 do
	local v = get(proc, i)
	if math.abs(v - wanted(i)) > 1e-6 then
		wrong[#wrong + 1] = string.format("%d: %.6g instead of %.6g", i, v, wanted(i))
	end
end
result("reload_mismatches", #wrong == 0 and "none" or table.concat(wrong, "; "))
check(#wrong == 0, "after save and reload all 55 values are back (" .. #wrong .. " differ)")
check(proc:active(), "the reloaded insert is active (\"enabled\" off is the plug-in's own bypass)")

-- 3. Presets, as Ardour lists and loads them. Expected values come from the Turtle: the port
-- symbols by index from ryvel.ttl, the preset's values by symbol from presets.ttl.
local function text_of(path)
	local file = assert(io.open(path, "r"), "cannot read " .. path)
	local text = file:read("a")
	file:close()
	return text
end
local param_of_symbol = {}
for index, symbol in text_of(bundle .. "/ryvel.ttl"):gmatch('lv2:index (%d+) ;%s*lv2:symbol "([%w_]+)"') do
	param_of_symbol[symbol] = tonumber(index) - 5
end
local plug = proc:to_plugininsert():plugin(0)
local presets = plug:get_info():get_presets(false):table()
check(#presets == 31, "Ardour lists 31 presets of the plug-in (" .. #presets .. ")")
local preset = presets[#presets // 2 + 1]
if preset then
	local block = text_of(bundle .. "/presets.ttl"):match("<" .. preset.uri:gsub("%p", "%%%0") .. ">(.-) %.\n")
	local expected = {}
	local strangers = 0 -- symbols of no port
	for symbol, value in (block or ""):gmatch('lv2:symbol "([%w_]+)" ; pset:value ([-%d.e]+)') do
		if param_of_symbol[symbol] then
			expected[param_of_symbol[symbol]] = tonumber(value)
		else
			strangers = strangers + 1
		end
	end
	local before = {}
	for i = 52, 54 do before[i] = get(proc, i) end
	check(plug:load_preset(preset), "Ardour loads the preset \"" .. preset.label .. "\"")
	ARDOUR.LuaAPI.usleep(100000)
	local count, differ = 0, {}
	for i = 0, 54 do
		local want = expected[i] or before[i]
		if expected[i] then count = count + 1 end
		if want == nil or math.abs(get(proc, i) - want) > 1e-6 then
			differ[#differ + 1] = string.format("%d: %.6g instead of %s", i, get(proc, i), tostring(want))
		end
	end
	result("preset_mismatches", #differ == 0 and "none" or table.concat(differ, "; "))
	check(count == 52 and strangers == 0 and #differ == 0,
	      "the preset sets its 52 ports and leaves Mix, HP and enabled alone (" .. count ..
	      " port values in presets.ttl, " .. strangers .. " for no port, " .. #differ .. " ports differ)")
end
close_session()
