#pragma once

#include <QDBusConnection>
#include <QString>

#include <functional>

namespace ostrel {

// Shows a folder in the desktop's file browser: through the file manager's D-Bus interface
// (org.freedesktop.FileManager1) where the session bus has one, which opens the folder in a
// window of its own, else through the desktop's handler of file URLs. Returns at once; the
// fallback is taken when the call fails, and `unopened` runs when the fallback has no handler.
void revealFolder(const QDBusConnection &sessionBus, const QString &folder,
                  std::function<void()> unopened);

} // namespace ostrel
