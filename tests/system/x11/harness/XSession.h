#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel::test {

// One monitor of the test server: a RandR output of the dummy driver with a mode and a position
// in root coordinates.
struct MonitorSetup {
    std::string output; // "DUMMY0", "DUMMY1", ...
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    bool primary = false;
    bool operator==(const MonitorSetup &) const = default;
};

// What the test client opens: every field maps onto one property of the window (see
// TestClient.cpp). Positions are root coordinates of the client window.
struct TestWindowPlan {
    std::string instance = "ostreltest";
    std::string className = "OstrelTest";
    std::string title = "Ostrel test window";
    std::string type =
        "normal"; // normal, dialog, utility, toolbar, menu, dock, splash; "none" = no property
    int x = 100;
    int y = 100;
    int width = 400;
    int height = 300;
    bool position = true; // false lets the window manager place the window
    uint32_t transientFor = 0;
    bool fixedSize = false; // minimum and maximum size hints equal to the size
    std::optional<std::pair<int, int>> minSize, maxSize;
    bool withPid = true; // false: no _NET_WM_PID, so only X-Resource knows the process
    pid_t claimedPid =
        0; // non-zero: _NET_WM_PID names this process instead (a window "of" another app)
    bool iconic = false; // mapped minimized
    bool maximized = false;
    bool fullscreen = false;
    bool overrideRedirect =
        false; // mapped by the client itself, never managed (implies waitUntilManaged false)
    std::optional<uint32_t> desktop;
    std::vector<uint32_t> strutPartial; // 12 values, root-relative as the property defines them
    std::vector<uint32_t>
        strut;            // the legacy _NET_WM_STRUT: left, right, top, bottom of the whole root
    uint32_t gravity = 1; // WM_NORMAL_HINTS win_gravity: 1 NorthWest; 10 Static, as Qt windows ask
    std::vector<uint32_t> gtkFrameExtents; // left, right, top, bottom
    // Has an invisible shadow of these extents (left, right, top, bottom) around what it draws,
    // as a client-side decoration of GTK has: declared in _GTK_FRAME_EXTENTS, dropped while
    // maximized and declared again only once the client has seen the maximized state go, a
    // frame (`shadowLagMs`) after it noticed. (The window manager still draws its own frame
    // around it, so that every one of them manages it alike.)
    std::vector<uint32_t> clientSideShadow;
    int shadowLagMs = 80;
    std::string gtkApplicationId;
    std::string kdeDesktopFile;
    // _NET_WM_ICON with one opaque square of each side, its red channel the side.
    std::vector<uint32_t> iconSides;
    int count = 1; // windows in one process, each 20 px further right and down
    bool waitUntilManaged =
        true; // false for windows the window manager never lists (docks stay listed)
};

// A window of its own application (WM_CLASS instance and class both `className`) at a place.
inline TestWindowPlan windowOf(const std::string &className, int x, int y, int width, int height)
{
    TestWindowPlan windowPlan;
    windowPlan.instance = className;
    windowPlan.className = className;
    windowPlan.x = x;
    windowPlan.y = y;
    windowPlan.width = width;
    windowPlan.height = height;
    return windowPlan;
}

// A running client process and its windows.
struct TestClient {
    pid_t pid = 0;
    std::vector<uint32_t> windows;
    uint32_t window() const { return windows.at(0); }
};

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

// The window managers the harness can start. Each is started as a user's session would start
// it, sealed off from the machine: its own home, configuration written by the harness, no
// wallpaper setter, no autostart, no bus or session manager of the machine's.
enum class WindowManager {
    none,
    openbox,
    fluxbox,
    icewm,
    metacity,
    xfwm4,
    kwin,
    mutter,
    marco,
    muffin
};

