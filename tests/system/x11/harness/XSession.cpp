#include "XSession.h"

#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#ifndef OSTREL_X11_TEST_CLIENT
#error "OSTREL_X11_TEST_CLIENT must name the test client executable"
#endif

namespace ostrel::test {

namespace {

using Clock = std::chrono::steady_clock;

std::runtime_error failure(const std::string &what)
{
    return std::runtime_error("X test session: " + what);
}

std::optional<std::string> findProgram(const std::string &program)
{
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char *path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

// Resolved before fork: the child may only make async-signal-safe calls, and a PATH search may
// allocate.
std::string resolve(const std::string &program)
{
    if (auto found = findProgram(program)) {
        return *found;
    }
    throw failure(program + " is not installed (see scripts/packages.txt)");
}

// This process's environment with `changes` replacing or adding entries (NAME=VALUE) or taking
// them out (a bare NAME); built before fork for the same reason as `resolve`.
std::vector<std::string> environmentWith(const std::vector<std::string> &changes)
{
    std::vector<std::string> out;
    auto nameOf = [](const std::string &entry) { return entry.substr(0, entry.find('=')); };
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        const bool replaced =
            std::any_of(changes.begin(), changes.end(),
                        [&](const std::string &c) { return nameOf(c) == nameOf(entry); });
        if (!replaced) {
            out.push_back(entry);
        }
    }
    std::copy_if(changes.begin(), changes.end(), std::back_inserter(out),
                 [](const std::string &c) { return c.find('=') != std::string::npos; });
    return out;
}

constexpr WindowManager allWindowManagers[] = {
    WindowManager::none,     WindowManager::openbox, WindowManager::fluxbox, WindowManager::icewm,
    WindowManager::metacity, WindowManager::xfwm4,   WindowManager::kwin,    WindowManager::mutter,
    WindowManager::marco,    WindowManager::muffin};

// The programs a window manager's start runs. Those that talk to a session bus (settings,
// accessibility, global shortcuts) get a private one, so nothing reaches the machine's own.
std::vector<std::string> programsOf(WindowManager windowManager)
{
    switch (windowManager) {
    case WindowManager::none:
        return {};
    case WindowManager::openbox:
        return {"openbox"};
    case WindowManager::fluxbox:
        return {"fluxbox"};
    case WindowManager::icewm:
        return {"icewm"};
    case WindowManager::metacity:
        return {"dbus-run-session", "metacity"};
    case WindowManager::xfwm4:
        return {"dbus-run-session", "xfwm4"};
    case WindowManager::kwin:
        return {"dbus-run-session", "kwin_x11"};
    case WindowManager::mutter:
        return {"dbus-run-session", "mutter"};
    case WindowManager::marco:
        return {"dbus-run-session", "marco"};
    case WindowManager::muffin:
        return {"dbus-run-session", "muffin"};
    }
    return {};
}

// The settings schemas a window manager aborts without, which its own package does not bring
// (marco: mate-settings-daemon-common; muffin: cinnamon-settings-daemon).
std::vector<std::string> schemasOf(WindowManager windowManager)
{
    switch (windowManager) {
    case WindowManager::marco:
        return {"org.mate.peripherals-mouse"};
    case WindowManager::muffin:
        return {"org.cinnamon.settings-daemon.peripherals"};
    default:
        return {};
    }
}

bool hasSchema(const std::string &schema)
{
    const char *dirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    std::string dir;
    while (std::getline(list, dir, ':')) {
        if (!dir.empty()
            && access((dir + "/glib-2.0/schemas/" + schema + ".gschema.xml").c_str(), R_OK) == 0) {
            return true;
        }
    }
    return false;
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path);
    out << text;
    if (!out) {
        throw failure("cannot write " + path);
    }
}

std::string tail(const std::string &path, size_t bytes = 2000)
{
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return all.size() > bytes ? all.substr(all.size() - bytes) : all;
}

// Reads one line from fd within the deadline; false on timeout or end of file.
bool readLine(int fd, std::string &buffer, std::string &line, Clock::time_point deadline)
{
    for (;;) {
        const auto newline = buffer.find('\n');
        if (newline != std::string::npos) {
            line = buffer.substr(0, newline);
            buffer.erase(0, newline + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char chunk[256];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<size_t>(n));
    }
}

const char *const kXorgConf = R"(Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
  Option "NumHeads" "2"
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 5120 2048
  EndSubSection
EndSection
)";

// clang-format off
std::string openboxConfig(int desktops)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <resistance><strength>0</strength><screen_edge_strength>0</screen_edge_strength></resistance>
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>no</center></placement>
  <theme><name>Clearlooks</name></theme>
  <desktops><number>)" + std::to_string(desktops) + R"(</number><firstdesk>1</firstdesk><popupTime>0</popupTime></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <applications/>
</openbox_config>
)";
}

// fluxbox copies its packaged defaults over whatever it finds missing in ~/.fluxbox (the init
// file given with -rc included), so every file it reads is written here. The style is the one
// Debian's defaults name; the overlay's "unset" keeps fluxbox from running fbsetbg at all,
// which "none" does not (it still restores the last wallpaper), and what fbsetbg does depends
// on the machine's programs: with ImageMagick installed it fails and opens a message window.
void writeFluxboxConfig(const std::string &folder, int desktops)
{
    std::filesystem::create_directories(folder);
    writeFile(folder + "/init",
              "session.configVersion: 13\n"
              "session.screen0.workspaces: " + std::to_string(desktops) + "\n"
              "session.styleFile: /usr/share/fluxbox/styles/Squared_for_Debian\n"
              "session.styleOverlay: " + folder + "/overlay\n"
              "session.menuFile: " + folder + "/menu\n"
              "session.keyFile: " + folder + "/keys\n"
              "session.appsFile: " + folder + "/apps\n"
              "session.slitlistFile: " + folder + "/slitlist\n"
              "session.screen0.windowMenu: " + folder + "/windowmenu\n"
              "session.screen0.rootCommand: \n"
              "session.screen0.toolbar.visible: true\n"
              "session.screen0.toolbar.widthPercent: 100\n"
              "session.screen0.toolbar.tools: prevworkspace, workspacename, nextworkspace, iconbar\n");
    writeFile(folder + "/overlay", "background: unset\n");
    for (const char *empty : {"/menu", "/keys", "/apps", "/slitlist", "/windowmenu"}) {
        writeFile(folder + empty, "");
    }
}

