#!/usr/bin/env bash
# Fuzzes the parsers and the analysis with libFuzzer (clang), one target after the other, each in
# a single process, so that the machine stays usable for others.
#
#   tools/fuzz.sh [-t SECONDS] [-w FOLDER] [TARGET...]
#
# Targets: adapterline datafields sessionlog settings registry oldlog pppd (all when none is
# named).
#   -t SECONDS  how long each target runs (default 60)
#   -w FOLDER   scratch folder (default build-fuzz/fuzzing): FOLDER/<target>/corpus is seeded from
#               tests/fuzz/corpus and tests/fuzz/regressions and grows from run to run;
#               FOLDER/<target>/fuzz-0.log is the fuzzer's output; crashes land in
#               FOLDER/crashes/<target>/.
# Extra libFuzzer options can be given in FUZZ_FLAGS (for example "-use_value_profile=1").
#
# A crash is a regression input: shrink it (fuzz_<target> -minimize_crash=1 -runs=10000 FILE),
# copy it to tests/fuzz/regressions/<target>/ and the test suite replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
work=build-fuzz/fuzzing
while getopts "t:w:" option; do
    case $option in
    t) seconds=$OPTARG ;;
    w) work=$OPTARG ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(adapterline datafields sessionlog settings registry oldlog pppd)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDIALTALLY_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

mkdir -p "$work"
work=$(cd "$work" && pwd)
root=$PWD
summary=()
for target in "${targets[@]}"; do
    dir=$work/$target
    crashes=$work/crashes/$target
    mkdir -p "$dir/corpus" "$crashes"
    for seeds in tests/fuzz/corpus/$target tests/fuzz/regressions/$target; do
        [ -d "$seeds" ] && cp -n "$seeds"/* "$dir/corpus/" 2>/dev/null || true
    done
    dict=()
    [ -f "tests/fuzz/$target.dict" ] && dict=(-dict="$PWD/tests/fuzz/$target.dict")
    echo "== $target: ${seconds}s, corpus $dir/corpus, crashes $crashes"
    before=$(find "$crashes" -type f | wc -l)
    started=$(date +%s)
    status=0
    # -jobs=1 -workers=1: one fuzzing process, its output in fuzz-0.log of the current folder.
    (cd "$dir" && "$root/build-fuzz/bin/fuzz_$target" -jobs=1 -workers=1 \
        -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
        -artifact_prefix="$crashes/" "${dict[@]}" ${FUZZ_FLAGS:-} corpus) || status=$?
    elapsed=$(($(date +%s) - started))
    last=$(grep -E '^#[0-9]+' "$dir/fuzz-0.log" | tail -n 1 || true)
    runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$dir/fuzz-0.log" | tail -n 1 |
        grep -oE '[0-9]+$' || echo "?")
    cov=$(grep -oE 'cov: [0-9]+' <<<"$last" | grep -oE '[0-9]+' || echo "?")
    ft=$(grep -oE 'ft: [0-9]+' <<<"$last" | grep -oE '[0-9]+' || echo "?")
    files=$(find "$dir/corpus" -type f | wc -l)
    found=$(($(find "$crashes" -type f | wc -l) - before))
    summary+=("$(printf '%-12s %12s %7s %7s %8s %6ss %8s' "$target" "$runs" "$cov" "$ft" "$files" \
        "$elapsed" "$found")")
    [ "$status" -ne 0 ] && tail -n 40 "$dir/fuzz-0.log"
done

echo
printf '%-12s %12s %7s %7s %8s %7s %8s\n' target executions cov ft corpus time 'new crashes'
printf '%s\n' "${summary[@]}"
echo "Crashes are kept in $work/crashes"
