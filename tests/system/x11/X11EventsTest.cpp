// Display and application events against a real X server with openbox (see harness/).
#include "Await.h"
#include "ConnectedX11Test.h"
#include "TestApplication.h"

#include "system/x11/X11ApplicationEvents.h"
#include "system/x11/X11DisplayEvents.h"
#include "system/x11/X11EventPump.h"
#include "system/x11/X11SystemEvents.h"
#include "system/x11/X11TrustEvents.h"
#include "system/x11/X11Appearance.h"
#include "system/x11/XSettings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace ostrel::x11 {
namespace {

using test::MonitorSetup;
using test::TestWindowPlan;

const MonitorSetup primary{"DUMMY0", 1920, 1080, 1280, 0, true};
const MonitorSetup left{"DUMMY1", 1280, 1024, 0, 0, false};

class X11EventsTest : public test::ConnectedX11Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_NO_FATAL_FAILURE(ConnectedX11Test::SetUp());
        pump = X11EventPump::forConnection(backend->sharedConnection());
    }

    std::shared_ptr<X11EventPump> pump;
};

class DisplayEventsTest : public X11EventsTest {
protected:
    void SetUp() override
    {
        X11EventsTest::SetUp();
        events = std::make_unique<X11DisplayEvents>(backend->desktop(), *system.screens);
        QObject::connect(events.get(), &X11DisplayEvents::screenParametersChanged, [this] {
            ++changes;
            // The new setup must be readable by the time the signal arrives.
            seen = system.screens->screens();
        });
        QObject::connect(events.get(), &X11DisplayEvents::screensChecked, [this] { ++checks; });
    }
    void TearDown() override
    {
        events.reset();
        X11EventsTest::TearDown();
    }

    // Rewrites the window manager's work area unchanged: the events of everything done before
    // are then looked at by the time the screens have been checked once more.
    void settle()
    {
        const int before = checks;
        x.setProperty32(x.root(), "_NET_WORKAREA", "CARDINAL",
                        x.property32(x.root(), "_NET_WORKAREA"));
        ASSERT_TRUE(test::waitUntil([&] { return checks > before; }));
    }

    RectD visibleFrameOf(const QString &name)
    {
        for (const Screen &s : seen) {
            if (s.name == name) {
                return s.visibleFrame;
            }
        }
        return {};
    }

    std::unique_ptr<X11DisplayEvents> events;
    int changes = 0;
    int checks = 0;
    QList<Screen> seen;
};

TEST_F(DisplayEventsTest, EachRealChangeOfTheMonitorsIsOneSignal)
{
    struct Step {
        const char *what;
        std::vector<MonitorSetup> monitors;
        RectD primaryFrame; // global coordinates
        int count;
    };
    MonitorSetup moved = left;
    moved.y = 56;
    const Step steps[] = {
        {"switch the left output off", {primary}, {0, 0, 1920, 1080}, 1},
        {"switch it on again", {primary, left}, {0, 0, 1920, 1080}, 2},
        {"move it down", {primary, moved}, {0, 0, 1920, 1080}, 2},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        const int before = changes;
        x.setMonitors(step.monitors);
        ASSERT_TRUE(test::waitUntil([&] { return changes == before + 1; }));
        EXPECT_EQ(int(seen.size()), step.count);
        ASSERT_FALSE(seen.isEmpty());
        EXPECT_EQ(seen.first().frame, step.primaryFrame);
    }
    EXPECT_EQ(seen.last().frame, (RectD{-1280, 56, 1280, 1024}));
    settle();
    EXPECT_EQ(changes, 3);
}

TEST_F(DisplayEventsTest, AMoveIsSeenAtOnceWithoutAWindowManager)
{
    // Nothing but RandR itself says that anything changed: no window manager rewrites its
    // properties, and the root window keeps its size.
    x.stopWindowManager();
    MonitorSetup moved = left;
    moved.y = 56;
    x.setMonitors({primary, moved});
    ASSERT_TRUE(test::waitUntil([&] { return changes == 1; }));
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen.last().frame, (RectD{-1280, 56, 1280, 1024}));
}

TEST_F(DisplayEventsTest, RepeatedSettingsAndUnchangedWorkAreasAreNoChange)
{
    const int before = checks;
    x.xrandr({"--output", "DUMMY0", "--mode", "1920x1080", "--pos", "1280x0", "--primary",
              "--output", "DUMMY1", "--mode", "1280x1024", "--pos", "0x0"});
    settle();
    EXPECT_GT(checks, before);
    EXPECT_EQ(changes, 0);
}

