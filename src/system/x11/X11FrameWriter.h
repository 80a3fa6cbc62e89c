#pragma once

#include "system/AXError.h"
#include "system/AXValue.h"
#include "system/AccessibilityElements.h"
#include "system/Clock.h"
#include "system/x11/FrameWriteTracker.h"
#include "system/x11/X11Desktop.h"

#include <QHash>
#include <QList>

#include <memory>
#include <mutex>
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

class PendingFrameWrite;
class CatchUpProbe;

// Asks the window manager to move and resize client windows and waits until it has done so.
//
// A request is _NET_MOVERESIZE_WINDOW with NorthWest gravity (the frame's top left stays put
// when only the size changes) from a pager, so the window manager obeys it as a user action; a
// window manager without it gets a configure request. A maximized window is un-maximized first
// (it would ignore the request), and the request waits until the window manager has given the
// window its own frame back and, for a client that draws its own decoration, until the client
// has declared the shadow of its restored window: the request is planned with the frame
// extents the window has then.
//
// Each part of a request is `success` once the window manager has applied it or changed it at
// least (the read-back tells how close it came), `notEnoughPrecision` when it left that part as
// it was, and `illegalArgument` when its values cannot be sent (the other part still goes). The
// whole request is `invalidUIElement` when the window is gone, `cannotComplete` when the server
// does not answer in time, and `apiDisabled` without a usable window manager.
//
// When a request has its answer is the tracker's call (FrameWriteTracker): the writer's loop
// feeds it the window manager's notifications and the geometry it asks for, and waits until it
// is due to look again. Several windows' requests are answered together: window managers
// answer them in the order they come, so waiting for many costs about as long as waiting for
// the last. Thread-safe; one wait at a time.
class X11FrameWriter {
public:
    X11FrameWriter(X11Desktop &desktop, Clock &clock);
    ~X11FrameWriter();
    X11FrameWriter(const X11FrameWriter &) = delete;
    X11FrameWriter &operator=(const X11FrameWriter &) = delete;

    // The one place of the writer's waits, for tests to change before they write.
    FrameWriteTiming &timing() { return timing_; }

    // One request, waited for; `patience` is how long the window manager has for it.
    FrameRequestResult write(xcb_window_t window, const FrameRequest &request,
                             Clock::Duration patience);
    // The same in two halves: `begin` sends the request (a maximized window is un-maximized
    // first, and that is waited for) and answers at once only when nothing needs to wait;
    // `await` waits until at least `count` of the writes given (all, when there are fewer) have
    // their answer. A count of 0 takes what has come in without waiting.
    std::shared_ptr<AXPendingFrameWrite> begin(xcb_window_t window, const FrameRequest &request,
                                               Clock::Duration patience);
    void await(const QList<std::shared_ptr<AXPendingFrameWrite>> &writes, qsizetype count);

private:
    void send(PendingFrameWrite &write, Clock::Duration patience);
    // Hands the tracker what the window manager did since last time, reads what it asks for,
    // and gives the writes that now have their answer their result. Called with `mutex_` held.
    void takeAnswers();

    X11Desktop &desktop_;
    Clock &clock_;
    FrameWriteTiming timing_;
    std::mutex mutex_;
    FrameWriteTracker tracker_;
    // The writes on their way, by the tracker's id; a write whose owner dropped it is forgotten.
    QHash<FrameWriteTracker::Id, std::weak_ptr<PendingFrameWrite>> live_;
    // A question sent after the writes: its answer says the window manager has got to them.
    std::unique_ptr<CatchUpProbe> probe_;
};

} // namespace ostrel::x11
