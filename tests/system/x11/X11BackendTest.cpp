// The backend against a real X server with openbox (see harness/).
#include "ConnectedX11Test.h"
#include "EdidBlock.h"

#include "system/AXAttribute.h"
#include "system/x11/X11ApplicationIcons.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace ostrel::x11 {
namespace {

using test::TestClient;
using test::TestWindowPlan;

// A window manager of the test's own that takes its time between the halves of a request: it
// gives a window the new size at once and moves it only `lag` later, as Mutter may do on a busy
// machine. Everything else it does at once: it maps what asks to be mapped and lists it until it
// is gone.
class LaggingWindowManager {
public:
    LaggingWindowManager(const std::string &display, std::chrono::milliseconds lag)
        : lag_(lag)
    {
        c_ = xcb_connect(display.c_str(), nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_generic_error_t *error = xcb_request_check(
            c_, xcb_change_window_attributes_checked(c_, root_, XCB_CW_EVENT_MASK, &mask));
        running_ = error == nullptr;
        std::free(error);
        check_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, check_, root_, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        set(check_, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, {check_});
        set(root_, "_NET_SUPPORTED", XCB_ATOM_ATOM,
            {atom("_NET_SUPPORTING_WM_CHECK"), atom("_NET_CLIENT_LIST"),
             atom("_NET_CLIENT_LIST_STACKING"), atom("_NET_MOVERESIZE_WINDOW"),
             atom("_NET_FRAME_EXTENTS")});
        set(root_, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, {});
        set(root_, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, {});
        set(root_, "_NET_NUMBER_OF_DESKTOPS", XCB_ATOM_CARDINAL, {1});
        set(root_, "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, {0});
        set(root_, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, {check_});
        xcb_flush(c_);
        if (running_) {
            loop_ = std::thread([this] { run(); });
        }
    }
    ~LaggingWindowManager()
    {
        stop_ = true;
        if (loop_.joinable()) {
            loop_.join();
        }
        xcb_disconnect(c_);
    }
    bool running() const { return running_; }

private:
    xcb_atom_t atom(const char *name)
    {
        auto reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }
    void set(xcb_window_t window, const char *name, xcb_atom_t type,
             const std::vector<uint32_t> &values)
    {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom(name), type, 32,
                            uint32_t(values.size()), values.data());
    }
    void run()
    {
        using Clock = std::chrono::steady_clock;
        struct Move {
            xcb_window_t window;
            int32_t x, y;
            Clock::time_point due;
        };
        std::vector<Move> moves;
        const xcb_atom_t moveResize = atom("_NET_MOVERESIZE_WINDOW");
        while (!stop_) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(c_)) {
                switch (event->response_type & 0x7f) {
                case XCB_MAP_REQUEST: {
                    const xcb_window_t w =
                        reinterpret_cast<xcb_map_request_event_t *>(event)->window;
                    clients_.push_back(w);
                    set(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, {0, 0, 0, 0});
                    xcb_map_window(c_, w);
                    set(root_, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, clients_);
                    set(root_, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, clients_);
                    break;
                }
                case XCB_DESTROY_NOTIFY: {
                    const xcb_window_t w =
                        reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window;
                    clients_.erase(std::remove(clients_.begin(), clients_.end(), w),
                                   clients_.end());
                    set(root_, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, clients_);
                    set(root_, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, clients_);
                    break;
                }
                case XCB_CONFIGURE_REQUEST: {
                    const auto *request = reinterpret_cast<xcb_configure_request_event_t *>(event);
                    const uint32_t values[] = {uint32_t(request->x), uint32_t(request->y),
                                               request->width, request->height};
                    xcb_configure_window(c_, request->window,
                                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y
                                             | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                                         values);
                    break;
                }
                case XCB_CLIENT_MESSAGE: {
                    const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
                    if (message->type == moveResize) {
                        const uint32_t *d = message->data.data32;
                        const uint32_t size[] = {d[3], d[4]};
                        xcb_configure_window(c_, message->window,
                                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                                             size);
                        moves.push_back(
                            {message->window, int32_t(d[1]), int32_t(d[2]), Clock::now() + lag_});
                    }
                    break;
                }
                default:
                    break;
                }
                std::free(event);
            }
            for (auto it = moves.begin(); it != moves.end();) {
                if (Clock::now() >= it->due) {
                    const uint32_t place[] = {uint32_t(it->x), uint32_t(it->y)};
                    xcb_configure_window(c_, it->window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                                         place);
                    it = moves.erase(it);
                } else {
                    ++it;
                }
            }
            xcb_flush(c_);
            pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
            poll(&fd, 1, 5);
        }
    }

    std::chrono::milliseconds lag_;
    xcb_connection_t *c_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_window_t check_ = 0;
    std::vector<uint32_t> clients_;
    bool running_ = false;
    std::atomic<bool> stop_{false};
    std::thread loop_;
};

class X11BackendTest : public test::ConnectedX11Test {
protected:
    // A write ends as soon as the window manager has applied it; the timeout only matters on a
    // machine so busy that a round trip through the window manager takes long.
    static constexpr double generousTimeout = 5.0;

    void SetUp() override
    {
        QDir().mkpath(entries.path() + "/applications");
        QFile f(entries.path() + "/applications/org.example.Notes.desktop");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nName=Notes\nStartupWMClass=ExampleNotes\n");
        f.close();
        connectBackend({entries.path()});
    }

