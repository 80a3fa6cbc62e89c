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

FolderWatch::~FolderWatch()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

void FolderWatch::reset()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    names_.clear();
    changed_ = false;
    descriptor_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    complete_ = descriptor_ >= 0;
}

void FolderWatch::watch(const QString &folder)
{
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
    if (descriptor_ < 0 || changed_) {
        return changed_;
    }
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
                changed_ = true;
                continue;
            }
            const QSet<QString> names = names_.value(event->wd);
            const QString name = event->len > 0 ? QFile::decodeName(event->name) : QString();
            if (names.contains(QString()) || names.contains(name)) {
                changed_ = true;
            }
        }
    }
    return changed_;
}

} // namespace ostrel::x11
