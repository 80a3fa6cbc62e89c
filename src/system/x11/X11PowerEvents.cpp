#include "system/x11/X11PowerEvents.h"

#include "system/x11/DBusCalls.h"

#include <QDBusMessage>

namespace ostrel::x11 {

namespace {

const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString screenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");

} // namespace

X11PowerEvents::X11PowerEvents(QDBusConnection systemBus, QDBusConnection sessionBus,
                               QObject *parent)
    : PowerEvents(parent)
    , systemBus_(std::move(systemBus))
    , sessionBus_(std::move(sessionBus))
{
    if (systemBus_.isConnected()) {
        systemBus_.connect(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    }
    if (!sessionBus_.isConnected()) {
        answered_ = true;
        return;
    }
    sessionBus_.connect(screenSaverService, screenSaverPath, screenSaverInterface,
                        QStringLiteral("ActiveChanged"), this,
                        SLOT(screenSaverActiveChanged(bool)));
    const QDBusMessage message = QDBusMessage::createMethodCall(
        screenSaverService, screenSaverPath, screenSaverInterface, QStringLiteral("GetActive"));
    callAsync(sessionBus_, message, callTimeoutMs, this, [this](const QDBusMessage &reply) {
        const QVariant active = firstArgument(reply);
        // The service sent this answer after any signal that reached us before it: it is the
        // newest word.
        if (active.metaType() == QMetaType::fromType<bool>()) {
            setScreenSaverActive(active.toBool());
        }
        answered_ = true;
        emit answered();
    });
}

void X11PowerEvents::prepareForSleep(bool starting)
{
    if (starting) {
        emit willSleep();
    } else {
        emit didWake();
    }
}

void X11PowerEvents::screenSaverActiveChanged(bool active)
{
    setScreenSaverActive(active);
}

void X11PowerEvents::setScreenSaverActive(bool active)
{
    // Until the screen saver answers the screens count as awake, so only a change from that is
    // news.
    const bool was = screenSaverActive_.value_or(false);
    screenSaverActive_ = active;
    if (active != was) {
        if (active) {
            emit screensDidSleep();
        } else {
            emit screensDidWake();
        }
    }
}

} // namespace ostrel::x11
