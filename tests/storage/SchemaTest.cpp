#include "StorageTestSupport.h"

#include "storage/LayoutStore.h"
#include "storage/SQLiteStatement.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

struct SchemaTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Ostrel.sqlite"));

    SQLiteDatabase create()
    {
        return SQLiteDatabase(path, SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 100);
    }
    static QString displayFrame(SQLiteDatabase &database)
    {
        return scalar(database,
                      "SELECT frame_x || ',' || frame_y || ',' || frame_width || ',' || "
                      "frame_height || ' inferred ' || coalesce(frame_inferred, 'NULL') "
                      "FROM displays");
    }
};

} // namespace

TEST_F(SchemaTest, ANewFileGetsTheWholeSchemaAtVersion3InWriteAheadMode)
{
    SQLiteDatabase database = create();
    LayoutStore::migrate(database, 0);

    EXPECT_EQ(scalar(database, "PRAGMA user_version;"), QStringLiteral("3"));
    EXPECT_EQ(scalar(database, "PRAGMA journal_mode;"), QStringLiteral("wal"));
    EXPECT_EQ(rows(database,
                   "SELECT type || ' ' || name FROM sqlite_master "
                   "WHERE name NOT LIKE 'sqlite_%' ORDER BY rowid"),
              (QStringList{"table layouts", "table displays", "table windows",
                           "index windows_layout_idx", "table exclusions"}));
    EXPECT_EQ(
        rows(database, "SELECT name FROM pragma_index_info('windows_layout_idx') ORDER BY seqno"),
        (QStringList{"layout_id", "ordinal"}));

    // Running it again over a complete file changes nothing.
    LayoutStore::migrate(database, -1);
    EXPECT_EQ(scalar(database, "PRAGMA user_version;"), QStringLiteral("3"));
}

