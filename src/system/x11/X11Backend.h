#pragma once

#include "system/SystemBackend.h"
#include "system/x11/SteadyClock.h"
#include "system/x11/X11Applications.h"
#include "system/x11/X11Desktop.h"
#include "system/x11/X11Elements.h"
#include "system/x11/X11PageAddresses.h"
#include "system/x11/X11PointerButtons.h"
#include "system/x11/X11Screens.h"
#include "system/x11/X11Trust.h"
#include "system/x11/X11WindowServerList.h"

#include <QDBusConnection>

#include <memory>

namespace ostrel::x11 {

// The whole X11 backend on one connection. Hot keys, key labels and overlays build on the same
// connection (`connection()`), subscribing to its events.
class X11Backend {
public:
    // Null when no X server answers (e.g. a Wayland-only session). Browser windows' page
    // addresses come from the accessibility bus that the session bus names; without one
    // connected (the default) they have none.
    static std::unique_ptr<X11Backend>
    connect(const std::string &display = {}, QStringList desktopEntryDirs = {},
            QDBusConnection sessionBus = QDBusConnection(QStringLiteral("ostrel-no-session-bus")));

    SystemBackend backend();
    X11Connection &connection() { return desktop_->connection(); }
    const std::shared_ptr<X11Connection> &sharedConnection() const
    {
        return desktop_->sharedConnection();
    }
    X11Desktop &desktop() { return *desktop_; }
    X11FrameWriter &frameWriter() { return elements_.frameWriter(); }

private:
    X11Backend(std::unique_ptr<X11Desktop> desktop, QDBusConnection sessionBus);

    std::unique_ptr<X11Desktop> desktop_;
    SteadyClock clock_;
    X11Trust trust_;
    X11PageAddresses pages_;
    X11Elements elements_;
    X11Applications applications_;
    X11WindowServerList windowServer_;
    X11Screens screens_;
    X11PointerButtons pointer_;
};

} // namespace ostrel::x11
