#!/usr/bin/python3
"""What a screen reader hears of the About window's first showing: the real program on an X display
(run under scripts/with-display and dbus-run-session), its AT-SPI events recorded as a screen reader
receives them. The service code is clicked in twice, with "Close" between. When the About window
becomes active, its tester list and labels must already be there, and its first showing must send
the same events as the second: a tester list that is filled in as the window comes up sends its
text as it arrives, which a reader presents over the window's own announcement.
    about_first_showing.py PROGRAM"""

import os
import sys
import time
from collections import Counter

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_session import check_silent_program  # noqa: E402
from program_run import Failure, click_keys, x_window  # noqa: E402

PROGRAM = sys.argv[1]
EVENTS = ["window:activate", "focus:", "object:text-changed", "object:text-caret-moved",
          "object:children-changed", "object:property-change:accessible-name",
          "object:state-changed:showing"]
# What the About window must hold when it becomes active: role and name. By the role's constant:
# at-spi2 2.5x names a push button "button".
CONTENTS = [("ROLE_TEXT", "Beta testers"), ("ROLE_LABEL", "Quorvel"),
            ("ROLE_LABEL", "Version: 1.1.114"), ("ROLE_PUSH_BUTTON", "Close")]


class Listener:
    """Records the events from the About window and what it held each time it became active."""

    def __init__(self, atspi):
        self.atspi, self.events, self.held_at_activation = atspi, [], []
        atspi.pyatspi.Registry.registerEventListener(self.heard, *EVENTS)

    def window_of(self, node):
        application = self.atspi.pyatspi.ROLE_APPLICATION
        while node is not None and node.parent is not None and node.parent.getRole() != application:
            node = node.parent
        return node

    def heard(self, event):
        try:
            window = self.window_of(event.source)
            if window is None or window.name != "About":
                return
            self.events.append((event.type, event.source.getRoleName(), event.source.name))
            if event.type == "window:activate":
                found = self.atspi.pyatspi.findAllDescendants(
                    window, lambda node: node is not None)
                roles = self.atspi.pyatspi
                self.held_at_activation.append(
                    [(role, name) for role, name in CONTENTS
                     if not any((node.getRole(), node.name) == (getattr(roles, role), name)
                                for node in found)])
        except Exception as error:  # an object gone meanwhile is reported, not fatal here
            self.events.append(("unreadable", type(error).__name__, str(error)))


def show_about(atspi, program, listener):
    """Clicks the service code in, waits for the About window; returns its events."""
    listener.events.clear()
    click_keys(x_window("Quorvel"), "*#7391#")
    about = atspi.wait_for("the About window", lambda: atspi.shown_window(program, "About"))
    atspi.wait_for("the About window's activation",
                   lambda: any(event[0] == "window:activate" for event in listener.events))
    # The events that follow the showing, such as the focus, come within a moment.
    deadline = time.monotonic() + 1.5
    atspi.wait_for("a quiet moment", lambda: time.monotonic() > deadline)
    return about, list(listener.events)


def check(atspi, program):
    atspi.wait_for("the keypad window, over AT-SPI", lambda: atspi.shown_window(program, "Quorvel"))
    listener = Listener(atspi)
    # A user takes seconds to key the code in; the keypad is on the screen for a moment first.
    time.sleep(0.5)
    about, first = show_about(atspi, program, listener)
    atspi.press(atspi.control(about, "Close", atspi.pyatspi.ROLE_PUSH_BUTTON))
    atspi.wait_for("the About window to close",
                   lambda: atspi.shown_window(program, "About") is None)
    _, second = show_about(atspi, program, listener)

    for name, events in (("first", first), ("second", second)):
        print(f"about_first_showing: {name} showing: {len(events)} events")
        for event in events:
            print(f"  {event}")
    failures = []
    for index, missing in enumerate(listener.held_at_activation):
        if missing:
            failures.append(f"at activation {index + 1} the About window lacked {missing}")
    if len(listener.held_at_activation) != 2:
        failures.append(f"the About window became active {len(listener.held_at_activation)} "
                        "times, not twice")
    only_first = Counter(first) - Counter(second)
    if only_first:
        failures.append(f"only the first showing sent {sorted(only_first.elements())}")
    if failures:
        raise Failure("; ".join(failures))
    print("about_first_showing: the first showing sounds as the second")


check_silent_program("about_first_showing", PROGRAM, check)
