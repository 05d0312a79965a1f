#!/usr/bin/python3
"""What a screen reader meets: the real program on an X display (run under scripts/with-display and
dbus-run-session), read over AT-SPI. The service code is clicked in so that the About window
shows too; every control of both windows must have a name a listener understands, and the "*"
and "#" keys must be named by words.
    accessible_names.py PROGRAM"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

from gi.repository import Gio, GLib

PROGRAM = sys.argv[1]
# Keys named by a bare symbol are read out or skipped depending on the reader's punctuation level.
SYMBOL_KEYS = {"*": "star", "#": "hash"}
# Middles of the keys of the service code, in pixels from the keypad window's top-left corner.
KEY_PLACES = {"1": (27, 59), "3": (123, 59), "7": (27, 131), "9": (123, 131),
              "*": (27, 170), "#": (123, 170)}
SERVICE_CODE = "*#7391#"


def fail(message):
    print(f"accessible_names: {message}", file=sys.stderr)
    errors = os.path.join(work, "stderr")
    if os.path.exists(errors) and os.path.getsize(errors) > 0:
        with open(errors) as lines:
            print("--- the program's standard error:\n" + lines.read(), file=sys.stderr)
    sys.exit(1)


def wait_for(what, find, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        # AT-SPI learns of applications and windows from D-Bus signals, handled by the main loop.
        context = GLib.MainContext.default()
        while context.pending():
            context.iteration(False)
        found = find()
        if found:
            return found
        time.sleep(0.1)
    seen = ""
    if "pyatspi" in globals():
        desktop = pyatspi.Registry.getDesktop(0)
        seen = f"; applications seen: {[(app.name, app.get_process_id()) for app in desktop]}"
    fail(f"{what} did not appear within {seconds} s{seen}")


def application():
    # Without a main loop AT-SPI's cache never hears of changes: read afresh each time.
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clear_cache()
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.get_process_id() == program.pid:
            return app
    return None


def shown_window(title):
    app = application()
    if app is None:
        return None
    for index in range(app.childCount):
        window = app.getChildAtIndex(index)
        window.clear_cache()
        if window.name == title and window.getState().contains(pyatspi.STATE_SHOWING):
            return window
    return None


def controls(container, frames=()):
    """Every control below a window or frame, depth first, in the order AT-SPI gives them, with
    the names of the frames around it. What lies inside a text box (its viewport, its scroll
    bars) is part of it, not a control."""
    for index in range(container.childCount):
        child = container.getChildAtIndex(index)
        yield child, frames
        if child.getRole() == pyatspi.ROLE_PANEL:
            yield from controls(child, frames + (child.name,))
        elif child.getRole() == pyatspi.ROLE_FILLER:
            yield from controls(child, frames)


def click_service_code():
    keypad = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Quorvel$"],
                            capture_output=True, text=True, timeout=20).stdout.split()
    if not keypad:
        fail("the keypad window is not on the display")
    for key in SERVICE_CODE:
        x, y = KEY_PLACES[key]
        subprocess.run(["xdotool", "mousemove", "--window", keypad[0], str(x), str(y), "click", "1"],
                       check=True, timeout=10)


def check_names():
    keypad = wait_for("the keypad window, over AT-SPI", lambda: shown_window("Quorvel"))
    click_service_code()
    about = wait_for("the About window, over AT-SPI", lambda: shown_window("About"))

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
        fail("; ".join(failures))
    print("accessible_names: every control of both windows has a name")


def call(bus, name, path, interface, method, *strings):
    arguments = GLib.Variant(f"({'s' * len(strings)})", strings)
    return bus.call_sync(name, path, interface, method, arguments, None, Gio.DBusCallFlags.NONE,
                         5000, None).unpack()[0]


def name_has_owner(bus, name):
    return call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "NameHasOwner", name)


def accessibility_bus(session):
    address = call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress")
    flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
             | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
    return Gio.DBusConnection.new_for_address_sync(address, flags, None, None)


def end(process):
    if process is None:
        return
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=10)


# Sound goes to a device that keeps nothing, never to the desktop's sound server.
work = tempfile.mkdtemp(prefix="quorvel-accessible-")
with open(os.path.join(work, "asound.conf"), "w") as conf:
    conf.write("pcm.!default { type null }\n")
environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   ALSA_CONFIG_PATH=os.path.join(work, "asound.conf"),
                   PULSE_SERVER="unix:/nonexistent")
environment.pop("QT_QPA_PLATFORM", None)

# The accessibility bus of this private session and its registry are started and ended here,
# rather than left to D-Bus activation, so that nothing of them outlives the test.
session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
registry = program = None
try:
    wait_for("the accessibility bus", lambda: name_has_owner(session, "org.a11y.Bus"))
    registry = subprocess.Popen(["/usr/libexec/at-spi2-registryd"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    bus = accessibility_bus(session)
    wait_for("the accessibility registry",
             lambda: name_has_owner(bus, "org.a11y.atspi.Registry"))
    import pyatspi  # noqa: E402  (reading AT-SPI any earlier would have D-Bus start both)

    # AT-SPI hears of a new application only while someone listens for changes.
    pyatspi.Registry.registerEventListener(lambda event: None, "object:children-changed")

    with open(os.path.join(work, "stderr"), "w") as errors:
        program = subprocess.Popen([PROGRAM], env=environment, stderr=errors)
    check_names()
finally:
    for process in (program, registry, launcher):
        end(process)
    shutil.rmtree(work, ignore_errors=True)
