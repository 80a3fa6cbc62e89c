#pragma once

#include "model/RectD.h"

#include <QHashFunctions>

namespace ostrel {

// A window frame as fractions of its display's visible frame, which is what a layout keeps for
// each window so that it can come back on a display of another size. A window filling the
// visible frame is (0, 0, 1, 1); one left of or above it has a negative x or y.
struct RelativeFrame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const RelativeFrame &, const RelativeFrame &) = default;

    // Never fails: a non-finite value or an empty visible frame gives (0, 0, 0.5, 0.5).
    static RelativeFrame fromFrame(const RectD &frame, const RectD &visibleFrame);

    // The absolute frame against a visible frame, unrounded. Against an unusable visible frame
    // the fractions themselves come back, with a non-positive size replaced by 0.
    RectD absolute(const RectD &visibleFrame) const;

    // Whether the value may be written to or accepted from the database: finite, a positive
    // size, and nothing beyond sixteen display widths or heights.
    bool isStorable() const;
};

size_t qHash(const RelativeFrame &frame, size_t seed = 0) noexcept;

} // namespace ostrel
