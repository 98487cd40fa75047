#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the packages in dist/ (from scripts/package) the ways a user would and checks what a
# user and a host get:
#   contents  what each package holds; the .deb's Depends stay within the C and C++ runtimes
#   tarball   install.sh with a temporary HOME (twice), the installed VST 3 and LV2 bundles render
#             the demo bit-identically to the build tree's module, lv2info finds the installed
#             LV2, --uninstall leaves nothing behind and spares other plug-ins
#   deb       dpkg -i; Ardour finds the bundle in /usr/lib/vst3 by itself and its scanner indexes
#             it; lv2ls lists the LV2; install.sh --system keeps off the package's files; dpkg -r
#             removes every file; install.sh --system and --uninstall in the system folders.
#             Installs packages, so it runs only as root (CI) and is skipped elsewhere.
#   zip       the Windows zip's entries, its module identical to the Windows build's, its
#             resources the Linux bundle's, no Linux binary in it, the notices of what the
#             Windows module links; skipped when scripts/package wrote no zip (no Windows build)
#
# Usage: tests/packaging/check-packages.sh [--build-dir <dir>] [--windows-build-dir <dir>]
#                                          [contents|tarball|deb|zip]...
#   (all four by default). The build folder (default build/release) is the one scripts/package
#   packed; its ryvel-render and modules are the reference. The Windows build folder (default
#   build/windows-release) holds the module the zip must carry.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
here="$root/tests/packaging"
build="$root/build/release"
windows_build="$root/build/windows-release"
parts=()
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) build="$(realpath -m "$2")"; shift 2 ;;
        --windows-build-dir) windows_build="$(realpath -m "$2")"; shift 2 ;;
        contents | tarball | deb | zip) parts+=("$1"); shift ;;
        *) echo "usage: $0 [--build-dir <dir>] [--windows-build-dir <dir>] [contents|tarball|deb|zip]..." >&2; exit 2 ;;
    esac
done
[ ${#parts[@]} -gt 0 ] || parts=(contents tarball deb zip)

fail() { echo "FAILED: $*" >&2; exit 1; }
pass() { echo "PASSED: $*"; }

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)"
[ -n "$version" ] || fail "no configured build in $build"
name="ryvel-$version-linux-x86_64"
tarball="$root/dist/$name.tar.gz"
deb="$root/dist/ryvel_${version}_amd64.deb"
render="$build/tools/render/ryvel-render"
uri="https://corvane-audio.com/plugins/ryvel"
for file in "$tarball" "$deb"; do
    [ -f "$file" ] || fail "$file is missing; run scripts/package first"
done
[ -x "$render" ] || fail "$render is missing; build the target ryvel-render"

work="$(mktemp -d)"
deb_installed=0
cleanup() {
    if [ "$deb_installed" = 1 ]; then dpkg -r ryvel >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir "$work/unpacked"
tar -C "$work/unpacked" -xzf "$tarball"
tree="$work/unpacked/$name"
[ -d "$tree" ] || fail "the tarball does not unpack into $name/"

# A listing of a folder's entries with their sizes and modes, to compare folders over time.
snapshot() { (cd "$1" && find . -mindepth 1 -printf '%P %y %s %m\n' | LC_ALL=C sort); }

check_contents() {
    local extra file
    extra="$(tar -tzf "$tarball" | grep -v "^$name/" || true)"
    [ -z "$extra" ] || fail "the tarball holds entries outside $name/: $extra"
    for file in install.sh LICENSE THIRD-PARTY-NOTICES manual.md \
        Ryvel.vst3/Contents/x86_64-linux/Ryvel.so Ryvel.lv2/manifest.ttl \
        Ryvel.lv2/ryvel-dsp.so Ryvel.lv2/ryvel-ui.so; do
        [ -f "$tree/$file" ] || fail "the tarball lacks $file"
    done
    [ -x "$tree/install.sh" ] || fail "install.sh in the tarball is not executable"

    extra="$(dpkg-deb -c "$deb" | awk '{print $6}' |
        grep -vxE '\./(usr/|usr/lib/|usr/lib/vst3/|usr/lib/lv2/|usr/share/|usr/share/doc/)?' |
        grep -vxE '\./usr/share/lintian/(overrides/(ryvel)?)?' |
        grep -vE '^\./usr/(lib/vst3/Ryvel\.vst3|lib/lv2/Ryvel\.lv2|share/doc/ryvel)(/|$)' || true)"
    [ -z "$extra" ] || fail "the .deb installs files outside its folders: $extra"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the .deb's version is not $version"
    # The binaries may need only the C library and the C++ runtime; anything else is a
    # distribution-specific library the portable build must not link.
    local depends
    depends="$(dpkg-deb -f "$deb" Depends)"
    grep -qE '(^|, )libc6 \(>= 2\.35\)' <<<"$depends" || fail "Depends lacks libc6 (>= 2.35): $depends"
    extra="$(tr ',' '\n' <<<"$depends" | sed -E 's/^ *([^ ]+).*/\1/' |
        grep -vxE 'libc6|libstdc\+\+6|libgcc-s1' || true)"
    [ -z "$extra" ] || fail "the .deb depends on more than the C and C++ runtimes: $depends"

    # Both packages carry the same bundles.
    dpkg-deb -x "$deb" "$work/deb-tree"
    diff -r "$tree/Ryvel.vst3" "$work/deb-tree/usr/lib/vst3/Ryvel.vst3" >/dev/null ||
        fail "the tarball's and the .deb's Ryvel.vst3 differ"
    diff -r "$tree/Ryvel.lv2" "$work/deb-tree/usr/lib/lv2/Ryvel.lv2" >/dev/null ||
        fail "the tarball's and the .deb's Ryvel.lv2 differ"
    pass "both packages hold the bundles, the .deb depends on: $depends"
}

