#include "system/x11/X11FrameWriter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

namespace ostrel::x11 {

namespace {

constexpr uint8_t badWindow = 3;
// X carries coordinates as 16-bit signed and sizes as 16-bit unsigned numbers.
constexpr double coordinateLimit = 32767;
constexpr double sizeLimit = 65535;

// The first data word of _NET_MOVERESIZE_WINDOW: gravity, the parts given, and the source.
namespace MoveResize {
constexpr uint32_t northWestGravity = 1;
constexpr uint32_t x = 1u << 8;
constexpr uint32_t y = 1u << 9;
constexpr uint32_t width = 1u << 10;
constexpr uint32_t height = 1u << 11;
constexpr uint32_t fromPager = 2u << 12;
} // namespace MoveResize

// _NET_WM_STATE's action and source words.
constexpr uint32_t removeState = 0;
constexpr uint32_t stateFromPager = 2;

using Geometry = FrameWriteTracker::Geometry;

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

void sendToRoot(X11Connection &connection, xcb_window_t window, xcb_atom_t type,
                const std::array<uint32_t, 5> &data)
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

// Counts the configure and destroy notifications of one window while a write waits for them,
// and the changes of its properties (the client's frame extents apart).
class WindowWatch {
public:
    WindowWatch(X11Connection &connection, xcb_window_t window)
        : connection_(connection)
    {
        const xcb_atom_t clientExtents = connection.atom(Atom::GtkFrameExtents);
        // Each notification once: a window directly under the root is told of a second time
        // through the root, whose children the desktop watches.
        id_ = connection.subscribe([this, window, clientExtents](const xcb_generic_event_t &event) {
            const uint8_t type = event.response_type & 0x7F;
            if (type == XCB_CONFIGURE_NOTIFY
                && reinterpret_cast<const xcb_configure_notify_event_t &>(event).window == window
                && reinterpret_cast<const xcb_configure_notify_event_t &>(event).event == window) {
                configures_.fetch_add(1);
            } else if (type == XCB_DESTROY_NOTIFY
                       && reinterpret_cast<const xcb_destroy_notify_event_t &>(event).window
                           == window
                       && reinterpret_cast<const xcb_destroy_notify_event_t &>(event).event
                           == window) {
                destroyed_ = true;
            } else if (type == XCB_PROPERTY_NOTIFY
                       && reinterpret_cast<const xcb_property_notify_event_t &>(event).window
                           == window) {
                properties_.fetch_add(1);
                if (reinterpret_cast<const xcb_property_notify_event_t &>(event).atom
                    == clientExtents) {
                    clientExtents_.fetch_add(1);
                }
            }
        });
    }
    ~WindowWatch() { connection_.unsubscribe(id_); }
    WindowWatch(const WindowWatch &) = delete;
    WindowWatch &operator=(const WindowWatch &) = delete;
    int configures() const { return configures_.load(); }
    int properties() const { return properties_.load(); }
    int clientExtents() const { return clientExtents_.load(); }
    bool destroyed() const { return destroyed_.load(); }

private:
    X11Connection &connection_;
    int id_ = 0;
    std::atomic<int> configures_{0};
    std::atomic<int> properties_{0};
    std::atomic<int> clientExtents_{0};
    std::atomic<bool> destroyed_{false};
};

// The window as the desktop knows it, and where the global space lies in root coordinates; or
// why it cannot be written.
struct TargetWindow {
    AXError error = AXError::success;
    std::shared_ptr<const X11Desktop::Snapshot> snapshot;
    X11WindowInfo info;
};

TargetWindow readTarget(X11Desktop &desktop, xcb_window_t window, Deadline deadline)
{
    TargetWindow target;
    target.snapshot = desktop.snapshotOf(window, deadline);
    if (!target.snapshot) {
        target.error = AXError::cannotComplete;
    } else if (!target.snapshot->root.wmCheckValid) {
        target.error = AXError::apiDisabled;
    } else if (const X11WindowInfo *found = target.snapshot->find(window)) {
        target.info = *found;
    } else {
        target.error = AXError::invalidUIElement;
    }
    return target;
}

bool isMaximized(const X11WindowInfo &info, const X11Connection &connection)
{
    return info.hasState(connection.atom(Atom::NetWmStateMaximizedVert))
        || info.hasState(connection.atom(Atom::NetWmStateMaximizedHorz));
}

bool supports(const TargetWindow &target, const X11Connection &connection, Atom atom)
{
    return target.snapshot->root.supported.contains(connection.atom(atom));
}

// What an un-maximize waits with: the window's own watch, the clock and the write's deadline.
struct Unmaximizing {
    X11Desktop &desktop;
    Clock &clock;
    const FrameWriteTiming &timing;
    const WindowWatch &watch;
    xcb_window_t window;
    Deadline deadline;

