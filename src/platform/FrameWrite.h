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
class FrameWrite {
public:
    FrameWrite(const SystemBackend &system, const RectD &target, const WindowReference &reference,
               std::shared_ptr<CancellationFlag> cancellation, bool hasGate);

    // Both return true when the write is done and `result` is final.
    bool start();
    bool resume(bool gateOpen);

    const FrameApplyResult &result() const { return result_; }

private:
    enum class Checkpoint { size, position, repeat, repeatPosition };

    bool cancelled() const;
    bool arrive(Checkpoint checkpoint);
    bool pass(Checkpoint checkpoint);
    // Records the write's failure in `failure`; true when the write found access turned off.
    bool write(const QString &attribute, const AXValue &value,
               std::optional<AXWriteFailure> &failure);
    void readAfter();
    bool finish();
    bool needsRepeat() const;
    bool afterIsOff() const;

    SystemBackend system_;
    WindowReference reference_;
    std::shared_ptr<CancellationFlag> cancellation_;
    bool hasGate_;
    Checkpoint waitingAt_ = Checkpoint::size;
    FrameApplyResult result_;
};

} // namespace ostrel
