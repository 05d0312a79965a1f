#!/usr/bin/env bash
# Runs a command on a private virtual X display. Xvfb chooses a free display number itself, so
# several of these can start at the same moment.
#   with_display.sh COMMAND [ARGS...]
set -euo pipefail

dir=$(mktemp -d /tmp/quorvel-display-XXXXXX)
cleanup() {
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

mkfifo "$dir/number"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/number" >"$dir/server.log" 2>&1 &
server=$!
# The server writes its display number once it accepts connections.
if ! read -r -t 20 number <"$dir/number"; then
  echo "with_display: Xvfb did not start" >&2
  cat "$dir/server.log" >&2
  exit 1
fi
export DISPLAY=":$number"
unset WAYLAND_DISPLAY
"$@"
