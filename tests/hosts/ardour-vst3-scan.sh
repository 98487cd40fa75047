#!/usr/bin/env bash
# Scans the built bundle with the VST 3 scanner of Debian's Ardour 7, the way Ardour indexes a
# plug-in before a user can insert it. The scanner exits 0 even when a module does not load, so
# its output and the cache file it writes are what decide.
# Usage: ardour-vst3-scan.sh <Ryvel.vst3>; exits 77 (skipped) when Ardour is not installed.
set -uo pipefail
bundle="$1"
scanner="${RYVEL_ARDOUR_SCANNER:-/usr/lib/ardour7/ardour-vst3-scanner}"
if [ ! -x "$scanner" ]; then
    echo "SKIPPED: $scanner not found; install Debian's 'ardour' package to run this test"
    exit 77
fi

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
# The scanner writes its cache below HOME; its shared libraries live next to it.
output="$(HOME="$home" LD_LIBRARY_PATH="$(dirname "$scanner")" "$scanner" -f -v "$bundle" 2>&1)"
status=$?
echo "$output"
fail() { echo "FAILED: $*"; exit 1; }
[ $status -eq 0 ] || fail "the scanner exited with $status"
grep -q '^\[ERROR\]' <<<"$output" && fail "the scanner reported an error"
grep -q 'Found Plugin: Ryvel' <<<"$output" || fail "the scanner found no plug-in"

cache="$(find "$home" -name '*.v3i' | head -n 1)"
[ -n "$cache" ] || fail "no cache file was written"
info="$(cat "$cache")"
for expected in 'name="Ryvel"' 'vendor="Corvane' 'category="Fx|Delay"' 'version="1.0.4"' \
    'n_inputs="2"' 'n_outputs="2"' 'n_midi_inputs="0"'; do
    grep -qF "$expected" <<<"$info" || fail "the cache lacks $expected"
done
echo "PASSED: Ardour indexed $(grep -c '<VST3Info' <<<"$info") plug-in class from $bundle"