    bool timeLeft() { return clock.now() < deadline; }
};

} // namespace

// The window manager handles its messages in order, so once it has answered a later one it is
// done with everything asked before, including changes the X server has not shown us yet. The
// question asked is the frame extents of a window of our own that is never mapped (not every
// window manager answers for such a window: the caller bounds the wait).
class CatchUpProbe {
public:
    explicit CatchUpProbe(X11Connection &connection)
        : connection_(connection)
        , probe_(xcb_generate_id(connection.raw()))
    {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection.raw(), XCB_COPY_FROM_PARENT, probe_, connection.root(), -1, -1,
                          1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_EVENT_MASK, &mask);
        watch_ = std::make_unique<WindowWatch>(connection, probe_);
        sendToRoot(connection, probe_, connection.atom(Atom::NetRequestFrameExtents),
                   {0, 0, 0, 0, 0});
    }
    ~CatchUpProbe()
    {
        watch_.reset();
        xcb_destroy_window(connection_.raw(), probe_);
        connection_.flush();
    }
    CatchUpProbe(const CatchUpProbe &) = delete;
    CatchUpProbe &operator=(const CatchUpProbe &) = delete;
    bool answered() const { return watch_->properties() > 0; }

private:
    X11Connection &connection_;
    xcb_window_t probe_;
    std::unique_ptr<WindowWatch> watch_;
};

