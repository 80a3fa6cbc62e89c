#include "PowerCutDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel::test {

namespace {

PowerCutDisk *activeDisk = nullptr;
sqlite3_vfs *systemVfs = nullptr;
sqlite3_vfs powerCutVfs;
// The system error that the last failure injected here leaves behind, as errno would.
int injectedError = 0;

// SQLite hands each open file a block of szOsFile bytes: ours first, then the system VFS's.
struct alignas(8) WrappedFile {
    sqlite3_file base;
    QString *path;
    bool tracked;
    // A journal or log that SQLite created: the system VFS syncs the folder at its first sync.
    bool syncsFolder;
};

WrappedFile *wrapped(sqlite3_file *file)
{
    return reinterpret_cast<WrappedFile *>(file);
}

sqlite3_file *systemFile(sqlite3_file *file)
{
    return reinterpret_cast<sqlite3_file *>(reinterpret_cast<char *>(file) + sizeof(WrappedFile));
}

bool stepOf(sqlite3_file *file)
{
    return !wrapped(file)->tracked || !activeDisk || activeDisk->step();
}

quint64 inodeOf(const QString &path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

// The whole file, read through SQLite's own handle: opening a descriptor of ours and closing it
// would drop the record locks that SQLite holds on it.
QByteArray contentsOf(sqlite3_file *real)
{
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) {
        return {};
    }
    QByteArray contents(static_cast<qsizetype>(size), '\0');
    if (size > 0
        && real->pMethods->xRead(real, contents.data(), static_cast<int>(size), 0) != SQLITE_OK) {
        return {};
    }
    return contents;
}

int wClose(sqlite3_file *file)
{
    sqlite3_file *real = systemFile(file);
    const int result = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    delete wrapped(file)->path;
    wrapped(file)->path = nullptr;
    return result;
}

int wRead(sqlite3_file *file, void *buffer, int amount, sqlite3_int64 offset)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xRead(real, buffer, amount, offset);
}

int wWrite(sqlite3_file *file, const void *buffer, int amount, sqlite3_int64 offset)
{
    if (wrapped(file)->tracked && activeDisk && activeDisk->writeError() != 0) {
        // As the system's own VFS reports it: a full disk is SQLITE_FULL, anything else an
        // I/O error.
        injectedError = activeDisk->writeError();
        return injectedError == ENOSPC ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    }
    stepOf(file);
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xWrite(real, buffer, amount, offset);
}

int wTruncate(sqlite3_file *file, sqlite3_int64 size)
{
    stepOf(file);
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xTruncate(real, size);
}

int wSync(sqlite3_file *file, int flags)
{
    const bool powered = stepOf(file);
    sqlite3_file *real = systemFile(file);
    const int result = real->pMethods->xSync(real, flags);
    WrappedFile *w = wrapped(file);
    if (result == SQLITE_OK && powered && w->tracked && activeDisk) {
        activeDisk->synced(*w->path, inodeOf(*w->path), contentsOf(real));
        if (w->syncsFolder) {
            activeDisk->folderSynced();
        }
    }
    if (result == SQLITE_OK) {
        w->syncsFolder = false;
    }
    return result;
}

int wFileSize(sqlite3_file *file, sqlite3_int64 *size)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xFileSize(real, size);
}

int wLock(sqlite3_file *file, int level)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xLock(real, level);
}

int wUnlock(sqlite3_file *file, int level)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xUnlock(real, level);
}

int wCheckReservedLock(sqlite3_file *file, int *result)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xCheckReservedLock(real, result);
}

int wFileControl(sqlite3_file *file, int operation, void *argument)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xFileControl(real, operation, argument);
}

int wSectorSize(sqlite3_file *file)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xSectorSize(real);
}

int wDeviceCharacteristics(sqlite3_file *file)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xDeviceCharacteristics(real);
}

int wShmMap(sqlite3_file *file, int page, int pageSize, int extend, void volatile **memory)
{
    if (activeDisk && activeDisk->sharedMemoryError() != 0) {
        injectedError = activeDisk->sharedMemoryError();
        return SQLITE_IOERR_SHMSIZE;
    }
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xShmMap(real, page, pageSize, extend, memory);
}

