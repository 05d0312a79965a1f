#!/usr/bin/env bash
# The real program on an X display (run it under scripts/with-display) with a captured virtual sound
# device: xdotool clicks "1", "*", "#", "0" and "Dial Phone Number", the window is closed from
# its title bar, and multimon-ng decodes the tones that came out: the four keys, then the dial.
#   end_to_end.sh PROGRAM SEND_CLOSE_REQUEST
set -euo pipefail
program=$1
send_close_request=$2

fail() {
  echo "end_to_end: $*" >&2
  [ -s "${work:-}/stderr" ] && { echo "--- the program's standard error:" >&2; cat "$work/stderr" >&2; }
  exit 1
}

work=$(mktemp -d /tmp/quorvel-end-to-end-XXXXXX)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

capture=$work/capture.raw
: >"$capture"
# A pipe, not a plain file: the file plugin truncates a plain file whenever a stream reopens.
cat >"$work/asound.conf" <<CONF
pcm.!default {
  type file
  slave.pcm { type null }
  file "|cat >> $capture"
  format "raw"
}
CONF
# No sound server: the sound goes to the ALSA device set up above.
export ALSA_CONFIG_PATH=$work/asound.conf PULSE_SERVER=unix:/nonexistent/quorvel-no-server
unset QT_QPA_PLATFORM

"$program" 2>"$work/stderr" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quorvel$' | head -1) ||
  fail "the window did not appear"

# Middles of the buttons, in pixels from the window's top-left corner. Clicks made while a tone
# plays wait their turn, so they can follow one another at once.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
click 27 59   # "1"
click 27 170  # "*"
click 123 170 # "#"
click 75 170  # "0"
click 75 300  # "Dial Phone Number"

# The capture is not paced in real time: wait until the eight tones have arrived and nothing more
# comes, then close the window.
clip_bytes() { echo $(($(soxi -s "$(dirname "$program")/$1") * 2)); }
expected=$((2 * ($(clip_bytes 1.wav) + $(clip_bytes ast.wav) + $(clip_bytes '#.wav') + $(clip_bytes 0.wav))))
last=-1
for _ in $(seq 200); do
  size=$(stat -c %s "$capture")
  [ "$size" -ge "$expected" ] && [ "$size" -eq "$last" ] && break
  last=$size
  sleep 0.1
done
[ "$(stat -c %s "$capture")" -ge "$expected" ] || fail "only $(stat -c %s "$capture") of $expected bytes were played"

"$send_close_request" "$window" || fail "cannot ask the window to close"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program is still running 10 s after its window was closed"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status"

decoded=$(multimon-ng -q -c -a DTMF -t raw "$capture" | sed -n 's/^DTMF: //p' | tr -d '\n')
[ "$decoded" = '1*#01*#0' ] || fail "decoded \"$decoded\" instead of \"1*#01*#0\""
echo "end_to_end: heard 1*#0 key by key, then dialled"
