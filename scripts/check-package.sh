#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package in a build folder configured for the prefix /usr
# (cpack -G DEB) and checks it without installing it: its control fields,
# every file it holds, and its menu entry and AppStream data as the
# validators read them.
#
# Usage: scripts/check-package.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_FOLDER}" && pwd)
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
id=$(cache KELVARA_APP_ID)
version=$(cache CMAKE_PROJECT_VERSION)
errors=0
fail() {
    echo "package: $*" >&2
    errors=$((errors + 1))
}

rm -f "$build"/kelvara_*.deb
if ! output=$(cd "$build" && cpack -G DEB 2>&1); then
    echo "$output" >&2
    exit 1
fi
deb=$build/kelvara_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { echo "package: cpack made no $deb" >&2; exit 1; }

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == kelvara ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture"
[[ $(field Section) == graphics ]] || fail "Section is '$(field Section)'"
[[ $(field Maintainer) =~ ^The\ Kelvara\ developers\ \<[^@\ ]+@[^@\ ]+\>$ ]] ||
    fail "Maintainer is '$(field Maintainer)'"
description=$(field Description)
[[ $(head -n1 <<<"$description") == *"shooting date"* ]] || fail "Description's summary"
(($(wc -l <<<"$description") > 2)) || fail "Description has no long part"
# From the program's own libraries (dpkg-shlibdeps), the image plugins and
# Qt's catalogs.
depends=$(field Depends)
for package in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libexiv2-27 libheif1 \
    libraw20 libxcb1 libxcb-xinput0 qt6-image-formats-plugins qt6-translations-l10n; do
    [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
        fail "Depends lacks $package: $depends"
done

# Exactly these files, all under /usr, none writable by others.
expected=(
    ./usr/bin/kelvara
    "./usr/share/applications/$id.desktop"
    "./usr/share/metainfo/$id.metainfo.xml"
    "./usr/share/icons/hicolor/scalable/apps/$id.svg"
    ./usr/share/doc/kelvara/README.md
    ./usr/share/doc/kelvara/LICENSE
    ./usr/share/doc/kelvara/copyright
)
for size in 16 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
mapfile -t files < <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
mapfile -t wanted < <(printf '%s\n' "${expected[@]}" | sort)
[[ ${files[*]} == "${wanted[*]}" ]] ||
    fail "contents differ: $(diff <(printf '%s\n' "${wanted[@]}") <(printf '%s\n' "${files[@]}") || true)"
dpkg-deb --contents "$deb" | awk '$1 ~ /^.......w/ {print $6}' | grep . &&
    fail "files writable by others"
mode=$(dpkg-deb --contents "$deb" | awk '$6 == "./usr/bin/kelvara" {print $1}')
[[ $mode == -rwxr-xr-x ]] || fail "the program's mode is $mode"

# What the desktops and software centres read, as their validators see it.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb --extract "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/$id.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
grep -q '^MimeType=' "$unpacked/usr/share/applications/$id.desktop" &&
    fail "the menu entry claims MIME types"
appstreamcli validate --no-net --pedantic "$unpacked/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "appstreamcli rejects the metainfo"
info=$(file -b "$unpacked/usr/bin/kelvara")
[[ $info == ELF* && $info == *", stripped"* ]] || fail "the program is not a stripped ELF: $info"
cmp -s "$unpacked/usr/share/doc/kelvara/LICENSE" "$(dirname "$0")/../LICENSE" ||
    fail "the licence differs from LICENSE"

((errors == 0)) || exit 1
echo "$(basename "$deb"): control fields and contents as expected"
