"""The program as a desktop program: its panel window carries the application icon for the
taskbar, a start and a restore print nothing, and with debug logging on a restore prints one line
per window, naming the X window and where the window manager put it."""

import os
import re
import unittest

import ostrel_outside
from ostrel_outside import Desktop, Rect, seed_layout, wait_for

# The primary monitor (DUMMY0) in root coordinates.
PRIMARY = Rect(1280, 0, 1920, 1080)

# Where the layout keeps the two test windows on the primary monitor, as fractions of it.
WORK = {
    "OstrelEditor": (0.10, 0.10, 0.40, 0.50),
    "OstrelMail": (0.55, 0.30, 0.35, 0.45),
}

# Each log line carries its category, so the program's own lines stand out from the toolkit's.
PATTERN = {"QT_MESSAGE_PATTERN": "%{category}: %{message}"}


def near_target(actual, frame, slack=40):
    """The client window lies where the layout puts its frame, give or take the decorations."""
    x, y, width, height = frame
    expected = Rect(round(PRIMARY.x + x * PRIMARY.width), round(PRIMARY.y + y * PRIMARY.height),
                    round(width * PRIMARY.width), round(height * PRIMARY.height))
    return (abs(actual.x - expected.x) <= slack and abs(actual.y - expected.y) <= slack
            and abs(actual.right - expected.right) <= slack
            and abs(actual.bottom - expected.bottom) <= slack)


def own_lines(path):
    with open(path, encoding="utf-8") as log:
        return [line.rstrip("\n") for line in log if line.startswith("ostrel.")]


class Entry(unittest.TestCase):
    def restore_work(self, desktop, ostrel, windows):
        """Restores "Work" from its row's menu and waits until both windows are in place."""
        panel_windows = set(ostrel.windows())
        ostrel.press("push button", "More actions for Work")
        wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
        desktop.key("Down", "Return")
        for cls, window in windows.items():
            wait_for(lambda w=window, f=WORK[cls]: near_target(desktop.window_geometry(w), f),
                     what=cls + " to move")
        ostrel.find("push button", "Work, 2 windows, selected")

    def test_the_icon_shows_and_only_debug_logging_speaks(self):
        with Desktop(tray=False) as desktop:
            quiet_log = os.path.join(desktop.folder, "quiet.log")
            with open(quiet_log, "w", encoding="utf-8") as log:
                ostrel = desktop.start_ostrel(extra_env=PATTERN, stderr=log)
                window = wait_for(lambda: next(iter(ostrel.windows()), None), what="the panel window")
                # The taskbar's icon, small and large (xprop shows the first few of its sizes).
                icon = desktop.window_property(window, "_NET_WM_ICON")
                sizes = re.findall(r"Icon \((\d+) x \1\)", icon)
                self.assertIn("16", sizes)
                self.assertIn("128", sizes)
                ostrel.press("push button", "Quit Ostrel")
                self.assertEqual(ostrel.wait_for_exit(), 0)

                seed_layout(desktop.database_path, "Work", WORK)
                windows = {cls: desktop.open_window(title=cls, cls=cls,
                                                    geometry="400x300+100+%d" % (100 + 350 * i))
                           for i, cls in enumerate(WORK)}
                ostrel = desktop.start_ostrel(extra_env=PATTERN, stderr=log)
                self.restore_work(desktop, ostrel, windows)
                ostrel.press("push button", "Quit Ostrel")
                self.assertEqual(ostrel.wait_for_exit(), 0)
            # A start, a restore and a quit print nothing of the program's own.
            self.assertEqual(own_lines(quiet_log), [])

            for i, window in enumerate(windows.values()):
                desktop.xdotool("windowmove", "--sync", window, 100, 100 + 350 * i)
            debug_log = os.path.join(desktop.folder, "debug.log")
            with open(debug_log, "w", encoding="utf-8") as log:
                ostrel = desktop.start_ostrel(
                    extra_env=dict(PATTERN, QT_LOGGING_RULES="ostrel.*.debug=true"), stderr=log)
                self.restore_work(desktop, ostrel, windows)
                ostrel.press("push button", "Quit Ostrel")
                self.assertEqual(ostrel.wait_for_exit(), 0)
            lines = [line for line in own_lines(debug_log) if line.startswith("ostrel.restore: ")]
            self.assertEqual(len(lines), len(WORK), "\n".join(own_lines(debug_log)))
            for cls, line in zip(WORK, lines):
                self.assertRegex(line, r"^ostrel\.restore: restore “Work”: “.*” \(%s\) (restored|adjusted), "
                                       r"window 0x[0-9a-f]+; asked .*, the window manager left it at "
                                       % re.escape(cls.lower()))


if __name__ == "__main__":
    ostrel_outside.main()