    AXAttributeResult read(uint32_t window, QLatin1String attribute)
    {
        return system.elements->copyAttributeValue(AXElement{window}, attribute);
    }
    RectD frame(uint32_t window)
    {
        const AXAttributeResult position = read(window, AXAttribute::position);
        const AXAttributeResult size = read(window, AXAttribute::size);
        const auto p = std::get_if<AXPoint>(&position.value);
        const auto s = std::get_if<AXSize>(&size.value);
        return p && s ? RectD{p->x, p->y, s->width, s->height} : RectD{-1, -1, -1, -1};
    }
    QString text(uint32_t window, QLatin1String attribute)
    {
        const AXAttributeResult result = read(window, attribute);
        const auto *t = std::get_if<QString>(&result.value);
        return t ? *t : QString();
    }
    TestWindowPlan at(int x, int y, int w = 400, int h = 300)
    {
        TestWindowPlan windowPlan;
        windowPlan.x = x;
        windowPlan.y = y;
        windowPlan.width = w;
        windowPlan.height = h;
        return windowPlan;
    }

    QTemporaryDir entries;
};

TEST_F(X11BackendTest, TrustFollowsTheWindowManager)
{
    EXPECT_TRUE(system.trust->isProcessTrusted());
    const uint32_t w = x.openWindow().window();
    x.stopWindowManager();
    EXPECT_FALSE(system.trust->isProcessTrusted());
    EXPECT_EQ(read(w, AXAttribute::role).error, AXError::apiDisabled);
}

TEST_F(X11BackendTest, ScreensAreInGlobalSpaceWithDistinctKeysWithoutEdid)
{
    const QList<Screen> screens = system.screens->screens();
    ASSERT_EQ(screens.size(), 2);
    const auto primary = std::find_if(screens.begin(), screens.end(),
                                      [](const Screen &s) { return s.name == "DUMMY0"; });
    const auto left = std::find_if(screens.begin(), screens.end(),
                                   [](const Screen &s) { return s.name == "DUMMY1"; });
    ASSERT_NE(primary, screens.end());
    ASSERT_NE(left, screens.end());
    EXPECT_EQ(primary->frame, (RectD{0, 0, 1920, 1080}));
    EXPECT_EQ(left->frame, (RectD{-1280, 0, 1280, 1024}));
    EXPECT_EQ(left->visibleFrame, left->frame);
    EXPECT_EQ(primary->pixelWidth, 1920);
    EXPECT_EQ(primary->scale, 1.0);
    EXPECT_NE(primary->identity.key(), left->identity.key());
    EXPECT_EQ(primary->identity.vendor, 0u);
    EXPECT_EQ(system.screens->mainDisplayNumber(), primary->displayNumber);
    EXPECT_NE(primary->displayNumber, left->displayNumber);
}

TEST_F(X11BackendTest, ANewMonitorOnAConnectorIsSeenByTheNextRead)
{
    // Only RandR tells of a new EDID on an output whose mode and place stay the same.
    const auto left = [this] {
        const QList<Screen> screens = system.screens->screens();
        const auto found = std::find_if(screens.begin(), screens.end(), [](const Screen &s) {
            return s.displayNumber && s.frame.x < 0;
        });
        return found == screens.end() ? Screen{} : *found;
    };
    const Screen before = left();
    ASSERT_EQ(before.name, "DUMMY1");

    struct OwnConnection {
        xcb_connection_t *c;
        xcb_atom_t edid;
        xcb_randr_output_t output;
        void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
        ~OwnConnection()
        {
            // The session's next test expects outputs without an EDID.
            xcb_randr_delete_output_property(c, output, edid);
            sync();
            xcb_disconnect(c);
        }
    } own{xcb_connect(x.display().c_str(), nullptr), 0, *before.displayNumber};
    ASSERT_FALSE(xcb_connection_has_error(own.c));
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(own.c, xcb_intern_atom(own.c, 0, 4, "EDID"), nullptr);
    ASSERT_TRUE(atom);
    own.edid = atom->atom;
    std::free(atom);
    const QByteArray edid = test::edidBlock(0x10AC, 0xA0C4, 0x3142534C, "DELL U2415");
    xcb_randr_change_output_property(own.c, own.output, own.edid, XCB_ATOM_INTEGER, 8,
                                     XCB_PROP_MODE_REPLACE, uint32_t(edid.size()),
                                     edid.constData());
    own.sync();

    const Screen after = left();
    EXPECT_EQ(after.name, "DELL U2415");
    EXPECT_EQ(after.identity.serial, 0x3142534Cu);
    EXPECT_EQ(after.frame, before.frame);
}

TEST_F(X11BackendTest, DockStrutShrinksOnlyItsOwnMonitor)
{
    TestWindowPlan dock = at(1280, 0, 1920, 30);
    dock.type = "dock";
    dock.strutPartial = {0, 0, 30, 0, 0, 0, 0, 0, 1280, 3199, 0, 0};
    x.openWindow(dock);
    const QList<Screen> screens = system.screens->screens();
    for (const Screen &s : screens) {
        if (s.name == "DUMMY0") {
            EXPECT_EQ(s.visibleFrame, (RectD{0, 30, 1920, 1050}));
        } else {
            EXPECT_EQ(s.visibleFrame, s.frame);
        }
    }
}