namespace {

bool windowManagerCaughtUp(Unmaximizing &u, Deadline until)
{
    X11Connection &connection = u.desktop.connection();
    const CatchUpProbe probe(connection);
    while (!probe.answered() && u.clock.now() < until) {
        waitForEvents(connection, until);
    }
    return probe.answered();
}

// Waits until the window manager has taken the maximized state off the window; `target` then
// holds the window as it was read at that moment.
AXError awaitStateCleared(Unmaximizing &u, TargetWindow &target)
{
    X11Connection &connection = u.desktop.connection();
    for (;;) {
        if (u.watch.destroyed()) {
            return AXError::invalidUIElement;
        }
        if (!u.timeLeft()) {
            return AXError::cannotComplete;
        }
        const int seen = u.watch.properties();
        u.desktop.invalidate(u.window);
        target = readTarget(u.desktop, u.window, u.deadline);
        if (target.error != AXError::success || !isMaximized(target.info, connection)) {
            return target.error;
        }
        while (u.watch.properties() == seen && !u.watch.destroyed() && u.timeLeft()) {
            waitForEvents(connection, u.deadline);
        }
    }
}

// The state goes first; the window's own geometry and frame follow, one change at a time, and
// the write must see the frame extents of the restored window.
void awaitRestoredFrame(Unmaximizing &u, const TargetWindow &target, int configuresBefore)
{
    X11Connection &connection = u.desktop.connection();
    const Deadline restored = std::min(u.deadline, u.clock.now() + u.timing.restoredFrame);
    if (supports(target, connection, Atom::NetRequestFrameExtents)
        && windowManagerCaughtUp(u, restored)) {
        return;
    }
    while (u.watch.configures() == configuresBefore && !u.watch.destroyed()
           && u.clock.now() < restored) {
        waitForEvents(connection, restored);
    }
}

// A client that draws its own decoration drops its shadow while maximized and declares it again
// only once it has seen the state go, after the window manager's own changes: a request planned
// before then leaves the visible frame smaller than asked by the shadow on every side, and GTK
// may even ask for its old size again afterwards. Its answer is awaited within the write's time.
void awaitClientExtents(Unmaximizing &u, int extentsBefore)
{
    X11Connection &connection = u.desktop.connection();
    while (u.watch.clientExtents() == extentsBefore && !u.watch.destroyed() && u.timeLeft()) {
        waitForEvents(connection, u.deadline);
    }
}

// A maximized window ignores moves: takes the maximized state away and waits until the window
// manager has given the window its own frame back, and its client has declared the frame
// extents that go with it; `target` is then read afresh.
AXError unmaximize(Unmaximizing &u, TargetWindow &target)
{
    X11Connection &connection = u.desktop.connection();
    const bool clientDecorated = target.info.clientSideDecorated;
    const int configuresBefore = u.watch.configures();
    const int extentsBefore = u.watch.clientExtents();
    sendToRoot(connection, u.window, connection.atom(Atom::NetWmState),
               {removeState, connection.atom(Atom::NetWmStateMaximizedVert),
                connection.atom(Atom::NetWmStateMaximizedHorz), stateFromPager, 0});
    if (const AXError error = awaitStateCleared(u, target); error != AXError::success) {
        return error;
    }
    awaitRestoredFrame(u, target, configuresBefore);
    if (clientDecorated) {
        awaitClientExtents(u, extentsBefore);
    }
    u.desktop.invalidate(u.window);
    target = readTarget(u.desktop, u.window, u.deadline);
    return target.error;
}

// What to ask of the window manager, in root coordinates.
struct Placement {
    uint32_t parts = 0; // MoveResize's part bits
    int32_t frameX = 0; // the window manager's frame (what NorthWest gravity places)
    int32_t frameY = 0;
    uint32_t clientWidth = 0;
    uint32_t clientHeight = 0;
    RectD expected; // the client window once the request is applied
};

Placement plan(const X11WindowInfo &info, const FrameRequest &request, double originX,
               double originY)
{
    const Extents &net = info.frameExtents;
    const Extents &gtk = info.gtkFrameExtents;
    Placement placement;
    placement.expected = info.client;
    if (request.position) {
        // The window manager's frame starts left of and above the visible frame by the
        // client's shadow; the client sits inside the window manager's frame by its borders.
        const double visibleX = std::round(request.position->x) + originX;
        const double visibleY = std::round(request.position->y) + originY;
        placement.frameX = int32_t(visibleX) - int32_t(gtk[0]);
        placement.frameY = int32_t(visibleY) - int32_t(gtk[2]);
        placement.expected.x = visibleX + double(net[0]) - double(gtk[0]);
        placement.expected.y = visibleY + double(net[2]) - double(gtk[2]);
        placement.parts |= MoveResize::x | MoveResize::y;
    }
    if (request.size) {
        const double w = std::round(request.size->width) - double(net[0]) - double(net[1])
            + double(gtk[0]) + double(gtk[1]);
        const double h = std::round(request.size->height) - double(net[2]) - double(net[3])
            + double(gtk[2]) + double(gtk[3]);
        placement.clientWidth = uint32_t(std::max(1.0, w));
        placement.clientHeight = uint32_t(std::max(1.0, h));
        placement.expected.width = placement.clientWidth;
        placement.expected.height = placement.clientHeight;
    } else {
        // A place alone goes with the size the window has: fluxbox grows a window by the height
        // of its title bar at every move that gives no size.
        placement.clientWidth = uint32_t(std::max(1.0, info.client.width));
        placement.clientHeight = uint32_t(std::max(1.0, info.client.height));
    }
    placement.parts |= MoveResize::width | MoveResize::height;
    return placement;
}

void sendRequest(X11Connection &connection, xcb_window_t window, const Placement &placement,
                 bool viaMoveResize)
{
    if (viaMoveResize) {
        sendToRoot(connection, window, connection.atom(Atom::NetMoveresizeWindow),
                   {MoveResize::northWestGravity | placement.parts | MoveResize::fromPager,
                    uint32_t(placement.frameX), uint32_t(placement.frameY), placement.clientWidth,
                    placement.clientHeight});
        return;
    }
    // Without the message a configure request is the window manager's to honour.
    uint16_t mask = 0;
    std::vector<uint32_t> values;
    if (placement.parts & MoveResize::x) {
        mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
        values.push_back(uint32_t(int32_t(placement.expected.x)));
        values.push_back(uint32_t(int32_t(placement.expected.y)));
    }
    if (placement.parts & MoveResize::width) {
        mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
        values.push_back(placement.clientWidth);
        values.push_back(placement.clientHeight);
    }
    xcb_configure_window(connection.raw(), window, mask, values.data());
    connection.flush();
}

// Whether the client's size hints let it take the size: a window of a fixed size, or one that
// grows in steps the size misses, is given another size by any window manager.
bool sizeAllowed(X11Connection &connection, xcb_window_t window, double width, double height,
                 Deadline deadline)
{
    constexpr uint32_t minSize = 1u << 4, maxSize = 1u << 5, resizeIncrements = 1u << 6,
                       baseSize = 1u << 8;
    auto cookie = xcb_get_property(connection.raw(), 0, window, XCB_ATOM_WM_NORMAL_HINTS,
                                   XCB_ATOM_WM_SIZE_HINTS, 0, 18);
    auto reply = connection.reply<xcb_get_property_reply_t>(cookie, deadline);
    if (!reply.ok() || reply->format != 32
        || xcb_get_property_value_length(reply.reply.get()) < 18 * 4) {
        return true;
    }
    const auto *hints = static_cast<const uint32_t *>(xcb_get_property_value(reply.reply.get()));
    const auto w = int64_t(width), h = int64_t(height);
    if ((hints[0] & minSize) && (w < int32_t(hints[5]) || h < int32_t(hints[6]))) {
        return false;
    }
    if ((hints[0] & maxSize) && (w > int32_t(hints[7]) || h > int32_t(hints[8]))) {
        return false;
    }
    if ((hints[0] & resizeIncrements) && int32_t(hints[9]) > 1 && int32_t(hints[10]) > 1) {
        const int64_t baseW = (hints[0] & baseSize) ? int32_t(hints[15])
            : (hints[0] & minSize)                  ? int32_t(hints[5])
                                                    : 0;
        const int64_t baseH = (hints[0] & baseSize) ? int32_t(hints[16])
            : (hints[0] & minSize)                  ? int32_t(hints[6])
                                                    : 0;
        if ((w - baseW) % int32_t(hints[9]) != 0 || (h - baseH) % int32_t(hints[10]) != 0) {
            return false;
        }
    }
    return true;
}

FrameRequestResult everyPart(AXError error)
{
    return {error, error};
}

// The client rectangles of several windows, asked in one go and each awaited within its own
// deadline, so that reading many windows costs one round trip.
std::vector<Geometry> readGeometries(X11Connection &connection,
                                     const std::vector<std::pair<xcb_window_t, Deadline>> &windows)
{
    std::vector<xcb_get_geometry_cookie_t> sizes;
    std::vector<xcb_translate_coordinates_cookie_t> origins;
    for (const auto &asked : windows) {
        sizes.push_back(xcb_get_geometry(connection.raw(), asked.first));
        origins.push_back(
            xcb_translate_coordinates(connection.raw(), asked.first, connection.root(), 0, 0));
    }
    std::vector<Geometry> out;
    for (size_t i = 0; i < windows.size(); ++i) {
        const Deadline deadline = windows[i].second;
        auto geometry = connection.reply<xcb_get_geometry_reply_t>(sizes[i], deadline);
        auto origin = connection.reply<xcb_translate_coordinates_reply_t>(origins[i], deadline);
        Geometry g;
        if (geometry.ok() && origin.ok()) {
            g.status = Geometry::Status::ok;
            g.client = RectD{double(origin->dst_x), double(origin->dst_y), double(geometry->width),
                             double(geometry->height)};
        } else if (geometry.status == ReplyStatus::error || origin.status == ReplyStatus::error
                   || geometry.errorCode == badWindow) {
            g.status = Geometry::Status::gone;
        }
        out.push_back(g);
    }
    return out;
}

} // namespace

