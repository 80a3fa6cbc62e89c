#pragma once

#include "system/x11/VisibleFrames.h"
#include "system/x11/X11Connection.h"

#include <QList>

namespace ostrel::x11 {

// The windows outside the window manager's client list that reserve screen edges: docks that
// map themselves unmanaged, and panels a window manager draws itself inside frames of its own
// (icewm's taskbar lies three levels below the root). The search goes down from the root
// through mapped windows that are not managed clients (the clients' struts are in the desktop's
// snapshot), to a bounded depth, one batch of requests per level. Empty when the server does not
// answer before the deadline.
QList<StrutWindow> readUnmanagedStrutWindows(X11Connection &connection,
                                             const QList<xcb_window_t> &clients, Deadline deadline);

} // namespace ostrel::x11
