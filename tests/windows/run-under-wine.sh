#!/usr/bin/env bash
# Runs the Windows edition's tests (ctest --preset windows-release) under Wine, headless, in a
# Wine prefix of their own inside the build folder: the user's ~/.wine is never touched.
#
#   tests/windows/run-under-wine.sh [extra ctest arguments]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build/windows-release"

export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs: nothing here needs .NET or a web view.
export WINEDLLOVERRIDES="mscoree,mshtml="
# On a virtual display of its own: the editor test needs one, and Wine's desktop process wants
# one from its start.
if [ -z "${RYVEL_WINE_ON_XVFB:-}" ]; then
    export RYVEL_WINE_ON_XVFB=1
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # The server the set-up started lingers for a few seconds, and the persistent one below
    # cannot start beside it.
    wineserver -w
fi
# One Wine server for the whole run instead of one per test program, ended on the way out. Its
# service processes are started here, away from CTest: started by the first test program they
# would hold its output pipe open, and CTest would wait for them until its timeout.
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineboot >/dev/null 2>&1 </dev/null

cd "$root"
ctest --preset windows-release "$@"
