#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// The colour in which restored windows are outlined for a moment. The raw value is the stored
// setting; the views map each case to the desktop's matching colour.
enum class HighlightColor { blue, indigo, purple, pink, red, orange, yellow, green, teal, graphite };

QString rawValue(HighlightColor color);
QString label(HighlightColor color); // "Blue", …, "Graphite"

template <>
std::optional<HighlightColor> fromRawValue<HighlightColor>(const QString &text);
template <>
QList<HighlightColor> allCases<HighlightColor>();

inline size_t qHash(HighlightColor color, size_t seed = 0) noexcept
{
    return qHash(rawValue(color), seed);
}

} // namespace ostrel
