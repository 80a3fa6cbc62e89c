#pragma once

#include "system/x11/X11Atoms.h"

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::x11 {

using Deadline = std::chrono::steady_clock::time_point;

inline Deadline deadlineIn(double seconds)
{
    return std::chrono::steady_clock::now()
        + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
}

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <class T>
using XPtr = std::unique_ptr<T, FreeDeleter>;

// How one request ended. `error` carries the X error code (BadWindow = 3 when the window is gone).
enum class ReplyStatus { ok, error, timedOut, disconnected };

template <class Reply>
struct XReply {
    ReplyStatus status = ReplyStatus::timedOut;
    XPtr<Reply> reply;
    uint8_t errorCode = 0;
    bool ok() const { return status == ReplyStatus::ok && reply != nullptr; }
    Reply *operator->() const { return reply.get(); }
};

// The one connection of the program to the X server, shared by every part of the backend and by
// the services built on it later (hot keys, key labels, overlays). xcb itself is thread-safe; this
// class adds what xcb lacks: replies awaited with a deadline (a peer that never answers cannot
// hang the caller) and an event dispatch that any thread may drive and anyone may subscribe to.
class X11Connection {
public:
    // Connects to the display (the environment's DISPLAY when empty). Returns null when no X
    // server answers, so a Wayland-only session simply has no X11 backend.
    static std::shared_ptr<X11Connection> open(const std::string &display = {},
                                               double timeoutSeconds = 2.0);
    ~X11Connection();
    X11Connection(const X11Connection &) = delete;
    X11Connection &operator=(const X11Connection &) = delete;

    xcb_connection_t *raw() const { return connection_; }
    xcb_window_t root() const { return root_; }
    xcb_atom_t atom(Atom a) const { return atoms_[static_cast<size_t>(a)]; }
    bool hasError() const { return xcb_connection_has_error(connection_) != 0; }
    bool hasRandr15() const { return randr15_; }
    bool hasResource() const { return resource_; }

    // Waits for the reply of one request sent with `sequence` until the deadline; on time-out the
    // reply is discarded so it never piles up. Events that arrive meanwhile are dispatched.
    ReplyStatus waitForReply(unsigned int sequence, Deadline deadline, void **reply,
                             uint8_t *errorCode);

    template <class Reply, class Cookie>
    XReply<Reply> reply(Cookie cookie, Deadline deadline)
    {
        XReply<Reply> out;
        void *raw = nullptr;
        out.status = waitForReply(cookie.sequence, deadline, &raw, &out.errorCode);
        out.reply.reset(static_cast<Reply *>(raw));
        return out;
    }

    // Throws away the replies of requests that will not be collected.
    void discard(unsigned int sequence) { xcb_discard_reply(connection_, sequence); }

    // Sends everything queued. While it writes, xcb also reads what has come in meanwhile; those
    // events are off the socket then, so its watcher will not tell of them: they are handed out
    // here.
    void flush()
    {
        xcb_flush(connection_);
        pumpEvents();
    }

    // A round trip bounded by the deadline: true when the server answered, so every request sent
    // before has been processed.
    bool sync(Deadline deadline);

    // Event dispatch. Handlers run on whichever thread pumps (a waiting caller or the main
    // thread's notifier) with the subscription lock held, so they must be quick and thread-safe
    // and must not subscribe or unsubscribe themselves.
    using EventHandler = std::function<void(const xcb_generic_event_t &)>;
    int subscribe(EventHandler handler);
    void unsubscribe(int id);
    // Reads and dispatches the events that have arrived, without blocking. Whoever makes xcb read
    // the socket outside of this class (another library's blocking replies, say) calls it after,
    // or what was read waits unseen until the server next sends something, perhaps never.
    void pumpEvents();

    // Blocks until the socket has something to read, another thread's event pump has read it
    // (and may have taken what the caller waits for), or `until`; the caller then looks again.
    // A read by a thread that is not the pump wakes nobody, so the wait also ends after a few
    // milliseconds at most.
    void waitForActivity(Deadline until);
    // Called by the event pump after it read the socket: every thread that waits looks again at
    // once instead of sleeping through its slice.
    static void wakeWaiters();

    // Interns atoms that are not in the fixed list (e.g. per-desktop names); 0 on failure.
    xcb_atom_t internAtom(const std::string &name, Deadline deadline);

private:
    X11Connection() = default;

    xcb_connection_t *connection_ = nullptr;
    xcb_window_t root_ = 0;
    std::vector<xcb_atom_t> atoms_;
    bool randr15_ = false;
    bool resource_ = false;

    std::mutex handlersMutex_;
    std::vector<std::pair<int, EventHandler>> handlers_;
    int nextHandler_ = 1;
    std::mutex pumpMutex_;
    std::atomic<bool> pumpAgain_{false};
};

} // namespace ostrel::x11
