#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"
#include "storage/SQLiteStatement.h"

#include "StorageTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cerrno>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostrel;
using ostrel::test::sqliteFailureOf;
using ostrel::test::storageErrorOf;

namespace {

struct SQLiteDatabaseTest : ::testing::Test {
    QTemporaryDir dir;
    QString path(const QString &name = QStringLiteral("test.sqlite")) const
    {
        return dir.filePath(name);
    }

    static QString pragma(SQLiteDatabase &database, const char *sql)
    {
        SQLiteStatement statement(database, sql);
        EXPECT_TRUE(statement.step());
        return statement.text(0);
    }
};

} // namespace

TEST_F(SQLiteDatabaseTest, WalPolicySwitchesOnlyWritableConnections)
{
    {
        SQLiteDatabase created(path(), SQLiteOpenMode::readWriteCreate,
                               SQLiteJournalPolicy::unchanged, 100);
        created.execute(QStringLiteral("CREATE TABLE t (a);"));
        EXPECT_EQ(pragma(created, "PRAGMA journal_mode;"), QStringLiteral("delete"));
    }
    {
        SQLiteDatabase readOnly(path(), SQLiteOpenMode::readOnly, SQLiteJournalPolicy::wal, 100);
        EXPECT_EQ(pragma(readOnly, "PRAGMA journal_mode;"), QStringLiteral("delete"));
        EXPECT_EQ(pragma(readOnly, "PRAGMA foreign_keys;"), QStringLiteral("1"));
        EXPECT_EQ(sqlite3_db_readonly(readOnly.handle(), "main"), 1);
    }
    {
        SQLiteDatabase writable(path(), SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal, 100);
        EXPECT_EQ(pragma(writable, "PRAGMA journal_mode;"), QStringLiteral("wal"));
        // FULL: a commit is on the disk before it is reported.
        EXPECT_EQ(pragma(writable, "PRAGMA synchronous;"), QStringLiteral("2"));
        EXPECT_EQ(pragma(writable, "PRAGMA foreign_keys;"), QStringLiteral("1"));
    }
}

