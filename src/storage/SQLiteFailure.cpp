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
    if (primary == SQLITE_IOERR) {
        const int error = sqlite3_system_errno(connection);
        if (error == ENOSPC || error == EDQUOT) {
            primary = SQLITE_FULL;
        }
    }
    return SQLiteFailure{primary, sqlite3_extended_errcode(connection), std::move(message)};
}

QString SQLiteFailure::described() const
{
    QString lead;
    switch (primary) {
    case SQLITE_PERM:
    case SQLITE_READONLY:
        lead = QStringLiteral("The layout database is read-only or cannot be written (");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        lead = QStringLiteral("Another app or connection is using the layout database (");
        break;
    case SQLITE_IOERR:
        lead = QStringLiteral("The disk reported an I/O error (");
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        lead = QStringLiteral("SQLite reported damaged or invalid data (");
        break;
    case SQLITE_FULL:
        lead = QStringLiteral("The disk is full (");
        break;
    default:
        return message;
    }
    return lead + message + QStringLiteral(").");
}

} // namespace ostrel
