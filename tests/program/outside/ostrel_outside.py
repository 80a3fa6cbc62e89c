"""Outside tests of the real `ostrel` executable on a private desktop.

Each scenario file runs the program as a user would: on its own X server (the X11 test harness's
Xorg with two dummy monitors and openbox), with its own session bus and accessibility bus, an
optional tray host (trayer), and a home folder of its own, so the store and the settings live in
a temporary folder and nothing of the machine's own desktop is touched.

Adding a scenario: put a file named `scenario_<what>.py` beside this one. CMake turns every such
file into the CTest test `program_<what>` (labels `program` and `x11`) and runs it with Debian's
/usr/bin/python3 (the one with python3-pyatspi). A scenario is a plain `unittest` module that hands over to `ostrel_outside.main()`, which runs
each test in a process of its own (the accessibility client connects to one bus per process, so
every test gets its own desktop with its own buses):

    import unittest
    import ostrel_outside
    from ostrel_outside import Desktop

    class SaveWindow(unittest.TestCase):
        def test_something(self):
            with Desktop(tray=False) as desktop:
                ostrel = desktop.start_ostrel()
                ostrel.press("push button", "Quit Ostrel")
                self.assertEqual(ostrel.wait_for_exit(), 0)

    if __name__ == "__main__":
        ostrel_outside.main()

What a scenario gets (see the classes below): `Desktop` (the desktop, its folders, X queries and
input through xdotool/xwininfo/xprop, test client windows, key-grab checks, the database and the
settings file) and `Ostrel` (one started program: its exit status, signals, its windows, and its
accessible widgets through AT-SPI, found by role and name since Qt exports no object names there).
Every wait is for a condition with a generous deadline (`wait_for`), never a fixed pause: the
machine may be busy compiling while this runs.
"""

import configparser
import os
import re
import shutil
import signal
import socket
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import uuid
import zlib

EXECUTABLE = os.environ.get("OSTREL_EXECUTABLE", "")
LAUNCHER = os.environ.get("OSTREL_X11_LAUNCHER", "")
TEST_CLIENT = os.environ.get("OSTREL_TEST_CLIENT", "")
SNI_HOST = os.environ.get("OSTREL_SNI_HOST", "")
AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# Where the screenshots of the checks that read the screen are kept (CTest names a folder in the
# build tree); none are kept without it.
SCREENSHOTS = os.environ.get("OSTREL_SCREENSHOTS", "")
DEFAULT_TIMEOUT = 30.0


# A session bus that starts nothing by itself: no desktop portal or other service of the machine
# joins the test's desktop.
SESSION_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


# The dummy monitors carry no EDID, so a monitor's key is 0-0 and its place in the list.
PRIMARY_KEY = "0-0-0"


def identifier():
    return str(uuid.uuid4()).upper()


def seed_layout(path, name, entries):
    """Writes a layout of test windows on the primary monitor, as a capture would have saved it,
    into the database at `path`; `entries` maps a window class to its frame as fractions of the
    monitor (x, y, width, height). Returns the layout's identifier."""
    layout_id = identifier()
    now = time.time()
    connection = sqlite3.connect(path)
    try:
        connection.execute("PRAGMA foreign_keys = ON")
        with connection:
            connection.execute(
                "INSERT INTO layouts (id, name, created_at, updated_at) VALUES (?, ?, ?, ?)",
                (layout_id, name, now, now))
            connection.execute(
                "INSERT INTO displays (layout_id, display_key, ordinal, vendor, model, serial, unit,"
                " frame_x, frame_y, frame_width, frame_height, visible_x, visible_y, visible_width,"
                " visible_height, pixel_width, pixel_height, scale, is_primary, frame_inferred)"
                " VALUES (?, ?, 0, 0, 0, 0, 0, 0, 0, 1920, 1080, 0, 0, 1920, 1080, 1920, 1080, 1.0,"
                " 1, 0)", (layout_id, PRIMARY_KEY))
            for ordinal, (cls, frame) in enumerate(entries.items()):
                connection.execute(
                    "INSERT INTO windows (id, layout_id, ordinal, bundle_id, app_name, role, subrole,"
                    " display_key, rel_x, rel_y, rel_width, rel_height)"
                    " VALUES (?, ?, ?, ?, ?, 'AXWindow', 'AXStandardWindow', ?, ?, ?, ?, ?)",
                    (identifier(), layout_id, ordinal, cls.lower(), cls, PRIMARY_KEY) + frame)
    finally:
        connection.close()
    return layout_id