TEST_F(SQLiteDatabaseTest, OpenFailuresCarryTheConnectionsCodesAndLeaveNothingOpen)
{
    // No file and no permission to create one.
    const SQLiteFailure missing = sqliteFailureOf([&] {
        SQLiteDatabase database(path(), SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal, 100);
    });
    EXPECT_EQ(missing.primary, SQLITE_CANTOPEN);
    EXPECT_EQ(missing.extended, SQLITE_CANTOPEN);
    EXPECT_EQ(missing.message, QStringLiteral("unable to open database file"));
    EXPECT_FALSE(QFile::exists(path()));

    // A file that is no database fails at the first pragma that reads it; the connection is
    // closed before the failure leaves (the leak checker would see it otherwise).
    QFile garbage(path(QStringLiteral("garbage.sqlite")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    const SQLiteFailure notADatabase = sqliteFailureOf([&] {
        SQLiteDatabase database(garbage.fileName(), SQLiteOpenMode::readWrite,
                                SQLiteJournalPolicy::wal, 100);
    });
    EXPECT_EQ(notADatabase.primary, SQLITE_NOTADB);
    EXPECT_EQ(notADatabase.message, QStringLiteral("file is not a database"));
}

TEST_F(SQLiteDatabaseTest, ExecuteRunsSeveralStatementsAndReportsSQLitesOwnError)
{
    SQLiteDatabase database(path(), SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 100);
    database.execute(
        QStringLiteral("CREATE TABLE t (a TEXT NOT NULL); INSERT INTO t VALUES ('x');"));
    EXPECT_EQ(pragma(database, "SELECT count(*) FROM t;"), QStringLiteral("1"));

    const SQLiteFailure syntax =
        sqliteFailureOf([&] { database.execute(QStringLiteral("SELEC 1;")); });
    EXPECT_EQ(syntax.primary, SQLITE_ERROR);
    EXPECT_EQ(syntax.message, QStringLiteral("near \"SELEC\": syntax error"));

    const SQLiteFailure constraint =
        sqliteFailureOf([&] { database.execute(QStringLiteral("INSERT INTO t VALUES (NULL);")); });
    EXPECT_EQ(constraint.primary, SQLITE_CONSTRAINT);
    EXPECT_EQ(constraint.extended, SQLITE_CONSTRAINT_NOTNULL);
    EXPECT_EQ(constraint.message, QStringLiteral("NOT NULL constraint failed: t.a"));
}

TEST_F(SQLiteDatabaseTest, PreparingTextWithoutAStatementFails)
{
    SQLiteDatabase database(path(), SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 100);
    for (const char *sql : {"", "   ", "-- only a comment"}) {
        const SQLiteFailure failure =
            sqliteFailureOf([&] { SQLiteStatement statement(database, sql); });
        EXPECT_EQ(failure, (SQLiteFailure{SQLITE_OK, SQLITE_OK, QStringLiteral("not an error")}))
            << sql;
    }
    const SQLiteFailure failure =
        sqliteFailureOf([&] { SQLiteStatement statement(database, "SELECT * FROM nowhere"); });
    EXPECT_EQ(failure.primary, SQLITE_ERROR);
    EXPECT_EQ(failure.message, QStringLiteral("no such table: nowhere"));
}

TEST_F(SQLiteDatabaseTest, StatementsBindTextsAndNullsAndReadColumnsByConvention)
{
    SQLiteDatabase database(path(), SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 100);
    database.execute(QStringLiteral("CREATE TABLE t (a TEXT, b INTEGER, c REAL);"));
    {
        SQLiteStatement insert(database, "INSERT INTO t VALUES (?, ?, ?)");
        insert.bind(1, QStringLiteral("Größe — “x”"));
        insert.bindInt64(2, 4294967296);
        insert.bindDouble(3, -0.25);
        EXPECT_FALSE(insert.step());
        insert.reset();
        insert.bind(1, std::nullopt);
        EXPECT_FALSE(insert.step());
    }
    SQLiteStatement select(database,
                           "SELECT a, b, c FROM t ORDER BY rowid; trailing text is ignored");
    ASSERT_TRUE(select.step());
    EXPECT_EQ(select.text(0), QStringLiteral("Größe — “x”"));
    EXPECT_EQ(select.optionalText(0), QStringLiteral("Größe — “x”"));
    EXPECT_EQ(select.int64(1), 4294967296);
    EXPECT_EQ(select.real(2), -0.25);
    ASSERT_TRUE(select.step());
    EXPECT_TRUE(select.isNull(0));
    EXPECT_EQ(select.text(0), QString());
    EXPECT_EQ(select.optionalText(0), std::nullopt);
    EXPECT_TRUE(select.isNull(1)); // cleared bindings, not the previous row's values
    EXPECT_FALSE(select.step());

    // A text is stored whole, a NUL inside it included.
    {
        const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        SQLiteStatement echo(database, "SELECT ?, length(CAST(? AS BLOB))");
        echo.bind(1, withNul);
        echo.bind(2, withNul);
        ASSERT_TRUE(echo.step());
        EXPECT_EQ(echo.text(0), withNul);
        EXPECT_EQ(echo.int64(1), 3);
    }

    SQLiteStatement badIndex(database, "SELECT ?");
    const SQLiteFailure failure = sqliteFailureOf([&] { badIndex.bind(2, QStringLiteral("x")); });
    EXPECT_EQ(failure.primary, SQLITE_RANGE);
}

TEST_F(SQLiteDatabaseTest, QuickCheckPassesAHealthyFileAndFailsADamagedOne)
{
    {
        SQLiteDatabase database(path(), SQLiteOpenMode::readWriteCreate,
                                SQLiteJournalPolicy::unchanged, 100);
        database.execute(QStringLiteral("PRAGMA page_size = 1024; CREATE TABLE t (a TEXT);"
                                        "CREATE INDEX t_a ON t(a);"));
        database.execute(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
            "INSERT INTO t SELECT printf('row %04d', i) FROM n;"));
        database.quickCheck();
    }
    // Scribble over the middle of the file, past the schema page: the pages there still parse
    // as a database, but their contents no longer add up.
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    ASSERT_GT(size, 8 * 1024);
    file.seek(3 * 1024 + 8);
    file.write(QByteArray(2 * 1024, '\x7f'));
    file.close();

    SQLiteDatabase database(path(), SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 100);
    const SQLiteFailure failure = sqliteFailureOf([&] { database.quickCheck(); });
    EXPECT_EQ(failure.primary, SQLITE_CORRUPT);
    EXPECT_EQ(failure.extended, SQLITE_CORRUPT);
    EXPECT_TRUE(
        failure.message.startsWith(QStringLiteral("SQLite reported an integrity problem: ")))
        << failure.message.toStdString();
    EXPECT_TRUE(failure.message.endsWith(QStringLiteral("."))) << failure.message.toStdString();
}

TEST_F(SQLiteDatabaseTest, OnlyTheIntegrityCheckSeesAnIndexThatNoLongerMatchesItsTable)
{
    {
        SQLiteDatabase database(path(), SQLiteOpenMode::readWriteCreate,
                                SQLiteJournalPolicy::unchanged, 100);
        database.execute(QStringLiteral("CREATE TABLE t (a TEXT); CREATE INDEX t_a ON t(a);"
                                        "INSERT INTO t VALUES ('row 1'), ('row 2'), ('row 3');"));
        database.integrityCheck();
    }
    test::damageIndexEntry(path(), "t_a", "row 3");

    SQLiteDatabase database(path(), SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 100);
    database.quickCheck();
    // Reads through the index lose the row without a word.
    EXPECT_EQ(pragma(database, "SELECT count(*) FROM t WHERE a = 'row 3';"), QStringLiteral("0"));
    const SQLiteFailure failure = sqliteFailureOf([&] { database.integrityCheck(); });
    EXPECT_EQ(failure.primary, SQLITE_CORRUPT);
    EXPECT_TRUE(
        failure.message.startsWith(QStringLiteral("SQLite reported an integrity problem: ")))
        << failure.message.toStdString();
    EXPECT_TRUE(failure.message.contains(QStringLiteral("t_a"))) << failure.message.toStdString();
}

TEST_F(SQLiteDatabaseTest, ForeignKeyCheckNamesTheTableOfAnOrphanedRow)
{
    SQLiteDatabase database(path(), SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 100);
    database.execute(
        QStringLiteral("CREATE TABLE parent (id INTEGER PRIMARY KEY);"
                       "CREATE TABLE child (parent_id INTEGER REFERENCES parent(id));"
                       "INSERT INTO parent VALUES (1); INSERT INTO child VALUES (1);"));
    database.foreignKeyCheck();

    database.execute(QStringLiteral("PRAGMA foreign_keys = OFF; INSERT INTO child VALUES (2);"));
    const SQLiteFailure failure = sqliteFailureOf([&] { database.foreignKeyCheck(); });
    EXPECT_EQ(failure,
              (SQLiteFailure{SQLITE_CORRUPT, SQLITE_CORRUPT,
                             QStringLiteral("A related row in child is missing its parent.")}));
}

TEST_F(SQLiteDatabaseTest, BackupReplacesAnExistingFileWithACompleteCopy)
{
    SQLiteDatabase source(path(), SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 100);
    source.execute(
        QStringLiteral("CREATE TABLE t (a); INSERT INTO t VALUES (42); PRAGMA user_version = 3;"));

    const QString target = path(QStringLiteral("copy.sqlite"));
    QFile stale(target);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("not a database at all");
    stale.close();

    source.backup(target);
    SQLiteDatabase copy(target, SQLiteOpenMode::readOnly, SQLiteJournalPolicy::unchanged, 100);
    EXPECT_EQ(pragma(copy, "SELECT a FROM t;"), QStringLiteral("42"));
    EXPECT_EQ(pragma(copy, "PRAGMA user_version;"), QStringLiteral("3"));

    const StorageError error =
        storageErrorOf([&] { source.backup(path(QStringLiteral("missing-folder/copy.sqlite"))); });
    EXPECT_EQ(error,
              StorageError::backupFailed(
                  QStringLiteral("The storage folder is missing (unable to open database "
                                 "file).")));
}

TEST_F(SQLiteDatabaseTest, AClosedConnectionRefusesEveryOperationWithItsOwnError)
{
    SQLiteDatabase database(path(), SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 100);
    database.close();
    database.close();
    EXPECT_FALSE(database.isOpen());
    EXPECT_EQ(database.path(), path());

    const QString closed = QStringLiteral("The database is closed.");
    const struct {
        const char *name;
        std::function<void()> operation;
        StorageError expected;
    } cases[] = {
        {"execute", [&] { database.execute(QStringLiteral("SELECT 1;")); },
         StorageError::writeFailed(closed)},
        {"quickCheck", [&] { database.quickCheck(); }, StorageError::readFailed(closed)},
        {"integrityCheck", [&] { database.integrityCheck(); }, StorageError::readFailed(closed)},
        {"foreignKeyCheck", [&] { database.foreignKeyCheck(); }, StorageError::readFailed(closed)},
        {"statement", [&] { SQLiteStatement statement(database, "SELECT 1"); },
         StorageError::readFailed(closed)},
        {"backup", [&] { database.backup(path(QStringLiteral("b.sqlite"))); },
         StorageError::backupFailed(closed)},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(storageErrorOf(c.operation), c.expected) << c.name;
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("b.sqlite"))));
}

