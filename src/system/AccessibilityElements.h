#pragma once

#include "model/AXElement.h"
#include "system/AXValue.h"

#include <QString>

namespace ostrel {

// Elements of other applications (an application, its windows, the elements inside a
// window) and their attributes.
//
// A backend must guarantee:
// - Every read and write returns within the messaging timeout last set on that element (a
//   default of 6 seconds applies until one is set); a peer that does not answer in time gives
//   `AXError::cannotComplete`, never a hang.
// - Every failure is a status, never an exception: an element that no longer exists gives
//   `invalidUIElement`, an attribute it does not have `noValue` or `attributeUnsupported`,
//   and every call made while the process is not trusted gives `apiDisabled`.
// - Element handles are plain values: equal handles are the same element. A window element
//   stays the same handle for as long as the window lives, so handles kept in references can
//   be compared with handles read later. `applicationElement` gives equal handles for equal
//   process identifiers.
// - All functions may be called from any thread, also concurrently (the window service's
//   actor thread, the restore engine's actor thread, the main thread).
// - Writes are `AXAttribute::position` with an `AXPoint` and `AXAttribute::size` with an
//   `AXSize`, both in global top-left points; a write returns after the application has
//   applied the value or the timeout has passed, so that a read right after it sees the result.
class AccessibilityElements {
public:
    virtual ~AccessibilityElements() = default;

    virtual AXElement applicationElement(qint32 pid) = 0;
    virtual void setMessagingTimeout(AXElement element, double seconds) = 0;
    virtual AXAttributeResult copyAttributeValue(AXElement element, const QString &attribute) = 0;
    virtual AXError setAttributeValue(AXElement element, const QString &attribute,
                                      const AXValue &value) = 0;
};

} // namespace ostrel
