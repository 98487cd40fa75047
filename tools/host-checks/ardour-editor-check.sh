#!/usr/bin/env bash
#
# ardour-editor-check.sh - open Ryvel's editor inside Ardour 7 under Xvfb and check it works.
#
# What it does
#   1. Installs a copy of the built Ryvel.vst3 bundle into a throw-away HOME
#      ($WORK/home/.vst3), so nothing of the real user's Ardour or Ryvel settings is touched.
#   2. Runs Ardour's own VST 3 scanner on it (ardour-vst3-scanner).
#   3. Creates an Ardour session headlessly with ardour7-lua (Dummy audio backend): one stereo
#      audio track "Echo" with Ryvel as its first processor.
#   4. Starts Xvfb (1920x1080) and openbox, then the Ardour GUI on that session, with the
#      "None (Dummy)" backend preselected so no audio hardware or JACK is needed.
#   5. In the GUI (xdotool + wmctrl): opens Ryvel's editor by double-clicking the processor in
#      the mixer strip, checks it is embedded and drawn, clicks the switch of voice 1 / step 1
#      and checks it lights, saves and checks Ardour stored the new parameter value, opens the
#      parameter's automation lane in the editor window, flips the value from the host side and
#      checks the editor follows, closes and reopens the editor, clicks voice 2 / step 3, saves
#      and quits Ardour with the editor open.
#   6. Adds a second Ryvel to the track (ardour7-lua again) and starts Ardour a second time:
#      Ardour reopens the first editor by itself; checks both switches are still lit (a fresh
#      view in a fresh process), opens the second instance's editor beside it and checks the
#      two editors work independently, closes the second, then picks Size > 150% in the first
#      editor's menu and checks the host window follows the new size; saves and quits.
#   7. Checks the host logs for X errors and crashes, prints every host log line that
#      mentions the plug-in and writes a PASS/FAIL summary.
#
# What it needs (Debian 12 packages)
#   ardour (7.x), xvfb, openbox, xdotool, wmctrl, x11-utils (xwininfo), imagemagick
#     apt-get install -y ardour xvfb openbox xdotool wmctrl x11-utils imagemagick
#   and a built bundle (default: build-ed/Ryvel.vst3 of this repository).
#
# How to run
#   tools/host-checks/ardour-editor-check.sh [--bundle PATH/Ryvel.vst3] [--out DIR] [--keep]
#     --bundle  the bundle to test (default: <repo>/build-ed/Ryvel.vst3)
#     --out     where screenshots (PNG), logs and results.txt go (default: /tmp/ardour-check)
#     --keep    keep the temporary HOME and session (path printed at the end)
#   Exit status 0 when every check passed, 1 when one failed, 2 on a setup problem.
#   Takes about two minutes. Every GUI wait has a timeout; all processes it starts (Xvfb,
#   openbox, Ardour) are stopped by their PIDs on exit, also on Ctrl-C.
#
# Intermittent, once: in about 1 of 12 repetitions of the two-editor sequence (step 6), Ardour
# 7.3 exited with "BadWindow (invalid Window parameter)" (request_code 15, X_QueryTree) within
# two seconds of the second editor window being moved and closed; the check "Ardour is still
# running after closing the second editor" then failed. JUCE walks up the window tree on its
# own X connection, and the error for a window Ardour had just destroyed reached GDK's handler,
# which ends the process. While an editor is attached, errors on JUCE's connection are now
# ignored (the first one is reported on stderr as "Ryvel: ignoring X error ..."; step 7 notes
# it). 22 repetitions since then passed, though none showed that line: the race did not come
# up in them, so they do not prove the cure. Run the script a few times all the same.
#
# Helpers shared with the LV2 check (ardour-lv2-check.sh) are in ardour-common.sh.
#
# Coordinates used below were measured on Ardour 7.3 (Debian 12) with a fresh configuration
# and a main window of its default size; the editor's own coordinates are design pixels scaled
# by the size the embedded editor window actually has, so another zoom still works.

