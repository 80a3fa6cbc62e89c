"""Browser windows known by the site they show: two Firefox ESR windows on two local sites
(127.0.0.1 and localhost, served here) are saved, swapped and restored. With the desktop's
accessibility support on, the save window and the result name each window's site, and each window
comes back to its own place without a decision window; with it off, the program cannot tell the
two apart and asks, as it always did.

Firefox runs sealed: a profile of its own in the test's folder, no first-run pages, and a proxy
that leads nowhere for every address but the local ones."""

import http.server
import os
import shutil
import threading
import unittest

import ostrel_outside
from ostrel_outside import Desktop, Rect, descendants, press, wait_for, within

FIREFOX = shutil.which("firefox-esr")

# The desktop's primary monitor in root coordinates (see Desktop).
PRIMARY = Rect(1280, 0, 1920, 1080)
# Where the two windows stand when the layout is saved (client windows, root coordinates).
LEFT_PLACE = (1300, 60)
RIGHT_PLACE = (2300, 380)
SIZE = (860, 620)

PREFERENCES = """
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.startup.page", 0);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("startup.homepage_welcome_url", "");
user_pref("startup.homepage_welcome_url.additional", "");
user_pref("browser.tabs.warnOnClose", false);
user_pref("browser.sessionstore.resume_from_crash", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.enabled", false);
user_pref("app.normandy.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", 9);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", 9);
user_pref("network.proxy.no_proxies_on", "localhost, 127.0.0.1");
"""

PAGE = b"<!DOCTYPE html><html><head><title>Ostrel test page</title></head><body><p>A page.</p></body></html>"


class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):  # pylint: disable=invalid-name
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(PAGE)))
        self.end_headers()
        self.wfile.write(PAGE)

    def log_message(self, *args):
        pass


class Sites:
    """One page on a free port of this machine's loopback, reached as 127.0.0.1 and as localhost."""

    def __enter__(self):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Page)
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()
        return False

    def address(self, host):
        return "http://%s:%d/" % (host, self.port)


class Firefox:
    """Firefox ESR on the desktop, with a profile of its own."""

    def __init__(self, desktop):
        self.desktop = desktop
        self.profile = os.path.join(desktop.folder, "firefox-profile")
        os.makedirs(self.profile)
        with open(os.path.join(self.profile, "user.js"), "w", encoding="utf-8") as out:
            out.write(PREFERENCES)
        self.env = {"MOZ_CRASHREPORTER_DISABLE": "1", "MOZ_DISABLE_AUTO_SAFE_MODE": "1"}
        self.process = None

    def windows(self):
        output = self.desktop.xdotool("search", "--onlyvisible", "--classname", "^Navigator$",
                                      check=False)
        return [int(w) for w in output.split()]

    def open(self, address):
        """Opens a window on the address; returns its X window id once it shows the page."""
        before = set(self.windows())
        if self.process is None:
            self.process = self.desktop.spawn([FIREFOX, "--profile", self.profile, address],
                                              extra_env=self.env, quiet=True)
        else:
            self.desktop.run([FIREFOX, "--profile", self.profile, "--new-window", address],
                             extra_env=self.env, timeout=60)
        window = wait_for(lambda: next(iter(set(self.windows()) - before), None), timeout=120,
                          what="a Firefox window")
        wait_for(lambda: "Ostrel test page" in self.desktop.window_name(window), timeout=120,
                 what="Firefox to show the page")
        return window

    def place(self, window, x, y):
        """Puts the window's frame at (x, y), root coordinates, at the layout's size; returns where
        its client window stands then."""
        seen = []

        def placed():
            geometry = self.desktop.window_geometry(window)
            seen[:] = [geometry]
            # The client sits inside the window manager's frame: right of and below its corner.
            return geometry if ((geometry.width, geometry.height) == SIZE
                                and 0 <= geometry.x - x <= 10 and 0 <= geometry.y - y <= 40) else None

        # A new profile's first window opens maximized, and the browser may still be settling
        # its size when it is first asked: asked again until it stays.
        for _ in range(6):
            self.desktop.run(["wmctrl", "-i", "-r", str(window), "-b",
                              "remove,maximized_vert,maximized_horz"])
            self.desktop.xdotool("windowsize", window, *SIZE)
            self.desktop.xdotool("windowmove", window, x, y)
            try:
                return wait_for(placed, timeout=5, what="the window at its place")
            except AssertionError:
                continue
        raise AssertionError("the window did not stay at its place: it stands at %s" % seen)

    def at(self, window, place):
        """Whether the window's client stands where `place` says, within 4 pixels."""
        geometry = self.desktop.window_geometry(window)
        return all(abs(a - b) <= 4 for a, b in ((geometry.x, place.x), (geometry.y, place.y),
                                                 (geometry.width, place.width),
                                                 (geometry.height, place.height)))

    def pages_on_the_bus(self, count):
        """Whether the browser shows `count` frames on the accessibility bus, each with the
        document it embeds."""
        pyatspi = accessibility_client(self.desktop)
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            try:
                if app is None or app.get_process_id() != self.process.pid:
                    continue
                documents = 0
                for frame in (app.getChildAtIndex(i) for i in range(app.childCount)):
                    for relation in frame.getRelationSet():
                        if relation.getRelationType() == pyatspi.RELATION_EMBEDS:
                            documents += 1
                return documents >= count
            except Exception:  # a frame that went away meanwhile
                return False
        return False