// Docks that map themselves reserve space the window manager's client list does not show.
TEST_F(X11BackendTest, UnmanagedDocksAndLegacyStrutsReserveToo)
{
    // The bottom 30 pixels of the root, said the old way: the primary (1080 high) loses them,
    // the shorter monitor left of it ends above them.
    TestWindowPlan bottomPanel = at(1280, 1050, 1920, 30);
    bottomPanel.type = "dock";
    bottomPanel.overrideRedirect = true;
    bottomPanel.strut = {0, 0, 0, 30};
    x.openWindow(bottomPanel);
    const QList<Screen> screens = system.screens->screens();
    ASSERT_EQ(screens.size(), 2);
    for (const Screen &s : screens) {
        EXPECT_EQ(s.visibleFrame, s.name == "DUMMY0" ? (RectD{0, 0, 1920, 1050}) : s.frame)
            << s.name.toStdString();
    }
}

// The reservations stay cached between reads; what can change them is told by an event, which
// arrives before the reply to a round trip asked after the change.
TEST_F(X11BackendTest, ReservationsFollowAnUnmanagedDockWithoutWaiting)
{
    auto &screens = dynamic_cast<X11Screens &>(*system.screens);
    const auto seen = [&] {
        EXPECT_TRUE(backend->connection().sync(deadlineIn(5.0)));
        for (const Screen &s : screens.screens()) {
            if (s.name == "DUMMY0") {
                return s.visibleFrame;
            }
        }
        return RectD{};
    };
    ASSERT_EQ(seen(), (RectD{0, 0, 1920, 1080}));
    const quint64 treeSearches = screens.treeSearches();

    TestWindowPlan panel = at(1280, 1050, 1920, 30);
    panel.type = "dock";
    panel.overrideRedirect = true;
    panel.strut = {0, 0, 0, 30};
    const uint32_t dock = x.openWindow(panel).window();
    EXPECT_EQ(seen(), (RectD{0, 0, 1920, 1050})) << "mapped";
    EXPECT_EQ(screens.treeSearches(), treeSearches) << "only the new window is searched";

    x.setProperty32(dock, "_NET_WM_STRUT", "CARDINAL", {0, 0, 0, 50});
    EXPECT_EQ(seen(), (RectD{0, 0, 1920, 1030})) << "its strut changed";

    x.xdotool({"windowunmap", std::to_string(dock)});
    EXPECT_EQ(seen(), (RectD{0, 0, 1920, 1080})) << "unmapped";
}

TEST_F(X11BackendTest, MovesAndPassingPopupsLeaveTheReservationsCached)
{
    auto &screens = dynamic_cast<X11Screens &>(*system.screens);
    const auto read = [&] {
        EXPECT_TRUE(backend->connection().sync(deadlineIn(5.0)));
        return screens.screens();
    };
    const uint32_t window = x.openWindow(at(1400, 100)).window();
    const QList<Screen> before = read();
    const quint64 treeSearches = screens.treeSearches();
    const quint64 mappedSearches = screens.mappedWindowSearches();

    x.moveResize(window, 1500, 200, 500, 400);
    TestWindowPlan popup = at(1600, 300, 200, 100);
    popup.type = "menu";
    popup.overrideRedirect = true;
    x.stop(x.openWindow(popup));
    EXPECT_EQ(read(), before);
    EXPECT_EQ(screens.treeSearches(), treeSearches);
    EXPECT_EQ(screens.mappedWindowSearches(), mappedSearches);

    // One that stays is searched on its own, not the whole tree.
    x.openWindow(popup);
    EXPECT_EQ(read(), before);
    EXPECT_EQ(screens.treeSearches(), treeSearches);
    EXPECT_EQ(screens.mappedWindowSearches(), mappedSearches + 1);
}

TEST_F(X11BackendTest, PerMonitorWorkAreasOfTheWindowManagerWin)
{
    x.setProperty32(x.root(), "_GTK_WORKAREAS_D0", "CARDINAL",
                    {0, 0, 1280, 1000, 1280, 40, 1920, 1040});
    const QList<Screen> screens = system.screens->screens();
    x.deleteProperty(x.root(), "_GTK_WORKAREAS_D0");
    ASSERT_EQ(screens.size(), 2);
    for (const Screen &s : screens) {
        EXPECT_EQ(s.visibleFrame,
                  s.name == "DUMMY0" ? (RectD{0, 40, 1920, 1040}) : (RectD{-1280, 0, 1280, 1000}));
    }
}

TEST_F(X11BackendTest, ApplicationsAreIdentifiedByDesktopEntryOrClass)
{
    TestWindowPlan notes = at(1400, 100);
    notes.instance = "examplenotes";
    notes.className = "ExampleNotes";
    const TestClient notesClient = x.openWindow(notes);
    TestWindowPlan plain = at(1500, 200);
    plain.className = "PlainTool";
    plain.withPid = false; // only X-Resource knows the process
    const TestClient plainClient = x.openWindow(plain);
    TestWindowPlan dialogOnly = at(1600, 300);
    dialogOnly.className = "Popup";
    dialogOnly.type = "dialog";
    const TestClient dialogClient = x.openWindow(dialogOnly);

    const QList<RunningApplication> apps = system.applications->runningApplications();
    auto byPid = [&](pid_t pid) {
        const auto it = std::find_if(apps.begin(), apps.end(),
                                     [&](const RunningApplication &a) { return a.pid == pid; });
        return it == apps.end() ? std::optional<RunningApplication>() : *it;
    };
    const auto a = byPid(notesClient.pid);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->bundleIdentifier, QStringLiteral("org.example.Notes"));
    EXPECT_EQ(a->localizedName, QStringLiteral("Notes"));
    EXPECT_EQ(a->activationPolicy, ActivationPolicy::regular);
    const auto b = byPid(plainClient.pid);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->bundleIdentifier, QStringLiteral("plaintool"));
    EXPECT_EQ(b->localizedName, QStringLiteral("PlainTool"));
    const auto c = byPid(dialogClient.pid);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->activationPolicy, ActivationPolicy::accessory);
    EXPECT_FALSE(c->isHidden);
    EXPECT_EQ(system.applications->ownBundleIdentifier(), QStringLiteral("local.ostrel.app"));
}