TEST_F(SchemaTest, ConstraintsRefuseRowsThatBreakTheEncoding)
{
    SQLiteDatabase database = create();
    LayoutStore::migrate(database, 0);
    database.execute(QStringLiteral(
        "INSERT INTO layouts (id, name, created_at, updated_at) VALUES ('L1', 'Desk', 1, 1);"
        "INSERT INTO displays (layout_id, display_key, ordinal, vendor, model, serial, unit,"
        "  frame_x, frame_y, frame_width, frame_height, visible_x, visible_y, visible_width,"
        "  visible_height, pixel_width, pixel_height, scale, is_primary)"
        "  VALUES ('L1', 'K1', 0, 1, 2, 0, 1, 0, 0, 10, 10, 0, 0, 10, 10, 10, 10, 1, 1);"));
    // Defaults of the columns a writer may leave out.
    EXPECT_EQ(scalar(database, "SELECT automation_enabled FROM layouts"), QStringLiteral("0"));
    EXPECT_EQ(scalar(database, "SELECT frame_inferred FROM displays"), QStringLiteral("1"));

    const QString display = QStringLiteral(
        "INSERT INTO displays (layout_id, display_key, ordinal, vendor, model, serial, unit,"
        " frame_x, frame_y, frame_width, frame_height, visible_x, visible_y, visible_width,"
        " visible_height, pixel_width, pixel_height, scale, is_primary, frame_inferred) VALUES ");
    const QString window = QStringLiteral("INSERT INTO windows VALUES ");
    const struct {
        QString sql;
        int extended;
    } cases[] = {
        {"INSERT INTO layouts (id, name, created_at, updated_at) VALUES ('L2', 'DESK', 1, 1)",
         SQLITE_CONSTRAINT_UNIQUE},
        {"INSERT INTO layouts (id, name, created_at, updated_at) VALUES ('L1', 'Other', 1, 1)",
         SQLITE_CONSTRAINT_PRIMARYKEY},
        {"INSERT INTO layouts (id, name, created_at, updated_at) VALUES ('L2', NULL, 1, 1)",
         SQLITE_CONSTRAINT_NOTNULL},
        {display + "('L1', 'K1', 1, 1, 2, 0, 1, 0, 0, 10, 10, 0, 0, 10, 10, 10, 10, 1, 0, 0)",
         SQLITE_CONSTRAINT_PRIMARYKEY},
        {display + "('L1', 'K2', 1, 1, 2, 0, 2, 0, 0, 10, 10, 0, 0, 0, 10, 10, 10, 1, 0, 0)",
         SQLITE_CONSTRAINT_CHECK},
        {display + "('L1', 'K2', 1, 1, 2, 0, 2, 0, 0, 10, -1, 0, 0, 10, 10, 10, 10, 1, 0, 0)",
         SQLITE_CONSTRAINT_CHECK},
        {display + "('L1', 'K2', 1, 1, 2, 0, 2, 0, 0, 10, 10, 0, 0, 10, 10, 0, 10, 1, 0, 0)",
         SQLITE_CONSTRAINT_CHECK},
        {display + "('L1', 'K2', 1, 1, 2, 0, 2, 0, 0, 10, 10, 0, 0, 10, 10, 10, 10, 1, 2, 0)",
         SQLITE_CONSTRAINT_CHECK},
        {display + "('L1', 'K2', 1, 1, 2, 0, 2, 0, 0, 10, 10, 0, 0, 10, 10, 10, 10, 1, 0, 5)",
         SQLITE_CONSTRAINT_CHECK},
        {display + "('L9', 'K2', 1, 1, 2, 0, 2, 0, 0, 10, 10, 0, 0, 10, 10, 10, 10, 1, 0, 0)",
         SQLITE_CONSTRAINT_FOREIGNKEY},
        {window + "('W1', 'L1', 0, 'b', 'a', 'r', 's', NULL, 'K1', 0, 0, 0, 1)",
         SQLITE_CONSTRAINT_CHECK},
        {window + "('W1', 'L1', 0, '', 'a', 'r', 's', NULL, 'K1', 0, 0, 1, 1)",
         SQLITE_CONSTRAINT_CHECK},
        {window + "('W1', 'L1', 0, 'b', '', 'r', 's', NULL, 'K1', 0, 0, 1, 1)",
         SQLITE_CONSTRAINT_CHECK},
        // A window must sit on a display saved in its own layout.
        {window + "('W1', 'L1', 0, 'b', 'a', 'r', 's', NULL, 'K9', 0, 0, 1, 1)",
         SQLITE_CONSTRAINT_FOREIGNKEY},
        {"INSERT INTO exclusions VALUES ('', 'App', 1)", SQLITE_CONSTRAINT_CHECK},
    };
    for (const auto &c : cases) {
        const SQLiteFailure failure = sqliteFailureOf([&] { database.execute(c.sql); });
        EXPECT_EQ(failure.extended, c.extended)
            << c.sql.toStdString() << " → " << failure.message.toStdString();
    }
    EXPECT_EQ(scalar(database, "SELECT count(*) FROM layouts"), QStringLiteral("1"));
    EXPECT_EQ(scalar(database, "SELECT count(*) FROM displays"), QStringLiteral("1"));
    EXPECT_EQ(scalar(database, "SELECT count(*) FROM windows"), QStringLiteral("0"));
}

TEST_F(SchemaTest, DeletingALayoutOrADisplayTakesItsRowsAlong)
{
    SQLiteDatabase database = create();
    LayoutStore::migrate(database, 0);
    const QString displayColumns = QStringLiteral(
        "(layout_id, display_key, ordinal, vendor, model, serial, unit, frame_x, frame_y,"
        " frame_width, frame_height, visible_x, visible_y, visible_width, visible_height,"
        " pixel_width, pixel_height, scale, is_primary)");
    for (const char *layout : {"L1", "L2"}) {
        database.execute(
            QStringLiteral(
                "INSERT INTO layouts (id, name, created_at, updated_at) VALUES ('%1', '%1', 1, 1);"
                "INSERT INTO displays %2 VALUES ('%1', 'K1', 0, 1, 1, 0, 1, 0, 0, 9, 9, 0, 0, 9, "
                "9, 9, 9, 1, 1);"
                "INSERT INTO displays %2 VALUES ('%1', 'K2', 1, 1, 1, 0, 2, 0, 0, 9, 9, 0, 0, 9, "
                "9, 9, 9, 1, 0);"
                "INSERT INTO windows VALUES ('%1-W1', '%1', 0, 'b', 'a', 'r', 's', NULL, 'K1', 0, "
                "0, 1, 1);"
                "INSERT INTO windows VALUES ('%1-W2', '%1', 1, 'b', 'a', 'r', 's', NULL, 'K2', 0, "
                "0, 1, 1);")
                .arg(QLatin1String(layout), displayColumns));
    }
    database.execute(
        QStringLiteral("DELETE FROM displays WHERE layout_id = 'L1' AND display_key = 'K2';"));
    EXPECT_EQ(rows(database, "SELECT id FROM windows ORDER BY id"),
              (QStringList{"L1-W1", "L2-W1", "L2-W2"}));

    database.execute(QStringLiteral("DELETE FROM layouts WHERE id = 'L2';"));
    EXPECT_EQ(rows(database, "SELECT layout_id || ' ' || display_key FROM displays"),
              (QStringList{"L1 K1"}));
    EXPECT_EQ(rows(database, "SELECT id FROM windows"), (QStringList{"L1-W1"}));
}

