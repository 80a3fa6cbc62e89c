"""The decision windows of a restore: a layout saved on two monitors and restored with one of them
switched off asks "Choose a Display", and the monitor chosen there takes the windows; the global
shortcut with no layout selected opens "Restore Layout"."""

import os
import re
import unittest

import ostrel_outside
from ostrel_outside import Desktop, Rect, press, wait_for, within

SAVE_CURRENT_WINDOWS = os.environ.get("OSTREL_SAVE_CURRENT_WINDOWS", "")

# ⌃⌥K, as the settings store keeps it: the key code of K and control + option.
SHORTCUT_SETTING = '"@ByteArray({\\"keyCode\\":40,\\"modifiers\\":6144})"'

# The desktop's monitors at the start, in root coordinates (see Desktop).
PRIMARY = Rect(1280, 0, 1920, 1080)  # DUMMY0
LEFT = Rect(0, 0, 1280, 1024)  # DUMMY1


def monitors(desktop):
    """The monitors switched on now, by output name, in root coordinates."""
    found = {}
    listing = desktop.run(["xrandr", "--listmonitors"]).stdout
    for width, height, x, y, name in re.findall(
            r"(\d+)/\d+x(\d+)/\d+\+(-?\d+)\+(-?\d+)\s+(\S+)\s*$", listing, re.MULTILINE):
        found[name] = Rect(int(x), int(y), int(width), int(height))
    return found


class Decisions(unittest.TestCase):
    def window(self, ostrel, title):
        """The program's window with this title, as assistive technology sees it."""
        return ostrel.find(None, title)

    def start_with_the_global_shortcut(self, desktop):
        ostrel = desktop.start_ostrel()
        wait_for(lambda: desktop.key_grabbed("k", "ctrl", "alt"), what="the global shortcut's grab")
        return ostrel

    def test_a_missing_monitor_is_replaced_by_the_one_chosen(self):
        with Desktop(tray=False) as desktop:
            left = desktop.open_window("On the left", "OstrelLeft", "500x400+100+100")
            right = desktop.open_window("On the right", "OstrelRight", "600x400+1600+200")
            wait_for(lambda: LEFT.contains(desktop.window_geometry(left)), what="the left window")
            wait_for(lambda: PRIMARY.contains(desktop.window_geometry(right)),
                     what="the right window")
            # No outline of the restored windows: this is about where they go.
            desktop.write_settings({"globalShortcut": SHORTCUT_SETTING,
                                    "restoreFlashEnabled": "false"})
            # Saved by the program's own capture while the program is not running; the new
            # layout is the selected one.
            desktop.run([SAVE_CURRENT_WINDOWS, "Both monitors"], timeout=120)
            self.assertIn("selectedLayoutID", desktop.settings())

            desktop.run(["xrandr", "--output", "DUMMY1", "--off"])
            wait_for(lambda: list(monitors(desktop)) == ["DUMMY0"], what="the left monitor to go")
            remaining = monitors(desktop)["DUMMY0"]
            ostrel = self.start_with_the_global_shortcut(desktop)
            desktop.key("ctrl+alt+k")

            prompt = self.window(ostrel, "Choose a Display")
            # The saved left monitor is missing, and the one still connected is the choice: a
            # combo box is named by its current item.
            self.assertIsNotNone(within(prompt, "label", "Display 1 · 1280 × 1024"))
            self.assertIsNotNone(within(prompt, "combo box", "Display 1 · 1920 × 1080"))
            press(within(prompt, "push button", "Restore"))

            wait_for(lambda: not ostrel.accessibles(None, "Choose a Display"),
                     what="the prompt to close")
            # The left window takes the same share of the remaining monitor as it had of its own:
            # half again as wide on a monitor half again as wide.
            wait_for(lambda: desktop.window_geometry(left).width > 700,
                     what="the left window to be fitted to the remaining monitor")
            self.assertTrue(remaining.contains(desktop.window_geometry(left)),
                            desktop.window_geometry(left))
            self.assertTrue(remaining.contains(desktop.window_geometry(right)),
                            desktop.window_geometry(right))
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_the_global_shortcut_without_a_layout_opens_the_chooser(self):
        with Desktop(tray=False) as desktop:
            desktop.write_settings({"globalShortcut": SHORTCUT_SETTING})
            ostrel = self.start_with_the_global_shortcut(desktop)
            desktop.key("ctrl+alt+k")

            chooser = self.window(ostrel, "Restore Layout")
            self.assertIsNotNone(within(chooser, "label", "No layouts yet"))
            press(within(chooser, "push button", "Close"))
            wait_for(lambda: not ostrel.accessibles(None, "Restore Layout"),
                     what="the chooser to close")
            self.assertNotIn("selectedLayoutID", desktop.settings())
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)


if __name__ == "__main__":
    ostrel_outside.main()
