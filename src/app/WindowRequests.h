#pragma once

#include "model/CapturePreview.h"
#include "model/UserFacingError.h"

#include <QUuid>

#include <optional>

namespace ostrel {

// What the model holds for a window to show: the capture the save window names, the layout the
// details window manages, and the alert the panel shows.
struct WindowRequests {
    std::optional<CapturePreview> pendingCapture;
    std::optional<QUuid> manageLayoutID;
    std::optional<UserFacingError> activeError;

    friend bool operator==(const WindowRequests &, const WindowRequests &) = default;
};

} // namespace ostrel
