#include "system/x11/X11Screens.h"

#include "system/x11/VisibleFrames.h"

#include <algorithm>

namespace ostrel::x11 {

QList<RectD> X11Screens::workAreas(std::optional<quint32> desktop)
{
    QList<RectD> areas;
    if (!desktop) {
        return areas;
    }
    X11Connection &connection = desktop_.connection();
    const Deadline deadline = deadlineIn(0.5);
    const xcb_atom_t name = connection.internAtom("_GTK_WORKAREAS_D" + std::to_string(*desktop), deadline);
    if (!name) {
        return areas;
    }
    auto reply = connection.reply<xcb_get_property_reply_t>(
        xcb_get_property(connection.raw(), 0, connection.root(), name, XCB_ATOM_CARDINAL, 0, 256), deadline);
    const QList<quint32> values = cardinals(reply.reply.get());
    for (int i = 0; i + 3 < values.size(); i += 4) {
        areas.append(RectD{double(values[i]), double(values[i + 1]), double(values[i + 2]), double(values[i + 3])});
    }
    return areas;
}

QList<Screen> X11Screens::screens()
{
    QList<Screen> screens;
    const auto snapshot = desktop_.snapshot(deadlineIn(1.0));
    if (!snapshot) {
        return screens;
    }
    const X11Connection &connection = desktop_.connection();
    QList<RectD> frames;
    for (const X11Monitor &m : snapshot->monitors) {
        frames.append(m.frame);
    }
    QList<StrutWindow> struts;
    for (const X11WindowInfo &info : snapshot->windows) {
        if (info.strut && !isMinimized(info, connection) && isOnDesktop(info, snapshot->root.currentDesktop)) {
            struts.append({info.visibleFrameInRoot(), *info.strut});
        }
    }
    QList<RectD> visible = visibleFrames(frames, struts, snapshot->root.rootGeometry);
    const QList<RectD> areas = workAreas(snapshot->root.currentDesktop);
    for (int i = 0; i < frames.size() && !areas.isEmpty(); ++i) {
        const auto best = std::max_element(areas.begin(), areas.end(), [&](const RectD &a, const RectD &b) {
            return overlapArea(a, frames[i]) < overlapArea(b, frames[i]);
        });
        if (overlapArea(*best, frames[i]) > 0) {
            const double left = std::max(best->x, frames[i].x);
            const double top = std::max(best->y, frames[i].y);
            const double right = std::min(best->x + best->width, frames[i].x + frames[i].width);
            const double bottom = std::min(best->y + best->height, frames[i].y + frames[i].height);
            visible[i] = RectD{left, top, right - left, bottom - top};
        }
    }
    for (int i = 0; i < snapshot->monitors.size(); ++i) {
        const X11Monitor &m = snapshot->monitors[i];
        Screen s;
        if (m.output) {
            s.displayNumber = m.output;
        } else {
            s.displayNumber = 1; // the whole root window without RandR 1.5
        }
        s.name = m.edid && !m.edid->name.isEmpty() ? m.edid->name : m.outputName;
        s.frame = RectD{m.frame.x - snapshot->originX, m.frame.y - snapshot->originY, m.frame.width, m.frame.height};
        s.visibleFrame = RectD{visible[i].x - snapshot->originX, visible[i].y - snapshot->originY, visible[i].width, visible[i].height};
        if (m.edid) {
            s.identity = DisplayIdentity{m.edid->manufacturer, m.edid->product, m.edid->serial, quint32(i)};
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
