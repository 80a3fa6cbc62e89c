#include "system/x11/X11Screens.h"

#include "system/x11/VisibleFrames.h"
#include "system/x11/X11StrutWindows.h"

#include <algorithm>
#include <utility>

namespace ostrel::x11 {

X11Screens::X11Screens(X11Desktop &desktop)
    : desktop_(desktop)
{
    subscription_ = desktop_.connection().subscribe(
        [this](const xcb_generic_event_t &event) { handle(event); });
}

X11Screens::~X11Screens()
{
    // Returns only once no handler runs.
    desktop_.connection().unsubscribe(subscription_);
}

// What can change the reservations: the work areas on the root, a window that comes or goes
// directly under the root (the desktop selects the root's substructure for this), and any change
// of a watched window (a reserving one or one between it and the root). An application's frame
// that moves changes nothing, so a restore leaves them cached.
void X11Screens::handle(const xcb_generic_event_t &event)
{
    X11Connection &connection = desktop_.connection();
    const xcb_window_t root = connection.root();
    bool changed = false;
    const uint8_t type = event.response_type & 0x7F;
    switch (type) {
    case XCB_PROPERTY_NOTIFY: {
        const auto &property = reinterpret_cast<const xcb_property_notify_event_t &>(event);
        if (property.atom == connection.atom(Atom::NetWmStrutPartial)
            || property.atom == connection.atom(Atom::NetWmStrut)) {
            changed = true;
        } else if (property.window == root) {
            if (property.atom == connection.atom(Atom::NetWorkarea)) {
                changed = true;
            } else {
                std::lock_guard lock(atomsMutex_);
                changed = std::find(workAreaAtoms_.cbegin(), workAreaAtoms_.cend(), property.atom)
                    != workAreaAtoms_.cend();
            }
        }
        break;
    }
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
    case XCB_GRAVITY_NOTIFY: {
        // These all carry the window that heard of it first and the one it happened to, in the
        // same place.
        const auto &notify = reinterpret_cast<const xcb_map_notify_event_t &>(event);
        const bool comesOrGoes = type != XCB_CONFIGURE_NOTIFY && type != XCB_GRAVITY_NOTIFY;
        std::lock_guard lock(watchMutex_);
        // A window mapped on the root is searched on its own at the next read; one that is
        // unmapped or leaves again before it needs no search. One that comes to the root
        // mapped by a reparenting is remapped there; searching it costs little either way.
        if (comesOrGoes && notify.event == root && notify.window != root) {
            const bool shown = type == XCB_MAP_NOTIFY
                || (type == XCB_REPARENT_NOTIFY
                    && reinterpret_cast<const xcb_reparent_notify_event_t &>(event).parent == root);
            if (shown) {
                mapped_.insert(notify.window);
            } else {
                mapped_.remove(notify.window);
            }
        }
        changed = watched_.contains(notify.window);
        break;
    }
    default:
        changed = desktop_.isMonitorEvent(event);
        break;
    }
    if (changed) {
        changes_.fetch_add(1);
    }
}

std::optional<X11Screens::WorkAreas> X11Screens::workAreas(std::optional<quint32> desktop)
{
    WorkAreas areas;
    X11Connection &connection = desktop_.connection();
    const Deadline deadline = deadlineIn(0.5);
    const quint32 index = desktop.value_or(0);
    xcb_atom_t perMonitorName = XCB_NONE;
    {
        std::lock_guard lock(atomsMutex_);
        perMonitorName = workAreaAtoms_.value(index, XCB_NONE);
    }
    if (!perMonitorName) {
        perMonitorName =
            connection.internAtom("_GTK_WORKAREAS_D" + std::to_string(index), deadline);
        if (!perMonitorName) {
            return std::nullopt;
        }
        std::lock_guard lock(atomsMutex_);
        workAreaAtoms_.insert(index, perMonitorName);
    }
    auto whole =
        xcb_get_property(connection.raw(), 0, connection.root(), connection.atom(Atom::NetWorkarea),
                         XCB_ATOM_CARDINAL, 4 * index, 4);
    auto perMonitor = xcb_get_property(connection.raw(), 0, connection.root(), perMonitorName,
                                       XCB_ATOM_CARDINAL, 0, 256);
    auto wholeReply = connection.reply<xcb_get_property_reply_t>(whole, deadline);
    auto perMonitorReply = connection.reply<xcb_get_property_reply_t>(perMonitor, deadline);
    if (wholeReply.status == ReplyStatus::timedOut
        || perMonitorReply.status == ReplyStatus::timedOut) {
        return std::nullopt;
    }
    if (const QList<quint32> v = cardinals(wholeReply.reply.get()); v.size() == 4) {
        areas.whole = RectD{double(v[0]), double(v[1]), double(v[2]), double(v[3])};
    }
    const QList<quint32> values = cardinals(perMonitorReply.reply.get());
    for (int i = 0; i + 3 < values.size(); i += 4) {
        areas.perMonitor.append(RectD{double(values[i]), double(values[i + 1]),
                                      double(values[i + 2]), double(values[i + 3])});
    }
    return areas;
}

namespace {

RectD intersection(const RectD &a, const RectD &b)
{
    const double left = std::max(a.x, b.x);
    const double top = std::max(a.y, b.y);
    const double right = std::min(a.x + a.width, b.x + b.width);
    const double bottom = std::min(a.y + a.height, b.y + b.height);
    return RectD{left, top, std::max(0.0, right - left), std::max(0.0, bottom - top)};
}

} // namespace

X11Screens::Reservations X11Screens::reservations(const X11Desktop::Snapshot &snapshot)
{
    // What no event tells is read again after this long at the latest: a strut set on a window
    // already shown without one, a panel mapped inside a window already shown, a window between
    // a panel and the root moved by its own parent.
    constexpr auto lifetime = std::chrono::seconds(30);
    // A read the server did not answer in time is tried again soon.
    constexpr auto retry = std::chrono::seconds(1);
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(reservationsMutex_);
    // Taken before anything is read: a change that comes while reading is seen next time.
    const quint64 changes = changes_.load();
    QSet<xcb_window_t> mapped;
    {
        std::lock_guard watchLock(watchMutex_);
        mapped = std::exchange(mapped_, {});
    }
    X11Connection &connection = desktop_.connection();
    const auto watching = [this](const QList<xcb_window_t> &windows) {
        std::lock_guard watchLock(watchMutex_);
        watched_.unite(QSet<xcb_window_t>(windows.begin(), windows.end()));
    };
    if (reservations_ && reservations_->changes == changes
        && reservations_->desktop == snapshot.root.currentDesktop && now < reservations_->expires) {
        if (mapped.isEmpty()) {
            return *reservations_;
        }
        mappedWindowSearches_.fetch_add(1);
        const std::optional<UnmanagedStruts> found =
            readUnmanagedStrutWindows(connection, snapshot.root.clientList, deadlineIn(0.5),
                                      QList<xcb_window_t>(mapped.begin(), mapped.end()), watching);
        if (!found) {
            std::lock_guard watchLock(watchMutex_);
            mapped_.unite(mapped);
            return *reservations_;
        }
        UnmanagedStruts &known = reservations_->unmanaged;
        for (int i = 0; i < found->reserving.size(); ++i) {
            if (!known.reserving.contains(found->reserving[i])) {
                known.reserving.append(found->reserving[i]);
                known.struts.append(found->struts[i]);
            }
        }
        known.watched.append(found->watched);
        return *reservations_;
    }
    treeSearches_.fetch_add(1);
    const Deadline deadline = deadlineIn(0.5);
    const std::optional<WorkAreas> areas = workAreas(snapshot.root.currentDesktop);
    const std::optional<UnmanagedStruts> unmanaged =
        readUnmanagedStrutWindows(connection, snapshot.root.clientList, deadline, {}, watching);
    Reservations fresh{changes, snapshot.root.currentDesktop,
                       now + (areas && unmanaged ? lifetime : retry), areas.value_or(WorkAreas{}),
                       unmanaged.value_or(UnmanagedStruts{})};
    {
        // What the old reservations rested on matters no longer.
        std::lock_guard watchLock(watchMutex_);
        watched_ =
            QSet<xcb_window_t>(fresh.unmanaged.watched.begin(), fresh.unmanaged.watched.end());
    }
    reservations_ = fresh;
    return fresh;
}

// In root coordinates, one per monitor.
QList<RectD> X11Screens::visibleFrames(const X11Desktop::Snapshot &snapshot,
                                       const QList<RectD> &monitors)
{
    X11Connection &connection = desktop_.connection();
    QList<StrutWindow> struts;
    for (const X11WindowInfo &info : snapshot.windows) {
        if (info.strut && !isMinimized(info, connection)
            && isOnDesktop(info, snapshot.root.currentDesktop)) {
            struts.append({info.visibleFrameInRoot(), *info.strut});
        }
    }
    const Reservations known = reservations(snapshot);
    struts.append(known.unmanaged.struts);
    const RectD &root = snapshot.root.rootGeometry;
    QList<RectD> visible = x11::visibleFrames(monitors, struts, root);
    const WorkAreas &areas = known.areas;
    if (areas.whole) {
        visible = narrowedToWorkArea(visible, monitors, struts, *areas.whole, root);
    }
    // The window manager's own word for each monitor, where it gives one, wins.
    for (int i = 0; i < monitors.size() && !areas.perMonitor.isEmpty(); ++i) {
        const auto best = std::max_element(
            areas.perMonitor.begin(), areas.perMonitor.end(), [&](const RectD &a, const RectD &b) {
                return overlapArea(a, monitors[i]) < overlapArea(b, monitors[i]);
            });
        if (overlapArea(*best, monitors[i]) > 0) {
            visible[i] = intersection(*best, monitors[i]);
        }
    }
    return visible;
}

QList<Screen> X11Screens::screens()
{
    QList<Screen> screens;
    const auto snapshot = desktop_.structure(deadlineIn(1.0));
    if (!snapshot) {
        return screens;
    }
    QList<RectD> frames;
    for (const X11Monitor &m : snapshot->monitors) {
        frames.append(m.frame);
    }
    const QList<RectD> visible = visibleFrames(*snapshot, frames);
    for (int i = 0; i < snapshot->monitors.size(); ++i) {
        const X11Monitor &m = snapshot->monitors[i];
        Screen s;
        if (m.output) {
            s.displayNumber = m.output;
        } else {
            s.displayNumber = 1; // the whole root window without RandR 1.5
        }
        s.name = m.edid && !m.edid->name.isEmpty() ? m.edid->name : m.outputName;
        s.frame = RectD{m.frame.x - snapshot->originX, m.frame.y - snapshot->originY, m.frame.width,
                        m.frame.height};
        s.visibleFrame = RectD{visible[i].x - snapshot->originX, visible[i].y - snapshot->originY,
                               visible[i].width, visible[i].height};
        if (m.edid) {
            s.identity =
                DisplayIdentity{m.edid->manufacturer, m.edid->product, m.edid->serial, quint32(i)};
        } else {
            s.identity = DisplayIdentity{0, 0, 0, quint32(i)};
        }
        s.pixelWidth = qint64(m.frame.width);
        s.pixelHeight = qint64(m.frame.height);
        s.scale = 1.0;
        screens.append(s);
    }
    return screens;
}

std::optional<quint32> X11Screens::mainDisplayNumber()
{
    const auto snapshot = desktop_.structure(deadlineIn(1.0));
    if (!snapshot || snapshot->monitors.isEmpty()) {
        return std::nullopt;
    }
    for (const X11Monitor &m : snapshot->monitors) {
        if (m.primary) {
            return m.output ? m.output : 1u;
        }
    }
    return snapshot->monitors.first().output ? snapshot->monitors.first().output : 1u;
}

} // namespace ostrel::x11
