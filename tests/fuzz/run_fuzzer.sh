#!/usr/bin/env bash
# Runs the clip fuzzer for a fixed time on a scratch copy of the corpus (so the repository's corpus
# stays small) and fails on any crash, hang or runaway memory.
#   run_fuzzer.sh FUZZER CORPUS SECONDS
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$corpus" "$work/corpus"
cd "$work"
"$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=1024 -malloc_limit_mb=512 \
  -print_final_stats=1 corpus 2>fuzz.log || { tail -60 fuzz.log; exit 1; }
grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' fuzz.log || true