class Timeout(AssertionError):
    pass


# The words and signs of the platform the program was first designed for, which tell a user on
# Linux something false: the Mac, its system and settings, and the glyphs of its modifier keys.
FOREIGN_WORDS = re.compile(r"\bMac\b|\bmacOS\b|menu bar|System Settings|Privacy & Security|"
                           r"\bUniversal\b|[\u2318\u2325\u2303\u21e7]")


def main():
    """Runs the calling scenario file: each of its tests in a Python process of its own, or, when
    a test is named on the command line, that test here."""
    import __main__  # pylint: disable=import-outside-toplevel
    if len(sys.argv) > 1:
        # The accessibility client's own deprecations are not the test's business.
        unittest.main(module=__main__, warnings="ignore")
        return
    def tests(suite):
        for item in suite:
            if isinstance(item, unittest.TestSuite):
                yield from tests(item)
            else:
                yield item.id().split(".", 1)[1]
    names = list(tests(unittest.defaultTestLoader.loadTestsFromModule(__main__)))
    failed = []
    for name in names:
        print("=== " + name, flush=True)
        if subprocess.run([sys.executable, "-B", os.path.abspath(__main__.__file__), name]).returncode:
            failed.append(name)
    print("%d of %d passed" % (len(names) - len(failed), len(names)))
    for name in failed:
        print("FAILED: " + name)
    sys.exit(1 if failed else 0)


