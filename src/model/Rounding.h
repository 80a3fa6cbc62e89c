#pragma once

#include <QtGlobal>

#include <cmath>
#include <optional>

namespace ostrel {

// Every geometry value that becomes a whole number (signature numbers, clamped frames,
// percentages) is rounded the same way: to the nearest integer, halves away from zero.
inline double roundHalfAwayFromZero(double value)
{
    return std::round(value);
}

// The rounded value as a 64-bit integer, or nothing when the value is not finite or does not
// fit: casting such a double to an integer is undefined behaviour.
inline std::optional<qint64> roundedToInt64(double value)
{
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::round(value);
    // 2^63 is exactly representable; every double below it and at or above -2^63 fits.
    constexpr double limit = 9223372036854775808.0;
    if (rounded < -limit || rounded >= limit) {
        return std::nullopt;
    }
    return static_cast<qint64>(rounded);
}

} // namespace ostrel
