#include "model/AXWriteFailure.h"

namespace ostrel {

std::optional<AXWriteFailure> AXWriteFailure::make(qint32 code)
{
    if (code == 0) {
        return std::nullopt;
    }
    const QString notMoved = QStringLiteral("The window could not be moved");
    const QString notAvailable = QStringLiteral("The window is no longer available");
    const QString notAllowed = QStringLiteral("The app does not allow this change");
    switch (code) {
    case -25200: // failure
        return AXWriteFailure{Kind::transient, code, notMoved};
    case -25201: // illegal argument
        return AXWriteFailure{Kind::rejected, code, notMoved};
    case -25202: // invalid element
    case -25203: // invalid observer
        return AXWriteFailure{Kind::invalidElement, code, notAvailable};
    case -25204: // cannot complete
        return AXWriteFailure{Kind::transient, code, QStringLiteral("The app did not respond")};
    case -25205: // attribute unsupported
    case -25213: // parameterized attribute unsupported
        return AXWriteFailure{Kind::unsupported, code, notAllowed};
    case -25206: // action unsupported
    case -25207: // notification unsupported
        return AXWriteFailure{Kind::unsupported, code, notMoved};
    case -25208: // not implemented
        return AXWriteFailure{Kind::unsupported, code,
                              QStringLiteral("The app does not support moving this window")};
    case -25211: // API disabled
        return AXWriteFailure{Kind::permission, code,
                              QStringLiteral("Accessibility access is off")};
    case -25214: // not enough precision
        return AXWriteFailure{Kind::rejected, code,
                              QStringLiteral("The app rejected the position or size")};
    default: // notification (un)registered, no value, and anything unknown
        return AXWriteFailure{Kind::other, code, notMoved};
    }
}

AXWriteFailure AXWriteFailure::windowUnavailable()
{
    return {Kind::invalidElement, 0, QStringLiteral("The window is no longer available")};
}

AXWriteFailure AXWriteFailure::readbackUnverified()
{
    return {Kind::transient, 0, QStringLiteral("Couldn’t verify the window’s position or size")};
}

} // namespace ostrel
