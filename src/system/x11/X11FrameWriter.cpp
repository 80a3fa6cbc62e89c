#include "system/x11/X11FrameWriter.h"


#include <atomic>
#include <cmath>

namespace ostrel::x11 {

namespace {

constexpr uint8_t badWindow = 3;

struct Geometry {
    enum class Status { ok, gone, timedOut } status = Status::timedOut;
    RectD client;
};

Geometry readGeometry(X11Connection &connection, xcb_window_t window, Deadline deadline)
{
    auto g = xcb_get_geometry(connection.raw(), window);
    auto t = xcb_translate_coordinates(connection.raw(), window, connection.root(), 0, 0);
    auto geometry = connection.reply<xcb_get_geometry_reply_t>(g, deadline);
    auto origin = connection.reply<xcb_translate_coordinates_reply_t>(t, deadline);
    Geometry out;
    if (geometry.ok() && origin.ok()) {
        out.status = Geometry::Status::ok;
        out.client = RectD{double(origin->dst_x), double(origin->dst_y), double(geometry->width), double(geometry->height)};
    } else if (geometry.status == ReplyStatus::error || origin.status == ReplyStatus::error ||
               geometry.errorCode == badWindow) {
        out.status = Geometry::Status::gone;
    }
    return out;
}

// Waits for events up to `until`, dispatching them; returns early once something arrived.
void waitForEvents(X11Connection &connection, Deadline until)
{
    connection.pumpEvents();
    connection.waitForActivity(until);
    connection.pumpEvents();
}

bool representable(double v, double low, double high)
{
    return std::isfinite(v) && std::round(v) >= low && std::round(v) <= high;
}

void sendToRoot(X11Connection &connection, xcb_window_t window, xcb_atom_t type, const std::array<uint32_t, 5> &data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    for (size_t i = 0; i < data.size(); ++i) {
        event.data.data32[i] = data[i];
    }
    xcb_send_event(connection.raw(), 0, connection.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    connection.flush();
}

// Counts the configure and destroy notifications of one window while a write waits for them.
class WindowWatch {
public:
    WindowWatch(X11Connection &connection, xcb_window_t window) : connection_(connection)
    {
        id_ = connection.subscribe([this, window](const xcb_generic_event_t &event) {
            const uint8_t type = event.response_type & 0x7F;
            if (type == XCB_CONFIGURE_NOTIFY && reinterpret_cast<const xcb_configure_notify_event_t &>(event).window == window) {
                configures_.fetch_add(1);
            } else if (type == XCB_DESTROY_NOTIFY && reinterpret_cast<const xcb_destroy_notify_event_t &>(event).window == window) {
                destroyed_ = true;
            } else if (type == XCB_PROPERTY_NOTIFY && reinterpret_cast<const xcb_property_notify_event_t &>(event).window == window) {
                properties_.fetch_add(1);
            }
        });
    }
    ~WindowWatch() { connection_.unsubscribe(id_); }
    int configures() const { return configures_.load(); }
    int properties() const { return properties_.load(); }
    bool destroyed() const { return destroyed_.load(); }

private:
    X11Connection &connection_;
    int id_ = 0;
    std::atomic<int> configures_{0};
    std::atomic<int> properties_{0};
    std::atomic<bool> destroyed_{false};
};

// The window manager handles its messages in order, so once it has answered a later one it is
// done with everything asked before, including changes the X server has not shown us yet. The
// answer asked for is the frame extents of a window of our own that is never mapped.
bool windowManagerCaughtUp(X11Connection &connection, Deadline deadline)
{
    xcb_connection_t *c = connection.raw();
    const xcb_window_t probe = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, connection.root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    bool answered = false;
    {
        WindowWatch watch(connection, probe);
        sendToRoot(connection, probe, connection.atom(Atom::NetRequestFrameExtents), {0, 0, 0, 0, 0});
        while (watch.properties() == 0 && std::chrono::steady_clock::now() < deadline) {
            waitForEvents(connection, deadline);
        }
        answered = watch.properties() > 0;
    }
    xcb_destroy_window(c, probe);
    connection.flush();
    return answered;
}

} // namespace

AXError writeFrame(X11Desktop &desktop, xcb_window_t window, const FrameWrite &write, Deadline deadline)
{
    constexpr double coordinateLimit = 32767;
    if (write.position && (!representable(write.position->x, -coordinateLimit, coordinateLimit) ||
                           !representable(write.position->y, -coordinateLimit, coordinateLimit))) {
        return AXError::illegalArgument;
    }
    if (write.size && (!representable(write.size->width, 1, 65535) || !representable(write.size->height, 1, 65535))) {
        return AXError::illegalArgument;
    }
    X11Connection &connection = desktop.connection();
    desktop.invalidate(window);
    auto snapshot = desktop.snapshot(deadline);
    if (!snapshot) {
        return AXError::cannotComplete;
    }
    if (!snapshot->root.wmCheckValid) {
        return AXError::apiDisabled;
    }
    const X11WindowInfo *found = snapshot->find(window);
    if (!found) {
        return AXError::invalidUIElement;
    }
    X11WindowInfo info = *found;
    WindowWatch watch(connection, window);

    // A maximized window ignores moves: take the maximized state away and wait for it to go.
    const xcb_atom_t maxV = connection.atom(Atom::NetWmStateMaximizedVert);
    const xcb_atom_t maxH = connection.atom(Atom::NetWmStateMaximizedHorz);
    if (info.hasState(maxV) || info.hasState(maxH)) {
        constexpr uint32_t remove = 0, pagerSource = 2;
        const int configuresBefore = watch.configures();
        sendToRoot(connection, window, connection.atom(Atom::NetWmState), {remove, maxV, maxH, pagerSource, 0});
        for (;;) {
            if (watch.destroyed()) {
                return AXError::invalidUIElement;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return AXError::cannotComplete;
            }
            const int seen = watch.properties();
            desktop.invalidate(window);
            snapshot = desktop.snapshot(deadline);
            const X11WindowInfo *now = snapshot ? snapshot->find(window) : nullptr;
            if (!snapshot) {
                return AXError::cannotComplete;
            }
            if (!now) {
                return AXError::invalidUIElement;
            }
            if (!now->hasState(maxV) && !now->hasState(maxH)) {
                // The state goes first; the old geometry and frame follow, one change at a time,
                // and the write below must see the frame extents of the restored window.
                if (!snapshot->root.supported.contains(connection.atom(Atom::NetRequestFrameExtents)) ||
                    !windowManagerCaughtUp(connection, deadline)) {
                    const Deadline restored = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(150));
                    while (watch.configures() == configuresBefore && !watch.destroyed() && std::chrono::steady_clock::now() < restored) {
                        waitForEvents(connection, restored);
                    }
                }
                desktop.invalidate(window);
                snapshot = desktop.snapshot(deadline);
                now = snapshot ? snapshot->find(window) : nullptr;
                if (!now) {
                    return snapshot ? AXError::invalidUIElement : AXError::cannotComplete;
                }
                info = *now;
                break;
            }
            while (watch.properties() == seen && !watch.destroyed() && std::chrono::steady_clock::now() < deadline) {
                waitForEvents(connection, deadline);
            }
        }
    }

