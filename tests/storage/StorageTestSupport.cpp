#include "StorageTestSupport.h"

#include "storage/SQLiteStatement.h"

#include <sqlite3.h>

#include <ostream>

namespace ostrel::test {

SQLiteDatabase openSecondConnection(const QString &path)
{
    return SQLiteDatabase(path, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 100);
}

namespace {

QString cell(const SQLiteStatement &statement, int column)
{
    return statement.isNull(column) ? QStringLiteral("NULL") : statement.text(column);
}

} // namespace

QString scalar(SQLiteDatabase &database, const char *sql)
{
    SQLiteStatement statement(database, sql);
    if (!statement.step()) {
        ADD_FAILURE() << "no row from " << sql;
        return {};
    }
    return cell(statement, 0);
}

QStringList rows(SQLiteDatabase &database, const char *sql)
{
    SQLiteStatement statement(database, sql);
    QStringList result;
    while (statement.step()) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(statement.get()); ++i) {
            columns << cell(statement, i);
        }
        result << columns.join(QLatin1Char('|'));
    }
    return result;
}

QStringList dump(const QString &path)
{
    SQLiteDatabase database(path, SQLiteOpenMode::readOnly, SQLiteJournalPolicy::unchanged, 100);
    QStringList result;
    result << QStringLiteral("user_version ") + scalar(database, "PRAGMA user_version;");
    const QStringList tables =
        rows(database, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    result << rows(database, "SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
    for (const QString &table : tables) {
        const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY 1, 2, 3").arg(table).toUtf8();
        result << QStringLiteral("table ") + table;
        result << rows(database, sql.constData());
    }
    return result;
}

} // namespace ostrel::test

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace ostrel {

void PrintTo(const StorageError &error, std::ostream *out)
{
    *out << "StorageError(" << static_cast<int>(error.kind()) << ", \""
         << error.errorDescription().toStdString() << "\")";
}

void PrintTo(const SQLiteFailure &failure, std::ostream *out)
{
    *out << "SQLiteFailure(" << failure.primary << ", " << failure.extended << ", \""
         << failure.message.toStdString() << "\")";
}

} // namespace ostrel
