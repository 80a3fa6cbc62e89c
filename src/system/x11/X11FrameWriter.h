#pragma once

#include "system/AXError.h"
#include "system/AXValue.h"
#include "system/x11/X11Desktop.h"

#include <optional>

namespace ostrel::x11 {

// One write of a window's visible frame: its top left, its size, or both, in global points.
struct FrameWrite {
    std::optional<AXPoint> position;
    std::optional<AXSize> size;
};

// Asks the window manager to move or resize a client window and waits, within the deadline,
// until it has done so. A maximized window is un-maximized first (it would ignore the move).
// The request is _NET_MOVERESIZE_WINDOW with NorthWest gravity (the frame's top left stays put
// when only the size changes) from a pager, so the window manager obeys it as a user action.
// Results: success once the window manager has applied something; invalidUIElement when the
// window is gone; cannotComplete when the server does not answer in time; notEnoughPrecision
// when the window manager ignored or refused the request (nothing changed); apiDisabled without
// a usable window manager.
AXError writeFrame(X11Desktop &desktop, xcb_window_t window, const FrameWrite &write, Deadline deadline);

} // namespace ostrel::x11
