#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Kelvara and runs every test: once as built,
# once under AddressSanitizer and UndefinedBehaviorSanitizer, and the thread
# tests under ThreadSanitizer. Everything runs under a virtual X server. The
# Debian package is made from the first build and checked without being
# installed (scripts/check-package.sh). Last, the fuzz targets run for a
# minute each (scripts/fuzz.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

KELVARA_SETUP_ONLY=1 KELVARA_SETUP_TESTS=1 "$root/scripts/setup.sh"

echo "== Formatting"
"$root/scripts/check-format.sh"

# configure_and_build DIR [cmake options...] [-- targets...]
configure_and_build() {
    local dir=$1
    shift
    local options=() targets=()
    while (($#)) && [[ $1 != -- ]]; do options+=("$1"); shift; done
    (($#)) && shift && targets=("$@")
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARA_WERROR=ON "${options[@]}" >/dev/null
    if ((${#targets[@]})); then
        cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
    else
        cmake --build "$dir" -j "$jobs"
    fi
}

# run_ctest DIR [ctest options...]: under a fresh virtual X server, which
# must not reset when its last client leaves (a program starting in that
# instant could not connect).
run_ctest() {
    local dir=$1
    shift
    (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$jobs" "$@")
}

echo "== Tests"
# Built for the prefix a Debian package installs into, so that the package
# can be made from it.
configure_and_build "$root/build" -DCMAKE_INSTALL_PREFIX=/usr
run_ctest "$root/build"

echo "== Debian package"
"$root/scripts/check-package.sh" "$root/build"

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build "$root/build-asan" -DKELVARA_SANITIZE=address,undefined -DKELVARA_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
    run_ctest "$root/build-asan"

echo "== Thread tests under ThreadSanitizer"
# Only the thread tests run here, so only they (and the program) are built.
mapfile -t thread_tests < <(find "$root/tests" -name '*_thread_test.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
configure_and_build "$root/build-tsan" -DKELVARA_SANITIZE=thread -DKELVARA_BENCH=OFF -- Kelvara "${thread_tests[@]}"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest "$root/build-tsan" -L thread

echo "== Fuzzing under AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/fuzz.sh"