    const Extents &net = info.frameExtents;
    const Extents &gtk = info.gtkFrameExtents;
    // The window manager's frame (what NorthWest gravity places) starts left of and above the
    // visible frame by the client-side shadow, if any.
    RectD expected = info.client;
    uint32_t flags = 0;
    int32_t frameX = 0, frameY = 0;
    uint32_t clientW = 0, clientH = 0;
    if (write.position) {
        const double visibleX = std::round(write.position->x) + snapshot->originX;
        const double visibleY = std::round(write.position->y) + snapshot->originY;
        frameX = int32_t(visibleX) - int32_t(gtk[0]);
        frameY = int32_t(visibleY) - int32_t(gtk[2]);
        expected.x = visibleX + double(net[0]) - double(gtk[0]);
        expected.y = visibleY + double(net[2]) - double(gtk[2]);
        flags |= (1u << 8) | (1u << 9);
    }
    if (write.size) {
        const double w = std::round(write.size->width) - double(net[0]) - double(net[1]) + double(gtk[0]) + double(gtk[1]);
        const double h = std::round(write.size->height) - double(net[2]) - double(net[3]) + double(gtk[2]) + double(gtk[3]);
        clientW = uint32_t(std::max(1.0, w));
        clientH = uint32_t(std::max(1.0, h));
        expected.width = clientW;
        expected.height = clientH;
        flags |= (1u << 10) | (1u << 11);
    }
    if (expected == info.client) {
        return AXError::success;
    }