// The settings of the GSettings-based window managers, read through GLib's keyfile backend from
// the session's own folder: a fixed number of workspaces (not the dynamic ones GNOME may
// default to) and, for marco, a theme its own package installs.
std::string gsettingsKeyfile(WindowManager windowManager, int desktops)
{
    const std::string count = std::to_string(desktops);
    switch (windowManager) {
    case WindowManager::metacity:
        return "[org/gnome/desktop/wm/preferences]\nnum-workspaces=" + count + "\n";
    case WindowManager::mutter:
        return "[org/gnome/desktop/wm/preferences]\nnum-workspaces=" + count + "\n"
               "[org/gnome/mutter]\ndynamic-workspaces=false\n";
    case WindowManager::marco:
        return "[org/mate/marco/general]\nnum-workspaces=" + count + "\ntheme='Atlanta'\n";
    case WindowManager::muffin:
        return "[org/cinnamon/desktop/wm/preferences]\nnum-workspaces=" + count + "\n"
               "[org/cinnamon/muffin]\ndynamic-workspaces=false\n";
    default:
        return "";
    }
}

// KWin composites with whatever OpenGL the machine offers (a software renderer drawing the
// whole 5120-pixel screen on a busy machine); it runs uncomposited everywhere instead, as it
// does on a machine without a GL driver. Its frames are Plasma's own (Breeze, named so that a
// machine's other decorations never count); without a decoration windows would get no frame.
std::string kwinConfig(int desktops)
{
    return "[Compositing]\nEnabled=false\n\n"
           "[Desktops]\nNumber=" + std::to_string(desktops) + "\nRows=1\n\n"
           "[org.kde.kdecoration2]\nlibrary=org.kde.breeze\ntheme=Breeze\n";
}
// clang-format on

} // namespace

std::string windowManagerName(WindowManager windowManager)
{
    switch (windowManager) {
    case WindowManager::none:
        return "none";
    case WindowManager::openbox:
        return "openbox";
    case WindowManager::fluxbox:
        return "fluxbox";
    case WindowManager::icewm:
        return "icewm";
    case WindowManager::metacity:
        return "metacity";
    case WindowManager::xfwm4:
        return "xfwm4";
    case WindowManager::kwin:
        return "kwin_x11";
    case WindowManager::mutter:
        return "mutter";
    case WindowManager::marco:
        return "marco";
    case WindowManager::muffin:
        return "muffin";
    }
    return "unknown";
}

std::optional<WindowManager> windowManagerNamed(const std::string &name)
{
    for (WindowManager windowManager : allWindowManagers) {
        if (windowManagerName(windowManager) == name) {
            return windowManager;
        }
    }
    return std::nullopt;
}

bool isInstalled(WindowManager windowManager)
{
    const std::vector<std::string> programs = programsOf(windowManager);
    const std::vector<std::string> schemas = schemasOf(windowManager);
    return std::all_of(programs.begin(), programs.end(),
                       [](const std::string &program) { return findProgram(program).has_value(); })
        && std::all_of(schemas.begin(), schemas.end(), hasSchema);
}

std::vector<WindowManager> supportedWindowManagers()
{
    return {WindowManager::openbox,  WindowManager::fluxbox, WindowManager::icewm,
            WindowManager::metacity, WindowManager::xfwm4,   WindowManager::kwin,
            WindowManager::mutter,   WindowManager::marco,   WindowManager::muffin};
}

struct XSession::Connection {
    xcb_connection_t *c = nullptr;
    ~Connection()
    {
        if (c) {
            xcb_disconnect(c);
        }
    }
};

