# shellcheck shell=bash
# What the shell tests of the real program share: a private work folder removed on the way out
# together with every process the test started, the failure report, where the program's sound
# goes, its keypad window and keys, and how it ends.
#   . tests/support/shell-common.sh NAME    (NAME begins every line the test prints)
# In the test: $work, $pid (the program, once start_program ran), helpers+=(PID) for other
# processes of the test's own, and $window once it is set to the keypad's X window.

test_name=$1
support_dir=$(dirname "${BASH_SOURCE[0]}")
work=$(mktemp -d /tmp/quorvel-test-XXXXXX)
pid='' window=''
helpers=()
# The program picks its platform from the display, as on a desktop.
unset QT_QPA_PLATFORM

# Ends a process of ours: asked first, killed when it has not gone within 5 s.
stop() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
# The whole private sound server paused, as a hung one is, and let go on again.
stop_sound_server() {
  # shellcheck disable=SC2086 # one or more pids
  kill -STOP ${SOUND_SERVER_PIDS:-$SOUND_SERVER_PID}
}
continue_sound_server() {
  # shellcheck disable=SC2086
  [ -z "${SOUND_SERVER_PIDS:-${SOUND_SERVER_PID:-}}" ] ||
    kill -CONT ${SOUND_SERVER_PIDS:-$SOUND_SERVER_PID} 2>/dev/null || true
}
cleanup() {
  # A sound server the test stopped would hold up everything that talks to it.
  continue_sound_server
  local p
  for p in "$pid" "${helpers[@]}"; do stop "$p"; done
  rm -rf "$work" || true
}
trap cleanup EXIT

# Fails the test saying why, followed by the program's standard error and the test's logs.
fail() {
  local log
  echo "$test_name: $*" >&2
  for log in "$work/stderr" "$work"/*.log; do
    [ -s "$log" ] && { echo "--- $(basename "$log"):" >&2; tail -n 100 "$log" >&2; }
  done
  exit 1
}

# The program's sound goes to the ALSA device PCM (the body of a pcm definition), and no sound
# server is within reach.
alsa_device() {
  printf 'pcm.!default { %s }\n' "$1" >"$work/asound.conf"
  export ALSA_CONFIG_PATH=$work/asound.conf PULSE_SERVER=unix:/nonexistent/quorvel-no-server
}
# The program's sound is appended to FILE, raw. Through a pipe, not to a plain file: the file
# plugin truncates a plain file whenever a stream reopens.
capture_sound() {
  : >"$1"
  alsa_device "type file slave.pcm { type null } file \"|cat >> $1\" format \"raw\""
}
# The DTMF keys heard in a raw recording (16-bit mono at 22050 Hz), in order.
dtmf_in() { "$support_dir/dtmf_in.sh" "$1"; }

# Starts COMMAND (the program) in the background, its standard error kept for fail.
start_program() {
  "$@" 2>"$work/stderr" &
  pid=$!
}
# Prints the X window id of the shown window titled TITLE, once it shows (within 20 s).
window_of() {
  timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -1
}
# Clicks the keypad's keys (0-9, *, #, say, dial) one after another at their middles, which
# key_places lists ("KEY X Y", in pixels from the window's top-left corner).
declare -A key_place
while read -r place_key place_x place_y; do
  key_place[$place_key]="$place_x $place_y"
done <"$support_dir/key_places"
click_keys() {
  local key
  # shellcheck disable=SC2086 # the two coordinates
  for key in "$@"; do xdotool mousemove --window "$window" ${key_place[$key]} click 1; done
}

# Fails unless the program said exactly one line on standard error, and it holds WORDS.
says_one_line() {
  [ "$(wc -l <"$work/stderr")" = 1 ] && grep -qF -- "$1" "$work/stderr" ||
    fail "did not say exactly one line, about \"$1\""
}

ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
# Ends the program with COMMAND and says how soon it went, with which status. False, with
# $ending_fault saying why, unless it went within SECONDS with the status expected (a crash or a
# signal would show as a status above 128); a program still running then is killed.
#   ended_within SECONDS WHAT EXPECTED-STATUS COMMAND...
ended_within() {
  local seconds=$1 what=$2 expected=$3 started took status=0
  shift 3
  started=$(date +%s%N)
  "$@" 2>/dev/null || true
  # By the clock: on a busy machine fifty short sleeps take far longer than a second.
  while kill -0 "$pid" 2>/dev/null && [ "$(ms_since "$started")" -lt $((seconds * 1000)) ]; do
    sleep 0.02
  done
  took=$(ms_since "$started")
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    ending_fault="still running $took ms after $what"
    echo "$test_name: $ending_fault"
    return 1
  fi
  wait "$pid" || status=$?
  pid=
  echo "$test_name: ended $took ms after $what, status $status"
  ending_fault="ended with status $status after $what, not $expected"
  [ "$status" -eq "$expected" ]
}
# The same, failing the test unless it went as expected.
ends_within() { ended_within "$@" || fail "$ending_fault"; }