TEST_F(X11BackendTest, AnApplicationWithoutAnEntryIconHasTheIconItsWindowsPublish)
{
    TestWindowPlan designer = at(1400, 100);
    designer.className = "IconDesigner";
    designer.iconSides = {16, 48, 128};
    const TestClient designerClient = x.openWindow(designer);

    X11ApplicationIcons icons({}, &backend->desktop());
    const QList<IconBitmap> bitmaps = icons.windowIcons(QStringLiteral("icondesigner"));
    ASSERT_EQ(bitmaps.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const int side = int(designer.iconSides[size_t(i)]);
        EXPECT_EQ(bitmaps[i].width, side);
        EXPECT_EQ(bitmaps[i].height, side);
        ASSERT_EQ(bitmaps[i].argb.size(), side * side);
        EXPECT_EQ(bitmaps[i].argb.front() >> 16 & 0xFF, quint32(side));
    }
    // (A window without an icon of its own may still have one: openbox writes its default icon
    // onto such windows.)
    EXPECT_TRUE(icons.windowIcons(QStringLiteral("org.example.absent")).isEmpty());
}

TEST(WindowIconValue, ParsesEverySizeAndStopsAtOneThatClaimsMoreThanFollows)
{
    const quint32 value[] = {2, 1, 0xff000001, 0xff000002, 1, 1, 0xff000003, 4, 4, 0xff000004};
    const QList<IconBitmap> bitmaps = X11ApplicationIcons::parseWindowIcon(value, 10);
    ASSERT_EQ(bitmaps.size(), 2);
    EXPECT_EQ(bitmaps[0], (IconBitmap{2, 1, {0xff000001, 0xff000002}}));
    EXPECT_EQ(bitmaps[1], (IconBitmap{1, 1, {0xff000003}}));
    EXPECT_TRUE(X11ApplicationIcons::parseWindowIcon(value, 1).isEmpty());
    EXPECT_TRUE(X11ApplicationIcons::parseWindowIcon(nullptr, 0).isEmpty());
    const quint32 empty[] = {0, 0, 1, 1, 0xff000005};
    EXPECT_TRUE(X11ApplicationIcons::parseWindowIcon(empty, 5).isEmpty());
}

TEST_F(X11BackendTest, RolesSubrolesAndMinimizedFollowTheWindowType)
{
    const uint32_t parent = x.openWindow(at(1300, 100)).window();
    struct Case {
        const char *type;
        bool transient;
        bool iconic;
        const char *subrole;
        double minimized;
    };
    const Case cases[] = {
        {"normal", false, false, "AXStandardWindow", 0},
        {"none", false, false, "AXStandardWindow", 0},
        {"none", true, false, "AXDialog", 0},
        {"dialog", false, false, "AXDialog", 0},
        {"utility", false, false, "AXFloatingWindow", 0},
        {"toolbar", false, false, "AXFloatingWindow", 0},
        {"normal", false, true, "AXStandardWindow", 1},
    };
    for (const Case &c : cases) {
        TestWindowPlan windowPlan = at(1400, 200);
        windowPlan.type = c.type;
        windowPlan.transientFor = c.transient ? parent : 0;
        windowPlan.iconic = c.iconic;
        const uint32_t w = x.openWindow(windowPlan).window();
        EXPECT_EQ(text(w, AXAttribute::role), QStringLiteral("AXWindow")) << c.type;
        EXPECT_EQ(text(w, AXAttribute::subrole), QString::fromLatin1(c.subrole))
            << c.type << c.transient;
        const AXAttributeResult minimizedRead = read(w, AXAttribute::minimized);
        const auto *minimized = std::get_if<double>(&minimizedRead.value);
        ASSERT_TRUE(minimized);
        EXPECT_EQ(*minimized, c.minimized) << c.type;
        EXPECT_EQ(read(w, AXAttribute::url).error, AXError::noValue);
    }
}

// A maximized window covers a monitor without panels as a fullscreen one does; only the state
// tells them apart.
TEST_F(X11BackendTest, FullScreenIsTheWindowsStateNotItsSize)
{
    for (const bool fullscreen : {false, true}) {
        TestWindowPlan windowPlan = at(1400, 200);
        windowPlan.maximized = !fullscreen;
        windowPlan.fullscreen = fullscreen;
        const uint32_t w = x.openWindow(windowPlan).window();
        const AXAttributeResult fullScreenRead = read(w, AXAttribute::fullScreen);
        const auto *value = std::get_if<double>(&fullScreenRead.value);
        ASSERT_TRUE(value) << fullscreen;
        EXPECT_EQ(*value, fullscreen ? 1.0 : 0.0);
    }
}