XSession::XSession(XSessionOptions options)
    : options_(std::move(options))
{
    char pattern[] = "/tmp/ostrel-x11-XXXXXX";
    if (!mkdtemp(pattern)) {
        throw failure("cannot make a temporary folder");
    }
    dir_ = pattern;
    if (const char *d = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        previousDisplay_ = d;
    }
    try {
        startServer();
        connect();
        setMonitors(options_.monitors);
        monitorsChanged_ = false;
        if (options_.windowManager != WindowManager::none) {
            startWindowManager();
        }
    } catch (...) {
        stopAllClients();
        stopWindowManager();
        connection_.reset();
        terminate(serverPid_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        throw;
    }
}

XSession::~XSession()
{
    stopAllClients();
    stopWindowManager();
    connection_.reset();
    terminate(serverPid_);
    if (hadDisplay_) {
        setenv("DISPLAY", previousDisplay_.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> XSession::prepend(const std::string &first,
                                           const std::vector<std::string> &rest)
{
    std::vector<std::string> all{first};
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

pid_t XSession::spawn(const std::vector<std::string> &argv, int stdinFd, int stdoutFd, int extraFd,
                      const std::vector<std::string> &environment)
{
    const std::string program = resolve(argv.at(0));
    std::vector<char *> args;
    for (const std::string &a : argv) {
        args.push_back(const_cast<char *>(a.c_str()));
    }
    args.push_back(nullptr);
    const std::vector<std::string> variables = environmentWith(environment);
    std::vector<char *> envp;
    for (const std::string &v : variables) {
        envp.push_back(const_cast<char *>(v.c_str()));
    }
    envp.push_back(nullptr);
    const int logFd =
        open((dir_ + "/clients.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        throw failure("fork failed");
    }
    if (pid == 0) {
        // Own process group so teardown kills whatever the client starts; dies with the tests.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        if (stdinFd >= 0) {
            dup2(stdinFd, STDIN_FILENO);
        }
        if (stdoutFd >= 0) {
            dup2(stdoutFd, STDOUT_FILENO);
        } else if (logFd >= 0) {
            dup2(logFd, STDOUT_FILENO);
        }
        if (logFd >= 0) {
            dup2(logFd, STDERR_FILENO);
        }
        if (extraFd >= 0) {
            if (extraFd == 3) {
                fcntl(3, F_SETFD, 0);
            } else {
                dup2(extraFd, 3);
            }
        }
        execve(program.c_str(), args.data(), envp.data());
        _exit(127);
    }
    setpgid(pid, pid);
    if (logFd >= 0) {
        close(logFd);
    }
    return pid;
}

void XSession::terminate(pid_t pid)
{
    if (pid <= 0) {
        return;
    }
    kill(-pid, SIGTERM);
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < deadline) {
        const pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) {
            kill(-pid, SIGKILL); // whatever the client left in its group
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

void XSession::startServer()
{
    const std::string conf = dir_ + "/xorg.conf";
    const std::string log = dir_ + "/Xorg.log";
    writeFile(conf, kXorgConf);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw failure("pipe failed");
    }
    serverPid_ = spawn({"Xorg", "-displayfd", "3", "-noreset", "-nolisten", "tcp", "-novtswitch",
                        "-sharevts", "-config", conf, "-logfile", log},
                       -1, -1, fds[1]);
    close(fds[1]);
    std::string buffer, line;
    const bool ready = readLine(fds[0], buffer, line, Clock::now() + std::chrono::seconds(30));
    close(fds[0]);
    if (!ready || line.empty()) {
        throw failure("Xorg did not start:\n" + tail(log));
    }
    display_ = ":" + line;
    setenv("DISPLAY", display_.c_str(), 1);
}

void XSession::connect()
{
    connection_ = std::make_unique<Connection>();
    connection_->c = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(connection_->c)) {
        throw failure("cannot connect to " + display_);
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_->c)).data->root;
}

CommandResult XSession::run(const std::vector<std::string> &argv, std::chrono::milliseconds timeout)
{
    CommandResult result;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return result;
    }
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_t pid = 0;
    try {
        pid = spawn(argv, devNull, out[1]);
    } catch (...) {
        close(out[0]);
        close(out[1]);
        close(devNull);
        throw;
    }
    close(out[1]);
    close(devNull);
    const auto deadline = Clock::now() + timeout;
    char chunk[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        const ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        result.output.append(chunk, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    terminate(pid);
    return result;
}

std::string XSession::check(const std::vector<std::string> &argv, std::chrono::milliseconds timeout)
{
    CommandResult r = run(argv, timeout);
    if (r.exitCode != 0) {
        std::string command;
        for (const auto &a : argv) {
            command += a + " ";
        }
        throw failure("command failed (" + std::to_string(r.exitCode) + "): " + command + "\n"
                      + r.output + tail(dir_ + "/clients.log", 500));
    }
    return r.output;
}

void XSession::setMonitors(const std::vector<MonitorSetup> &monitors)
{
    monitorsChanged_ = true;
    const std::string state = check({"xrandr"});
    std::vector<std::string> args;
    const std::regex outputLine(
        R"(^(\S+) (connected|disconnected)( primary)? ?(\d+x\d+\+\d+\+\d+)?)");
    std::stringstream lines(state);
    std::string line;
    std::vector<std::string> enabled;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_search(line, m, outputLine) && m[4].matched) {
            enabled.push_back(m[1]);
        }
    }
    for (const MonitorSetup &m : monitors) {
        const std::string mode = std::to_string(m.width) + "x" + std::to_string(m.height);
        // Adding a mode the output already has fails harmlessly.
        run({"xrandr", "--addmode", m.output, mode});
        args.insert(args.end(),
                    {"--output", m.output, "--mode", mode, "--pos",
                     std::to_string(m.x) + "x" + std::to_string(m.y)});
        if (m.primary) {
            args.push_back("--primary");
        }
    }
    for (const std::string &name : enabled) {
        const bool wanted = std::any_of(monitors.begin(), monitors.end(),
                                        [&](const MonitorSetup &m) { return m.output == name; });
        if (!wanted) {
            args.insert(args.end(), {"--output", name, "--off"});
        }
    }
    xrandr(args);
    // Until the server probes its outputs again, part of what it tells clients still shows the
    // monitors as they were (xfwm4 then keeps every window on the monitors it knows); a
    // desktop's settings tools query right after a change, and so does the harness.
    xrandr({"--query"});
    if (wmPid_ > 0) {
        // The window manager follows the change asynchronously; wait until it has seen the new
        // size.
        waitUntil([&] { return windowManagerSeesScreen(); });
    }
}

uint32_t XSession::atom(const std::string &name)
{
    auto reply = xcb_intern_atom_reply(
        connection_->c,
        xcb_intern_atom(connection_->c, 0, static_cast<uint16_t>(name.size()), name.c_str()),
        nullptr);
    const uint32_t a = reply ? reply->atom : 0;
    std::free(reply);
    return a;
}

std::vector<uint32_t> XSession::property32(uint32_t window, const std::string &name)
{
    std::vector<uint32_t> values;
    auto reply = xcb_get_property_reply(
        connection_->c,
        xcb_get_property(connection_->c, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr);
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

void XSession::setProperty32(uint32_t window, const std::string &name, const std::string &type,
                             const std::vector<uint32_t> &values)
{
    xcb_change_property(connection_->c, XCB_PROP_MODE_REPLACE, window, atom(name), atom(type), 32,
                        static_cast<uint32_t>(values.size()), values.data());
    std::free(
        xcb_get_input_focus_reply(connection_->c, xcb_get_input_focus(connection_->c), nullptr));
}

void XSession::deleteProperty(uint32_t window, const std::string &name)
{
    xcb_delete_property(connection_->c, window, atom(name));
    std::free(
        xcb_get_input_focus_reply(connection_->c, xcb_get_input_focus(connection_->c), nullptr));
}

std::vector<uint32_t> XSession::clientList()
{
    return property32(root_, "_NET_CLIENT_LIST");
}

bool XSession::waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool XSession::waitForManaged(uint32_t window, std::chrono::milliseconds timeout)
{
    return waitUntil(
        [&] {
            const auto list = clientList();
            return std::find(list.begin(), list.end(), window) != list.end()
                && !property32(window, "_NET_FRAME_EXTENTS").empty();
        },
        timeout);
}

bool XSession::waitForGone(uint32_t window, std::chrono::milliseconds timeout)
{
    return waitUntil(
        [&] {
            auto cookie = xcb_get_window_attributes(connection_->c, window);
            xcb_generic_error_t *error = nullptr;
            auto reply = xcb_get_window_attributes_reply(connection_->c, cookie, &error);
            const bool gone = reply == nullptr;
            std::free(reply);
            std::free(error);
            return gone;
        },
        timeout);
}

std::optional<XSession::Rect> XSession::clientGeometry(uint32_t window)
{
    auto *c = connection_->c;
    auto geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    auto translated = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root_, 0, 0), nullptr);
    std::optional<Rect> rect;
    if (geometry && translated) {
        rect = Rect{translated->dst_x, translated->dst_y, geometry->width, geometry->height};
    }
    std::free(geometry);
    std::free(translated);
    return rect;
}

std::optional<XSession::Rect> XSession::frameGeometry(uint32_t window)
{
    std::optional<Rect> rect = clientGeometry(window);
    if (!rect) {
        return rect;
    }
    std::vector<uint32_t> extents = property32(window, "_NET_FRAME_EXTENTS");
    extents.resize(4, 0); // left, right, top, bottom
    rect->x -= int(extents[0]);
    rect->y -= int(extents[2]);
    rect->width += int(extents[0] + extents[1]);
    rect->height += int(extents[2] + extents[3]);
    return rect;
}

std::optional<XSession::Rect> XSession::primaryMonitor()
{
    auto *c = connection_->c;
    auto reply = xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root_, 1), nullptr);
    std::optional<Rect> primary;
    if (reply) {
        for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
             xcb_randr_monitor_info_next(&it)) {
            const Rect monitor{it.data->x, it.data->y, it.data->width, it.data->height};
            if (it.data->primary || !primary) {
                primary = monitor;
            }
            if (it.data->primary) {
                break;
            }
        }
    }
    std::free(reply);
    return primary;
}

