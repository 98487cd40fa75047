#!/usr/bin/env bash
#
# ardour-lv2-check.sh - Ryvel.lv2 in Ardour 7: it loads and processes, the echo lands at the
# session tempo, a session save and reload restores all 55 values, and the UI works in Ardour's
# plug-in window under Xvfb.
#
# What it does
#   1. Runs the CTest's host test, tests/hosts/ardour-lv2-echo.sh, inside this check's throw-away
#      HOME: Ryvel.lv2 is installed into ~/.lv2 there, ardour7-lua creates a 48 kHz session at
#      100 BPM with one track (a click at 0.5 s, then Ryvel with V1 Step 3 on), ardour7-export
#      renders it, and the echo must follow the click by 3 sixteenths at 100 BPM (21600 samples).
#   2. ardour-lv2-state.lua (ardour7-lua): the playhead output counts the steps while the
#      transport rolls and is -1 once it stops; all 55 control inputs set away from their
#      defaults come back after the session is saved, closed and loaded again; the saved file
#      holds the 55 port values; Ardour lists the 31 factory presets, and loading one sets the
#      52 step and voice ports to the values in presets.ttl and leaves Mix, HP and "enabled".
#   3. Only when the bundle holds ryvel-ui.so (otherwise skipped, saying so): Xvfb (1920x1080) and
#      openbox, Ardour's GUI on the session of step 1 with the Dummy backend. Opens Ryvel's UI
#      from the mixer strip, checks it is embedded and drawn and shows the session's V1 Step 3
#      lit, clicks V1 Step 1 and checks it lights and that Ardour saves the port as 1; closes
#      and reopens the UI, clicks V2 Step 3 and checks the saved port; quits Ardour with the UI
#      open; checks the host log for X errors, suil errors and crashes.
#
# What it needs (Debian 12 packages)
#   ardour (7.x), python3; for step 3 also xvfb, openbox, xdotool, wmctrl, x11-utils (xwininfo),
#   imagemagick:  apt-get install -y ardour xvfb openbox xdotool wmctrl x11-utils imagemagick
#   and a built bundle (default: build/release/Ryvel.lv2 of this repository).
#
# How to run
#   tools/host-checks/ardour-lv2-check.sh [--bundle PATH/Ryvel.lv2] [--out DIR] [--keep]
#     --bundle  the bundle to test (default: <repo>/build/release/Ryvel.lv2)
#     --out     where screenshots (PNG), logs, the export and results.txt go
#               (default: /tmp/ardour-lv2-check)
#     --keep    keep the temporary HOME and sessions (path printed at the end)
#   Exit status 0 when every check passed, 1 when one failed, 2 on a setup problem.
#   Steps 1 and 2 take about 30 s, step 3 about 90 s more. Every GUI wait has a timeout; all processes it starts (Xvfb,
#   openbox, Ardour) are stopped by their PIDs on exit, also on Ctrl-C. Helpers shared with the
#   VST 3 check (ardour-editor-check.sh) are in ardour-common.sh.
#
# Established with Ardour 7.3 (Debian 12), with a logging probe plug-in beside Ryvel:
# - Features Ardour passes to an LV2 DSP (Lua session tool, exporter): instance-access,
#   data-access, state#makePath, urid:map, urid:unmap, log, state#loadDefaultState,
#   buf-size#boundedBlockLength, options, and Ardour's own inlinedisplay#queue_draw,
#   midnam#update and bankpatch#notify. Ryvel uses urid:map only.
# - time:Position reaches an atom input that supports it, as one object at frame 0 of a cycle
#   (beatsPerMinute, beatUnit, beatsPerBar, bar, barBeat, frame, speed): every cycle while the
#   transport rolls, once with speed 0 when it stops, and every cycle while exporting (speed 0
#   and negative frames during the export's pre-roll, then speed 1 from frame 0). The export's
#   first cycle is cut where rolling starts (752 + 272 frames at a 1024 period); after an export
#   Ardour deactivates and activates the plug-in again.
# - Ardour saves the control inputs itself: inside the <Processor type="lv2"> of the session
#   file, <lv2><Port symbol="v1_step_1" value="1"/>... (55, by symbol), plus one
#   <Controllable name="V1 Step 1" parameter="5" symbol="v1_step_1" value="1"/> per input.
#   Nothing is written to the session's plugins/ folder (Ryvel has no state extension). On
#   load the ports get the saved values by symbol before the first run().
# - Lua's set/get_processor_param number control ports only: 0..54 the catalogue, 55 the
#   playhead; Lua's Processor:deactivate() bypasses the whole insert and leaves "enabled" alone.
# - The Lua session tool's own exporter (Session:simple_export()) corrupts the heap in 7.3 and
#   aborted about a third of the runs, with any plug-in; the checks export with ardour7-export.
# - While ryvel-ui.so is missing, Ardour logs "suil error: Unable to open UI library" for the UI
#   the manifest names, and a double-click on the processor opens no window at all (its tooltip
#   offers Alt+double-click for Ardour's generic controls).
# - With the UI: the window is "Echo: Ryvel (by Corvane Audio) [LV2]" and appears 3 to 4 s
#   after the double-click here (Xvfb, two busy cores); the UI is the window's 1050 x 532 child.
#   The session's port values show at once; a click is in the saved session's <Port> at the
#   next save. Closing the window with the window manager unmaps it and Ardour goes on; quitting
#   with the UI open exits 0, with nothing from suil or X in the log.

