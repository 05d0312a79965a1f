#!/usr/bin/env bash
# The real program on a private X display, its sound on a private paced sound server or a
# stalling ALSA device, with one fault made per run. Run under scripts/with-display and, for the
# server rows, scripts/with-paced-sound.
#   sound_faults.sh ROW PROGRAM SEND_CLOSE_REQUEST
# Rows:
#   keys-dial-say    keys clicked 0.4 s apart sound 0.4 s apart, the dial follows gapless, Say speaks
#   loaded           the same with four busy loops on the CPUs: every tone decodes
#   stalled-device   a device whose pipe nobody reads: the keypad goes on, and closing ends it at once
#   server-stopped-dial, server-stopped-speech   SIGSTOP on the sound server, then close
#   sigterm-dial     SIGTERM in the middle of a dial
#   display-lost-dial, display-lost-speech       the X server killed: one line, status 1, no crash
#   server-restart   the sound server restarted right after a key: the next two keys are heard
#   latin1-folder    the program unpacked into a folder whose name is not UTF-8: keys are heard
#   address-space    a tight address-space limit (ulimit -v): keys are heard
#   module-missing   the program without its sound and speech module: one line, silence, a clean close
#   stopped-PHASE    the whole sound server stopped before-first-key, mid-clip, mid-dial, mid-say
#                    or at voice-load, then each way out: gone within 1 s (see stopped_server_row)
set -euo pipefail
row=$1 program=$2 send_close_request=$3
support=$(dirname "$0")/../support
. "$support/shell-common.sh" "sound_faults[$row]"
recorder=