void XSession::moveResize(uint32_t window, int x, int y, int width, int height)
{
    const std::string id = std::to_string(window);
    // A configure request places the frame by the client's gravity: its top left for NorthWest,
    // the client itself for Static.
    const std::vector<uint32_t> hints = property32(window, "WM_NORMAL_HINTS");
    constexpr uint32_t hasGravity = 512, staticGravity = 10;
    int requestX = x, requestY = y;
    if (hints.size() >= 18 && (hints[0] & hasGravity) && hints[17] == staticGravity) {
        std::vector<uint32_t> extents = property32(window, "_NET_FRAME_EXTENTS");
        extents.resize(4, 0);
        requestX += int(extents[0]);
        requestY += int(extents[2]);
    }
    xdotool({"windowsize", id, std::to_string(width), std::to_string(height)});
    xdotool({"windowmove", id, std::to_string(requestX), std::to_string(requestY)});
    // xdotool returns before the window manager has applied either request.
    const bool done = waitUntil([&] {
        const auto client = clientGeometry(window);
        const auto frame = frameGeometry(window);
        return client && frame && client->width == width && client->height == height
            && frame->x == x && frame->y == y;
    });
    if (!done) {
        const auto frame = frameGeometry(window);
        throw failure(
            "the window manager did not move window " + id + " to " + std::to_string(x) + ","
            + std::to_string(y) + " " + std::to_string(width) + "x" + std::to_string(height)
            + (frame ? "; it is at " + std::to_string(frame->x) + "," + std::to_string(frame->y)
                       + " " + std::to_string(frame->width) + "x" + std::to_string(frame->height)
                     : "; it is gone"));
    }
}

// The window manager's settings live in the session's folder: its own home, configuration and
// runtime folders, no system configuration folder (/etc/xdg holds autostart entries and
// defaults an administrator may change), no session manager, and no bus of the machine's: those
// that need a session bus get a private one (dbus-run-session), the others none.
std::vector<std::string> XSession::windowManagerEnvironment()
{
    const std::string home = dir_ + "/home";
    for (const char *folder : {"/.config", "/.cache", "/.local/share"}) {
        std::filesystem::create_directories(home + folder);
    }
    std::filesystem::create_directories(dir_ + "/config-dirs");
    std::filesystem::create_directories(dir_ + "/runtime");
    chmod((dir_ + "/runtime").c_str(), 0700);
    std::vector<std::string> environment{
        "HOME=" + home,
        "XDG_CONFIG_HOME=" + home + "/.config",
        "XDG_CACHE_HOME=" + home + "/.cache",
        "XDG_DATA_HOME=" + home + "/.local/share",
        "XDG_CONFIG_DIRS=" + dir_ + "/config-dirs",
        "XDG_DATA_DIRS=/usr/local/share:/usr/share",
        "XDG_RUNTIME_DIR=" + dir_ + "/runtime",
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir_ + "/no-session-bus",
        "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + dir_ + "/no-system-bus",
        "NO_AT_BRIDGE=1",
        "GSETTINGS_BACKEND=keyfile",
        "SESSION_MANAGER",
        "DESKTOP_AUTOSTART_ID",
        "WAYLAND_DISPLAY",
        "XDG_CURRENT_DESKTOP",
        "XDG_SESSION_DESKTOP",
        "DESKTOP_SESSION",
    };
    if (options_.windowManager == WindowManager::kwin) {
        // The tests run with Qt's offscreen platform; KWin is a Qt program and must draw on X.
        environment.push_back("QT_QPA_PLATFORM=xcb");
    }
    return environment;
}

