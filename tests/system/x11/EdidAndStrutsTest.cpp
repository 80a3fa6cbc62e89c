// The X-independent arithmetic of the backend: EDID identities, visible frames from struts,
// application ids from desktop entries.
#include "EdidBlock.h"

#include "system/x11/DesktopEntries.h"
#include "system/x11/DesktopEntryFile.h"
#include "system/x11/Edid.h"
#include "system/x11/FolderWatch.h"
#include "system/x11/VisibleFrames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <future>
#include <memory>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace ostrel::x11 {
namespace {

using test::edidBlock;

TEST(EdidTest, ReadsIdentityAndName)
{
    // "DEL" packs to 0x10AC.
    const auto edid = parseEdid(edidBlock(0x10AC, 0xA0C4, 0x3142534C, "DELL U2415"));
    ASSERT_TRUE(edid);
    EXPECT_EQ(edid->manufacturer, 0x10ACu);
    EXPECT_EQ(edid->product, 0xA0C4u);
    EXPECT_EQ(edid->serial, 0x3142534Cu);
    EXPECT_EQ(edid->name, QStringLiteral("DELL U2415"));

    const auto unnamed = parseEdid(edidBlock(0x10AC, 1, 0, QByteArray()));
    ASSERT_TRUE(unnamed);
    EXPECT_TRUE(unnamed->name.isEmpty());
    EXPECT_EQ(unnamed->serial, 0u);
}

TEST(EdidTest, RejectsWhatIsNotAnEdidBlock)
{
    EXPECT_FALSE(parseEdid(QByteArray()));
    EXPECT_FALSE(parseEdid(edidBlock(1, 2, 3, "X").left(127)));
    QByteArray wrongHeader = edidBlock(1, 2, 3, "X");
    wrongHeader[1] = 0;
    EXPECT_FALSE(parseEdid(wrongHeader));
}

TEST(VisibleFramesTest, StrutsShrinkOnlyTheirOwnMonitor)
{
    // Root 3200 x 1080: a 1280-wide monitor at the left, the 1920-wide primary right of it.
    const RectD root{0, 0, 3200, 1080};
    const RectD left{0, 0, 1280, 1024};
    const RectD primary{1280, 0, 1920, 1080};
    struct Case {
        const char *name;
        StrutWindow strut;
        RectD expectedLeft;
        RectD expectedPrimary;
    };
    const Case cases[] = {
        {"top panel on the primary",
         {RectD{1280, 0, 1920, 30}, {0, 0, 30, 0, 0, 0, 0, 0, 1280, 3199, 0, 0}},
         left,
         RectD{1280, 30, 1920, 1050}},
        {"bottom panel on the shorter left monitor, measured from the root's bottom",
         {RectD{0, 984, 1280, 40}, {0, 0, 0, 96, 0, 0, 0, 0, 0, 0, 0, 1279}},
         RectD{0, 0, 1280, 984},
         primary},
        {"left dock of the primary reserves past the left monitor, which stays whole",
         {RectD{1280, 0, 48, 1080}, {1328, 0, 0, 0, 0, 1079, 0, 0, 0, 0, 0, 0}},
         left,
         RectD{1328, 0, 1872, 1080}},
        {"right dock on the primary",
         {RectD{3150, 0, 50, 1080}, {0, 50, 0, 0, 0, 0, 0, 1079, 0, 0, 0, 0}},
         left,
         RectD{1280, 0, 1870, 1080}},
        {"strut whose span misses the monitor it sits on",
         {RectD{1280, 0, 1920, 30}, {0, 0, 30, 0, 0, 0, 0, 0, 0, 1000, 0, 0}},
         left,
         primary},
        {"window off every monitor",
         {RectD{5000, 5000, 10, 10}, {0, 0, 30, 0, 0, 0, 0, 0, 0, 3199, 0, 0}},
         left,
         primary},
    };
    for (const Case &c : cases) {
        const QList<RectD> frames = visibleFrames({left, primary}, {c.strut}, root);
        ASSERT_EQ(frames.size(), 2) << c.name;
        EXPECT_EQ(frames[0], c.expectedLeft) << c.name;
        EXPECT_EQ(frames[1], c.expectedPrimary) << c.name;
    }
}

TEST(VisibleFramesTest, SeveralStrutsOnOneEdgeKeepTheLargest)
{
    const RectD monitor{0, 0, 1920, 1080};
    const QList<RectD> frames =
        visibleFrames({monitor},
                      {{RectD{0, 0, 1920, 20}, {0, 0, 20, 0, 0, 0, 0, 0, 0, 1919, 0, 0}},
                       {RectD{0, 0, 1920, 40}, {0, 0, 40, 0, 0, 0, 0, 0, 0, 1919, 0, 0}},
                       {RectD{0, 1050, 1920, 30}, {0, 0, 0, 30, 0, 0, 0, 0, 0, 0, 0, 1919}}},
                      monitor);
    EXPECT_EQ(frames.value(0), (RectD{0, 40, 1920, 1010}));
}

TEST(VisibleFramesTest, LegacyStrutsReserveWholeEdgesOnEveryMonitorTheyReach)
{
    // icewm's taskbar: the bottom 26 pixels of the root, said with _NET_WM_STRUT alone.
    const Strut taskbar = Strut::legacy(0, 0, 0, 26);
    struct Case {
        const char *name;
        QList<RectD> monitors;
        RectD root;
        QList<RectD> expected;
    };
    const Case cases[] = {
        {"a shorter monitor beside it ends above the band",
         {RectD{0, 0, 1920, 1080}, RectD{1920, 0, 1280, 1024}},
         RectD{0, 0, 3200, 1080},
         {RectD{0, 0, 1920, 1054}, RectD{1920, 0, 1280, 1024}}},
        {"a monitor of the same height loses the band too",
         {RectD{0, 0, 1920, 1080}, RectD{1920, 0, 1920, 1080}},
         RectD{0, 0, 3840, 1080},
         {RectD{0, 0, 1920, 1054}, RectD{1920, 0, 1920, 1054}}},
    };
    for (const Case &c : cases) {
        const StrutWindow window{RectD{0, c.root.height - 26, 1920, 26}, taskbar};
        EXPECT_EQ(visibleFrames(c.monitors, {window}, c.root), c.expected) << c.name;
    }
}

TEST(VisibleFramesTest, WorkAreaNarrowsTheEdgesNoStrutExplains)
{
    // Root 3200 x 1080: the primary at the left, a shorter monitor right of it.
    const RectD root{0, 0, 3200, 1080};
    const QList<RectD> monitors{RectD{0, 0, 1920, 1080}, RectD{1920, 0, 1280, 1024}};
    const StrutWindow legacyTaskbar{RectD{0, 1054, 1920, 26}, Strut::legacy(0, 0, 0, 26)};
    const StrutWindow topPanelOnTheRight{
        RectD{1920, 0, 1280, 30}, Strut::partial({0, 0, 30, 0, 0, 0, 0, 0, 1920, 3199, 0, 0})};
    struct Case {
        const char *name;
        QList<StrutWindow> struts;
        RectD workArea;
        QList<RectD> expected;
    };
    const Case cases[] = {
        {"a toolbar the window manager keeps without a strut (fluxbox)",
         {},
         RectD{0, 0, 3200, 1060},
         {RectD{0, 0, 1920, 1060}, RectD{1920, 0, 1280, 1024}}},
        {"a reservation the struts explain changes nothing",
         {legacyTaskbar},
         RectD{0, 0, 3200, 1054},
         {RectD{0, 0, 1920, 1054}, RectD{1920, 0, 1280, 1024}}},
        {"a partial strut the work area spreads over every monitor stays on its own",
         {topPanelOnTheRight},
         RectD{0, 30, 3200, 1050},
         {RectD{0, 0, 1920, 1080}, RectD{1920, 30, 1280, 994}}},
        {"a work area that misses a monitor leaves it whole",
         {},
         RectD{0, 0, 1920, 1080},
         {RectD{0, 0, 1920, 1080}, RectD{1920, 0, 1280, 1024}}},
    };
    for (const Case &c : cases) {
        const QList<RectD> fromStruts = visibleFrames(monitors, c.struts, root);
        EXPECT_EQ(narrowedToWorkArea(fromStruts, monitors, c.struts, c.workArea, root), c.expected)
            << c.name;
    }
}

class DesktopEntriesTest : public ::testing::Test {
protected:
    void write(const QString &relative, const QString &text)
    {
        const QString path = dir.path() + "/applications/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }
    QTemporaryDir dir;
};

TEST_F(DesktopEntriesTest, FindsEntriesByHintsClassAndFileName)
{
    write("org.example.Editor.desktop",
          "[Desktop Entry]\nType=Application\nName=Editor\nStartupWMClass=ExampleEdit\n");
    write("vendor/viewer.desktop",
          "[Desktop Entry]\nType=Application\nName=Viewer\n[Desktop Action new]\nName=New\n");
    write("gone.desktop", "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n");
    DesktopEntries entries({dir.path()});
    struct Case {
        QString gtk, kde, instance, className;
        std::optional<DesktopEntries::Match> expected;
    };
    const Case cases[] = {
        {"org.example.Editor", "", "x", "X", DesktopEntries::Match{"org.example.Editor", "Editor"}},
        {"", "org.example.Editor.desktop", "x", "X",
         DesktopEntries::Match{"org.example.Editor", "Editor"}},
        {"", "", "exampleedit", "EXAMPLEEDIT",
         DesktopEntries::Match{"org.example.Editor", "Editor"}},
        {"", "", "vendor-viewer", "Nothing", DesktopEntries::Match{"vendor-viewer", "Viewer"}},
        {"", "", "gone", "Gone", std::nullopt},
        {"no.such.app", "", "xlogo", "XLogo", std::nullopt},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(entries.find(c.gtk, c.kde, c.instance, c.className), c.expected)
            << c.instance.toStdString();
    }
}

// An application installed while the program runs is known at the next lookup, and one removed
// is forgotten: the folders are read again when they change. The clock plays no part: set back
// (here the folders' times go back a year), it used to keep the old list for as long as it took
// to catch up.
TEST_F(DesktopEntriesTest, ReadsTheFoldersAgainWhenTheyChangeWhateverTheClockSays)
{
    const auto setBack = [](const QString &folder) {
        const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 365 * 24 * 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0), 0);
    };
    const auto found = [](DesktopEntries &entries, const QString &id) {
        const auto match = entries.find({}, {}, id, {});
        return match ? match->id : QString();
    };
    write("org.example.Editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\n");
    QDir().mkpath(dir.path() + "/applications/vendor");
    // A data folder without an "applications" folder yet, as a fresh home has.
    QTemporaryDir fresh;
    DesktopEntries entries({dir.path(), fresh.path()});
    EXPECT_EQ(found(entries, "org.example.Editor"), "org.example.Editor");
    EXPECT_EQ(found(entries, "viewer"), QString());
    EXPECT_EQ(found(entries, "vendor-player"), QString());
    EXPECT_EQ(found(entries, "notes"), QString());

