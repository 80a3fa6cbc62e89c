#pragma once

#include "system/AXError.h"
#include "system/AXValue.h"
#include "system/AccessibilityElements.h"
#include "system/x11/X11Desktop.h"

#include <QList>

#include <memory>
#include <optional>

namespace ostrel::x11 {

// One request for a window's visible frame: its top left, its size, or both, in global points.
struct FrameRequest {
    std::optional<AXPoint> position;
    std::optional<AXSize> size;
};

// How a request ended, for each part of it; a part that was not asked is `success`.
struct FrameRequestResult {
    AXError position = AXError::success;
    AXError size = AXError::success;
};

// Asks the window manager to move and resize a client window in one request and waits, within
// the deadline, until it has done so. A maximized window is un-maximized first (it would ignore
// the request). The request is _NET_MOVERESIZE_WINDOW with NorthWest gravity (the frame's top
// left stays put when only the size changes) from a pager, so the window manager obeys it as a
// user action; a window manager without it gets a configure request.
// Each part is `success` once the window manager has applied it or changed it at least (the
// read-back tells how close it came), `notEnoughPrecision` when it left that part as it was,
// and `illegalArgument` when its values cannot be sent (the other part still goes). The whole
// request is `invalidUIElement` when the window is gone, `cannotComplete` when the server does
// not answer in time, and `apiDisabled` without a usable window manager.
FrameRequestResult writeFrame(X11Desktop &desktop, xcb_window_t window, const FrameRequest &request,
                              Deadline deadline);

// The same in two halves, so that several windows' requests are answered together: the first
// sends the request (a maximized window is un-maximized first, and that is waited for), the
// second waits until at least `count` of the requests given (all, when there are fewer) have
// their answer, each within its own deadline. Window managers answer requests in the order they
// come, so waiting for many costs about as long as waiting for the last. A request's deadline
// gives the window manager the time asked for from the request's turn, not from its sending:
// it is put off a little for each request sent before it that is still unanswered, and again
// whenever the window manager notifies or answers about another of them for the first time, so
// the tail of a long burst is not cut short while the requests ahead of it are being worked
// through. A window manager that gives no sign ends every wait about one timeout after its
// last one. A window the window manager moved without a notification is read again as soon as
// the window manager shows it got past its request (it answers a question sent after all of
// them, or notifies about a request sent later), and otherwise at short intervals.
std::shared_ptr<AXPendingFrameWrite> beginWriteFrame(X11Desktop &desktop, xcb_window_t window,
                                                     const FrameRequest &request,
                                                     Deadline deadline);
void awaitFrameWrites(X11Desktop &desktop,
                      const QList<std::shared_ptr<AXPendingFrameWrite>> &writes, qsizetype count);

} // namespace ostrel::x11
