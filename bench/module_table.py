#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns the JSON of `ryvel_module_bench --benchmark_repetitions=N --benchmark_format=json` into
the Markdown tables of bench/README.md: median ns per stereo sample for each format, load and
block size, with each kind of sending as a ratio to no queues of the same run.

With two files (before.json after.json) it prints both side by side."""
import json
import sys

SENDING = ["none", "8_unchanged", "8_changing", "all_55_changing"]


def medians(path):
    runs = json.load(open(path))["benchmarks"]
    out = {}
    for r in runs:
        if r.get("aggregate_name") != "median":
            continue
        fmt, load, sending, block = r["run_name"].split("/")
        out[(fmt, load, int(block), sending)] = r["ns/sample"]
    return out


FORMATS = ["Vst3", "Lv2"]
LOADS = ["32_taps_reso_0.5", "32_taps_reso_0", "all_steps_off"]


def rows(m):
    keys = {(fmt, load, block) for fmt, load, block, _ in m}
    return sorted(keys, key=lambda k: (FORMATS.index(k[0]), LOADS.index(k[1]), k[2]))


def cells(m, key):
    none = m.get(key + ("none",))
    text = []
    for s in SENDING:
        v = m.get(key + (s,))
        if v is None:
            text.append("-")
        elif s == "none" or not none:
            text.append("%.2f" % v)
        else:
            text.append("%.2f (%.2fx)" % (v, v / none))
    return text


def main():
    runs = [medians(p) for p in sys.argv[1:]] or [medians("/dev/stdin")]
    if len(runs) == 1:
        print("| format | load | block | " + " | ".join(SENDING) + " |")
        print("|---|---|---:|" + "---:|" * len(SENDING))
        for key in rows(runs[0]):
            print("| %s | %s | %d | %s |" % (key + (" | ".join(cells(runs[0], key)),)))
        return
    before, after = runs[0], runs[1]
    header = " | ".join("%s before | after" % s for s in SENDING)
    print("| format | load | block | " + header + " |")
    print("|---|---|---:|" + "---:|---:|" * len(SENDING))
    for key in rows(after):
        b, a = cells(before, key), cells(after, key)
        pairs = " | ".join("%s | %s" % (x, y) for x, y in zip(b, a))
        print("| %s | %s | %d | %s |" % (key + (pairs,)))


main()
