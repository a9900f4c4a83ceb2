#!/usr/bin/env bash
# Builds the fuzz preset and runs every harness for SECONDS (default 20) over a copy of its
# seed corpus, so the tree's corpus never grows. Prints one line per harness with the
# executions and the coverage libFuzzer reached; fails on any crash, leak or time-out.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

scripts/bootstrap.sh
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

work=$(mktemp -d "${TMPDIR:-/tmp}/vkt-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for source in fuzz/*.cpp; do
    name=$(basename "$source" .cpp)
    [[ $name == make_seeds ]] && continue
    program=build/fuzz/fuzz/fuzz_$name
    corpus=$work/corpus_$name
    mkdir -p "$corpus" "$work/artifacts_$name"
    cp fuzz/corpus/"$name"/* "$corpus"/
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384
             -print_final_stats=1 -close_fd_mask=3 -artifact_prefix="$work/artifacts_$name/")
    [[ -f fuzz/dict/$name.dict ]] && options+=(-dict=fuzz/dict/"$name".dict)
    log=$work/$name.log
    if "$program" "${options[@]}" "$corpus" >"$log" 2>&1; then
        outcome=ok
    else
        outcome=FAILED
        failed+=("$name")
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    coverage=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
    printf 'fuzz: %-16s %s  executions %s  %s\n' "$name" "$outcome" "${runs:-?}" "${coverage:-?}"
    if [[ $outcome == FAILED ]]; then
        tail -60 "$log"
        for artifact in "$work/artifacts_$name"/*; do
            [[ -e $artifact ]] || continue
            mkdir -p build/fuzz/findings
            cp "$artifact" build/fuzz/findings/
            echo "fuzz: input kept as build/fuzz/findings/$(basename "$artifact")"
        done
    fi
done

if ((${#failed[@]})); then
    echo "fuzz: findings in ${failed[*]}"
    exit 1
fi
echo "fuzz: every harness ran ${seconds} s without a finding"