TEST_F(DisplayEventsTest, WorkAreaChangesAreOneSignalEach)
{
    TestWindowPlan dockPlan;
    dockPlan.type = "dock";
    dockPlan.x = 1280;
    dockPlan.y = 0;
    dockPlan.width = 1920;
    dockPlan.height = 30;
    dockPlan.strutPartial = {0, 0, 30, 0, 0, 0, 0, 0, 1280, 3199, 0, 0};
    test::TestClient dock;

    struct Step {
        const char *what;
        std::function<void()> act;
        RectD primaryVisible;
    };
    const Step steps[] = {
        {"a dock reserves the top", [&] { dock = x.openWindow(dockPlan); }, {0, 30, 1920, 1050}},
        {"the dock grows",
         [&] {
             x.setProperty32(dock.window(), "_NET_WM_STRUT_PARTIAL", "CARDINAL",
                             {0, 0, 40, 0, 0, 0, 0, 0, 1280, 3199, 0, 0});
         },
         {0, 40, 1920, 1040}},
        {"the window manager publishes per-monitor work areas",
         [&] {
             x.setProperty32(x.root(), "_GTK_WORKAREAS_D0", "CARDINAL",
                             {0, 0, 1280, 1000, 1280, 50, 1920, 1030});
         },
         {0, 50, 1920, 1030}},
        {"and withdraws them",
         [&] { x.deleteProperty(x.root(), "_GTK_WORKAREAS_D0"); },
         {0, 40, 1920, 1040}},
        {"the dock goes", [&] { x.stop(dock); }, {0, 0, 1920, 1080}},
    };
    int expected = 0;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        ++expected;
        ASSERT_TRUE(test::waitUntil([&] { return changes == expected; }));
        EXPECT_EQ(visibleFrameOf("DUMMY0"), step.primaryVisible);
    }
    settle();
    EXPECT_EQ(changes, expected);
}

TEST_F(DisplayEventsTest, OrdinaryWindowsComingAndGoingAreNoChange)
{
    const test::TestClient client = x.openWindow();
    x.stop(client);
    settle();
    EXPECT_EQ(changes, 0);
}

// Stands in for the Qt application object, whose state changes come from the platform.
class FakeApplication : public QObject {
    Q_OBJECT
signals:
    void applicationStateChanged(Qt::ApplicationState state);
};

class ApplicationEventsTest : public X11EventsTest {
protected:
    void SetUp() override
    {
        X11EventsTest::SetUp();
        events = std::make_unique<X11ApplicationEvents>(backend->desktop(), &application);
        QObject::connect(events.get(), &X11ApplicationEvents::applicationTerminated, [this] {
            ++terminated;
            running = system.applications->runningApplications();
        });
        QObject::connect(events.get(), &X11ApplicationEvents::applicationDidBecomeActive,
                         [this] { ++activated; });
        QObject::connect(events.get(), &X11ApplicationEvents::clientsChecked, [this] { ++checks; });
    }

    // Opens windows and lets the events see them, as a running program would before they go.
    test::TestClient open(const TestWindowPlan &windowPlan = {})
    {
        const int before = checks;
        test::TestClient client = x.openWindow(windowPlan);
        EXPECT_TRUE(test::waitUntil([&] { return checks > before; }));
        return client;
    }
    void TearDown() override
    {
        events.reset();
        X11EventsTest::TearDown();
    }

    bool isRunning(pid_t pid) const
    {
        return std::any_of(running.begin(), running.end(),
                           [pid](const RunningApplication &a) { return a.pid == pid; });
    }

    FakeApplication application;
    std::unique_ptr<X11ApplicationEvents> events;
    int terminated = 0;
    int activated = 0;
    int checks = 0;
    QList<RunningApplication> running;
};

TEST_F(ApplicationEventsTest, AProcessEndsWithItsLastWindow)
{
    TestWindowPlan two;
    two.count = 2;
    const test::TestClient client = open(two);
    const test::TestClient other = open();
    running = system.applications->runningApplications();
    ASSERT_TRUE(isRunning(client.pid));

    x.stop(client);
    ASSERT_TRUE(test::waitUntil([&] { return terminated == 1; }));
    EXPECT_FALSE(isRunning(client.pid));
    EXPECT_TRUE(isRunning(other.pid));
}

TEST_F(ApplicationEventsTest, AProcessThatOutlivesItsWindowsEndsWhenItExits)
{
    const test::TestClient lingering = open();
    const test::TestClient witness = open();
    // Withdrawn by another client, the window leaves the list while its process runs on.
    x.xdotool({"windowunmap", "--sync", std::to_string(lingering.window())});
    ASSERT_TRUE(x.waitUntil([&] {
        const auto list = x.clientList();
        return std::find(list.begin(), list.end(), lingering.window()) == list.end();
    }));
    // Ending another process afterwards shows the list change has been looked at.
    x.stop(witness);
    ASSERT_TRUE(test::waitUntil([&] { return terminated >= 1; }));
    EXPECT_EQ(terminated, 1);

    x.stop(lingering);
    ASSERT_TRUE(test::waitUntil([&] { return terminated == 2; }));
}

