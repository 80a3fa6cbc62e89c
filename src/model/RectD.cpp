#include "model/RectD.h"

#include "model/Rounding.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

// The part of a taller-than-display window that must stay above the display's bottom edge, so
// that its title bar can still be grabbed.
constexpr double minimumVisibleHeight = 28.0;

} // namespace

bool RectD::isUsableFrame() const
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height)
        && width > 0 && height > 0;
}

bool RectD::isApproximatelyEqual(const RectD &other, double tolerance) const
{
    // Written as "within" tests so that a NaN on either side fails them.
    return std::abs(other.x - x) <= tolerance && std::abs(other.y - y) <= tolerance
        && std::abs(other.width - width) <= tolerance
        && std::abs(other.height - height) <= tolerance;
}

RectD RectD::clamped(const RectD &bounds, double minimumWidth, double minimumHeight) const
{
    if (!bounds.isUsableFrame()) {
        return rounded();
    }
    // `!(a >= b)` also catches a NaN size, which then takes the minimum.
    const double w = !(width >= minimumWidth) ? minimumWidth : width;
    const double h = !(height >= minimumHeight) ? minimumHeight : height;

    const double maxX = std::max(bounds.x + bounds.width - w, bounds.x);
    double maxY = 0;
    if (h <= bounds.height) {
        maxY = bounds.y + bounds.height - h;
    } else {
        maxY = bounds.y + bounds.height - (h >= minimumVisibleHeight ? minimumVisibleHeight : h);
    }
    maxY = std::max(maxY, bounds.y);

    // A NaN position falls back to the bounds' origin rather than poisoning the result.
    const double lowX = std::isnan(x) ? bounds.x : std::max(x, bounds.x);
    const double lowY = std::isnan(y) ? bounds.y : std::max(y, bounds.y);
    return RectD{std::min(maxX, lowX), std::min(maxY, lowY), w, h}.rounded();
}

RectD RectD::rounded() const
{
    return {roundHalfAwayFromZero(x), roundHalfAwayFromZero(y), roundHalfAwayFromZero(width),
            roundHalfAwayFromZero(height)};
}

size_t qHash(const RectD &rect, size_t seed) noexcept
{
    // qHash(double) already hashes -0 as 0, matching equality.
    return qHashMulti(seed, rect.x, rect.y, rect.width, rect.height);
}

} // namespace ostrel
