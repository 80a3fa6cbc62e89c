#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

#include <sys/stat.h>

namespace ostrel::x11 {

// Tells whether anything changed in a set of folders since they were watched: an entry made,
// removed, renamed or written in one of them. It asks the kernel (inotify), never a clock, so a
// clock set back or forward changes nothing; a folder that does not exist yet is watched for its
// coming (its nearest existing parent, for that one name). Where the kernel will not watch (each
// user has a small number of inotify instances, and busy desktops run out), it compares what
// each folder's own entry says (its identity and its times) with what it said when watched:
// any difference, whichever way the times went, is a change.
class FolderWatch {
public:
    enum class Kernel { asked, notAsked };

    // `notAsked` compares the folders' entries only, as when the kernel will not watch.
    explicit FolderWatch(Kernel kernel = Kernel::asked);
    ~FolderWatch();

    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    // Starts over: nothing watched, nothing changed.
    void reset();
    // Watches the folder's own entries (not those of its subfolders).
    void watch(const QString &folder);
    // Whether anything changed since reset(). Once true it stays true until the next reset().
    bool changed();
    // False when the kernel does not watch every folder: then only the folders' times tell,
    // and a change within the same tick of the file system's clock as the watch goes unseen, so
    // the caller should look again by itself now and then.
    bool complete() const { return complete_; }

private:
    // What a folder's own entry says; a missing folder is that.
    struct Look {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        timespec modified = {};
        timespec changed = {};
        bool operator==(const Look &other) const;
    };
    static Look look(const QString &folder);
    void watchFor(const QString &folder, const QString &name, unsigned mask);
    bool kernelSaysChanged();

    Kernel kernel_;
    int descriptor_ = -1;
    bool complete_ = true;
    bool changed_ = false;
    // For each watch, the names of its entries that matter; an empty name stands for all.
    QHash<int, QSet<QString>> names_;
    QList<QPair<QString, Look>> looks_;
};

} // namespace ostrel::x11