std::vector<std::string> XSession::windowManagerCommand()
{
    const std::string home = dir_ + "/home";
    const std::string config = home + "/.config";
    if (const std::string keyfile = gsettingsKeyfile(options_.windowManager, options_.desktops);
        !keyfile.empty()) {
        std::filesystem::create_directories(config + "/glib-2.0/settings");
        writeFile(config + "/glib-2.0/settings/keyfile", keyfile);
    }
    switch (options_.windowManager) {
    case WindowManager::none:
        break;
    case WindowManager::openbox: {
        const std::string rc = dir_ + "/openbox-rc.xml";
        writeFile(rc, openboxConfig(options_.desktops));
        return {"openbox", "--sm-disable", "--config-file", rc};
    }
    case WindowManager::fluxbox: {
        // Its toolbar stays: a reservation of screen space that only the work area tells of.
        writeFluxboxConfig(home + "/.fluxbox", options_.desktops);
        return {"fluxbox", "-rc", home + "/.fluxbox/init"};
    }
    case WindowManager::icewm: {
        // Its taskbar stays: it reserves the bottom edge with the legacy strut.
        std::filesystem::create_directories(home + "/.icewm");
        std::string names;
        for (int i = 1; i <= options_.desktops; ++i) {
            names += (i > 1 ? ", " : "") + std::string("\"") + std::to_string(i) + "\"";
        }
        writeFile(home + "/.icewm/preferences", "WorkspaceNames=" + names + "\n");
        return {"icewm"};
    }
    case WindowManager::metacity:
        return {"dbus-run-session", "--", "metacity", "--replace", "--sm-disable"};
    case WindowManager::xfwm4:
        return {"dbus-run-session", "--", "xfwm4", "--compositor=off", "--sm-client-disable"};
    case WindowManager::kwin:
        writeFile(config + "/kwinrc", kwinConfig(options_.desktops));
        return {"dbus-run-session", "--", "kwin_x11", "--replace"};
    case WindowManager::mutter:
        return {"dbus-run-session", "--", "mutter", "--x11", "--replace", "--sm-disable"};
    case WindowManager::marco:
        return {"dbus-run-session", "--", "marco", "--replace", "--sm-disable"};
    case WindowManager::muffin:
        return {"dbus-run-session", "--", "muffin", "--replace", "--sm-disable"};
    }
    return {};
}

void XSession::maximize(uint32_t window)
{
    const std::optional<Rect> before = frameGeometry(window);
    const uint32_t vertical = atom("_NET_WM_STATE_MAXIMIZED_VERT");
    const uint32_t horizontal = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = atom("_NET_WM_STATE");
    request.data.data32[0] = 1; // add
    request.data.data32[1] = vertical;
    request.data.data32[2] = horizontal;
    request.data.data32[3] = 2; // from a pager, as a user's action
    xcb_send_event(connection_->c, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&request));
    xcb_flush(connection_->c);
    const auto has = [](const std::vector<uint32_t> &states, uint32_t state) {
        return std::find(states.begin(), states.end(), state) != states.end();
    };
    // The state may come before the new frame (metacity resizes later, when idle); once both
    // are there, the window manager's answer to a later request says it is done with this one.
    const bool maximized = waitUntil([&] {
        const auto states = property32(window, "_NET_WM_STATE");
        return has(states, vertical) && has(states, horizontal) && frameGeometry(window) != before;
    });
    if (!maximized || !waitForWindowManagerLoop(Clock::now() + std::chrono::seconds(10))) {
        throw failure("the window manager did not maximize window " + std::to_string(window));
    }
}

void XSession::startWindowManager()
{
    if (wmPid_ > 0 || options_.windowManager == WindowManager::none) {
        return;
    }
    const std::string name = windowManagerName(options_.windowManager);
    // What the last window manager left behind (its helpers may outlive it) is not the test's.
    failOnStrayWindows("before " + name + " started");
    const std::vector<std::string> environment = windowManagerEnvironment();
    const std::vector<std::string> command = windowManagerCommand();
    windowsBeforeWindowManager_.clear();
    for (uint32_t window : topLevelWindows()) {
        windowsBeforeWindowManager_.emplace_back(window, ownerProcess(window));
    }
    const std::vector<MonitorSetup> monitors = currentMonitors();
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    wmPid_ = spawn(command, devNull, -1, -1, environment);
    close(devNull);
    // Generous: KWin has taken over 30 s to start again on a machine compiling with every core.
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    const bool advertised = waitUntil(
        [&] {
            const auto check = property32(root_, "_NET_SUPPORTING_WM_CHECK");
            return !check.empty() && property32(check[0], "_NET_SUPPORTING_WM_CHECK") == check;
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    if (!advertised || !waitForWindowManagerLoop(deadline)) {
        throw failure(name + " did not start:\n" + tail(dir_ + "/clients.log"));
    }
    // Mutter and muffin apply a monitor setup of their own as they start (the largest mode on
    // each output, side by side), before they advertise themselves; a change another client
    // makes afterwards they take as it is.
    if (options_.windowManager == WindowManager::mutter
        || options_.windowManager == WindowManager::muffin) {
        putBackMonitors(monitors, deadline);
    }
    if (!waitForDesktops(deadline)) {
        throw failure(name + " did not make " + std::to_string(options_.desktops) + " desktops");
    }
    if (!waitForScreenSize(deadline)) {
        throw failure(name + " did not take up the size of the screen");
    }
    failOnStrayWindows("after " + name + " started");
}

void XSession::putBackMonitors(const std::vector<MonitorSetup> &monitors,
                               Clock::time_point deadline)
{
    auto sorted = [](std::vector<MonitorSetup> list) {
        std::sort(list.begin(), list.end(),
                  [](const MonitorSetup &a, const MonitorSetup &b) { return a.output < b.output; });
        return list;
    };
    const std::vector<MonitorSetup> wanted = sorted(monitors);
    if (sorted(currentMonitors()) == wanted) {
        return;
    }
    const bool changedBefore = monitorsChanged_;
    setMonitors(wanted);
    monitorsChanged_ = changedBefore;
    const bool back =
        waitUntil([&] { return sorted(currentMonitors()) == wanted && windowManagerSeesScreen(); },
                  std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    if (!back) {
        std::string shown;
        for (const MonitorSetup &m : currentMonitors()) {
            shown += " " + m.output + " " + std::to_string(m.width) + "x" + std::to_string(m.height)
                + "+" + std::to_string(m.x) + "+" + std::to_string(m.y)
                + (m.primary ? " primary" : "");
        }
        throw failure(windowManagerName(options_.windowManager)
                      + " kept a monitor setup of its own:" + shown);
    }
}

std::vector<MonitorSetup> XSession::currentMonitors()
{
    auto *c = connection_->c;
    std::vector<MonitorSetup> monitors;
    auto reply = xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root_, 1), nullptr);
    if (!reply) {
        return monitors;
    }
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        MonitorSetup monitor;
        auto name = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, it.data->name), nullptr);
        if (name) {
            monitor.output.assign(xcb_get_atom_name_name(name),
                                  static_cast<size_t>(xcb_get_atom_name_name_length(name)));
        }
        std::free(name);
        monitor.width = it.data->width;
        monitor.height = it.data->height;
        monitor.x = it.data->x;
        monitor.y = it.data->y;
        monitor.primary = it.data->primary;
        monitors.push_back(monitor);
    }
    std::free(reply);
    return monitors;
}