std::string windowManagerName(WindowManager windowManager);
// The window manager named (as windowManagerName gives it); nothing for an unknown name.
std::optional<WindowManager> windowManagerNamed(const std::string &name);
// Whether the window manager's programs, and the settings schemas it cannot start without, are
// installed on this machine.
bool isInstalled(WindowManager windowManager);
// Every window manager the restore and acceptance runs are checked under.
std::vector<WindowManager> supportedWindowManagers();

struct XSessionOptions {
    // Root coordinates. The default puts a smaller monitor left of the primary, so global
    // coordinates (relative to the primary) go negative.
    std::vector<MonitorSetup> monitors = {
        {"DUMMY0", 1920, 1080, 1280, 0, true},
        {"DUMMY1", 1280, 1024, 0, 0, false},
    };
    WindowManager windowManager = WindowManager::openbox;
    int desktops = 2;
};

// The client messages sent to the root window, heard as the window manager hears them (another
// connection that selects substructure notification on the root). X delivers in order, so once
// a request of another client shows up here, everything that client sent before has reached the
// server too: an ordered barrier where a pause would only guess.
class RootMessages {
public:
    // Listens from construction on; messages sent before are not seen.
    explicit RootMessages(const std::string &display);
    ~RootMessages();
    RootMessages(const RootMessages &) = delete;
    RootMessages &operator=(const RootMessages &) = delete;

