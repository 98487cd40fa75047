# shellcheck shell=bash
#
# ardour-common.sh - what the Ardour host checks share: a throw-away HOME, PASS/FAIL bookkeeping,
# Xvfb + openbox, an Ardour configuration that starts the Dummy backend without asking, and the
# xdotool/wmctrl helpers that find, click and screenshot Ryvel's editor inside Ardour's plug-in
# window. Sourced by ardour-editor-check.sh (VST 3) and ardour-lv2-check.sh (LV2); not a program.
#
# The caller sets OUT (screenshots, logs, results.txt) and KEEP (1: keep the temporary HOME) and
# then calls host_check_init. Coordinates were measured on Ardour 7.3 (Debian 12) with a fresh
# configuration and a main window of its default size; the editor's own coordinates are design
# pixels scaled by the size the embedded editor window actually has, so another zoom still works.

# ---------------------------------------------------------------------------------------------
# setup and bookkeeping

# Exits 2 naming what is missing. Arguments: commands, or absolute paths of executables.
host_check_require() {
    local missing=() tool
    for tool in "$@"; do
        case "$tool" in
            /*) [ -x "$tool" ] || missing+=("$tool") ;;
            *) command -v "$tool" >/dev/null 2>&1 || missing+=("$tool") ;;
        esac
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "missing: ${missing[*]}" >&2
        echo "install: apt-get install -y ardour xvfb openbox xdotool wmctrl x11-utils imagemagick" >&2
        exit 2
    fi
}

# A fresh OUT, a temporary WORK folder whose home/ becomes HOME (so nothing of the real user's
# Ardour, plug-ins or Ryvel settings is read or written), the session paths and the exit trap.
host_check_init() {
    mkdir -p "$OUT"
    rm -f "$OUT"/*.png "$OUT"/results.txt "$OUT"/*.log "$OUT"/*.wav
    WORK=$(mktemp -d /tmp/ardour-host-check.XXXXXX)
    export HOME="$WORK/home"
    # Ardour follows the XDG variables when they are set; pin them below the temporary HOME.
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
    export XDG_CACHE_HOME="$HOME/.cache"
    mkdir -p "$HOME/.config/ardour7" "$HOME/.local/share"
    SESSION_NAME=ryvel-check
    SESSION_DIR="$WORK/$SESSION_NAME"   # Ardour finds <dir>/<basename of dir>.ardour
    SESSION_FILE="$SESSION_DIR/$SESSION_NAME.ardour"
    RESULTS="$OUT/results.txt"
    : >"$RESULTS"
    XVFB_PID=""
    WM_PID=""
    ARDOUR_PID=""
    FAILS=0
    trap host_check_cleanup EXIT
    trap 'exit 130' INT TERM
}

stop_pid() { # pid: TERM, then KILL after 5 s
    local pid=$1
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.5; done
    kill -9 "$pid" 2>/dev/null
}

host_check_cleanup() {
    stop_pid "$ARDOUR_PID"
    stop_pid "$WM_PID"
    stop_pid "$XVFB_PID"
    if [ "$KEEP" = 1 ]; then
        echo "kept temporary HOME and session in $WORK"
    else
        rm -rf "$WORK"
    fi
}

log() { echo "[$(date +%H:%M:%S)] $*"; }
pass() { echo "PASS  $*" | tee -a "$RESULTS"; }
fail() { echo "FAIL  $*" | tee -a "$RESULTS"; FAILS=$((FAILS + 1)); }
note() { echo "NOTE  $*" | tee -a "$RESULTS"; }
skip() { echo "SKIP  $*" | tee -a "$RESULTS"; }
check() { # description, command...
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

shot() { import -window root "$OUT/$1.png" 2>/dev/null; echo "$OUT/$1.png"; }

# Prints the host log lines that mention a plug-in, an error or a crash (counted), then the
# screenshots, then the verdict; exits 0 when every check passed, else 1.
host_check_finish() { # host log files...
    echo
    echo "Host log lines about the plug-in (VST3, LV2, suil, Ryvel, Corvane, plugin, error, crash):"
    grep -hiE 'vst|lv2|suil|ryvel|corvane|plug-?in|error|critical|segmentation|abort|crash' "$@" \
        2>/dev/null |
        grep -vE 'Loading plugin (meta data|statistics) file|^RYVEL-' |
        grep -vE 'patchfiles/.*parser error|^I/O error : Bad file descriptor' | # Ardour's MIDI name files
        grep -vE "Ignored format .*encoder is not available" |                  # no MP3 encoder
        sort | uniq -c | sed 's/^/  /'
    echo
    echo "Screenshots and logs: $OUT"
    ls "$OUT"/*.png 2>/dev/null | sed 's/^/  /'
    echo
    if [ "$FAILS" -eq 0 ]; then
        echo "ALL CHECKS PASSED" | tee -a "$RESULTS"
        exit 0
    fi
    echo "$FAILS CHECK(S) FAILED" | tee -a "$RESULTS"
    exit 1
}

# ---------------------------------------------------------------------------------------------
# X server, window manager, Ardour configuration

start_x() {
    exec 5>"$WORK/display"
    Xvfb -displayfd 5 -screen 0 1920x1080x24 -nolisten tcp >"$OUT/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec 5>&-
    for _ in $(seq 1 50); do [ -s "$WORK/display" ] && break; sleep 0.2; done
    [ -s "$WORK/display" ] || { echo "Xvfb did not start" >&2; exit 2; }
    export DISPLAY=":$(head -1 "$WORK/display")"
    openbox >"$OUT/openbox.log" 2>&1 &
    WM_PID=$!
    sleep 1
    log "X display $DISPLAY"
}

# ".a7" marks that Ardour 7 ran before (no first-run wizard). The config preselects the Dummy
# backend and lets Ardour start it without showing the Audio/MIDI setup dialog.
write_ardour_config() {
    touch "$HOME/.config/ardour7/.a7"
    cat >"$HOME/.config/ardour7/config" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device=""
               output-device="" sample-rate="48000" buffer-size="1024" n-periods="0"
               input-latency="0" output-latency="0" lm-input="" lm-output="" active="1"
               use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1">
          <MIDIDevices/>
        </State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
EOF
}

# ---------------------------------------------------------------------------------------------
# GUI helpers

# Ardour titles a plug-in window "<track>: <plug-in> (by <maker>) [<format>]": the VST 3 maker
# is "Corvane", the LV2 maintainer "Corvane Audio".
main_win() { wmctrl -l 2>/dev/null | awk '/ - Ardour$/ {print $1; exit}'; }
plug_win() { wmctrl -l 2>/dev/null | awk '/Ryvel \(by Corvane[^)]*\)/ {print $1; exit}'; }
plug_wins() { wmctrl -l 2>/dev/null | awk '/Ryvel \(by Corvane[^)]*\)/ {print $1}'; }
other_wins() { wmctrl -l 2>/dev/null | awk '!/ - Ardour$/ && !/Ryvel \(by Corvane[^)]*\)/ {print $1}'; }

# "x y w h" of a window's client area on the screen
geom() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
map_state() { xwininfo -id "$1" 2>/dev/null | awk '/Map State/ {print $NF}'; }

# "id x y w h" of the editor: the most deeply nested window at least 400 px wide inside the
# host's plug-in window (Ardour's socket window holds the plug-in's own X window).
editor_child() {
    xwininfo -id "$1" -tree 2>/dev/null |
        sed -nE 's/^( *)(0x[0-9a-f]+) .* ([0-9]+)x([0-9]+)[-+][0-9]+[-+][0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+)$/\1|\2 \5 \6 \3 \4/p' |
        awk -F'|' '{ split($2, f, " "); if (f[4] >= 400 && length($1) >= best) { best = length($1); line = $2 } }
                   END { if (line != "") print line }'
}

# Close any dialog (a window that is neither the main window nor the plug-in window) with Return.
dismiss_dialogs() {
    local w title
    for w in $(other_wins); do
        title=$(xdotool getwindowname "$w" 2>/dev/null)
        note "host dialog \"$title\" appeared; answered with Return (screenshot $(shot "dialog-$w"))"
        xdotool windowactivate --sync "$w" 2>/dev/null
        xdotool key --window "$w" Return 2>/dev/null
        sleep 2
    done
}

wait_for() { # seconds, command...: poll every 0.5 s
    local t=$(( $1 * 2 )); shift
    while [ $t -gt 0 ]; do "$@" && return 0; sleep 0.5; t=$((t - 1)); done
    return 1
}
has_main() { [ -n "$(main_win)" ]; }
has_plug() { [ -n "$(plug_win)" ]; }
no_plug() { [ -z "$(plug_win)" ]; }
two_plugs() { [ "$(plug_wins | wc -l)" -ge 2 ]; }
ardour_gone() { ! kill -0 "$ARDOUR_PID" 2>/dev/null; }

click_at() { xdotool mousemove "$1" "$2"; sleep 0.3; xdotool click 1; }
dclick_at() { xdotool mousemove "$1" "$2"; sleep 0.3; xdotool click --repeat 2 --delay 80 1; }

# click at a point given relative to the main window's client area
main_click() {
    local g; g=($(geom "$(main_win)"))
    click_at $((g[0] + $1)) $((g[1] + $2))
}

start_ardour() { # log file
    ( cd "$WORK" && exec ardour -a -n "$SESSION_DIR" ) >"$1" 2>&1 &
    ARDOUR_PID=$!
    local t=0
    while [ $t -lt 120 ]; do
        has_main && [ -z "$(other_wins)" ] && return 0
        ardour_gone && return 1
        if wmctrl -l 2>/dev/null | grep -q 'Session Setup$'; then
            note "Ardour did not find the session and shows its Session Setup dialog"
            return 1
        fi
        [ -n "$(other_wins)" ] && [ $t -gt 10 ] && dismiss_dialogs
        sleep 1; t=$((t + 1))
    done
    return 1
}

quit_ardour() {
    local w; w=$(main_win)
    [ -n "$w" ] && xdotool windowactivate --sync "$w" 2>/dev/null
    sleep 0.5
    xdotool key ctrl+q
    local t=0
    while [ $t -lt 60 ] && ! ardour_gone; do
        [ $t -gt 10 ] && [ -n "$(other_wins)" ] && dismiss_dialogs
        sleep 1; t=$((t + 1))
    done
    if ardour_gone; then
        wait "$ARDOUR_PID"; local rc=$?
        ARDOUR_PID=""
        return $rc
    fi
    return 124
}

save_session() {
    xdotool windowactivate --sync "$(main_win)" 2>/dev/null
    sleep 0.5
    xdotool key ctrl+s
    sleep 2
}

# the value Ardour saved for one of Ryvel's parameters, by title ("" if none)
saved_value() {
    sed -nE "s/.*<Controllable name=\"$1\" [^>]*value=\"([^\"]*)\".*/\1/p" "$SESSION_FILE" | head -1
}

