"""The layout-details window: opened with "Manage Layout…" from a layout row's menu, it renames the
layout, and the new name is what the store keeps."""

import unittest

import ostrel_outside
from ostrel_outside import Desktop, seed_layout, wait_for


def stored_name(desktop, layout_id):
    connection = desktop.database()
    try:
        row = connection.execute("SELECT name FROM layouts WHERE id = ?", (layout_id,)).fetchone()
    finally:
        connection.close()
    return row[0] if row else None


def enabled(node):
    # Imported once the program's accessibility bus is known (the client reads it on first use).
    import pyatspi  # pylint: disable=import-outside-toplevel
    return node.getState().contains(pyatspi.STATE_ENABLED)


class LayoutDetails(unittest.TestCase):
    def test_manage_layout_from_a_rows_menu_renames_the_layout_in_the_store(self):
        with Desktop(tray=False) as desktop:
            # A first start makes the store; the layout is written into it while no program runs.
            ostrel = desktop.start_ostrel()
            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            layout_id = seed_layout(desktop.database_path, "Work", {"OstrelEditor": (0.1, 0.1, 0.5, 0.5)})

            ostrel = desktop.start_ostrel()
            # The row's menu is a popup, which the accessibility tree leaves out: it is opened
            # through its button and "Manage Layout…", its second item, chosen with the keys.
            panel_windows = set(ostrel.windows())
            ostrel.press("push button", "More actions for Work")
            wait_for(lambda: set(ostrel.windows()) - panel_windows, what="the row's menu")
            desktop.key("Down", "Down", "Return")

            window = wait_for(lambda: next((w for w in ostrel.windows()
                                            if desktop.window_name(w) == "Layout Details"), None),
                              what="the Layout Details window")
            self.assertEqual(desktop.window_geometry(window).width, 640)
            field = ostrel.find("text", "Layout name")
            self.assertEqual(field.queryText().getText(0, -1), "Work")

            # The same name is no rename; a new one is, and the field keeps what was stored.
            field.queryEditableText().setTextContents("Studio “B”")
            wait_for(lambda: enabled(ostrel.find("push button", "Rename")),
                     what="Rename to be enabled")
            ostrel.press("push button", "Rename")
            wait_for(lambda: stored_name(desktop, layout_id) == "Studio “B”",
                     what="the new name in the store")
            wait_for(lambda: ostrel.accessibles("push button", "Remove OstrelEditor"),
                     what="the window's row")
            self.assertEqual(field.queryText().getText(0, -1), "Studio “B”")

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)
            self.assertEqual(stored_name(desktop, layout_id), "Studio “B”")


if __name__ == "__main__":
    ostrel_outside.main()
