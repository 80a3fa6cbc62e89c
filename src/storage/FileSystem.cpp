#include "storage/FileSystem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ostrel {

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// The call's result: 0, or the error number it left behind.
int outcome(int result)
{
    return result == -1 ? errno : 0;
}

int closeKeepingError(int descriptor, int error)
{
    ::close(descriptor);
    return error;
}

int writeAll(int descriptor, const char *data, qsizetype size)
{
    qsizetype written = 0;
    while (written < size) {
        const ssize_t result =
            ::write(descriptor, data + written, static_cast<size_t>(size - written));
        if (result == -1) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        written += result;
    }
    return 0;
}

} // namespace

FileSystem::~FileSystem() = default;

std::shared_ptr<FileSystem> FileSystem::system()
{
    static const std::shared_ptr<FileSystem> real = std::make_shared<FileSystem>();
    return real;
}

bool FileSystem::exists(const QString &path)
{
    struct stat status {};
    return ::lstat(native(path).constData(), &status) == 0;
}

QStringList FileSystem::entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

int FileSystem::makeDirectories(const QString &path)
{
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    QString partial;
    for (const QString &component : absolute.split(QLatin1Char('/'))) {
        partial += component + QLatin1Char('/');
        if (component.isEmpty()) {
            continue;
        }
        // Only the owner may look into a folder this program makes for its data.
        if (::mkdir(native(partial).constData(), 0700) == 0) {
            // The umask may have taken some of the owner's rights.
            ::chmod(native(partial).constData(), 0700);
        } else if (errno != EEXIST) {
            return errno;
        }
    }
    struct stat status {};
    if (::stat(native(absolute).constData(), &status) == -1) {
        return errno;
    }
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

int FileSystem::open(const QString &path, int flags, int &descriptor)
{
    descriptor = ::open(native(path).constData(), flags | O_CLOEXEC, 0600);
    if (descriptor == -1) {
        return errno;
    }
    // The umask may have taken the owner's own rights; a file this call made is the owner's
    // alone, whatever the umask.
    if ((flags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL)) {
        ::fchmod(descriptor, 0600);
    }
    return 0;
}

int FileSystem::close(int descriptor)
{
    return outcome(::close(descriptor));
}

int FileSystem::write(int descriptor, const QByteArray &data)
{
    return writeAll(descriptor, data.constData(), data.size());
}

int FileSystem::fsync(int descriptor)
{
    return outcome(::fsync(descriptor));
}

int FileSystem::lockForWriting(int descriptor, qint64 start, qint64 length)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(start);
    lock.l_len = static_cast<off_t>(length);
    return outcome(::fcntl(descriptor, F_SETLK, &lock));
}

int FileSystem::restrictToOwner(const QString &path)
{
    struct stat status {};
    if (::lstat(native(path).constData(), &status) == -1) {
        return errno;
    }
    if (S_ISLNK(status.st_mode)) {
        return 0;
    }
    // Only ever narrowed: a folder or file that its owner made read-only stays so.
    const mode_t mode = status.st_mode & 07700;
    if ((status.st_mode & 07777) == mode) {
        return 0;
    }
    return outcome(::chmod(native(path).constData(), mode));
}

int FileSystem::link(const QString &from, const QString &to)
{
    return outcome(::link(native(from).constData(), native(to).constData()));
}

int FileSystem::unlink(const QString &path)
{
    return outcome(::unlink(native(path).constData()));
}

int FileSystem::rename(const QString &from, const QString &to)
{
    return outcome(::rename(native(from).constData(), native(to).constData()));
}

int FileSystem::copy(const QString &from, const QString &to)
{
    const int source = ::open(native(from).constData(), O_RDONLY | O_CLOEXEC);
    if (source == -1) {
        return errno;
    }
    const int destination =
        ::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (destination == -1) {
        return closeKeepingError(source, errno);
    }
    ::fchmod(destination, 0600);
    char buffer[64 * 1024];
    int error = 0;
    for (;;) {
        const ssize_t count = ::read(source, buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count == -1) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        error = writeAll(destination, buffer, static_cast<qsizetype>(count));
        if (error != 0) {
            break;
        }
    }
    ::close(source);
    if (::close(destination) == -1 && error == 0) {
        error = errno;
    }
    return error;
}

QString errorText(int error)
{
    const QString system = QString::fromStdString(std::generic_category().message(error));
    QString lead;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        lead = QStringLiteral("The disk is full");
        break;
    case EROFS:
        lead = QStringLiteral("The disk is read-only");
        break;
    case EACCES:
    case EPERM:
        lead = QStringLiteral("The storage folder is read-only or cannot be written");
        break;
    case EBUSY:
    case ETXTBSY:
        lead = QStringLiteral("The file is in use");
        break;
    case EIO:
        lead = QStringLiteral("The disk reported an I/O error");
        break;
    default:
        return system;
    }
    return lead + QStringLiteral(" (") + system + QLatin1Char(')');
}

void flush(FileSystem &files, const QString &path)
{
    int descriptor = -1;
    if (files.open(path, O_RDONLY, descriptor) != 0) {
        return;
    }
    files.fsync(descriptor);
    files.close(descriptor);
}

} // namespace ostrel