TEST_F(X11BackendTest, FramesIncludeDecorationsLessClientShadowsInGlobalSpace)
{
    const uint32_t plain = x.openWindow(at(1600, 200)).window();
    const auto extents = x.property32(plain, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(extents.size(), 4u);
    const auto client = x.clientGeometry(plain);
    ASSERT_TRUE(client);
    EXPECT_EQ(frame(plain),
              (RectD{double(client->x) - extents[0] - 1280, double(client->y) - extents[2],
                     double(client->width + extents[0] + extents[1]),
                     double(client->height + extents[2] + extents[3])}));

    TestWindowPlan shadowed = at(1600, 300);
    shadowed.gtkFrameExtents = {10, 10, 8, 12};
    const uint32_t csd = x.openWindow(shadowed).window();
    const auto e = x.property32(csd, "_NET_FRAME_EXTENTS");
    const auto g = x.clientGeometry(csd);
    ASSERT_TRUE(g);
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(frame(csd),
              (RectD{double(g->x) - e[0] + 10 - 1280, double(g->y) - e[2] + 8,
                     double(g->width + e[0] + e[1]) - 20, double(g->height + e[2] + e[3]) - 20}));

    // A window on the monitor left of the primary has a negative x.
    EXPECT_LT(frame(x.openWindow(at(100, 100)).window()).x, 0);
}

TEST_F(X11BackendTest, WindowListShowsTheCurrentDesktopFrontToBack)
{
    const uint32_t back = x.openWindow(at(1400, 100)).window();
    const uint32_t front = x.openWindow(at(1500, 150)).window();
    TestWindowPlan iconic = at(1600, 200);
    iconic.iconic = true;
    const uint32_t hidden = x.openWindow(iconic).window();
    TestWindowPlan away = at(1700, 250);
    away.desktop = 1;
    const uint32_t other = x.openWindow(away).window();

    const auto rows = system.windowServer->windowList();
    ASSERT_TRUE(rows);
    QList<quint32> numbers;
    for (const WindowServerRow &row : *rows) {
        numbers.append(row.windowNumber.value_or(0));
        if (row.windowNumber == front) {
            EXPECT_EQ(row.layer, 0);
            EXPECT_EQ(row.alpha, 1.0);
            EXPECT_EQ(row.bounds, frame(front));
            EXPECT_TRUE(row.ownerPID);
        }
    }
    EXPECT_TRUE(numbers.contains(front));
    EXPECT_LT(numbers.indexOf(front), numbers.indexOf(back));
    EXPECT_FALSE(numbers.contains(hidden));
    EXPECT_FALSE(numbers.contains(other));
}

TEST_F(X11BackendTest, ApplicationWindowListsItsOwnWindows)
{
    TestWindowPlan two = at(1400, 100);
    two.count = 2;
    const TestClient client = x.openWindow(two);
    x.openWindow(at(1500, 100));
    const auto result = system.elements->copyAttributeValue(
        system.elements->applicationElement(client.pid), AXAttribute::windows);
    ASSERT_EQ(result.error, AXError::success);
    const auto *windows = std::get_if<QList<AXElement>>(&result.value);
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->size(), 2);
    EXPECT_TRUE(windows->contains(AXElement{client.windows[0]}));
    EXPECT_TRUE(windows->contains(AXElement{client.windows[1]}));
}

// The server hands a closed client's window ids to the next client, so a new window may carry
// an id the backend has seen before; its changes must reach the backend all the same.
TEST_F(X11BackendTest, NewWindowUnderAnOldIdIsFollowed)
{
    const TestClient first = x.openWindow(at(1400, 100));
    EXPECT_EQ(frame(first.window()).x, 120);
    x.stop(first);
    const TestClient second = x.openWindow(at(1400, 100));
    if (second.window() != first.window()) {
        GTEST_SKIP() << "the server gave the new window another id";
    }
    const uint32_t w = second.window();
    EXPECT_EQ(frame(w).x, 120);
    x.xdotool({"windowmove", std::to_string(w), "1700", "300"});
    // The move's notification ends the snapshot at once; unwatched, it would live on for a second.
    EXPECT_TRUE(x.waitUntil([&] { return frame(w).x == 420; }, std::chrono::milliseconds(600)));
}

// A change of one window is read again on its own: the next read knows it, and the windows
// around it stay as they were.
TEST_F(X11BackendTest, AChangeOfOneWindowIsReadAndTheOthersKeepTheirs)
{
    const uint32_t a = x.openWindow(at(1400, 100)).window();
    const uint32_t b = x.openWindow(at(1600, 300)).window();
    const uint32_t c = x.openWindow(at(1800, 500)).window();
    const RectD bFrame = frame(b);
    const RectD cFrame = frame(c);
    // Once our own connection has heard back from the server, its notifications of what other
    // clients did before are in.
    const auto heard = [&] { return backend->connection().sync(deadlineIn(5)); };

    x.xdotool({"windowmove", std::to_string(a), "1700", "420"});
    ASSERT_TRUE(x.waitUntil([&] {
        const auto g = x.clientGeometry(a);
        return g && g->y > 400;
    }));
    ASSERT_TRUE(heard());
    EXPECT_EQ(frame(a).x, 420);
    EXPECT_EQ(frame(b), bFrame);
    EXPECT_EQ(frame(c), cFrame);

    x.setProperty32(a, "_NET_WM_WINDOW_TYPE", "ATOM", {x.atom("_NET_WM_WINDOW_TYPE_DIALOG")});
    x.setProperty32(c, "_GTK_FRAME_EXTENTS", "CARDINAL", {10, 10, 8, 12});
    ASSERT_TRUE(heard());
    EXPECT_EQ(text(a, AXAttribute::subrole), "AXDialog");
    EXPECT_EQ(text(b, AXAttribute::subrole), "AXStandardWindow");
    EXPECT_EQ(frame(c),
              (RectD{cFrame.x + 10, cFrame.y + 8, cFrame.width - 20, cFrame.height - 20}));
    EXPECT_EQ(frame(b), bFrame);

    // A change of a property and then a move between two reads: the move does not make the
    // read of the window one of its place alone.
    x.setProperty32(c, "_GTK_FRAME_EXTENTS", "CARDINAL", {0, 0, 0, 0});
    x.xdotool({"windowmove", std::to_string(c), "1750", "610"});
    ASSERT_TRUE(x.waitUntil([&] {
        const auto g = x.clientGeometry(c);
        return g && g->y > 600;
    }));
    ASSERT_TRUE(heard());
    EXPECT_EQ(frame(c), (RectD{cFrame.x - 50, cFrame.y + 110, cFrame.width, cFrame.height}));

    // A window that goes takes only itself along.
    x.stop(x.openWindow(at(1500, 600)));
    ASSERT_TRUE(heard());
    EXPECT_EQ(frame(b), bFrame);
    EXPECT_EQ(text(a, AXAttribute::subrole), "AXDialog");
}

