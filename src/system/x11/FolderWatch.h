#pragma once

#include <QHash>
#include <QSet>
#include <QString>

namespace ostrel::x11 {

// Tells whether anything changed in a set of folders since they were watched: an entry made,
// removed, renamed or written in one of them. It asks the kernel (inotify), never a clock, so a
// clock set back or forward changes nothing. A folder that does not exist yet is watched for its
// coming: its nearest existing parent is watched for that one name.
class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();

    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    // Starts over: nothing watched, nothing changed.
    void reset();
    // Watches the folder's own entries (not those of its subfolders).
    void watch(const QString &folder);
    // Whether anything changed since reset(). Once true it stays true until the next reset().
    bool changed();
    // False when some folder could not be watched (too many watches, no permission): a change
    // there goes unseen, and the caller must look again by itself now and then.
    bool complete() const { return complete_; }

private:
    void watchFor(const QString &folder, const QString &name, unsigned mask);

    int descriptor_ = -1;
    bool complete_ = true;
    bool changed_ = false;
    // For each watch, the names of its entries that matter; an empty name stands for all.
    QHash<int, QSet<QString>> names_;
};

} // namespace ostrel::x11