def wait_for(condition, timeout=DEFAULT_TIMEOUT, interval=0.05, what="the condition"):
    """Calls `condition` until it gives a true value, which it returns; fails after `timeout` s."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout("timed out waiting for " + what)
        time.sleep(interval)


class Rect:
    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    @property
    def right(self):
        return self.x + self.width

    @property
    def bottom(self):
        return self.y + self.height

    def center(self):
        return self.x + self.width // 2, self.y + self.height // 2

    def contains(self, other):
        return (self.x <= other.x and self.y <= other.y and other.right <= self.right
                and other.bottom <= self.bottom)

    def __repr__(self):
        return "Rect(%d, %d, %d x %d)" % (self.x, self.y, self.width, self.height)


class Screenshot:
    """Pixels of a rectangle of the screen (root coordinates), as the server's frame buffer holds
    them: what a person sees."""

    def __init__(self, rect, data):
        self.rect = rect
        self._data = data

    def pixel(self, x, y):
        """The (r, g, b) at a point in root coordinates."""
        offset = ((y - self.rect.y) * self.rect.width + (x - self.rect.x)) * 3
        return tuple(self._data[offset:offset + 3])

    def pixels(self, rect):
        """Every (r, g, b) of a rectangle (root coordinates) inside this one, row by row."""
        found = []
        for y in range(max(rect.y, self.rect.y), min(rect.bottom, self.rect.bottom)):
            start = ((y - self.rect.y) * self.rect.width + max(rect.x, self.rect.x) - self.rect.x) * 3
            end = ((y - self.rect.y) * self.rect.width + min(rect.right, self.rect.right) - self.rect.x) * 3
            row = self._data[start:end]
            found.extend(tuple(row[i:i + 3]) for i in range(0, len(row), 3))
        return found

    def colours(self, rect):
        """How many pixels of each colour the rectangle holds."""
        counts = {}
        for colour in self.pixels(rect):
            counts[colour] = counts.get(colour, 0) + 1
        return counts

    def is_painted(self, rect):
        """Whether the rectangle shows something drawn: more than a handful of colours (text and
        controls are antialiased), not one flat fill such as the black of an unpainted window."""
        return len(self.colours(rect)) >= 8

    def save(self, name):
        """Keeps the image as <name>.png in the screenshots folder; returns its path or None."""
        if not SCREENSHOTS:
            return None
        os.makedirs(SCREENSHOTS, exist_ok=True)
        path = os.path.join(SCREENSHOTS, name + ".png")
        with open(path, "wb") as file:
            file.write(png(self.rect.width, self.rect.height, self._data))
        return path


def signal_group(process, number):
    """Sends a signal to the process group a spawned process leads, if any of it is left."""
    try:
        os.killpg(process.pid, number)
    except (ProcessLookupError, PermissionError):
        pass


def png(width, height, rgb):
    """An 8-bit RGB PNG of packed rows, written here so that keeping a picture needs no image
    tool installed."""
    stride = width * 3
    rows = b"".join(b"\0" + rgb[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 6))
            + chunk(b"IEND", b""))


class Desktop:
    """A private desktop: X server with two monitors and (optionally) openbox, session bus with the
    accessibility bus, optionally a tray host, and a home folder of its own.

    The monitors, in root coordinates: DUMMY0 1920 x 1080 at (1280, 0), the primary, and DUMMY1
    1280 x 1024 at (0, 0). The tray host: with tray=True (or "xembed") trayer, an XEmbed tray at
    the top right of the primary monitor, 100 x 24; with tray="sni" the tests' own StatusNotifier
    host (ostrel_sni_host), a panel along the top of the primary monitor that reserves its 24
    pixels. `tray_dark` draws either panel dark instead of light.
    """

    def __init__(self, tray=False, window_manager=True, tray_dark=False, accessibility=False):
        self.tray = "xembed" if tray is True else tray
        self.tray_dark = tray_dark
        self._sni = None
        self.window_manager = window_manager
        # The desktop's accessibility support (org.a11y.Status.IsEnabled): off, as on a desktop
        # nobody turned it on, unless asked; the program's own windows are on the bus either way.
        self.accessibility = accessibility
        self._processes = []
        self._launcher = None
        self.folder = None
        self.env = None
        self.display = None

    # --- life ---------------------------------------------------------------------------

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _start(self):
        for name, path in (("OSTREL_EXECUTABLE", EXECUTABLE), ("OSTREL_X11_LAUNCHER", LAUNCHER),
                           ("OSTREL_TEST_CLIENT", TEST_CLIENT)):
            if not path or not os.access(path, os.X_OK):
                raise RuntimeError(name + " does not name an executable (run through CTest)")
        self.folder = tempfile.mkdtemp(prefix="ostrel-outside-")
        home = os.path.join(self.folder, "home")
        runtime = os.path.join(self.folder, "runtime")
        config_dirs = os.path.join(self.folder, "config-dirs")
        for path in (home, runtime, config_dirs):
            os.makedirs(path, mode=0o700)
        self.env = {
            "PATH": "/usr/local/bin:/usr/bin:/bin",
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "XDG_RUNTIME_DIR": runtime,
            # No system-wide settings either (/etc/xdg: the program's own defaults, autostart
            # entries, the tray host's theme): only what the test writes counts.
            "XDG_CONFIG_DIRS": config_dirs,
            "XDG_DATA_DIRS": "/usr/local/share:/usr/share",
            "LANG": "C.UTF-8",
            # The machine's own system bus (logind) stays out of the test.
            "DBUS_SYSTEM_BUS_ADDRESS": "unix:path=" + os.path.join(self.folder, "no-system-bus"),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        }
        if self.accessibility:
            # The desktop's settings in a file of the test's home, so that the bus launcher reads
            # and follows them as a desktop's settings daemon would have it do.
            self.env["GSETTINGS_BACKEND"] = "keyfile"
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                self.env[name] = os.environ[name]

        args = [LAUNCHER] + ([] if self.window_manager else ["--no-window-manager"])
        self._launcher = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                          text=True, bufsize=1, env=dict(os.environ, **{
                                              "PATH": os.environ.get("PATH", self.env["PATH"])}))
        line = self._launcher.stdout.readline().split()
        if len(line) != 2 or line[0] != "DISPLAY":
            raise RuntimeError("the X server did not start")
        self.display = line[1]
        self.env["DISPLAY"] = self.display

        config = os.path.join(self.folder, "session-bus.conf")
        with open(config, "w", encoding="utf-8") as out:
            out.write(SESSION_BUS_CONFIG % runtime)
        bus = self.spawn(["dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE, quiet=True)
        address = bus.stdout.readline().strip()
        if not address:
            raise RuntimeError("the session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.spawn([AT_SPI_BUS_LAUNCHER, "--launch-immediately"], quiet=True)
        wait_for(lambda: self._bus_has("org.a11y.Bus"), what="the accessibility bus")
        if self.accessibility:
            # As a user turns it on.
            self.run(["gsettings", "set", "org.gnome.desktop.interface", "toolkit-accessibility",
                      "true"])
            wait_for(self.accessibility_enabled, what="the desktop's accessibility support")
        if self.tray == "xembed":
            # Tinted over nothing: a flat panel of that colour, as a desktop's own.
            tint = "0x2b2b2b" if self.tray_dark else "0xf0f0f0"
            self.spawn(["trayer", "--edge", "top", "--align", "right", "--monitor", "primary",
                        "--widthtype", "pixel", "--width", "100", "--height", "24",
                        "--transparent", "true", "--alpha", "0", "--tint", tint], quiet=True)
            wait_for(self.tray_host_geometry, what="trayer")
        elif self.tray == "sni":
            if not SNI_HOST or not os.access(SNI_HOST, os.X_OK):
                raise RuntimeError("OSTREL_SNI_HOST does not name an executable (run through CTest)")
            self._sni = self.spawn([SNI_HOST] + (["--dark"] if self.tray_dark else []),
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, quiet=True)
            if self._sni.stdout.readline().strip() != "ready":
                raise RuntimeError("the StatusNotifier host did not start")

    def close(self):
        for process in reversed(self._processes):
            # Each process leads a session of its own: ending the whole group also ends what it
            # started (the bus that dbus-run-session starts outlives a dbus-run-session ended
            # alone, and every such bus kept holds an inotify instance of the machine).
            if process.poll() is None:
                signal_group(process, signal.SIGTERM)
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    signal_group(process, signal.SIGKILL)
                    process.wait()
            signal_group(process, signal.SIGKILL)
            for stream in (process.stdout, process.stdin):
                if stream:
                    stream.close()
        self._processes = []
        if self._launcher:
            if self._launcher.poll() is None:
                try:
                    self._launcher.stdin.write("quit\n")
                    self._launcher.stdin.flush()
                except OSError:
                    pass
                try:
                    self._launcher.wait(timeout=20)
                except subprocess.TimeoutExpired:
                    self._launcher.kill()
                    self._launcher.wait()
            self._launcher.stdin.close()
            self._launcher.stdout.close()
            self._launcher = None
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None

    # --- processes ----------------------------------------------------------------------------

    def spawn(self, args, stdout=subprocess.DEVNULL, extra_env=None, quiet=False,
              stdin=subprocess.DEVNULL, stderr=None):
        """Starts a process on this desktop; it ends with the desktop at the latest. A quiet one's
        complaints are not shown (the desktop's own helpers); `stderr` (a file) keeps them."""
        env = dict(self.env, **(extra_env or {}))
        process = subprocess.Popen(args, env=env, stdin=stdin, stdout=stdout,
                                   stderr=subprocess.DEVNULL if quiet else stderr, text=True,
                                   start_new_session=True)
        self._processes.append(process)
        return process

    def run(self, args, check=True, timeout=30, extra_env=None):
        env = dict(self.env, **(extra_env or {}))
        result = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, timeout=timeout)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(args), result.returncode,
                                                      result.stderr.strip()))
        return result

    def start_ostrel(self, extra_env=None, wait_until_ready=True, stderr=None):
        ostrel = Ostrel(self, self.spawn([EXECUTABLE], extra_env=extra_env, stderr=stderr))
        if wait_until_ready:
            ostrel.wait_until_ready()
        return ostrel

    def accessibility_enabled(self):
        """Whether the desktop's accessibility support is on, as the bus launcher says."""
        result = self.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                           "/org/a11y/bus", "org.freedesktop.DBus.Properties.Get",
                           "string:org.a11y.Status", "string:IsEnabled"], check=False)
        return "boolean true" in result.stdout

    def _bus_has(self, name):
        result = self.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                           "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                           "string:" + name], check=False)
        return "boolean true" in result.stdout

    # --- the launcher's commands -----------------------------------------------------------

    def _command(self, line):
        self._launcher.stdin.write(line + "\n")
        self._launcher.stdin.flush()
        answer = self._launcher.stdout.readline().strip()
        if answer.startswith("error"):
            raise RuntimeError(line + ": " + answer)
        return answer

    def key_grabbed(self, key, *modifiers):
        """Whether a client holds a grab of the key (e.g. "q", "super") on the root window."""
        return self._command(" ".join(["grab", key] + list(modifiers))) == "held"

    def close_window(self, window):
        """Asks the window to close, as the close button of its frame does."""
        self._command("close %d" % window)

    def stop_window_manager(self):
        self._command("stop-window-manager")

    def is_compositing(self):
        """Whether a compositing manager runs on the desktop (_NET_WM_CM_S0 has an owner)."""
        return self._command("compositing") == "yes"

    def screenshot(self, rect=None):
        """What the screen shows in `rect` (root coordinates; the whole screen by default), read
        from the root window's pixels, not from any window's own buffer."""
        screen = self.screen_rect()
        if rect is None:
            rect = screen
        # Cut to the screen: the root has nothing beyond it.
        left, top = max(rect.x, screen.x), max(rect.y, screen.y)
        rect = Rect(left, top, min(rect.right, screen.right) - left,
                    min(rect.bottom, screen.bottom) - top)
        path = os.path.join(self.folder, "screenshot.ppm")
        self._command("screenshot %d %d %d %d %s" % (rect.x, rect.y, rect.width, rect.height, path))
        with open(path, "rb") as image:
            data = image.read()
        # The header is three lines: "P6", the size, the largest value.
        body = data.split(b"\n", 3)[3]
        return Screenshot(rect, body)

    def screen_rect(self):
        for line in self.run(["xwininfo", "-root"]).stdout.splitlines():
            if line.strip().startswith("-geometry"):
                size = line.split()[1].split("+")[0]
                width, height = size.split("x")
                return Rect(0, 0, int(width), int(height))
        raise RuntimeError("no root geometry")

    def start_compositing_window_manager(self):
        """Starts xfwm4 with its compositor on a desktop made without a window manager: a
        compositing manager that draws with XRender, so no GL is needed. Sealed off like the
        harness's window managers: a home of its own and its own session bus."""
        home = os.path.join(self.folder, "xfwm4-home")
        os.makedirs(os.path.join(home, ".config"), exist_ok=True)
        self.spawn(["dbus-run-session", "--", "xfwm4", "--compositor=on", "--sm-client-disable"],
                   extra_env={"HOME": home, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                              "XDG_CACHE_HOME": os.path.join(home, ".cache"),
                              "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
                              "NO_AT_BRIDGE": "1", "GSETTINGS_BACKEND": "memory"},
                   quiet=True)
        wait_for(self.is_compositing, what="xfwm4's compositor")
        wait_for(lambda: "window id" in self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                                 check=False).stdout,
                 what="xfwm4 to manage the screen")

    def start_window_manager(self):
        self._command("start-window-manager")

    # --- folders and stored data ---------------------------------------------------------------

    @property
    def data_folder(self):
        return os.path.join(self.env["XDG_DATA_HOME"], "Ostrel")

    @property
    def database_path(self):
        return os.path.join(self.data_folder, "Ostrel.sqlite")

    @property
    def settings_path(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "Ostrel", "Ostrel.conf")

    @property
    def runtime_folder(self):
        return self.env["XDG_RUNTIME_DIR"]

    def database(self):
        """A read-only connection to the program's database."""
        return sqlite3.connect("file:" + self.database_path + "?mode=ro", uri=True)

    def settings(self):
        """The settings file as {key: raw text}; empty when there is none."""
        parser = configparser.RawConfigParser()
        parser.optionxform = str
        if not os.path.exists(self.settings_path):
            return {}
        parser.read(self.settings_path, encoding="utf-8")
        return {key: value for section in parser.sections() for key, value in parser[section].items()}

    def write_settings(self, values):
        """Writes the settings file before a start, as the program's settings store writes it:
        values are raw INI texts under [General] (a byte array is "@ByteArray(...)", quoted)."""
        os.makedirs(os.path.dirname(self.settings_path), exist_ok=True)
        with open(self.settings_path, "w", encoding="utf-8") as out:
            out.write("[General]\n")
            for key, value in values.items():
                out.write("%s=%s\n" % (key, value))

    # --- X queries and input -------------------------------------------------------------------

    def xdotool(self, *args, check=True):
        return self.run(["xdotool"] + [str(a) for a in args], check=check).stdout

    def windows_of(self, pid, visible=True):
        args = ["search"] + (["--onlyvisible"] if visible else []) + ["--pid", str(pid)]
        output = self.xdotool(*args, check=False)
        return [int(w) for w in output.split()]

    def window_geometry(self, window, check=True):
        """The window's rectangle in root coordinates, without the window manager's frame; with
        check=False, None for a window that is gone by the time it is asked about."""
        result = self.run(["xwininfo", "-id", str(window)], check=check)
        if result.returncode != 0:
            return None
        info = result.stdout
        values = {}
        for line in info.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":")[1])
        return Rect(values["Absolute upper-left X"], values["Absolute upper-left Y"],
                    values["Width"], values["Height"])

    def is_override_redirect(self, window):
        info = self.run(["xwininfo", "-id", str(window)], check=False).stdout
        return "Override Redirect State: yes" in info

    def window_is_viewable(self, window):
        info = self.run(["xwininfo", "-id", str(window)], check=False).stdout
        return "IsViewable" in info

    def window_name(self, window):
        return self.xdotool("getwindowname", window, check=False).strip()

    def window_property(self, window, name):
        return self.run(["xprop", "-id", str(window), name], check=False).stdout.strip()

    def active_window(self):
        output = self.xdotool("getactivewindow", check=False).strip()
        return int(output) if output else None

    def click(self, x, y, button=1):
        # One connection for both, so the click lands where the pointer went (no --sync: it
        # waits for a motion that never comes when the pointer is there already).
        self.xdotool("mousemove", x, y, "click", button)

    def key(self, *combos):
        """Presses keys as xdotool names them ("super+q", "Return"), on the focused window."""
        self.xdotool("key", "--clearmodifiers", *combos)

    def type_text(self, text):
        self.xdotool("type", "--delay", "20", text)

    def sni(self, line):
        """One command to the StatusNotifier host (see StatusNotifierHost.cpp); its answer."""
        self._sni.stdin.write(line + "\n")
        self._sni.stdin.flush()
        answer = self._sni.stdout.readline().strip()
        if answer.startswith("error"):
            raise RuntimeError(line + ": " + answer)
        return answer

    def sni_icon_geometry(self):
        """Where the StatusNotifier host draws the item's icon; None while it has no item."""
        if self.sni("item") == "none":
            return None
        _, x, y, width, height = self.sni("icon").split()
        return Rect(int(x), int(y), int(width), int(height))

    def tray_host_geometry(self):
        if self.tray == "sni":
            return None
        output = self.xdotool("search", "--onlyvisible", "--class", "^trayer$", check=False)
        windows = [int(w) for w in output.split()]
        return self.window_geometry(windows[0]) if windows else None

    def open_window(self, title="Test window", cls="OstrelTest", geometry="400x300+200+200"):
        """Opens a window of the harness's test client and waits until the window manager manages
        it; returns its X window id. The client lives until the desktop closes (it ends when its
        standard input does)."""
        process = self.spawn([TEST_CLIENT, "--class", "%s,%s" % (cls.lower(), cls), "--title", title,
                              "--geometry", geometry], stdout=subprocess.PIPE,
                             stdin=subprocess.PIPE)
        line = process.stdout.readline().strip()
        if not line:
            raise RuntimeError("the test client opened no window")
        window = int(line, 0)
        if self.window_manager:
            wait_for(lambda: str(hex(window)) in self.run(["xprop", "-root", "_NET_CLIENT_LIST"],
                                                         check=False).stdout,
                     what="the window manager to manage the test window")
        return window