TEST_F(ApplicationEventsTest, AWindowNamingAnotherProcessDoesNotEndIt)
{
    const test::TestClient owner = open();
    TestWindowPlan borrowed;
    borrowed.claimedPid = owner.pid;
    const test::TestClient borrower = open(borrowed);
    x.stop(owner);
    // The owner's process is gone, but a window still names it: it still runs as far as the
    // desktop can tell.
    const int before = terminated;
    const test::TestClient witness = open();
    x.stop(witness);
    ASSERT_TRUE(test::waitUntil([&] { return terminated > before; }));
    EXPECT_EQ(terminated, 1);

    x.stop(borrower);
    ASSERT_TRUE(test::waitUntil([&] { return terminated == 2; }));
}

TEST_F(ApplicationEventsTest, BecomingTheActiveApplicationIsReported)
{
    emit application.applicationStateChanged(Qt::ApplicationInactive);
    emit application.applicationStateChanged(Qt::ApplicationActive);
    emit application.applicationStateChanged(Qt::ApplicationHidden);
    emit application.applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(activated, 2);
}

// The window manager leaving and coming back (as at a login that starts the program first): each
// is one change, announced once the trust reads the new answer; a window manager that only
// rewrites its properties changes nothing.
TEST_F(X11EventsTest, TheTrustFollowsTheWindowManagerLeavingAndArriving)
{
    X11TrustEvents events(backend->desktop(), *system.trust);
    QList<bool> changes;
    int checks = 0;
    QObject::connect(&events, &TrustEvents::trustChanged,
                     [&] { changes.append(system.trust->isProcessTrusted()); });
    QObject::connect(&events, &X11TrustEvents::trustChecked, [&] { ++checks; });
    ASSERT_TRUE(system.trust->isProcessTrusted());

    x.setProperty32(x.root(), "_NET_SUPPORTED", "ATOM", x.property32(x.root(), "_NET_SUPPORTED"));
    ASSERT_TRUE(test::waitUntil([&] { return checks > 0; }));
    EXPECT_EQ(changes, QList<bool>());

    x.stopWindowManager();
    ASSERT_TRUE(test::waitUntil([&] { return changes.size() == 1; }));
    EXPECT_EQ(changes, QList<bool>{false});

    x.startWindowManager();
    ASSERT_TRUE(test::waitUntil([&] { return changes.size() == 2; }));
    EXPECT_EQ(changes, (QList<bool>{false, true}));
}

// The way the program (and a test of the whole model) builds its signals: one backend, buses
// that may be absent.
TEST_F(X11EventsTest, TheWholeSetStandsOnOneBackendWithoutBuses)
{
    FakeApplication application;
    X11SystemEvents events(*backend, QDBusConnection(QStringLiteral("none")),
                           QDBusConnection(QStringLiteral("none")), &application);
    int displayChanges = 0;
    int ended = 0;
    int activated = 0;
    QObject::connect(&events.displays(), &DisplayEvents::screenParametersChanged,
                     [&] { ++displayChanges; });
    QObject::connect(&events.applications(), &ApplicationEvents::applicationTerminated,
                     [&] { ++ended; });
    QObject::connect(&events.applications(), &ApplicationEvents::applicationDidBecomeActive,
                     [&] { ++activated; });
    EXPECT_EQ(events.session().sessionState(), SessionState{});

    int checks = 0;
    QObject::connect(&events.applications(), &X11ApplicationEvents::clientsChecked,
                     [&] { ++checks; });
    const test::TestClient client = x.openWindow();
    ASSERT_TRUE(test::waitUntil([&] { return checks > 0; }));
    x.stop(client);
    ASSERT_TRUE(test::waitUntil([&] { return ended == 1; }));
    x.setMonitors({primary});
    ASSERT_TRUE(test::waitUntil([&] { return displayChanges == 1; }));
    emit application.applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(activated, 1);
}

} // namespace
} // namespace ostrel::x11

#include "X11EventsTest.moc"

