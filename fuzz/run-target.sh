#!/bin/sh
# Runs one fuzz target for a bounded time: run-target.sh TARGET SECONDS SEEDS RUNDIR
# The seeds are read, never written; what the run finds goes into
# RUNDIR/corpus (emptied first), a crash's reproducer into RUNDIR.
set -e
target=$1
seconds=$2
seeds=$3
run=$4
rm -rf "$run/corpus"
mkdir -p "$run/corpus"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$run/" "$run/corpus" "$seeds"
