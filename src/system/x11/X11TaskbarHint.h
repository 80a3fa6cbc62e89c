#pragma once

#include "system/x11/X11Connection.h"

namespace ostrel::x11 {

// Keeps a window of the program's own off taskbars and pagers (the tray panel): Qt has no way
// to ask for _NET_WM_STATE_SKIP_TASKBAR. The states are written on the window while it is not
// mapped, as EWMH has a client do before mapping; Qt keeps the states it finds there when it maps
// the window, and a window manager drops them when the window is withdrawn, so this goes before
// every show. Returns once the server has the new states.
void keepOffTaskbar(X11Connection &connection, xcb_window_t window);

} // namespace ostrel::x11