# Renders the demo loop with the demo's pattern through <bundle> into <output>.
render_demo() {
    HOME="$work/render-home" "$render" --no-progress --plugin "$1" --tempo 120 \
        --set "V1 Step 3=1" --set "V1 Step 6=1" --set "V1 Pan=0.25" --set "V1 Filter=0.8" \
        --set "V1 Gain=0.6" \
        --set "V2 Step 4=1" --set "V2 Pan=0.8" --set "V2 Filter=0.65" --set "V2 Reso=0.45" \
        --set "V2 Gain=0.5" \
        --set "V3 Step 8=1" --set "V3 Filter=0.45" --set "V3 Drive=0.35" --set "V3 Gain=0.45" \
        --set "V4 Step 7=1" --set "V4 Pan=0.9" --set "V4 Filter=0.9" --set "V4 Reso=0.6" \
        --set "V4 Gain=0.3" \
        --set "Mix=0.4" --set "HP=0.2" \
        "$work/loop.wav" "$2" >/dev/null || fail "ryvel-render failed with $1"
}

check_tarball() {
    local home="$work/home" listing other
    mkdir -p "$home" "$work/render-home"
    HOME="$home" "$tree/install.sh" >/dev/null || fail "install.sh failed"
    diff -r "$tree/Ryvel.vst3" "$home/.vst3/Ryvel.vst3" >/dev/null || fail "the installed Ryvel.vst3 differs from the tarball's"
    diff -r "$tree/Ryvel.lv2" "$home/.lv2/Ryvel.lv2" >/dev/null || fail "the installed Ryvel.lv2 differs from the tarball's"
    listing="$(snapshot "$home")"
    HOME="$home" "$tree/install.sh" >/dev/null || fail "install.sh failed over an installed copy"
    [ "$(snapshot "$home")" = "$listing" ] || fail "a second install.sh changed what the first installed"

    "$render" --make-demo-loop "$work/loop.wav" >/dev/null || fail "ryvel-render made no demo loop"
    render_demo "$build/Ryvel.vst3" "$work/build.wav"
    render_demo "$home/.vst3/Ryvel.vst3" "$work/installed-vst3.wav"
    render_demo "$home/.lv2/Ryvel.lv2" "$work/installed-lv2.wav"
    cmp -s "$work/build.wav" "$work/installed-vst3.wav" ||
        fail "the installed VST 3 module renders other samples than the build tree's"
    cmp -s "$work/build.wav" "$work/installed-lv2.wav" ||
        fail "the installed LV2 bundle renders other samples than the build tree's VST 3 module"

    # The LV2 core's own bundles name the plug-in's class; only the temporary ~/.lv2 can answer
    # for Ryvel.
    local info
    info="$(LV2_PATH="$home/.lv2:/usr/lib/lv2" lv2info "$uri" 2>&1)" || fail "lv2info: $info"
    grep -qE '^[[:space:]]*Name:[[:space:]]+Ryvel$' <<<"$info" || fail "lv2info shows no name Ryvel"
    grep -qF "file://$home/.lv2/Ryvel.lv2/" <<<"$info" || fail "lv2info does not use the installed bundle"

    HOME="$home" "$tree/install.sh" --uninstall >/dev/null || fail "install.sh --uninstall failed"
    listing="$(snapshot "$home")"
    [ -z "$listing" ] || fail "install.sh --uninstall left behind: $listing"

    # Folders shared with other plug-ins keep them.
    mkdir -p "$home/.vst3/Other.vst3" "$home/.lv2/other.lv2"
    echo other >"$home/.lv2/other.lv2/manifest.ttl"
    other="$(snapshot "$home")"
    HOME="$home" "$tree/install.sh" >/dev/null && HOME="$home" "$tree/install.sh" --uninstall >/dev/null ||
        fail "install.sh beside other plug-ins failed"
    [ "$(snapshot "$home")" = "$other" ] || fail "install.sh --uninstall touched other plug-ins"
    pass "install.sh installs both bundles; they render the build's samples; lv2info lists the" \
        "LV2; --uninstall leaves nothing behind"
}

