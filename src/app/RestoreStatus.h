#pragma once

#include "model/MissingDisplayPrompt.h"
#include "model/OperationKind.h"
#include "model/ResolutionRequest.h"
#include "model/RestoreProgress.h"
#include "model/RestoreResult.h"
#include "model/UndoInfo.h"

#include <optional>

namespace ostrel {

// What the model is doing and what its last restore left: the running operation (a capture, a
// save and a reset count too, since they hold off a restore), the pass's progress and result,
// what an undo would revert, and the two decisions a restore may wait for.
struct RestoreStatus {
    std::optional<OperationKind> busy;
    std::optional<RestoreProgress> progress;
    std::optional<RestoreResult> lastResult;
    std::optional<UndoInfo> undoInfo;
    std::optional<MissingDisplayPrompt> missingDisplayPrompt;
    std::optional<ResolutionRequest> resolutionRequest;

    friend bool operator==(const RestoreStatus &, const RestoreStatus &) = default;
};

} // namespace ostrel
