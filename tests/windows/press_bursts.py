#!/usr/bin/python3
"""Presses made while a clip plays, from every source a user has: the pointer, Space on the
focused button, and the "Press" action that screen readers and switch devices send over AT-SPI.
The real program runs on an X display (scripts/with-display) or a headless Wayland compositor
(tests/support/with-weston), its sound on a private paced server (scripts/with-paced-sound), in a
private D-Bus session; the sound is decoded by multimon-ng and held against the number text as
AT-SPI reads it: each burst is heard in the order it was pressed.
    press_bursts.py ROW PROGRAM
Rows: pointer, space, atspi, typed (on the keyboard), mixed (pointer and AT-SPI by turns) are
bursts; on Wayland also about (the About window is a toplevel of its own), sigterm and
compositor-lost (ends within 1 s)."""

import os
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_session import AtspiSession  # noqa: E402
from program_run import KEYS, Failure, click_keys, dtmf_in, fail, x_window, xdotool  # noqa: E402

ROW, PROGRAM = sys.argv[1], sys.argv[2]
# Typed bursts repeat a key: the screen readers' bridge hands keys back without their moment.
BURSTS = {"space": ["34567", "56789", "12345"], "typed": ["45578", "91337", "28800"]}.get(
    ROW, ["45678", "91357", "28064"])
wayland = bool(os.environ.get("WAYLAND_DISPLAY"))


class Keypad:
    def __init__(self, atspi, program):
        self.atspi, self.program = atspi, program
        self.window = atspi.wait_for("the keypad window, over AT-SPI",
                                     lambda: atspi.shown_window(program, "Quorvel"))
        role = atspi.pyatspi.ROLE_PUSH_BUTTON
        names = {"*": "star", "#": "hash"}
        self.buttons = {key: atspi.control(self.window, names.get(key, key), role) for key in KEYS}
        self.dial = atspi.control(self.window, "Dial Phone Number", role)
        self.number = atspi.control(self.window, "Number", atspi.pyatspi.ROLE_TEXT)
        self.x_window = None if wayland else x_window("Quorvel")

    def burst(self, keys):
        if ROW == "pointer":
            click_keys(self.x_window, keys)
        elif ROW == "space":
            # Focus on the first key, then Space and Tab: the keys of a burst follow one another
            # in the focus order.
            xdotool("mousemove", "--window", self.x_window, "75", "20")
            self.buttons[keys[0]].queryComponent().grabFocus()
            time.sleep(0.2)
            xdotool("key", "--delay", "20", *" Tab ".join(["space"] * len(keys)).split())
        elif ROW == "typed":
            # Typed on the keyboard, with no gap: each key waits its turn behind the tones. The
            # last burst slowly, each key after the tone before it, as it reaches no clip.
            xdotool("mousemove", "--window", self.x_window, "75", "20")
            xdotool("type", "--delay", "600" if keys == BURSTS[-1] else "20", keys)
        elif ROW == "mixed":
            # An AT-SPI press lands a tenth of a second after it is made (the button is drawn
            # down meanwhile): so far apart, each press comes in the order it was made.
            for index, key in enumerate(keys):
                if index % 2 == 0:
                    click_keys(self.x_window, key)
                else:
                    self.atspi.press(self.buttons[key])
                time.sleep(0.2)
        else:
            for key in keys:
                self.atspi.press(self.buttons[key])


def record(work):
    return subprocess.Popen(["parec", "-d", os.environ["PAREC_SINK"], "--latency-msec=200",
                             "--rate=22050", "--channels=1", "--format=s16le", "--raw"],
                            stdout=open(os.path.join(work, "heard.raw"), "wb"))


