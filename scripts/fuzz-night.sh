#!/bin/sh
# Runs every fuzz target for a long while, one after the other:
#   scripts/fuzz-night.sh [MINUTES]        (default 60 per target)
# What a run finds is kept outside the tree, in $QUORVEL_FUZZ_CORPUS
# (default ~/.cache/quorvel-fuzz): <target>/ holds the inputs found so far,
# merged with every night's new ones, crashes/ the reproducers of any crash.
# The seeds in fuzz/corpus are read, never written. Ends non-zero when a
# target crashed; prints each target's speed and coverage at the end.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
case $minutes in '' | *[!0-9]*) echo "usage: $0 [MINUTES]" >&2; exit 2 ;; esac
store=${QUORVEL_FUZZ_CORPUS:-$HOME/.cache/quorvel-fuzz}
build="$top/build/fuzz"

"$top/scripts/deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" -t fuzz_targets
export LOCPATH="$build/test-locales"
"$top/tests/support/make-locales.sh" "$LOCPATH"

echo "Corpus and crashes: $store"
mkdir -p "$store/crashes"
summary=""
status=0
for seeds in "$top"/fuzz/corpus/*/; do
    target=$(basename "$seeds")
    mkdir -p "$store/$target"
    log="$store/$target.log"
    echo "== $target: $minutes minutes =="
    result=clean
    "$build/bin/$target" -max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$store/crashes/$target-" \
        "$store/$target" "$seeds" >"$log" 2>&1 || { result="CRASHED (see $log)"; status=1; }
    # The last coverage line and the average speed libFuzzer reports at the end.
    cov=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
    speed=$(grep -oE 'average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
    line="$target: ${speed:-?} exec/s, ${cov:-no coverage line}, $result"
    echo "$line"
    summary="$summary$line
"
done
echo "== summary =="
printf '%s' "$summary"
exit $status
