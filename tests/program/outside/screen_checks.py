"""What a person sees on the screen, read from the root window's pixels while the real program
runs: the outline after a restore leaves the restored windows visible, every window and alert the
program opens is painted (also while the settings window is open), the candidate markers show
their numbers, and every window and message speaks of this desktop in its words and keys. The
scenario files run these checks under one window manager each."""

import os
import signal
import unittest

from ostrel_outside import Desktop, Rect, seed_layout, wait_for

SAVE_CURRENT_WINDOWS = os.environ.get("OSTREL_SAVE_CURRENT_WINDOWS", "")

# Ctrl+Alt+K (stored as ⌃⌥K), as the settings store keeps it: the key code of K and control +
# option.
SHORTCUT_SETTING = '"@ByteArray({\\"keyCode\\":40,\\"modifiers\\":6144})"'

# Ctrl+Alt+R as a settings file of an earlier version keeps it (⌃⌥R): the key code of R and
# control + option.
OLDER_SHORTCUT_SETTING = '"@ByteArray({\\"keyCode\\":15,\\"modifiers\\":6144})"'

# The primary monitor (DUMMY0) in root coordinates.
PRIMARY = Rect(1280, 0, 1920, 1080)

WORK = {"OstrelEditor": (0.10, 0.10, 0.40, 0.50), "OstrelMail": (0.55, 0.30, 0.35, 0.45)}

# How far in from a restored window's edge the glow may tint it under a compositor: the widest
# glow layer is 64 wide and blurred by 36.
GLOW_DEPTH = 110


def inset(rect, by):
    return Rect(rect.x + by, rect.y + by, rect.width - 2 * by, rect.height - 2 * by)


def union(rects):
    rects = list(rects)
    left, top = min(r.x for r in rects), min(r.y for r in rects)
    return Rect(left, top, max(r.right for r in rects) - left, max(r.bottom for r in rects) - top)


def edge(rect, depth=3):
    """The band just inside a rectangle's edge, as four rectangles."""
    return [Rect(rect.x, rect.y, rect.width, depth), Rect(rect.x, rect.bottom - depth, rect.width, depth),
            Rect(rect.x, rect.y, depth, rect.height), Rect(rect.right - depth, rect.y, depth, rect.height)]