// One request on its way: what was asked, and what the tracker needs of it.
class PendingFrameWrite : public AXPendingFrameWrite {
public:
    xcb_window_t window = 0;
    FrameRequest sent;        // the parts that went out
    FrameRequestResult early; // the parts that could not be sent
    std::unique_ptr<WindowWatch> watch;
    FrameWriteTracker::Id id = 0; // 0 until the request went out
    int configuresSeen = 0;

    void answerWith(const FrameRequestResult &written)
    {
        FrameRequestResult result = early;
        if (sent.position) {
            result.position = written.position;
        }
        if (sent.size) {
            result.size = written.size;
        }
        answer = AXFrameWriteResult{result.size, result.position};
        watch.reset();
    }
};

X11FrameWriter::X11FrameWriter(X11Desktop &desktop, Clock &clock)
    : desktop_(desktop)
    , clock_(clock)
    , tracker_(clock, timing_)
    // Whether the window manager answers questions is learnt before the first write needs it.
    , probe_(std::make_unique<CatchUpProbe>(desktop.connection()))
{
    tracker_.probeSent();
}

X11FrameWriter::~X11FrameWriter() = default;

// Reads the target and sends the request, its values known to be representable; answers at
// once when nothing needs to wait.
void X11FrameWriter::send(PendingFrameWrite &write, Clock::Duration patience)
{
    X11Connection &connection = desktop_.connection();
    const Deadline deadline = clock_.now() + patience;
    TargetWindow target = readTarget(desktop_, write.window, deadline);
    if (target.error != AXError::success) {
        write.answerWith(everyPart(target.error));
        return;
    }
    write.watch = std::make_unique<WindowWatch>(connection, write.window);
    if (isMaximized(target.info, connection)) {
        Unmaximizing u{desktop_, clock_, timing_, *write.watch, write.window, deadline};
        if (const AXError error = unmaximize(u, target); error != AXError::success) {
            write.answerWith(everyPart(error));
            return;
        }
    }
    const Placement placement =
        plan(target.info, write.sent, target.snapshot->originX, target.snapshot->originY);
    if (placement.expected == target.info.client) {
        write.answerWith(everyPart(AXError::success));
        return;
    }
    write.configuresSeen = write.watch->configures();
    const xcb_window_t window = write.window;
    const RectD expected = placement.expected;
    // Asked of the server only when the tracker needs to know.
    auto sizeAllowedNow = [&connection, window, expected, this, patience] {
        return sizeAllowed(connection, window, expected.width, expected.height,
                           clock_.now() + patience);
    };
    write.id =
        tracker_.sent(window, target.info.client, expected, patience, std::move(sizeAllowedNow));
    sendRequest(connection, window, placement,
                supports(target, connection, Atom::NetMoveresizeWindow));
}

