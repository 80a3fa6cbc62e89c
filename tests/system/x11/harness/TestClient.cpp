// A small X client for the X11 tests: opens windows with exactly the properties a test asks for
// (class, type, transient-for, size hints and gravity, pid or none, iconic, desktop, struts,
// client-side decoration extents, a client-side shadow that follows the maximized state as
// GTK's does, a _NET_WM_ICON), prints each window's id on one line once it is mapped, and lives
// until its standard input closes or it is told "quit". Plain xcb, so it starts fast and owns
// nothing else.
#include <xcb/xcb.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string instance = "ostreltest";
    std::string className = "OstrelTest";
    std::string title = "Ostrel test window";
    std::string type = "normal"; // "none" sets no window type at all
    int x = 100, y = 100, width = 400, height = 300;
    bool position = true;
    uint32_t transientFor = 0;
    std::optional<std::pair<int, int>> minSize, maxSize;
    std::optional<int64_t> pid; // absent: the real pid; -1: no _NET_WM_PID property
    bool iconic = false;
    bool maximized = false;
    bool fullscreen = false;
    bool overrideRedirect = false; // mapped by itself, never managed
    std::optional<uint32_t> desktop;
    std::vector<uint32_t> strutPartial, strut, gtkFrameExtents, clientSideShadow;
    int shadowLagMs = 80;
    std::string gtkApplicationId, kdeDesktopFile;
    // _NET_WM_ICON: one opaque square of each side, its red channel the side, so that a test
    // tells which of them was drawn.
    std::vector<uint32_t> iconSides;
    int count = 1;
    uint32_t gravity = 1; // NorthWest
};

[[noreturn]] void usage(const char *message)
{
    std::fprintf(stderr, "ostrel_x11_test_client: %s\n", message);
    std::exit(2);
}

std::vector<uint32_t> numbers(const std::string &text, size_t expected)
{
    std::vector<uint32_t> out;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        out.push_back(static_cast<uint32_t>(std::stoul(part, nullptr, 0)));
    }
    if (out.size() != expected) {
        usage("wrong number of values in a list");
    }
    return out;
}

std::pair<int, int> size(const std::string &text)
{
    int w = 0, h = 0;
    if (std::sscanf(text.c_str(), "%dx%d", &w, &h) != 2) {
        usage("a size is WxH");
    }
    return {w, h};
}

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage(("missing value for " + arg).c_str());
            }
            return argv[++i];
        };
        if (arg == "--class") {
            const std::string v = value();
            const auto comma = v.find(',');
            if (comma == std::string::npos) {
                usage("--class is INSTANCE,CLASS");
            }
            o.instance = v.substr(0, comma);
            o.className = v.substr(comma + 1);
        } else if (arg == "--title") {
            o.title = value();
        } else if (arg == "--type") {
            o.type = value();
        } else if (arg == "--geometry") {
            const std::string v = value();
            if (std::sscanf(v.c_str(), "%dx%d+%d+%d", &o.width, &o.height, &o.x, &o.y) == 4) {
                o.position = true;
            } else if (std::sscanf(v.c_str(), "%dx%d", &o.width, &o.height) == 2) {
                o.position = false;
            } else {
                usage("--geometry is WxH+X+Y or WxH");
            }
        } else if (arg == "--transient-for") {
            o.transientFor = static_cast<uint32_t>(std::stoul(value(), nullptr, 0));
        } else if (arg == "--min-size") {
            o.minSize = size(value());
        } else if (arg == "--max-size") {
            o.maxSize = size(value());
        } else if (arg == "--fixed-size") {
            o.minSize = o.maxSize = std::pair{-1, -1};
        } else if (arg == "--pid") {
            o.pid = std::stoll(value());
        } else if (arg == "--no-pid") {
            o.pid = -1;
        } else if (arg == "--iconic") {
            o.iconic = true;
        } else if (arg == "--maximized") {
            o.maximized = true;
        } else if (arg == "--fullscreen") {
            o.fullscreen = true;
        } else if (arg == "--override-redirect") {
            o.overrideRedirect = true;
        } else if (arg == "--desktop") {
            o.desktop = static_cast<uint32_t>(std::stoul(value(), nullptr, 0));
        } else if (arg == "--strut-partial") {
            o.strutPartial = numbers(value(), 12);
        } else if (arg == "--strut") {
            o.strut = numbers(value(), 4);
        } else if (arg == "--gtk-frame-extents") {
            o.gtkFrameExtents = numbers(value(), 4);
        } else if (arg == "--client-side-shadow") {
            o.clientSideShadow = numbers(value(), 4);
        } else if (arg == "--shadow-lag") {
            o.shadowLagMs = std::stoi(value());
        } else if (arg == "--gtk-application-id") {
            o.gtkApplicationId = value();
        } else if (arg == "--icon") {
            std::stringstream in(value());
            std::string part;
            while (std::getline(in, part, ',')) {
                o.iconSides.push_back(static_cast<uint32_t>(std::stoul(part)));
            }
        } else if (arg == "--kde-desktop-file") {
            o.kdeDesktopFile = value();
        } else if (arg == "--gravity") {
            o.gravity = static_cast<uint32_t>(std::stoul(value()));
        } else if (arg == "--count") {
            o.count = std::stoi(value());
        } else {
            usage(("unknown option " + arg).c_str());
        }
    }
    if (o.minSize && o.minSize->first < 0) {
        o.minSize = o.maxSize = std::pair{o.width, o.height};
    }
    return o;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return a;
}

