#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz harness of a build made with -DAMPORA_FUZZ=ON for a bounded time, starting from
# its seed corpus, and fails when one finds a crash, a leak, a hang or a broken round trip.
#   tests/fuzz/run-fuzzers.sh <build folder> [seconds per harness, default 60] [harness...]
# New inputs go to <build folder>/fuzz/corpus/<harness>, findings to <build folder>/fuzz/findings;
# the seed corpus in the source tree is only read. A finding is replayed with
#   <build folder>/tests/fuzz/<harness> <finding file>
# FUZZ_SEED fixes libFuzzer's random seed, so that a run (as in CI) tries the same inputs each
# time and fails only on a change to the code; without it every run explores afresh.
set -euo pipefail

build=${1:?usage: run-fuzzers.sh <build folder> [seconds] [harness...]}
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
seeds="$(cd "$(dirname "$0")" && pwd)/corpus"
harnesses=("$@")
[[ ${#harnesses[@]} -gt 0 ]] || mapfile -t harnesses < <(ls "$seeds")

mkdir -p "$build/fuzz/findings" "$build/fuzz/logs"
status=0
for harness in "${harnesses[@]}"; do
    program="$build/tests/fuzz/$harness"
    if [[ ! -x "$program" ]]; then
        echo "$harness: not built (cmake --build $build --target ampora_fuzzers)" >&2
        status=1
        continue
    fi
    mkdir -p "$build/fuzz/corpus/$harness"
    log="$build/fuzz/logs/$harness.log"
    # The programs' own lines on stderr (a damaged plan store is reported) are closed off;
    # libFuzzer and the sanitizers still report on a descriptor of their own.
    if "$program" ${FUZZ_SEED:+-seed="$FUZZ_SEED"} -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -close_fd_mask=2 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz/findings/$harness-" \
        "$build/fuzz/corpus/$harness" "$seeds/$harness" >"$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    echo "$harness: $result, ${runs:-?} runs in ${seconds} s (log: $log)"
    [[ $result == ok ]] || tail -n 40 "$log"
done
exit $status
