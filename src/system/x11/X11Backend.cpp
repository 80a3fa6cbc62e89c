#include "system/x11/X11Backend.h"

namespace ostrel::x11 {

std::unique_ptr<X11Backend> X11Backend::connect(const std::string &display,
                                                QStringList desktopEntryDirs,
                                                QDBusConnection sessionBus)
{
    auto connection = X11Connection::open(display);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<X11Backend>(new X11Backend(
        std::make_unique<X11Desktop>(std::move(connection), std::move(desktopEntryDirs)),
        std::move(sessionBus)));
}

X11Backend::X11Backend(std::unique_ptr<X11Desktop> desktop, QDBusConnection sessionBus)
    : desktop_(std::move(desktop))
    , trust_(*desktop_)
    , pages_(std::move(sessionBus),
             [desktop = desktop_.get()](xcb_window_t window, Deadline deadline) {
                 return readWindowTitle(desktop->connection(), window, deadline);
             })
    , elements_(*desktop_, clock_, &pages_)
    , applications_(*desktop_)
    , windowServer_(*desktop_)
    , screens_(*desktop_)
    , pointer_(desktop_->sharedConnection())
{
}

SystemBackend X11Backend::backend()
{
    return SystemBackend{&trust_,   &elements_, &applications_, &windowServer_,
                         &screens_, &pointer_,  &clock_};
}

} // namespace ostrel::x11
