#include "system/x11/X11Screens.h"

#include "system/x11/VisibleFrames.h"
#include "system/x11/X11StrutWindows.h"

#include <algorithm>

namespace ostrel::x11 {

X11Screens::WorkAreas X11Screens::workAreas(std::optional<quint32> desktop)
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
        std::lock_guard lock(atomsMutex_);
        workAreaAtoms_.insert(index, perMonitorName);
    }
    auto whole =
        xcb_get_property(connection.raw(), 0, connection.root(), connection.atom(Atom::NetWorkarea),
                         XCB_ATOM_CARDINAL, 4 * index, 4);
    std::optional<xcb_get_property_cookie_t> perMonitor;
    if (perMonitorName) {
        perMonitor = xcb_get_property(connection.raw(), 0, connection.root(), perMonitorName,
                                      XCB_ATOM_CARDINAL, 0, 256);
    }
    auto wholeReply = connection.reply<xcb_get_property_reply_t>(whole, deadline);
    if (const QList<quint32> v = cardinals(wholeReply.reply.get()); v.size() == 4) {
        areas.whole = RectD{double(v[0]), double(v[1]), double(v[2]), double(v[3])};
    }
    if (perMonitor) {
        auto reply = connection.reply<xcb_get_property_reply_t>(*perMonitor, deadline);
        const QList<quint32> values = cardinals(reply.reply.get());
        for (int i = 0; i + 3 < values.size(); i += 4) {
            areas.perMonitor.append(RectD{double(values[i]), double(values[i + 1]),
                                          double(values[i + 2]), double(values[i + 3])});
        }
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
    constexpr auto lifetime = std::chrono::seconds(1);
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(reservationsMutex_);
    if (!reservations_ || reservations_->generation != snapshot.generation
        || now - reservations_->readAt >= lifetime) {
        reservations_ =
            Reservations{snapshot.generation, now, workAreas(snapshot.root.currentDesktop),
                         readUnmanagedStrutWindows(desktop_.connection(), snapshot.root.clientList,
                                                   deadlineIn(0.5))};
    }
    return *reservations_;
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
    struts.append(known.unmanaged);
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
    const auto snapshot = desktop_.snapshot(deadlineIn(1.0));
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
    const auto snapshot = desktop_.snapshot(deadlineIn(1.0));
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
