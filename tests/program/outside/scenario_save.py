"""Saving a layout: "Save Layout" in the panel captures the open windows and opens the save window,
a name typed there and "Save Layout" store the layout with the windows that were open, and the
window closes."""

import unittest

import ostrel_outside
from ostrel_outside import Desktop, Rect, press, wait_for, within

# The desktop's monitors at the start, in root coordinates (see Desktop).
PRIMARY = Rect(1280, 0, 1920, 1080)  # DUMMY0
LEFT = Rect(0, 0, 1280, 1024)  # DUMMY1

def enabled(node):
    import pyatspi  # pylint: disable=import-outside-toplevel
    return node.getState().contains(pyatspi.STATE_ENABLED)


class Save(unittest.TestCase):
    def test_a_name_typed_in_the_save_window_stores_the_open_windows_under_it(self):
        with Desktop(tray=False) as desktop:
            notes = desktop.open_window("Notes", "OstrelNotes", "600x400+1500+200")
            sketch = desktop.open_window("Sketch", "OstrelSketch", "500x400+100+150")
            wait_for(lambda: PRIMARY.contains(desktop.window_geometry(notes)),
                     what="the notes window")
            wait_for(lambda: LEFT.contains(desktop.window_geometry(sketch)),
                     what="the sketch window")
            ostrel = desktop.start_ostrel()

            # The panel's button: both the panel and the save window have one of this name, and
            # only the panel is open now.
            ostrel.press("push button", "Save Layout")
            window = ostrel.find("filler", "Save Layout")  # Qt shows a window as a filler
            field = wait_for(lambda: within(window, "text", "Name"), what="the name field")
            save = within(window, "push button", "Save Layout")
            self.assertIsNotNone(save)
            self.assertFalse(enabled(save))
            # A row for each window, its remove button named after the window's application.
            for application in ("OstrelNotes", "OstrelSketch"):
                self.assertIsNotNone(within(window, "push button", "Remove " + application))

            field.queryEditableText().setTextContents("Two <b>monitors</b> & more")
            wait_for(lambda: enabled(save), what="the save button to be enabled")
            press(save)
            wait_for(lambda: not ostrel.accessibles("filler", "Save Layout"),
                     what="the save window to close")

            with desktop.database() as db:
                layouts = db.execute("SELECT id, name FROM layouts").fetchall()
                self.assertEqual([name for _, name in layouts], ["Two <b>monitors</b> & more"])
                layout_id = layouts[0][0]
                windows = db.execute("SELECT bundle_id, app_name, display_key FROM windows "
                                     "WHERE layout_id = ? ORDER BY ordinal",
                                     (layout_id,)).fetchall()
                displays = db.execute("SELECT COUNT(*) FROM displays WHERE layout_id = ?",
                                      (layout_id,)).fetchone()[0]
            self.assertEqual(sorted((bundle, name) for bundle, name, _ in windows),
                             [("ostrelnotes", "OstrelNotes"), ("ostrelsketch", "OstrelSketch")])
            # One window on each monitor, and both monitors saved.
            self.assertEqual(len({key for _, _, key in windows}), 2)
            self.assertEqual(displays, 2)
            # The saved layout is the selected one.
            wait_for(lambda: desktop.settings().get("selectedLayoutID") == layout_id,
                     what="the new layout to be selected")

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)


if __name__ == "__main__":
    ostrel_outside.main()
