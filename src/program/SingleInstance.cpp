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

// The reason a lock file cannot be used, from the error of opening it.
QString openProblem(int error)
{
    // O_NOFOLLOW: a link where the lock belongs may point anywhere, another user's file
    // included.
    return error == ELOOP ? QStringLiteral("it is a symbolic link") : qt_error_string(error);
}

// Whether `path` is a socket that this user made: only such a socket is the running program's.
// A link there is never followed.
bool isOwnSocket(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISSOCK(status.st_mode)
        && status.st_uid == ::geteuid();
}

// The socket that the running program named in its lock file, or nothing.
QString namedSocket(const QString &lockFile)
{
    const int fd = ::open(QFile::encodeName(lockFile).constData(),
                          O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        return {};
    }
    struct stat status = {};
    QByteArray text(4096, '\0');
    ssize_t length = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()) {
        length = ::pread(fd, text.data(), size_t(text.size()), 0);
    }
    ::close(fd);
    if (length <= 0) {
        return {};
    }
    text.truncate(length);
    const QString path = QFile::decodeName(text.left(text.indexOf('\n')));
    return QDir::isAbsolutePath(path) ? path : QString();
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
                QStringLiteral("Ostrel can’t answer a later start: its socket needs a folder that "
                               "only you can open, and “%1” %2. Set XDG_RUNTIME_DIR to such a "
                               "folder.")
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

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : SingleInstance(QStringList{folder}, folder, parent)
{
}

SingleInstance::SingleInstance(QStringList lockFolders, QString socketFolder, QObject *parent)
    : QObject(parent)
    , socketFolder_(std::move(socketFolder))
{
    const auto unusable = [&](const QString &reason) {
        lockState_ = LockState::unusable;
        lockProblem_ = QStringLiteral("Ostrel can’t start: its lock file “%1” can’t be used (%2).")
                           .arg(lockFile_, reason);
    };
    int fd = -1;
    for (qsizetype i = 0; i < lockFolders.size(); ++i) {
        lockFile_ = lockPath(lockFolders[i]);
        const QByteArray name = QFile::encodeName(lockFile_);
        // Close-on-exec: a program started from here (a file browser) must not carry the lock on
        // after this one has ended. Non-blocking: a FIFO in its place must not hold the start
        // up. No links followed.
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            break;
        }
        const int error = errno;
        struct stat status = {};
        // A folder that cannot hold a lock file at all (missing, or made read-only by its
        // owner, in which case the store cannot be written either) passes to the next one.
        // Anything in the lock's place is what it is: refused.
        if (i + 1 < lockFolders.size() && ::lstat(name.constData(), &status) != 0) {
            continue;
        }
        unusable(openProblem(error));
        return;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        unusable(QStringLiteral("it is not a regular file"));
        return;
    }
    if (status.st_uid != ::geteuid()) {
        ::close(fd);
        unusable(QStringLiteral("it belongs to another user"));
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
    if (socketFolder_.isEmpty()) {
        listenProblem_ = QStringLiteral("it has no folder for its socket");
        return false;
    }
    const QString path = socketPath(socketFolder_);
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) == 0) {
        if (!isOwnSocket(path)) {
            listenProblem_ =
                QStringLiteral("“%1” is in the way, and it is not a socket of yours").arg(path);
            return false;
        }
        // Whoever made the socket has ended: the lock is ours.
        QLocalServer::removeServer(path);
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
    if (!server_->listen(path)) {
        listenProblem_ =
            QStringLiteral("“%1” can’t be made (%2)").arg(path, server_->errorString());
        delete server_;
        server_ = nullptr;
        return false;
    }
    // A later start reads here which socket to ask, whatever its own runtime folder.
    const QByteArray named = QFile::encodeName(path) + '\n';
    if (::ftruncate(lockFd_, 0) != 0
        || ::pwrite(lockFd_, named.constData(), size_t(named.size()), 0) != named.size()) {
        // Only a later start with another runtime folder misses the socket then.
    }
    return true;
}

void SingleInstance::stopListening()
{
    delete server_;
    server_ = nullptr;
    if (lockFd_ >= 0 && ::ftruncate(lockFd_, 0) != 0) {
        // The socket named there is gone anyway: a later start finds nobody listening.
    }
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

bool SingleInstance::askToShowPanel(std::chrono::milliseconds timeout) const
{
    return askToShowPanel(lockFile_, socketFolder_, timeout);
}

bool SingleInstance::askToShowPanel(const QString &folder, std::chrono::milliseconds timeout)
{
    return askToShowPanel(lockPath(folder), folder, timeout);
}

bool SingleInstance::askToShowPanel(const QString &lockFile, const QString &socketFolder,
                                    std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    // The running program answers once its panel can show the layouts; until then it is not
    // listening yet (and has named no socket), and the request is tried again.
    while (!deadline.hasExpired()) {
        QString path = namedSocket(lockFile);
        if (path.isEmpty() && !socketFolder.isEmpty()) {
            path = socketPath(socketFolder);
        }
        QLocalSocket socket;
        if (!path.isEmpty() && isOwnSocket(path)) {
            socket.connectToServer(path);
        }
        if (socket.state() != QLocalSocket::UnconnectedState
            && socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
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