set -u
set -o pipefail

SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(cd "$SCRIPT_DIR/../.." && pwd)
BUNDLE="$REPO_DIR/build/release/Ryvel.lv2"
OUT=/tmp/ardour-lv2-check
KEEP=0

while [ $# -gt 0 ]; do
    case "$1" in
        --bundle) BUNDLE=$2; shift 2 ;;
        --out) OUT=$2; shift 2 ;;
        --keep) KEEP=1; shift ;;
        -h|--help) sed -n '2,/^$/p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

# ---------------------------------------------------------------------------------------------
# setup

# shellcheck source=ardour-common.sh
source "$SCRIPT_DIR/ardour-common.sh"
host_check_require ardour ardour7-lua ardour7-export python3 timeout
if [ ! -f "$BUNDLE/manifest.ttl" ] || [ ! -f "$BUNDLE/ryvel-dsp.so" ]; then
    echo "no LV2 bundle at $BUNDLE (build it: cmake --build build/release --target ryvel_lv2)" >&2
    exit 2
fi
BUNDLE=$(cd "$BUNDLE" && pwd)
UI_BUILT=0
[ -f "$BUNDLE/ryvel-ui.so" ] && UI_BUILT=1
if [ "$UI_BUILT" = 1 ]; then
    host_check_require Xvfb openbox xdotool wmctrl xwininfo import convert
fi

host_check_init
export LV2_PATH="$HOME/.lv2:/usr/lib/lv2"   # as the test below sets it: only the copy under test

elapsed() { echo "$(( ($(date +%s%N) - $1) / 1000000 )) ms"; }
# RYVEL-CHECK lines of a headless step become this check's PASS/FAIL lines
take_checks() { # log file
    local verdict what
    while read -r _ verdict what; do
        if [ "$verdict" = PASS ]; then pass "$what"; else fail "$what"; fi
    done < <(grep '^RYVEL-CHECK ' "$1")
    grep '^RYVEL-RESULT ' "$1" | sed 's/^RYVEL-RESULT /      /'
}

# ---------------------------------------------------------------------------------------------
# 1. processing: the echo at the session tempo, through Ardour's exporter

log "step 1: tests/hosts/ardour-lv2-echo.sh (session, export, echo position)"
T0=$(date +%s%N)
"$REPO_DIR/tests/hosts/ardour-lv2-echo.sh" "$BUNDLE" "$WORK" >"$OUT/echo-test.log" 2>&1
RC=$?
take_checks "$OUT/echo-test.log"
check "Ardour loads Ryvel.lv2, processes and exports the echo where expected ($(elapsed "$T0"))" \
    test "$RC" = 0
[ "$RC" = 0 ] || grep '^FAILED' "$OUT/echo-test.log" | sed 's/^/      /'
cp "$WORK/lua-session.log" "$OUT/lua-echo-session.log" 2>/dev/null
cp "$WORK/export.log" "$OUT/export.log" 2>/dev/null
cp "$WORK/echo.wav" "$OUT/echo.wav" 2>/dev/null

# ---------------------------------------------------------------------------------------------
# 2. playhead output, and all 55 values through save and reload

log "step 2: ardour-lv2-state.lua (playhead, save and reload, presets)"
T0=$(date +%s%N)
STATE_DIR="$WORK/ryvel-state"
timeout 120 ardour7-lua "$SCRIPT_DIR/ardour-lv2-state.lua" "$STATE_DIR" ryvel-state \
    "$HOME/.lv2/Ryvel.lv2" >"$OUT/lua-state.log" 2>&1
RC=$?
take_checks "$OUT/lua-state.log"
check "ardour7-lua ran the playhead, reload and preset checks to the end ($(elapsed "$T0"))" \
    test "$RC" = 0
STATE_FILE="$STATE_DIR/ryvel-state.ardour"
PORTS=$(grep -c '<Port symbol="[a-z0-9_]*" value=' "$STATE_FILE" 2>/dev/null)
check "the saved session holds the plug-in's 55 port values by symbol (<Port symbol value>: $PORTS)" \
    test "$PORTS" = 55
check "the saved session holds \"enabled\" off as a port value" \
    grep -q '<Port symbol="enabled" value="0"/>' "$STATE_FILE"
