#pragma once

#include "model/StorePaths.h"

#include <QList>

namespace ostrel {

class FileSystem;

// Exclusive record locks on the database file and its shared-memory file (each only where it
// exists) for the whole of a recovery, so that no other process using SQLite's standard
// locking reads or writes them half-way. The locks cover SQLite's own lock bytes and the
// file's head. They belong to this process: closing any descriptor of these files would drop
// them, so nothing else in the process may have the files open meanwhile.
class RecoveryFileLock {
public:
    // Fails at once, without waiting, when another process holds a lock in either range.
    RecoveryFileLock(FileSystem &files, const StorePaths &paths);
    ~RecoveryFileLock();

    RecoveryFileLock(const RecoveryFileLock &) = delete;
    RecoveryFileLock &operator=(const RecoveryFileLock &) = delete;

    // Gives the locks back; harmless when nothing is held any more.
    void release();

private:
    FileSystem &files_;
    QList<int> descriptors_;
};

} // namespace ostrel
