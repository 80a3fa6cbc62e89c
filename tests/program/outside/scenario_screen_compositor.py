"""The screen under a compositing window manager (xfwm4 drawing with XRender): the outline and
the markers are translucent, and every window the program opens is painted."""

import ostrel_outside
from screen_checks import ScreenChecks


class ScreenWithCompositor(ScreenChecks):
    compositing = True

    def test_the_restore_outline_leaves_the_windows_visible(self):
        self.check_restore_outline()

    def test_windows_and_alerts_paint_in_light(self):
        self.check_windows_paint("light")

    def test_windows_and_alerts_paint_in_dark(self):
        self.check_windows_paint("dark")

    def test_markers_show_their_numbers(self):
        self.check_markers()


if __name__ == "__main__":
    ostrel_outside.main()