std::vector<uint32_t> XSession::topLevelWindows()
{
    auto *c = connection_->c;
    std::vector<uint32_t> windows;
    if (auto tree = xcb_query_tree_reply(c, xcb_query_tree(c, root_), nullptr)) {
        const xcb_window_t *children = xcb_query_tree_children(tree);
        windows.assign(children, children + xcb_query_tree_children_length(tree));
        std::free(tree);
    }
    return windows;
}

// The process of the client that made the window, as the server knows it (X-Resource), else as
// the window claims it.
pid_t XSession::ownerProcess(uint32_t window)
{
    auto *c = connection_->c;
    xcb_res_client_id_spec_t asked{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    pid_t pid = 0;
    if (auto reply =
            xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &asked), nullptr)) {
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem;
             xcb_res_client_id_value_next(&it)) {
            const auto &[id, length] = *it.data;
            if ((id.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) && length == 4) {
                pid = static_cast<pid_t>(*xcb_res_client_id_value_value(it.data));
            }
        }
        std::free(reply);
    }
    if (pid == 0) {
        const std::vector<uint32_t> claimed = property32(window, "_NET_WM_PID");
        pid = claimed.empty() ? 0 : static_cast<pid_t>(claimed[0]);
    }
    return pid;
}

std::string XSession::describeWindow(uint32_t window)
{
    auto *c = connection_->c;
    auto text = [&](xcb_atom_t property, xcb_atom_t type) {
        std::string value;
        if (auto reply = xcb_get_property_reply(
                c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr)) {
            value.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                         static_cast<size_t>(xcb_get_property_value_length(reply)));
            std::free(reply);
        }
        return value;
    };
    std::string wmClass = text(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    std::replace(wmClass.begin(), wmClass.end(), '\0', ' ');
    std::string title = text(atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    if (title.empty()) {
        title = text(XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    }
    std::ostringstream out;
    out << "window 0x" << std::hex << window << std::dec << " WM_CLASS \"" << wmClass
        << "\" title \"" << title << "\"";
    if (const pid_t pid = ownerProcess(window); pid > 0) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
        std::string commandLine((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
        out << " of process " << pid << (commandLine.empty() ? "" : ": " + commandLine);
    }
    return out.str();
}

std::vector<std::string> XSession::strayWindows()
{
    // Clients already stopped count too: the server may list a window of an ended client for a
    // moment after its process is gone.
    std::vector<pid_t> ours = clientsStarted_;
    ours.push_back(getpid());
    std::vector<std::string> stray;
    for (uint32_t window : clientList()) {
        const pid_t owner = ownerProcess(window);
        if (std::find(windowsBeforeWindowManager_.begin(), windowsBeforeWindowManager_.end(),
                      std::pair(window, owner))
            != windowsBeforeWindowManager_.end()) {
            continue;
        }
        // A window manager that ended leaves its last list on the root.
        auto attributes = xcb_get_window_attributes_reply(
            connection_->c, xcb_get_window_attributes(connection_->c, window), nullptr);
        const bool exists = attributes != nullptr;
        std::free(attributes);
        if (exists && std::find(ours.begin(), ours.end(), owner) == ours.end()) {
            stray.push_back(describeWindow(window));
        }
    }
    return stray;
}

// A window the test did not open changes what the program finds on the desktop; it is named
// here rather than found later as a wrong count.
void XSession::failOnStrayWindows(const std::string &when)
{
    const std::vector<std::string> stray = strayWindows();
    if (stray.empty()) {
        return;
    }
    std::string list;
    for (const std::string &window : stray) {
        list += "\n  " + window;
    }
    throw failure("the session shows windows the test did not open (" + when + "):" + list);
}

// Each window manager has its own default number of desktops; those that are not told in their
// settings are asked as a pager would ask.
bool XSession::waitForDesktops(Clock::time_point deadline)
{
    const std::vector<uint32_t> wanted{static_cast<uint32_t>(options_.desktops)};
    const auto left = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    };
    if (property32(root_, "_NET_NUMBER_OF_DESKTOPS") == wanted) {
        return true;
    }
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = root_;
    request.type = atom("_NET_NUMBER_OF_DESKTOPS");
    request.data.data32[0] = wanted[0];
    xcb_send_event(connection_->c, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&request));
    xcb_flush(connection_->c);
    return waitUntil([&] { return property32(root_, "_NET_NUMBER_OF_DESKTOPS") == wanted; },
                     left());
}

// The window manager follows the server's size on its own time; tests arrange windows once it has.
bool XSession::waitForScreenSize(Clock::time_point deadline)
{
    return waitUntil(
        [&] { return windowManagerSeesScreen(); },
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

// Whether the window manager's desktop has the root's size. fluxbox never updates its desktop
// geometry; its work area, which spans the root, tells instead.
bool XSession::windowManagerSeesScreen()
{
    auto geometry =
        xcb_get_geometry_reply(connection_->c, xcb_get_geometry(connection_->c, root_), nullptr);
    const uint32_t width = geometry ? geometry->width : 0, height = geometry ? geometry->height : 0;
    std::free(geometry);
    if (options_.windowManager == WindowManager::fluxbox) {
        const auto area = property32(root_, "_NET_WORKAREA");
        return area.size() >= 4 && area[0] + area[2] == width;
    }
    const auto desktop = property32(root_, "_NET_DESKTOP_GEOMETRY");
    return desktop == std::vector<uint32_t>{width, height};
}

// The advertisement says little: a restarted openbox finds its predecessor's properties still on
// the root, and openbox sets its own long before it has taken over the open windows. Worse, what
// it reads from the connection while starting up waits in its queue until the next event wakes
// its main loop, so a window mapped in that span would never be managed. Openbox is ready once
// its main loop answers a request: the frame extents of an unmapped probe window. The request is
// repeated until answered, since every new one also wakes a loop that sits on such a queue.
bool XSession::waitForWindowManagerLoop(Clock::time_point deadline)
{
    if (options_.windowManager == WindowManager::fluxbox
        || options_.windowManager == WindowManager::kwin) {
        return waitForManagedProbe(deadline);
    }
    auto *c = connection_->c;
    const xcb_window_t probe = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root_, -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = probe;
    request.type = atom("_NET_REQUEST_FRAME_EXTENTS");
    bool answered = false;
    while (!answered && Clock::now() < deadline) {
        xcb_send_event(c, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&request));
        xcb_flush(c);
        const auto again = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
        answered =
            waitUntil([&] { return !property32(probe, "_NET_FRAME_EXTENTS").empty(); },
                      std::chrono::duration_cast<std::chrono::milliseconds>(again - Clock::now()));
    }
    xcb_destroy_window(c, probe);
    xcb_flush(c);
    return answered;
}

// fluxbox answers frame-extents requests for the windows it manages only, and KWin not at all;
// their loop runs once they manage a probe window. A new probe is mapped now and then, since each
// map also wakes a loop that sits on a queue; all of them are gone from the client list again
// before this returns.
bool XSession::waitForManagedProbe(Clock::time_point deadline)
{
    auto *c = connection_->c;
    std::vector<xcb_window_t> probes;
    const auto managed = [&] {
        const auto list = clientList();
        return std::any_of(probes.begin(), probes.end(), [&](xcb_window_t probe) {
            return std::find(list.begin(), list.end(), probe) != list.end();
        });
    };
    bool answered = false;
    while (!answered && Clock::now() < deadline) {
        const xcb_window_t probe = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root_, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, probe);
        xcb_flush(c);
        probes.push_back(probe);
        const auto again = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
        answered = waitUntil(
            managed, std::chrono::duration_cast<std::chrono::milliseconds>(again - Clock::now()));
    }
    for (xcb_window_t probe : probes) {
        xcb_destroy_window(c, probe);
    }
    xcb_flush(c);
    const bool released =
        waitUntil([&] { return !managed(); },
                  std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    return answered && released;
}

void XSession::stopWindowManager()
{
    if (wmPid_ <= 0) {
        return;
    }
    terminate(wmPid_);
    wmPid_ = 0;
    if (connection_) {
        // The supporting window dies with the window manager's connection.
        const auto check = property32(root_, "_NET_SUPPORTING_WM_CHECK");
        if (!check.empty()) {
            waitForGone(check[0]);
        }
    }
}

TestClient XSession::openWindow(const TestWindowPlan &windowPlan)
{
    std::vector<std::string> argv{OSTREL_X11_TEST_CLIENT,
                                  "--class",
                                  windowPlan.instance + "," + windowPlan.className,
                                  "--title",
                                  windowPlan.title,
                                  "--type",
                                  windowPlan.type,
                                  "--count",
                                  std::to_string(windowPlan.count)};
    const std::string size =
        std::to_string(windowPlan.width) + "x" + std::to_string(windowPlan.height);
    argv.insert(argv.end(),
                {"--geometry",
                 windowPlan.position ? size + "+" + std::to_string(windowPlan.x) + "+"
                         + std::to_string(windowPlan.y)
                                     : size});
    auto list = [](const std::vector<uint32_t> &v) {
        std::string s;
        for (size_t i = 0; i < v.size(); ++i) {
            s += (i ? "," : "") + std::to_string(v[i]);
        }
        return s;
    };
    if (windowPlan.transientFor) {
        argv.insert(argv.end(), {"--transient-for", std::to_string(windowPlan.transientFor)});
    }
    if (windowPlan.fixedSize) {
        argv.push_back("--fixed-size");
    }
    if (windowPlan.minSize) {
        argv.insert(argv.end(),
                    {"--min-size",
                     std::to_string(windowPlan.minSize->first) + "x"
                         + std::to_string(windowPlan.minSize->second)});
    }
    if (windowPlan.maxSize) {
        argv.insert(argv.end(),
                    {"--max-size",
                     std::to_string(windowPlan.maxSize->first) + "x"
                         + std::to_string(windowPlan.maxSize->second)});
    }
    if (!windowPlan.withPid) {
        argv.push_back("--no-pid");
    } else if (windowPlan.claimedPid) {
        argv.insert(argv.end(), {"--pid", std::to_string(windowPlan.claimedPid)});
    }
    if (windowPlan.iconic) {
        argv.push_back("--iconic");
    }
    if (windowPlan.maximized) {
        argv.push_back("--maximized");
    }
    if (windowPlan.fullscreen) {
        argv.push_back("--fullscreen");
    }
    if (windowPlan.overrideRedirect) {
        argv.push_back("--override-redirect");
    }
    if (windowPlan.desktop) {
        argv.insert(argv.end(), {"--desktop", std::to_string(*windowPlan.desktop)});
    }
    if (!windowPlan.strutPartial.empty()) {
        argv.insert(argv.end(), {"--strut-partial", list(windowPlan.strutPartial)});
    }
    if (!windowPlan.strut.empty()) {
        argv.insert(argv.end(), {"--strut", list(windowPlan.strut)});
    }
    if (windowPlan.gravity != 1) {
        argv.insert(argv.end(), {"--gravity", std::to_string(windowPlan.gravity)});
    }
    if (!windowPlan.gtkFrameExtents.empty()) {
        argv.insert(argv.end(), {"--gtk-frame-extents", list(windowPlan.gtkFrameExtents)});
    }
    if (!windowPlan.clientSideShadow.empty()) {
        argv.insert(argv.end(),
                    {"--client-side-shadow", list(windowPlan.clientSideShadow), "--shadow-lag",
                     std::to_string(windowPlan.shadowLagMs)});
    }
    if (!windowPlan.gtkApplicationId.empty()) {
        argv.insert(argv.end(), {"--gtk-application-id", windowPlan.gtkApplicationId});
    }
    if (!windowPlan.iconSides.empty()) {
        std::string sides;
        for (const uint32_t side : windowPlan.iconSides) {
            sides += (sides.empty() ? "" : ",") + std::to_string(side);
        }
        argv.insert(argv.end(), {"--icon", sides});
    }
    if (!windowPlan.kdeDesktopFile.empty()) {
        argv.insert(argv.end(), {"--kde-desktop-file", windowPlan.kdeDesktopFile});
    }

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        throw failure("pipe failed");
    }
    const pid_t pid = spawn(argv, in[0], out[1]);
    close(in[0]);
    close(out[1]);
    clients_.push_back({pid, in[1], {}});
    clientsStarted_.push_back(pid);
    TestClient client{pid, {}};
    std::string buffer, line;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (static_cast<int>(client.windows.size()) < windowPlan.count
           && readLine(out[0], buffer, line, deadline)) {
        client.windows.push_back(static_cast<uint32_t>(std::stoul(line, nullptr, 16)));
    }
    close(out[0]);
    clients_.back().windows = client.windows;
    if (static_cast<int>(client.windows.size()) < windowPlan.count) {
        stop(client);
        throw failure("the test client did not open its windows:\n"
                      + tail(dir_ + "/clients.log", 500));
    }
    if (windowPlan.waitUntilManaged && !windowPlan.overrideRedirect && wmPid_ > 0) {
        for (uint32_t w : client.windows) {
            if (!waitForManaged(w)) {
                stop(client);
                throw failure("the window manager did not manage a test window");
            }
        }
    }
    // Mutter and muffin map a window that asks to start minimized as a normal one; it is
    // minimized as a user would, so that the test gets what it asked for.
    if (windowPlan.iconic && wmPid_ > 0
        && (options_.windowManager == WindowManager::mutter
            || options_.windowManager == WindowManager::muffin)) {
        for (uint32_t w : client.windows) {
            minimize(w);
        }
    }
    failOnStrayWindows("when the test opened a window");
    return client;
}

void XSession::minimize(uint32_t window)
{
    constexpr uint32_t iconicState = 3;
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = atom("WM_CHANGE_STATE");
    request.data.data32[0] = iconicState;
    xcb_send_event(connection_->c, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&request));
    xcb_flush(connection_->c);
    const uint32_t hidden = atom("_NET_WM_STATE_HIDDEN");
    const bool minimized = waitUntil([&] {
        const auto state = property32(window, "WM_STATE");
        const auto states = property32(window, "_NET_WM_STATE");
        return !state.empty() && state[0] == iconicState
            && std::find(states.begin(), states.end(), hidden) != states.end();
    });
    if (!minimized) {
        throw failure("the window manager did not minimize window " + std::to_string(window));
    }
}