STATE_FILES=$(find "$STATE_DIR/plugins" -type f 2>/dev/null | wc -l)
note "files in the session's plugins/ folder (plug-in state beyond the ports): $STATE_FILES"

# ---------------------------------------------------------------------------------------------
# 3. the UI in Ardour's plug-in window

if [ "$UI_BUILT" = 0 ]; then
    skip "the UI part: $BUNDLE has no ryvel-ui.so yet (build the UI, then run this check again)"
    host_check_finish "$OUT"/lua-*.log "$OUT/export.log"
fi

SESSION_NAME=ryvel-echo
SESSION_DIR="$WORK/$SESSION_NAME"
SESSION_FILE="$SESSION_DIR/$SESSION_NAME.ardour"
# the value Ardour saved for one of Ryvel's ports, by symbol ("" if none)
saved_port() {
    sed -nE "s/.*<Port symbol=\"$1\" value=\"([^\"]*)\".*/\1/p" "$SESSION_FILE" | head -1
}
RYVEL_ENTRY=2   # the track's processor box: the click generator, then Ryvel

start_x
write_ardour_config

log "step 3: starting Ardour (log: $OUT/ardour-run1.log)"
if ! start_ardour "$OUT/ardour-run1.log"; then
    fail "Ardour starts with the session (screenshot $(shot 00-ardour-start-failed))"
    tail -30 "$OUT/ardour-run1.log"
    host_check_finish "$OUT"/ardour-run*.log
fi
pass "Ardour runs the session on the Dummy backend"
wmctrl -i -r "$(main_win)" -e 0,20,40,-1,-1
sleep 1.5

log "opening the UI from the mixer strip"
if open_editor_from_mixer "$RYVEL_ENTRY"; then
    pass "double-click on the processor opens \"$(xdotool getwindowname "$(plug_win)")\" (in $OPEN_MS ms)"
else
    fail "double-click on the processor opens the plug-in window (screenshot $(shot 01-no-ui))"
    quit_ardour
    host_check_finish "$OUT"/ardour-run*.log
fi
sleep 2
place_editor
S=$(shot 01-ui-open)
editor_crop "$S" 02-ui-crop
check "the UI is embedded in the host window ($ED_ID, ${ED_W}x${ED_H} at $ED_X,$ED_Y)" \
    test -n "$ED_ID"
check "the UI is 1050 x 532 at the default zoom" test "${ED_W}x${ED_H}" = 1050x532
check "the UI is drawn (black header, content)" editor_drawn "$S"
check "the UI shows the session's V1 Step 3 lit" switch_lit "$S" 1 3
check "V1 Step 1 starts unlit" switch_unlit "$S" 1 1

log "clicking V1 Step 1"
click_switch 1 1
sleep 1
S=$(shot 03-step-clicked)
check "a click on V1 Step 1 lights it" switch_lit "$S" 1 1
save_session
check "Ardour saved the written port (v1_step_1 = $(saved_port v1_step_1))" \
    test "$(saved_port v1_step_1)" = 1
check "the other ports kept their values (v1_step_3 = $(saved_port v1_step_3), v1_step_2 = $(saved_port v1_step_2))" \
    test "$(saved_port v1_step_3)" = 1 -a "$(saved_port v1_step_2)" = 0

log "closing the UI window"
PW=$(plug_win)
wmctrl -i -c "$PW"
wait_for 10 no_plug
check "closing the plug-in window hides it (map state: $(map_state "$PW"))" no_plug
shot 04-ui-closed >/dev/null
check "Ardour is still running after closing the UI" kill -0 "$ARDOUR_PID"

log "reopening the UI"
if open_editor_from_mixer "$RYVEL_ENTRY"; then
    note "the UI reopened $OPEN_MS ms after the double-click"
    sleep 2
    place_editor
    S=$(shot 05-ui-reopened)
    check "the reopened UI is drawn" editor_drawn "$S"
    check "the reopened UI shows V1 Step 1 lit" switch_lit "$S" 1 1
    check "the reopened UI shows V1 Step 3 lit" switch_lit "$S" 1 3
    click_switch 2 3
    sleep 1
    S=$(shot 06-reopened-step-clicked)
    check "a click in the reopened UI lights V2 Step 3" switch_lit "$S" 2 3
    save_session
    check "Ardour saved the second write (v2_step_3 = $(saved_port v2_step_3))" \
        test "$(saved_port v2_step_3)" = 1
else
    fail "the UI reopens (screenshot $(shot 05-no-ui))"
fi

log "quitting Ardour with the UI open"
quit_ardour; RC=$?
check "Ardour quits cleanly with the UI open (exit status $RC)" test "$RC" = 0

check "no X error, suil error, crash or abort in the host log" \
    bash -c "! grep -qiE 'X Window System error|suil error|segmentation|aborted|core dumped|terminate called' \"$OUT\"/ardour-run*.log"

host_check_finish "$OUT"/ardour-run*.log "$OUT"/lua-*.log "$OUT/export.log"