# Editor geometry: design pixels (840 x 426 at zoom 1). The switch of voice V, step S is centred
# at (149.6 + 82 (S-1), 125.6 + 78 (V-1)) design pixels, i.e. (187, 157) at the default zoom 1.25.
ED_ID=""; ED_X=0; ED_Y=0; ED_W=0; ED_H=0
use_editor_of() { # window id: make click_switch / switch_lit / editor_drawn work on that window
    local e; e=($(editor_child "$1")); [ ${#e[@]} -eq 5 ] || return 1
    ED_ID=${e[0]}; ED_X=${e[1]}; ED_Y=${e[2]}; ED_W=${e[3]}; ED_H=${e[4]}
}
find_editor() {
    local pw; pw=$(plug_win); [ -n "$pw" ] || return 1
    use_editor_of "$pw"
}
switch_xy() { # voice step -> "x y" inside the editor
    awk -v v="$1" -v s="$2" -v w="$ED_W" 'BEGIN { k = w / 840.0;
        printf "%d %d\n", (149.6 + 82.0 * (s - 1)) * k, (125.6 + 78.0 * (v - 1)) * k }'
}
click_switch() {
    local p; p=($(switch_xy "$1" "$2"))
    click_at $((ED_X + p[0])) $((ED_Y + p[1]))
    xdotool mousemove $((ED_X + ED_W - 5)) $((ED_Y + ED_H - 5)) # hover away from the switch
}
# a lit switch is bright red in its middle; an unlit one is dark grey
switch_lit() { # png voice step
    local p rgb; p=($(switch_xy "$2" "$3"))
    rgb=$(convert "$1" -crop "24x12+$((ED_X + p[0] - 12))+$((ED_Y + p[1] - 6))" +repage \
          -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info: 2>/dev/null)
    awk -v c="$rgb" 'BEGIN { split(c, a, " "); exit !(a[1] > 0.5 && a[1] - a[2] > 0.25) }'
}
switch_unlit() { ! switch_lit "$@"; }
editor_crop() { # png name: the editor's area of a root screenshot
    convert "$1" -crop "${ED_W}x${ED_H}+${ED_X}+${ED_Y}" +repage "$OUT/$2.png"
}
# drawn: header (top 50 px at 1.25, scaled) nearly black, the whole area far from uniform
editor_drawn() { # png
    local head sd
    head=$(convert "$1" -crop "${ED_W}x$((ED_H * 50 / 532))+${ED_X}+${ED_Y}" +repage \
           -colorspace Gray -format '%[fx:mean]' info:)
    sd=$(convert "$1" -crop "${ED_W}x${ED_H}+${ED_X}+${ED_Y}" +repage \
         -colorspace Gray -format '%[fx:standard_deviation]' info:)
    log "editor header mean grey $head, whole editor grey standard deviation $sd"
    awk -v h="$head" -v s="$sd" 'BEGIN { exit !(h < 0.2 && s > 0.03) }'
}
# Opens the plug-in window of entry <entry> (default 1, the top one) of the Echo strip's processor
# box in the mixer: 206 px below the main window's top for the first entry, 21 px per entry.
# OPEN_MS: from the double-click to the window's appearance (0.5 s resolution).
OPEN_MS=0
open_editor_from_mixer() { # [entry]
    local y=$((206 + 21 * (${1:-1} - 1)))
    main_click 1325 71            # "Mix" button (top right of the main window)
    sleep 2
    main_click 328 "$y"           # select the entry in the Echo strip's processor box
    sleep 0.2
    local g t0; g=($(geom "$(main_win)"))
    t0=$(date +%s%N)
    dclick_at $((g[0] + 328)) $((g[1] + y))
    wait_for 20 has_plug || return 1
    OPEN_MS=$(( ($(date +%s%N) - t0) / 1000000 ))
}
place_editor() { # move the plug-in window to a fixed spot, clear of the track headers
    wmctrl -i -r "$(plug_win)" -e 0,560,470,-1,-1
    sleep 1.5
    find_editor
}