std::shared_ptr<AXPendingFrameWrite>
X11FrameWriter::begin(xcb_window_t window, const FrameRequest &request, Clock::Duration patience)
{
    auto write = std::make_shared<PendingFrameWrite>();
    write->window = window;
    write->sent = request;
    if (write->sent.position
        && (!representable(write->sent.position->x, -coordinateLimit, coordinateLimit)
            || !representable(write->sent.position->y, -coordinateLimit, coordinateLimit))) {
        write->early.position = AXError::illegalArgument;
        write->sent.position.reset();
    }
    if (write->sent.size
        && (!representable(write->sent.size->width, 1, sizeLimit)
            || !representable(write->sent.size->height, 1, sizeLimit))) {
        write->early.size = AXError::illegalArgument;
        write->sent.size.reset();
    }
    if (!write->sent.position && !write->sent.size) {
        write->answer = AXFrameWriteResult{write->early.size, write->early.position};
        return write;
    }
    std::lock_guard lock(mutex_);
    send(*write, patience);
    if (write->id) {
        live_.insert(write->id, write);
    }
    return write;
}

void X11FrameWriter::takeAnswers()
{
    X11Connection &connection = desktop_.connection();
    connection.pumpEvents();
    if (probe_ && probe_->answered()) {
        tracker_.probeAnswered();
        probe_.reset();
    }
    // What the window manager did: new notifications, windows gone.
    for (auto it = live_.begin(); it != live_.end();) {
        const std::shared_ptr<PendingFrameWrite> write = it->lock();
        if (!write) {
            tracker_.forget(it.key());
            it = live_.erase(it);
            continue;
        }
        if (write->watch->destroyed()) {
            tracker_.destroyed(write->id);
        } else if (const int configures = write->watch->configures();
                   configures > write->configuresSeen) {
            write->configuresSeen = configures;
            tracker_.configureSeen(write->id);
        }
        ++it;
    }
    // Where the windows it asks about stand, read in one round trip.
    const std::vector<FrameWriteTracker::Id> reads = tracker_.toRead();
    std::vector<std::pair<xcb_window_t, Deadline>> windows;
    for (const FrameWriteTracker::Id id : reads) {
        const std::shared_ptr<PendingFrameWrite> write = live_.value(id).lock();
        windows.emplace_back(write ? write->window : XCB_NONE, tracker_.deadline(id));
    }
    const std::vector<Geometry> seen = readGeometries(connection, windows);
    for (size_t i = 0; i < reads.size(); ++i) {
        tracker_.geometryRead(reads[i], seen[i]);
    }
    // The writes that now have their answer.
    for (auto it = live_.begin(); it != live_.end();) {
        const std::shared_ptr<PendingFrameWrite> write = it->lock();
        const std::optional<FrameWriteTracker::Answer> answer = tracker_.answer(it.key());
        if (!write || !answer) {
            ++it;
            continue;
        }
        // Where this process put the window is read again next time, whatever the events said
        // so far; anything else the window manager changed with it tells of itself.
        desktop_.invalidatePlace(write->window);
        write->answerWith({answer->position, answer->size});
        tracker_.forget(it.key());
        it = live_.erase(it);
    }
}

