#include "system/x11/X11Backend.h"

namespace ostrel::x11 {

std::unique_ptr<X11Backend> X11Backend::connect(const std::string &display,
                                                QStringList desktopEntryDirs)
{
    auto connection = X11Connection::open(display);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<X11Backend>(new X11Backend(
        std::make_unique<X11Desktop>(std::move(connection), std::move(desktopEntryDirs))));
}

X11Backend::X11Backend(std::unique_ptr<X11Desktop> desktop)
    : desktop_(std::move(desktop))
    , trust_(*desktop_)
    , elements_(*desktop_, clock_)
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