TestClient XSession::startStandardClient(const std::vector<std::string> &argv,
                                         const std::string &wmClassInstance)
{
    const auto before = clientList();
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = spawn(argv, devNull, -1);
    close(devNull);
    clients_.push_back({pid, -1, {}});
    clientsStarted_.push_back(pid);
    TestClient client{pid, {}};
    const bool found = waitUntil([&] {
        for (uint32_t w : clientList()) {
            if (std::find(before.begin(), before.end(), w) != before.end()) {
                continue;
            }
            auto reply = xcb_get_property_reply(
                connection_->c,
                xcb_get_property(connection_->c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
                nullptr);
            std::string instance;
            if (reply) {
                instance.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                                strnlen(static_cast<const char *>(xcb_get_property_value(reply)),
                                        static_cast<size_t>(xcb_get_property_value_length(reply))));
            }
            std::free(reply);
            if (instance == wmClassInstance && !property32(w, "_NET_FRAME_EXTENTS").empty()) {
                client.windows.push_back(w);
                return true;
            }
        }
        return false;
    });
    clients_.back().windows = client.windows;
    if (!found) {
        stop(client);
        throw failure(argv.at(0) + " opened no window:\n" + tail(dir_ + "/clients.log", 500));
    }
    failOnStrayWindows("when the test started " + argv.at(0));
    return client;
}

