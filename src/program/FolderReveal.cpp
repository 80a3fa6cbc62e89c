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

namespace {

void openWithDesktopHandler(const QUrl &url)
{
    if (!QDesktopServices::openUrl(url)) {
        qCWarning(programLog).noquote() << "No program could show the folder" << url.toLocalFile();
    }
}

} // namespace

void revealFolder(const QDBusConnection &sessionBus, const QString &folder)
{
    const QUrl url = QUrl::fromLocalFile(folder);
    if (!sessionBus.isConnected()) {
        openWithDesktopHandler(url);
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
            openWithDesktopHandler(url);
        }
        watcher->deleteLater();
    });
}

} // namespace ostrel
