#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Ryvel plug-in bundles that sit next to this script, or removes them.
#
#   ./install.sh                        ~/.vst3/Ryvel.vst3 and ~/.lv2/Ryvel.lv2
#   sudo ./install.sh --system          /usr/lib/vst3/Ryvel.vst3 and /usr/lib/lv2/Ryvel.lv2
#   ./install.sh --uninstall            removes them again (add --system for the system copy)
#
# Running it twice gives the same result as running it once. A bundle is copied beside its
# destination first and then moved into place, so an interrupted copy never leaves half a
# bundle where a host looks. Presets and settings (~/Documents/Corvane Audio/Ryvel) are never
# touched.
set -eu

usage() {
    cat <<'EOF'
usage: install.sh [--system] [--uninstall]

Copies Ryvel.vst3 and Ryvel.lv2 into your own plug-in folders (~/.vst3, ~/.lv2), or with
--system into /usr/lib/vst3 and /usr/lib/lv2 for every user (run it as root, e.g. with sudo).
--uninstall removes the bundles from the same folders instead.
EOF
}

system=0
uninstall=0
for arg in "$@"; do
    case "$arg" in
        --system) system=1 ;;
        --uninstall) uninstall=1 ;;
        -h | --help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done

fail() {
    echo "install.sh: $*" >&2
    exit 1
}

here=$(CDPATH='' cd -- "$(dirname -- "$0")" && pwd)
bundles="Ryvel.vst3 Ryvel.lv2"

if [ "$system" = 1 ]; then
    vst3_dir=/usr/lib/vst3
    lv2_dir=/usr/lib/lv2
    [ "$(id -u)" = 0 ] || fail "--system needs root: run it with sudo"
    # The system folders of the Debian package belong to dpkg; overwriting or deleting them
    # behind its back would leave it with a wrong list of files.
    if command -v dpkg-query >/dev/null 2>&1 &&
        dpkg-query -W -f='${Status}' ryvel 2>/dev/null | grep -q 'install ok installed'; then
        fail "the Debian package 'ryvel' is installed there; use 'apt remove ryvel' instead"
    fi
else
    [ -n "${HOME:-}" ] || fail "HOME is not set"
    vst3_dir="$HOME/.vst3"
    lv2_dir="$HOME/.lv2"
fi

destination() {
    case "$1" in
        *.vst3) echo "$vst3_dir" ;;
        *) echo "$lv2_dir" ;;
    esac
}

if [ "$uninstall" = 1 ]; then
    for bundle in $bundles; do
        dir=$(destination "$bundle")
        if [ -e "$dir/$bundle" ] || [ -L "$dir/$bundle" ]; then
            rm -rf -- "${dir:?}/$bundle"
            echo "Removed $dir/$bundle"
        fi
        # A folder made for Ryvel alone goes too; one that holds other plug-ins stays. The
        # system folders are shared with packages, so they always stay.
        if [ "$system" = 0 ] && [ -d "$dir" ]; then
            rmdir -- "$dir" 2>/dev/null || true
        fi
    done
    echo "Your presets and settings in ~/Documents/Corvane Audio/Ryvel were kept."
    exit 0
fi

for bundle in $bundles; do
    [ -d "$here/$bundle" ] || fail "$here/$bundle is missing; run install.sh from the unpacked archive"
done

staged=""
cleanup() {
    if [ -n "$staged" ]; then rm -rf -- "$staged"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for bundle in $bundles; do
    dir=$(destination "$bundle")
    mkdir -p -- "$dir"
    staged="$dir/.$bundle.installing.$$"
    rm -rf -- "$staged"
    cp -R -- "$here/$bundle" "$staged"
    # Readable by every user and host whatever the umask; binaries keep their execute bit.
    chmod -R u+rwX,go+rX,go-w -- "$staged"
    rm -rf -- "${dir:?}/$bundle"
    mv -- "$staged" "$dir/$bundle"
    staged=""
    echo "Installed $dir/$bundle"
done
echo "Let your host scan for new plug-ins to find Ryvel."