    // Waits for a message of `type` (an atom name) about `window`.
    bool waitFor(uint32_t window, const std::string &type,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

// A private X server for one test executable: Xorg with the dummy video driver on a free display,
// RandR outputs set up as asked, an EWMH window manager (openbox unless asked otherwise), and every
// client the test starts. Everything is torn down by the destructor, and every child dies with the
// test process (own process group + parent-death signal), so a crashed or killed test leaves
// nothing behind. Not thread-safe: use it from the test's main thread.
class XSession {
public:
    explicit XSession(XSessionOptions options = {});
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // ":N", also exported as DISPLAY while the session lives.
    const std::string &display() const { return display_; }

    // Runs a program against this display (xrandr, xdotool, xprop, ...) and collects its output;
    // bounded by the timeout. run() never throws; check() throws std::runtime_error when the
    // command fails.
    CommandResult run(const std::vector<std::string> &argv,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::string check(const std::vector<std::string> &argv,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void xrandr(const std::vector<std::string> &args) { check(prepend("xrandr", args)); }
    std::string xdotool(const std::vector<std::string> &args)
    {
        return check(prepend("xdotool", args));
    }

    // Puts the outputs in this arrangement (turning off every other output), as a real monitor
    // change does: each change sends the RandR events.
    void setMonitors(const std::vector<MonitorSetup> &monitors);

    // Clients. Each is killed at teardown at the latest.
    TestClient openWindow(const TestWindowPlan &windowPlan = {});
    // xlogo, xclock, xmessage...: starts argv and waits until a new managed window with the given
    // WM_CLASS instance appears.
    TestClient startStandardClient(const std::vector<std::string> &argv,
                                   const std::string &wmClassInstance);
    TestClient startXlogo(const std::string &geometry = "200x150+200+200")
    {
        return startStandardClient({"xlogo", "-geometry", geometry}, "xlogo");
    }
    TestClient startXclock(const std::string &geometry = "200x200+300+300")
    {
        return startStandardClient({"xclock", "-geometry", geometry}, "xclock");
    }
    TestClient startXmessage(const std::string &text = "Hello",
                             const std::string &geometry = "+400+400")
    {
        return startStandardClient({"xmessage", "-geometry", geometry, text}, "xmessage");
    }
    // Ends a client (its windows vanish) and waits for the process.
    void stop(const TestClient &client);
    void stopAllClients();
    // Back to the state the session started in: no clients, the window manager running, the
    // original monitors. Test fixtures call it after each test.
    void reset();

    // Window manager. Starting fails when the session then shows a window the test did not open
    // (a wallpaper setter's complaint, a panel, an autostarted program), naming it.
    void startWindowManager();
    void stopWindowManager();
    bool windowManagerRunning() const { return wmPid_ > 0; }
    WindowManager windowManager() const { return options_.windowManager; }

    // Queries on the harness's own connection.
    std::vector<uint32_t> clientList();
    bool waitUntil(const std::function<bool()> &condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool waitForManaged(uint32_t window,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool waitForGone(uint32_t window, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The client window's rectangle in root coordinates, without the frame.
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Rect &) const = default;
    };
    std::optional<Rect> clientGeometry(uint32_t window);
    // The outer frame in root coordinates: the client rectangle grown by _NET_FRAME_EXTENTS.
    std::optional<Rect> frameGeometry(uint32_t window);
    // The primary monitor in root coordinates (the first one when none is primary), as the
    // server lists its monitors now; its top left is the origin of the program's global space.
    std::optional<Rect> primaryMonitor();
    // The monitors as the server lists them now.
    std::vector<MonitorSetup> currentMonitors();
    // Managed windows the test did not open: neither there before the window manager started
    // nor of the test process or one of its clients. Each is described by its WM_CLASS and
    // title.
    std::vector<std::string> strayWindows();
    // Resizes the client and moves its frame's top left to (x, y) as another client would ask
    // the window manager, and waits until the window manager has done both.
    void moveResize(uint32_t window, int x, int y, int width, int height);
    // Maximizes the window as a user's click on its title bar would (a _NET_WM_STATE request) and
    // waits until the window manager has done it and stopped resizing it.
    void maximize(uint32_t window);
    // Cardinal/atom/window values of a property (format 32), empty when absent.
    std::vector<uint32_t> property32(uint32_t window, const std::string &name);
    void setProperty32(uint32_t window, const std::string &name, const std::string &type,
                       const std::vector<uint32_t> &values);
    void deleteProperty(uint32_t window, const std::string &name);
    uint32_t root() const { return root_; }
    uint32_t atom(const std::string &name);

private:
    static std::vector<std::string> prepend(const std::string &first,
                                            const std::vector<std::string> &rest);
    // `environment` holds NAME=VALUE entries that replace or add to this process's own.
    pid_t spawn(const std::vector<std::string> &argv, int stdinFd, int stdoutFd, int extraFd = -1,
                const std::vector<std::string> &environment = {});
    void startServer();
    void connect();
    std::vector<std::string> windowManagerCommand();
    std::vector<std::string> windowManagerEnvironment();
    bool waitForWindowManagerLoop(std::chrono::steady_clock::time_point deadline);
    bool waitForManagedProbe(std::chrono::steady_clock::time_point deadline);
    bool waitForDesktops(std::chrono::steady_clock::time_point deadline);
    bool waitForScreenSize(std::chrono::steady_clock::time_point deadline);
    bool windowManagerSeesScreen();
    void minimize(uint32_t window);
    void putBackMonitors(const std::vector<MonitorSetup> &monitors,
                         std::chrono::steady_clock::time_point deadline);
    void failOnStrayWindows(const std::string &when);
    std::vector<uint32_t> topLevelWindows();
    std::string describeWindow(uint32_t window);
    pid_t ownerProcess(uint32_t window);
    void terminate(pid_t pid);

    XSessionOptions options_;
    std::string dir_;
    std::string display_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
    pid_t serverPid_ = 0;
    pid_t wmPid_ = 0;
    struct Child {
        pid_t pid;
        int stdinFd;
        std::vector<uint32_t> windows;
    };
    std::vector<Child> clients_;
    std::vector<pid_t> clientsStarted_;
    struct Connection;
    std::unique_ptr<Connection> connection_;
    uint32_t root_ = 0;
    bool monitorsChanged_ = false;
    // The windows that stood before the window manager last started, with their processes:
    // the test's own. (The server hands the ids of closed windows out again.)
    std::vector<std::pair<uint32_t, pid_t>> windowsBeforeWindowManager_;
};

} // namespace ostrel::test
