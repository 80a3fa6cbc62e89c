#pragma once

#include "model/RectD.h"

#include <cmath>

namespace ostrel::RestoreGeometry {

// A window within this many points of its target on every value is in place (or reached it).
inline constexpr double placedTolerance = 4.0;
// A window whose frame changed by more than this in some value moved.
inline constexpr double movedTolerance = 0.5;
// A display whose visible frame is within this of the journaled one counts as unchanged.
inline constexpr double unchangedDisplayTolerance = 2.0;
// Every target is clamped into its display's visible frame with at least this size.
inline constexpr double minimumWidth = 80.0;
inline constexpr double minimumHeight = 60.0;

// Some value of the two frames differs by more than `tolerance`. Not the negation of
// `isApproximatelyEqual`: a value that is not a number differs by nothing here.
inline bool differsBy(const RectD &a, const RectD &b, double tolerance)
{
    return std::abs(a.x - b.x) > tolerance || std::abs(a.y - b.y) > tolerance
        || std::abs(a.width - b.width) > tolerance || std::abs(a.height - b.height) > tolerance;
}

} // namespace ostrel::RestoreGeometry