    const int configuresBefore = watch.configures();
    if (snapshot->root.supported.contains(connection.atom(Atom::NetMoveresizeWindow))) {
        constexpr uint32_t northWest = 1, pagerSource = 2u << 12;
        sendToRoot(connection, window, connection.atom(Atom::NetMoveresizeWindow),
                   {northWest | flags | pagerSource, uint32_t(frameX), uint32_t(frameY), clientW, clientH});
    } else {
        // Without the message a configure request is the window manager's to honour.
        uint16_t mask = 0;
        std::vector<uint32_t> values;
        if (write.position) {
            mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
            values.push_back(uint32_t(int32_t(expected.x)));
            values.push_back(uint32_t(int32_t(expected.y)));
        }
        if (write.size) {
            mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
            values.push_back(clientW);
            values.push_back(clientH);
        }
        xcb_configure_window(connection.raw(), window, mask, values.data());
        connection.flush();
    }

    // The window manager applies the request asynchronously and may configure the window more
    // than once (move, then resize); after the first notification a short quiet period decides.
    // Without any notification, stop a little early so the final read still fits the deadline.
    Deadline settle = std::max(std::chrono::steady_clock::now(), deadline - std::chrono::milliseconds(50));
    bool notified = false;
    for (;;) {
        if (watch.destroyed()) {
            desktop.invalidate(window);
            return AXError::invalidUIElement;
        }
        const auto now = std::chrono::steady_clock::now();
        const int seen = watch.configures();
        if (seen > configuresBefore && !notified) {
            notified = true;
            settle = std::min(deadline, now + std::chrono::milliseconds(60));
        }
        if (notified) {
            const Geometry g = readGeometry(connection, window, deadline);
            if (g.status == Geometry::Status::gone) {
                desktop.invalidate(window);
                return AXError::invalidUIElement;
            }
            if (g.status == Geometry::Status::ok && g.client == expected) {
                desktop.invalidate(window);
                return AXError::success;
            }
        }
        if (std::chrono::steady_clock::now() >= settle) {
            break;
        }
        const int mark = watch.configures();
        while (watch.configures() == mark && !watch.destroyed() && std::chrono::steady_clock::now() < settle) {
            waitForEvents(connection, settle);
        }
    }
    desktop.invalidate(window);
    const Geometry g = readGeometry(connection, window, deadline);
    if (g.status == Geometry::Status::gone) {
        return AXError::invalidUIElement;
    }
    if (g.status == Geometry::Status::timedOut) {
        return AXError::cannotComplete;
    }
    if (g.client == expected) {
        return AXError::success;
    }
    // Something was applied (clamped, or only in part): the read-back tells how close it came.
    const bool moved = write.position && (g.client.x != info.client.x || g.client.y != info.client.y);
    const bool resized = write.size && (g.client.width != info.client.width || g.client.height != info.client.height);
    return moved || resized ? AXError::success : AXError::notEnoughPrecision;
}

} // namespace ostrel::x11
