#!/usr/bin/env bash
# CPU used by the program while it sits idle for 10 s after a dial and a Say, and whether it has
# let go of the sound device by then. Run under a display and a paced sound server:
#   xvfb-run -a scripts/with-paced-sound bench/idle_cpu.sh build/bin/quorvel
set -euo pipefail
program=$1
. "$(dirname "$0")/../tests/support/shell-common.sh" idle_cpu

start_program "$program"
window=$(window_of Quorvel) || fail "the window did not appear"
click_keys 1 dial say
sleep 6 # the dial and the announcement end, then the idle spell begins

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep 10
after=$(ticks)
# The program's own streams only: the speech service keeps its own open, by its own choice.
streams=$(pactl list sink-inputs | grep -c "application.process.id = \"$pid\"" || true)

printf '%-58s %10.2f %-3s %s\n' "CPU while idle for 10 s after a dial and a Say" \
  "$(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { print t * 100 / hz / 10 }')" "%" "<= 0.5 % of one core"
printf '%-58s %10d %-3s %s\n' "the program's sound streams still open when idle" "$streams" "" "0"
