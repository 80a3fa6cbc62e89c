#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>
#include <QString>

namespace ostrel {

// The colour in which restored windows are outlined for a moment. The raw value is the stored
// setting; the views map each case to the desktop's matching colour.
enum class HighlightColor {
    blue,
    indigo,
    purple,
    pink,
    red,
    orange,
    yellow,
    green,
    teal,
    graphite
};

template <>
struct RawValues<HighlightColor> {
    // clang-format off
    static constexpr std::pair<HighlightColor, const char *> cases[] = {
        {HighlightColor::blue, "blue"},     {HighlightColor::indigo, "indigo"},
        {HighlightColor::purple, "purple"}, {HighlightColor::pink, "pink"},
        {HighlightColor::red, "red"},       {HighlightColor::orange, "orange"},
        {HighlightColor::yellow, "yellow"}, {HighlightColor::green, "green"},
        {HighlightColor::teal, "teal"},     {HighlightColor::graphite, "graphite"},
    };
    // clang-format on
};

// "Blue", "Indigo", …, "Graphite": the raw value with a capital.
QString label(HighlightColor color);

inline size_t qHash(HighlightColor color, size_t seed = 0) noexcept
{
    return qHash(rawValue(color), seed);
}

} // namespace ostrel
