"""The screen under a compositing window manager (xfwm4 drawing with XRender): the outline and
the markers are translucent, and every window the program opens is painted."""

import ostrel_outside
import screen_checks


class ScreenWithCompositor(screen_checks.ScreenChecks):
    compositing = True


if __name__ == "__main__":
    ostrel_outside.main()
