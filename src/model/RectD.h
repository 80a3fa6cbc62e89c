#pragma once

#include <QHashFunctions>

namespace ostrel {

// A rectangle in points in the one global space: origin at the top left of the primary display,
// y growing downwards.
struct RectD {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    // Exact comparison: 0 equals -0, and a rectangle holding a NaN is unequal to itself.
    friend bool operator==(const RectD &, const RectD &) = default;

    // All four values finite, width and height positive.
    bool isUsableFrame() const;

    // Each of the four values within `tolerance` of the other's; a NaN anywhere gives false.
    bool isApproximatelyEqual(const RectD &other, double tolerance) const;

    // Fits the rectangle into `bounds`, growing it to the minimum size first. A window wider
    // than the bounds is pinned to their left edge; a taller one keeps its y as long as at least
    // 28 points of it stay visible above the bottom edge. The result is rounded to whole points.
    RectD clamped(const RectD &bounds, double minimumWidth, double minimumHeight) const;

    // Every value rounded to a whole point, halves away from zero.
    RectD rounded() const;
};

size_t qHash(const RectD &rect, size_t seed = 0) noexcept;

} // namespace ostrel