check_deb() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIPPED: the .deb test installs and removes a system package; it runs only as root (CI)"
        return 0
    fi
    local scanner="${RYVEL_ARDOUR_SCANNER:-/usr/lib/ardour7/ardour-vst3-scanner}" tool
    for tool in dpkg ardour7-lua "$scanner" lv2ls lv2info; do
        command -v "$tool" >/dev/null 2>&1 ||
            fail "$tool is missing: the .deb test needs Debian's 'ardour' and 'lilv-utils'"
    done
    if dpkg-query -W -f='${Status}' ryvel 2>/dev/null | grep -q 'ok installed' ||
        [ -e /usr/lib/vst3/Ryvel.vst3 ] || [ -e /usr/lib/lv2/Ryvel.lv2 ]; then
        fail "a Ryvel is already installed in the system folders; remove it before this test"
    fi
    # Folders the package shares with others stay after its removal; everything else goes.
    local path
    dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' | sed 's|/$||' | while read -r path; do
        [ -z "$path" ] || [ ! -e "$path" ] || echo "$path"
    done >"$work/existing"

    dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
    deb_installed=1
    dpkg -L ryvel >"$work/files"

    # Ardour, with a fresh configuration and cache, looks in its default VST 3 folders.
    local ahome="$work/ardour-home"
    mkdir -p "$ahome"
    ardour() {
        HOME="$ahome" XDG_CONFIG_HOME="$ahome/.config" XDG_CACHE_HOME="$ahome/.cache" \
            XDG_DATA_HOME="$ahome/.local/share" "$@"
    }
    ardour timeout 60 ardour7-lua "$here/ardour-list-plugins.lua" >"$work/discover.log" 2>&1 ||
        { tail -n 20 "$work/discover.log"; fail "ardour7-lua failed"; }
    local scan_log found
    scan_log="$(find "$ahome" -path '*plugin_metadata/scan_log' | head -n 1)"
    [ -n "$scan_log" ] || fail "Ardour wrote no scan log"
    found="$(sed -n 's/.*type="VST3" path="\([^"]*Ryvel\.vst3\)".*/\1/p' "$scan_log")"
    [ "$found" = /usr/lib/vst3/Ryvel.vst3 ] || fail "Ardour found Ryvel.vst3 at '$found'"

    # What Ardour runs on a new bundle, with the path Ardour found.
    local output cache
    output="$(ardour env LD_LIBRARY_PATH="$(dirname "$scanner")" "$scanner" -f -v "$found" 2>&1)" ||
        { echo "$output"; fail "the scanner failed"; }
    if grep -q '^\[ERROR\]' <<<"$output" || ! grep -q 'Found Plugin: Ryvel' <<<"$output"; then
        echo "$output"
        fail "the scanner did not index Ryvel"
    fi
    cache="$(find "$ahome" -name '*.v3i' -exec cat {} +)"
    for expected in 'name="Ryvel"' 'vendor="Corvane' 'category="Fx|Delay"' "version=\"$version\"" \
        'n_inputs="2"' 'n_outputs="2"'; do
        grep -qF "$expected" <<<"$cache" || fail "the scanner's cache lacks $expected"
    done
    # From the cache, Ardour now offers the plug-in.
    ardour timeout 60 ardour7-lua "$here/ardour-list-plugins.lua" >"$work/list.log" 2>&1 ||
        { tail -n 20 "$work/list.log"; fail "ardour7-lua failed"; }
    grep -qF "RYVEL-PLUGIN Ryvel | Corvane | /usr/lib/vst3/Ryvel.vst3/Contents/x86_64-linux/Ryvel.so |" \
        "$work/list.log" || { grep RYVEL-PLUGIN "$work/list.log"; fail "Ardour does not offer Ryvel"; }

    output="$(ardour lv2ls)"
    grep -qxF "$uri" <<<"$output" || fail "lv2ls does not list $uri"
    output="$(ardour lv2info "$uri" 2>&1)"
    grep -qF "file:///usr/lib/lv2/Ryvel.lv2/" <<<"$output" ||
        fail "lv2info does not use /usr/lib/lv2/Ryvel.lv2"

    if "$tree/install.sh" --system >/dev/null 2>&1; then
        fail "install.sh --system overwrote the package's files"
    fi
    dpkg --verify ryvel || fail "the package's files changed"

    dpkg -r ryvel >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -r failed"; }
    deb_installed=0
    while read -r path; do
        [ "$path" = /. ] || grep -qxF "$path" "$work/existing" || [ ! -e "$path" ] ||
            fail "dpkg -r left $path"
    done <"$work/files"
    # Nor anything the package made at run time.
    for path in /usr/lib/vst3/Ryvel.vst3 /usr/lib/lv2/Ryvel.lv2 /usr/share/doc/ryvel; do
        [ ! -e "$path" ] || fail "dpkg -r left $path"
    done

    "$tree/install.sh" --system >/dev/null || fail "install.sh --system failed"
    for path in /usr/lib/vst3/Ryvel.vst3/Contents/x86_64-linux/Ryvel.so /usr/lib/lv2/Ryvel.lv2/ryvel-ui.so; do
        [ "$(stat -c %A "$path" | cut -c8)" = r ] || fail "$path is not readable by every user"
    done
    "$tree/install.sh" --system --uninstall >/dev/null || fail "install.sh --system --uninstall failed"
    [ ! -e /usr/lib/vst3/Ryvel.vst3 ] && [ ! -e /usr/lib/lv2/Ryvel.lv2 ] ||
        fail "install.sh --system --uninstall left a bundle"
    grep -qxF /usr/lib/vst3 "$work/existing" || rmdir /usr/lib/vst3
    pass "dpkg installs the .deb; Ardour finds and indexes Ryvel in /usr/lib/vst3; lv2ls lists" \
        "it; dpkg -r removes every file; install.sh --system installs and uninstalls"
}

check_zip() {
    local zip_file="$root/dist/ryvel-$version-windows-x64.zip"
    local module=Ryvel.vst3/Contents/x86_64-win/Ryvel.vst3 entries extra file elf listing
    if [ ! -f "$zip_file" ]; then
        echo "SKIPPED: no $(basename "$zip_file") (scripts/package writes it only from a Windows build)"
        return 0
    fi
    [ -f "$windows_build/$module" ] || fail "the zip exists but $windows_build/$module does not"
    entries="$(unzip -Z1 "$zip_file")" || fail "unzip cannot list $zip_file"
    mapfile -t listing <<<"$entries"
    echo "$(basename "$zip_file"):"
    printf '  %s\n' "${listing[@]}"
    extra="$(grep -vxE 'LICENSE|THIRD-PARTY-NOTICES|manual\.md|(manual|Ryvel\.vst3)/.*' <<<"$entries" || true)"
    [ -z "$extra" ] || fail "the zip holds more than the bundle, the licence, the notices and the manual: $extra"
    for file in LICENSE THIRD-PARTY-NOTICES manual.md "$module"; do
        grep -qxF "$file" <<<"$entries" || fail "the zip lacks $file"
    done
    mkdir "$work/zip"
    unzip -q "$zip_file" -d "$work/zip"
    cmp -s "$work/zip/$module" "$windows_build/$module" ||
        fail "the zip's module differs from $windows_build/$module"
    diff -r "$work/zip/Ryvel.vst3/Contents/Resources" "$tree/Ryvel.vst3/Contents/Resources" >/dev/null ||
        fail "the zip's Resources differ from the Linux bundle's"
    elf="$(find "$work/zip" -type f -exec sh -c \
        'for f; do [ "$(head -c 4 "$f" | od -An -tx1 | tr -d " ")" != 7f454c46 ] || echo "$f"; done' sh {} +)"
    [ -z "$elf" ] || fail "the zip holds Linux binaries: $elf"
    # The module links these statically, so their notices must travel with it.
    for file in "Files: mingw-w64/mingw-w64-libraries/winpthreads/*" "License: GPL-3+ with GCC-exception-3.1" \
        "GCC RUNTIME LIBRARY EXCEPTION" "Files: libpng/*" "Files: libjpeg-turbo/*" \
        "Independent JPEG Group" "Files: zlib/*" "License: Zlib" "License: ZPL-2.1" "License: OFL-1.1" \
        "Files: juce/modules/juce_audio_processors/format_types/VST3_SDK/*"; do
        grep -qF "$file" "$work/zip/THIRD-PARTY-NOTICES" || fail "the zip's notices lack '$file'"
    done
    pass "the zip holds the Windows build's module, the Linux bundle's resources, the notices and" \
        "the manual, and no Linux binary"
}

for part in "${parts[@]}"; do
    "check_$part"
done
