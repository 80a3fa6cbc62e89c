#include "program/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <thread>

namespace ostrel {

namespace {

const QByteArray showRequest = "show-panel\n";
const QByteArray shownAnswer = "shown\n";

} // namespace

QString SingleInstance::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::lockPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("ostrel.lock"));
}

QString SingleInstance::socketPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("ostrel.socket"));
}

SingleInstance::SingleInstance(QString folder, QObject *parent)
    : QObject(parent)
    , folder_(std::move(folder))
{
    QDir().mkpath(folder_);
    // Close-on-exec: a program started from here (a file browser) must not carry the lock on
    // after this one has ended.
    const int fd = ::open(QFile::encodeName(lockPath(folder_)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    lockFd_ = fd;
}

SingleInstance::~SingleInstance()
{
    delete server_;
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

bool SingleInstance::listen()
{
    if (lockFd_ < 0) {
        return false;
    }
    if (server_) {
        return server_->isListening();
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
    // Whoever made a socket there has ended: the lock is ours.
    QLocalServer::removeServer(socketPath(folder_));
    return server_->listen(socketPath(folder_));
}

void SingleInstance::stopListening()
{
    delete server_;
    server_ = nullptr;
}

void SingleInstance::answer()
{
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            const QByteArray request = socket->readLine();
            if (request == showRequest) {
                emit showPanelRequested();
                socket->write(shownAnswer);
            }
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::askToShowPanel(const QString &folder, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    // The running program answers once its panel can show the layouts; until then it is not
    // listening yet, and the request is tried again.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath(folder));
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(showRequest);
            if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())))) {
                return false;
            }
            while (!socket.canReadLine() && !deadline.hasExpired()
                   && socket.state() == QLocalSocket::ConnectedState) {
                socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
            }
            return socket.canReadLine() && socket.readLine() == shownAnswer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace ostrel
