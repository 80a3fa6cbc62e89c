#include "system/x11/FrameWriteTracker.h"

#include "system/x11/X11Log.h"

#include <algorithm>

namespace ostrel::x11 {

namespace {

bool samePlace(const RectD &a, const RectD &b)
{
    return a.x == b.x && a.y == b.y;
}

bool sameSize(const RectD &a, const RectD &b)
{
    return a.width == b.width && a.height == b.height;
}

QString endingText(FrameWriteTracker::Ending ending)
{
    switch (ending) {
    case FrameWriteTracker::Ending::landed:
        return QStringLiteral("landed where asked");
    case FrameWriteTracker::Ending::settled:
        return QStringLiteral("settled elsewhere");
    case FrameWriteTracker::Ending::timedOut:
        return QStringLiteral("no answer in time");
    case FrameWriteTracker::Ending::unreadable:
        return QStringLiteral("not readable at the end");
    case FrameWriteTracker::Ending::gone:
        return QStringLiteral("the window is gone");
    }
    return {};
}

} // namespace

FrameWriteTracker::FrameWriteTracker(Clock &clock, const FrameWriteTiming &timing)
    : clock_(clock)
    , timing_(timing)
{
}

FrameWriteTracker::Id FrameWriteTracker::sent(quint32 window, const RectD &before,
                                              const RectD &expected, Clock::Duration patience,
                                              std::function<bool()> sizeAllowed)
{
    const Clock::TimePoint now = clock_.now();
    Write write;
    write.window = window;
    write.before = before;
    write.expected = expected;
    write.sentAt = now;
    write.patience = patience;
    write.sizeAllowed = std::move(sizeAllowed);
    for (const Id earlier : order_) {
        if (!writes_.value(earlier).answer) {
            ++write.turn;
        }
    }
    if (write.turn == 0) {
        // The first of a wait: the looks at its window keep their cadence from here.
        lookedAt_ = now;
    }
    // Its timeout counts from its turn, which comes after every request still on its way.
    write.deadline = now + patience + timing_.turn * write.turn;
    write.settle = std::max(now, write.deadline - timing_.readBackReserve);
    const Id id = next_++;
    write.id = id;
    writes_.insert(id, std::move(write));
    order_.push_back(id);
    updateQueue();
    return id;
}

void FrameWriteTracker::configureSeen(Id id)
{
    const auto it = writes_.find(id);
    if (it == writes_.end() || it->answer) {
        return;
    }
    // Every new notification asks where the window stands.
    it->configurePending = true;
    heardFrom(*it);
}

void FrameWriteTracker::destroyed(Id id)
{
    const auto it = writes_.find(id);
    if (it == writes_.end() || it->answer) {
        return;
    }
    it->destroyed = true;
    finish(id, *it, Ending::gone, std::nullopt);
}

void FrameWriteTracker::probeSent()
{
    probeCovers_ = next_ - 1;
}

void FrameWriteTracker::probeAnswered()
{
    answersQuestions_ = true;
    if (probeCovers_) {
        reached_ = std::max(reached_, *probeCovers_);
        probeCovers_.reset();
        updateQueue();
    }
}

bool FrameWriteTracker::wantsProbe() const
{
    const Id covered = std::max(reached_, probeCovers_.value_or(reached_));
    for (auto it = writes_.constBegin(); it != writes_.constEnd(); ++it) {
        if (!it->answer && it->state != State::settling && it.key() > covered) {
            return true;
        }
    }
    return false;
}

std::vector<FrameWriteTracker::Id> FrameWriteTracker::toRead()
{
    const Clock::TimePoint now = clock_.now();
    const bool regularLook = now - lookedAt_ >= timing_.look;
    const bool gotPast = reached_ > lookedThrough_;
    if (regularLook || gotPast) {
        lookedThrough_ = reached_;
    }
    if (regularLook) {
        lookedAt_ = now;
    }
    std::vector<Id> reads;
    for (const Id id : order_) {
        Write &write = writes_[id];
        if (write.answer) {
            continue;
        }
        if (now >= write.settle && stillAtIt(id, write, now)) {
            // Looked at as the others meanwhile.
            write.settle = std::min(write.deadline + timing_.stillWorking - timing_.readBackReserve,
                                    now + timing_.look);
        }
        if (now >= write.settle) {
            write.pendingRead = Read::last;
        } else if (write.configurePending) {
            write.pendingRead = Read::notified;
        } else if (write.state != State::settling && (regularLook || (gotPast && id <= reached_))) {
            // A window already where it was asked to go has landed, told or not.
            write.pendingRead = Read::look;
        }
        write.configurePending = false;
        if (write.pendingRead) {
            reads.push_back(id);
        }
    }
    return reads;
}

bool FrameWriteTracker::stillAtIt(Id id, const Write &write, Clock::TimePoint now) const
{
    return answersQuestions_ && write.state != State::settling && probeCovers_
        && id <= *probeCovers_
        && now < write.deadline + timing_.stillWorking - timing_.readBackReserve;
}

bool FrameWriteTracker::halfWay(Write &write, const RectD &now)
{
    if (!write.sizeReachable) {
        write.sizeReachable =
            sameSize(write.expected, write.before) || !write.sizeAllowed || write.sizeAllowed();
    }
    // One half of the request done and the other not yet begun: the size asked for where it
    // stood, or where asked with its old size while its hints allow the new one.
    const bool placed = samePlace(now, write.expected);
    const bool sized = sameSize(now, write.expected);
    const bool stayed = samePlace(now, write.before);
    const bool kept = sameSize(now, write.before);
    return (sized && stayed && !placed) || (placed && kept && !sized && *write.sizeReachable);
}

void FrameWriteTracker::geometryRead(Id id, const Geometry &geometry)
{
    const auto it = writes_.find(id);
    if (it == writes_.end() || it->answer || !it->pendingRead) {
        return;
    }
    Write &write = *it;
    const Read read = *write.pendingRead;
    write.pendingRead.reset();
    const bool ok = geometry.status == Geometry::Status::ok;
    if (ok && geometry.client == write.expected) {
        finish(id, write, Ending::landed, geometry.client);
        return;
    }
    switch (read) {
    case Read::look:
        // Only a window where it was asked to go tells anything without a notification.
        return;
    case Read::notified:
        if (geometry.status == Geometry::Status::gone) {
            finish(id, write, Ending::gone, std::nullopt);
            return;
        }
        // Half of the request done, or a notification that leaves the window where it was, may
        // answer an earlier request or come before the window manager gets to this one, and
        // Mutter on a busy machine may move a window well before it resizes it or the other way
        // round: only another change starts the quiet period.
        if (ok && write.state != State::settling && geometry.client != write.before
            && !halfWay(write, geometry.client)) {
            write.state = State::settling;
            write.settle = std::min(write.deadline, clock_.now() + timing_.quiet);
        }
        return;
    case Read::last:
        switch (geometry.status) {
        case Geometry::Status::gone:
            finish(id, write, Ending::gone, std::nullopt);
            return;
        case Geometry::Status::timedOut:
            finish(id, write, Ending::unreadable, std::nullopt);
            return;
        case Geometry::Status::ok:
            finish(id, write, write.state == State::settling ? Ending::settled : Ending::timedOut,
                   geometry.client);
            return;
        }
    }
}

void FrameWriteTracker::heardFrom(Write &write)
{
    if (write.heard) {
        return;
    }
    write.heard = true;
    if (!write.answer && write.state != State::settling) {
        write.state = State::heard;
    }
    reached_ = std::max(reached_, write.id);
    // The window manager is working through the requests: those it has said nothing about yet
    // get their whole timeout again from now on.
    const Clock::TimePoint now = clock_.now();
    for (Write &other : writes_) {
        if (!other.heard && !other.answer) {
            putOff(other, now);
        }
    }
    updateQueue();
}

void FrameWriteTracker::putOff(Write &write, Clock::TimePoint turn)
{
    write.deadline = std::max(write.deadline, turn + write.patience);
    if (write.state != State::settling) {
        write.settle = std::max(write.settle, write.deadline - timing_.readBackReserve);
    }
}

void FrameWriteTracker::finish(Id id, Write &write, Ending ending,
                               const std::optional<RectD> &client)
{
    Answer answer;
    answer.ending = ending;
    answer.client = client;
    switch (ending) {
    case Ending::landed:
        break;
    case Ending::gone:
        answer.position = answer.size = AXError::invalidUIElement;
        break;
    case Ending::unreadable:
        answer.position = answer.size = AXError::cannotComplete;
        break;
    case Ending::settled:
    case Ending::timedOut:
        // Something applied of a part (clamped, or only the other part) counts: the read-back
        // tells how close it came. A part the window manager left as it was did not take.
        answer.position =
            samePlace(*client, write.before) ? AXError::notEnoughPrecision : AXError::success;
        answer.size =
            sameSize(*client, write.before) ? AXError::notEnoughPrecision : AXError::success;
        break;
    }
    write.answer = answer;
    write.state = State::answered;
    write.answeredAt = clock_.now();
    qCDebug(x11Log).noquote() << describe(id);
    // A request that ran out of time says nothing about how far the others have come.
    if (ending == Ending::landed) {
        heardFrom(write);
    }
    updateQueue();
}

void FrameWriteTracker::updateQueue()
{
    bool silentAhead = false;
    for (const Id id : order_) {
        Write &write = writes_[id];
        if (write.answer) {
            continue;
        }
        if (write.state == State::queued || write.state == State::sent) {
            write.state = silentAhead && id > reached_ ? State::queued : State::sent;
            silentAhead = true;
        }
    }
}

Clock::TimePoint FrameWriteTracker::wakeAt() const
{
    Clock::TimePoint at = Clock::TimePoint::max();
    bool looked = false;
    for (auto it = writes_.constBegin(); it != writes_.constEnd(); ++it) {
        const Write &write = *it;
        if (write.answer) {
            continue;
        }
        if (write.configurePending) {
            return clock_.now();
        }
        at = std::min(at, write.settle);
        if (write.state != State::settling) {
            looked = true;
            if (it.key() <= reached_ && reached_ > lookedThrough_) {
                return clock_.now();
            }
        }
    }
    if (looked) {
        at = std::min(at, lookedAt_ + timing_.look);
    }
    return at;
}

FrameWriteTracker::State FrameWriteTracker::state(Id id) const
{
    const auto it = writes_.constFind(id);
    return it == writes_.constEnd() ? State::answered : it->state;
}

Clock::TimePoint FrameWriteTracker::deadline(Id id) const
{
    const auto it = writes_.constFind(id);
    return it == writes_.constEnd() ? clock_.now() : it->deadline;
}

std::optional<FrameWriteTracker::Answer> FrameWriteTracker::answer(Id id) const
{
    const auto it = writes_.constFind(id);
    if (it == writes_.constEnd()) {
        return std::nullopt;
    }
    return it->answer;
}

void FrameWriteTracker::forget(Id id)
{
    writes_.remove(id);
    order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
    updateQueue();
}

bool FrameWriteTracker::waiting() const
{
    return std::any_of(writes_.begin(), writes_.end(),
                       [](const Write &write) { return !write.answer; });
}

QString FrameWriteTracker::describe(Id id) const
{
    const auto it = writes_.constFind(id);
    if (it == writes_.constEnd()) {
        return {};
    }
    const Write &write = *it;
    const auto end = write.answer ? write.answeredAt : clock_.now();
    const qint64 waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - write.sentAt).count();
    QString line =
        QStringLiteral("frame write to window 0x%1, turn %2: %3 after %4 ms")
            .arg(write.window, 0, 16)
            .arg(write.turn)
            .arg(write.answer ? endingText(write.answer->ending) : QStringLiteral("waiting"))
            .arg(waited);
    if (write.answer && write.answer->client && write.answer->ending != Ending::landed) {
        const RectD &c = *write.answer->client;
        line += QStringLiteral(" (asked %1,%2 %3×%4, stands at %5,%6 %7×%8)")
                    .arg(write.expected.x)
                    .arg(write.expected.y)
                    .arg(write.expected.width)
                    .arg(write.expected.height)
                    .arg(c.x)
                    .arg(c.y)
                    .arg(c.width)
                    .arg(c.height);
    }
    return line;
}

} // namespace ostrel::x11
