#!/usr/bin/env bash
# Ardour 7 hosts the built Ryvel.lv2 and processes with it. Ardour's Lua session tool
# (ardour7-lua) instantiates the plug-in in a new 48 kHz session at 100 BPM, after a click at
# 0.5 s, with only V1 Step 3 on; Ardour's command-line exporter (ardour7-export) renders the
# session. The export must hold the click and one echo exactly 3 sixteenths at 100 BPM later
# (21600 samples), which needs the tempo that Ardour sends as time:Position during the export; a
# plug-in that never got it would echo at its fallback of 120 BPM (18000 samples).
#
# Usage: ardour-lv2-echo.sh <Ryvel.lv2> [<work folder>]
#   With a work folder, the temporary HOME (home/, holding the installed bundle and the click
#   generator) and the session (ryvel-echo/) are made there and kept, for the host check that
#   opens the same session in Ardour's GUI. Exits 77 (skipped) when Ardour is not installed.
#
# Established with Ardour 7.3 (Debian 12):
# - Export passes time:Position every cycle (beatsPerMinute, speed 1, frame, bar, barBeat), and
#   speed 0 with negative frames during its pre-roll. Its cycles are cut at the export start
#   (752 + 272 frames at a 1024 period), and the plug-in is deactivated and activated again after
#   the export. The command-line exporter writes the master output 256 samples late (the click
#   made at 24000 is at 24256 in the file); only the distance from click to echo is checked.
# - Not the Lua session tool's own exporter (Session:simple_export()): with Ardour 7.3 it
#   corrupts the heap, and the process aborted in about a third of the runs ("corrupted size vs.
#   prev_size" in ~ExportProfileManager), with any plug-in or none.
# - LV2_PATH is set to the temporary ~/.lv2 and /usr/lib/lv2 (the LV2 core's own bundles, which
#   name the plug-in class), so no other installed copy of Ryvel can answer for the built one.
set -uo pipefail
bundle="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
for tool in ardour7-lua ardour7-export; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool not found; install Debian's 'ardour' package to run this test"
        exit 77
    fi
done
fail() { echo "FAILED: $*"; exit 1; }
if [ ! -f "$bundle/manifest.ttl" ] || [ ! -f "$bundle/ryvel-dsp.so" ]; then
    fail "no LV2 bundle at $bundle"
fi

if [ $# -ge 2 ]; then
    work="$2"
    mkdir -p "$work"
else
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache" LV2_PATH="$HOME/.lv2:/usr/lib/lv2"
mkdir -p "$HOME/.lv2" "$XDG_CONFIG_HOME/ardour7/scripts"
rm -rf "$HOME/.lv2/Ryvel.lv2"
cp -a "$bundle" "$HOME/.lv2/Ryvel.lv2"
cp "$here/ardour-lua/ryvel_check_click.lua" "$XDG_CONFIG_HOME/ardour7/scripts/"

rate=48000 bpm=100 click_at=24000 step=3
sixteenth=$((rate * 60 / bpm / 4))
name=ryvel-echo
session="$work/$name"
rm -rf "$session"

start=$(date +%s%N)
timeout 60 ardour7-lua "$here/ardour-lua/lv2-echo-session.lua" "$session" "$name" \
    "$rate" "$bpm" "$click_at" "$step" >"$work/lua-session.log" 2>&1
status=$?
grep '^RYVEL-' "$work/lua-session.log"
[ $status -eq 0 ] || { tail -n 20 "$work/lua-session.log"; fail "ardour7-lua exited with $status"; }
grep -q '^RYVEL-CHECK FAIL' "$work/lua-session.log" && fail "the Lua session tool reported a failure"
[ -f "$session/$name.ardour" ] || fail "no session was saved"

# The exporter renders the session range; a session without regions has none, and Lua cannot
# set it, so it goes into the saved file: two seconds from the start, in the file's time unit.
clock=$(sed -nE 's/.*superclocks-per-second="([0-9]+)".*/\1/p' "$session/$name.ardour" | head -n 1)
[ -n "$clock" ] || fail "the session file names no superclock rate"
sed -i "s|<Locations/>|<Locations><Location id=\"90001\" name=\"session\" start=\"a0\" end=\"a$((2 * clock))\" flags=\"IsSessionRange\" locked=\"0\" timestamp=\"0\" cue=\"0\"/></Locations>|" \
    "$session/$name.ardour"
grep -q 'flags="IsSessionRange"' "$session/$name.ardour" || fail "could not set the session range"

timeout 60 ardour7-export -b float -o "$work/echo.wav" "$session" "$name" >"$work/export.log" 2>&1
status=$?
if [ $status -ne 0 ] || [ ! -f "$work/echo.wav" ]; then
    tail -n 20 "$work/export.log"
    fail "ardour7-export exited with $status"
fi
python3 "$here/echo-onsets.py" "$work/echo.wav" $((step * sixteenth)) \
    $((step * (rate * 60 / 120 / 4))) || fail "the export does not hold the expected echo"
echo "PASSED: Ardour instantiated Ryvel.lv2 and exported its echo 3 sixteenths at $bpm BPM" \
    "after the click ($(( ($(date +%s%N) - start) / 1000000 )) ms)"
