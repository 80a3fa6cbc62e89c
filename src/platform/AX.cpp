#include "platform/AX.h"

#include "system/AXAttribute.h"

namespace ostrel::AX {

WindowListRead windowList(AccessibilityElements &elements, AXElement application)
{
    const AXAttributeResult read = elements.copyAttributeValue(application, AXAttribute::windows);
    if (read.error != AXError::success) {
        return {{}, read.error};
    }
    if (const auto *windows = std::get_if<QList<AXElement>>(&read.value)) {
        return {*windows, std::nullopt};
    }
    return {{}, AXError::failure};
}

std::optional<AXPoint> point(const AXValue &value)
{
    if (const auto *p = std::get_if<AXPoint>(&value)) {
        return *p;
    }
    return std::nullopt;
}

std::optional<AXSize> size(const AXValue &value)
{
    if (const auto *s = std::get_if<AXSize>(&value)) {
        return *s;
    }
    return std::nullopt;
}

std::optional<RectD> frame(AccessibilityElements &elements, AXElement element)
{
    const AXAttributeResult position = elements.copyAttributeValue(element, AXAttribute::position);
    if (position.error != AXError::success
        || std::holds_alternative<std::monostate>(position.value)) {
        return std::nullopt;
    }
    const AXAttributeResult extent = elements.copyAttributeValue(element, AXAttribute::size);
    if (extent.error != AXError::success || std::holds_alternative<std::monostate>(extent.value)) {
        return std::nullopt;
    }
    const std::optional<AXPoint> origin = point(position.value);
    const std::optional<AXSize> dimensions = size(extent.value);
    if (!origin || !dimensions) {
        return std::nullopt;
    }
    return RectD{origin->x, origin->y, dimensions->width, dimensions->height};
}

std::optional<QString> string(AccessibilityElements &elements, AXElement element,
                              const QString &attribute)
{
    const AXAttributeResult read = elements.copyAttributeValue(element, attribute);
    if (read.error != AXError::success) {
        return std::nullopt;
    }
    if (const auto *text = std::get_if<QString>(&read.value)) {
        return *text;
    }
    return std::nullopt;
}

std::optional<QString> urlString(AccessibilityElements &elements, AXElement element,
                                 const QString &attribute)
{
    const AXAttributeResult read = elements.copyAttributeValue(element, attribute);
    if (read.error != AXError::success) {
        return std::nullopt;
    }
    if (const auto *url = std::get_if<QUrl>(&read.value)) {
        return url->toString(QUrl::FullyEncoded);
    }
    if (const auto *text = std::get_if<QString>(&read.value)) {
        return *text;
    }
    return std::nullopt;
}

std::optional<bool> boolean(AccessibilityElements &elements, AXElement element,
                            const QString &attribute)
{
    const AXAttributeResult read = elements.copyAttributeValue(element, attribute);
    if (read.error != AXError::success) {
        return std::nullopt;
    }
    if (const auto *number = std::get_if<double>(&read.value)) {
        return *number != 0;
    }
    return std::nullopt;
}

} // namespace ostrel::AX