set -u
set -o pipefail

SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(cd "$SCRIPT_DIR/../.." && pwd)
BUNDLE="$REPO_DIR/build-ed/Ryvel.vst3"
OUT=/tmp/ardour-check
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
SCANNER=/usr/lib/ardour7/ardour-vst3-scanner
host_check_require ardour ardour7-lua Xvfb openbox xdotool wmctrl xwininfo import convert timeout \
    "$SCANNER"
if [ ! -f "$BUNDLE/Contents/x86_64-linux/Ryvel.so" ]; then
    echo "no plug-in bundle at $BUNDLE (build it: cmake --build build-ed --target Ryvel)" >&2
    exit 2
fi

host_check_init
mkdir -p "$HOME/.vst3"
cp -a "$BUNDLE" "$HOME/.vst3/Ryvel.vst3"

# ---------------------------------------------------------------------------------------------
# 1. Ardour's VST 3 scanner

log "scanning $HOME/.vst3/Ryvel.vst3 with $SCANNER"
LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 "$SCANNER" -f -v "$HOME/.vst3/Ryvel.vst3" \
    >"$OUT/scanner.log" 2>&1
check "ardour-vst3-scanner finds the plug-in" grep -q "Found Plugin: Ryvel" "$OUT/scanner.log"
grep -E '^\[(Warning|Error)' "$OUT/scanner.log" | sed 's/^/      scanner: /'

# ---------------------------------------------------------------------------------------------
# 2. session with one track and Ryvel, made headlessly

cat >"$WORK/make-session.lua" <<EOF
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
local s = create_session("$SESSION_DIR", "$SESSION_NAME", 48000)
assert(s, "could not create the session")
local tracks = s:new_audio_track(2, 2, nil, 1, "Echo", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true)
local route = tracks:front()
local proc = ARDOUR.LuaAPI.new_plugin(s, "Ryvel", ARDOUR.PluginType.VST3, "")
assert(not proc:isnil(), "Ardour does not know a VST3 plug-in named Ryvel")
assert(route:add_processor_by_index(proc, 0, nil, true) == 0, "add_processor failed")
local plug = proc:to_plugininsert():plugin(0)
print("RYVEL-PLUGIN", plug:name(), plug:maker(), "parameters:", plug:parameter_count())
for i = 0, plug:parameter_count() - 1 do
  print("RYVEL-PARAM", i, plug:parameter_label(i))
end
s:save_state("", false, false, false, false, false)
close_session()
EOF
log "creating the session with ardour7-lua"
timeout 180 ardour7-lua "$WORK/make-session.lua" >"$OUT/lua-session.log" 2>&1
check "ardour7-lua adds Ryvel to a track and saves the session" \
    grep -q 'plugin-name="Ryvel"\|name="Ryvel"' "$SESSION_FILE"
grep '^RYVEL-PLUGIN' "$OUT/lua-session.log" | sed 's/^RYVEL-PLUGIN/      plug-in:/'
if [ ! -f "$SESSION_FILE" ]; then
    tail -20 "$OUT/lua-session.log"
    exit 1
fi

# ---------------------------------------------------------------------------------------------
# 3. X server, window manager, Ardour configuration

start_x
write_ardour_config

# ---------------------------------------------------------------------------------------------
# 4. first Ardour run

log "starting Ardour (log: $OUT/ardour-run1.log)"
if ! start_ardour "$OUT/ardour-run1.log"; then
    fail "Ardour starts with the session (screenshot $(shot 00-ardour-start-failed))"
    tail -30 "$OUT/ardour-run1.log"
    exit 1
fi
pass "Ardour $(ardour --version 2>/dev/null | sed -n 's/^Ardour\([0-9.~a-z]*\).*/\1/p' | head -1) runs the session on the Dummy backend"
wmctrl -i -r "$(main_win)" -e 0,20,40,-1,-1
sleep 1.5

