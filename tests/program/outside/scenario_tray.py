"""The tray: clicking the icon opens the panel next to it, clicking elsewhere hides it."""

import time
import unittest

import ostrel_outside
from ostrel_outside import Desktop, Rect, wait_for


# The shell's guard against reopening the panel with the click that closed it (400 ms), with room.
PanelReopenGuardSeconds = 0.6


class Tray(unittest.TestCase):
    def test_clicking_the_icon_toggles_the_panel_beside_it_and_a_click_elsewhere_hides_it(self):
        with Desktop(tray=True) as desktop:
            other = desktop.open_window(title="Elsewhere", geometry="500x400+1500+500")
            ostrel = desktop.start_ostrel()
            icon = wait_for(ostrel.tray_icon_geometry, what="the tray icon")

            ostrel.click_tray_icon()
            panel = wait_for(lambda: next(iter(ostrel.windows()), None), what="the panel")
            geometry = desktop.window_geometry(panel)
            self.assertEqual(geometry.width, 320)
            # Right under the icon, its right edge at the icon's, inside the primary monitor.
            self.assertGreaterEqual(geometry.y, icon.bottom)
            self.assertLessEqual(geometry.y, desktop.tray_host_geometry().bottom)
            self.assertEqual(geometry.right, icon.right)
            self.assertTrue(Rect(1280, 0, 1920, 1080).contains(geometry), geometry)
            wait_for(lambda: desktop.active_window() == panel, what="the panel to be active")
            ostrel.find("push button", "Quit Ostrel")

            # The icon again closes it.
            ostrel.click_tray_icon()
            wait_for(lambda: not ostrel.windows(), what="the panel to hide")

            # Open again, then click another window.
            ostrel.click_tray_icon()
            wait_for(lambda: ostrel.windows(), what="the panel")
            desktop.click(1700, 700)
            wait_for(lambda: desktop.active_window() == other, what="the other window to be active")
            wait_for(lambda: not ostrel.windows(), what="the panel to hide")
            self.assertTrue(ostrel.is_running())

            # A click on the icon that comes right after the panel lost activation is the click
            # that took it away, so the shell ignores it for a moment; a person clicks later.
            time.sleep(PanelReopenGuardSeconds)
            ostrel.click_tray_icon()
            wait_for(lambda: ostrel.windows(), what="the panel")
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)


if __name__ == "__main__":
    ostrel_outside.main()
