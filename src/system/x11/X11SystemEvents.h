#pragma once

#include "system/x11/X11ApplicationEvents.h"
#include "system/x11/X11Backend.h"
#include "system/x11/X11DisplayEvents.h"
#include "system/x11/X11EventPump.h"
#include "system/x11/X11PowerEvents.h"
#include "system/x11/X11SessionEvents.h"
#include "system/x11/X11TrustEvents.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <memory>

namespace ostrel::x11 {

// Every outside signal the model follows on an X11 desktop, built on one backend: displays,
// applications and the window manager (the trust) from the backend's X connection (its events read
// on the main thread), the login session and sleep from the system bus, the screen saver from the
// session bus, and activation from the Qt application. A bus that is not connected leaves its
// signals silent, so a test that must not reach the machine's buses passes disconnected ones
// (`QDBusConnection(name)`) or private ones. Main thread only; the backend must outlive this
// object.
class X11SystemEvents {
public:
    explicit X11SystemEvents(X11Backend &backend,
                             QDBusConnection systemBus = QDBusConnection::systemBus(),
                             QDBusConnection sessionBus = QDBusConnection::sessionBus(),
                             QObject *application = QCoreApplication::instance());

    X11SessionEvents &session() { return session_; }
    X11PowerEvents &power() { return power_; }
    X11DisplayEvents &displays() { return displays_; }
    X11ApplicationEvents &applications() { return applications_; }
    X11TrustEvents &trust() { return trust_; }

private:
    std::shared_ptr<X11EventPump> pump_;
    X11DisplayEvents displays_;
    X11ApplicationEvents applications_;
    X11TrustEvents trust_;
    X11SessionEvents session_;
    X11PowerEvents power_;
};

} // namespace ostrel::x11
