#pragma once

#include <QString>

#include <utility>

struct sqlite3;

namespace ostrel {

// How a connection opens its file; every connection runs in SQLite's serialized mode.
enum class SQLiteOpenMode { readOnly, readWrite, readWriteCreate };

// Whether a writable connection switches its file to write-ahead logging (with synchronous
// FULL: a commit is on the disk when it returns) or leaves the journal mode as the file has it.
enum class SQLiteJournalPolicy { unchanged, wal };

// One connection to a database file. It is open from construction until close() or until it
// goes away; afterwards every operation fails with "The database is closed." instead of
// touching a freed handle. SQLite failures are thrown as SQLiteFailure, a closed connection
// and a failed online backup as StorageError.
class SQLiteDatabase {
public:
    SQLiteDatabase(const QString &path, SQLiteOpenMode mode, SQLiteJournalPolicy journalPolicy,
                   int busyTimeoutMilliseconds);
    ~SQLiteDatabase();

    SQLiteDatabase(const SQLiteDatabase &) = delete;
    SQLiteDatabase &operator=(const SQLiteDatabase &) = delete;

    // Null once closed.
    sqlite3 *handle() const { return handle_; }
    bool isOpen() const { return handle_ != nullptr; }
    const QString &path() const { return path_; }

    // Runs one or more statements separated by semicolons; results are dropped.
    void execute(const QString &sql);
    // SQLite's quick check: every page and record is readable and every NOT NULL and CHECK
    // constraint holds. It does not compare indexes with their tables.
    void quickCheck();
    // The full integrity check: the quick check's findings, and also every index entry against
    // its table row. An index that lost or gained entries passes the quick check, yet reads
    // through it then miss rows without a word.
    void integrityCheck();
    void foreignKeyCheck();
    // Gives this connection a page cache of up to 256 MiB. A check that walks every index
    // visits the same pages again and again: from the cache they cost no read call. Only for
    // a short-lived connection that reads: the cache is the process's memory until it closes.
    // (A memory map would be a little quicker, but a read error of the disk or a file cut
    // short beneath it ends the process, where the check must report a damaged file.)
    void keepPagesInLargeCache();
    // PRAGMA data_version with the changes this connection made itself: equal values, nothing
    // in the file has changed in between (one connection's view, compared with itself).
    std::pair<qint64, qint64> changeMark();
    // Writes a complete copy of the "main" database to a new file at the destination.
    void backup(const QString &destinationPath);
    // Copies what the write-ahead log holds into the database file, syncs it and empties the
    // log, so that the file alone holds every committed change. A reader that holds the log
    // back only delays this until the next time: the commits are already on the disk in the
    // log. Only on a connection opened with the `wal` policy; nothing on any other, or on a
    // closed one.
    void checkpoint();
    // Checkpoints first, then closes.
    void close();

private:
    void check(const char *pragma);

    sqlite3 *handle_ = nullptr;
    QString path_;
    bool keepsLog_ = false;
};

} // namespace ostrel
