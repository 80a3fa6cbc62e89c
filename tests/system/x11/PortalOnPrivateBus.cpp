#include "PortalOnPrivateBus.h"

#include "Await.h"

namespace ostrel::test {

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString serviceName = QStringLiteral("portal-service");
const QString clientName = QStringLiteral("portal-client");

} // namespace

PortalOnPrivateBus::PortalOnPrivateBus()
{
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted() || !waitUntil([this] { return daemon_.canReadLine(); })) {
        return;
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    service_ = QDBusConnection::connectToBus(address_, serviceName);
    started_ = service_.isConnected();
}

PortalOnPrivateBus::~PortalOnPrivateBus()
{
    QDBusConnection::disconnectFromBus(clientName);
    QDBusConnection::disconnectFromBus(serviceName);
    daemon_.kill();
    daemon_.waitForFinished();
}

bool PortalOnPrivateBus::publish()
{
    return service_.registerObject(portalPath, this, QDBusConnection::ExportAllSlots)
        && service_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QDBusConnection PortalOnPrivateBus::client()
{
    return QDBusConnection::connectToBus(address_, clientName);
}

void PortalOnPrivateBus::set(const QString &group, const QString &key, const QVariant &value)
{
    values_.insert(group + QLatin1Char(' ') + key, value);
}

void PortalOnPrivateBus::change(const QString &group, const QString &key, const QVariant &value)
{
    set(group, key, value);
    QDBusMessage signal =
        QDBusMessage::createSignal(portalPath, QStringLiteral("org.freedesktop.portal.Settings"),
                                   QStringLiteral("SettingChanged"));
    signal << group << key << QVariant::fromValue(QDBusVariant(value));
    service_.send(signal);
}

QDBusVariant PortalOnPrivateBus::Read(const QString &group, const QString &key,
                                      const QDBusMessage &message)
{
    const auto found = values_.constFind(group + QLatin1Char(' ') + key);
    if (found == values_.constEnd()) {
        message.setDelayedReply(true);
        service_.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                     QStringLiteral("no such setting")));
        return {};
    }
    // Older portals wrap the value twice, as this one does.
    return QDBusVariant(QVariant::fromValue(QDBusVariant(*found)));
}

} // namespace ostrel::test
