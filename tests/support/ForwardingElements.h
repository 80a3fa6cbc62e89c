#pragma once

#include "system/AccessibilityElements.h"

namespace ostrel::test {

// Passes every read and write to another backend's elements; a test double derives from it and
// replaces only the calls it watches or holds back.
class ForwardingElements : public AccessibilityElements {
public:
    explicit ForwardingElements(AccessibilityElements &inner)
        : inner_(inner)
    {
    }

    AXElement applicationElement(qint32 pid) override { return inner_.applicationElement(pid); }
    void setMessagingTimeout(AXElement element, double s) override
    {
        inner_.setMessagingTimeout(element, s);
    }
    AXAttributeResult copyAttributeValue(AXElement element, const QString &attribute) override
    {
        return inner_.copyAttributeValue(element, attribute);
    }
    AXError setAttributeValue(AXElement element, const QString &attribute,
                              const AXValue &value) override
    {
        return inner_.setAttributeValue(element, attribute, value);
    }
    std::optional<AXFrameWriteResult> setSizeAndPosition(AXElement element, const AXSize &size,
                                                         const AXPoint &position) override
    {
        return inner_.setSizeAndPosition(element, size, position);
    }

protected:
    AccessibilityElements &inner_;
};

} // namespace ostrel::test
