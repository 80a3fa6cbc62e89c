#include "storage/SQLiteStatement.h"

#include "model/StorageError.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"

#include <sqlite3.h>

namespace ostrel {

void (*sqliteTransient())(void *)
{
    // A constant: nothing to set up, so any thread may use it at any time.
    return SQLITE_TRANSIENT;
}

SQLiteStatement::SQLiteStatement(SQLiteDatabase &database, const char *sql)
    : database_(database.handle())
{
    if (!database_) {
        throw StorageError::readFailed(QStringLiteral("The database is closed."));
    }
    if (sqlite3_prepare_v2(database_, sql, -1, &statement_, nullptr) != SQLITE_OK || !statement_) {
        // Text without a statement prepares "successfully" into nothing; it fails all the same.
        const SQLiteFailure failure = SQLiteFailure::of(database_);
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        throw failure;
    }
}

SQLiteStatement::~SQLiteStatement()
{
    sqlite3_finalize(statement_);
}

void SQLiteStatement::fail() const
{
    throw SQLiteFailure::of(database_);
}

void SQLiteStatement::bind(int index, const std::optional<QString> &value)
{
    int result = SQLITE_OK;
    if (value) {
        // With length -1 SQLite would stop at the first NUL and store less than it was given,
        // down to an empty text that the readers then refuse.
        const QByteArray utf8 = value->toUtf8();
        result = sqlite3_bind_text(statement_, index, utf8.constData(),
                                   static_cast<int>(utf8.size()), sqliteTransient());
    } else {
        result = sqlite3_bind_null(statement_, index);
    }
    if (result != SQLITE_OK) {
        fail();
    }
}

void SQLiteStatement::bindInt64(int index, qint64 value)
{
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) {
        fail();
    }
}

void SQLiteStatement::bindDouble(int index, double value)
{
    if (sqlite3_bind_double(statement_, index, value) != SQLITE_OK) {
        fail();
    }
}

bool SQLiteStatement::step()
{
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    fail();
}

void SQLiteStatement::reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int SQLiteStatement::type(int column) const
{
    return sqlite3_column_type(statement_, column);
}

bool SQLiteStatement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

QString SQLiteStatement::text(int column) const
{
    if (isNull(column)) {
        return QString();
    }
    const auto *bytes = sqlite3_column_text(statement_, column);
    if (!bytes) {
        return QString();
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(bytes),
                             sqlite3_column_bytes(statement_, column));
}

std::optional<QString> SQLiteStatement::optionalText(int column) const
{
    if (isNull(column)) {
        return std::nullopt;
    }
    return text(column);
}

qint64 SQLiteStatement::int64(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

double SQLiteStatement::real(int column) const
{
    return sqlite3_column_double(statement_, column);
}

} // namespace ostrel
