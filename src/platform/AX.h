#pragma once

#include "model/AXElement.h"
#include "model/RectD.h"
#include "system/AccessibilityElements.h"

#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// The readers of Accessibility attributes: each kind of value is converted and rejected in one
// place. None of them sets a messaging timeout (the caller sets it on the element first) and
// none fails: a value that cannot be produced comes back absent.
namespace AX {

struct WindowListRead {
    QList<AXElement> windows;
    // Present when the list could not be read, so that a failed read is not mistaken for an
    // application without windows.
    std::optional<AXError> error;
};

WindowListRead windowList(AccessibilityElements &elements, AXElement application);
std::optional<AXPoint> point(const AXValue &value);
std::optional<AXSize> size(const AXValue &value);
// The frame from the position and size, unchecked: callers reject frames they cannot use.
std::optional<RectD> frame(AccessibilityElements &elements, AXElement element);
std::optional<QString> string(AccessibilityElements &elements, AXElement element,
                              const QString &attribute);
// An address as text; a plain text value is taken as it is.
std::optional<QString> urlString(AccessibilityElements &elements, AXElement element,
                                 const QString &attribute);
std::optional<bool> boolean(AccessibilityElements &elements, AXElement element,
                            const QString &attribute);

} // namespace AX

} // namespace ostrel
