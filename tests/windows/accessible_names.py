#!/usr/bin/python3
"""What a screen reader meets: the real program on an X display (run under scripts/with-display and
dbus-run-session), read over AT-SPI. The service code is clicked in so that the About window
shows too; every control of both windows must have a name a listener understands, and the "*"
and "#" keys must be named by words.
    accessible_names.py PROGRAM"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_session import check_silent_program  # noqa: E402
from program_run import Failure, click_keys, x_window  # noqa: E402

PROGRAM = sys.argv[1]
# Keys named by a bare symbol are read out or skipped depending on the reader's punctuation level.
SYMBOL_KEYS = {"*": "star", "#": "hash"}


def controls(container, frames=()):
    """Every control below a window or frame, depth first, in the order AT-SPI gives them, with
    the names of the frames around it. What lies inside a text box (its viewport, its scroll
    bars) is part of it, not a control."""
    for index in range(container.childCount):
        child = container.getChildAtIndex(index)
        yield child, frames
        if child.getRole() == ROLE_PANEL:
            yield from controls(child, frames + (child.name,))
        elif child.getRole() == ROLE_FILLER:
            yield from controls(child, frames)


def check_names(atspi, program):
    global ROLE_PANEL, ROLE_FILLER
    ROLE_PANEL, ROLE_FILLER = atspi.pyatspi.ROLE_PANEL, atspi.pyatspi.ROLE_FILLER
    keypad = atspi.wait_for("the keypad window, over AT-SPI",
                            lambda: atspi.shown_window(program, "Quorvel"))
    click_keys(x_window("Quorvel"), "*#7391#")
    about = atspi.wait_for("the About window, over AT-SPI",
                           lambda: atspi.shown_window(program, "About"))

    failures = []
    for title, window in (("Quorvel", keypad), ("About", about)):
        print(f"{title}:")
        found = 0
        for control, frames in controls(window):
            found += 1
            role, name, description = control.getRoleName(), control.name, control.description
            print(f"  {role:14} {name!r}" + (f"  ({description})" if description else ""))
            if not name.strip():
                failures.append(f"a {role} in the {title} window has no name")
            # A control that only repeats the caption of a frame around it says nothing of itself.
            if name in frames:
                failures.append(f"a {role} in the {title} window is named only by its frame, {name!r}")
            if name in SYMBOL_KEYS:
                failures.append(f"the {name} key is named by its bare symbol")
        if found == 0:
            failures.append(f"the {title} window shows no controls over AT-SPI")

    names = [control.name for control, _ in controls(keypad)]
    for symbol, word in SYMBOL_KEYS.items():
        if word not in names:
            failures.append(f"no control of the keypad is named \"{word}\" (for \"{symbol}\")")
    if failures:
        raise Failure("; ".join(failures))
    print("accessible_names: every control of both windows has a name")


check_silent_program("accessible_names", PROGRAM, check_names)
