#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The LV2 UI binary exports its descriptor function and nothing else, and holds no
# STB_GNU_UNIQUE symbol: glibc never unloads an object that has one, so a host's dlclose would
# leave the binary mapped, its toolkit shut down, until the process ends.
set -eu
binary=$1
symbols=$(readelf --dyn-syms -W "$binary")
if echo "$symbols" | grep -q ' UNIQUE '; then
    echo "STB_GNU_UNIQUE symbols in $binary:"
    echo "$symbols" | grep ' UNIQUE '
    exit 1
fi
exported=$(echo "$symbols" |
    awk '$7 != "UND" && ($5 == "GLOBAL" || $5 == "WEAK") && $4 != "NOTYPE" { print $8 }' |
    sort -u)
if [ "$exported" != "lv2ui_descriptor" ]; then
    echo "$binary exports more than lv2ui_descriptor:"
    echo "$exported"
    exit 1
fi