    write("viewer.desktop", "[Desktop Entry]\nType=Application\nName=Viewer\n");
    setBack(dir.path() + "/applications");
    EXPECT_EQ(found(entries, "viewer"), "viewer");

    write("vendor/player.desktop", "[Desktop Entry]\nType=Application\nName=Player\n");
    setBack(dir.path() + "/applications/vendor");
    EXPECT_EQ(found(entries, "vendor-player"), "vendor-player");

    ASSERT_TRUE(QDir().mkpath(fresh.path() + "/applications"));
    QFile notes(fresh.path() + "/applications/notes.desktop");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("[Desktop Entry]\nType=Application\nName=Notes\n");
    notes.close();
    EXPECT_EQ(found(entries, "notes"), "notes");

    ASSERT_TRUE(QFile::remove(dir.path() + "/applications/org.example.Editor.desktop"));
    EXPECT_EQ(found(entries, "org.example.Editor"), QString());
}

// Both ways of noticing a change: the kernel's events, and (where the kernel will not watch any
// more folders) the folders' own entries compared by equality, so that a time set back counts
// as much as one gone forward.
TEST(FolderWatchTest, SeesEntriesComeAndGoWithOrWithoutTheKernel)
{
    for (const FolderWatch::Kernel kernel :
         {FolderWatch::Kernel::asked, FolderWatch::Kernel::notAsked}) {
        SCOPED_TRACE(kernel == FolderWatch::Kernel::asked ? "kernel" : "entries");
        QTemporaryDir dir;
        const QString folder = dir.path() + "/applications";
        const QString later = dir.path() + "/later/applications";
        ASSERT_TRUE(QDir().mkpath(folder));
        const auto setBack = [](const QString &path) {
            const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 365 * 24 * 3600, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        };
        FolderWatch watch(kernel);
        const auto start = [&] {
            watch.reset();
            watch.watch(folder);
            watch.watch(later);
        };

        start();
        EXPECT_FALSE(watch.changed());
        QFile file(folder + "/new.desktop");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        setBack(folder);
        EXPECT_TRUE(watch.changed());
        EXPECT_TRUE(watch.changed()); // until the next start

        start();
        EXPECT_FALSE(watch.changed());
        ASSERT_TRUE(QDir().mkpath(later));
        EXPECT_TRUE(watch.changed());

        start();
        ASSERT_TRUE(QFile::remove(folder + "/new.desktop"));
        setBack(folder);
        EXPECT_TRUE(watch.changed());
    }
}

