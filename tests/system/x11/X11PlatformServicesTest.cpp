// Hot keys, key labels, overlays and the shortcut recorder against a real X server with openbox
// (see harness/), through the program's own Qt application on that server.
#include "Await.h"
#include "ModifierKeys.h"
#include "TestApplication.h"
#include "X11Environment.h"

#include "model/ShortcutFormatter.h"
#include "platform/KeyboardLayoutLabels.h"
#include "platform/KeyboardLayoutObserver.h"
#include "platform/MarkerOverlayService.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/ShortcutRecordingSession.h"
#include "platform/ShortcutService.h"
#include "system/KeyPositions.h"
#include "system/fake/FakeClock.h"
#include "system/x11/SteadyClock.h"
#include "system/x11/X11Backend.h"
#include "system/x11/X11Compositing.h"
#include "system/x11/X11HotKeys.h"
#include "system/x11/X11KeyboardLayout.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QWidget>

#include <xcb/shape.h>
#include <xcb/xcb.h>
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <gtest/gtest.h>

#include <functional>

#include <poll.h>
#include <sys/ioctl.h>

namespace ostrel::x11 {
namespace {

using test::TestWindowPlan;
using namespace test::modifiers;

const QUuid layout("{B0000000-0000-0000-0000-000000000001}");

// A connection of another X client, for what other programs do meanwhile.
struct Connection {
    explicit Connection(const std::string &display)
        : c(xcb_connect(display.c_str(), nullptr))
    {
    }
    ~Connection() { xcb_disconnect(c); }
    void sync() { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
    xcb_connection_t *c;
};

class X11PlatformServices : public test::X11Test {
protected:
    static void SetUpTestSuite()
    {
        test::xsession(); // exports DISPLAY for the Qt application
        qputenv("QT_QPA_PLATFORM", "xcb");
        test::ensureApplication();
    }

    void SetUp() override
    {
        connection = X11Connection::open(x.display());
        ASSERT_TRUE(connection);
    }

    // Turns Caps Lock and Num Lock (on Mod2, or on `numLockModifier`) on or off as their keys
    // would, and reads the locked modifiers back.
    uint8_t setLocks(bool caps, bool num, uint8_t numLockModifier = XCB_MOD_MASK_2)
    {
        Connection other(x.display());
        free(xcb_xkb_use_extension_reply(other.c, xcb_xkb_use_extension(other.c, 1, 0), nullptr));
        const uint8_t locks = uint8_t((caps ? XCB_MOD_MASK_LOCK : 0) | (num ? numLockModifier : 0));
        xcb_xkb_latch_lock_state(other.c, XCB_XKB_ID_USE_CORE_KBD,
                                 uint8_t(XCB_MOD_MASK_LOCK | numLockModifier), locks, 0, 0, 0, 0,
                                 0);
        xcb_xkb_get_state_reply_t *state = xcb_xkb_get_state_reply(
            other.c, xcb_xkb_get_state(other.c, XCB_XKB_ID_USE_CORE_KBD), nullptr);
        const uint8_t locked = state ? state->lockedMods : 0;
        free(state);
        return locked;
    }

    uint32_t focusedWindow()
    {
        auto focus = connection->reply<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus(connection->raw()), deadlineIn(1.0));
        return focus.ok() ? focus->focus : 0;
    }

    // The server sends everything that concerns this connection (a change of the keyboard
    // mapping, the error of an earlier request) before it answers a later request of it, and the
    // round trip dispatches what came meanwhile; what the main thread does about it is posted.
    void awaitServer()
    {
        ASSERT_TRUE(connection->sync(deadlineIn(10.0)));
        QCoreApplication::sendPostedEvents();
    }