def ends_within_a_second(program, what, make_it_end, expected_status, errors_file):
    started = time.monotonic()
    make_it_end()
    try:
        status = program.wait(timeout=1.0)
    except subprocess.TimeoutExpired:
        raise Failure(f"still running 1 s after {what}")
    took = (time.monotonic() - started) * 1000
    with open(errors_file) as errors:
        lines = [line for line in errors.read().splitlines() if line.startswith("quorvel:")]
    if status != expected_status:
        raise Failure(f"ended with status {status} after {what}, not {expected_status}")
    if len(lines) > 1:
        raise Failure(f"said {len(lines)} lines after {what}: {lines}")
    print(f"press_bursts[{ROW}]: ended {took:.0f} ms after {what}, status {status}, {lines}")


def main():
    work = tempfile.mkdtemp(prefix="quorvel-bursts-")
    errors_file = os.path.join(work, "stderr")
    environment = dict(os.environ)
    if ROW == "about":
        environment["WAYLAND_DEBUG"] = "client"
    recorder = record(work) if ROW in ("pointer", "space", "atspi", "typed", "mixed") else None
    try:
        with AtspiSession() as atspi, open(errors_file, "w") as errors:
            program = atspi.launch([PROGRAM], environment, errors)
            keypad = Keypad(atspi, program)
            time.sleep(0.3)
            if recorder:
                for keys in BURSTS:
                    keypad.burst(keys)
                    # Five clips of a fifth of a second, and some time to spare.
                    time.sleep(1.6)
                number = atspi.text(keypad.number)
                recorder.terminate()
                recorder.wait(timeout=10)
                heard, pressed = dtmf_in(os.path.join(work, "heard.raw")), "".join(BURSTS)
                print(f"press_bursts[{ROW}]: pressed {pressed}, number text {number}, heard {heard}")
                if number != pressed:
                    raise Failure(f"the number text reads {number!r}, pressed {pressed!r}")
                if heard != number:
                    raise Failure(f"heard {heard!r}, the number text reads {number!r}")
            elif ROW == "about":
                for key in "*#7391#":
                    atspi.press(keypad.buttons[key])
                    time.sleep(0.15)
                atspi.wait_for("the About window", lambda: atspi.shown_window(program, "About"))
                time.sleep(0.3)
                log = open(errors_file, errors="replace").read()
                # libwayland up to 1.22 names an object "xdg_toplevel@15", from 1.23 "xdg_toplevel#15".
                toplevel = r"xdg_toplevel[@#]\d+"
                for title in ("Quorvel", "About"):
                    if not re.search(rf'{toplevel}\.set_title\("{title}"\)', log):
                        raise Failure(f"no toplevel titled {title!r} in the Wayland log")
                if not re.search(r"wl_surface[@#]\d+\.attach\(wl_buffer[@#]", log):
                    raise Failure("no buffer was ever attached to a surface")
                # Every set_parent request must be read, so that a log written another way fails
                # here instead of passing unread; only "nil" (no parent) is allowed.
                requests = re.findall(r"\.set_parent\(.*", log)
                parents = re.findall(rf"{toplevel}\.set_parent\(([^)]*)\)", log)
                if len(parents) != len(requests):
                    raise Failure(f"set_parent requests the test cannot read: {requests}")
                if any(parent != "nil" for parent in parents):
                    raise Failure(f"a toplevel was given a parent: {parents}")
                print(f"press_bursts[{ROW}]: both windows are toplevels of their own")
            else:
                for key in "1234567":
                    atspi.press(keypad.buttons[key])
                time.sleep(0.5)
                atspi.press(keypad.dial)
                time.sleep(0.5)
                if ROW == "sigterm":
                    ends_within_a_second(program, "SIGTERM", program.terminate, 0, errors_file)
                elif ROW == "compositor-lost":
                    ends_within_a_second(
                        program, "the compositor died",
                        lambda: os.kill(int(os.environ["COMPOSITOR_PID"]), signal.SIGKILL), 1,
                        errors_file)
                else:
                    raise Failure("unknown row")
    except Failure as failure:
        # The about row's standard error is the whole Wayland protocol log.
        fail(f"press_bursts[{ROW}]", failure, None if ROW == "about" else errors_file)
    finally:
        if recorder and recorder.poll() is None:
            recorder.kill()
        subprocess.run(["rm", "-rf", work])


main()
