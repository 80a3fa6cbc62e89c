#pragma once

#include "system/x11/VisibleFrames.h"
#include "system/x11/X11Connection.h"

#include <QList>

#include <functional>
#include <optional>

namespace ostrel::x11 {

// The windows outside the window manager's client list that reserve screen edges, and the
// windows whose changes can alter what they reserve.
struct UnmanagedStruts {
    QList<xcb_window_t> reserving;
    QList<StrutWindow> struts; // one per reserving window, in the same order
    // The reserving windows and every window between them and the root.
    QList<xcb_window_t> watched;
};

// The windows outside the window manager's client list that reserve screen edges: docks that
// map themselves unmanaged, and panels a window manager draws itself inside frames of its own
// (icewm's taskbar lies three levels below the root). The search goes down from `top` (the
// root's children when empty) through mapped windows that are not managed clients (the
// clients' struts are in the desktop's snapshot), to a bounded depth, one batch of requests per
// level. Property and structure changes are selected on the watched windows (after `watching`
// is told of them, so that their events are understood from the first) before their struts,
// states and frames are read a last time: whatever changes after that read is told by an event.
// Nothing when the server does not answer before the deadline.
std::optional<UnmanagedStruts>
readUnmanagedStrutWindows(X11Connection &connection, const QList<xcb_window_t> &clients,
                          Deadline deadline, const QList<xcb_window_t> &top,
                          const std::function<void(const QList<xcb_window_t> &)> &watching);

} // namespace ostrel::x11
