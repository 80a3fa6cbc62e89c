#include "program/FolderReveal.h"

#include "program/ProgramLog.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace ostrel {

void revealFolder(const QDBusConnection &sessionBus, const QString &folder,
                  std::function<void()> unopened)
{
    const QUrl url = QUrl::fromLocalFile(folder);
    // Qt answers false when the desktop has no handler of folders (no xdg-open or the like).
    const auto openByUrl = [url, unopened] {
        if (!QDesktopServices::openUrl(url)) {
            qCWarning(programLog).noquote()
                << "No program could show the folder" << url.toLocalFile();
            if (unopened) {
                unopened();
            }
        }
    };
    if (!sessionBus.isConnected()) {
        openByUrl();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    call << QStringList{url.toString(QUrl::FullyEncoded)} << QString();
    auto *watcher =
        new QDBusPendingCallWatcher(sessionBus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, openByUrl] {
        // No file manager on the bus (nor one it can start), or it refused: the desktop's own
        // handler of folders still opens it.
        if (watcher->isError()) {
            openByUrl();
        }
        watcher->deleteLater();
    });
}

} // namespace ostrel