def descendants(node, role=None, name=None):
    """Every accessible below `node` with that role name ("push button", "frame", ...) and
    accessible name; either may be None for any."""
    found = []
    stack = [node]
    while stack:
        current = stack.pop()
        try:
            if (current is not node and current is not None
                    and (role is None or current.getRoleName() == role)
                    and (name is None or current.name == name)):
                found.append(current)
            stack.extend(current.getChildAtIndex(i) for i in range(current.childCount))
        except Exception:  # a widget that went away while the tree was read
            continue
    return found


def texts_of(node):
    """Every text `node` and the accessibles below it give a user: names, descriptions (tooltips)
    and the text of labels and fields."""
    found = []
    for current in [node] + descendants(node):
        try:
            texts = [current.name, current.description]
            try:
                texts.append(current.queryText().getText(0, -1))
            except NotImplementedError:
                pass
        except Exception:  # a widget that went away while the tree was read
            continue
        found.extend(text for text in texts if text and text not in found)
    return found


def within(node, role, name):
    """The first accessible below `node` with that role and name, or None."""
    return next(iter(descendants(node, role, name)), None)


def press(node):
    """Runs the accessible's "Press" action."""
    action = node.queryAction()
    for index in range(action.nActions):
        if action.getName(index).lower() == "press":
            action.doAction(index)
            return node
    raise AssertionError("%s has no Press action" % node.name)


