#pragma once

#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace ostrel {

class SQLiteDatabase;

// SQLite's "copy the text before the call returns" destructor, passed with every text binding
// so that no binding depends on the lifetime of a temporary buffer.
void (*sqliteTransient())(void *);

// One prepared statement, alive for one operation: prepared, bound, stepped, optionally reset
// for the next row, finalized when dropped. It never outlives the connection it came from.
// Every SQLite refusal is thrown as the connection's SQLiteFailure.
class SQLiteStatement {
public:
    // Prepares the first statement of the text; a closed connection throws StorageError
    // readFailed("The database is closed.").
    SQLiteStatement(SQLiteDatabase &database, const char *sql);
    ~SQLiteStatement();

    SQLiteStatement(const SQLiteStatement &) = delete;
    SQLiteStatement &operator=(const SQLiteStatement &) = delete;

    sqlite3_stmt *get() const { return statement_; }
    sqlite3 *connection() const { return database_; }

    // 1-based parameter index; an absent text binds NULL. A text is bound whole, a NUL
    // character included: SQLite keeps exactly what it is given.
    void bind(int index, const std::optional<QString> &value);
    void bindInt64(int index, qint64 value);
    void bindDouble(int index, double value);
    // True for a row, false when the statement is done.
    bool step();
    // Ready for the next row: sqlite3_reset and sqlite3_clear_bindings.
    void reset();

    // Column reads. The storage class of the value: SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT,
    // SQLITE_BLOB or SQLITE_NULL. The reads below convert whatever class they find.
    int type(int column) const;
    // Text: NULL or a null pointer reads as the empty text.
    bool isNull(int column) const;
    QString text(int column) const;
    // NULL reads as none.
    std::optional<QString> optionalText(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;

private:
    [[noreturn]] void fail() const;

    sqlite3 *database_ = nullptr;
    sqlite3_stmt *statement_ = nullptr;
};

} // namespace ostrel
