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
// gate, cancellation again). The caller drives it: `start` and `resume` run on the window
// service's thread until the write is done or waits at a checkpoint for the gate, which the
// caller then asks elsewhere and hands to `resume`.
// Without a gate the position's checkpoint is a cancellation test only; it is made before the
// size goes out, and when it passes the size and the position are written in one operation
// (`AccessibilityElements::setSizeAndPosition`) where the backend can, so the window is moved
// once and its answer awaited once. A cancellation that the early test sees still leaves the
// size written alone, as it would have been; with a gate, every write waits for it in turn.
class FrameWrite {
public:
    FrameWrite(const SystemBackend &system, const RectD &target, const WindowReference &reference,
               std::shared_ptr<CancellationFlag> cancellation, bool hasGate);

    // Both return true when the write is done and `result` is final.
    bool start();
    bool resume(bool gateOpen);

    // Driven together with the writes of other windows (no gate): the pairs of size and
    // position writes are begun here and awaited by the caller with the others'. `startTogether`
    // runs up to the first pair and begins it; `pairAnswered` takes its answer and runs on, up
    // to the repeated pair (begun in turn) or to the end. Both return the pair now on its way,
    // none when the write is done. Where the backend cannot begin a pair, the writes go one at
    // a time as `start` makes them.
    std::shared_ptr<AXPendingFrameWrite> startTogether();
    std::shared_ptr<AXPendingFrameWrite> pairAnswered(const AXFrameWriteResult &written);

    const FrameApplyResult &result() const { return result_; }

private:
    enum class Checkpoint { size, position, repeat, repeatPosition };

    bool cancelled() const;
    bool arrive(Checkpoint checkpoint);
    bool pass(Checkpoint checkpoint);
    // Records the write's failure in `failure`; true when the write found access turned off.
    bool write(const QString &attribute, const AXValue &value,
               std::optional<AXWriteFailure> &failure);
    // The size and then the position in one request (see the class comment); records both
    // failures and a lost permission. Nothing when the backend writes one attribute at a time
    // (nothing was written); else whether the size write found access turned off, so the
    // position was not written.
    std::optional<bool> writePair(std::optional<AXWriteFailure> &sizeFailure,
                                  std::optional<AXWriteFailure> &positionFailure);
    // Records a pair's answer; whether the size write found access turned off.
    bool recordPair(const AXFrameWriteResult &written, std::optional<AXWriteFailure> &sizeFailure,
                    std::optional<AXWriteFailure> &positionFailure);
    // Together: begins the pair of this checkpoint (size or repeat); false when the backend
    // cannot, and nothing was sent.
    bool beginPair(Checkpoint checkpoint);
    // The read-back after the first size and position writes, and the decision to repeat.
    bool afterFirstAttempt();
    void readAfter();
    bool finish();
    bool needsRepeat() const;
    bool afterIsOff() const;

    SystemBackend system_;
    WindowReference reference_;
    std::shared_ptr<CancellationFlag> cancellation_;
    bool hasGate_;
    Checkpoint waitingAt_ = Checkpoint::size;
    bool together_ = false;
    std::shared_ptr<AXPendingFrameWrite> pair_; // the pair on its way, when together
    FrameApplyResult result_;
};

} // namespace ostrel
