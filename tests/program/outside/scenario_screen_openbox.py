"""The screen under openbox, where nothing is composited: the outline and the markers are windows
cut to their marks, and every window the program opens is painted."""

import ostrel_outside
import screen_checks


class ScreenWithoutCompositor(screen_checks.ScreenChecks):
    compositing = False


if __name__ == "__main__":
    ostrel_outside.main()
