#include "program/UnavailableDesktop.h"

#include <QCoreApplication>

namespace ostrel {

SystemBackend UnavailableDesktop::backend()
{
    return SystemBackend{this, this, this, this, this, this, &clock_};
}

AXElement UnavailableDesktop::applicationElement(qint32 pid)
{
    return AXElement{static_cast<quint64>(static_cast<quint32>(pid))};
}

AXAttributeResult UnavailableDesktop::copyAttributeValue(AXElement, const QString &)
{
    return AXAttributeResult{AXError::apiDisabled, {}};
}

AXError UnavailableDesktop::setAttributeValue(AXElement, const QString &, const AXValue &)
{
    return AXError::apiDisabled;
}

qint32 UnavailableDesktop::ownProcessIdentifier()
{
    return static_cast<qint32>(QCoreApplication::applicationPid());
}

std::optional<QString> UnavailableDesktop::ownBundleIdentifier()
{
    return QStringLiteral("local.ostrel.app");
}

HotKeyRegistry::Installation UnavailableDesktop::installHandler(Pressed)
{
    return Installation{HotKeyStatus::success, nextReference_++};
}

HotKeyRegistry::Registration UnavailableDesktop::registerHotKey(quint32, quint32, HotKeyID)
{
    return Registration{HotKeyStatus::success, nextReference_++};
}

} // namespace ostrel