TEST_F(SchemaTest, Version1GainsFramesFromVisibleFramesLosesItsLinksAndEndsAt3)
{
    SQLiteDatabase database = create();
    database.execute(version1Schema());
    LayoutStore::migrate(database, 1);

    EXPECT_EQ(scalar(database, "PRAGMA user_version;"), QStringLiteral("3"));
    EXPECT_EQ(displayFrame(database), QStringLiteral("0.0,0.0,1440.0,875.0 inferred 1"));
    EXPECT_EQ(scalar(database,
                     "SELECT automation_enabled || ' ' || "
                     "coalesce(automation_topology_signature, 'NULL') FROM layouts"),
              QStringLiteral("0 NULL"));
    EXPECT_EQ(scalar(database, "SELECT count(*) FROM windows"), QStringLiteral("1"));
}

TEST_F(SchemaTest, Version2KeepsEveryValueAndMarksFramesInferred)
{
    SQLiteDatabase database = create();
    database.execute(version1Schema());
    database.execute(QString::fromUtf8(version2Upgrade));
    const QStringList layoutsBefore = rows(database, "SELECT * FROM layouts");
    const QStringList windowsBefore = rows(database, "SELECT * FROM windows");

    LayoutStore::migrate(database, 2);

    EXPECT_EQ(scalar(database, "PRAGMA user_version;"), QStringLiteral("3"));
    EXPECT_EQ(displayFrame(database), QStringLiteral("-10.0,-20.0,1440.0,900.0 inferred 1"));
    EXPECT_EQ(rows(database, "SELECT * FROM layouts"), layoutsBefore);
    EXPECT_EQ(rows(database, "SELECT * FROM windows"), windowsBefore);
}

TEST_F(SchemaTest, AFailingLastStepLeavesTheFileAtTheVersionBeforeIt)
{
    {
        SQLiteDatabase database = create();
        database.execute(version1Schema(QStringLiteral(", frame_inferred INTEGER")));
        const SQLiteFailure failure = sqliteFailureOf([&] { LayoutStore::migrate(database, 1); });
        EXPECT_EQ(failure.message, QStringLiteral("duplicate column name: frame_inferred"));
        EXPECT_EQ(scalar(database, "PRAGMA user_version;"), QStringLiteral("2"));
        EXPECT_EQ(displayFrame(database), QStringLiteral("0.0,0.0,1440.0,875.0 inferred NULL"));
        // No transaction was left open on the connection.
        database.execute(QStringLiteral("BEGIN IMMEDIATE; ROLLBACK;"));
    }
    const QStringList atVersion2 = dump(path);
    {
        SQLiteDatabase database(path, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal, 100);
        EXPECT_THROW(LayoutStore::migrate(database, 2), SQLiteFailure);
    }
    EXPECT_EQ(dump(path), atVersion2);
}

TEST_F(SchemaTest, ABusyFileFailsAtTheStartAndIsLeftAsItWas)
{
    SQLiteDatabase database = create();
    database.execute(version1Schema());
    const QStringList before = dump(path);

    SQLiteDatabase other = openSecondConnection(path);
    other.execute(QStringLiteral("BEGIN IMMEDIATE;"));
    const SQLiteFailure failure = sqliteFailureOf([&] { LayoutStore::migrate(database, 1); });
    EXPECT_EQ(failure.primary, SQLITE_BUSY);
    other.execute(QStringLiteral("ROLLBACK;"));
    EXPECT_EQ(dump(path), before);

    // At version 3 or above there is nothing to do.
    LayoutStore::migrate(database, 3);
    LayoutStore::migrate(database, 7);
    EXPECT_EQ(dump(path), before);
}
