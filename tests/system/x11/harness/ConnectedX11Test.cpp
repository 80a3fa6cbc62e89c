#include "ConnectedX11Test.h"

namespace ostrel::test {

void ConnectedX11Test::connectBackend(const QStringList &desktopEntryDirs)
{
    backend = x11::X11Backend::connect(x.display(), desktopEntryDirs);
    ASSERT_TRUE(backend) << "no backend on " << x.display();
    system = backend->backend();
}

} // namespace ostrel::test