void X11FrameWriter::await(const QList<std::shared_ptr<AXPendingFrameWrite>> &writes,
                           qsizetype count)
{
    std::lock_guard lock(mutex_);
    X11Connection &connection = desktop_.connection();
    const auto answeredCount = [&writes] {
        return std::count_if(
            writes.begin(), writes.end(),
            [](const std::shared_ptr<AXPendingFrameWrite> &w) { return w->answer.has_value(); });
    };
    for (const std::shared_ptr<AXPendingFrameWrite> &w : writes) {
        if (!w->answer && !dynamic_cast<PendingFrameWrite *>(w.get())) {
            // Not begun here: there is nothing to wait for.
            w->answer = AXFrameWriteResult{AXError::cannotComplete, AXError::cannotComplete};
        }
    }
    const qsizetype wanted = std::min(count, writes.size());
    const qsizetype before = answeredCount();
    for (;;) {
        takeAnswers();
        if (count == 0 || answeredCount() >= wanted || !tracker_.waiting()) {
            break;
        }
        // A question sent after every request waited for: its answer says the window manager
        // has got to all of them. Not every window manager answers it (fluxbox never does),
        // and one that does need not say so (KWin).
        if (tracker_.wantsProbe()) {
            probe_ = std::make_unique<CatchUpProbe>(connection);
            tracker_.probeSent();
        }
        // Until something happens to a window still waited for, or the tracker is due to look.
        const Deadline until = tracker_.wakeAt();
        const auto marks = [this] {
            long sum = 0;
            for (const auto &weak : live_) {
                if (const auto write = weak.lock()) {
                    sum += write->watch->configures() + (write->watch->destroyed() ? 1 : 0);
                }
            }
            return sum + (probe_ && probe_->answered() ? 1 : 0);
        };
        const long mark = marks();
        while (marks() == mark && clock_.now() < until) {
            waitForEvents(connection, until);
        }
    }
    // The caller reads each answered window back next: reading all of them again now, in one
    // batch, saves a round trip per window.
    if (answeredCount() > before) {
        desktop_.snapshot(clock_.now() + timing_.readBackReserve);
    }
}

FrameRequestResult X11FrameWriter::write(xcb_window_t window, const FrameRequest &request,
                                         Clock::Duration patience)
{
    const std::shared_ptr<AXPendingFrameWrite> pending = begin(window, request, patience);
    await({pending}, 1);
    const std::optional<AXFrameWriteResult> &answer = pending->answer;
    if (!answer) {
        return everyPart(AXError::cannotComplete);
    }
    return FrameRequestResult{answer->position.value_or(AXError::success), answer->size};
}

} // namespace ostrel::x11
