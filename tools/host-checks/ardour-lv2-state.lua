-- SPDX-License-Identifier: GPL-3.0-or-later
-- Run by Ardour's Lua session tool: ardour7-lua ardour-lv2-state.lua <session folder> <name>
-- Part of ardour-lv2-check.sh. In a new 48 kHz session at 100 BPM with Ryvel.lv2 on a track:
--   1. the playhead output while the transport rolls in real time (Dummy backend) and after it
--      stops: Ardour's time:Position (speed, tempo) reaching the plug-in while playing;
--   2. every one of the 55 control inputs set away from its default, the session saved, closed
--      and loaded again, and every value read back from the reloaded plug-in.
-- Prints "RYVEL-CHECK PASS|FAIL <what>" and "RYVEL-RESULT <key> <value>" lines.
--
-- Lua parameter numbers count control ports only (Ardour's nth_parameter): 0..54 are the
-- catalogue in port order (ports 5..59), 55 is the playhead output (port 60). Values are read
-- back with get_processor_param, which returns the value the plug-in's port buffer holds.
-- Established with Ardour 7.3: Processor:deactivate() from Lua bypasses the whole insert (run()
-- is no longer called, the input passes) and leaves the "enabled" port as it was; the insert's
-- own enable switch in the GUI is what drives the lv2:enabled port.

local session_dir, session_name = arg[1], arg[2]
assert(session_dir and session_name, "usage: ardour-lv2-state.lua <session folder> <name>")
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
close_session()
