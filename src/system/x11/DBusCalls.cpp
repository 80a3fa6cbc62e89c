#include "system/x11/DBusCalls.h"

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace ostrel::x11 {

void callAsync(QDBusConnection &bus, const QDBusMessage &message, int timeoutMs, QObject *context,
               std::function<void(const QDBusMessage &)> then)
{
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [then = std::move(then)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         then(finished->reply());
                     });
}

QVariant unwrapVariant(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

QVariant firstArgument(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return unwrapVariant(reply.arguments().constFirst());
}

} // namespace ostrel::x11
