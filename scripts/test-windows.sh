#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Windows edition (scripts/build-windows.sh) and runs its tests
# with ctest in build-windows/: the cross-built GoogleTest programs and the
# end-to-end test of Kelvara.exe, all under Wine (64-bit) and a virtual X
# server. The Wine prefix is made fresh for the run, in a temporary folder,
# and removed afterwards; its registry gets the Japanese UI fonts mapped to
# IPAGothic, so that the Japanese captions show.
#
# Where Wine cannot be had, the tests are skipped with one line.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KELVARA_WINDOWS_BUILD:-$root/build-windows}

"$root/scripts/build-windows.sh"

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
if [[ ! -x $wine || ! -x $wineserver ]] || ! command -v xvfb-run >/dev/null; then
    echo "SKIPPED: the Windows tests need wine64 and xvfb-run, which are not installed"
    exit 0
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/kelvara-wine.XXXXXX")
cleanup() {
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko: nothing here needs .NET or HTML, and Wine would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The tests read the program's texts in English; the names are the same in
# every language.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# The fonts the window asks for, as IPAGothic (UTF-16, as regedit reads it).
fonts=$prefix/fonts.reg
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    for face in 'MS UI Gothic' 'MS Gothic' 'ＭＳ ゴシック' 'ＭＳ Ｐゴシック'; do
        printf '"%s"="IPAGothic"\r\n' "$face"
    done
} | iconv -f UTF-8 -t UTF-16 >"$fonts"

echo "== Windows tests under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
    set -euo pipefail
    # One server for the whole run: every program after the first starts fast.
    "$1" -p
    "$2" wineboot --init >/dev/null 2>&1
    "$2" regedit /S "$(WINEPREFIX=$WINEPREFIX "$2" winepath -w "$3")" >/dev/null 2>&1
    cd "$4" && ctest --output-on-failure -L wine
' _ "$wineserver" "$wine" "$fonts" "$build"
