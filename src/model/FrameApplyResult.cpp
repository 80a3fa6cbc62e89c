#include "model/FrameApplyResult.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr double changeThreshold = 0.5;

} // namespace

QList<AXWriteFailure> FrameApplyResult::allFailures() const
{
    QList<AXWriteFailure> failures;
    for (const auto *failure : {&sizeFailure, &positionFailure, &retrySizeFailure,
                                &retryPositionFailure, &readbackFailure}) {
        if (*failure) {
            failures.append(**failure);
        }
    }
    return failures;
}

bool FrameApplyResult::hasPermissionFailure() const
{
    const QList<AXWriteFailure> failures = allFailures();
    return permissionDenied
        || std::any_of(failures.begin(), failures.end(), [](const AXWriteFailure &f) {
               return f.kind == AXWriteFailure::Kind::permission;
           });
}

bool FrameApplyResult::hasUnsupportedFailure() const
{
    const QList<AXWriteFailure> failures = allFailures();
    return std::any_of(failures.begin(), failures.end(), [](const AXWriteFailure &f) {
        return f.kind == AXWriteFailure::Kind::unsupported
            || f.kind == AXWriteFailure::Kind::rejected;
    });
}

bool FrameApplyResult::initialWriteFailed() const
{
    return sizeFailure.has_value() || positionFailure.has_value();
}

bool FrameApplyResult::changed() const
{
    if (!before || !after) {
        return false;
    }
    return std::abs(before->x - after->x) > changeThreshold
        || std::abs(before->y - after->y) > changeThreshold
        || std::abs(before->width - after->width) > changeThreshold
        || std::abs(before->height - after->height) > changeThreshold;
}

std::optional<QString> FrameApplyResult::message() const
{
    if (permissionDenied) {
        return QStringLiteral("Accessibility access is off");
    }
    if (positionFailure) {
        return positionFailure->message;
    }
    if (sizeFailure) {
        return sizeFailure->message;
    }
    if (readbackFailure) {
        return QStringLiteral("The window’s position could not be read back. ")
            + readbackFailure->message;
    }
    return std::nullopt;
}

} // namespace ostrel
