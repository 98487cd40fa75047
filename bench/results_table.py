#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns the JSON of `ryvel_bench --benchmark_repetitions=N --benchmark_format=json` into the
Markdown table of bench/README.md: median ns per stereo sample for each load and block size, the
scalar reference and each kernel variant side by side."""
import json
import sys

runs = json.load(open(sys.argv[1]) if len(sys.argv) > 1 else sys.stdin)["benchmarks"]
medians = {}
for r in runs:
    if r.get("aggregate_name") != "median":
        continue
    variant, load, block = r["run_name"].split("/")
    medians[(load, int(block), variant)] = r["ns/sample"]

loads = []
for load, block, _ in medians:
    if (load, block) not in loads:
        loads.append((load, block))
variants = ["Reference", "Baseline", "Avx2", "Portable"]
print("| load | block | " + " | ".join(variants) + " | reference / AVX2 |")
print("|---|---:|" + "---:|" * len(variants) + "---:|")
for load, block in loads:
    cells = [medians.get((load, block, v)) for v in variants]
    text = ["%.2f" % c if c is not None else "-" for c in cells]
    ratio = "%.1fx" % (cells[0] / cells[2]) if cells[0] and cells[2] else "-"
    print("| %s | %d | %s | %s |" % (load, block, " | ".join(text), ratio))