log "opening the editor from the mixer strip"
if open_editor_from_mixer; then
    pass "double-click on the processor opens the plug-in window \"$(xdotool getwindowname "$(plug_win)")\""
else
    fail "double-click on the processor opens the plug-in window (screenshot $(shot 01-no-editor))"
    quit_ardour
    exit 1
fi
sleep 2
place_editor
S=$(shot 01-editor-open)
editor_crop "$S" 02-editor-crop
check "editor is embedded in the host window ($ED_ID, ${ED_W}x${ED_H} at $ED_X,$ED_Y)" \
    test -n "$ED_ID"
check "editor is 1050 x 532 at the default zoom" test "${ED_W}x${ED_H}" = 1050x532
check "editor is drawn (black header, content)" editor_drawn "$S"
check "voice 1 / step 1 starts unlit" switch_unlit "$S" 1 1

log "clicking voice 1 / step 1"
click_switch 1 1
sleep 1
S=$(shot 03-step-clicked)
check "a click on voice 1 / step 1 lights it" switch_lit "$S" 1 1
save_session
check "Ardour received the edit (saved 'V1 Step 1' = $(saved_value 'V1 Step 1'))" \
    test "$(saved_value 'V1 Step 1')" = 1
N=$(grep -c '<Controllable name="V[0-9] Step [0-9]"' "$SESSION_FILE")
note "the session stores $N step-switch controllables of Ryvel"

log "automation: Echo track's \"A\" button > Processor automation > Ryvel > Parameters 1-32 > V1 Step 1"
main_click 1325 42                # "Edit" button: editor window
sleep 2
main_click 162 369                # "A" (automation) button of the Echo track header
sleep 1
xdotool key Down Down Down Down   # Show All / Show Existing / Hide All / Processor automation
sleep 0.5; xdotool key Right; sleep 0.7   # -> Ryvel
xdotool key Right; sleep 0.7              # -> Parameters 1 - 32
xdotool key Right; sleep 1                # -> V1 Step 1 ... V4 Step 8
shot 04-automation-menu >/dev/null
xdotool key Return
sleep 2
S=$(shot 05-automation-lane)
# the lane's header shows the parameter's name; its toggle is a red bar when the value is on
G=($(geom "$(main_win)"))
LANE_RGB=$(convert "$S" -crop "60x8+$((G[0] + 143 - 30))+$((G[1] + 409 - 4))" +repage \
           -format '%[fx:mean.r] %[fx:mean.g]' info: 2>/dev/null)
if awk -v c="$LANE_RGB" 'BEGIN { split(c, a, " "); exit !(a[1] > 0.5 && a[1] - a[2] > 0.3) }'; then
    pass "'V1 Step 1' automation lane shows in the editor window, its toggle on (see 05-automation-lane.png)"
    main_click 143 409            # flip it from the host side
    sleep 1.5
    S=$(shot 06-host-switched-off)
    find_editor
    check "host-side change (lane toggle off) turns voice 1 / step 1 off in the editor" \
        switch_unlit "$S" 1 1
    main_click 143 409            # and on again
    sleep 1.5
    S=$(shot 07-host-switched-on)
    check "host-side change (lane toggle on) lights voice 1 / step 1 again" switch_lit "$S" 1 1
else
    fail "'V1 Step 1' automation lane shows with its toggle on (lane colour $LANE_RGB; see 04/05 screenshots)"
fi

log "closing the editor window"
PW=$(plug_win)
wmctrl -i -c "$PW"
wait_for 10 no_plug
check "closing the plug-in window hides it (map state: $(map_state "$PW"))" no_plug
shot 08-editor-closed >/dev/null
check "Ardour is still running after closing the editor" kill -0 "$ARDOUR_PID"