def accessibility_client(desktop):
    """The accessibility client (pyatspi) on the desktop's bus."""
    # It reads the bus address once, when it is first used.
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = desktop.env["DBUS_SESSION_BUS_ADDRESS"]
    os.environ["DISPLAY"] = desktop.display
    import pyatspi  # pylint: disable=import-outside-toplevel
    return pyatspi


@unittest.skipIf(FIREFOX is None, "firefox-esr is not installed (scripts/packages.txt lists it)")
class BrowserSites(unittest.TestCase):
    def start(self, desktop, sites):
        firefox = Firefox(desktop)
        numeric = firefox.open(sites.address("127.0.0.1"))
        named = firefox.open(sites.address("localhost"))
        left = firefox.place(numeric, *LEFT_PLACE)
        right = firefox.place(named, *RIGHT_PLACE)
        # No outline of the restored windows: this is about where they go.
        desktop.write_settings({"restoreFlashEnabled": "false"})
        return firefox, numeric, named, left, right

    def save(self, ostrel, labels, picture=None):
        """Captures, checks the save window's rows by their windows' labels and saves."""
        ostrel.press("push button", "Save Layout")
        window = ostrel.find("filler", "Save Layout")  # Qt shows a window as a filler
        for label in set(labels):
            try:
                wait_for(lambda label=label: len(descendants(window, "push button",
                                                             "Remove " + label))
                         == labels.count(label), what="the rows of " + label)
            except AssertionError as error:
                rows = [node.name for node in descendants(window, "push button")]
                raise AssertionError("%s; the rows: %s; the program's log:\n%s"
                                     % (error, rows, self.log_of(ostrel))) from None
        if picture:
            ostrel.desktop.screenshot().save(picture)
        field = wait_for(lambda: within(window, "text", "Name"), what="the name field")
        field.queryEditableText().setTextContents("Two sites")
        save = within(window, "push button", "Save Layout")
        pyatspi = accessibility_client(ostrel.desktop)
        wait_for(lambda: save.getState().contains(pyatspi.STATE_ENABLED),
                 what="the save button to be enabled")
        press(save)
        wait_for(lambda: not ostrel.accessibles("filler", "Save Layout"),
                 what="the save window to close")

    def start_ostrel(self, desktop):
        """The program, telling what it decides about windows (no addresses or titles) in a log
        that a failure shows."""
        path = os.path.join(desktop.folder, "ostrel-%d.log" % len(os.listdir(desktop.folder)))
        log = open(path, "w", encoding="utf-8")  # pylint: disable=consider-using-with
        self.addCleanup(log.close)
        ostrel = desktop.start_ostrel(
            extra_env={"QT_LOGGING_RULES": "ostrel.x11.debug=true;ostrel.restore.debug=true"},
            stderr=log)
        ostrel.log_path = path
        return ostrel

    @staticmethod
    def log_of(ostrel):
        with open(ostrel.log_path, encoding="utf-8", errors="replace") as log:
            return log.read()[-4000:]

    def save_and_start_again(self, desktop, labels, picture=None):
        """Saves the layout from the save window and starts the program anew: a program that
        saved the windows itself would remember them, and this is about finding them again."""
        ostrel = self.start_ostrel(desktop)
        self.save(ostrel, labels, picture)
        ostrel.press("push button", "Quit Ostrel")
        self.assertEqual(ostrel.wait_for_exit(), 0)
        return self.start_ostrel(desktop)

    def test_each_window_comes_back_to_its_own_place_by_site(self):
        with Desktop(tray=False, accessibility=True) as desktop, Sites() as sites:
            firefox, numeric, named, left, right = self.start(desktop, sites)
            wait_for(lambda: firefox.pages_on_the_bus(2), timeout=60,
                     what="Firefox's pages on the accessibility bus")
            ostrel = self.save_and_start_again(
                desktop, ["Firefox ESR \u2014 127.0.0.1", "Firefox ESR \u2014 localhost"],
                "browser-sites-save")
            # The store keeps the host names and nothing more of the addresses.
            with desktop.database() as db:
                self.assertEqual(sorted(row[0] for row in db.execute("SELECT hostname FROM windows")),
                                 ["127.0.0.1", "localhost"])

            firefox.place(numeric, *RIGHT_PLACE)
            firefox.place(named, *LEFT_PLACE)
            ostrel.press("push button", "Restore layout")
            try:
                wait_for(lambda: firefox.at(numeric, left) and firefox.at(named, right),
                         timeout=60, what="each window back at its own place")
            except AssertionError as error:
                raise AssertionError("%s; the program's log:\n%s"
                                     % (error, self.log_of(ostrel))) from None
            for label in ("Firefox ESR \u2014 127.0.0.1, Restored",
                          "Firefox ESR \u2014 localhost, Restored"):
                ostrel.find(None, label)
            self.assertFalse(ostrel.accessibles(None, "Choose Windows"))
            desktop.screenshot().save("browser-sites-result")

            # The layout's details name its windows by site too. The row's menu is a popup,
            # which the accessibility tree leaves out: "Manage Layout…", its second item, is
            # chosen with the keys.
            panel_windows = set(ostrel.windows())
            ostrel.press("push button", "More actions for Two sites")
            wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
            desktop.key("Down", "Down", "Return")
            for label in ("Firefox ESR \u2014 127.0.0.1", "Firefox ESR \u2014 localhost"):
                ostrel.find("push button", "Remove " + label)
            desktop.screenshot().save("browser-sites-details")

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_without_accessibility_the_two_windows_need_a_choice(self):
        with Desktop(tray=False) as desktop, Sites() as sites:
            firefox, numeric, named, left, right = self.start(desktop, sites)
            ostrel = self.save_and_start_again(desktop, ["Firefox ESR", "Firefox ESR"])

            firefox.place(numeric, *RIGHT_PLACE)
            firefox.place(named, *LEFT_PLACE)
            ostrel.press("push button", "Restore layout")
            ostrel.find(None, "Choose Windows", timeout=60)
            self.assertTrue(firefox.at(numeric, right) and firefox.at(named, left),
                            "nothing was moved without a choice")

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)


if __name__ == "__main__":
    ostrel_outside.main()