int wShmLock(sqlite3_file *file, int offset, int count, int flags)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xShmLock(real, offset, count, flags);
}

void wShmBarrier(sqlite3_file *file)
{
    sqlite3_file *real = systemFile(file);
    real->pMethods->xShmBarrier(real);
}

int wShmUnmap(sqlite3_file *file, int deleteFlag)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xShmUnmap(real, deleteFlag);
}

int wFetch(sqlite3_file *file, sqlite3_int64 offset, int amount, void **pointer)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xFetch(real, offset, amount, pointer);
}

int wUnfetch(sqlite3_file *file, sqlite3_int64 offset, void *pointer)
{
    sqlite3_file *real = systemFile(file);
    return real->pMethods->xUnfetch(real, offset, pointer);
}

const sqlite3_io_methods wrappedMethods = {
    3,
    wClose,
    wRead,
    wWrite,
    wTruncate,
    wSync,
    wFileSize,
    wLock,
    wUnlock,
    wCheckReservedLock,
    wFileControl,
    wSectorSize,
    wDeviceCharacteristics,
    wShmMap,
    wShmLock,
    wShmBarrier,
    wShmUnmap,
    wFetch,
    wUnfetch,
};

int vOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    WrappedFile *w = wrapped(file);
    w->path = nullptr;
    w->tracked = false;
    w->syncsFolder = false;
    file->pMethods = nullptr;
    const int result = systemVfs->xOpen(systemVfs, name, systemFile(file), flags, outFlags);
    if (result != SQLITE_OK) {
        return result;
    }
    if (name) {
        w->path = new QString(QString::fromUtf8(name));
        w->tracked = activeDisk && activeDisk->isInFolder(*w->path);
    }
    w->syncsFolder = (flags & SQLITE_OPEN_CREATE)
        && (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL));
    file->pMethods = &wrappedMethods;
    return SQLITE_OK;
}

int vDelete(sqlite3_vfs *, const char *name, int syncFolder)
{
    const bool tracked = activeDisk && activeDisk->isInFolder(QString::fromUtf8(name));
    const bool powered = !tracked || activeDisk->step();
    const int result = systemVfs->xDelete(systemVfs, name, syncFolder);
    if (tracked && powered && syncFolder && result == SQLITE_OK) {
        activeDisk->folderSynced();
    }
    return result;
}

int vGetLastError(sqlite3_vfs *, int size, char *buffer)
{
    if (injectedError != 0) {
        return injectedError;
    }
    return systemVfs->xGetLastError(systemVfs, size, buffer);
}

// The store's file calls: each change of a name in the folder is a step, and an fsync records
// what it makes durable.
class PowerCutFileSystem : public FileSystem {
public:
    explicit PowerCutFileSystem(PowerCutDisk &disk)
        : disk_(disk)
    {
    }

    int open(const QString &path, int flags, int &descriptor) override
    {
        const int error = FileSystem::open(path, flags, descriptor);
        if (error == 0) {
            paths_.insert(descriptor, path);
        }
        return error;
    }
    int close(int descriptor) override
    {
        paths_.remove(descriptor);
        return FileSystem::close(descriptor);
    }
    int fsync(int descriptor) override
    {
        const QString path = paths_.value(descriptor);
        const bool tracked = disk_.isInFolder(path);
        const bool powered = !tracked || disk_.step();
        const int error = FileSystem::fsync(descriptor);
        if (error != 0 || !tracked || !powered) {
            return error;
        }
        struct stat status {};
        if (::fstat(descriptor, &status) != 0) {
            return error;
        }
        if (S_ISDIR(status.st_mode)) {
            disk_.folderSynced();
        } else {
            QByteArray contents(static_cast<qsizetype>(status.st_size), '\0');
            const ssize_t read = ::pread(descriptor, contents.data(), contents.size(), 0);
            contents.truncate(read < 0 ? 0 : read);
            disk_.synced(path, status.st_ino, contents);
        }
        return error;
    }
    int link(const QString &from, const QString &to) override
    {
        stepFor(to);
        return FileSystem::link(from, to);
    }
    int unlink(const QString &path) override
    {
        stepFor(path);
        return FileSystem::unlink(path);
    }
    int rename(const QString &from, const QString &to) override
    {
        stepFor(to);
        return FileSystem::rename(from, to);
    }
    int copy(const QString &from, const QString &to) override
    {
        stepFor(to);
        return FileSystem::copy(from, to);
    }

private:
    void stepFor(const QString &path)
    {
        if (disk_.isInFolder(path)) {
            disk_.step();
        }
    }

