#include "system/x11/PortalSettings.h"

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace ostrel::x11 {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

// A slow or hung portal must hold nothing up.
constexpr int readTimeoutMs = 2000;

// Older portals wrap the answer of Read in a second variant.
QVariant unwrap(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

} // namespace

PortalSettings::PortalSettings(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , bus_(std::move(bus))
{
    if (bus_.isConnected()) {
        bus_.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"),
                     this, SLOT(settingChanged(QDBusMessage)));
    }
}

void PortalSettings::read(const QString &group, const QString &key)
{
    if (!bus_.isConnected()) {
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        portalService, portalPath, settingsInterface, QStringLiteral("Read"));
    message << group << key;
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, readTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, group, key](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusMessage reply = call->reply();
                if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                    emit valueChanged(group, key, unwrap(reply.arguments().constFirst()));
                }
            });
}

void PortalSettings::settingChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() == 3) {
        emit valueChanged(arguments[0].toString(), arguments[1].toString(), unwrap(arguments[2]));
    }
}

} // namespace ostrel::x11
