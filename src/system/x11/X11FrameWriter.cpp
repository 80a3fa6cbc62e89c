#include "system/x11/X11FrameWriter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

namespace ostrel::x11 {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint8_t badWindow = 3;
// X carries coordinates as 16-bit signed and sizes as 16-bit unsigned numbers.
constexpr double coordinateLimit = 32767;
constexpr double sizeLimit = 65535;

// After the maximized state is gone, how long the window manager gets to give the window its
// own frame back when it cannot be asked whether it is done.
constexpr milliseconds restoredFrameWait{150};
// A window manager that puts the window elsewhere than asked may still be at it after its first
// notification (a move, then a resize): the wait ends this long after that notification.
constexpr milliseconds quietAfterNotification{60};
// Some window managers tell a moved window late, or only once another request comes along:
// while writes wait without a word, and the window manager has not shown that it got to them,
// they are looked at this often.
constexpr milliseconds unnotifiedLook{20};
// Without any notification the wait ends this long before the deadline, so the final read
// still fits in it.
constexpr milliseconds readBackReserve{50};
// A window manager works through the requests in the order they come, so a request waits for
// those sent before it to be handled before its own turn comes: its deadline runs from then.
// Each request still unanswered ahead of it counts this long; a compositing window manager
// that is busy takes about 5 ms a window (metacity, 100 windows), and one that answers a
// whole burst at the end gives no other sign of how far it has come.
constexpr milliseconds queuedRequestTurn{5};

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

struct Geometry {
    enum class Status { ok, gone, timedOut } status = Status::timedOut;
    RectD client;
};

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

// Counts the configure and destroy notifications of one window while a write waits for them.
class WindowWatch {
public:
    WindowWatch(X11Connection &connection, xcb_window_t window)
        : connection_(connection)
    {
        // Each notification once: a window directly under the root is told of a second time
        // through the root, whose children the desktop watches.
        id_ = connection.subscribe([this, window](const xcb_generic_event_t &event) {
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
            }
        });
    }
    ~WindowWatch() { connection_.unsubscribe(id_); }
    WindowWatch(const WindowWatch &) = delete;
    WindowWatch &operator=(const WindowWatch &) = delete;
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

bool windowManagerCaughtUp(X11Connection &connection, Deadline deadline)
{
    const CatchUpProbe probe(connection);
    while (!probe.answered() && Clock::now() < deadline) {
        waitForEvents(connection, deadline);
    }
    return probe.answered();
}

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

// Waits until the window manager has taken the maximized state off the window; `target` then
// holds the window as it was read at that moment.
AXError awaitStateCleared(X11Desktop &desktop, const WindowWatch &watch, xcb_window_t window,
                          TargetWindow &target, Deadline deadline)
{
    X11Connection &connection = desktop.connection();
    for (;;) {
        if (watch.destroyed()) {
            return AXError::invalidUIElement;
        }
        if (Clock::now() >= deadline) {
            return AXError::cannotComplete;
        }
        const int seen = watch.properties();
        desktop.invalidate(window);
        target = readTarget(desktop, window, deadline);
        if (target.error != AXError::success || !isMaximized(target.info, connection)) {
            return target.error;
        }
        while (watch.properties() == seen && !watch.destroyed() && Clock::now() < deadline) {
            waitForEvents(connection, deadline);
        }
    }
}

// The state goes first; the window's own geometry and frame follow, one change at a time, and
// the write must see the frame extents of the restored window.
void awaitRestoredFrame(X11Connection &connection, const WindowWatch &watch,
                        const TargetWindow &target, int configuresBefore, Deadline deadline)
{
    const Deadline restored = std::min(deadline, Clock::now() + restoredFrameWait);
    if (supports(target, connection, Atom::NetRequestFrameExtents)
        && windowManagerCaughtUp(connection, restored)) {
        return;
    }
    while (watch.configures() == configuresBefore && !watch.destroyed()
           && Clock::now() < restored) {
        waitForEvents(connection, restored);
    }
}

// A maximized window ignores moves: takes the maximized state away and waits until the window
// manager has given the window its own frame back; `target` is then read afresh.
AXError unmaximize(X11Desktop &desktop, const WindowWatch &watch, xcb_window_t window,
                   TargetWindow &target, Deadline deadline)
{
    X11Connection &connection = desktop.connection();
    const int configuresBefore = watch.configures();
    sendToRoot(connection, window, connection.atom(Atom::NetWmState),
               {removeState, connection.atom(Atom::NetWmStateMaximizedVert),
                connection.atom(Atom::NetWmStateMaximizedHorz), stateFromPager, 0});
    if (const AXError error = awaitStateCleared(desktop, watch, window, target, deadline);
        error != AXError::success) {
        return error;
    }
    awaitRestoredFrame(connection, watch, target, configuresBefore, deadline);
    desktop.invalidate(window);
    target = readTarget(desktop, window, deadline);
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
        // client-side shadow, if any.
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
        placement.parts |= MoveResize::width | MoveResize::height;
    }
    return placement;
}