    PowerCutDisk &disk_;
    QHash<int, QString> paths_;
};

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

PowerCutDisk::PowerCutDisk(QString folder)
    : folder_(QDir::cleanPath(QDir(folder).absolutePath()))
    , files_(std::make_shared<PowerCutFileSystem>(*this))
{
    if (activeDisk) {
        throw std::logic_error("only one power-cut disk at a time");
    }
    activeDisk = this;
    injectedError = 0;
    if (!systemVfs) {
        systemVfs = sqlite3_vfs_find(nullptr);
        powerCutVfs = *systemVfs;
        powerCutVfs.szOsFile = static_cast<int>(sizeof(WrappedFile)) + systemVfs->szOsFile;
        powerCutVfs.pNext = nullptr;
        powerCutVfs.zName = "ostrel-power-cut";
        powerCutVfs.xOpen = vOpen;
        powerCutVfs.xDelete = vDelete;
        powerCutVfs.xGetLastError = vGetLastError;
    }
    sqlite3_vfs_register(&powerCutVfs, 1);
}

PowerCutDisk::~PowerCutDisk()
{
    sqlite3_vfs_unregister(&powerCutVfs);
    sqlite3_vfs_register(systemVfs, 1);
    activeDisk = nullptr;
    injectedError = 0;
}

bool PowerCutDisk::isInFolder(const QString &path) const
{
    if (path.isEmpty()) {
        return false;
    }
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    return clean == folder_ || QFileInfo(clean).path() == folder_;
}

void PowerCutDisk::settle()
{
    durableNames_.clear();
    durableContents_.clear();
    for (const QString &name : filesIn(folder_)) {
        const QString path = folder_ + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const quint64 inode = inodeOf(path);
        durableNames_.insert(name, inode);
        durableContents_.insert(inode, file.readAll());
    }
}

void PowerCutDisk::arm(int cutAt)
{
    cutAt_ = cutAt;
    steps_ = 0;
    armed_ = true;
    powerLost_ = false;
}

bool PowerCutDisk::step()
{
    if (!armed_) {
        return true;
    }
    if (powerLost_) {
        return false;
    }
    ++steps_;
    if (steps_ == cutAt_) {
        powerLost_ = true;
        return false;
    }
    return true;
}

void PowerCutDisk::synced(const QString &, quint64 inode, const QByteArray &contents)
{
    if (powerLost_) {
        return;
    }
    durableContents_.insert(inode, contents);
}

void PowerCutDisk::folderSynced()
{
    if (powerLost_) {
        return;
    }
    durableNames_.clear();
    for (const QString &name : filesIn(folder_)) {
        durableNames_.insert(name, inodeOf(folder_ + QLatin1Char('/') + name));
    }
}

void PowerCutDisk::restoreAfterCut()
{
    for (const QString &name : filesIn(folder_)) {
        QFile::remove(folder_ + QLatin1Char('/') + name);
    }
    for (auto it = durableNames_.cbegin(); it != durableNames_.cend(); ++it) {
        QFile file(folder_ + QLatin1Char('/') + it.key());
        if (file.open(QIODevice::WriteOnly)) {
            file.write(durableContents_.value(it.value()));
        }
    }
    armed_ = false;
    powerLost_ = false;
    steps_ = 0;
    settle();
}

} // namespace ostrel::test
