#include "program/FolderReveal.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace ostrel {

void revealFolder(const QDBusConnection &sessionBus, const QString &folder)
{
    const QUrl url = QUrl::fromLocalFile(folder);
    if (!sessionBus.isConnected()) {
        QDesktopServices::openUrl(url);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    call << QStringList{url.toString(QUrl::FullyEncoded)} << QString();
    auto *watcher = new QDBusPendingCallWatcher(sessionBus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, url] {
        // No file manager on the bus (nor one it can start), or it refused: the desktop's own
        // handler of folders still opens it.
        if (watcher->isError()) {
            QDesktopServices::openUrl(url);
        }
        watcher->deleteLater();
    });
}

} // namespace ostrel
