#pragma once

#include "model/AXElement.h"
#include "system/AXError.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <variant>

namespace ostrel {

// A point or size as the Accessibility interface carries it: top-left global points.
struct AXPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const AXPoint &, const AXPoint &) = default;
};

struct AXSize {
    double width = 0;
    double height = 0;
    friend bool operator==(const AXSize &, const AXSize &) = default;
};

// A value of a type the readers do not understand (a backend may report one rather than
// invent a conversion); readers treat it like a value of the wrong type.
struct AXOtherValue {
    friend bool operator==(const AXOtherValue &, const AXOtherValue &) = default;
};

// An attribute value. `std::monostate` is "no value came back" (a successful call without a
// value), which the readers tell apart from a value of the wrong type. Numbers carry truth
// values too (non-zero is true).
using AXValue = std::variant<std::monostate, QString, QUrl, double, AXPoint, AXSize,
                             QList<AXElement>, AXOtherValue>;

// The outcome of copying one attribute: a status and, on success, the value.
struct AXAttributeResult {
    AXError error = AXError::success;
    AXValue value;
};

} // namespace ostrel
