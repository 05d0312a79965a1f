"""What the Python tests of the real program share: its keys' places on the keypad window,
clicking them through xdotool, decoding what was heard, and the failure report."""

import os
import re
import subprocess
import sys

KEYS = "123456789*0#"
# Middles of the keys, in pixels from the keypad window's top-left corner.
KEY_PLACES = {key: (27 + 48 * (i % 3), (59, 95, 131, 170)[i // 3]) for i, key in enumerate(KEYS)}


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
    """The DTMF keys multimon-ng hears in a raw recording (16-bit mono at 22050 Hz), in order."""
    out = subprocess.run(["multimon-ng", "-q", "-c", "-a", "DTMF", "-t", "raw", recording],
                         capture_output=True, text=True).stdout
    return "".join(re.findall(r"^DTMF: (.)", out, re.M))


def fail(name, message, errors_file=None):
    """Ends the test saying why, followed by the program's standard error."""
    print(f"{name}: {message}", file=sys.stderr)
    if errors_file and os.path.exists(errors_file) and os.path.getsize(errors_file) > 0:
        with open(errors_file, errors="replace") as errors:
            print("--- the program's standard error:\n" + errors.read(), file=sys.stderr)
    sys.exit(1)