namespace ostrel::x11 {
namespace {

// A settings daemon of the test's own: a window that owns _XSETTINGS_S0 and publishes
// Net/ThemeName (and an integer before it, as daemons publish many settings).
class SettingsDaemon {
public:
    explicit SettingsDaemon(const std::string &display)
    {
        c_ = xcb_connect(display.c_str(), nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(c_, window_, atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
    }
    ~SettingsDaemon()
    {
        xcb_destroy_window(c_, window_);
        xcb_disconnect(c_);
    }

    void publishTheme(const std::string &theme)
    {
        QByteArray value;
        const auto u32 = [&](quint32 v) { value.append(reinterpret_cast<const char *>(&v), 4); };
        const auto padded = [&](const std::string &text) {
            value.append(text.data(), qsizetype(text.size()));
            value.append(QByteArray(qsizetype((4 - text.size() % 4) % 4), '\0'));
        };
        value.append(char(QSysInfo::ByteOrder == QSysInfo::BigEndian ? 1 : 0));
        value.append(QByteArray(3, '\0'));
        u32(++serial_);
        u32(2);
        const std::string intName = "Net/CursorBlinkTime";
        value.append(char(0));
        value.append('\0');
        const quint16 intLength = quint16(intName.size());
        value.append(reinterpret_cast<const char *>(&intLength), 2);
        padded(intName);
        u32(0);
        u32(1200);
        const std::string name = "Net/ThemeName";
        value.append(char(1));
        value.append('\0');
        const quint16 length = quint16(name.size());
        value.append(reinterpret_cast<const char *>(&length), 2);
        padded(name);
        u32(0);
        u32(quint32(theme.size()));
        padded(theme);
        const xcb_atom_t property = atom("_XSETTINGS_SETTINGS");
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, property, property, 8,
                            quint32(value.size()), value.constData());
        xcb_flush(c_);
    }

private:
    xcb_atom_t atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }

    xcb_connection_t *c_ = nullptr;
    xcb_window_t window_ = 0;
    quint32 serial_ = 0;
};

TEST_F(X11EventsTest, WithoutAPortalTheXSettingsThemeNameTellsWhetherTheDesktopIsDark)
{
    SettingsDaemon daemon(x.display());
    daemon.publishTheme("Adwaita-dark");
    const QDBusConnection noBus(QStringLiteral("ostrel-no-portal-bus"));
    X11Appearance appearance(noBus, backend->sharedConnection());
    EXPECT_EQ(appearance.prefersDark(), std::optional<bool>(true));

    int changes = 0;
    QObject context;
    appearance.onChanged(&context, [&] { ++changes; });
    daemon.publishTheme("Adwaita");
    ASSERT_TRUE(test::waitUntil([&] { return changes == 1; }));
    EXPECT_EQ(appearance.prefersDark(), std::optional<bool>(false));
    daemon.publishTheme("Greybird");
    daemon.publishTheme("BlackMATE");
    ASSERT_TRUE(
        test::waitUntil([&] { return appearance.prefersDark() == std::optional<bool>(true); }));
}

TEST(XSettingsValue, ReadsTheTextsOfEitherByteOrderAndRefusesAShortValue)
{
    // Little-endian: one text "Net/ThemeName" = "Arc-Dark".
    QByteArray little("\0\0\0\0"
                      "\x07\0\0\0"
                      "\x01\0\0\0"
                      "\x01\0\x0d\0"
                      "Net/ThemeName\0\0\0"
                      "\0\0\0\0"
                      "\x08\0\0\0"
                      "Arc-Dark",
                      4 + 4 + 4 + 4 + 16 + 4 + 4 + 8);
    EXPECT_EQ(XSettings::parseTexts(little).value("Net/ThemeName"), "Arc-Dark");
    QByteArray big("\x01\0\0\0"
                   "\0\0\0\x07"
                   "\0\0\0\x01"
                   "\x01\0\0\x0d"
                   "Net/ThemeName\0\0\0"
                   "\0\0\0\0"
                   "\0\0\0\x07"
                   "Adwaita\0",
                   4 + 4 + 4 + 4 + 16 + 4 + 4 + 8);
    EXPECT_EQ(XSettings::parseTexts(big).value("Net/ThemeName"), "Adwaita");
    EXPECT_TRUE(XSettings::parseTexts(little.left(30)).isEmpty());
    EXPECT_TRUE(XSettings::parseTexts(QByteArray()).isEmpty());
    for (const char *dark : {"Adwaita-dark", "Breeze-Dark", "BlackMATE", "HighContrastInverse"}) {
        EXPECT_TRUE(X11Appearance::isDarkTheme(QString::fromLatin1(dark))) << dark;
    }
    for (const char *light : {"Adwaita", "Greybird", "Clearlooks", "Menta"}) {
        EXPECT_FALSE(X11Appearance::isDarkTheme(QString::fromLatin1(light))) << light;
    }
}

} // namespace
} // namespace ostrel::x11
