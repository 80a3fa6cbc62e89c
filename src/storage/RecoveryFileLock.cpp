#include "storage/RecoveryFileLock.h"

#include "model/StorageError.h"
#include "storage/FileSystem.h"

#include <fcntl.h>

namespace ostrel {

namespace {

// SQLite's pending byte, reserved byte and shared range in a database file.
constexpr qint64 lockBytesStart = 0x40000000;
constexpr qint64 lockBytesLength = 0x200;
constexpr qint64 headLength = 8;

} // namespace

RecoveryFileLock::RecoveryFileLock(FileSystem &files, const StorePaths &paths)
    : files_(files)
{
    for (const QString &path : {paths.database, paths.database + QStringLiteral("-shm")}) {
        if (!files_.exists(path)) {
            continue;
        }
        int descriptor = -1;
        if (files_.open(path, O_RDWR, descriptor) != 0) {
            release();
            throw StorageError::storageUnavailable(QStringLiteral(
                "Exclusive recovery access to the layout database could not be established. "
                "Close other apps using it, check file permissions, and try again."));
        }
        if (files_.lockForWriting(descriptor, lockBytesStart, lockBytesLength) != 0
            || files_.lockForWriting(descriptor, 0, headLength) != 0) {
            files_.close(descriptor);
            release();
            throw StorageError::storageUnavailable(
                QStringLiteral("Another app has the layout database open. Close it or try again."));
        }
        descriptors_ << descriptor;
    }
}

RecoveryFileLock::~RecoveryFileLock()
{
    release();
}

void RecoveryFileLock::release()
{
    for (const int descriptor : std::as_const(descriptors_)) {
        files_.close(descriptor);
    }
    descriptors_.clear();
}

} // namespace ostrel