    // Whether another client could take this key now, i.e. no grab of ours holds it.
    bool otherClientCanGrab(uint8_t keyCode, uint16_t modifiers)
    {
        Connection other(x.display());
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.c)).data->root;
        xcb_generic_error_t *error =
            xcb_request_check(other.c,
                              xcb_grab_key_checked(other.c, 0, root, modifiers, keyCode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        free(error);
        return error == nullptr;
    }

    std::shared_ptr<X11Connection> connection;
};

TEST_F(X11PlatformServices, AGrabbedShortcutFiresWithNumLockAndCapsLockOnOrOff)
{
    X11HotKeys hotKeys(connection);
    ShortcutService service(hotKeys, nullptr);
    QList<ShortcutTarget> fired;
    service.onTrigger = [&](const ShortcutTarget &target) { fired.append(target); };
    ASSERT_EQ(
        service.apply(Shortcut{40, ctrl | opt}, {{layout, Shortcut{37, cmd | shift}}}, std::nullopt)
            .message,
        std::nullopt);

    x.xdotool({"key", "ctrl+alt+k"});
    ASSERT_TRUE(test::waitUntil([&] { return fired.size() == 1; }));
    EXPECT_EQ(fired.last(), ShortcutTarget::selectedLayout());

    ASSERT_EQ(setLocks(false, true), XCB_MOD_MASK_2);
    x.xdotool({"key", "ctrl+alt+k"});
    ASSERT_TRUE(test::waitUntil([&] { return fired.size() == 2; }));
    ASSERT_EQ(setLocks(true, true), XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
    x.xdotool({"key", "super+shift+l"});
    ASSERT_TRUE(test::waitUntil([&] { return fired.size() == 3; }));
    EXPECT_EQ(fired.last(), ShortcutTarget::layout(layout));
    ASSERT_EQ(setLocks(true, false), XCB_MOD_MASK_LOCK);
    x.xdotool({"key", "ctrl+alt+k"});
    ASSERT_TRUE(test::waitUntil([&] { return fired.size() == 4; }));
    ASSERT_EQ(setLocks(false, false), 0);

    // Other modifiers, or none, are other combinations; a held key fires once. Key events come
    // in order, so once the layout's shortcut typed after them has fired, any of them that was
    // going to fire has.
    x.xdotool({"key", "ctrl+k", "alt+k", "ctrl+alt+shift+k", "k"});
    x.xdotool({"keydown", "ctrl+alt+k", "sleep", "0.3", "keyup", "ctrl+alt+k"});
    x.xdotool({"key", "super+shift+l"});
    ASSERT_TRUE(test::waitUntil([&] { return fired.size() >= 6; }));
    EXPECT_EQ(fired.size(), 6);
    EXPECT_EQ(fired.value(4), ShortcutTarget::selectedLayout()) << "the held key";
    EXPECT_EQ(fired.value(5), ShortcutTarget::layout(layout));

    // While a shortcut is recorded nothing is grabbed: the keys are anyone's, with or without
    // the locks.
    service.unregisterAll();
    awaitServer();
    const uint8_t k = uint8_t(*KeyPositions::xKeyCode(40));
    const uint8_t l = uint8_t(*KeyPositions::xKeyCode(37));
    EXPECT_TRUE(otherClientCanGrab(k, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    EXPECT_TRUE(otherClientCanGrab(
        k, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK));
    EXPECT_TRUE(otherClientCanGrab(l, XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT));
    EXPECT_FALSE(connection->hasError());
}

TEST_F(X11PlatformServices, AKeyAnotherClientHoldsIsInUseAndTheOldSetStays)
{
    // Another program holds Ctrl+Alt+J.
    auto other = std::make_unique<Connection>(x.display());
    ASSERT_FALSE(xcb_connection_has_error(other->c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other->c)).data->root;
    xcb_grab_key(other->c, 0, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1,
                 xcb_keycode_t(*KeyPositions::xKeyCode(38)), XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
    other->sync();

    X11HotKeys hotKeys(connection);
    ShortcutService service(hotKeys, nullptr);
    int fired = 0;
    service.onTrigger = [&](const ShortcutTarget &) { ++fired; };
    ASSERT_EQ(service.apply(Shortcut{40, ctrl | opt}, {}, std::nullopt).message, std::nullopt);
    EXPECT_EQ(service.apply(Shortcut{38, ctrl | opt}, {}, ShortcutTarget::selectedLayout()).message,
              "Ctrl+Alt+J is in use or reserved. Choose another shortcut.");
    EXPECT_EQ(service.activeGlobal(), (Shortcut{40, ctrl | opt}));
    awaitServer(); // a refusal must never come back as a late X error
    EXPECT_FALSE(connection->hasError());

    x.xdotool({"key", "ctrl+alt+k"});
    ASSERT_TRUE(test::waitUntil([&] { return fired == 1; }));

    // Once the other program lets go, the key is free.
    other.reset();
    EXPECT_EQ(service.apply(Shortcut{38, ctrl | opt}, {}, ShortcutTarget::selectedLayout()).message,
              std::nullopt);
    x.xdotool({"key", "ctrl+alt+j"});
    ASSERT_TRUE(test::waitUntil([&] { return fired == 2; }));
}

TEST_F(X11PlatformServices, HotKeysSurviveAChangeOfTheKeyboardMapping)
{
    X11HotKeys hotKeys(connection);
    ShortcutService service(hotKeys, nullptr);
    int fired = 0;
    service.onTrigger = [&](const ShortcutTarget &) { ++fired; };
    ASSERT_EQ(service.apply(Shortcut{40, ctrl | opt}, {}, std::nullopt).message, std::nullopt);
    // Num Lock moves to another modifier: the grabs must follow it.
    x.check({"xmodmap", "-e", "clear mod2", "-e", "add mod3 = Num_Lock"});
    awaitServer();
    ASSERT_EQ(setLocks(false, true, XCB_MOD_MASK_3), XCB_MOD_MASK_3);
    x.xdotool({"key", "ctrl+alt+k"});
    EXPECT_TRUE(test::waitUntil([&] { return fired == 1; }));
    setLocks(false, false, XCB_MOD_MASK_3);
    x.check({"setxkbmap", "-layout", "us"});
    awaitServer();
    ASSERT_EQ(setLocks(false, true), XCB_MOD_MASK_2);
    x.xdotool({"key", "ctrl+alt+k"});
    EXPECT_TRUE(test::waitUntil([&] { return fired == 2; }));
    setLocks(false, false);
}

// The keyboard's map is read again with blocking requests on the connection the hot keys share,
// and those take whatever else has come in off the socket: a shortcut pressed meanwhile must
// still fire, although the socket then has nothing more to say.
TEST_F(X11PlatformServices, AShortcutPressedWhileTheKeyboardMapIsReadAgainFires)
{
    X11HotKeys hotKeys(connection);
    X11KeyboardLayout keyboard(connection);
    ShortcutService service(hotKeys, nullptr);
    int fired = 0;
    service.onTrigger = [&](const ShortcutTarget &) { ++fired; };
    ASSERT_EQ(service.apply(Shortcut{40, ctrl | opt}, {}, std::nullopt).message, std::nullopt);
    int reread = 0;
    const int subscription = keyboard.subscribe([&] { ++reread; });

    // Another keyboard map: the round trip hands out the server's news, and the map's new
    // reading waits in the event queue. Whatever the hot keys make of it is done first.
    x.check({"setxkbmap", "-layout", "us"});
    ASSERT_TRUE(connection->sync(deadlineIn(10.0)));
    QCoreApplication::sendPostedEvents(&hotKeys);
    // The press (held, so that no release comes after it) reaches the socket first. Watched
    // without the event loop, which would hand it on, but within the shared limit.
    x.xdotool({"keydown", "ctrl+alt+k"});
    const int socket = xcb_get_file_descriptor(connection->raw());
    int pending = 0;
    for (QDeadlineTimer deadline(test::waitLimit);
         pending < int(sizeof(xcb_key_press_event_t)) && !deadline.hasExpired();) {
        pollfd readable{socket, POLLIN, 0};
        poll(&readable, 1, 10);
        ioctl(socket, FIONREAD, &pending);
    }
    ASSERT_GE(pending, int(sizeof(xcb_key_press_event_t))) << "the press never came";
    // Then the map is read. The socket is empty afterwards, so its watcher would never tell of
    // the press: it must have been handed to the hot keys by then.
    QCoreApplication::sendPostedEvents(&keyboard);
    EXPECT_GE(reread, 1);
    QCoreApplication::sendPostedEvents(&hotKeys);
    EXPECT_EQ(fired, 1);
    x.xdotool({"keyup", "ctrl+alt+k"});
    keyboard.unsubscribe(subscription);
}

TEST_F(X11PlatformServices, KeyLabelsFollowTheServersLayout)
{
    X11KeyboardLayout keyboard(connection);
    ASSERT_TRUE(keyboard.isFollowing());
    std::shared_ptr<KeyboardLayoutLabels> labels = KeyboardLayoutLabels::create(keyboard);
    KeyboardLayoutObserver observer(keyboard, labels);
    EXPECT_EQ(ShortcutFormatter::keyName(0, labels.get()), "A");
    EXPECT_EQ(ShortcutFormatter::keyName(36, labels.get()), "Return");

    x.check({"setxkbmap", "-layout", "us,fr"});
    ASSERT_TRUE(test::waitUntil([&] { return keyboard.layoutCount() == 2; }));
    EXPECT_EQ(ShortcutFormatter::keyName(0, labels.get()), "A");
    const int revision = observer.revision();

    // The second layout chosen, as a layout switch of the desktop does.
    Connection other(x.display());
    free(xcb_xkb_use_extension_reply(other.c, xcb_xkb_use_extension(other.c, 1, 0), nullptr));
    xcb_xkb_latch_lock_state(other.c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, XCB_XKB_GROUP_2, 0, 0, 0);
    other.sync();
    ASSERT_TRUE(
        test::waitUntil([&] { return ShortcutFormatter::keyName(0, labels.get()) == "Q"; }));
    ASSERT_TRUE(test::waitUntil([&] { return observer.revision() > revision; }));
    EXPECT_EQ(ShortcutFormatter::keyName(33, labels.get()), "^");

    x.check({"setxkbmap", "-layout", "us"});
    ASSERT_TRUE(
        test::waitUntil([&] { return ShortcutFormatter::keyName(0, labels.get()) == "A"; }));
}

TEST_F(X11PlatformServices, OverlaysLetClicksThroughAndNeverTakeTheFocus)
{
    TestWindowPlan windowPlan;
    windowPlan.x = 1280 + 100; // root coordinates; the primary display starts at 1280
    windowPlan.y = 100;
    const uint32_t client = x.openWindow(windowPlan).window();
    SteadyClock clock;
    X11Compositing compositing(connection);
    EXPECT_FALSE(compositing.isActive()) << "openbox composites nothing";
    OverlayWindowRegistry overlays;
    MarkerOverlayService markers(clock, overlays, &compositing);
    markers.show({{1,
                   WindowReference{QUuid::createUuid(),
                                   {},
                                   0,
                                   {},
                                   {},
                                   {},
                                   {},
                                   std::nullopt,
                                   std::nullopt,
                                   {100, 100, 400, 300}}}});
    ASSERT_EQ(markers.panels().size(), 1);
    const xcb_window_t panel = xcb_window_t(markers.panels()[0]->windowNumber());
    xcb_connection_t *c = connection->raw();
    ASSERT_TRUE(test::waitUntil([&] {
        auto attributes = connection->reply<xcb_get_window_attributes_reply_t>(
            xcb_get_window_attributes(c, panel), deadlineIn(1.0));
        return attributes.ok() && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }));
    auto attributes = connection->reply<xcb_get_window_attributes_reply_t>(
        xcb_get_window_attributes(c, panel), deadlineIn(1.0));
    ASSERT_TRUE(attributes.ok());
    EXPECT_TRUE(attributes->override_redirect) << "the window manager never manages or focuses it";
    auto input = connection->reply<xcb_shape_get_rectangles_reply_t>(
        xcb_shape_get_rectangles(c, panel, XCB_SHAPE_SK_INPUT), deadlineIn(1.0));
    ASSERT_TRUE(input.ok());
    EXPECT_EQ(input->rectangles_len, 0) << "no part of it takes pointer input";
    auto bounding = connection->reply<xcb_shape_get_rectangles_reply_t>(
        xcb_shape_get_rectangles(c, panel, XCB_SHAPE_SK_BOUNDING), deadlineIn(1.0));
    ASSERT_TRUE(bounding.ok());
    EXPECT_GT(bounding->rectangles_len, 1) << "without a compositor it is cut to its outline";

    // A click on the marker's outline reaches the window below, which takes the focus.
    x.xdotool({"mousemove", std::to_string(1280 + 104), "250"});
    const std::string under = x.check({"xdotool", "getmouselocation", "--shell"});
    EXPECT_EQ(under.find("WINDOW=" + std::to_string(panel) + "\n"), std::string::npos) << under;
    x.xdotool({"click", "1"});
    ASSERT_TRUE(test::waitUntil([&] {
        const std::vector<uint32_t> active = x.property32(x.root(), "_NET_ACTIVE_WINDOW");
        return !active.empty() && active[0] == client;
    }));
    EXPECT_NE(focusedWindow(), panel);
    markers.clear();
}

TEST_F(X11PlatformServices, TheFlashFollowsARealWindow)
{
    TestWindowPlan windowPlan;
    windowPlan.x = 1280 + 200;
    windowPlan.y = 150;
    const uint32_t client = x.openWindow(windowPlan).window();
    std::unique_ptr<X11Backend> backend = X11Backend::connect(x.display());
    ASSERT_TRUE(backend);
    SystemBackend system = backend->backend();
    const auto frameOf = [&]() -> std::optional<RectD> {
        for (const WindowServerRow &row :
             system.windowServer->windowList().value_or(QList<WindowServerRow>{})) {
            if (row.windowNumber == client) {
                return row.bounds;
            }
        }
        return std::nullopt;
    };
    ASSERT_TRUE(test::waitUntil([&] { return frameOf().has_value(); }));
    // The flash's time is the test's: on a busy machine the window manager may take longer to
    // move the window than the flash stays up. Each tracking cycle runs when the test asks.
    FakeClock clock;
    OverlayWindowRegistry overlays;
    RestoredWindowFlashService flash(*system.windowServer, clock, overlays, nullptr, nullptr);
    const auto trackOnce = [&] {
        const int waiting = clock.pendingSleeps();
        clock.advance(RestoredWindowFlashService::trackingPeriod);
        return test::waitUntil([&] { return clock.pendingSleeps() == waiting; });
    };
    flash.flash({{*frameOf(), client}}, HighlightColor::blue);
    ASSERT_EQ(flash.panels().size(), 1);
    OverlayPanel *panel = flash.panels()[0].panel;
    EXPECT_EQ(panel->frame(), *frameOf());

    x.xdotool({"windowmove", std::to_string(client), std::to_string(1280 + 300), "250"});
    ASSERT_TRUE(test::waitUntil([&] { return frameOf() && frameOf()->x > 150; }));
    // Well within the flash's second: the panel reaches the window in a cycle or two.
    for (int cycle = 0; cycle < 10 && panel->frame() != *frameOf(); ++cycle) {
        ASSERT_TRUE(trackOnce());
    }
    EXPECT_EQ(panel->frame(), *frameOf());
    flash.removePanels();
    // Let the waiting tasks wake and find the flash ended.
    clock.advance(std::chrono::hours(1));
    QCoreApplication::processEvents();
}

TEST_F(X11PlatformServices, RecordingEndsWhenAnotherApplicationIsActivated)
{
    QWidget window;
    window.setWindowTitle("Recorder");
    window.resize(300, 200);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return window.isActiveWindow(); }));

    ShortcutRecordings recordings;
    ShortcutRecordingSession session(recordings, nullptr);
    session.begin([](std::optional<Shortcut>) {});
    // A real key press of the program's own window is recorded by its position.
    x.xdotool({"key", "ctrl+shift+k"});
    ASSERT_TRUE(test::waitUntil([&] { return session.candidate().has_value(); }));
    EXPECT_EQ(session.candidate(), (Shortcut{40, ctrl | shift}));

    const uint32_t other = x.openWindow().window();
    x.xdotool({"windowactivate", std::to_string(other)});
    EXPECT_TRUE(test::waitUntil([&] { return !session.isRecording(); }));
}

} // namespace
} // namespace ostrel::x11