class ScreenChecks(unittest.TestCase):
    """The checks; a scenario's test case derives from it and says whether its desktop is
    composited (xfwm4's compositor) or not (openbox). A scenario imports this module, not the
    class, so that the loader finds the checks only under the scenario's own case."""

    compositing = False

    def test_the_restore_outline_leaves_the_windows_visible(self):
        self.check_restore_outline()

    def test_windows_and_alerts_paint_in_light(self):
        self.check_windows_paint("light")

    def test_windows_and_alerts_paint_in_dark(self):
        self.check_windows_paint("dark")

    def test_markers_show_their_numbers(self):
        self.check_markers()

    def test_every_window_speaks_in_this_desktops_words_and_keys(self):
        # One appearance per window manager: the pictures show both.
        self.check_words("dark" if self.compositing else "light")

    def desktop(self):
        return Desktop(tray=False, window_manager=not self.compositing)

    def prepare(self, desktop):
        if self.compositing:
            desktop.start_compositing_window_manager()
        else:
            self.assertFalse(desktop.is_compositing())

    def name(self, what):
        return "%s-%s" % ("compositor" if self.compositing else "openbox", what)

    def new_window(self, ostrel, before, what):
        """The one window the program opened since `before` (a set of its windows), once it is on
        screen."""
        def opened():
            added = [w for w in ostrel.windows() if w not in before
                     and not ostrel.desktop.is_override_redirect(w)]
            return added[0] if len(added) == 1 else None
        return wait_for(opened, what=what)

    def assert_linux_words(self, ostrel, where):
        """No text of the program's windows and alerts names the Mac, its system or its settings,
        or writes a shortcut with the Mac's glyphs."""
        self.assertEqual(ostrel.foreign_texts(), [], where)

    def keep_screen(self, desktop, name):
        desktop.screenshot().save(self.name(name))

    def assert_painted(self, desktop, window, name):
        """Waits until the window's rectangle on screen shows a drawing, and keeps the screen."""
        rect = desktop.window_geometry(window)
        try:
            wait_for(lambda: desktop.screenshot(rect).is_painted(rect), timeout=15,
                     what="%s to be painted" % name)
        finally:
            desktop.screenshot().save(self.name(name))

    # --- the outline of restored windows ------------------------------------------------------

    def check_restore_outline(self):
        with self.desktop() as desktop:
            self.prepare(desktop)
            ostrel = desktop.start_ostrel()
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            seed_layout(desktop.database_path, "Work", WORK)
            windows = [desktop.open_window(title=cls, cls=cls, geometry="400x300+100+%d" % (100 + 350 * i))
                       for i, cls in enumerate(WORK)]

            ostrel = desktop.start_ostrel()
            panel_windows = set(ostrel.windows())
            ostrel.press("push button", "More actions for Work")
            wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
            desktop.key("Down", "Return")

            # While the outline is up: each outline lies over its window, its rim is drawn, and
            # the window's inside shows through unchanged. The outline shows for about a second
            # and a half, which a loaded machine can spend on one look, so the program is stopped
            # while the screen is read: stopped, it neither fades nor takes the outline down, and
            # the X server (or the compositor) keeps showing what it drew. The fade-in is awaited
            # by letting it go on and looking again until the rims show.
            area = []
            def outlined():
                overlays = ostrel.overlays()
                if len(overlays) != len(windows):
                    return None
                ostrel.send_signal(signal.SIGSTOP)
                if not area:
                    area.append(union(overlays.values()))
                shot = desktop.screenshot(area[0])
                rims = [sum(1 for p in shot.pixels(r) if max(p) - min(p) > 60)
                        for rect in overlays.values() for r in edge(rect)]
                if all(rims):
                    return overlays, shot
                ostrel.send_signal(signal.SIGCONT)
                return None
            try:
                overlays, during = wait_for(outlined, timeout=20, what="the outlines with their rims")
            finally:
                ostrel.send_signal(signal.SIGCONT)
            during.save(self.name("restore-outline-during"))
            wait_for(lambda: not ostrel.overlays(), what="the outlines to go")
            after = desktop.screenshot(area[0])
            after.save(self.name("restore-outline-after"))

            for rect in overlays.values():
                inside = inset(rect, GLOW_DEPTH if self.compositing else 30)
                self.assertEqual(during.pixels(inside), after.pixels(inside),
                                 "the outline covers the inside of %r" % rect)
                self.assertNotIn((0, 0, 0), set(during.pixels(inside)))
                changed = sum(1 for r in edge(rect) for a, b in zip(during.pixels(r), after.pixels(r))
                              if a != b)
                self.assertGreater(changed, rect.width, "no rim drawn around %r" % rect)
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    # --- windows and alerts paint, also beside the settings window ---------------------------

    def check_windows_paint(self, appearance):
        with self.desktop() as desktop:
            self.prepare(desktop)
            left = desktop.open_window("On the left", "OstrelLeft", "500x400+100+100")
            right = desktop.open_window("On the right", "OstrelRight", "600x400+1600+200")
            wait_for(lambda: desktop.window_geometry(left).right <= 1280, what="the left window")
            desktop.write_settings({"globalShortcut": SHORTCUT_SETTING, "appearance": appearance,
                                    "restoreFlashEnabled": "false"})
            desktop.run([SAVE_CURRENT_WINDOWS, "Both monitors"], timeout=120)
            desktop.run(["xrandr", "--output", "DUMMY1", "--off"])
            wait_for(lambda: "DUMMY1" not in desktop.run(["xrandr", "--listmonitors"]).stdout,
                     what="the left monitor to go")

            ostrel = desktop.start_ostrel()
            wait_for(lambda: desktop.key_grabbed("k", "ctrl", "alt"), what="the global shortcut's grab")
            panel = wait_for(lambda: ostrel.windows(), what="the panel")[0]
            self.assert_painted(desktop, panel, "panel-" + appearance)
            self.assert_linux_words(ostrel, "the panel")

            # "Choose a Display" alone, then with the settings window open.
            before = set(ostrel.windows())
            desktop.key("ctrl+alt+k")
            prompt = self.new_window(ostrel, before, "Choose a Display")
            self.assert_painted(desktop, prompt, "choose-a-display-" + appearance)
            self.assert_linux_words(ostrel, "Choose a Display")
            desktop.close_window(prompt)
            wait_for(lambda: not desktop.window_is_viewable(prompt), what="the prompt to close")

            before = set(ostrel.windows())
            ostrel.press("push button", "Settings…")
            settings = self.new_window(ostrel, before, "the settings window")
            self.assert_painted(desktop, settings, "settings-" + appearance)

            before = set(ostrel.windows())
            desktop.key("ctrl+alt+k")
            prompt = self.new_window(ostrel, before, "Choose a Display beside the settings")
            self.assert_painted(desktop, prompt, "choose-a-display-with-settings-" + appearance)
            self.assert_painted(desktop, settings, "settings-beside-the-prompt-" + appearance)
            desktop.close_window(prompt)
            wait_for(lambda: not desktop.window_is_viewable(prompt), what="the prompt to close")

            # The reset question, asked from the storage tab.
            ostrel.press("page tab", "Storage")
            before = set(ostrel.windows())
            ostrel.press("push button", "Reset Layouts…")
            question = self.new_window(ostrel, before, "Reset Layouts?")
            self.assertIsNotNone(ostrel.find("label", "Reset Layouts?"))
            self.assert_painted(desktop, question, "reset-layouts-" + appearance)
            self.assert_linux_words(ostrel, "the settings window and Reset Layouts?")
            desktop.key("Escape")
            wait_for(lambda: not desktop.window_is_viewable(question), what="the question to close")

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    # --- candidate markers -------------------------------------------------------------------

    def check_markers(self):
        with self.desktop() as desktop:
            self.prepare(desktop)
            ostrel = desktop.start_ostrel()
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            seed_layout(desktop.database_path, "Editor", {"OstrelEditor": (0.10, 0.10, 0.40, 0.50)})
            # Two windows of one application: the layout's one window could be either. The first
            # lies where "Choose Windows" opens, so its marker is drawn over the dialog.
            for i, geometry in enumerate(("500x400+400+300", "500x400+2100+500")):
                desktop.open_window(title="Editor %d" % (i + 1), cls="OstrelEditor", geometry=geometry)

            ostrel = desktop.start_ostrel()
            panel_windows = set(ostrel.windows())
            ostrel.press("push button", "More actions for Editor")
            wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
            before = set(ostrel.windows())
            desktop.key("Down", "Return")
            ostrel.find(None, "Choose Windows")
            dialog = self.new_window(ostrel, before, "Choose Windows")
            ostrel.press("push button", "Show Markers")

            def numbered():
                markers = ostrel.overlays()
                if len(markers) != 2:
                    return None
                shot = desktop.screenshot(desktop.screen_rect())
                # The badge: a green disc near the top left with the number in white.
                for rect in markers.values():
                    badge = Rect(rect.x + 3 + 8, rect.y + 3 + 8, 28, 28)
                    colours = shot.pixels(badge)
                    green = sum(1 for r, g, b in colours if g > 150 and r < 120 and b < 120)
                    white = sum(1 for r, g, b in colours if min(r, g, b) > 220)
                    if green < 200 or white < 15:
                        return None
                return markers, shot
            markers, shot = wait_for(numbered, timeout=20, what="two numbered markers")
            shot.save(self.name("markers"))
            for rect in markers.values():
                inside = inset(rect, 60)
                self.assertNotIn((0, 0, 0), set(shot.pixels(inside)), "a marker blacks out %r" % rect)
            # The dialog stays painted under the marker that crosses it.
            self.assertTrue(shot.is_painted(desktop.window_geometry(dialog)))
            self.assert_linux_words(ostrel, "Choose Windows")
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    # --- the words and keys of this desktop ----------------------------------------------------

    def check_words(self, appearance):
        """Walks every window and message a user meets, from a layout with shortcuts to none at
        all and, where the window manager can be stopped, to no access: no text names the Mac or
        writes a shortcut with its glyphs, shortcuts read as Linux writes them (a global one
        stored by an older version included, which still restores), the program's own keys are
        Ctrl's, and the recorder refuses the desktop's own combinations. Pictures of each step
        are kept."""
        with self.desktop() as desktop:
            self.prepare(desktop)
            ostrel = desktop.start_ostrel()
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            layout_id = seed_layout(desktop.database_path, "Work", WORK)
            connection = __import__("sqlite3").connect(desktop.database_path)
            with connection:
                # Shift+Super+K, stored as ⇧⌘K: the key code of K and shift + command.
                connection.execute("UPDATE layouts SET shortcut_key_code = 40, "
                                   "shortcut_modifiers = 768 WHERE id = ?", (layout_id,))
            connection.close()
            desktop.write_settings({"globalShortcut": OLDER_SHORTCUT_SETTING,
                                    "appearance": appearance, "restoreFlashEnabled": "false"})
            windows = [desktop.open_window(title=cls, cls=cls, geometry="400x300+100+%d" % (100 + 350 * i))
                       for i, cls in enumerate(WORK)]

            ostrel = desktop.start_ostrel()
            wait_for(lambda: desktop.key_grabbed("r", "ctrl", "alt"), what="the global shortcut's grab")
            panel = wait_for(lambda: ostrel.windows(), what="the panel")[0]
            # The shortcuts read as Linux writes them, the stored ⌃⌥R as Ctrl+Alt+R.
            ostrel.find("push button", "Restore layout, shortcut Ctrl+Alt+R")
            ostrel.find(None, "Shortcut Shift+Super+K")
            self.assert_painted(desktop, panel, "words-panel-" + appearance)
            self.assert_linux_words(ostrel, "the panel")

            # The stored shortcut still restores.
            desktop.key("ctrl+alt+r")
            for cls, window in zip(WORK, windows):
                x, y, width, height = WORK[cls]
                wait_for(lambda w=window, x=x, y=y: abs(desktop.window_geometry(w).x - (PRIMARY.x + x * PRIMARY.width)) < 40
                         and abs(desktop.window_geometry(w).y - (PRIMARY.y + y * PRIMARY.height)) < 40,
                         what=cls + " to be restored by Ctrl+Alt+R")

            # The save window, once the restore has ended and capturing is possible again.
            import pyatspi  # pylint: disable=import-outside-toplevel
            wait_for(lambda: ostrel.find("push button", "Save Layout").getState().contains(
                pyatspi.STATE_ENABLED), what="Save Layout to be enabled")
            before = set(ostrel.windows())
            ostrel.press("push button", "Save Layout")
            save = self.new_window(ostrel, before, "the save window")
            wait_for(lambda: ostrel.accessibles("push button", "Remove OstrelEditor"),
                     what="the captured windows")
            self.assert_painted(desktop, save, "words-save-window-" + appearance)
            self.assert_linux_words(ostrel, "the save window")
            ostrel.press("push button", "Cancel")
            wait_for(lambda: not desktop.window_is_viewable(save), what="the save window to close")

            # Ctrl+, in the panel opens the settings; each page in turn.
            desktop.xdotool("windowactivate", "--sync", panel)
            ostrel.wait_until_active("Ostrel")
            before = set(ostrel.windows())
            desktop.key("ctrl+comma")
            settings = self.new_window(ostrel, before, "the settings window")
            for page in ("General", "Shortcuts", "Applications", "Storage", "About"):
                ostrel.press("page tab", page)
                self.assert_painted(desktop, settings, "words-settings-%s-%s" % (page.lower(), appearance))
            self.assert_linux_words(ostrel, "the settings window")

            # The recorder: the desktop's own combinations are refused, others are taken.
            ostrel.press("page tab", "Shortcuts")
            # A recording belongs to the window active when it starts.
            desktop.xdotool("windowactivate", "--sync", settings)
            ostrel.wait_until_active("Ostrel Settings")
            ostrel.press("push button", "Change shortcut for Restore selected layout")
            ostrel.find("push button", "Cancel recording for Restore selected layout")
            desktop.key("ctrl+c")
            ostrel.find(None, "Pressed Ctrl+C, reserved for the desktop")
            ostrel.find("label", "Ctrl+C is the desktop's Copy shortcut. Choose a combination "
                                 "the desktop does not already use.")
            self.keep_screen(desktop, "words-recorder-refused-" + appearance)
            # Alt+Tab never gets here: both window managers switch windows with it, which ends
            # the recording (the UI tests press it into the recorder).
            for keys, shown in (("super+q", "New shortcut Super+Q"),
                                ("ctrl+alt+r", "New shortcut Ctrl+Alt+R")):
                desktop.key(keys)
                ostrel.find(None, shown)
            ostrel.find("label", "Press Save to keep this shortcut.")
            self.keep_screen(desktop, "words-recorder-" + appearance)
            self.assert_linux_words(ostrel, "the recorder")
            ostrel.press("push button", "Cancel recording for Restore selected layout")
            desktop.close_window(settings)
            wait_for(lambda: not desktop.window_is_viewable(settings), what="the settings to close")

            # The layout's details, opened from its row's menu ("Manage Layout…", the second item).
            panel_windows = set(ostrel.windows())
            ostrel.press("push button", "More actions for Work")
            wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
            before = set(ostrel.windows())
            desktop.key("Down", "Down", "Return")
            details = self.new_window(ostrel, before, "Layout Details")
            self.assert_painted(desktop, details, "words-layout-details-" + appearance)
            self.assert_linux_words(ostrel, "Layout Details")
            desktop.close_window(details)
            wait_for(lambda: not desktop.window_is_viewable(details), what="the details to close")

            # Deleting it asks first; then there is no layout, and the global shortcut opens the
            # chooser, which sends the user to the panel's window (there is no tray here).
            panel_windows = set(ostrel.windows())
            ostrel.press("push button", "More actions for Work")
            wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
            desktop.key("Down", "Down", "Down", "Return")
            ostrel.find("label", "Delete Layout?")
            self.assert_linux_words(ostrel, "Delete Layout?")
            ostrel.press("push button", "Delete")
            def deleted():
                with desktop.database() as db:
                    return db.execute("SELECT COUNT(*) FROM layouts").fetchone()[0] == 0
            wait_for(deleted, what="the layout to go")
            wait_for(lambda: desktop.key_grabbed("r", "ctrl", "alt"), what="the global shortcut's grab")
            before = set(ostrel.windows())
            desktop.key("ctrl+alt+r")
            chooser = self.new_window(ostrel, before, "Restore Layout")
            ostrel.find("label", "Open the Ostrel window to save one.")
            self.assert_painted(desktop, chooser, "words-chooser-" + appearance)
            self.assert_linux_words(ostrel, "Restore Layout")
            desktop.close_window(chooser)
            wait_for(lambda: not desktop.window_is_viewable(chooser), what="the chooser to close")

            if not self.compositing:
                # No window manager, no access: the panel says what access is here and offers
                # only Recheck.
                desktop.stop_window_manager()
                banner_text = "Run a window manager that supports EWMH, then Recheck."
                ostrel.find("label", banner_text)
                self.assertEqual(ostrel.accessibles("push button", "Enable Access"), [])
                self.keep_screen(desktop, "words-no-access-" + appearance)
                self.assert_linux_words(ostrel, "the panel without access")

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
