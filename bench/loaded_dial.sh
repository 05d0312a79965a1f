#!/usr/bin/env bash
# Twenty keys and a twenty-digit dial on a machine whose cores are all busy (four busy loops,
# ended by this script), recorded from the paced sound server's monitor and decoded by
# multimon-ng: prints how many tones came out broken (split, lost or wrong). Run under
# scripts/with-paced-sound.   loaded_dial.sh DIAL_BENCH
set -euo pipefail
number=12345678900987654321
work=$(mktemp -d /tmp/quorvel-loaded-XXXXXX)
loops=()
cleanup() { for p in "${loops[@]}" ${recorder:-}; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
# The recorder must not drop sound itself on a busy machine: a generous buffer, and real-time
# scheduling where the system grants it.
recorder_priority=(); chrt -f 10 true 2>/dev/null && recorder_priority=(chrt -f 10)
"${recorder_priority[@]}" parec -d "$PAREC_SINK" --latency-msec=200 --rate=22050 --channels=1 --format=s16le --raw >"$work/heard.raw" &
recorder=$!
for _ in 1 2 3 4; do timeout 30 sh -c 'while :; do :; done' & loops+=($!); done
"$1" "$number"
sleep 0.3
kill "${loops[@]}" "$recorder" 2>/dev/null || true
wait "$recorder" 2>/dev/null || true
recorder=
heard=$("$(dirname "$0")/../tests/support/dtmf_in.sh" "$work/heard.raw")
expected=$number$number
# Broken tones: the edit distance between what was played and what was heard.
broken=$(awk -v a="$expected" -v b="$heard" 'BEGIN {
  n = length(a); m = length(b)
  for (j = 0; j <= m; j++) d[0, j] = j
  for (i = 1; i <= n; i++) {
    d[i, 0] = i
    for (j = 1; j <= m; j++) {
      c = d[i-1, j-1] + (substr(a, i, 1) != substr(b, j, 1))
      if (d[i-1, j] + 1 < c) c = d[i-1, j] + 1
      if (d[i, j-1] + 1 < c) c = d[i, j-1] + 1
      d[i, j] = c
    }
  }
  print d[n, m] }')
printf '%-58s %10s\n' "keys and dial under load: heard" "$heard"
printf '%-58s %10d     target 0\n' "broken tones in 20 loaded keys and a loaded 20-digit dial" "$broken"