// Reading one window's attributes reads that window again alone; the others' changes are not
// lost but wait for the next reader of the whole desktop.
TEST_F(X11BackendTest, ReadingOneWindowLeavesTheOthersChangesForTheNextScan)
{
    const uint32_t a = x.openWindow(at(1400, 100)).window();
    const uint32_t b = x.openWindow(at(1600, 300)).window();
    ASSERT_TRUE(system.windowServer->windowList());
    const auto heard = [&] { return backend->connection().sync(deadlineIn(5)); };
    x.xdotool({"windowmove", std::to_string(a), "1700", "420"});
    x.xdotool({"windowmove", std::to_string(b), "1800", "520"});
    ASSERT_TRUE(x.waitUntil([&] {
        const auto ga = x.clientGeometry(a);
        const auto gb = x.clientGeometry(b);
        return ga && ga->y > 400 && gb && gb->y > 500;
    }));
    ASSERT_TRUE(heard());
    EXPECT_EQ(frame(a).x, 420);
    const auto rows = system.windowServer->windowList();
    ASSERT_TRUE(rows);
    const auto row = std::find_if(rows->begin(), rows->end(),
                                  [&](const WindowServerRow &r) { return r.windowNumber == b; });
    ASSERT_NE(row, rows->end());
    EXPECT_EQ(row->bounds->x, 520);
    EXPECT_EQ(frame(b).x, 520);
}

// A window whose change cannot be read again in time has no frame to give: not the one it had
// before, which a restore would take for where the window stands now. The change stays to be
// read by the next reader.
TEST_F(X11BackendTest, AWindowNotReadAgainInTimeGivesNoFrameAndKeepsItsChange)
{
    const uint32_t a = x.openWindow(at(1400, 100)).window();
    const auto heard = [&] { return backend->connection().sync(deadlineIn(5)); };
    const RectD before = frame(a);
    x.xdotool({"windowmove", std::to_string(a), "1700", "420"});
    ASSERT_TRUE(x.waitUntil([&] {
        const auto g = x.clientGeometry(a);
        return g && g->y > 400;
    }));
    ASSERT_TRUE(heard());
    // The server answers nobody else while another client holds it.
    xcb_connection_t *holder = xcb_connect(x.display().c_str(), nullptr);
    std::free(xcb_get_input_focus_reply(holder, xcb_get_input_focus(holder), nullptr));
    xcb_grab_server(holder);
    std::free(xcb_get_input_focus_reply(holder, xcb_get_input_focus(holder), nullptr));
    system.elements->setMessagingTimeout(AXElement{a}, 0.05);
    EXPECT_EQ(read(a, AXAttribute::position).error, AXError::cannotComplete);
    EXPECT_EQ(read(a, AXAttribute::size).error, AXError::cannotComplete);
    xcb_ungrab_server(holder);
    xcb_disconnect(holder);
    system.elements->setMessagingTimeout(AXElement{a}, generousTimeout);
    EXPECT_EQ(frame(a).x, 420);
    EXPECT_NE(frame(a), before);
}

TEST_F(X11BackendTest, SizeAndPositionWritesLandAndReadBackOneAtATimeOrInOneRequest)
{
    const uint32_t w = x.openWindow(at(1400, 100)).window();
    system.elements->setMessagingTimeout(AXElement{w}, generousTimeout);
    const struct {
        RectD target;
    } cases[] = {
        {RectD{100, 120, 640, 480}}, {RectD{-1200, 40, 500, 400}}, {RectD{1800, 900, 300, 200}}};
    for (const bool oneRequest : {false, true}) {
        for (const auto &c : cases) {
            const AXSize size{c.target.width, c.target.height};
            const AXPoint position{c.target.x, c.target.y};
            if (oneRequest) {
                EXPECT_EQ(system.elements->setSizeAndPosition(AXElement{w}, size, position),
                          (AXFrameWriteResult{AXError::success, AXError::success}));
            } else {
                EXPECT_EQ(system.elements->setAttributeValue(AXElement{w}, AXAttribute::size, size),
                          AXError::success);
                EXPECT_EQ(system.elements->setAttributeValue(AXElement{w}, AXAttribute::position,
                                                             position),
                          AXError::success);
            }
            EXPECT_TRUE(frame(w).isApproximatelyEqual(c.target, 4.0))
                << c.target.x << "," << c.target.y << " " << oneRequest;
        }
    }
}

