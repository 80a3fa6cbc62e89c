#pragma once

#include <QString>

struct sqlite3;

namespace ostrel {

// What SQLite said when it refused something: its primary and extended result codes, its own
// message and the system's error number behind it (0 when none). The store wraps it into a
// StorageError detail through `described()`; shown unwrapped, its text is the message alone.
struct SQLiteFailure {
    int primary = 0;
    int extended = 0;
    QString message;
    int systemError = 0;

    // The codes and message the connection holds right now. An I/O error that the system
    // gave because the disk or the user's quota is full counts as SQLITE_FULL: SQLite reports
    // some writes cut short that way (growing the shared-memory index, for one) as a plain I/O
    // error, and "the disk is full" is what the user can act on.
    static SQLiteFailure of(sqlite3 *connection);
    static SQLiteFailure of(sqlite3 *connection, QString message);

    // The user-facing sentence: a plain text that names the cause (a full disk, a read-only
    // folder, a file in use), chosen by the system's error where it tells more than SQLite's
    // code, else by the primary code, with SQLite's message in parentheses; for codes without a
    // sentence of their own, the message alone.
    QString described() const;
    QString errorDescription() const { return message; }

    bool operator==(const SQLiteFailure &) const = default;
};

} // namespace ostrel
