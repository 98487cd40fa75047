#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the two image libraries the toolkit needs for the Windows edition, which Debian does
# not ship for mingw-w64: libpng and libjpeg-turbo, from Debian's own source packages.
#
#   scripts/build-mingw-deps.sh [OUTPUT_FOLDER]     (default: build/mingw-deps)
#
# Writes OUTPUT_FOLDER/prefix/{include,lib}. The sources are fetched with apt-get source through
# a private apt configuration inside OUTPUT_FOLDER (the system's apt setup is neither read for
# sources nor changed). Versions are pinned, and every fetched file is checked: the .dsc against
# the SHA-256 below, the tarballs against the SHA-256 the .dsc lists. Does nothing when the
# pinned versions are already built there.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="${1:-$root/build/mingw-deps}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# source package, version, SHA-256 of its .dsc
packages=(
    "libpng1.6 1.6.39-2+deb12u5 7b86211030a34deb6b0a2cd7e1d9db0fe92443fd30cab537fb89b1e7f7c9f188"
    "libjpeg-turbo 1:2.1.5-2 d718ead0dfbcbc8523665c02a7f7152e31039ded641d022868722623bb3b486d"
)
triple=x86_64-w64-mingw32
prefix="$out/prefix"
stamp="$prefix/.built-from"
wanted_stamp="$(printf '%s\n' "${packages[@]}")"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted_stamp" ]; then
    exit 0
fi

for tool in "$triple-gcc-posix" dpkg-source cmake ninja make; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "build-mingw-deps: $tool is missing (scripts/setup.sh --windows installs it)" >&2
        exit 1
    fi
done

# --- fetching, through a private apt configuration -------------------------------------------
apt_dir="$out/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
cat >"$apt_dir/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
LIST
apt_options=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/no-parts"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Acquire::Languages=none"
)
# apt hands downloads to its unprivileged user, which cannot write to a private folder of root.
if [ "$(id -u)" -eq 0 ]; then
    apt_options+=(-o "APT::Sandbox::User=root")
fi

src="$out/src"
mkdir -p "$src"
need_fetch=0
for entry in "${packages[@]}"; do
    read -r name version _ <<<"$entry"
    [ -f "$src/${name}_${version#*:}.dsc" ] || need_fetch=1
done
if [ "$need_fetch" -eq 1 ]; then
    apt-get "${apt_options[@]}" -qq update
    specs=()
    for entry in "${packages[@]}"; do
        read -r name version _ <<<"$entry"
        specs+=("$name=$version")
    done
    (cd "$src" && apt-get "${apt_options[@]}" -qq source --download-only "${specs[@]}")
fi

# --- checking what was fetched ---------------------------------------------------------------
for entry in "${packages[@]}"; do
    read -r name version dsc_sha <<<"$entry"
    dsc="$src/${name}_${version#*:}.dsc"
    echo "$dsc_sha  $dsc" | sha256sum --quiet -c -
    # The .dsc's Checksums-Sha256 field: one " <sha256> <size> <file>" line per file.
    sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc" |
        while read -r sha _ file; do
            echo "$sha  $src/$file" | sha256sum --quiet -c -
        done
done

# --- building ----------------------------------------------------------------------------------
work="$out/work"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
unpack() { # name version -> unpacked folder
    local folder="$work/$1"
    dpkg-source --no-check -q -x "$src/${1}_${2#*:}.dsc" "$folder" >/dev/null
    echo "$folder"
}
jobs="$(nproc)"

# libpng: its own configure script, static only, against the mingw zlib.
png_src="$(unpack libpng1.6 1.6.39-2+deb12u5)"
(
    cd "$png_src"
    ./configure --host=$triple --prefix="$prefix" --enable-static --disable-shared \
        --disable-tools CC="$triple-gcc-posix" CFLAGS="-O2" >/dev/null
    make -j"$jobs" >/dev/null
    make install >/dev/null
)

# libjpeg-turbo: CMake, static only; no SIMD (its assembly needs nasm, and the toolkit decodes
# no JPEG in the editor's normal use).
jpeg_src="$(unpack libjpeg-turbo 1:2.1.5-2)"
cmake -S "$jpeg_src" -B "$work/jpeg-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -Wno-dev >/dev/null
cmake --build "$work/jpeg-build" -j"$jobs" >/dev/null
cmake --install "$work/jpeg-build" >/dev/null
# The toolkit reads libjpeg's internal declarations too (Debian's libjpeg-dev installs them).
cp "$jpeg_src/jpegint.h" "$prefix/include/"

# The toolkit includes jpeglib.h inside a namespace of its own. When <rpcndr.h> has already
# defined ::boolean, jconfig.h defines no boolean at all, and the namespace's declarations would
# name a type it does not have: give that namespace the global one.
jconfig="$prefix/include/jconfig.h"
python3 - "$jconfig" <<'PY'
import sys
path = sys.argv[1]
text = open(path).read()
old = "#ifndef __RPCNDR_H__            /* don't conflict if rpcndr.h already read */\ntypedef unsigned char boolean;\n#endif"
new = ("#ifndef __RPCNDR_H__            /* don't conflict if rpcndr.h already read */\n"
       "typedef unsigned char boolean;\n"
       "#elif defined(__cplusplus)\n"
       "typedef ::boolean boolean;\n"
       "#endif")
if old not in text:
    sys.exit("build-mingw-deps: jconfig.h does not have the expected boolean block")
open(path, "w").write(text.replace(old, new))
PY

rm -rf "$work"
echo "$wanted_stamp" >"$stamp"
echo "build-mingw-deps: libpng and libjpeg-turbo for $triple in $prefix"
