#pragma once

#include "system/ScreenList.h"
#include "system/x11/VisibleFrames.h"
#include "system/x11/X11Desktop.h"

#include <QHash>

#include <mutex>

namespace ostrel::x11 {

// The RandR monitors in the server's order, in global coordinates (relative to the primary
// monitor). Identity from EDID (manufacturer, product, serial), the unit being the monitor's
// index; a monitor without EDID is 0-0 with its unit, so two of them still differ. The visible
// frame is the monitor less every reservation the window manager honours: the struts of the
// docks on it (managed or not), the part of the root's edges the window manager's work area
// keeps free beyond those, or its own per-monitor work area (_GTK_WORKAREAS_D<n>) where it
// publishes one.
class X11Screens : public ScreenList {
public:
    explicit X11Screens(X11Desktop &desktop)
        : desktop_(desktop)
    {
    }
    QList<Screen> screens() override;
    std::optional<quint32> mainDisplayNumber() override;

private:
    // The window manager's work areas on one desktop: _NET_WORKAREA's, over all monitors, and
    // _GTK_WORKAREAS_D<n>'s, one per monitor.
    struct WorkAreas {
        std::optional<RectD> whole;
        QList<RectD> perMonitor;
    };
    WorkAreas workAreas(std::optional<quint32> desktop);
    // The reservations the snapshot's clients do not tell: the work areas and the strut windows
    // the window manager does not list. Read again when the snapshot's generation changes (the
    // root's properties, among them the work areas, changed), and at least once a second.
    struct Reservations {
        quint64 generation = 0;
        std::chrono::steady_clock::time_point readAt;
        WorkAreas areas;
        QList<StrutWindow> unmanaged;
    };
    Reservations reservations(const X11Desktop::Snapshot &snapshot);
    QList<RectD> visibleFrames(const X11Desktop::Snapshot &snapshot, const QList<RectD> &monitors);

    X11Desktop &desktop_;
    std::mutex reservationsMutex_;
    std::optional<Reservations> reservations_;
    // _GTK_WORKAREAS_D<n> by desktop, interned once each.
    std::mutex atomsMutex_;
    QHash<quint32, xcb_atom_t> workAreaAtoms_;
};

} // namespace ostrel::x11