TEST(SQLiteFailureTest, DescribedChoosesItsSentenceByThePrimaryCode)
{
    const struct {
        int primary;
        const char *expected;
    } cases[] = {
        {SQLITE_PERM, "The layout database is read-only or cannot be written (msg)."},
        {SQLITE_READONLY, "The layout database is read-only or cannot be written (msg)."},
        {SQLITE_BUSY, "Another app or connection is using the layout database (msg)."},
        {SQLITE_LOCKED, "Another app or connection is using the layout database (msg)."},
        {SQLITE_IOERR, "The disk reported an I/O error (msg)."},
        {SQLITE_CORRUPT, "SQLite reported damaged or invalid data (msg)."},
        {SQLITE_NOTADB, "SQLite reported damaged or invalid data (msg)."},
        {SQLITE_FULL, "The disk is full (msg)."},
        {SQLITE_CONSTRAINT, "msg"},
        {SQLITE_ERROR, "msg"},
    };
    for (const auto &c : cases) {
        const SQLiteFailure failure{c.primary, c.primary + 256, QStringLiteral("msg")};
        EXPECT_EQ(failure.described(), QString::fromUtf8(c.expected)) << c.primary;
        EXPECT_EQ(failure.errorDescription(), QStringLiteral("msg"));
    }
}