// A window manager that resizes at once and moves a while later (Mutter on a busy machine) is
// still at the request when the size has landed: the write waits for the move, instead of
// taking the window for one that cannot be moved.
TEST_F(X11BackendTest, AMoveThatComesLongAfterTheResizeStillLands)
{
    x.stopWindowManager();
    const LaggingWindowManager lagging(x.display(), std::chrono::milliseconds(300));
    ASSERT_TRUE(lagging.running());
    ASSERT_TRUE(x.waitUntil([&] { return system.trust->isProcessTrusted(); }));
    const TestClient client = x.openWindow(at(1400, 100));
    ASSERT_TRUE(x.waitForManaged(client.window()));
    const AXElement w{client.window()};
    system.elements->setMessagingTimeout(w, generousTimeout);
    const RectD target{100, 120, 640, 480};
    EXPECT_EQ(system.elements->setSizeAndPosition(w, AXSize{target.width, target.height},
                                                  AXPoint{target.x, target.y}),
              (AXFrameWriteResult{AXError::success, AXError::success}));
    EXPECT_TRUE(frame(client.window()).isApproximatelyEqual(target, 0.5));
    x.stop(client);
}

// The window manager gives a window back its frame only after it has cleared the maximized
// state; a write that read the frame too early lands off by the borders.
TEST_F(X11BackendTest, MaximizedWindowIsRestoredBeforeTheWrite)
{
    enum class Order { sizeFirst, positionFirst, oneRequest };
    const struct {
        RectD target;
        Order order;
    } cases[] = {
        {RectD{200, 150, 500, 400}, Order::sizeFirst},
        {RectD{-1100, 80, 640, 480}, Order::positionFirst},
        {RectD{900, 500, 700, 450}, Order::sizeFirst},
        {RectD{-1000, 100, 600, 420}, Order::oneRequest},
    };
    for (const auto &c : cases) {
        TestWindowPlan windowPlan = at(1400, 100);
        windowPlan.maximized = true;
        const TestClient client = x.openWindow(windowPlan);
        const uint32_t w = client.window();
        system.elements->setMessagingTimeout(AXElement{w}, generousTimeout);
        const AXSize size{c.target.width, c.target.height};
        const AXPoint position{c.target.x, c.target.y};
        if (c.order == Order::oneRequest) {
            EXPECT_EQ(system.elements->setSizeAndPosition(AXElement{w}, size, position),
                      (AXFrameWriteResult{AXError::success, AXError::success}));
        }
        if (c.order == Order::sizeFirst) {
            EXPECT_EQ(system.elements->setAttributeValue(AXElement{w}, AXAttribute::size, size),
                      AXError::success);
        }
        if (c.order != Order::oneRequest) {
            EXPECT_EQ(
                system.elements->setAttributeValue(AXElement{w}, AXAttribute::position, position),
                AXError::success);
        }
        if (c.order == Order::positionFirst) {
            EXPECT_EQ(system.elements->setAttributeValue(AXElement{w}, AXAttribute::size, size),
                      AXError::success);
        }
        const RectD landed = frame(w);
        EXPECT_EQ(landed, c.target)
            << landed.x << "," << landed.y << " " << landed.width << "x" << landed.height;
        const auto state = x.property32(w, "_NET_WM_STATE");
        EXPECT_EQ(std::count(state.begin(), state.end(), x.atom("_NET_WM_STATE_MAXIMIZED_VERT")),
                  0);
        x.stop(client);
    }
}

TEST_F(X11BackendTest, FixedSizeWindowRefusesTheSizeButMoves)
{
    TestWindowPlan windowPlan = at(1400, 100, 300, 200);
    windowPlan.fixedSize = true;
    const uint32_t w = x.openWindow(windowPlan).window();
    const RectD before = frame(w);
    // A refused size is known only once the timeout has passed without a change.
    system.elements->setMessagingTimeout(AXElement{w}, 0.6);
    EXPECT_EQ(system.elements->setAttributeValue(AXElement{w}, AXAttribute::size, AXSize{600, 500}),
              AXError::notEnoughPrecision);
    system.elements->setMessagingTimeout(AXElement{w}, generousTimeout);
    EXPECT_EQ(
        system.elements->setAttributeValue(AXElement{w}, AXAttribute::position, AXPoint{300, 300}),
        AXError::success);
    const RectD after = frame(w);
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.x, 300);
    // In one request each part tells for itself.
    EXPECT_EQ(
        system.elements->setSizeAndPosition(AXElement{w}, AXSize{600, 500}, AXPoint{350, 320}),
        (AXFrameWriteResult{AXError::notEnoughPrecision, AXError::success}));
    EXPECT_EQ(frame(w).x, 350);
}

