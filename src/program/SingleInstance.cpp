#include "program/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <thread>

namespace ostrel {

namespace {

const QByteArray showRequest = "show-panel\n";
const QByteArray shownAnswer = "shown\n";

// What keeps `path` from being a private folder of this user, or nothing. A link is not
// followed: in a shared temporary folder another user could point it anywhere.
std::optional<QString> privateFolderProblem(const QString &path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return QStringLiteral("can’t be read (%1)").arg(qt_error_string(errno));
    }
    if (!S_ISDIR(status.st_mode)) {
        return QStringLiteral("is not a folder");
    }
    if (status.st_uid != ::geteuid()) {
        return QStringLiteral("belongs to another user");
    }
    const unsigned mode = status.st_mode & 07777;
    if (mode != 0700) {
        return QStringLiteral("has mode %1, not 0700").arg(mode, 4, 8, QLatin1Char('0'));
    }
    return std::nullopt;
}

QString userName()
{
    if (const passwd *entry = ::getpwuid(::geteuid()); entry && entry->pw_name && *entry->pw_name) {
        return QFile::decodeName(entry->pw_name);
    }
    return QString::number(::geteuid());
}

} // namespace

SingleInstance::RuntimeFolder SingleInstance::defaultFolder()
{
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && !privateFolderProblem(runtime)) {
        return {runtime, {}};
    }
    // Where Qt and other programs look without a runtime folder from the session.
    const QString fallback =
        QDir(QDir::tempPath()).filePath(QStringLiteral("runtime-") + userName());
    std::optional<QString> problem;
    if (::mkdir(QFile::encodeName(fallback).constData(), 0700) != 0 && errno != EEXIST) {
        problem = QStringLiteral("can’t be made (%1)").arg(qt_error_string(errno));
    } else {
        problem = privateFolderProblem(fallback);
    }
    if (problem) {
        return {{},
                QStringLiteral(
                    "Ostrel can’t start: its lock and socket need a folder that only you can "
                    "open, and “%1” %2. Set XDG_RUNTIME_DIR to such a folder.")
                    .arg(fallback, *problem)};
    }
    return {fallback, {}};
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
    const QString path = lockPath(folder_);
    const auto unusable = [&](const QString &reason) {
        lockState_ = LockState::unusable;
        lockProblem_ = QStringLiteral("Ostrel can’t start: its lock file “%1” can’t be used (%2).")
                           .arg(path, reason);
    };
    // Close-on-exec: a program started from here (a file browser) must not carry the lock on
    // after this one has ended. Non-blocking: a FIFO in its place must not hold the start up.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        unusable(qt_error_string(errno));
        return;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        unusable(QStringLiteral("it is not a regular file"));
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            lockState_ = LockState::heldByAnother;
        } else {
            unusable(qt_error_string(error));
        }
        return;
    }
    lockFd_ = fd;
    lockState_ = LockState::held;
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