class Ostrel:
    """One started `ostrel` process on a desktop."""

    def __init__(self, desktop, process):
        self.desktop = desktop
        self.process = process
        self._atspi = None

    @property
    def pid(self):
        return self.process.pid

    # --- life -------------------------------------------------------------------------------

    def is_running(self):
        return self.process.poll() is None

    def answers(self):
        """Whether the program answers later starts: it is ready (its panel can show layouts)."""
        path = os.path.join(self.desktop.runtime_folder, "ostrel.socket")
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
            try:
                probe.connect(path)
                return True
            except OSError:
                return False

    def wait_until_ready(self, timeout=60):
        def ready():
            if not self.is_running():
                raise AssertionError("ostrel ended at start with status %s" % self.process.returncode)
            return self.answers()
        wait_for(ready, timeout=timeout, what="ostrel to be ready")

    def send_signal(self, number=signal.SIGTERM):
        self.process.send_signal(number)

    def wait_for_exit(self, timeout=60):
        """The exit status (negative: the signal that killed it)."""
        return self.process.wait(timeout=timeout)

    def windows(self):
        """Its viewable top-level X windows (the tray icon not among them)."""
        tray = self.desktop.tray_host_geometry()
        result = []
        for window in self.desktop.windows_of(self.pid):
            if tray and tray.contains(self.desktop.window_geometry(window)):
                continue
            result.append(window)
        return result

    def overlays(self):
        """Its overlay windows on screen (the restore outline, the candidate markers): the windows
        it shows without the window manager, as {window: rectangle in root coordinates}."""
        # An outline may end between the listing and the question about it: a window gone by
        # then is no longer on screen.
        found = {}
        for window in self.windows():
            if self.desktop.is_override_redirect(window):
                geometry = self.desktop.window_geometry(window, check=False)
                if geometry is not None:
                    found[window] = geometry
        return found

    def tray_icon_geometry(self):
        """Where its icon sits in the tray host, in root coordinates; None when it has none."""
        if self.desktop.tray == "sni":
            return self.desktop.sni_icon_geometry()
        tray = self.desktop.tray_host_geometry()
        if not tray:
            return None
        for window in self.desktop.windows_of(self.pid):
            geometry = self.desktop.window_geometry(window)
            if tray.contains(geometry) and geometry.width > 1 and geometry.height > 1:
                return geometry
        return None

    def click_tray_icon(self):
        icon = wait_for(self.tray_icon_geometry, what="the tray icon")
        self.desktop.click(*icon.center())

    # --- accessibility ----------------------------------------------------------------------

    def _registry(self):
        if self._atspi is None:
            # The accessibility client reads the bus address once, when it is first used.
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.desktop.env["DBUS_SESSION_BUS_ADDRESS"]
            os.environ["DISPLAY"] = self.desktop.display
            import pyatspi  # pylint: disable=import-outside-toplevel
            self._atspi = pyatspi
        return self._atspi

    def application(self):
        """Its accessible application; None until it is on the accessibility bus."""
        pyatspi = self._registry()
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            try:
                if app is not None and app.get_process_id() == self.pid:
                    return app
            except Exception:  # an application that left the bus meanwhile
                continue
        return None

    def accessibles(self, role=None, name=None):
        """Every accessible in its windows with that role name ("push button", "frame", ...) and
        accessible name; either may be None for any."""
        app = self.application()
        return [] if app is None else descendants(app, role, name)

    def wait_until_active(self, title, timeout=DEFAULT_TIMEOUT):
        """Waits until the program itself takes its window of this title for the active one: it
        hears of the focus on its own connection, a moment after the window manager set it, so a
        key or an accessibility action sent right after the desktop says so may find the program
        still thinking another window active."""
        import pyatspi  # pylint: disable=import-outside-toplevel
        def active():
            return any(node.getState().contains(pyatspi.STATE_ACTIVE)
                       for node in self.accessibles("filler", title))
        wait_for(active, timeout=timeout, what="the program to take “%s” as active" % title)

    def texts(self):
        """Every text of its windows and alerts, shown or not (see `texts_of`)."""
        app = self.application()
        return [] if app is None else texts_of(app)

    def foreign_texts(self):
        """Its texts that name another platform or write a shortcut with the Mac's glyphs."""
        return [text for text in self.texts() if FOREIGN_WORDS.search(text)]

    def find(self, role, name, timeout=DEFAULT_TIMEOUT):
        """The first accessible with that role and name, waited for."""
        return wait_for(lambda: next(iter(self.accessibles(role, name)), None), timeout=timeout,
                        what="%s \u201c%s\u201d" % (role, name))

    def press(self, role, name, timeout=DEFAULT_TIMEOUT):
        """Finds the accessible and runs its "Press" action."""
        return press(self.find(role, name, timeout))
