#include "system/x11/X11SystemEvents.h"

namespace ostrel::x11 {

X11SystemEvents::X11SystemEvents(X11Backend &backend, QDBusConnection systemBus,
                                 QDBusConnection sessionBus, QObject *application)
    : pump_(X11EventPump::forConnection(backend.sharedConnection()))
    , displays_(backend.desktop(), *backend.backend().screens)
    , applications_(backend.desktop(), application)
    , trust_(backend.desktop(), *backend.backend().trust)
    , session_(systemBus)
    , power_(systemBus, sessionBus)
{
}

} // namespace ostrel::x11