void send(X11Connection &connection, xcb_window_t window, const Placement &placement,
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
// grows in steps the size misses, is given another size by any window manager, so a move that
// keeps the old size may be the whole answer.
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

// Whether the window manager has done one half of the request and not yet begun the other:
// the window has the size asked for and stands where it stood, or stands where asked with its
// old size while its hints allow the new one.
bool halfWay(const RectD &now, const RectD &expected, const RectD &before, bool sizeReachable)
{
    const bool placed = now.x == expected.x && now.y == expected.y;
    const bool sized = now.width == expected.width && now.height == expected.height;
    const bool stayed = now.x == before.x && now.y == before.y;
    const bool kept = now.width == before.width && now.height == before.height;
    return (sized && stayed && !placed) || (placed && kept && !sized && sizeReachable);
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

// Something applied of a part (landed, clamped, or only the other part) counts: the read-back
// tells how close it came. A part the window manager left as it was did not take.
FrameRequestResult judge(Geometry::Status status, bool landed, const RectD &after,
                         const RectD &before)
{
    switch (status) {
    case Geometry::Status::gone:
        return everyPart(AXError::invalidUIElement);
    case Geometry::Status::timedOut:
        return everyPart(AXError::cannotComplete);
    case Geometry::Status::ok:
        break;
    }
    if (landed) {
        return everyPart(AXError::success);
    }
    const bool moved = after.x != before.x || after.y != before.y;
    const bool resized = after.width != before.width || after.height != before.height;
    return {moved ? AXError::success : AXError::notEnoughPrecision,
            resized ? AXError::success : AXError::notEnoughPrecision};
}

// One request on its way: what was asked, and how the wait for the window manager's answer
// stands.
class PendingFrameWrite : public AXPendingFrameWrite {
public:
    xcb_window_t window = 0;
    FrameRequest sent;        // the parts that went out
    FrameRequestResult early; // the parts that could not be sent
    std::unique_ptr<WindowWatch> watch;
    RectD before;   // the client before the request
    RectD expected; // the client once the request is applied
    int configuresBefore = 0;
    Deadline sentAt;
    // The element's messaging timeout: how long the window manager has for this request once it
    // is this request's turn. `deadline` starts as that long after the request was sent and is
    // put off while requests ahead of it are still being answered.
    Clock::duration patience{};
    Deadline deadline;
    // The wait: the window manager has landed the window once it is where it was asked to go,
    // and has settled it elsewhere after a short quiet period following its first notification
    // (it may configure the window more than once: a move, then a resize).
    Deadline settle;
    // Changed by the window manager in a way that is neither the whole request nor half of it:
    // only that starts the quiet period. Half of the request done, or a notification that
    // leaves the window where it was, may answer an earlier request or come before the window
    // manager gets to this one, and Mutter on a busy machine may move a window well before it
    // resizes it or the other way round; the window would be judged immovable (or of a fixed
    // size) while the rest is still on the way.
    bool notified = false;
    int configuresRead = -1;
    std::optional<bool> sizeReachable; // read from the size hints when first needed
    bool waiting = false;              // the wait has started: `settle` is set
    bool heard = false;         // the window manager has notified or answered about this window
    bool answersProbes = false; // the window manager answers _NET_REQUEST_FRAME_EXTENTS
    bool landed = false;        // answered: the window stands where it was asked to go

    // The window manager is at work on the requests: this one's turn is still to come, or has
    // only just come.
    void putOffUntil(Deadline turn)
    {
        deadline = std::max(deadline, turn + patience);
        if (!notified) {
            settle = std::max(settle, deadline - readBackReserve);
        }
    }

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

// Reads the target and sends the request, its values known to be representable; answers at
// once when nothing needs to wait.
void send(X11Desktop &desktop, PendingFrameWrite &write)
{
    X11Connection &connection = desktop.connection();
    TargetWindow target = readTarget(desktop, write.window, write.deadline);
    if (target.error != AXError::success) {
        write.answerWith(everyPart(target.error));
        return;
    }
    write.watch = std::make_unique<WindowWatch>(connection, write.window);
    if (isMaximized(target.info, connection)) {
        if (const AXError error =
                unmaximize(desktop, *write.watch, write.window, target, write.deadline);
            error != AXError::success) {
            write.answerWith(everyPart(error));
            return;
        }
    }
    const Placement placement =
        plan(target.info, write.sent, target.snapshot->originX, target.snapshot->originY);
    write.before = target.info.client;
    write.expected = placement.expected;
    if (placement.expected == target.info.client) {
        write.answerWith(everyPart(AXError::success));
        return;
    }
    write.configuresBefore = write.watch->configures();
    write.answersProbes = supports(target, connection, Atom::NetRequestFrameExtents);
    write.sentAt = Clock::now();
    send(connection, write.window, placement,
         supports(target, connection, Atom::NetMoveresizeWindow));
}

void land(X11Desktop &desktop, PendingFrameWrite &write, const Geometry &g, bool final)
{
    const bool landed = g.status == Geometry::Status::ok && g.client == write.expected;
    if (!final && !landed && g.status != Geometry::Status::gone) {
        return;
    }
    // Where this process put the window is read again next time, whatever the events said so far;
    // anything else the window manager changed with it tells of itself.
    desktop.invalidatePlace(write.window);
    write.landed = landed;
    write.answerWith(judge(g.status, landed, g.client, write.before));
}

} // namespace

std::shared_ptr<AXPendingFrameWrite> beginWriteFrame(X11Desktop &desktop, xcb_window_t window,
                                                     const FrameRequest &request, Deadline deadline)
{
    auto write = std::make_shared<PendingFrameWrite>();
    write->window = window;
    write->deadline = deadline;
    write->patience = std::max(Clock::duration::zero(), deadline - Clock::now());
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
    send(desktop, *write);
    return write;
}

void awaitFrameWrites(X11Desktop &desktop,
                      const QList<std::shared_ptr<AXPendingFrameWrite>> &writes, qsizetype count)
{
    X11Connection &connection = desktop.connection();
    std::vector<PendingFrameWrite *> waiting;
    qsizetype answered = 0;
    const auto now = Clock::now();
    for (const std::shared_ptr<AXPendingFrameWrite> &w : writes) {
        auto *write = dynamic_cast<PendingFrameWrite *>(w.get());
        if (!write && !w->answer) {
            // Not begun here: there is nothing to wait for.
            w->answer = AXFrameWriteResult{AXError::cannotComplete, AXError::cannotComplete};
        }
        if (write && !write->answer) {
            waiting.push_back(write);
        } else {
            ++answered;
        }
    }
    // In the order the window manager gets them; a request newly waited for has its turn after
    // those ahead of it.
    std::stable_sort(waiting.begin(), waiting.end(),
                     [](const PendingFrameWrite *a, const PendingFrameWrite *b) {
                         return a->sentAt < b->sentAt;
                     });
    for (size_t ahead = 0; ahead < waiting.size(); ++ahead) {
        PendingFrameWrite *write = waiting[ahead];
        if (!write->waiting) {
            write->waiting = true;
            write->deadline = std::max(write->deadline,
                                       write->sentAt + write->patience
                                           + std::chrono::duration_cast<Clock::duration>(
                                               queuedRequestTurn * qint64(ahead)));
            write->settle = std::max(now, write->deadline - readBackReserve);
        }
    }
    // Window managers handle requests in the order they come. The latest request the window
    // manager is known to have got to: a write sent before it that was not notified has been
    // handled all the same, so it is looked at then instead of at the next regular look.
    Deadline reached{};
    Deadline lookedThrough{};
    // A question sent after every request waited for here: its answer says the window manager
    // has got to all of them. Not every window manager answers it.
    std::optional<CatchUpProbe> probe;
    if (std::any_of(waiting.begin(), waiting.end(),
                    [](const PendingFrameWrite *write) { return write->answersProbes; })) {
        probe.emplace(connection);
    }
    // Whenever the window manager notifies or answers about one window for the first time, it
    // is working through the requests: those it has said nothing about yet get their whole
    // timeout again from then on.
    const auto heardFrom = [&waiting, &reached](PendingFrameWrite &write) {
        if (write.heard) {
            return;
        }
        write.heard = true;
        reached = std::max(reached, write.sentAt);
        const auto at = Clock::now();
        for (PendingFrameWrite *other : waiting) {
            if (!other->heard && !other->answer) {
                other->putOffUntil(at);
            }
        }
    };
    const qsizetype wanted = std::min(count, writes.size());
    auto lookedAt = Clock::now();
    while (!waiting.empty() && answered < wanted) {
        connection.pumpEvents();
        if (probe && probe->answered()) {
            reached = Deadline::max();
            probe.reset();
        }
        // A window already where it was asked to go has landed, told or not.
        const bool regularLook = Clock::now() - lookedAt >= unnotifiedLook;
        if (regularLook || reached > lookedThrough) {
            lookedThrough = reached;
            std::vector<PendingFrameWrite *> silent;
            std::vector<std::pair<xcb_window_t, Deadline>> silentAt;
            for (PendingFrameWrite *write : waiting) {
                if (!write->answer && !write->notified && !write->watch->destroyed()
                    && (regularLook || write->sentAt <= reached)) {
                    silent.push_back(write);
                    silentAt.emplace_back(write->window, write->deadline);
                }
            }
            const std::vector<Geometry> seen = readGeometries(connection, silentAt);
            for (size_t i = 0; i < silent.size(); ++i) {
                if (seen[i].status == Geometry::Status::ok
                    && seen[i].client == silent[i]->expected) {
                    land(desktop, *silent[i], seen[i], false);
                }
            }
            if (regularLook) {
                lookedAt = Clock::now();
            }
        }
        // A notification starts the window's quiet period; every new one asks where it stands.
        std::vector<PendingFrameWrite *> look;
        std::vector<std::pair<xcb_window_t, Deadline>> lookAt;
        for (PendingFrameWrite *write : waiting) {
            if (write->answer) {
                continue;
            }
            if (write->watch->destroyed()) {
                land(desktop, *write, Geometry{Geometry::Status::gone, {}}, true);
                continue;
            }
            const int configures = write->watch->configures();
            if (configures > write->configuresBefore && configures != write->configuresRead) {
                heardFrom(*write);
                write->configuresRead = configures;
                look.push_back(write);
                lookAt.emplace_back(write->window, write->deadline);
            }
        }
        const std::vector<Geometry> seen = readGeometries(connection, lookAt);
        for (size_t i = 0; i < look.size(); ++i) {
            land(desktop, *look[i], seen[i], false);
            PendingFrameWrite &write = *look[i];
            if (write.answer || write.notified || seen[i].status != Geometry::Status::ok
                || seen[i].client == write.before) {
                continue;
            }
            if (!write.sizeReachable) {
                write.sizeReachable = (write.expected.width == write.before.width
                                       && write.expected.height == write.before.height)
                    || sizeAllowed(connection, write.window, write.expected.width,
                                   write.expected.height, write.deadline);
            }
            if (!halfWay(seen[i].client, write.expected, write.before, *write.sizeReachable)) {
                write.notified = true;
                write.settle = std::min(write.deadline, Clock::now() + quietAfterNotification);
            }
        }
        // Those whose wait is over are read a last time.
        look.clear();
        lookAt.clear();
        const auto later = Clock::now();
        for (PendingFrameWrite *write : waiting) {
            if (!write->answer && later >= write->settle) {
                look.push_back(write);
                lookAt.emplace_back(write->window, write->deadline);
            }
        }
        const std::vector<Geometry> last = readGeometries(connection, lookAt);
        for (size_t i = 0; i < look.size(); ++i) {
            land(desktop, *look[i], last[i], true);
        }
        for (PendingFrameWrite *write : waiting) {
            // A request that ran out of time says nothing about how far the others have come.
            if (write->answer && write->landed) {
                heardFrom(*write);
            }
        }
        answered += std::erase_if(
            waiting, [](const PendingFrameWrite *write) { return write->answer.has_value(); });
        if (waiting.empty() || answered >= wanted) {
            break;
        }
        // Until something happens to a window still waited for, or the first quiet period ends.
        Deadline until = waiting.front()->settle;
        const auto marks = [&waiting, &probe] {
            long sum = 0;
            for (const PendingFrameWrite *write : waiting) {
                sum += write->watch->configures() + (write->watch->destroyed() ? 1 : 0);
            }
            return sum + (probe && probe->answered() ? 1 : 0);
        };
        for (const PendingFrameWrite *write : waiting) {
            until = std::min(until, write->settle);
        }
        until = std::min(until, lookedAt + unnotifiedLook);
        if (reached > lookedThrough) {
            continue;
        }
        const long mark = marks();
        while (marks() == mark && Clock::now() < until) {
            waitForEvents(connection, until);
        }
    }
    // The caller reads each answered window back next: reading all of them again now, in one
    // batch, saves a round trip per window.
    if (answered > 0) {
        desktop.snapshot(Clock::now() + readBackReserve);
    }
}

FrameRequestResult writeFrame(X11Desktop &desktop, xcb_window_t window, const FrameRequest &request,
                              Deadline deadline)
{
    const std::shared_ptr<AXPendingFrameWrite> write =
        beginWriteFrame(desktop, window, request, deadline);
    awaitFrameWrites(desktop, {write}, 1);
    const std::optional<AXFrameWriteResult> &answer = write->answer;
    if (!answer) {
        return everyPart(AXError::cannotComplete);
    }
    return FrameRequestResult{answer->position.value_or(AXError::success), answer->size};
}

} // namespace ostrel::x11