void setCardinals(xcb_connection_t *c, xcb_window_t w, const char *name, xcb_atom_t type,
                  const std::vector<uint32_t> &values)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, name), type, 32,
                        static_cast<uint32_t>(values.size()), values.data());
}

void setText(xcb_connection_t *c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
             const std::string &text)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8,
                        static_cast<uint32_t>(text.size()), text.data());
}

xcb_window_t openWindow(xcb_connection_t *c, xcb_screen_t *screen, const Options &o, int index)
{
    const xcb_window_t w = xcb_generate_id(c);
    const int x = o.x + 20 * index;
    const int y = o.y + 20 * index;
    const uint32_t values[] = {
        screen->white_pixel, o.overrideRedirect ? 1u : 0u,
        XCB_EVENT_MASK_STRUCTURE_NOTIFY
            | (o.clientSideShadow.empty() ? 0u : uint32_t(XCB_EVENT_MASK_PROPERTY_CHANGE))};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, static_cast<int16_t>(x),
                      static_cast<int16_t>(y), static_cast<uint16_t>(o.width),
                      static_cast<uint16_t>(o.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);

    std::string wmClass = o.instance;
    wmClass.push_back('\0');
    wmClass += o.className;
    wmClass.push_back('\0');
    setText(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
    setText(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, o.title);
    setText(c, w, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), o.title);

    char host[256] = {};
    gethostname(host, sizeof host - 1);
    setText(c, w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, host);
    if (!o.pid) {
        setCardinals(c, w, "_NET_WM_PID", XCB_ATOM_CARDINAL, {static_cast<uint32_t>(getpid())});
    } else if (*o.pid >= 0) {
        setCardinals(c, w, "_NET_WM_PID", XCB_ATOM_CARDINAL, {static_cast<uint32_t>(*o.pid)});
    }

    if (o.type != "none") {
        const std::string name = "_NET_WM_WINDOW_TYPE_" + [&] {
            std::string upper = o.type;
            for (char &ch : upper) {
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            }
            return upper;
        }();
        setCardinals(c, w, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, {atom(c, name.c_str())});
    }
    if (o.transientFor) {
        setCardinals(c, w, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW, {o.transientFor});
    }

    // WM_NORMAL_HINTS: user position and size so the window manager keeps the asked geometry.
    std::vector<uint32_t> hints(18, 0);
    enum : uint32_t { USPosition = 1, USSize = 2, PMinSize = 16, PMaxSize = 32, PWinGravity = 512 };
    hints[0] = USSize | PWinGravity | (o.position ? uint32_t{USPosition} : 0u);
    hints[1] = static_cast<uint32_t>(x);
    hints[2] = static_cast<uint32_t>(y);
    hints[3] = static_cast<uint32_t>(o.width);
    hints[4] = static_cast<uint32_t>(o.height);
    if (o.minSize) {
        hints[0] |= PMinSize;
        hints[5] = static_cast<uint32_t>(o.minSize->first);
        hints[6] = static_cast<uint32_t>(o.minSize->second);
    }
    if (o.maxSize) {
        hints[0] |= PMaxSize;
        hints[7] = static_cast<uint32_t>(o.maxSize->first);
        hints[8] = static_cast<uint32_t>(o.maxSize->second);
    }
    hints[17] = o.gravity;
    setCardinals(c, w, "WM_NORMAL_HINTS", atom(c, "WM_SIZE_HINTS"), hints);

    // WM_HINTS: input, and the iconic initial state when asked.
    std::vector<uint32_t> wmHints(9, 0);
    wmHints[0] = 1u | (o.iconic ? 2u : 0u);
    wmHints[1] = 1;
    wmHints[2] = o.iconic ? 3u : 1u;
    setCardinals(c, w, "WM_HINTS", atom(c, "WM_HINTS"), wmHints);

    std::vector<uint32_t> states;
    if (o.maximized) {
        states.push_back(atom(c, "_NET_WM_STATE_MAXIMIZED_VERT"));
        states.push_back(atom(c, "_NET_WM_STATE_MAXIMIZED_HORZ"));
    }
    if (o.fullscreen) {
        states.push_back(atom(c, "_NET_WM_STATE_FULLSCREEN"));
    }
    if (!states.empty()) {
        setCardinals(c, w, "_NET_WM_STATE", XCB_ATOM_ATOM, states);
    }
    if (o.desktop) {
        setCardinals(c, w, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, {*o.desktop});
    }
    if (!o.strutPartial.empty()) {
        setCardinals(c, w, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, o.strutPartial);
    }
    if (!o.strut.empty()) {
        setCardinals(c, w, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, o.strut);
    }
    if (!o.gtkFrameExtents.empty()) {
        setCardinals(c, w, "_GTK_FRAME_EXTENTS", XCB_ATOM_CARDINAL, o.gtkFrameExtents);
    }
    if (!o.clientSideShadow.empty()) {
        setCardinals(c, w, "_GTK_FRAME_EXTENTS", XCB_ATOM_CARDINAL,
                     o.maximized ? std::vector<uint32_t>(4, 0) : o.clientSideShadow);
    }
    if (!o.gtkApplicationId.empty()) {
        setText(c, w, atom(c, "_GTK_APPLICATION_ID"), atom(c, "UTF8_STRING"), o.gtkApplicationId);
    }
    if (!o.kdeDesktopFile.empty()) {
        setText(c, w, atom(c, "_KDE_NET_WM_DESKTOP_FILE"), atom(c, "UTF8_STRING"),
                o.kdeDesktopFile);
    }
    if (!o.iconSides.empty()) {
        std::vector<uint32_t> icon;
        for (const uint32_t side : o.iconSides) {
            icon.push_back(side);
            icon.push_back(side);
            icon.insert(icon.end(), size_t(side) * side,
                        0xFF000000u | ((side & 0xFF) << 16) | 0x40);
        }
        setCardinals(c, w, "_NET_WM_ICON", XCB_ATOM_CARDINAL, icon);
    }
    xcb_map_window(c, w);
    if (o.overrideRedirect) {
        // No window manager says when it is shown: the server's own notification does.
        xcb_flush(c);
        while (xcb_generic_event_t *event = xcb_wait_for_event(c)) {
            const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY
                && reinterpret_cast<xcb_map_notify_event_t *>(event)->window == w;
            std::free(event);
            if (mapped) {
                break;
            }
        }
    }
    return w;
}

} // namespace