void XSession::stop(const TestClient &client)
{
    auto it = std::find_if(clients_.begin(), clients_.end(),
                           [&](const Child &c) { return c.pid == client.pid; });
    if (it == clients_.end()) {
        return;
    }
    if (it->stdinFd >= 0) {
        close(it->stdinFd);
    }
    terminate(it->pid);
    // The windows as the harness knew them, so that stopping by process alone also waits until
    // the window manager has let them go.
    std::vector<uint32_t> windows = it->windows;
    windows.insert(windows.end(), client.windows.begin(), client.windows.end());
    clients_.erase(it);
    if (connection_) {
        for (uint32_t w : windows) {
            waitForGone(w);
            waitUntil([&] {
                const auto list = clientList();
                return std::find(list.begin(), list.end(), w) == list.end();
            });
        }
    }
}

void XSession::reset()
{
    stopAllClients();
    if (options_.windowManager != WindowManager::none) {
        startWindowManager();
    }
    if (monitorsChanged_) {
        setMonitors(options_.monitors);
        monitorsChanged_ = false;
    }
    failOnStrayWindows("after the test");
}

void XSession::stopAllClients()
{
    while (!clients_.empty()) {
        stop(TestClient{clients_.back().pid, {}});
    }
}

struct RootMessages::Connection {
    xcb_connection_t *c = nullptr;
    ~Connection()
    {
        if (c) {
            xcb_disconnect(c);
        }
    }
};

RootMessages::RootMessages(const std::string &display)
    : connection_(std::make_unique<Connection>())
{
    auto *c = connection_->c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        throw failure("cannot connect to " + display);
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Checked: listening must have begun before the caller goes on.
    if (xcb_generic_error_t *error = xcb_request_check(
            c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask))) {
        std::free(error);
        throw failure("cannot listen on the root window");
    }
}

RootMessages::~RootMessages() = default;

bool RootMessages::waitFor(uint32_t window, const std::string &type,
                           std::chrono::milliseconds timeout)
{
    auto *c = connection_->c;
    auto reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(type.size()), type.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            bool found = false;
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
                found = message->window == window && message->type == atom;
            }
            std::free(event);
            if (found) {
                return true;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(c)) {
            return false;
        }
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

} // namespace ostrel::test
