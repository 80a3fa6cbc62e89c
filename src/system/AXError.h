#pragma once

#include <QtGlobal>

namespace ostrel {

// The status of one Accessibility call, with the numeric codes the services were designed
// around. The codes matter beyond their names: write failures are classified by code, and a
// code outside this list still has to travel through unchanged.
enum class AXError : qint32 {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    invalidUIElementObserver = -25203,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    actionUnsupported = -25206,
    notificationUnsupported = -25207,
    notImplemented = -25208,
    notificationAlreadyRegistered = -25209,
    notificationNotRegistered = -25210,
    apiDisabled = -25211,
    noValue = -25212,
    parameterizedAttributeUnsupported = -25213,
    notEnoughPrecision = -25214,
};

constexpr qint32 code(AXError error)
{
    return static_cast<qint32>(error);
}

} // namespace ostrel
