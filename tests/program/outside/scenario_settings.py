"""The settings window, driven from the panel: the appearance, automatic restores, an excluded
application and a backup, each checked where the program keeps it."""

import hashlib
import os
import unittest

import ostrel_outside
from ostrel_outside import Desktop, wait_for

# An application installed for the test's user only, so the picker has a known entry to offer.
NOTES_ENTRY = """[Desktop Entry]
Type=Application
Name=Outside Notes
Exec=/bin/true
"""


def act(node, *names):
    """Runs the first of the named actions the accessible offers ("press", "toggle", ...)."""
    action = node.queryAction()
    offered = [action.getName(i).lower() for i in range(action.nActions)]
    for name in names:
        if name in offered:
            action.doAction(offered.index(name))
            return
    raise AssertionError("%s offers %s, none of %s" % (node.name, offered, names))


def digest(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


class Settings(unittest.TestCase):
    def test_settings_opened_from_the_panel_change_what_the_program_keeps(self):
        with Desktop(tray=False) as desktop:
            applications = os.path.join(desktop.env["XDG_DATA_HOME"], "applications")
            os.makedirs(os.path.join(applications, "outside"))
            with open(os.path.join(applications, "outside", "notes.desktop"), "w",
                      encoding="utf-8") as entry:
                entry.write(NOTES_ENTRY)

            ostrel = desktop.start_ostrel()
            ostrel.press("push button", "Settings…")
            wait_for(lambda: ostrel.accessibles("page tab", "General"), what="the settings window")

            # General: the appearance and automatic restores, written to the settings at once.
            act(ostrel.find("radio button", "Dark"), "check", "press", "toggle")
            wait_for(lambda: desktop.settings().get("appearance") == "dark",
                     what="the appearance in the settings file")
            act(ostrel.find("check box", "Restore automatically"), "check", "toggle", "press")
            wait_for(lambda: desktop.settings().get("automationEnabled") == "true",
                     what="automatic restores in the settings file")

            # Applications: the picker offers the installed entry; adding it stores its id.
            ostrel.press("page tab", "Applications")
            ostrel.press("push button", "Add Applications…")
            act(ostrel.find("list item", "Outside Notes"), "toggle", "select", "press")
            ostrel.press("push button", "Add")

            def excluded():
                with desktop.database() as db:
                    return db.execute("SELECT app_name FROM exclusions WHERE bundle_id = ?",
                                      ("outside-notes",)).fetchall()
            self.assertEqual(wait_for(excluded, what="the exclusion's row"), [("Outside Notes",)])
            ostrel.find("label", "1 app added.")

            # Storage: a backup now replaces the automatic one.
            ostrel.press("page tab", "Storage")
            backup = os.path.join(desktop.data_folder, "Ostrel.backup.sqlite")
            before = digest(backup) if os.path.exists(backup) else None
            ostrel.press("push button", "Back Up Now")
            ostrel.find("label", "Backup saved.")
            self.assertNotEqual(digest(backup), before)
            with desktop.database() as db:
                self.assertEqual(db.execute("SELECT COUNT(*) FROM exclusions").fetchone()[0], 1)
            backed_up = __import__("sqlite3").connect("file:" + backup + "?mode=ro", uri=True)
            with backed_up:
                self.assertEqual(backed_up.execute("SELECT bundle_id FROM exclusions").fetchall(),
                                 [("outside-notes",)])
            backed_up.close()

            ostrel.press("push button", "Quit Ostrel")
            self.assertEqual(ostrel.wait_for_exit(), 0)


if __name__ == "__main__":
    ostrel_outside.main()
