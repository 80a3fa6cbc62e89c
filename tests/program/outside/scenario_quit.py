"""Quitting: Ctrl+Q in the panel, SIGTERM and "Quit Ostrel" end the program with status 0, and
the global shortcut's key grab goes with it; Ctrl+, in the panel opens the settings."""

import signal
import unittest

import ostrel_outside
from ostrel_outside import Desktop, wait_for

# Ctrl+Alt+K (stored as ⌃⌥K), as the settings store keeps it: the key code of K and control +
# option.
SHORTCUT_SETTING = '"@ByteArray({\\"keyCode\\":40,\\"modifiers\\":6144})"'


class Quit(unittest.TestCase):
    def start_with_a_global_shortcut(self, desktop):
        desktop.write_settings({"globalShortcut": SHORTCUT_SETTING})
        ostrel = desktop.start_ostrel()
        wait_for(lambda: desktop.key_grabbed("k", "ctrl", "alt"), what="the global shortcut's grab")
        return ostrel

    def test_ctrl_q_in_the_active_panel_quits(self):
        with Desktop(tray=True) as desktop:
            ostrel = self.start_with_a_global_shortcut(desktop)
            ostrel.click_tray_icon()
            panel = wait_for(lambda: next(iter(ostrel.windows()), None), what="the panel")
            wait_for(lambda: desktop.active_window() == panel, what="the panel to be active")
            ostrel.wait_until_active("Ostrel")
            desktop.key("ctrl+q")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            self.assertFalse(desktop.key_grabbed("k", "ctrl", "alt"))

    def test_ctrl_comma_in_the_panel_window_opens_the_settings(self):
        with Desktop(tray=False) as desktop:
            ostrel = desktop.start_ostrel()
            panel = wait_for(lambda: next(iter(ostrel.windows()), None), what="the panel")
            desktop.xdotool("windowactivate", "--sync", panel)
            ostrel.wait_until_active("Ostrel")
            # The row says which keys it answers, as Linux programs write them.
            ostrel.find("label", "Ctrl+,")
            ostrel.find("label", "Ctrl+Q")
            desktop.key("ctrl+comma")
            wait_for(lambda: ostrel.accessibles("page tab", "General"), what="the settings window")
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_sigterm_sigint_and_sighup_quit_in_order(self):
        with Desktop(tray=False) as desktop:
            for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
                with self.subTest(signal=number):
                    ostrel = self.start_with_a_global_shortcut(desktop)
                    ostrel.send_signal(number)
                    self.assertEqual(ostrel.wait_for_exit(), 0)
                    self.assertFalse(desktop.key_grabbed("k", "ctrl", "alt"))

    def test_quit_ostrel_pressed_through_accessibility(self):
        with Desktop(tray=False) as desktop:
            ostrel = self.start_with_a_global_shortcut(desktop)
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            self.assertFalse(desktop.key_grabbed("k", "ctrl", "alt"))
            # The setting is still there, as written.
            self.assertIn("globalShortcut", desktop.settings())


if __name__ == "__main__":
    ostrel_outside.main()
