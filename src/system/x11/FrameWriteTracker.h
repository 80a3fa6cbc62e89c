#pragma once

#include "model/RectD.h"
#include "system/AXError.h"
#include "system/Clock.h"

#include <QHash>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace ostrel::x11 {

// How long the frame writer waits for what. One value for the whole backend (the writer's
// `timing()`), which tests change to drive a window manager of their own or a virtual clock.
struct FrameWriteTiming {
    // A window that a write leaves without a word is looked at this often. Some window managers
    // tell a moved window late, or only once another request comes along. Looking more often
    // let a write land while fluxbox was still part-way through it.
    Clock::Duration look = std::chrono::milliseconds(20);
    // A window manager that puts the window elsewhere than asked may still be at it after its
    // first notification (a move, then a resize): the wait ends this long after that
    // notification.
    Clock::Duration quiet = std::chrono::milliseconds(60);
    // Without any notification the wait ends this long before the deadline, so the final read
    // still fits in it.
    Clock::Duration readBackReserve = std::chrono::milliseconds(50);
    // A window manager works through the requests in the order they come, so a request's
    // timeout runs from its turn: each request on its way ahead of it counts this long. A
    // compositing window manager that is busy takes about 5 ms a window (metacity, 100
    // windows), and one that answers a whole burst at the end gives no other sign of how far
    // it has come.
    Clock::Duration turn = std::chrono::milliseconds(5);
    // After the maximized state is gone, how long the window manager gets to give the window its
    // own frame back when it cannot be asked whether it is done.
    Clock::Duration restoredFrame = std::chrono::milliseconds(150);
    // How much longer than its deadline a request waits while a window manager that answers
    // questions has not answered the one asked after it: it is still working through the
    // requests before, and this one's turn may not have come. Muffin under load answered a
    // burst of 100 moves only at its end, after more than 800 ms.
    Clock::Duration stillWorking = std::chrono::milliseconds(1200);
};

// Decides, for the frame writes on their way to the window manager, when each one has its answer,
// from what the writer tells it: a configure notification of a window, its destruction, the
// window manager's answer to a question asked after the writes (it got past them), and where a
// window stands when read. It reads nothing itself and keeps its own time only through the
// clock, so its rules hold without an X server (the writer's loop just feeds it).
//
// One state per write:
// - queued: the request is out, behind requests of this wait that the window manager has said
//   nothing about yet; its timeout waits for its turn.
// - sent: nothing heard of this window, but the requests ahead of it have been heard of or
//   answered, or the window manager showed it got past this one.
// - heard: the window manager notified the window, which is not where asked yet: it moved by
//   half of the request at most, or not at all.
// - settling: the window manager changed the window in another way; the write ends after a
//   quiet period without further word, where the window then stands.
// - answered: the write has its answer.
// Not thread-safe: its one owner feeds it.
class FrameWriteTracker {
public:
    using Id = quint64;
    enum class State { queued, sent, heard, settling, answered };
    // Why a write ended.
    enum class Ending {
        landed,     // the window stands where it was asked to go
        settled,    // the window manager changed the window, then kept quiet elsewhere
        timedOut,   // no answer in time; the window stands where it was last read
        unreadable, // the window could not be read in time at the end
        gone,       // the window is gone
    };
    // A window's client rectangle as read (root coordinates), or why it could not be.
    struct Geometry {
        enum class Status { ok, gone, timedOut } status = Status::timedOut;
        RectD client;
    };
    struct Answer {
        Ending ending = Ending::timedOut;
        std::optional<RectD> client; // where the window stood at the end, when read
        AXError position = AXError::success;
        AXError size = AXError::success;
    };

    FrameWriteTracker(Clock &clock, const FrameWriteTiming &timing);

    // A request that has just gone out: the window, its client before it and once applied,
    // how long the window manager has for it from its turn, and whether the window's size hints
    // allow the size asked (asked only when first needed: a window of a fixed size, or one
    // that grows in steps the size misses, is given another size by any window manager, so a
    // move that keeps the old size may then be the whole answer).
    Id sent(quint32 window, const RectD &before, const RectD &expected, Clock::Duration patience,
            std::function<bool()> sizeAllowed);

    // What the window manager did.
    void configureSeen(Id id);
    void destroyed(Id id);
    // A question was asked after every write sent so far; the window manager answered it, so
    // it has handled every request sent before the question. A window manager that has answered
    // one is known to answer them: while it has not answered the one asked after a request, the
    // request's turn may not have come, and its deadline waits (up to `stillWorking`).
    void probeSent();
    void probeAnswered();

    // The windows to read now, each answered with `geometryRead` before the next call.
    std::vector<Id> toRead();
    void geometryRead(Id id, const Geometry &geometry);

    // Whether a question asked now would tell of writes that no answered question covers.
    bool wantsProbe() const;
    // When the next look, or the end of a wait, is due; the writer waits for events until then.
    Clock::TimePoint wakeAt() const;

    State state(Id id) const;
    // Until when the window manager has for the write now (reads about it are bounded by it).
    Clock::TimePoint deadline(Id id) const;
    std::optional<Answer> answer(Id id) const;
    // The write is no longer waited for (answered, or given up by its owner).
    void forget(Id id);
    bool waiting() const;

    // The write's debug line once it has its answer: the window, its turn (the writes on their
    // way ahead of it when it went out), how long it waited and why it ended.
    QString describe(Id id) const;

private:
    enum class Read { look, notified, last };
    struct Write {
        Id id = 0;
        quint32 window = 0;
        RectD before;
        RectD expected;
        Clock::TimePoint sentAt;
        Clock::Duration patience{};
        Clock::TimePoint deadline;
        // When the wait ends with a last read: shortly after a notification that changed the
        // window elsewhere, else shortly before the deadline.
        Clock::TimePoint settle;
        int turn = 0;
        State state = State::queued;
        bool heard = false;
        bool configurePending = false;
        bool destroyed = false;
        std::function<bool()> sizeAllowed;
        std::optional<bool> sizeReachable;
        std::optional<Read> pendingRead;
        std::optional<Answer> answer;
        Clock::TimePoint answeredAt;
    };

    void heardFrom(Write &write);
    void putOff(Write &write, Clock::TimePoint turn);
    void finish(Id id, Write &write, Ending ending, const std::optional<RectD> &client);
    void updateQueue();
    bool halfWay(Write &write, const RectD &now);

    Clock &clock_;
    const FrameWriteTiming &timing_;
    QHash<Id, Write> writes_;
    std::vector<Id> order_; // in the order they were sent
    Id next_ = 1;
    Clock::TimePoint lookedAt_;
    // The latest request (by id, in the order sent) the window manager is known to have got
    // to: a write sent before it that was not notified has been handled all the same, so it is
    // looked at then instead of at the next regular look.
    Id reached_ = 0;
    Id lookedThrough_ = 0;
    // The last request sent before the question on its way, if one is.
    std::optional<Id> probeCovers_;
    bool answersQuestions_ = false;
    // Whether the window manager is known to be still at the requests up to this one.
    bool stillAtIt(Id id, const Write &write, Clock::TimePoint now) const;
};

} // namespace ostrel::x11