// Anyone can put links into these folders. A link to a FIFO would block the open for good,
// one to a device would never end, and both while the lock of a window scan is held.
TEST_F(DesktopEntriesTest, ReadsOnlyRegularFilesOfASaneSizeAndNeverBlocks)
{
    write("org.example.Editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\n");
    const QString elsewhere = dir.path() + "/elsewhere";
    QDir().mkpath(elsewhere);
    const QString fifo = elsewhere + "/fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, dir.path() + "/applications/fifo.desktop"));
    ASSERT_TRUE(QFile::link("/dev/zero", dir.path() + "/applications/zero.desktop"));
    ASSERT_TRUE(QFile::link(dir.path() + "/applications/org.example.Editor.desktop",
                            dir.path() + "/applications/linked.desktop"));
    write("huge.desktop",
          "[Desktop Entry]\nType=Application\nName=Huge\n#"
              + QString(DesktopEntryFile::largestSize, 'x') + "\n");
    QDir().mkpath(dir.path() + "/applications/folder.desktop");

    // A scan that hangs must not hold the test up: it keeps what it uses and is left behind.
    auto entries = std::make_shared<DesktopEntries>(QStringList{dir.path()});
    auto result = std::make_shared<std::promise<QStringList>>();
    std::future<QStringList> scan = result->get_future();
    std::thread([entries, result] {
        QStringList found;
        for (const char *name :
             {"org.example.Editor", "linked", "fifo", "zero", "huge", "folder"}) {
            if (const auto match = entries->find({}, {}, QString::fromLatin1(name), {})) {
                found << match->id;
            }
        }
        result->set_value(found);
    }).detach();
    // A bound for a stuck scan, not a wait: a healthy one takes milliseconds.
    if (scan.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        // Lets a scan stuck in open() go on, so that the test can end.
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
        FAIL() << "the scan did not return";
    }
    EXPECT_EQ(scan.get(), (QStringList{"org.example.Editor", "linked"}));
}

} // namespace
} // namespace ostrel::x11