// SQLite says "unable to open database file" for a folder it may not write its log in, and "disk
// I/O error" for a disk that is full or read-only: the system's error names the cause.
TEST(SQLiteFailureTest, DescribedNamesTheCauseThatTheSystemsErrorGives)
{
    const struct {
        int primary;
        int extended;
        int systemError;
        const char *expected;
    } cases[] = {
        {SQLITE_CANTOPEN, SQLITE_CANTOPEN, EACCES,
         "The storage folder is read-only or cannot be written (msg)."},
        {SQLITE_CANTOPEN, SQLITE_CANTOPEN, EROFS, "The disk is read-only (msg)."},
        {SQLITE_CANTOPEN, SQLITE_CANTOPEN, ENOENT, "The storage folder is missing (msg)."},
        {SQLITE_CANTOPEN, SQLITE_CANTOPEN, 0, "The layout database could not be opened (msg)."},
        {SQLITE_IOERR, SQLITE_IOERR_WRITE, ENOSPC, "The disk is full (msg)."},
        {SQLITE_IOERR, SQLITE_IOERR_WRITE, EDQUOT, "The disk is full (msg)."},
        {SQLITE_IOERR, SQLITE_IOERR_WRITE, EROFS, "The disk is read-only (msg)."},
        {SQLITE_IOERR, SQLITE_IOERR_WRITE, EIO, "The disk reported an I/O error (msg)."},
        {SQLITE_READONLY, SQLITE_READONLY_DIRECTORY, 0,
         "The storage folder is read-only or cannot be written (msg)."},
        {SQLITE_FULL, SQLITE_FULL, 0, "The disk is full (msg)."},
    };
    for (const auto &c : cases) {
        const SQLiteFailure failure{c.primary, c.extended, QStringLiteral("msg"), c.systemError};
        EXPECT_EQ(failure.described(), QString::fromUtf8(c.expected))
            << c.primary << " " << c.systemError;
    }
}

// A folder the user made read-only: the database opens, but its log cannot be made beside it.
TEST_F(SQLiteDatabaseTest, AFolderThatCannotBeWrittenIsNamedAsSuch)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    const QString file = path(QStringLiteral("a.sqlite"));
    SQLiteDatabase(file, SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::unchanged, 100)
        .execute(QStringLiteral("CREATE TABLE t (x);"));
    ::chmod(QFile::encodeName(QFileInfo(file).path()).constData(), 0500);
    const SQLiteFailure failure = sqliteFailureOf(
        [&] { SQLiteDatabase(file, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal, 100); });
    ::chmod(QFile::encodeName(QFileInfo(file).path()).constData(), 0700);
    EXPECT_TRUE(failure.described().startsWith(
        QStringLiteral("The storage folder is read-only or cannot be written (")))
        << failure.described().toStdString();
}