log "reopening the editor"
if open_editor_from_mixer; then
    sleep 2
    place_editor
    S=$(shot 09-editor-reopened)
    pass "the editor reopens"
    check "reopened editor is drawn" editor_drawn "$S"
    check "reopened editor shows voice 1 / step 1 lit" switch_lit "$S" 1 1
    click_switch 2 3
    sleep 1
    S=$(shot 10-reopened-step-clicked)
    check "a click in the reopened editor lights voice 2 / step 3" switch_lit "$S" 2 3
    save_session
    check "Ardour received the second edit (saved 'V2 Step 3' = $(saved_value 'V2 Step 3'))" \
        test "$(saved_value 'V2 Step 3')" = 1
else
    fail "the editor reopens (screenshot $(shot 09-no-editor))"
fi

log "quitting Ardour with the editor open"
quit_ardour; RC=$?
check "Ardour quits cleanly with the editor open (exit status $RC)" test "$RC" = 0

# ---------------------------------------------------------------------------------------------
# 5. a second Ryvel on the track (added headlessly), then a second Ardour run: the first editor
#    comes back by itself with the saved state, the second is opened beside it

cat >"$WORK/add-second.lua" <<EOF
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
local s = load_session("$SESSION_DIR", "$SESSION_NAME")
assert(s, "could not load the session")
local route = s:route_by_name("Echo")
local proc = ARDOUR.LuaAPI.new_plugin(s, "Ryvel", ARDOUR.PluginType.VST3, "")
assert(route:add_processor_by_index(proc, 1, nil, true) == 0, "add_processor failed")
s:save_state("", false, false, false, false, false)
close_session()
EOF
timeout 180 ardour7-lua "$WORK/add-second.lua" >"$OUT/lua-add-second.log" 2>&1
check "ardour7-lua adds a second Ryvel after the first" \
    test "$(grep -c '<Processor [^>]*name="Ryvel' "$SESSION_FILE")" -ge 2