// A window with a client-side shadow: the extents it declares now, and those it will declare a
// frame after it saw its maximized state change.
struct Shadowed {
    bool maximized = false;
    std::optional<std::chrono::steady_clock::time_point> due;
};

bool isMaximized(xcb_connection_t *c, xcb_window_t w)
{
    const xcb_atom_t vert = atom(c, "_NET_WM_STATE_MAXIMIZED_VERT");
    const xcb_atom_t horz = atom(c, "_NET_WM_STATE_MAXIMIZED_HORZ");
    auto cookie = xcb_get_property(c, 0, w, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 32);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr);
    bool maximized = false;
    if (reply && reply->format == 32) {
        const auto *states = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        maximized = std::find(states, states + n, vert) != states + n
            || std::find(states, states + n, horz) != states + n;
    }
    std::free(reply);
    return maximized;
}

int main(int argc, char **argv)
{
    const Options options = parse(argc, argv);
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        usage("cannot connect to the X server");
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&it);
    }
    std::map<xcb_window_t, Shadowed> shadowed;
    const xcb_atom_t wmState = atom(c, "_NET_WM_STATE");
    for (int i = 0; i < options.count; ++i) {
        const xcb_window_t w = openWindow(c, it.data, options, i);
        xcb_flush(c);
        std::printf("0x%x\n", w);
        if (!options.clientSideShadow.empty()) {
            shadowed[w].maximized = options.maximized;
        }
    }
    std::fflush(stdout);

    std::string input;
    for (;;) {
        using Clock = std::chrono::steady_clock;
        int timeout = -1;
        for (const auto &[w, shadow] : shadowed) {
            if (shadow.due) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    *shadow.due - Clock::now());
                timeout = std::max(
                    0, timeout < 0 ? int(left.count()) : std::min(timeout, int(left.count())));
            }
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0) {
            continue;
        }
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto *notify = reinterpret_cast<xcb_property_notify_event_t *>(event);
                const auto found = shadowed.find(notify->window);
                if (found != shadowed.end() && notify->atom == wmState && !found->second.due) {
                    // Noticed now; the shadow follows on the next frame.
                    found->second.due =
                        Clock::now() + std::chrono::milliseconds(options.shadowLagMs);
                }
            }
            std::free(event);
        }
        for (auto &[w, shadow] : shadowed) {
            if (shadow.due && Clock::now() >= *shadow.due) {
                shadow.due.reset();
                const bool maximized = isMaximized(c, w);
                if (maximized != shadow.maximized) {
                    shadow.maximized = maximized;
                    setCardinals(c, w, "_GTK_FRAME_EXTENTS", XCB_ATOM_CARDINAL,
                                 maximized ? std::vector<uint32_t>(4, 0)
                                           : options.clientSideShadow);
                    xcb_flush(c);
                }
            }
        }
        if (xcb_connection_has_error(c)) {
            return 1;
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[256];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            input.append(buffer, static_cast<size_t>(n));
            if (input.find("quit") != std::string::npos) {
                break;
            }
        }
    }
    xcb_disconnect(c);
    return 0;
}
