#!/usr/bin/env bash
# The real program under a real window manager (run it under scripts/with-display): the service code is
# clicked in, the About window comes up, then the keypad is activated as a task bar or a click
# would; the window manager's own stacking list must end with the keypad, in front of the About
# window. Under metacity the About window must also keep its reduced tool-window title bar.
#   window_manager.sh PROGRAM metacity|openbox
set -euo pipefail
program=$1
manager=$2
. "$(dirname "$0")/../support/shell-common.sh" "window_manager ($manager)"

# Nothing of the user's desktop: no settings, no session bus, no sound server; sound goes to a
# device that takes everything and keeps nothing.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work GSETTINGS_BACKEND=memory
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
alsa_device "type null"

case $manager in
  metacity) metacity --sm-disable --compositor=none >"$work/wm.log" 2>&1 & ;;
  openbox) openbox --sm-disable >"$work/wm.log" 2>&1 & ;;
  *) fail "unknown window manager" ;;
esac
helpers+=($!)
# A window manager announces itself on the root window once it manages the screen.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "the window manager did not start"

start_program "$program"
window=$(window_of Quorvel) || fail "the keypad did not appear"
click_keys '*' '#' 7 3 9 1 '#'
about=$(window_of About) || fail "the service code did not bring up the About window"

# Both windows are managed, each a top-level window of its own.
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'; }
decimal() { printf '%d' "$1"; }
managed=$(for w in $(stacking); do decimal "$w"; echo; done)
grep -qx "$window" <<<"$managed" && grep -qx "$about" <<<"$managed" ||
  fail "not both windows are managed: stacking list $(stacking)"

if [ "$manager" = metacity ]; then
  title() { xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //' | cut -d, -f3 | tr -d ' '; }
  [ "$(title "$about")" -lt "$(title "$window")" ] ||
    fail "the About window's title bar ($(title "$about") px) is not smaller than the keypad's ($(title "$window") px)"
fi

# Shown last, the About window starts in front; otherwise what follows would prove nothing.
[ "$(decimal "$(stacking | awk '{print $NF}')")" = "$about" ] ||
  fail "the About window did not come up in front: stacking list $(stacking)"

# As a task bar does, then as a click on the keypad does.
xdotool windowactivate "$window" windowraise "$window"
top=
for _ in $(seq 50); do
  top=$(decimal "$(stacking | awk '{print $NF}')")
  [ "$top" = "$window" ] && break
  sleep 0.1
done
echo "window_manager ($manager): stacking, bottom to top: $(stacking) (keypad $(printf '0x%x' "$window"), About $(printf '0x%x' "$about"))"
[ "$top" = "$window" ] || fail "the keypad did not come in front of the About window"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "window_manager ($manager): the keypad is in front of the About window"
