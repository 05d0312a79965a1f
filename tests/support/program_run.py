"""What the Python tests of the real program share: its keys' places on the keypad window,
clicking them through xdotool, decoding what was heard, and the failure report."""

import os
import subprocess
import sys

SUPPORT = os.path.dirname(os.path.abspath(__file__))
KEYS = "123456789*0#"
# Middles of the keys, "say" and "dial" (key_places: "KEY X Y" a line), in pixels from the keypad
# window's top-left corner.
with open(os.path.join(SUPPORT, "key_places")) as places:
    KEY_PLACES = {key: (int(x), int(y)) for key, x, y in (line.split() for line in places)}


class Failure(Exception):
    pass


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True, timeout=10)


def x_window(title):
    """The X window id of the shown window titled TITLE, once it shows (within 20 s)."""
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{title}$"],
                           capture_output=True, text=True, timeout=20).stdout.split()
    if not found:
        raise Failure(f"the {title} window is not on the display")
    return found[0]


def click_keys(window, keys):
    """Clicks the keys one after another, in one run of xdotool."""
    steps = []
    for key in keys:
        x, y = KEY_PLACES[key]
        steps += ["mousemove", "--window", window, str(x), str(y), "click", "1"]
    xdotool(*steps)


def dtmf_in(recording):
    """The DTMF keys heard in a raw recording (16-bit mono at 22050 Hz), in order."""
    return subprocess.run([os.path.join(SUPPORT, "dtmf_in.sh"), recording],
                          capture_output=True, text=True).stdout


def fail(name, message, errors_file=None):
    """Ends the test saying why, followed by the program's standard error."""
    print(f"{name}: {message}", file=sys.stderr)
    if errors_file and os.path.exists(errors_file) and os.path.getsize(errors_file) > 0:
        with open(errors_file, errors="replace") as errors:
            print("--- the program's standard error:\n" + errors.read(), file=sys.stderr)
    sys.exit(1)
