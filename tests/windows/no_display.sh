#!/usr/bin/env bash
# Without a display, the program and `make run` say so in one clear line and end with status 1,
# instead of Qt's abort and its page about platform plugins.
#   no_display.sh PROGRAM RUN_SCRIPT
set -uo pipefail
program=$1
run_script=$2
failures=0
. "$(dirname "$0")/../support/shell-common.sh" no_display

expect() { # NAME STATUS OUTPUT EXPECTED-LINE
  local lines
  lines=$(printf '%s\n' "$3" | grep -c .)
  if [ "$2" -ne 1 ] || [ "$lines" -ne 1 ] || [ "$3" != "$4" ]; then
    printf 'no_display: %s: status %s, %s line(s):\n%s\nexpected status 1 and only:\n%s\n' "$1" "$2" "$lines" "$3" "$4" >&2
    failures=$((failures + 1))
  fi
}

nothing=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

output=$("${nothing[@]}" "$program" 2>&1)
expect "no display named" $? "$output" \
  "quorvel: no graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set"

# A display that is named but does not exist. Qt warns about it first, then the program's line.
output=$("${nothing[@]}" DISPLAY=:4095 "$program" 2>&1)
status=$?
expect "display that cannot be opened" $status "$(printf '%s\n' "$output" | tail -n 1)" \
  'quorvel: cannot open a window on display ":4095"; is the graphical session running?'
if printf '%s\n' "$output" | grep -q 'Aborted\|core dumped\|platform plugin'; then
  printf 'no_display: Qt'\''s abort text came through:\n%s\n' "$output" >&2
  failures=$((failures + 1))
fi

# A standard error whose reader has gone (a restarted journal, say) refuses the line; the program
# still ends as it means to, not killed by SIGPIPE (status 141 from the shell).
mkfifo "$work/gone"
exec {both}<>"$work/gone" {writer}>"$work/gone" {both}<&-
"${nothing[@]}" "$program" 2>&"$writer"
status=$?
exec {writer}>&-
if [ "$status" -ne 1 ]; then
  printf 'no_display: with nobody reading standard error: status %s, expected 1\n' "$status" >&2
  failures=$((failures + 1))
fi

output=$("${nothing[@]}" "$run_script" 2>&1)
expect "make run" $? "$output" "quorvel needs a graphical session; try: xvfb-run -a make run"

# Where xvfb-run is not installed yet, the advice says how to get it: a PATH with only what the
# script itself runs.
ln -s "$(command -v bash)" "$(command -v dirname)" "$work/"
output=$("${nothing[@]}" PATH="$work" "$run_script" 2>&1)
expect "make run without xvfb-run" $? "$output" \
  "quorvel needs a graphical session; try: xvfb-run -a make run (xvfb-run comes with: apt-get install xvfb xauth, as root)"

exit $((failures > 0))
