// Installed applications from desktop entries, as the settings window lists and identifies them:
// the ids must be the ones window scans give the same applications' windows.
#include "system/x11/DesktopEntries.h"
#include "system/x11/X11InstalledApplications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ostrel::x11 {
namespace {

class InstalledApplicationsTest : public ::testing::Test {
protected:
    QTemporaryDir user;
    QTemporaryDir system;
    QTemporaryDir elsewhere;

    // Writes a file below `root` and gives its path.
    static QString write(const QTemporaryDir &root, const QString &relative, const QString &text)
    {
        const QString path = root.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path;
    }
    static QString entry(const QString &name, const QString &extra = {})
    {
        return "[Desktop Entry]\nType=Application\nName=" + name + "\n" + extra;
    }
    X11InstalledApplications applications() const
    {
        return X11InstalledApplications({user.path(), system.path()});
    }
};

TEST_F(InstalledApplicationsTest, IdentifiesAFileByTheIdWindowScansUse)
{
    // The name in the language the program runs in, whatever that is here.
    const QString localized = "Name[" + QLocale::system().name() + "]=Lokaler Name\n";
    struct Case {
        const char *what;
        QString location;
        std::optional<QString> id;
        QString name;
    };
    const Case cases[] = {
        {"a plain entry", write(user, "applications/org.example.Editor.desktop", entry("Editor")),
         "org.example.Editor", "Editor"},
        {"nested folders join with a dash",
         write(user, "applications/vendor/tools/viewer.desktop", entry("Viewer")),
         "vendor-tools-viewer", "Viewer"},
        {"the second data folder names its own",
         write(system, "applications/kde4/okular.desktop", entry("Okular")), "kde4-okular",
         "Okular"},
        {"no Type is an application",
         write(user, "applications/plain.desktop", "[Desktop Entry]\nName=Plain\n"), "plain",
         "Plain"},
        {"the localized name", write(user, "applications/local.desktop", entry("Local", localized)),
         "local", "Lokaler Name"},
        {"a blank name stays blank", write(user, "applications/blank.desktop", entry("  ")),
         "blank", ""},
        {"hidden", write(user, "applications/gone.desktop", entry("Gone", "Hidden=true\n")),
         std::nullopt, ""},
        {"a link, not an application",
         write(user, "applications/site.desktop",
               "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.com\n"),
         std::nullopt, ""},
        {"not a .desktop file", write(user, "applications/notes.txt", entry("Notes")), std::nullopt,
         ""},
        {"outside every data folder",
         write(elsewhere, "applications/stray.desktop", entry("Stray")), std::nullopt, ""},
        {"beside the applications folder", write(user, "stray.desktop", entry("Stray")),
         std::nullopt, ""},
        {"climbing out of the folder", user.path() + "/applications/../stray.desktop", std::nullopt,
         ""},
        {"a relative path", "applications/org.example.Editor.desktop", std::nullopt, ""},
        {"a missing file", user.path() + "/applications/missing.desktop", std::nullopt, ""},
        {"a folder named like an entry",
         [&] {
             QDir().mkpath(user.path() + "/applications/folder.desktop");
             return user.path() + "/applications/folder.desktop";
         }(),
         std::nullopt, ""},
    };
    X11InstalledApplications installed = applications();
    for (const Case &c : cases) {
        const std::optional<InstalledApplication> found = installed.identify(c.location);
        ASSERT_EQ(found.has_value(), c.id.has_value()) << c.what;
        if (found) {
            EXPECT_EQ(found->bundleID, *c.id) << c.what;
            EXPECT_EQ(found->name, c.name) << c.what;
            EXPECT_EQ(found->location, QDir::cleanPath(c.location)) << c.what;
        }
    }
}

// The scans' own lookup and the identification agree on every id.
TEST_F(InstalledApplicationsTest, AnIdentifiedApplicationIsTheOneScansFind)
{
    const QString viewer = write(user, "applications/vendor/viewer.desktop",
                                 entry("Viewer", "StartupWMClass=ViewerWindow\n"));
    DesktopEntries entries({user.path(), system.path()});
    const std::optional<DesktopEntries::Match> scanned = entries.find({}, {}, "x", "ViewerWindow");
    ASSERT_TRUE(scanned.has_value());
    EXPECT_EQ(applications().identify(viewer)->bundleID, scanned->id);
}

TEST_F(InstalledApplicationsTest, ListsEachInstalledApplicationOnceByName)
{
    write(user, "applications/zed.desktop", entry("Zed", "Icon=zed\n"));
    write(user, "applications/org.example.Editor.desktop", entry("Editor"));
    // The user's own entry overrides the system's, and a hidden one hides it.
    write(system, "applications/org.example.Editor.desktop", entry("System Editor"));
    write(user, "applications/removed.desktop", entry("Removed", "Hidden=true\n"));
    write(system, "applications/removed.desktop", entry("Removed"));
    write(system, "applications/tools/archive.desktop", entry("archiver", "Icon=/icons/a.png\n"));
    write(system, "applications/site.desktop", "[Desktop Entry]\nType=Link\nName=Site\n");
    // Without a name it sorts by its file's name.
    write(system, "applications/nameless.desktop", entry(""));

    QStringList seen;
    for (const InstalledApplication &app : applications().applications()) {
        seen << app.bundleID + " " + app.name + " " + app.icon;
        EXPECT_TRUE(QFileInfo(app.location).isAbsolute()) << app.location.toStdString();
    }
    EXPECT_EQ(seen,
              (QStringList{"tools-archive archiver /icons/a.png", "org.example.Editor Editor ",
                           "nameless  ", "zed Zed zed"}));
}

TEST_F(InstalledApplicationsTest, LeavesOutEntriesThatAskNotToBeShownHere)
{
    struct Case {
        const char *what;
        QString extra;
        bool listed;
    };
    const Case cases[] = {
        {"a plain entry", "", true},
        {"NoDisplay", "NoDisplay=true\n", false},
        {"NoDisplay false", "NoDisplay=false\n", true},
        {"only in this desktop", "OnlyShowIn=GNOME;XFCE;\n", true},
        {"only in this desktop, letter case aside", "OnlyShowIn=xfce\n", true},
        {"only in other desktops", "OnlyShowIn=KDE;LXQt;\n", false},
        {"an empty OnlyShowIn shows nowhere", "OnlyShowIn=\n", false},
        {"not in this desktop", "NotShowIn=XFCE;\n", false},
        {"not in other desktops", "NotShowIn=KDE;\n", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        write(folder, "applications/org.example.Tool.desktop",
              entry("Tool", c.extra + "StartupWMClass=ExampleTool\n"));
        X11InstalledApplications installed({folder.path()}, QStringList{"XFCE"});
        EXPECT_EQ(installed.applications().size(), c.listed ? 1 : 0);
        // Windows are still named by the entry, and a picked file still stands for it: the id
        // rule does not depend on whether a menu shows the entry.
        DesktopEntries entries({folder.path()}, QStringList{"XFCE"});
        const auto match = entries.find({}, {}, "tool", "ExampleTool");
        ASSERT_TRUE(match.has_value());
        EXPECT_EQ(match->id, "org.example.Tool");
        EXPECT_TRUE(installed.identify(folder.path() + "/applications/org.example.Tool.desktop"));
    }
}

TEST_F(InstalledApplicationsTest, WithoutADesktopNameOnlyShowInEntriesAreLeftOut)
{
    write(user, "applications/kde-only.desktop", entry("Desktop Effects", "OnlyShowIn=KDE;\n"));
    write(user, "applications/not-gnome.desktop", entry("Anywhere", "NotShowIn=GNOME;\n"));
    X11InstalledApplications installed({user.path()}, QStringList{});
    const QList<InstalledApplication> listed = installed.applications();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed.first().bundleID, "not-gnome");
}

} // namespace
} // namespace ostrel::x11
