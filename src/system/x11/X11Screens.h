#pragma once

#include "system/ScreenList.h"
#include "system/x11/VisibleFrames.h"
#include "system/x11/X11Desktop.h"
#include "system/x11/X11StrutWindows.h"

#include <QHash>
#include <QSet>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

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
    explicit X11Screens(X11Desktop &desktop);
    ~X11Screens() override;
    X11Screens(const X11Screens &) = delete;
    X11Screens &operator=(const X11Screens &) = delete;

    QList<Screen> screens() override;
    std::optional<quint32> mainDisplayNumber() override;

    // How often the reservations were read: the whole window tree searched, or only windows
    // mapped on the root since. Tests see by them what left the reservations cached.
    quint64 treeSearches() const { return treeSearches_.load(); }
    quint64 mappedWindowSearches() const { return mappedWindowSearches_.load(); }

private:
    // The window manager's work areas on one desktop: _NET_WORKAREA's, over all monitors, and
    // _GTK_WORKAREAS_D<n>'s, one per monitor.
    struct WorkAreas {
        std::optional<RectD> whole;
        QList<RectD> perMonitor;
    };
    std::optional<WorkAreas> workAreas(std::optional<quint32> desktop);
    // The reservations the snapshot's clients do not tell: the work areas and the strut windows
    // the window manager does not list. Kept until an event says they may have changed (see
    // handle()), for one desktop.
    struct Reservations {
        quint64 changes = 0; // `changes_` when the read began
        std::optional<quint32> desktop;
        std::chrono::steady_clock::time_point expires;
        WorkAreas areas;
        UnmanagedStruts unmanaged;
    };
    Reservations reservations(const X11Desktop::Snapshot &snapshot);
    QList<RectD> visibleFrames(const X11Desktop::Snapshot &snapshot, const QList<RectD> &monitors);

    // Runs on whichever thread pumps the connection's events, maybe one that holds
    // `reservationsMutex_` and waits for a reply: it takes only `watchMutex_` and `atomsMutex_`,
    // which nobody holds while waiting.
    void handle(const xcb_generic_event_t &event);

    X11Desktop &desktop_;
    int subscription_ = 0;
    std::mutex reservationsMutex_;
    std::optional<Reservations> reservations_;
    // Changes of anything the cached reservations rest on.
    std::atomic<quint64> changes_{0};
    std::atomic<quint64> treeSearches_{0};
    std::atomic<quint64> mappedWindowSearches_{0};
    std::mutex watchMutex_;
    // What the cached reservations rest on: the reserving windows and those between them and
    // the root.
    QSet<xcb_window_t> watched_;
    // Children of the root mapped since the reservations were read and not unmapped since.
    QSet<xcb_window_t> mapped_;
    // _GTK_WORKAREAS_D<n> by desktop, interned once each.
    std::mutex atomsMutex_;
    QHash<quint32, xcb_atom_t> workAreaAtoms_;
};

} // namespace ostrel::x11
