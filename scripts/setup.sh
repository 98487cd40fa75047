#!/usr/bin/env bash
# Installs every Debian package needed to build Ryvel and run its tests, and the npm packages of
# package.json. Idempotent: when everything is present it prints nothing and touches nothing.
#
#   scripts/setup.sh [--windows]
#
# --windows also installs the packages of the Windows edition (debian-packages-windows.txt: the
# mingw-w64 cross compiler and Wine) and builds libpng and libjpeg-turbo for it
# (build-mingw-deps.sh).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
windows=0
if [ "${1:-}" = "--windows" ]; then
    windows=1
fi

lists=("$here/debian-packages.txt")
if [ "$windows" -eq 1 ]; then
    lists+=("$here/debian-packages-windows.txt")
fi
mapfile -t wanted < <(cat "${lists[@]}" | grep -v '^\s*#' | awk 'NF {print $1}' | sort -u)
missing=()
for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
# npm may come from another source (e.g. a newer Node.js); Debian's only when there is none.
if ! command -v npm >/dev/null 2>&1; then
    missing+=(nodejs npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The bundled fonts come from the npm registry (package.json, package-lock.json). npm records
# what it installed in node_modules/.package-lock.json: reinstall when that is missing or older
# than the lock file.
root="$(cd "$here/.." && pwd)"
installed="$root/node_modules/.package-lock.json"
if [ ! -f "$installed" ] || [ "$root/package-lock.json" -nt "$installed" ]; then
    (cd "$root" && npm ci --no-audit --no-fund --silent)
fi

if [ "$windows" -eq 1 ]; then
    "$here/build-mingw-deps.sh"
fi
