#include "system/x11/FolderWatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace ostrel::x11 {

namespace {

// Everything that changes which entries a folder holds or what one of them says.
constexpr unsigned folderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
    | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// A missing folder comes into being under its parent.
constexpr unsigned comingEvents = IN_CREATE | IN_MOVED_TO;

} // namespace

FolderWatch::FolderWatch(Kernel kernel)
    : kernel_(kernel)
{
}

FolderWatch::~FolderWatch()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

bool FolderWatch::Look::operator==(const Look &other) const
{
    return exists == other.exists && device == other.device && inode == other.inode
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec
        && changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

FolderWatch::Look FolderWatch::look(const QString &folder)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0) {
        return {};
    }
    return {true, status.st_dev, status.st_ino, status.st_mtim, status.st_ctim};
}

void FolderWatch::reset()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    names_.clear();
    looks_.clear();
    changed_ = false;
    descriptor_ = kernel_ == Kernel::asked ? ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC) : -1;
    complete_ = descriptor_ >= 0;
}

void FolderWatch::watch(const QString &folder)
{
    looks_.append({folder, look(folder)});
    if (descriptor_ < 0) {
        return;
    }
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    QString name;
    // Up to the nearest folder that exists; the name below it is the one that must come.
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path) {
            complete_ = false;
            return;
        }
        name = QFileInfo(path).fileName();
        path = parent;
    }
    watchFor(path, name, name.isEmpty() ? folderEvents : comingEvents);
}

void FolderWatch::watchFor(const QString &folder, const QString &name, unsigned mask)
{
    // IN_MASK_ADD: one folder may be watched for its own entries and, as a parent, for a
    // missing one, under the same watch.
    const int watch = ::inotify_add_watch(descriptor_, QFile::encodeName(folder).constData(),
                                          mask | IN_ONLYDIR | IN_MASK_ADD);
    if (watch < 0) {
        complete_ = false;
        return;
    }
    names_[watch].insert(name);
}

bool FolderWatch::changed()
{
    if (changed_) {
        return true;
    }
    if (complete_) {
        changed_ = kernelSaysChanged();
        return changed_;
    }
    // Without the kernel's word for every folder: what the folders' entries say now.
    for (const auto &[folder, seen] : std::as_const(looks_)) {
        if (!(look(folder) == seen)) {
            changed_ = true;
            break;
        }
    }
    return changed_ || kernelSaysChanged();
}

bool FolderWatch::kernelSaysChanged()
{
    if (descriptor_ < 0) {
        return false;
    }
    bool seen = false;
    alignas(struct inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(descriptor_, buffer, sizeof buffer);
        if (length < 0) {
            if (errno == EINTR) {
                continue;
            }
            break; // EAGAIN: nothing more has happened
        }
        if (length == 0) {
            break;
        }
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + offset);
            offset += ssize_t(sizeof(struct inotify_event)) + event->len;
            if (event->mask & (IN_Q_OVERFLOW | IN_IGNORED)) {
                // Events were lost, or a watched folder is gone.
                seen = true;
                continue;
            }
            const QSet<QString> names = names_.value(event->wd);
            const QString name = event->len > 0 ? QFile::decodeName(event->name) : QString();
            if (names.contains(QString()) || names.contains(name)) {
                seen = true;
            }
        }
    }
    changed_ = changed_ || seen;
    return changed_;
}

} // namespace ostrel::x11
