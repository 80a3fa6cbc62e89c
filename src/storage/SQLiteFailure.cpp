#include "storage/SQLiteFailure.h"

#include <sqlite3.h>

#include <cerrno>

namespace ostrel {

SQLiteFailure SQLiteFailure::of(sqlite3 *connection)
{
    return of(connection, QString::fromUtf8(sqlite3_errmsg(connection)));
}

SQLiteFailure SQLiteFailure::of(sqlite3 *connection, QString message)
{
    int primary = sqlite3_errcode(connection);
    // SQLite records the system's error only for these two; for any other code what it holds
    // is left from an earlier failure.
    const int error = primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN
        ? sqlite3_system_errno(connection)
        : 0;
    if (primary == SQLITE_IOERR && (error == ENOSPC || error == EDQUOT)) {
        primary = SQLITE_FULL;
    }
    return SQLiteFailure{primary, sqlite3_extended_errcode(connection), std::move(message), error};
}

namespace {

const QString diskFull = QStringLiteral("The disk is full (");
const QString diskReadOnly = QStringLiteral("The disk is read-only (");
const QString folderReadOnly =
    QStringLiteral("The storage folder is read-only or cannot be written (");

// What the system's error says about the cause, where it says more than SQLite's code: SQLite
// reports a folder it may not write to as "unable to open database file", and a full disk in
// some places as a plain I/O error.
QString leadForSystemError(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return diskFull;
    case EROFS:
        return diskReadOnly;
    default:
        return {};
    }
}

QString leadForCode(int primary, int extended, int error)
{
    switch (primary) {
    case SQLITE_PERM:
    case SQLITE_READONLY:
        // The log or journal cannot be made beside the database.
        if (extended == SQLITE_READONLY_DIRECTORY) {
            return folderReadOnly;
        }
        return QStringLiteral("The layout database is read-only or cannot be written (");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Another app or connection is using the layout database (");
    case SQLITE_IOERR:
        if (error == EACCES || error == EPERM) {
            return folderReadOnly;
        }
        return QStringLiteral("The disk reported an I/O error (");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("SQLite reported damaged or invalid data (");
    case SQLITE_FULL:
        return diskFull;
    case SQLITE_CANTOPEN:
        switch (error) {
        case EACCES:
        case EPERM:
            return folderReadOnly;
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("The storage folder is missing (");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("Too many files are open (");
        default:
            return QStringLiteral("The layout database could not be opened (");
        }
    default:
        return {};
    }
}

} // namespace

QString SQLiteFailure::described() const
{
    QString lead = leadForSystemError(systemError);
    if (lead.isEmpty()) {
        lead = leadForCode(primary, extended, systemError);
    }
    if (lead.isEmpty()) {
        return message;
    }
    return lead + message + QStringLiteral(").");
}

} // namespace ostrel