# The sound server stopped (SIGSTOP, as a hung one is) at one phase of the program's work, then
# each way out in turn, the program started afresh for each: the close request, SIGTERM and, last,
# the display's loss. Whatever the program waits on, it must be gone within 1 s with status 0 (1
# after the display's loss), saying at most one line from the way out on.
stopped_server_row() {
  local phase=${row#stopped-} way said faults=()
  # Speech from the built-in espeak-ng voice: no speech-dispatcher answers, and none can be
  # started (libspeechd would otherwise start one, which may take seconds or stay behind).
  export SPEECHD_ADDRESS=unix_socket:/nonexistent SPEECHD_CMD=/bin/false
  # Under LeakSanitizer the program's last lines would be its count of the leaks it was told of.
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0"
  for way in close sigterm display-lost; do
    # Stopped from the start, the server stays stopped while the voice loads espeak-ng, which
    # opens a connection to it, whether the voice loads it at its start or at the first Say.
    [ "$phase" != voice-load ] || stop_sound_server
    start_program "$program"
    window=$(window_of Quorvel) || fail "the window did not appear"
    sleep 0.5 # the sound and speech module comes in after the first paint, the voice with it
    case $phase in
      # A key first: Say reads nothing out of an empty number. It is taken once the key's
      # sound has been given up.
      # The Say is given up, said in a line, while espeak-ng still waits on the server.
      voice-load)
        click_keys 1 say
        for _ in $(seq 50); do grep -q "still loading" "$work/stderr" && break; sleep 0.1; done ;;
      before-first-key) stop_sound_server; click_keys 1; sleep 0.2 ;;
      mid-clip) click_keys 1; sleep 0.05; stop_sound_server; sleep 0.2 ;;
      # Two keys of 0.2 s, then the dial of both.
      mid-dial) click_keys 1 2 dial; sleep 0.6; stop_sound_server; sleep 0.2 ;;
      mid-say) click_keys 1 say; sleep 0.7; stop_sound_server; sleep 0.2 ;;
      *) fail "unknown phase" ;;
    esac
    said=$(wc -l <"$work/stderr")
    case $way in
      close) ended_within 1 "the close request" 0 "$send_close_request" "$window" ;;
      sigterm) ended_within 1 SIGTERM 0 kill -TERM "$pid" ;;
      display-lost) ended_within 1 "the display went" 1 kill -KILL "$DISPLAY_SERVER_PID" ;;
    esac || faults+=("$ending_fault")
    said=$(($(wc -l <"$work/stderr") - said))
    [ "$said" -le 1 ] || faults+=("said $said lines after $way: $(tail -n "$said" "$work/stderr")")
    continue_sound_server
  done
  [ ${#faults[@]} -eq 0 ] || fail "$(printf '%s; ' "${faults[@]}")"
  echo "$test_name: gone within 1 s of each way out"
}
if [[ $row == stopped-* ]]; then
  stopped_server_row
  exit 0
fi

if [ "$row" = stalled-device ]; then
  # The device's pipe leads to a program that never reads: once it is full, writes block.
  alsa_device 'type file slave.pcm { type null } file "|exec sleep 20 >/dev/null 2>&1" format "raw"'
else
  [ -n "${PAREC_SINK:-}" ] || fail "run me under scripts/with-paced-sound"
  # The recorder must not drop sound itself on a busy machine: a generous buffer, and real-time
  # scheduling where the system grants it.
  recorder_priority=(); chrt -f 10 true 2>/dev/null && recorder_priority=(chrt -f 10)
fi

record() { # record FILE: from the sink's monitor, in the background
  "${recorder_priority[@]}" parec -d "$PAREC_SINK" --latency-msec=200 --rate=22050 --channels=1 --format=s16le --raw >"$1" &
  recorder=$!
  helpers+=($!)
}
stop_recording() { stop "$recorder"; }
[ "$row" = stalled-device ] || record "$work/heard.raw"

case $row in
  latin1-folder)
    # A folder name in Latin-1 bytes, as an archive made on another system unpacks.
    folder="$work/$(printf 'T\xf6n P\xe4d')"
    mkdir "$folder"
    cp "$program" "$(dirname "$program")"/{*.wav,quorvel-output.so} "$folder/"
    program="$folder/$(basename "$program")"
    ;;
  module-missing)
    mkdir "$work/program"
    cp "$program" "$(dirname "$program")"/*.wav "$work/program/"
    program="$work/program/$(basename "$program")"
    ;;
  address-space)
    # The sanitizers reserve terabytes of address space; no limit leaves them room to start.
    if grep -q libasan <<<"$(ldd "$program")"; then echo "sound_faults[$row]: not under AddressSanitizer"; exit 77; fi
    ;;
esac
if [ "$row" = address-space ]; then
  start_program bash -c 'ulimit -v 524288 && exec "$0"' "$program"
else
  start_program "$program"
fi
window=$(window_of Quorvel) || fail "the window did not appear"
sleep 0.3
close_and_check() { ends_within 1 "the close request" 0 "$send_close_request" "$window"; }
# No line at all on standard error, or fail naming what was said.
no_word() { [ ! -s "$work/stderr" ] || fail "said something although the keys should just sound"; }

case $row in
  keys-dial-say | loaded)
    if [ "$row" = loaded ]; then
      for _ in 1 2 3 4; do timeout 30 sh -c 'while :; do :; done' & helpers+=($!); done
    fi
    keys=123456789
    # When each click was sent, and when xdotool was done with it: on a loaded CPU xdotool itself
    # may take a while, which is no fault of the keypad's.
    sent=() returned=()
    for k in $(echo "$keys" | grep -o .); do
      sent+=("$(date +%s%N)"); click_keys "$k"; returned+=("$(date +%s%N)"); sleep 0.4
    done
    click_keys dial
    sleep 2.6
    click_keys say
    sleep 2.5
    close_and_check
    stop_recording
    got=$(dtmf_in "$work/heard.raw")
    [ "$got" = "$keys$keys" ] || fail "heard \"$got\", not \"$keys$keys\""
    mapfile -t starts < <("$support/tone_onsets.py" "$work/heard.raw" 22050)
    [ "${#starts[@]}" -ge 18 ] || fail "only ${#starts[@]} tones started"
    # Each key heard about as far from the last as it was clicked, not held back: within 70 ms
    # of the span its two clicks may have been sent in.
    for i in $(seq 1 8); do
      gap=$(echo "(${starts[$i]} - ${starts[$((i - 1))]}) * 1000 / 1" | bc)
      least=$(((sent[i] - returned[i - 1]) / 1000000 - 70)) most=$(((returned[i] - sent[i - 1]) / 1000000 + 70))
      [ "$gap" -ge "$least" ] && [ "$gap" -le "$most" ] || fail "key tones $i and $((i + 1)) were $gap ms apart, clicked $least to $most ms apart (with 70 ms to spare)"
    done
    # The dial: one tone every clip length (200 ms, give or take the 10 ms a window of sound spans).
    for i in $(seq 10 17); do
      gap=$(echo "(${starts[$i]} - ${starts[$((i - 1))]}) * 1000 / 1" | bc)
      [ "$gap" -ge 185 ] && [ "$gap" -le 215 ] || fail "dialled tones $((i - 8)) and $((i - 7)) were $gap ms apart, not 200"
    done
    # Say: speech follows the dial.
    spoken=$(sox -t raw -r 22050 -e signed -b 16 -c 1 "$work/heard.raw" -n trim "${starts[17]}" 2>&1 stat | awk '/RMS +amplitude/ {print $3}')
    echo "$spoken" | awk '{ exit !($1 > 0.01) }' || fail "no speech after the dial (RMS $spoken)"
    echo "sound_faults[$row]: heard \"$got\", key tones as far apart as the clicks, then speech"
    ;;
  stalled-device)
    click_keys 1 2 3 4 5 6 7 8 9 0 1 2
    # Each stalled key is given up on within a bound; the window takes the clicks in turn.
    for _ in $(seq 100); do grep -q "stopped taking sound" "$work/stderr" && break; sleep 0.1; done
    grep -q "stopped taking sound" "$work/stderr" || fail "no word about the stalled device"
    sleep 1
    close_and_check
    ;;
  server-stopped-dial | server-stopped-speech | sigterm-dial | display-lost-dial | display-lost-speech)
    click_keys 1 2 3 4 5 6 7 8 9 0
    sleep 2.5
    case $row in *speech) click_keys say ;; *) click_keys dial ;; esac
    sleep 0.5
    case $row in
      server-stopped-*)
        kill -STOP "$SOUND_SERVER_PID"
        sleep 1.5
        close_and_check
        ;;
      sigterm-dial)
        ends_within 1 SIGTERM 0 kill -TERM "$pid"
        ;;
      display-lost-*)
        ends_within 1 "the display went" 1 kill -KILL "$DISPLAY_SERVER_PID"
        grep -q "connection to the display was lost" "$work/stderr" || fail "no word about the lost display"
        ;;
    esac
    ;;
  server-restart)
    click_keys 1
    sleep 0.6
    stop_recording
    # The stream kept open after key 1 now leads to a server that is gone.
    $SOUND_SERVER_RESTART
    record "$work/after.raw"
    sleep 0.3
    click_keys 2; sleep 0.5; click_keys 3; sleep 0.6
    close_and_check
    stop_recording
    before=$(dtmf_in "$work/heard.raw") after=$(dtmf_in "$work/after.raw")
    [ "$before" = 1 ] || fail "heard \"$before\" before the restart, not \"1\""
    [ "$after" = 23 ] || fail "heard \"$after\" after the restart, not \"23\""
    ! grep -q "went away" "$work/stderr" || fail "said the server went away, although it is back"
    echo "sound_faults[$row]: heard \"$before\", the server restarted, then \"$after\""
    ;;
  latin1-folder | address-space)
    for k in 1 2 3; do click_keys "$k"; sleep 0.4; done
    sleep 0.3
    close_and_check
    stop_recording
    got=$(dtmf_in "$work/heard.raw")
    [ "$got" = 123 ] || fail "heard \"$got\", not \"123\""
    no_word
    echo "sound_faults[$row]: heard \"$got\""
    ;;
  module-missing)
    click_keys 1 2 dial say 3
    sleep 1
    close_and_check
    stop_recording
    got=$(dtmf_in "$work/heard.raw")
    [ -z "$got" ] || fail "heard \"$got\" without the sound module"
    says_one_line "sound and speech module does not load"
    echo "sound_faults[$row]: one line, then silent keys, Dial and Say, and a clean close"
    ;;
  *) fail "unknown row" ;;
esac
