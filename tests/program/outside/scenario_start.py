"""Starting `ostrel`: with a tray host and without one, without a window manager, without an X
server, and a second start while one runs."""

import os
import unittest

import ostrel_outside
from ostrel_outside import Desktop, wait_for

PRIMARY = (1280, 0, 1920, 1080)  # the primary monitor in root coordinates


class Start(unittest.TestCase):
    def test_without_a_tray_the_panel_is_a_window_that_closing_only_minimizes(self):
        with Desktop(tray=False) as desktop:
            ostrel = desktop.start_ostrel()
            window = wait_for(lambda: next(iter(ostrel.windows()), None), what="the panel window")
            self.assertEqual(desktop.window_name(window), "Ostrel")
            self.assertEqual(desktop.window_geometry(window).width, 320)
            # An ordinary window: a taskbar lists it.
            self.assertNotIn("SKIP_TASKBAR", desktop.window_property(window, "_NET_WM_STATE"))
            self.assertIn("_NET_WM_WINDOW_TYPE_NORMAL",
                          desktop.window_property(window, "_NET_WM_WINDOW_TYPE"))
            ostrel.find("push button", "Quit Ostrel")

            # The store was made; nothing was written to the settings.
            self.assertTrue(os.path.exists(desktop.database_path))
            with desktop.database() as db:
                self.assertEqual(db.execute("PRAGMA user_version").fetchone()[0], 3)
                self.assertEqual(db.execute("SELECT COUNT(*) FROM layouts").fetchone()[0], 0)
            self.assertFalse(os.path.exists(desktop.settings_path))

            desktop.close_window(window)
            wait_for(lambda: "Iconic" in desktop.window_property(window, "WM_STATE")
                     or "HIDDEN" in desktop.window_property(window, "_NET_WM_STATE"),
                     what="the panel window to minimize")
            self.assertTrue(ostrel.is_running())

            # A second start asks the running one for its panel and ends.
            second = desktop.start_ostrel(wait_until_ready=False)
            self.assertEqual(second.wait_for_exit(), 0)
            wait_for(lambda: desktop.window_is_viewable(window)
                     and "HIDDEN" not in desktop.window_property(window, "_NET_WM_STATE"),
                     what="the panel window to come back")
            self.assertTrue(ostrel.is_running())

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_with_a_tray_only_the_icon_shows_at_start_and_a_second_start_opens_the_panel(self):
        with Desktop(tray=True) as desktop:
            ostrel = desktop.start_ostrel()
            icon = wait_for(ostrel.tray_icon_geometry, what="the tray icon")
            self.assertGreater(icon.width, 1)
            self.assertEqual(ostrel.windows(), [])

            second = desktop.start_ostrel(wait_until_ready=False)
            self.assertEqual(second.wait_for_exit(), 0)
            panel = wait_for(lambda: next(iter(ostrel.windows()), None), what="the panel")
            self.assertIn("SKIP_TASKBAR", desktop.window_property(panel, "_NET_WM_STATE"))

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_without_a_window_manager_it_starts_and_quits(self):
        with Desktop(tray=False, window_manager=False) as desktop:
            ostrel = desktop.start_ostrel()
            wait_for(lambda: ostrel.windows(), what="the panel window")
            self.assertTrue(os.path.exists(desktop.database_path))
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_without_an_x_server_it_starts_offscreen_or_says_it_has_no_display(self):
        with Desktop(tray=False) as desktop:
            nowhere = {"DISPLAY": ":4095"}
            # Shown nowhere: it still runs, on a desktop that offers nothing.
            ostrel = desktop.start_ostrel(extra_env=dict(nowhere, QT_QPA_PLATFORM="offscreen"))
            self.assertTrue(os.path.exists(desktop.database_path))
            ostrel.send_signal()
            self.assertEqual(ostrel.wait_for_exit(), 0)

            # No display of any kind: a message and status 1, never a crash.
            result = desktop.run([os.environ["OSTREL_EXECUTABLE"]], check=False,
                                 extra_env=dict(nowhere, QT_QPA_PLATFORM=""))
            self.assertEqual(result.returncode, 1, result.stderr)
            self.assertIn("no display could be opened", result.stderr)


if __name__ == "__main__":
    ostrel_outside.main()
