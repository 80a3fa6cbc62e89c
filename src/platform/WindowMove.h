#pragma once

#include "model/FrameApplyResult.h"
#include "model/RectD.h"
#include "model/WindowReference.h"

#include <optional>

namespace ostrel {

// A window and the frame to write to it.
struct PlannedWrite {
    RectD target;
    WindowReference reference;
};

// What a pass decides at a window's turn in its moves, after its own checks and reads: write the
// window, end it without a write (the pass recorded why), or stop: no window from this one on
// is written.
struct MoveDecision {
    enum class Kind { write, skip, stop };
    Kind kind = Kind::stop;
    PlannedWrite write;

    static MoveDecision writing(const RectD &target, const WindowReference &reference)
    {
        return {Kind::write, {target, reference}};
    }
    static MoveDecision skipping() { return {Kind::skip, {}}; }
    static MoveDecision stopping() { return {Kind::stop, {}}; }
};

} // namespace ostrel