log "starting Ardour again (log: $OUT/ardour-run2.log)"
if start_ardour "$OUT/ardour-run2.log"; then
    if wait_for 20 has_plug; then
        note "Ardour reopened the editor window it had open at quit by itself"
    else
        open_editor_from_mixer
    fi
    if has_plug; then
        sleep 2
        W1=$(plug_win)
        wmctrl -i -r "$W1" -e 0,0,520,-1,-1
        sleep 1.5
        use_editor_of "$W1"
        S=$(shot 11-run2-editor-restored)
        check "after reloading the session the editor is drawn" editor_drawn "$S"
        check "after reloading, voice 1 / step 1 is lit" switch_lit "$S" 1 1
        check "after reloading, voice 2 / step 3 is lit" switch_lit "$S" 2 3

        log "opening the second instance's editor (second entry of the processor box)"
        main_click 1325 71
        sleep 2
        G=($(geom "$(main_win)"))
        dclick_at $((G[0] + 328)) $((G[1] + 227))
        if wait_for 20 two_plugs; then
            W2=$(plug_wins | grep -v "^$W1\$" | head -1)
            sleep 2
            wmctrl -i -r "$W2" -e 0,860,40,-1,-1
            sleep 1.5
            use_editor_of "$W2"
            S=$(shot 12-two-editors)
            check "second instance's editor is drawn while the first is open" editor_drawn "$S"
            check "second instance starts with its own (empty) pattern" switch_unlit "$S" 1 1
            click_switch 3 5
            sleep 1
            S=$(shot 13-two-editors-clicked)
            check "a click in the second editor lights its voice 3 / step 5" switch_lit "$S" 3 5
            use_editor_of "$W1"
            check "the first editor is unaffected (its voice 3 / step 5 unlit)" switch_unlit "$S" 3 5
            click_switch 4 8
            sleep 1
            S=$(shot 14-first-editor-clicked)
            check "with both open, a click in the first editor lights its voice 4 / step 8" \
                switch_lit "$S" 4 8
            wmctrl -i -c "$W2"
            sleep 2
            check "Ardour is still running after closing the second editor" kill -0 "$ARDOUR_PID"
        else
            fail "the second instance's editor opens (screenshot $(shot 12-no-second-editor))"
        fi

        # Size menu: the editor's menu button, "Size", "150%" (zoom 1.75: 1470 x 745). The plug-in
        # window is placed so that the menu and its submenu open where they were measured.
        log "resizing the editor from its own Size menu"
        wmctrl -i -r "$W1" -e 0,700,513,-1,-1
        sleep 1.5
        use_editor_of "$W1"
        if [ "$ED_X,$ED_Y" != "701,547" ]; then  # window manager offsets differ: correct once
            wmctrl -i -r "$W1" -e 0,$((700 + 701 - ED_X)),$((513 + 547 - ED_Y)),-1,-1
            sleep 1.5
            use_editor_of "$W1"
        fi
        if [ "$ED_X,$ED_Y" = "701,547" ]; then
            click_at $((ED_X + 1010)) $((ED_Y + 25))     # menu button (top right)
            sleep 1.5
            xdotool mousemove $((ED_X + 1015)) $((ED_Y + 135))   # "Size"
            sleep 1.5
            shot 15-size-menu >/dev/null
            xdotool mousemove $((ED_X + 959)) $((ED_Y + 95)); sleep 0.3
            xdotool mousemove $((ED_X + 945)) $((ED_Y + 135))    # "150%" (submenu to the left)
            sleep 0.5
            shot 15b-size-menu-150 >/dev/null
            T0=$(date +%s%N)
            xdotool click 1
            resized() { use_editor_of "$W1" && [ "$ED_W" != 1050 ]; }
            for _ in $(seq 1 150); do resized && break; sleep 0.1; done
            T1=$(date +%s%N)
            note "the editor window changed size $(( (T1 - T0) / 1000000 )) ms after the click on 150%"
            sleep 1
            use_editor_of "$W1"
            PG=($(geom "$W1"))
            check "Size 150% resizes the embedded editor to 1470 x 745 (is ${ED_W}x${ED_H})" \
                test "${ED_W}x${ED_H}" = 1470x745
            check "the host's plug-in window follows (is ${PG[2]}x${PG[3]})" \
                test "${PG[2]}" = "$ED_W" -a "${PG[3]}" -ge "$ED_H"
            wmctrl -i -r "$W1" -e 0,400,240,-1,-1
            sleep 2
            use_editor_of "$W1"
            S=$(shot 16-zoom-150)
            check "the resized editor is drawn" editor_drawn "$S"
            check "the resized editor shows voice 2 / step 3 lit" switch_lit "$S" 2 3
            click_switch 1 2
            sleep 1
            S=$(shot 17-zoom-150-clicked)
            check "a click in the resized editor lights voice 1 / step 2" switch_lit "$S" 1 2
        else
            note "plug-in window not where expected ($ED_X,$ED_Y); Size menu check skipped"
        fi
    else
        fail "the editor opens after reloading the session (screenshot $(shot 11-run2-no-editor))"
    fi
    log "saving and quitting Ardour"
    save_session
    quit_ardour; RC=$?
    check "second Ardour run quits cleanly (exit status $RC)" test "$RC" = 0
else
    fail "Ardour starts a second time (screenshot $(shot 11-run2-start-failed))"
fi

# ---------------------------------------------------------------------------------------------
# 6. what the host said

check "no X error, crash or abort in the host logs" \
    bash -c "! grep -qiE 'X Window System error|segmentation|aborted|core dumped|terminate called' \"$OUT\"/ardour-run*.log"

IGNORED=$(grep -h "Ryvel: ignoring X error" "$OUT"/ardour-run*.log | head -n 1)
[ -n "$IGNORED" ] && note "the editor kept an X error on its own connection from the host: $IGNORED"

host_check_finish "$OUT"/ardour-run*.log "$OUT/lua-session.log"
