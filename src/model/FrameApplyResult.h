#pragma once

#include "model/AXWriteFailure.h"
#include "model/RectD.h"

#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// The outcome of one frame write, which the restore engine turns into a per-window outcome.
struct FrameApplyResult {
    RectD target;
    std::optional<RectD> before;               // before the first write
    std::optional<RectD> after;                // read back at the end
    std::optional<AXWriteFailure> sizeFailure; // also when the window is no longer available
    std::optional<AXWriteFailure> positionFailure;
    std::optional<AXWriteFailure> retrySizeFailure;
    std::optional<AXWriteFailure> retryPositionFailure;
    std::optional<AXWriteFailure> readbackFailure;
    bool cancelled = false;
    bool attemptedWrite = false;   // at least the first size write was issued
    bool permissionDenied = false; // trust missing, or a write said access is off
    bool gestureBlocked = false;   // the caller's write gate refused a write

    FrameApplyResult() = default;
    explicit FrameApplyResult(const RectD &target)
        : target(target)
    {
    }

    // The present failures: size, position, retried size, retried position, read-back.
    QList<AXWriteFailure> allFailures() const;
    bool hasPermissionFailure() const;
    bool hasUnsupportedFailure() const; // unsupported or rejected
    bool initialWriteFailed() const;    // the first size or position write; retries don't count
    // Some value moved by more than half a point between before and after.
    bool changed() const;
    // What the user is told: permission first, then the position, size or read-back failure.
    std::optional<QString> message() const;
};

} // namespace ostrel
