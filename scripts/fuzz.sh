#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets of fuzz/ with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, replays every kept regression
# input, then fuzzes each target for a bounded time (KELVARA_FUZZ_SECONDS,
# 60 by default), as many at once as there are cores. Any crash, leak, hang
# or broken promise fails the run; its input is left in build-fuzz/artifacts/.
#
# The seed comes from the commit (its first 8 hex digits as a number), so
# that each commit explores inputs the one before did not, and the same
# commit always repeats the same inputs; it is printed, and
# KELVARA_FUZZ_SEED=N replays a run with another. Outside a git checkout the
# seed is 1.
#
# Usage: scripts/fuzz.sh [TARGET...]   (default: every target)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)
seconds=${KELVARA_FUZZ_SECONDS:-60}
photos=$root/tests/data
build=$root/build-fuzz
artifacts=$build/artifacts

if [[ -n ${KELVARA_FUZZ_SEED:-} ]]; then
    seed=$KELVARA_FUZZ_SEED
elif commit=$(git -C "$root" rev-parse --verify -q HEAD 2>/dev/null); then
    seed=$((16#${commit:0:8}))
    # libFuzzer takes 0 as "pick one at random", which could not be replayed.
    ((seed != 0)) || seed=1
else
    seed=1
fi

targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in "$root"/fuzz/*_fuzz.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name%_fuzz}")
    done
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DKELVARA_WERROR=ON -DKELVARA_FUZZ=ON -DKELVARA_SANITIZE=address,undefined \
    -DKELVARA_TESTS=OFF -DKELVARA_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]/%/_fuzz}" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The corpus to start from: the committed seeds, the inputs that once
# crashed, and for photos every sample file of tests/data, the hostile ones
# included (copied: libFuzzer adds its finds to the first corpus folder,
# which must never be the repository's own). The samples are numbered in
# sorted order, not in the order the folder lists them: that order differs
# from one clone to the next, and with it the inputs a fixed seed makes.
prepare_corpus() {
    local target=$1 corpus=$work/$1
    mkdir -p "$corpus"
    [[ -d $root/fuzz/seeds/$target ]] && cp "$root/fuzz/seeds/$target"/* "$corpus"/
    [[ -d $root/fuzz/regressions/$target ]] && find "$root/fuzz/regressions/$target" -type f \
        -exec cp {} "$corpus"/ \;
    if [[ $target == photo ]]; then
        [[ -d $photos ]] || { echo "no sample photos in $photos" >&2; return 1; }
        local i=0
        while IFS= read -r -d '' photo; do
            cp "$photo" "$corpus/photo$((i++))"
        done < <(find "$photos" -type f ! -name '*.md' ! -name README -print0 | LC_ALL=C sort -z)
    fi
}

# At most this many inputs per target, so that the test command's run stays
# as long as runs that went clean here with several seeds (raise them only
# after clean longer runs).
declare -A most_runs=([commatext]=1900000 [handoff_frame]=14000000 [inifile]=480000 [photo]=135000)

# run_target NAME: replays the regressions, then fuzzes; the log goes to
# build-fuzz/NAME.log.
run_target() {
    local target=$1 exe=$build/fuzz/${1}_fuzz log=$build/$1.log
    # The commit's seed: the same commit repeats the same inputs in the same
    # order, so a failure can be replayed.
    local options=(-seed="$seed" -timeout=25 -rss_limit_mb=2560 -artifact_prefix="$artifacts/$target-")
    [[ -f $root/fuzz/$target.dict ]] && options+=(-dict="$root/fuzz/$target.dict")
    {
        local regressions=()
        [[ -d $root/fuzz/regressions/$target ]] &&
            mapfile -t regressions < <(find "$root/fuzz/regressions/$target" -type f | LC_ALL=C sort)
        if ((${#regressions[@]})); then
            "$exe" "${options[@]}" "${regressions[@]}"
        fi
        prepare_corpus "$target"
        local limit=()
        [[ -n ${most_runs[$target]:-} ]] && limit=(-runs="${most_runs[$target]}")
        "$exe" "${options[@]}" "${limit[@]}" -max_total_time="$seconds" -print_final_stats=1 \
            "$work/$target"
    } >"$log" 2>&1
}

echo "== Fuzzing ${targets[*]} for ${seconds}s each, seed $seed (KELVARA_FUZZ_SEED=$seed replays it)"
declare -A pids
failed=()
for target in "${targets[@]}"; do
    while (($(jobs -rp | wc -l) >= jobs)); do
        wait -n || true
    done
    run_target "$target" &
    pids[$target]=$!
done
for target in "${targets[@]}"; do
    if wait "${pids[$target]}"; then
        echo "$target: $(grep -E '^stat::number_of_executed_units' "$build/$target.log" | awk '{print $2}') runs, no crash"
    else
        failed+=("$target")
        echo "$target: FAILED (log: $build/$target.log)"
        tail -n 40 "$build/$target.log"
    fi
done
((${#failed[@]} == 0))
