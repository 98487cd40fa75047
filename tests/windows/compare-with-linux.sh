#!/usr/bin/env bash
# Plays the same session (tools/host/SessionRenderMain.cpp) through the Linux module and, under
# Wine, through the Windows module, and reports how far their outputs are apart. Within one
# system the kernels equal the scalar reference bit for bit (the signal tests); across systems
# the C libraries' tan, sin, cos and pow may round differently in the last bit. Fails when the
# largest difference reaches -120 dBFS.
#
#   tests/windows/compare-with-linux.sh [LINUX_BUILD] [WINDOWS_BUILD]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
linux_build="$(cd "${1:-$root/build/release}" && pwd)"
windows_build="$(cd "${2:-$root/build/windows-release}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

export WINEPREFIX="$windows_build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$linux_build/tools/host/ryvel-session-render" "$work/linux.f32" "$linux_build/Ryvel.vst3"
wine "$windows_build/tools/host/ryvel-session-render.exe" "Z:$work/windows.f32" \
    "Z:$windows_build/Ryvel.vst3" </dev/null

python3 - "$work/linux.f32" "$work/windows.f32" <<'PY'
import array, math, sys
a, b = array.array("f"), array.array("f")
a.frombytes(open(sys.argv[1], "rb").read())
b.frombytes(open(sys.argv[2], "rb").read())
if len(a) != len(b) or not a:
    sys.exit(f"different lengths: {len(a)} and {len(b)} samples")
differing, largest = 0, 0.0
for x, y in zip(a, b):
    if x != y and not (math.isnan(x) and math.isnan(y)):
        differing += 1
        largest = max(largest, abs(x - y))
level = 20 * math.log10(largest) if largest > 0 else float("-inf")
print(f"{len(a)} samples, {differing} differ; largest difference {largest:.3g} ({level:.1f} dBFS)")
sys.exit(0 if level < -120 else 1)
PY
