#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs whatever Debian package of scripts/packages.txt is missing, then
# configures build/ and builds the program there (not the tests and
# benchmarks, which the test command builds). Safe to run again: it installs
# and rebuilds only what is needed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The program's packages; with KELVARA_SETUP_TESTS=1 (the test command)
# those of the tests too.
lists=("$root/scripts/packages.txt")
[[ ${KELVARA_SETUP_TESTS:-0} == 1 ]] && lists+=("$root/scripts/packages-test.txt")
mapfile -t wanted < <(cat "${lists[@]}" | grep -v -e '^#' -e '^\s*$')
missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# build [dir] [cmake options...]: configure once, then build the program.
build() {
    local dir=$1
    shift
    if [[ ! -f $dir/CMakeCache.txt ]]; then
        cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$(nproc)" --target Kelvara
}

if [[ ${KELVARA_SETUP_ONLY:-0} != 1 ]]; then
    build "$root/build" -DKELVARA_WERROR=ON
fi
