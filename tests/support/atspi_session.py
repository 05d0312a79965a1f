"""AT-SPI, as a screen reader or a switch device reaches the program: the accessibility bus and
registry of a private D-Bus session (run under dbus-run-session), started and ended here rather
than left to D-Bus activation, so that nothing of them outlives a test.

    with AtspiSession() as atspi:
        program = atspi.launch([PROGRAM], environment, errors)
        keypad = atspi.wait_for("the keypad", lambda: atspi.shown_window(program, "Quorvel"))
"""

import os
import shutil
import subprocess
import tempfile
import time

from gi.repository import Gio, GLib
from program_run import Failure, fail

# Qt offers its windows over AT-SPI only when asked to.
ENVIRONMENT = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1"}


def _call(bus, name, path, interface, method, *strings):
    arguments = GLib.Variant(f"({'s' * len(strings)})", strings)
    return bus.call_sync(name, path, interface, method, arguments, None, Gio.DBusCallFlags.NONE,
                         5000, None).unpack()[0]


def _has_owner(bus, name):
    return _call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                 "NameHasOwner", name)


def end(process):
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=10)


class AtspiSession:
    def __enter__(self):
        self.processes = []
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self._start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        self.wait_for("the accessibility bus", lambda: _has_owner(session, "org.a11y.Bus"))
        address = _call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress")
        flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                 | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        bus = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
        registered = lambda: _has_owner(bus, "org.a11y.atspi.Registry")
        # A registry that ends before it registers is started again (once in a long run the registry
        # was missing after 20 s, cause unknown); one that hangs still fails after 20 s.
        for _ in range(3):
            registry = self._start(["/usr/libexec/at-spi2-registryd"])
            self.wait_for("the accessibility registry",
                          lambda: registered() or registry.poll() is not None)
            if registered():
                break
        else:
            raise Failure(f"the accessibility registry ended as it started, three times "
                          f"(last status {registry.returncode})")
        import pyatspi  # reading AT-SPI any earlier would have D-Bus start both
        self.pyatspi = pyatspi
        # AT-SPI hears of a new application only while someone listens for changes.
        pyatspi.Registry.registerEventListener(lambda event: None, "object:children-changed")
        return self

    def __exit__(self, *exception):
        for process in reversed(self.processes):
            end(process)

    def _start(self, command, **options):
        options.setdefault("stdout", subprocess.DEVNULL)
        options.setdefault("stderr", subprocess.DEVNULL)
        process = subprocess.Popen(command, **options)
        self.processes.append(process)
        return process

    def launch(self, command, environment, errors):
        """Starts the program, ended with the session at the latest."""
        return self._start(command, env=dict(environment, **ENVIRONMENT), stdout=None,
                           stderr=errors)

    def wait_for(self, what, find, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            # AT-SPI learns of applications and windows from D-Bus signals.
            context = GLib.MainContext.default()
            while context.pending():
                context.iteration(False)
            found = find()
            if found:
                return found
            time.sleep(0.05)
        raise Failure(f"{what} did not appear within {seconds} s")

    def application(self, program):
        # Without a main loop AT-SPI's cache never hears of changes: read afresh each time.
        desktop = self.pyatspi.Registry.getDesktop(0)
        desktop.clear_cache()
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.get_process_id() == program.pid:
                return app
        return None

    def shown_window(self, program, title):
        app = self.application(program)
        for index in range(app.childCount if app is not None else 0):
            window = app.getChildAtIndex(index)
            window.clear_cache()
            if window.name == title and window.getState().contains(self.pyatspi.STATE_SHOWING):
                return window
        return None

    def control(self, window, name, role):
        found = self.pyatspi.findDescendant(
            window, lambda node: node is not None and node.name == name and node.getRole() == role)
        if found is None:
            raise Failure(f"no {name!r} in the {window.name} window")
        return found

    @staticmethod
    def press(button):
        """The "Press" action, as assistive technology presses a button."""
        action = button.queryAction()
        for index in range(action.nActions):
            if action.getName(index) == "Press":
                action.doAction(index)
                return
        raise Failure(f"{button.name!r} offers no Press action")

    @staticmethod
    def text(field):
        return field.queryText().getText(0, -1)


def check_silent_program(test, program, check):
    """Runs CHECK(session, application) on PROGRAM started in a private AT-SPI session, its sound
    going to a device that keeps nothing, never to the desktop's sound server; fails TEST with the
    program's standard error when CHECK raises Failure."""
    work = tempfile.mkdtemp(prefix="quorvel-" + test + "-")
    with open(os.path.join(work, "asound.conf"), "w") as conf:
        conf.write("pcm.!default { type null }\n")
    environment = dict(os.environ, ALSA_CONFIG_PATH=os.path.join(work, "asound.conf"),
                       PULSE_SERVER="unix:/nonexistent")
    environment.pop("QT_QPA_PLATFORM", None)
    try:
        with AtspiSession() as atspi, open(os.path.join(work, "stderr"), "w") as errors:
            check(atspi, atspi.launch([program], environment, errors))
    except Failure as failure:
        fail(test, str(failure), os.path.join(work, "stderr"))
    finally:
        shutil.rmtree(work, ignore_errors=True)
