#pragma once

#include "model/CancellationFlag.h"
#include "model/FrameApplyResult.h"
#include "model/RectD.h"
#include "model/WindowReference.h"
#include "system/SystemBackend.h"

#include <memory>

namespace ostrel {

// One frame write, step by step: the size, then the position, a read-back, and at most one
// repetition of both when the first attempt failed transiently or did not land within 4
// points. Before each of the four writes stands a checkpoint (cancellation, the caller's
// gate, cancellation again).
//
// The caller drives it on the window service's thread: each step runs until the write is done,
// waits at a checkpoint for the gate (which the caller asks elsewhere and hands to
// `gateAnswered`), or has sent a write to the application whose answer the caller awaits (with
// other windows' writes, through `AccessibilityElements::awaitSizesAndPositions`) and hands to
// `answered`. A backend that answers a write as it makes it has the answer there already.
// Without a gate the position's checkpoint is a cancellation test only; it is made before the
// size goes out, and when it passes the size and the position are written in one request where
// the backend can, so the window is moved once and its answer awaited once. A cancellation that
// the early test sees still leaves the size written alone, as it would have been; with a gate,
// every write waits for it in turn.
class FrameWrite {
public:
    enum class Need { nothing, gate, answer };

    FrameWrite(const SystemBackend &system, const RectD &target, const WindowReference &reference,
               std::shared_ptr<CancellationFlag> cancellation, bool hasGate, double timeout);

    Need start();
    Need gateAnswered(bool open);
    // The write `pending()` names has its answer.
    Need answered();
    const std::shared_ptr<AXPendingFrameWrite> &pending() const { return pending_; }

    const FrameApplyResult &result() const { return result_; }

private:
    enum class Checkpoint { size, position, repeat, repeatPosition };
    // What is on its way: both parts at once, or one of them, of the first attempt or the
    // repetition.
    enum class Sent { pair, size, position };

    bool cancelled() const;
    Need arrive(Checkpoint checkpoint);
    Need pass(Checkpoint checkpoint);
    Need send(Sent parts, bool repeat);
    Need afterFirstAttempt();
    // Records a pair's answer; whether the size write found access turned off.
    bool recordPair(const AXFrameWriteResult &written, std::optional<AXWriteFailure> &sizeFailure,
                    std::optional<AXWriteFailure> &positionFailure);
    void readAfter();
    Need finish();
    bool needsRepeat() const;
    bool afterIsOff() const;

    SystemBackend system_;
    WindowReference reference_;
    std::shared_ptr<CancellationFlag> cancellation_;
    bool hasGate_;
    double timeout_;
    Checkpoint waitingAt_ = Checkpoint::size;
    Sent sent_ = Sent::pair;
    bool repeat_ = false;
    std::shared_ptr<AXPendingFrameWrite> pending_;
    FrameApplyResult result_;
};

} // namespace ostrel
