#!/usr/bin/env bash
# Typing on the real program through the X keyboard (run it under scripts/with-display), with the
# keyboard layout given and the sound captured: each row types, clicks or holds keys, then the
# number is copied out of the number field with Ctrl+A and Ctrl+C and read back from the
# clipboard by xclip, and the tones that came out are decoded by multimon-ng.
#   typed_keys.sh us|azerty PROGRAM
set -euo pipefail
layout=$1
program=$2
. "$(dirname "$0")/../support/shell-common.sh" "typed_keys ($layout)"

case $layout in
  us) xkb=us ;;
  # Its digits need Shift, and "#" needs AltGr.
  azerty) xkb=fr ;;
  *) fail "unknown layout" ;;
esac
setxkbmap -display "$DISPLAY" "$xkb"
setxkbmap -display "$DISPLAY" -query | grep -qx "layout: *$xkb" || fail "the layout is not $xkb"
# A held key repeats after a quarter of a second, thirty times a second.
xset r on
xset r rate 250 30
xset q | grep -q 'auto repeat:  on' || fail "the X server does not repeat held keys"

capture=$work/capture.raw
capture_sound "$capture"
start_program "$program"
window=$(window_of Quorvel) || fail "the window did not appear"

# Pointer at the middle of the keypad window, or of the About window: with no window manager,
# keys go to the window under the pointer.
point_at() { xdotool mousemove --window "$1" 75 20; }
clear_number() { xdotool mousemove --window "$window" 75 201 click 1; }
# Copies the number field's text to the clipboard with the field's own selection and copy keys.
copy_number() {
  point_at "$window"
  xdotool click 1 key ctrl+a ctrl+c
}
# The clipboard's text once it reads EXPECTED, or as it reads after 3 s: the program takes the
# copy keys in its own time.
clipboard_reads() {
  local text
  for _ in $(seq 30); do
    text=$(timeout 5 xclip -o -selection clipboard 2>/dev/null) || text=
    [ "$text" = "$1" ] && break
    sleep 0.1
  done
  printf '%s' "$text"
}
# Waits until the program has played everything asked of it (the capture is not paced in real
# time, so it stops growing soon after the last key), then prints the tones since byte FROM.
tones_since() {
  local last=-1 size
  for _ in $(seq 50); do
    sleep 0.4
    size=$(stat -c %s "$capture")
    [ "$size" -eq "$last" ] && break
    last=$size
  done
  tail -c +$(($1 + 1)) "$capture" >"$work/row.raw"
  dtmf_in "$work/row.raw"
}

# Each row: its name, what is done (after Clear was clicked, which leaves the focus on it), the number the field must then hold (a different one for each
# row, so that a copy that failed cannot pass with the row before's text), and the tones heard.
rows=(
  "typed and clicked keys in turn|type 12; click 3; type 4|1234|1234"
  "star, hash and zero in the number field|field; type *#0|*#0|*#0"
  "the numeric keypad|key KP_7 KP_Multiply KP_0 KP_Divide KP_Add|7*0|7*0"
  "a held key is one press|type 9; hold 5|95|95"
  "backspace, held too|field; type 9876; key BackSpace; hold BackSpace|98|9876"
  "keys that press nothing|field; type 24; key ctrl+c Return KP_Enter Escape a ctrl+v Tab ctrl+BackSpace|24|24"
  "the service code, then keys typed in About|type *#7391#; about; type 5; key BackSpace|*#7391#|*#7391#"
)

for row in "${rows[@]}"; do
  IFS='|' read -r name steps expected_number expected_tones <<<"$row"
  clear_number
  from=$(stat -c %s "$capture")
  point_at "$window"
  IFS=';' read -ra actions <<<"$steps"
  for action in "${actions[@]}"; do
    read -r verb arguments <<<"$action"
    case $verb in
      type) xdotool type --delay 30 "$arguments" ;;
      key)
        # shellcheck disable=SC2086 # the key names
        xdotool key --delay 30 $arguments
        ;;
      click) click_keys "$arguments" ;;
      field) point_at "$window"; xdotool click 1 ;;
      hold) xdotool keydown "$arguments" sleep 1 keyup "$arguments" ;;
      # The service code brings up About, and the keys that follow are typed into it, moved
      # off the keypad (with no window manager, both windows may come up at the same place).
      about)
        about=$(window_of About) || fail "$name: the About window did not appear"
        xdotool windowmove --sync "$about" 400 300
        point_at "$about"
        ;;
      *) fail "unknown step $verb" ;;
    esac
  done
  heard=$(tones_since "$from")
  copy_number
  number=$(clipboard_reads "$expected_number")
  echo "typed_keys ($layout): $name: number \"$number\", heard \"$heard\""
  [ "$number" = "$expected_number" ] || fail "$name: the number reads \"$number\", not \"$expected_number\""
  [ "$heard" = "$expected_tones" ] || fail "$name: heard \"$heard\", not \"$expected_tones\""
done
echo "typed_keys ($layout): every row typed as pressed"
