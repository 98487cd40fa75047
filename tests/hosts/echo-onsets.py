#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks a host's export of one click through Ryvel with one step on: the file must hold the dry
click and exactly one echo, <delay> samples after it, on every channel.

Usage: echo-onsets.py <32-bit float WAV> <delay in samples> [<delay a wrong tempo would give>]
Prints "RYVEL-CHECK PASS|FAIL <what>" and "RYVEL-RESULT <key> <value>" lines like the Lua
session scripts; exits 1 when a check failed.
"""
import struct
import sys

THRESHOLD = 0.01  # -40 dBFS: far above the tail of the echo's filters, far below the echo
QUIET = 100       # samples below the threshold that separate two onsets


def read_float_wav(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path} is not a WAV file")
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if chunk == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
        elif chunk == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    if fmt is None or samples is None:
        raise ValueError(f"{path} has no format or no data")
    tag, channels, rate, _, _, bits = fmt
    if tag not in (3, 0xFFFE) or bits != 32:  # IEEE float, plain or extensible
        raise ValueError(f"{path} is not 32-bit float (format {tag}, {bits} bits)")
    values = struct.unpack(f"<{len(samples) // 4}f", samples[:len(samples) // 4 * 4])
    return rate, [values[c::channels] for c in range(channels)]


def onsets(signal):
    found, last = [], -QUIET - 1
    for i, v in enumerate(signal):
        if abs(v) > THRESHOLD:
            if i - last > QUIET:
                found.append([i, 0.0])
            found[-1][1] = max(found[-1][1], abs(v))
            last = i
    return found


def main():
    path, delay = sys.argv[1], int(sys.argv[2])
    wrong = int(sys.argv[3]) if len(sys.argv) > 3 else None
    rate, channels = read_float_wav(path)
    failed = False

    def check(ok, what):
        nonlocal failed
        failed |= not ok
        print("RYVEL-CHECK", "PASS" if ok else "FAIL", what)

    print("RYVEL-RESULT export", f"{path}: {rate} Hz, {len(channels)} channels, "
          f"{len(channels[0])} frames")
    for c, signal in enumerate(channels):
        found = onsets(signal)
        print("RYVEL-RESULT", f"onsets_channel_{c + 1}",
              ", ".join(f"{at} (peak {peak:.3f})" for at, peak in found))
        check(len(found) == 2,
              f"channel {c + 1} holds the dry click and one echo ({len(found)} onsets)")
        if len(found) >= 2:
            measured = found[1][0] - found[0][0]
            why = ""
            if wrong is not None and measured == wrong:
                why = "; that is Ryvel's fallback tempo: the session tempo did not reach it"
            check(measured == delay,
                  f"channel {c + 1}: the echo follows the click by {delay} samples "
                  f"(is {measured}{why})")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