TEST_F(X11BackendTest, GoneWindowsAndBadValuesAreStatuses)
{
    const TestClient client = x.openWindow(at(1400, 100));
    const uint32_t w = client.window();
    EXPECT_EQ(system.elements->setAttributeValue(AXElement{w}, AXAttribute::size, AXPoint{1, 2}),
              AXError::illegalArgument);
    EXPECT_EQ(
        system.elements->setAttributeValue(AXElement{w}, AXAttribute::size, AXSize{qQNaN(), 2}),
        AXError::illegalArgument);
    // A part that cannot be sent does not hold back the other.
    EXPECT_EQ(
        system.elements->setSizeAndPosition(AXElement{w}, AXSize{qQNaN(), 2}, AXPoint{60, 70}),
        (AXFrameWriteResult{AXError::illegalArgument, AXError::success}));
    EXPECT_EQ(frame(w).x, 60);
    // A window shows what is in it only over the accessibility bus, and there is none here.
    EXPECT_EQ(read(w, AXAttribute::children).error, AXError::noValue);
    x.stop(client);
    EXPECT_EQ(read(w, AXAttribute::role).error, AXError::invalidUIElement);
    EXPECT_EQ(
        system.elements->setAttributeValue(AXElement{w}, AXAttribute::position, AXPoint{10, 10}),
        AXError::invalidUIElement);
    EXPECT_EQ(system.elements
                  ->copyAttributeValue(system.elements->applicationElement(client.pid),
                                       AXAttribute::windows)
                  .error,
              AXError::invalidUIElement);
}

TEST_F(X11BackendTest, WindowDestroyedWhileTheWriteWaitsIsInvalid)
{
    // A fixed-size window never takes the new size, so the write waits out its timeout; the
    // window vanishes meanwhile.
    TestWindowPlan windowPlan = at(1400, 100, 300, 200);
    windowPlan.fixedSize = true;
    const TestClient client = x.openWindow(windowPlan);
    const AXElement w{client.window()};
    system.elements->setMessagingTimeout(w, 5.0);
    test::RootMessages requests(x.display());
    std::atomic<AXError> result{AXError::success};
    std::thread writer([&] {
        result = system.elements->setAttributeValue(w, AXAttribute::size, AXSize{700, 600});
    });
    // The client goes once the window manager has been asked, so the write is already waiting.
    const bool asked = requests.waitFor(client.window(), "_NET_MOVERESIZE_WINDOW");
    const auto started = std::chrono::steady_clock::now();
    x.stop(client);
    writer.join();
    ASSERT_TRUE(asked);
    EXPECT_EQ(result.load(), AXError::invalidUIElement);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

// Requests to several windows go out before any answer is awaited, and each answer is the
// window's own: two land, a fixed-size window refuses its size but moves, and a window that
// vanishes while the answers are awaited is invalid. The whole takes about as long as the
// longest single wait.
TEST_F(X11BackendTest, WritesOfSeveralWindowsAreAnsweredTogether)
{
    const uint32_t a = x.openWindow(at(1400, 100)).window();
    const uint32_t b = x.openWindow(at(1450, 150)).window();
    TestWindowPlan fixedPlan = at(1500, 200, 300, 200);
    fixedPlan.fixedSize = true;
    const uint32_t fixed = x.openWindow(fixedPlan).window();
    const TestClient goes = x.openWindow(fixedPlan);
    system.elements->setMessagingTimeout(AXElement{a}, generousTimeout);
    system.elements->setMessagingTimeout(AXElement{b}, generousTimeout);
    // A refused size is known only once the timeout has passed without a change.
    system.elements->setMessagingTimeout(AXElement{fixed}, 0.6);
    system.elements->setMessagingTimeout(AXElement{goes.window()}, 5.0);
    const RectD staysPut = frame(goes.window());
    const struct {
        uint32_t window;
        RectD target;
        AXFrameWriteResult answer;
    } cases[] = {
        {a, RectD{100, 120, 640, 480}, {AXError::success, AXError::success}},
        {b, RectD{-1200, 40, 500, 400}, {AXError::success, AXError::success}},
        {fixed, RectD{350, 320, 600, 500}, {AXError::notEnoughPrecision, AXError::success}},
        // Only the size changes, and the window never takes it: its answer waits until it goes.
        {goes.window(),
         RectD{staysPut.x, staysPut.y, 700, 600},
         {AXError::invalidUIElement, AXError::invalidUIElement}},
    };
    test::RootMessages requests(x.display());
    const auto started = std::chrono::steady_clock::now();
    QList<std::shared_ptr<AXPendingFrameWrite>> writes;
    for (const auto &c : cases) {
        writes.append(system.elements->beginSizeAndPosition(AXElement{c.window},
                                                            AXSize{c.target.width, c.target.height},
                                                            AXPoint{c.target.x, c.target.y}));
    }
    std::thread awaiting([&] { system.elements->awaitSizesAndPositions(writes, writes.size()); });
    const bool asked = requests.waitFor(goes.window(), "_NET_MOVERESIZE_WINDOW");
    x.stop(goes);
    awaiting.join();
    ASSERT_TRUE(asked);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    for (qsizetype i = 0; i < 4; ++i) {
        EXPECT_EQ(writes[i]->answer, cases[i].answer) << i;
    }
    EXPECT_TRUE(frame(a).isApproximatelyEqual(cases[0].target, 4.0));
    EXPECT_TRUE(frame(b).isApproximatelyEqual(cases[1].target, 4.0));
    EXPECT_EQ(frame(fixed).x, 350);
}

TEST_F(X11BackendTest, PressedMouseButtons)
{
    EXPECT_EQ(system.pointer->pressedMouseButtons(), 0u);
    x.xdotool({"mousedown", "1"});
    EXPECT_EQ(system.pointer->pressedMouseButtons(), 1u);
    x.xdotool({"mouseup", "1"});
    x.xdotool({"mousedown", "3"});
    EXPECT_EQ(system.pointer->pressedMouseButtons(), 2u);
    x.xdotool({"mouseup", "3"});
    EXPECT_EQ(system.pointer->pressedMouseButtons(), 0u);
}

} // namespace
} // namespace ostrel::x11
