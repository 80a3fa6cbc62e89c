#pragma once

#include "model/FrameApplyResult.h"
#include "model/RectD.h"
#include "model/WindowReference.h"

#include <optional>

namespace ostrel {

// What the window service did for one planned move of a restore: the active-desktop test and,
// when the window is still there, the read of its frame before the move and the write.
// A window and the frame to write to it.
struct PlannedWrite {
    RectD target;
    WindowReference reference;
};

struct WindowMove {
    bool onActiveDesktop = false;
    std::optional<RectD> previousFrame; // as `readFrame` gives it
    FrameApplyResult applied;           // meaningful only when `onActiveDesktop`
};

} // namespace ostrel
