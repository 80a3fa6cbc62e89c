#include "system/x11/X11ReduceMotion.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace ostrel {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString reducedMotionKey = QStringLiteral("reduced-motion");
const QString gnomeInterfaceGroup = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");

// A slow or hung portal must not hold anything up: the value simply stays "motion allowed".
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

X11ReduceMotion::X11ReduceMotion(QDBusConnection bus, QObject *parent)
    : QObject(parent), bus_(std::move(bus))
{
    if (!bus_.isConnected()) {
        return;
    }
    bus_.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"),
                 this, SLOT(settingChanged(QDBusMessage)));
    read(appearanceGroup, reducedMotionKey);
    read(gnomeInterfaceGroup, animationsKey);
}

bool X11ReduceMotion::reduceMotion() const
{
    return value_;
}

QMetaObject::Connection X11ReduceMotion::onChanged(QObject *context,
                                                   std::function<void(bool)> handler)
{
    return connect(this, &X11ReduceMotion::changed, context, std::move(handler));
}

void X11ReduceMotion::read(const QString &group, const QString &key)
{
    QDBusMessage message = QDBusMessage::createMethodCall(portalService, portalPath,
                                                          settingsInterface, QStringLiteral("Read"));
    message << group << key;
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, readTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, group, key](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusMessage reply = call->reply();
                if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                    return; // no portal, or it does not know the key
                }
                apply(group, key, reply.arguments().constFirst());
            });
}

void X11ReduceMotion::settingChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3) {
        return;
    }
    apply(arguments[0].toString(), arguments[1].toString(), arguments[2]);
}

void X11ReduceMotion::apply(const QString &group, const QString &key, const QVariant &wrapped)
{
    const QVariant value = unwrap(wrapped);
    if (group == appearanceGroup && key == reducedMotionKey) {
        // 0 is "no preference", 1 "reduced motion".
        bool ok = false;
        const uint preference = value.toUInt(&ok);
        if (!ok) {
            return;
        }
        appearanceReduced_ = preference == 1;
    } else if (group == gnomeInterfaceGroup && key == animationsKey) {
        if (value.metaType() != QMetaType::fromType<bool>()) {
            return;
        }
        animationsEnabled_ = value.toBool();
    } else {
        return;
    }
    const bool reduced = appearanceReduced_ ? *appearanceReduced_
                                            : (animationsEnabled_ && !*animationsEnabled_);
    if (reduced != value_) {
        value_ = reduced;
        emit changed(reduced);
    }
}

} // namespace ostrel
