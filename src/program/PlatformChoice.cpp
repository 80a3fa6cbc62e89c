#include "program/PlatformChoice.h"

#include "system/x11/X11Connection.h"

#include <QDir>
#include <QLibraryInfo>
#include <QtGlobal>

namespace ostrel {

bool choosePlatform()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return true;
    }
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && x11::X11Connection::open({}, 2.0)) {
        return true;
    }
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath)
                         + QStringLiteral("/platforms"));
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !platforms.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        return true;
    }
    return false;
}

} // namespace ostrel
