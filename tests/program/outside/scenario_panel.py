"""The panel: a saved layout restored from its row's menu moves the open windows where the layout
keeps them, and a click on the row only selects it."""

import unittest

import ostrel_outside
from ostrel_outside import Desktop, Rect, seed_layout, wait_for

# The primary monitor (DUMMY0) in root coordinates; the program's own space starts at its top
# left.
PRIMARY = Rect(1280, 0, 1920, 1080)

# Where each layout keeps the test windows on the primary monitor, as fractions of it.
LAYOUTS = {
    "Work": {
        "OstrelEditor": (0.10, 0.10, 0.40, 0.50),
        "OstrelMail": (0.55, 0.30, 0.35, 0.45),
    },
    "Home": {
        "OstrelEditor": (0.50, 0.50, 0.30, 0.30),
        "OstrelMail": (0.05, 0.55, 0.30, 0.30),
    },
}


def target(frame):
    """The rectangle a relative frame stands for on the primary monitor, in root coordinates."""
    x, y, width, height = frame
    return Rect(round(PRIMARY.x + x * PRIMARY.width), round(PRIMARY.y + y * PRIMARY.height),
                round(width * PRIMARY.width), round(height * PRIMARY.height))


def near(actual, expected, slack=40):
    """The client window lies where the layout puts its frame: the window manager's decorations
    take a little of the frame at its top and edges."""
    return (abs(actual.x - expected.x) <= slack and abs(actual.y - expected.y) <= slack
            and abs(actual.right - expected.right) <= slack
            and abs(actual.bottom - expected.bottom) <= slack)


class Panel(unittest.TestCase):
    @staticmethod
    def press_row(ostrel, name):
        """Presses the row of a layout, selected or not (its name says which)."""
        prefix = "%s, 2 windows, " % name
        row = wait_for(lambda: next((node for node in ostrel.accessibles("push button")
                                     if node.name.startswith(prefix)), None),
                       what="the row of " + name)
        ostrel.press("push button", row.name)

    def test_restore_from_a_rows_menu_moves_the_windows_and_a_row_click_only_selects(self):
        with Desktop(tray=False) as desktop:
            # A first start makes the store; the layouts are written into it while no program
            # runs.
            ostrel = desktop.start_ostrel()
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            for name, entries in LAYOUTS.items():
                seed_layout(desktop.database_path, name, entries)

            # The windows start on the other monitor.
            windows = {cls: desktop.open_window(title=cls, cls=cls,
                                                geometry="400x300+100+%d" % (100 + 350 * i))
                       for i, cls in enumerate(LAYOUTS["Work"])}
            before = {cls: desktop.window_geometry(window) for cls, window in windows.items()}

            ostrel = desktop.start_ostrel()
            # Clicks on the rows select them, and move nothing.
            for name in ("Work", "Home"):
                self.press_row(ostrel, name)
                ostrel.find("push button", "%s, 2 windows, selected" % name)
            ostrel.find("push button", "Work, 2 windows, not selected")
            for cls, window in windows.items():
                self.assertTrue(near(desktop.window_geometry(window), before[cls], slack=0), cls)

            # The row's menu is a popup, and the accessibility tree leaves popups out: it is
            # opened through its button and "Restore", its first item, chosen with the keys.
            panel_windows = set(ostrel.windows())
            ostrel.press("push button", "More actions for Work")
            wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
            desktop.key("Down", "Return")
            for cls, window in windows.items():
                expected = target(LAYOUTS["Work"][cls])
                wait_for(lambda w=window, e=expected: near(desktop.window_geometry(w), e),
                         what="%s to move to %r" % (cls, expected))
                self.assertTrue(PRIMARY.contains(desktop.window_geometry(window)), cls)
            # Restoring from the menu selects the layout it restored.
            ostrel.find("push button", "Work, 2 windows, selected")

            # Quitting at once, while the outline around the restored windows still shows, ends
            # the program in order all the same.
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)


if __name__ == "__main__":
    ostrel_outside.main()
