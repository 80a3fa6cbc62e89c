#include "platform/FrameWrite.h"

#include "platform/AX.h"
#include "system/AXAttribute.h"

namespace ostrel {

namespace {

constexpr double writeTimeout = 0.6;
constexpr double landingTolerance = 4.0;

} // namespace

FrameWrite::FrameWrite(const SystemBackend &system, const RectD &target,
                       const WindowReference &reference,
                       std::shared_ptr<CancellationFlag> cancellation, bool hasGate)
    : system_(system)
    , reference_(reference)
    , cancellation_(std::move(cancellation))
    , hasGate_(hasGate)
    , result_(target)
{
}

bool FrameWrite::cancelled() const
{
    return cancellation_ && cancellation_->isCancelled();
}

bool FrameWrite::start()
{
    if (!system_.trust->isProcessTrusted()) {
        result_.permissionDenied = true;
        return true;
    }
    AccessibilityElements &elements = *system_.elements;
    elements.setMessagingTimeout(reference_.element, writeTimeout);
    const std::optional<QString> role = AX::string(elements, reference_.element, AXAttribute::role);
    if (!role || *role != reference_.role) {
        result_.sizeFailure = AXWriteFailure::windowUnavailable();
        return true;
    }
    result_.before = AX::frame(elements, reference_.element).value_or(reference_.frame);
    return arrive(Checkpoint::size);
}

// The first test of a checkpoint; what stopping means differs by checkpoint.
bool FrameWrite::arrive(Checkpoint checkpoint)
{
    if (cancelled()) {
        switch (checkpoint) {
        case Checkpoint::size:
            result_.cancelled = true;
            return true;
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
            return true;
        }
    }
    if (hasGate_) {
        waitingAt_ = checkpoint;
        return false;
    }
    return pass(checkpoint);
}

bool FrameWrite::resume(bool gateOpen)
{
    if (!gateOpen) {
        result_.gestureBlocked = true;
        if (waitingAt_ != Checkpoint::size) {
            readAfter();
        }
        return true;
    }
    if (cancelled()) {
        result_.cancelled = true;
        if (waitingAt_ != Checkpoint::size) {
            readAfter();
        }
        return true;
    }
    return pass(waitingAt_);
}

bool FrameWrite::pass(Checkpoint checkpoint)
{
    const RectD &target = result_.target;
    const AXSize size{target.width, target.height};
    const AXPoint position{target.x, target.y};
    switch (checkpoint) {
    case Checkpoint::size:
        result_.attemptedWrite = true;
        if (!hasGate_ && !cancelled()) {
            // Nothing but a cancellation can stop the position write once the size is written,
            // and none has come (the position's checkpoint, tested early): both go together
            // where the backend can send them as one request. Either write finding access
            // turned off ends the operation there.
            if (together_ && beginPair(checkpoint)) {
                return false;
            }
            if (const std::optional<bool> sizeFoundAccessOff =
                    writePair(result_.sizeFailure, result_.positionFailure)) {
                if (*sizeFoundAccessOff || result_.permissionDenied) {
                    readAfter();
                    return true;
                }
                return afterFirstAttempt();
            }
        }
        if (write(AXAttribute::size, size, result_.sizeFailure)) {
            readAfter();
            return true;
        }
        return arrive(Checkpoint::position);
    case Checkpoint::position:
        if (write(AXAttribute::position, position, result_.positionFailure)) {
            readAfter();
            return true;
        }
        return afterFirstAttempt();
    case Checkpoint::repeat:
        // The size is written again unless only a transient position failure brought us here
        // while the window already sits where it should.
        if (result_.sizeFailure || afterIsOff()) {
            if (!hasGate_ && !cancelled()) {
                // As above: the repeated position's checkpoint, tested early, lets both go
                // together.
                if (together_ && beginPair(checkpoint)) {
                    return false;
                }
                if (const std::optional<bool> sizeFoundAccessOff =
                        writePair(result_.retrySizeFailure, result_.retryPositionFailure)) {
                    readAfter();
                    return *sizeFoundAccessOff ? true : finish();
                }
            }
            if (write(AXAttribute::size, size, result_.retrySizeFailure)) {
                readAfter();
                return true;
            }
        }
        return arrive(Checkpoint::repeatPosition);
    case Checkpoint::repeatPosition:
        // The last write: a lost permission is recorded, and the frame is read back anyway.
        write(AXAttribute::position, position, result_.retryPositionFailure);
        readAfter();
        return finish();
    }
    return true;
}

bool FrameWrite::afterFirstAttempt()
{
    readAfter();
    if (!needsRepeat()) {
        return finish();
    }
    return arrive(Checkpoint::repeat);
}

std::optional<bool> FrameWrite::writePair(std::optional<AXWriteFailure> &sizeFailure,
                                          std::optional<AXWriteFailure> &positionFailure)
{
    const RectD &target = result_.target;
    const std::optional<AXFrameWriteResult> written = system_.elements->setSizeAndPosition(
        reference_.element, AXSize{target.width, target.height}, AXPoint{target.x, target.y});
    if (!written) {
        return std::nullopt;
    }
    return recordPair(*written, sizeFailure, positionFailure);
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

bool FrameWrite::beginPair(Checkpoint checkpoint)
{
    const RectD &target = result_.target;
    pair_ = system_.elements->beginSizeAndPosition(
        reference_.element, AXSize{target.width, target.height}, AXPoint{target.x, target.y});
    if (!pair_) {
        // Nothing was sent: the writes go one at a time from here on.
        together_ = false;
        return false;
    }
    waitingAt_ = checkpoint;
    return true;
}

std::shared_ptr<AXPendingFrameWrite> FrameWrite::startTogether()
{
    together_ = !hasGate_;
    pair_.reset();
    if (start()) {
        return nullptr;
    }
    return pair_;
}

std::shared_ptr<AXPendingFrameWrite> FrameWrite::pairAnswered(const AXFrameWriteResult &written)
{
    pair_.reset();
    bool done = false;
    if (waitingAt_ == Checkpoint::size) {
        if (recordPair(written, result_.sizeFailure, result_.positionFailure)
            || result_.permissionDenied) {
            readAfter();
            done = true;
        } else {
            done = afterFirstAttempt();
        }
    } else {
        const bool sizeFoundAccessOff =
            recordPair(written, result_.retrySizeFailure, result_.retryPositionFailure);
        readAfter();
        done = sizeFoundAccessOff ? true : finish();
    }
    return done ? nullptr : pair_;
}

bool FrameWrite::write(const QString &attribute, const AXValue &value,
                       std::optional<AXWriteFailure> &failure)
{
    const AXError error = system_.elements->setAttributeValue(reference_.element, attribute, value);
    failure = AXWriteFailure::make(code(error));
    if (error == AXError::apiDisabled) {
        result_.permissionDenied = true;
        return true;
    }
    return false;
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

bool FrameWrite::finish()
{
    if (!result_.after) {
        result_.readbackFailure = AXWriteFailure::readbackUnverified();
    }
    if (result_.hasPermissionFailure()) {
        result_.permissionDenied = true;
    }
    return true;
}

} // namespace ostrel
