#!/usr/bin/env bash
# The real program under a real window manager (run it under scripts/with-display): the service code is
# clicked in, the About window comes up, then the keypad is activated as a task bar or a click
# would; the window manager's own stacking list must end with the keypad, in front of the About
# window. Under metacity the About window must also keep its reduced tool-window title bar.
#   window_manager.sh PROGRAM metacity|openbox
set -euo pipefail
program=$1
manager=$2

work=$(mktemp -d /tmp/quorvel-window-manager-XXXXXX)
pid=
wm=
fail() {
  echo "window_manager ($manager): $*" >&2
  for log in wm stderr; do
    [ -s "$work/$log" ] && { echo "--- $log:" >&2; tail -n 20 "$work/$log" >&2; }
  done
  exit 1
}
# Ends a process of ours: asked first, killed when it has not gone within 5 s.
stop() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  stop "$pid"
  stop "$wm"
  rm -rf "$work"
}
trap cleanup EXIT

# Nothing of the user's desktop: no settings, no session bus, no sound server; sound goes to a
# device that takes everything and keeps nothing.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work GSETTINGS_BACKEND=memory
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER QT_QPA_PLATFORM
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$work/asound.conf"
export ALSA_CONFIG_PATH=$work/asound.conf PULSE_SERVER=unix:/nonexistent

case $manager in
  metacity) metacity --sm-disable --compositor=none >"$work/wm" 2>&1 & ;;
  openbox) openbox --sm-disable >"$work/wm" 2>&1 & ;;
  *) fail "unknown window manager" ;;
esac
wm=$!
# A window manager announces itself on the root window once it manages the screen.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "the window manager did not start"

"$program" 2>"$work/stderr" &
pid=$!
keypad=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quorvel$' | head -1) ||
  fail "the keypad did not appear"

# The service code *#7391#, key by key, at the middles of the keys in window pixels.
declare -A key=([1]="27 59" [3]="123 59" [7]="27 131" [9]="123 131" ['*']="27 170" ['#']="123 170")
for k in '*' '#' 7 3 9 1 '#'; do
  # shellcheck disable=SC2086 # the two coordinates
  xdotool mousemove --window "$keypad" ${key[$k]} click 1
done
about=$(timeout 20 xdotool search --sync --onlyvisible --name '^About$' | head -1) ||
  fail "the service code did not bring up the About window"

# Both windows are managed, each a top-level window of its own.
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'; }
decimal() { printf '%d' "$1"; }
managed=$(for w in $(stacking); do decimal "$w"; echo; done)
grep -qx "$keypad" <<<"$managed" && grep -qx "$about" <<<"$managed" ||
  fail "not both windows are managed: stacking list $(stacking)"

if [ "$manager" = metacity ]; then
  title() { xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //' | cut -d, -f3 | tr -d ' '; }
  [ "$(title "$about")" -lt "$(title "$keypad")" ] ||
    fail "the About window's title bar ($(title "$about") px) is not smaller than the keypad's ($(title "$keypad") px)"
fi

# Shown last, the About window starts in front; otherwise what follows would prove nothing.
[ "$(decimal "$(stacking | awk '{print $NF}')")" = "$about" ] ||
  fail "the About window did not come up in front: stacking list $(stacking)"

# As a task bar does, then as a click on the keypad does.
xdotool windowactivate "$keypad" windowraise "$keypad"
top=
for _ in $(seq 50); do
  top=$(decimal "$(stacking | awk '{print $NF}')")
  [ "$top" = "$keypad" ] && break
  sleep 0.1
done
echo "window_manager ($manager): stacking, bottom to top: $(stacking) (keypad $(printf '0x%x' "$keypad"), About $(printf '0x%x' "$about"))"
[ "$top" = "$keypad" ] || fail "the keypad did not come in front of the About window"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "window_manager ($manager): the keypad is in front of the About window"
