"""The tray, under an XEmbed host (trayer) and a StatusNotifier host (the tests' own): clicking
the icon opens the panel next to it, clicking elsewhere or Escape hides it, also after a window it
opened was closed; the icon's menu holds the panel's commands; a later start opens the panel where
the tray placed it; and the icon reads on a light and a dark panel."""

import time
import unittest

import ostrel_outside
from ostrel_outside import Desktop, Rect, wait_for


# The shell's guard against reopening the panel with the click that closed it (400 ms), with room.
PanelReopenGuardSeconds = 0.6
PRIMARY = Rect(1280, 0, 1920, 1080)
# The StatusNotifier host's panel: the top 24 pixels of the primary monitor.
SNI_BAR = 24


def luminance(colour):
    def channel(value):
        c = value / 255.0
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = colour
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def panel_of(ostrel):
    return wait_for(lambda: next(iter(ostrel.windows()), None), what="the panel")


def settings_window(desktop, ostrel):
    def found():
        for window in ostrel.windows():
            if desktop.window_name(window) == "Ostrel Settings":
                return window
        return None
    return wait_for(found, what="the settings window")


class Tray(unittest.TestCase):
    def check_icon_reads_on_its_panel(self, desktop, ostrel, name):
        """The icon's pixels keep 3 : 1 against the panel around it: enough of them to draw the
        window glyph all round. Keeps the picture."""
        icon = wait_for(ostrel.tray_icon_geometry, what="the tray icon")
        around = Rect(icon.x - 12, icon.y - 1, icon.width + 24, icon.height + 2)

        def reading():
            shot = desktop.screenshot(around)
            panel = shot.pixel(around.x + 2, around.y + around.height // 2)
            count = sum(1 for colour in shot.pixels(icon) if contrast(colour, panel) >= 3.0)
            return shot, panel, count

        try:
            wait_for(lambda: reading()[2] >= 2 * icon.width, what="the icon to be drawn legibly")
        finally:
            shot, panel, count = reading()
            shot.save(name)
            desktop.screenshot(Rect(PRIMARY.right - 400, 0, 400, 60)).save(name + "-bar")
        self.assertGreaterEqual(count, 2 * icon.width, "pixels at 3 : 1 on %s" % (panel,))

    def test_clicking_the_icon_toggles_the_panel_beside_it_and_a_click_elsewhere_hides_it(self):
        with Desktop(tray=True) as desktop:
            other = desktop.open_window(title="Elsewhere", geometry="500x400+1500+500")
            ostrel = desktop.start_ostrel()
            icon = wait_for(ostrel.tray_icon_geometry, what="the tray icon")

            ostrel.click_tray_icon()
            panel = panel_of(ostrel)
            geometry = desktop.window_geometry(panel)
            self.assertEqual(geometry.width, 322)  # 320 and its border
            # Right under the icon, its right edge at the icon's, inside the primary monitor.
            self.assertGreaterEqual(geometry.y, icon.bottom)
            self.assertLessEqual(geometry.y, desktop.tray_host_geometry().bottom)
            self.assertEqual(geometry.right, icon.right)
            self.assertTrue(PRIMARY.contains(geometry), geometry)
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

    def test_after_settings_was_opened_and_closed_a_click_elsewhere_or_escape_hides_the_panel(self):
        with Desktop(tray=True) as desktop:
            other = desktop.open_window(title="Elsewhere", geometry="500x400+1500+500")
            ostrel = desktop.start_ostrel()
            ostrel.click_tray_icon()
            panel = panel_of(ostrel)

            # Settings from the panel, closed again with Escape: the panel stays and has the
            # focus back.
            ostrel.press("push button", "Settings…")
            settings = settings_window(desktop, ostrel)
            wait_for(lambda: desktop.active_window() == settings, what="the settings window")
            desktop.key("Escape")
            wait_for(lambda: settings not in ostrel.windows(), what="Escape to close Settings")
            wait_for(lambda: desktop.active_window() == panel, what="the panel to take the focus")
            self.assertTrue(desktop.window_is_viewable(panel))
            desktop.screenshot().save("tray-panel-after-settings-closed")

            # A click on another window hides it.
            desktop.click(1700, 700)
            wait_for(lambda: desktop.active_window() == other, what="the other window to be active")
            wait_for(lambda: not ostrel.windows(), what="the panel to hide")

            # Once more, Settings closed by its frame's close button; then Escape hides the panel.
            time.sleep(PanelReopenGuardSeconds)
            ostrel.click_tray_icon()
            panel = panel_of(ostrel)
            ostrel.press("push button", "Settings…")
            settings = settings_window(desktop, ostrel)
            desktop.close_window(settings)
            wait_for(lambda: settings not in ostrel.windows(), what="Settings to close")
            wait_for(lambda: desktop.active_window() == panel, what="the panel to take the focus")
            desktop.key("Escape")
            wait_for(lambda: not ostrel.windows(), what="Escape to hide the panel")
            self.assertTrue(ostrel.is_running())

    def test_the_icons_menu_opens_settings_and_quits(self):
        with Desktop(tray=True) as desktop:
            ostrel = desktop.start_ostrel()
            icon = wait_for(ostrel.tray_icon_geometry, what="the tray icon")

            def open_menu():
                before = set(ostrel.windows())
                desktop.click(*icon.center(), button=3)
                return wait_for(lambda: next(iter(set(ostrel.windows()) - before), None),
                                what="the menu")

            # Open Ostrel, a separator, Settings…, Quit Ostrel: from the keyboard, as a person
            # who right-clicked may go on.
            menu = open_menu()
            desktop.screenshot(desktop.window_geometry(menu)).save("tray-xembed-menu")
            desktop.key("Down", "Down", "Return")
            settings = settings_window(desktop, ostrel)
            wait_for(lambda: menu not in ostrel.windows(), what="the menu to close")
            # The window manager hands the activation to Settings on its own time, and a menu
            # that opens before that closes with the activation it loses.
            wait_for(lambda: desktop.active_window() == settings, what="Settings to be active")
            # The program hears of that focus on its own connection a moment later; a menu that
            # pops up before it does closes with the window it takes for active.
            ostrel.wait_until_active("Ostrel Settings")
            open_menu()
            desktop.key("Down", "Down", "Down", "Return")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_under_a_compositor_the_panel_has_a_border_and_casts_a_shadow(self):
        for appearance in ("light", "dark"):
            with Desktop(tray=True, window_manager=False) as desktop:
                desktop.start_compositing_window_manager()
                # A white window behind the panel, so that its shadow has something to fall on.
                desktop.open_window(title="Behind", geometry="900x700+2250+0")
                desktop.write_settings({"appearance": appearance})
                ostrel = desktop.start_ostrel()
                ostrel.click_tray_icon()
                window = panel_of(ostrel)
                geometry = desktop.window_geometry(window)
                # The window reaches past the panel by the shadow: 320 wide, a border each side.
                self.assertGreater(geometry.width, 322)

                def shadow_shows():
                    shot = desktop.screenshot(Rect(geometry.x, geometry.bottom - 8, geometry.width, 8))
                    below = shot.pixel(geometry.x + geometry.width // 2, geometry.bottom - 6)
                    return below != (255, 255, 255) and max(below) < 250
                wait_for(shadow_shows, what="the shadow under the panel")
                desktop.screenshot(Rect(geometry.x - 40, 0, geometry.width + 80,
                                        geometry.bottom + 40)).save(
                    "tray-panel-compositor-" + appearance)
                desktop.key("Escape")
                wait_for(lambda: not ostrel.windows(), what="Escape to hide the panel")

    def test_the_icon_reads_on_a_light_xembed_panel(self):
        with Desktop(tray=True) as desktop:
            self.check_icon_reads_on_its_panel(desktop, desktop.start_ostrel(), "tray-xembed-light")

    def test_the_icon_reads_on_a_dark_xembed_panel(self):
        with Desktop(tray=True, tray_dark=True) as desktop:
            self.check_icon_reads_on_its_panel(desktop, desktop.start_ostrel(), "tray-xembed-dark")


class StatusNotifierTray(unittest.TestCase):
    check_icon_reads_on_its_panel = Tray.check_icon_reads_on_its_panel

    def test_the_item_is_named_for_the_theme_opens_the_panel_at_the_tray_and_offers_its_menu(self):
        with Desktop(tray="sni") as desktop:
            ostrel = desktop.start_ostrel()
            wait_for(lambda: desktop.sni("item") != "none", what="the item to register")
            _, _, name, sizes = desktop.sni("item").split()
            self.assertEqual(name, "ostrel-tray-symbolic")
            self.assertIn("22x22", sizes.split(","))
            self.assertEqual(desktop.sni("menu"), "menu Open Ostrel|-|Settings…|Quit Ostrel")

            # Before the tray ever placed it, a later start opens the panel at the corner of the
            # bar, not at the pointer in mid-screen.
            desktop.xdotool("mousemove", 1800, 600)
            desktop.spawn([ostrel_outside.EXECUTABLE])
            panel = panel_of(ostrel)
            geometry = desktop.window_geometry(panel)
            self.assertEqual((geometry.right, geometry.y), (PRIMARY.right, SNI_BAR), geometry)
            wait_for(lambda: desktop.active_window() == panel, what="the panel to be active")
            desktop.key("Escape")
            wait_for(lambda: not ostrel.windows(), what="Escape to hide the panel")

            # A click on the icon: the item says nothing of where it is, the click was there.
            # (A person's click comes later than the shell's guard against the click that took
            # the panel away.)
            time.sleep(PanelReopenGuardSeconds)
            icon = desktop.sni_icon_geometry()
            desktop.click(*icon.center())
            panel = panel_of(ostrel)
            geometry = desktop.window_geometry(panel)
            self.assertEqual(geometry.y, SNI_BAR, geometry)
            self.assertEqual(geometry.right, icon.center()[0] + 1, geometry)
            wait_for(lambda: desktop.active_window() == panel, what="the panel to be active")
            desktop.key("Escape")
            wait_for(lambda: not ostrel.windows(), what="Escape to hide the panel")

            # A later start with the pointer in mid-screen: where the tray placed it.
            desktop.xdotool("mousemove", 1800, 600)
            desktop.spawn([ostrel_outside.EXECUTABLE])
            again = desktop.window_geometry(panel_of(ostrel))
            self.assertEqual((again.x, again.y), (geometry.x, geometry.y))

            self.assertEqual(desktop.sni("choose Settings…"), "ok")
            settings_window(desktop, ostrel)
            self.assertEqual(desktop.sni("choose Quit Ostrel"), "ok")
            self.assertEqual(ostrel.wait_for_exit(), 0)

    def test_the_icon_reads_on_a_light_statusnotifier_panel(self):
        with Desktop(tray="sni") as desktop:
            self.check_icon_reads_on_its_panel(desktop, desktop.start_ostrel(), "tray-sni-light")

    def test_the_icon_reads_on_a_dark_statusnotifier_panel(self):
        with Desktop(tray="sni", tray_dark=True) as desktop:
            self.check_icon_reads_on_its_panel(desktop, desktop.start_ostrel(), "tray-sni-dark")


if __name__ == "__main__":
    ostrel_outside.main()
