#!/usr/bin/env bash
# The real program on an X display (run it under scripts/with-display) with a captured virtual sound
# device: xdotool clicks "1", "*", "#", "0" and "Dial Phone Number", the window is closed from
# its title bar, and multimon-ng decodes the tones that came out: the four keys, then the dial.
#   end_to_end.sh PROGRAM SEND_CLOSE_REQUEST
set -euo pipefail
program=$1
send_close_request=$2
. "$(dirname "$0")/../support/shell-common.sh" end_to_end

capture=$work/capture.raw
capture_sound "$capture"
start_program "$program"
window=$(window_of Quorvel) || fail "the window did not appear"

# Clicks made while a tone plays wait their turn, so they can follow one another at once.
click_keys 1 '*' '#' 0 dial

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

ends_within 10 "the close request" 0 "$send_close_request" "$window"
decoded=$(dtmf_in "$capture")
[ "$decoded" = '1*#01*#0' ] || fail "decoded \"$decoded\" instead of \"1*#01*#0\""
echo "end_to_end: heard 1*#0 key by key, then dialled"
