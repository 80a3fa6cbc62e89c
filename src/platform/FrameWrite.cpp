#include "platform/FrameWrite.h"

#include "platform/AX.h"
#include "system/AXAttribute.h"

namespace ostrel {

namespace {

constexpr double landingTolerance = 4.0;

} // namespace

FrameWrite::FrameWrite(const SystemBackend &system, const RectD &target,
                       const WindowReference &reference,
                       std::shared_ptr<CancellationFlag> cancellation, bool hasGate, double timeout)
    : system_(system)
    , reference_(reference)
    , cancellation_(std::move(cancellation))
    , hasGate_(hasGate)
    , timeout_(timeout)
    , result_(target)
{
}

bool FrameWrite::cancelled() const
{
    return cancellation_ && cancellation_->isCancelled();
}

FrameWrite::Need FrameWrite::start()
{
    if (!system_.trust->isProcessTrusted()) {
        result_.permissionDenied = true;
        return Need::nothing;
    }
    AccessibilityElements &elements = *system_.elements;
    elements.setMessagingTimeout(reference_.element, timeout_);
    const std::optional<QString> role = AX::string(elements, reference_.element, AXAttribute::role);
    if (!role || *role != reference_.role) {
        result_.sizeFailure = AXWriteFailure::windowUnavailable();
        return Need::nothing;
    }
    result_.before = AX::frame(elements, reference_.element).value_or(reference_.frame);
    return arrive(Checkpoint::size);
}

// The first test of a checkpoint; what stopping means differs by checkpoint.
FrameWrite::Need FrameWrite::arrive(Checkpoint checkpoint)
{
    if (cancelled()) {
        switch (checkpoint) {
        case Checkpoint::size:
            result_.cancelled = true;
            return Need::nothing;
        case Checkpoint::position:
            result_.cancelled = true;
            readAfter();
            return finish();
        case Checkpoint::repeat:
            // The first attempt is complete: report it as it stands.
            return finish();
        case Checkpoint::repeatPosition:
            result_.cancelled = true;
            readAfter();
            return Need::nothing;
        }
    }
    if (hasGate_) {
        waitingAt_ = checkpoint;
        return Need::gate;
    }
    return pass(checkpoint);
}

FrameWrite::Need FrameWrite::gateAnswered(bool open)
{
    if (!open) {
        result_.gestureBlocked = true;
        if (waitingAt_ != Checkpoint::size) {
            readAfter();
        }
        return Need::nothing;
    }
    if (cancelled()) {
        result_.cancelled = true;
        if (waitingAt_ != Checkpoint::size) {
            readAfter();
        }
        return Need::nothing;
    }
    return pass(waitingAt_);
}

FrameWrite::Need FrameWrite::pass(Checkpoint checkpoint)
{
    switch (checkpoint) {
    case Checkpoint::size:
        result_.attemptedWrite = true;
        // Nothing but a cancellation can stop the position write once the size is written, and
        // none has come (the position's checkpoint, tested early): both go together where the
        // backend can send them as one request.
        return send(!hasGate_ && !cancelled() ? Sent::pair : Sent::size, false);
    case Checkpoint::position:
        return send(Sent::position, false);
    case Checkpoint::repeat:
        // The size is written again unless only a transient position failure brought us here
        // while the window already sits where it should.
        if (result_.sizeFailure || afterIsOff()) {
            // As above: the repeated position's checkpoint, tested early, lets both go together.
            return send(!hasGate_ && !cancelled() ? Sent::pair : Sent::size, true);
        }
        return arrive(Checkpoint::repeatPosition);
    case Checkpoint::repeatPosition:
        return send(Sent::position, true);
    }
    return Need::nothing;
}

FrameWrite::Need FrameWrite::send(Sent parts, bool repeat)
{
    AccessibilityElements &elements = *system_.elements;
    const RectD &target = result_.target;
    const AXSize size{target.width, target.height};
    const AXPoint position{target.x, target.y};
    sent_ = parts;
    repeat_ = repeat;
    switch (parts) {
    case Sent::pair:
        pending_ = elements.beginSizeAndPosition(reference_.element, size, position);
        if (!pending_) {
            // The backend writes one attribute at a time: nothing was sent.
            return send(Sent::size, repeat);
        }
        break;
    case Sent::size:
        pending_ = elements.beginAttributeValue(reference_.element, AXAttribute::size, size);
        break;
    case Sent::position:
        pending_ =
            elements.beginAttributeValue(reference_.element, AXAttribute::position, position);
        break;
    }
    return Need::answer;
}

FrameWrite::Need FrameWrite::answered()
{
    const AXFrameWriteResult written = pending_ && pending_->answer
        ? *pending_->answer
        : AXFrameWriteResult{AXError::cannotComplete, AXError::cannotComplete};
    pending_.reset();
    std::optional<AXWriteFailure> &sizeFailure =
        repeat_ ? result_.retrySizeFailure : result_.sizeFailure;
    std::optional<AXWriteFailure> &positionFailure =
        repeat_ ? result_.retryPositionFailure : result_.positionFailure;
    switch (sent_) {
    case Sent::pair: {
        // Either write finding access turned off ends the operation there.
        const bool sizeFoundAccessOff = recordPair(written, sizeFailure, positionFailure);
        if (!repeat_) {
            if (sizeFoundAccessOff || result_.permissionDenied) {
                readAfter();
                return Need::nothing;
            }
            return afterFirstAttempt();
        }
        readAfter();
        return sizeFoundAccessOff ? Need::nothing : finish();
    }
    case Sent::size:
        sizeFailure = AXWriteFailure::make(code(written.size));
        if (written.size == AXError::apiDisabled) {
            result_.permissionDenied = true;
            readAfter();
            return Need::nothing;
        }
        return arrive(repeat_ ? Checkpoint::repeatPosition : Checkpoint::position);
    case Sent::position: {
        const AXError status = written.position.value_or(AXError::success);
        positionFailure = AXWriteFailure::make(code(status));
        if (status == AXError::apiDisabled) {
            result_.permissionDenied = true;
            if (!repeat_) {
                readAfter();
                return Need::nothing;
            }
        }
        if (!repeat_) {
            return afterFirstAttempt();
        }
        // The last write: a lost permission is recorded, and the frame is read back anyway.
        readAfter();
        return finish();
    }
    }
    return Need::nothing;
}

FrameWrite::Need FrameWrite::afterFirstAttempt()
{
    readAfter();
    if (!needsRepeat()) {
        return finish();
    }
    return arrive(Checkpoint::repeat);
}

bool FrameWrite::recordPair(const AXFrameWriteResult &written,
                            std::optional<AXWriteFailure> &sizeFailure,
                            std::optional<AXWriteFailure> &positionFailure)
{
    sizeFailure = AXWriteFailure::make(code(written.size));
    if (written.position) {
        positionFailure = AXWriteFailure::make(code(*written.position));
    }
    const bool sizeFoundAccessOff = written.size == AXError::apiDisabled;
    if (sizeFoundAccessOff || written.position == AXError::apiDisabled) {
        result_.permissionDenied = true;
    }
    return sizeFoundAccessOff;
}

void FrameWrite::readAfter()
{
    result_.after = AX::frame(*system_.elements, reference_.element);
}

bool FrameWrite::afterIsOff() const
{
    return !result_.after || !result_.after->isApproximatelyEqual(result_.target, landingTolerance);
}

bool FrameWrite::needsRepeat() const
{
    if (result_.hasPermissionFailure()) {
        return false;
    }
    const std::optional<AXWriteFailure> initial[] = {result_.sizeFailure, result_.positionFailure};
    bool anyInitial = false;
    for (const std::optional<AXWriteFailure> &failure : initial) {
        if (failure) {
            anyInitial = true;
            if (failure->kind != AXWriteFailure::Kind::transient) {
                return false;
            }
        }
    }
    return anyInitial || afterIsOff();
}

FrameWrite::Need FrameWrite::finish()
{
    if (!result_.after) {
        result_.readbackFailure = AXWriteFailure::readbackUnverified();
    }
    if (result_.hasPermissionFailure()) {
        result_.permissionDenied = true;
    }
    return Need::nothing;
}

} // namespace ostrel
