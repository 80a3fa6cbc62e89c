#pragma once

#include "storage/FileSystem.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

namespace ostrel::test {

// A disk that can lose its power, for one folder. It keeps a model of what the disk holds for
// certain (what was synced) beside the real files, which the code under test goes on using as
// usual; after a cut, restoreAfterCut() turns the folder into what the model says survived.
//
// What it sees: while it exists, every SQLite connection of the process goes through a VFS that
// wraps the system's own (the default VFS), and the store's own file calls go through files().
// Each write, truncation, deletion and sync of a file in the folder through the VFS, and each
// fsync, rename, link, unlink and copy through files(), is one step; the power goes just before
// the chosen step, and nothing after it reaches the disk.
//
// What the model holds:
// - a file's contents as of its last sync (xSync of SQLite, or fsync through files()), by inode,
//   so that a hard link, a rename or a replacement keeps the contents that belong to the inode;
//   a file that was never synced is found empty;
// - the folder's list of names as of its last sync: an fsync of the folder through files(),
//   the first sync of a journal or log that SQLite created (SQLite's own VFS syncs the folder
//   there), and a deletion that SQLite asks to sync. Names made, renamed or removed after that,
//   by anyone, are undone by a cut.
// What it does not hold: the shared-memory index (never synced; it is found empty, as after a
// reboot), writes torn within one write call, reordering of the writes between two syncs
// (a cut drops all of them, the most that can be lost), files outside the folder, and
// folders inside it.
class PowerCutDisk {
public:
    // Registers the VFS as the default; only one disk may exist at a time.
    explicit PowerCutDisk(QString folder);
    ~PowerCutDisk();

    PowerCutDisk(const PowerCutDisk &) = delete;
    PowerCutDisk &operator=(const PowerCutDisk &) = delete;

    // Everything in the folder now counts as on the disk, as after an orderly shutdown.
    void settle();
    // Counts steps from now on; the power goes just before step `cutAt` (from 1). 0: never.
    void arm(int cutAt);
    bool powerLost() const { return powerLost_; }
    int steps() const { return steps_; }
    // Leaves in the folder what the disk holds after the power came back, and stops counting.
    // Every connection and descriptor on the folder's files must be closed first.
    void restoreAfterCut();

    // The store's file calls, counted and modelled.
    std::shared_ptr<FileSystem> files() { return files_; }

    // Makes SQLite's growing of the shared-memory index fail as a full disk does: an I/O error
    // whose system error is `error`; 0 ends it.
    void failSharedMemoryWith(int error) { sharedMemoryError_ = error; }
    // Makes every write SQLite makes to a file in the folder fail as the system's error
    // `error` does (ENOSPC: the disk is full); 0 ends it. The store's own file calls are not
    // touched: a small file may still fit where a database page does not.
    void failWritesWith(int error) { writeError_ = error; }

    // For the VFS and the file calls.
    bool isInFolder(const QString &path) const;
    // True when the step may go ahead: the power is still on.
    bool step();
    void synced(const QString &path, quint64 inode, const QByteArray &contents);
    void folderSynced();
    int sharedMemoryError() const { return sharedMemoryError_; }
    int writeError() const { return writeError_; }

private:
    QString folder_;
    std::shared_ptr<FileSystem> files_;
    int cutAt_ = 0;
    int steps_ = 0;
    bool armed_ = false;
    bool powerLost_ = false;
    int sharedMemoryError_ = 0;
    int writeError_ = 0;
    QHash<QString, quint64> durableNames_;
    QHash<quint64, QByteArray> durableContents_;
};

} // namespace ostrel::test
