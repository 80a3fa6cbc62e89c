#include "FolderTestSupport.h"

#include "Await.h"
#include "LogRecorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimeZone>
#include <QtConcurrent/QtConcurrentRun>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// --- What opening makes of each state the folder can be found in ------------------------------

struct StartingState {
    const char *name;
    std::function<std::unique_ptr<LockHolder>(FolderTest &)> prepare;
    // The storage folder once the store is closed again.
    QStringList files;
    // The notice's title; empty for none.
    QString notice;
    // The error's text, "{database}" standing for the database path; empty when opening works.
    QString error;
};

void PrintTo(const StartingState &state, std::ostream *out)
{
    *out << state.name;
}

std::unique_ptr<LockHolder> nothing(FolderTest &)
{
    return nullptr;
}

const QString stamp = FolderTest::keptName();

const StartingState startingStates[] = {
    {"NoDatabase", nothing, {"Ostrel.sqlite"}, {}, {}},
    {"PreviousLocationOnly",
     [](FolderTest &f) {
         writeDatabase(f.inPrevious("layouts.sqlite"), {"Desk"});
         writeDatabase(f.inPrevious("layouts.backup.sqlite"), {"Desk"});
         writeBytes(f.inPrevious("layouts.sqlite-shm"), "stale index");
         return nullptr;
     },
     {"Ostrel.backup.sqlite", "Ostrel.sqlite"},
     "Saved layouts copied to Ostrel",
     {}},
    {"PreviousLocationAndADatabase",
     [](FolderTest &f) {
         writeDatabase(f.inPrevious("layouts.sqlite"), {"Old"});
         writeDatabase(f.paths.database, {"Current"});
         return nullptr;
     },
     {"Ostrel.sqlite"},
     {},
     {}},
    // A file that exists but that the program did not write is damage: taken for a new library
    // it would be silently empty, and the next backup would replace the good one with it.
    {"ZeroByteFile",
     [](FolderTest &f) {
         QDir().mkpath(f.paths.directory);
         writeBytes(f.paths.database, {});
         return nullptr;
     },
     {stamp, "Ostrel.sqlite"},
     "Starting with a clean slate",
     {}},
    {"ZeroByteFileWithAGoodBackup",
     [](FolderTest &f) {
         QDir().mkpath(f.paths.directory);
         writeBytes(f.paths.database, {});
         writeDatabase(f.paths.backup, {"Desk"});
         return nullptr;
     },
     {"Ostrel.backup.sqlite", stamp, "Ostrel.sqlite"},
     "Your layouts are back",
     {}},
    {"ForeignDatabaseWithAGoodBackup",
     [](FolderTest &f) {
         QDir().mkpath(f.paths.directory);
         writeDatabaseFromSql(f.paths.database, "CREATE TABLE notes (text TEXT);");
         writeDatabase(f.paths.backup, {"Desk"});
         return nullptr;
     },
     {"Ostrel.backup.sqlite", stamp, "Ostrel.sqlite"},
     "Your layouts are back",
     {}},
    {"CurrentVersionWithoutItsTablesWithAGoodBackup",
     [](FolderTest &f) {
         QDir().mkpath(f.paths.directory);
         writeDatabaseFromSql(f.paths.database,
                              "CREATE TABLE layouts (id TEXT); PRAGMA user_version = 3;");
         writeDatabase(f.paths.backup, {"Desk"});
         return nullptr;
     },
     {"Ostrel.backup.sqlite", stamp, "Ostrel.sqlite"},
     "Your layouts are back",
     {}},
    // Damaged header bytes. With a write version above 2 SQLite would open the file read-only
    // and refuse every edit as "readonly"; no release can have written four bytes of version.
    {"UnknownWriteVersionWithAGoodBackup",
     [](FolderTest &f) {
         writeDatabase(f.paths.database, {"Desk", "Sofa"});
         setByte(f.paths.database, 18, '\xff');
         writeDatabase(f.paths.backup, {"Desk"});
         return nullptr;
     },
     {"Ostrel.backup.sqlite", stamp, "Ostrel.sqlite"},
     "Your layouts are back",
     {}},
    {"ImpossibleSchemaVersionWithAGoodBackup",
     [](FolderTest &f) {
         writeDatabase(f.paths.database, {"Desk", "Sofa"});
         SQLiteDatabase(f.paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged,
                        100)
             .execute("PRAGMA user_version = 335544323;");
         writeDatabase(f.paths.backup, {"Desk"});
         return nullptr;
     },
     {"Ostrel.backup.sqlite", stamp, "Ostrel.sqlite"},
     "Your layouts are back",
     {}},
    {"NegativeSchemaVersionWithoutABackup",
     [](FolderTest &f) {
         writeDatabase(f.paths.database, {"Desk"});
         SQLiteDatabase(f.paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged,
                        100)
             .execute("PRAGMA user_version = -3;");
         return nullptr;
     },
     {stamp, "Ostrel.sqlite"},
     "Starting with a clean slate",
     {}},
    {"HighestPlausibleSchemaVersion",
     [](FolderTest &f) {
         writeDatabase(f.paths.database, {"Desk"});
         SQLiteDatabase(f.paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged,
                        100)
             .execute("PRAGMA user_version = 1000;");
         return nullptr;
     },
     {"Ostrel.sqlite"},
     {},
     "Update Ostrel for database version 1000. File unchanged: {database}."},
    {"Garbage",
     [](FolderTest &f) {
         writeGarbage(f.paths.database);
         return nullptr;
     },
     {stamp, "Ostrel.sqlite"},
     "Starting with a clean slate",
     {}},
    {"DamagedPageWithAGoodBackup",
     [](FolderTest &f) {
         writeDamagedDatabase(f.paths.database);
         writeDatabase(f.paths.backup, {"Desk"});
         return nullptr;
     },
     {"Ostrel.backup.sqlite", stamp, "Ostrel.sqlite"},
     "Your layouts are back",
     {}},
    // An index entry that no longer matches its row passes SQLite's quick check, and the
    // layout would then load without that window; opening treats it as the damage it is.
    {"DamagedIndexWithAGoodBackup",
     [](FolderTest &f) {
         writeDatabaseWithDamagedIndex(f.paths.database, {"Desk"}, 4);
         writeDatabase(f.paths.backup, {"Desk"}, 4);
         return nullptr;
     },
     {"Ostrel.backup.sqlite", stamp, "Ostrel.sqlite"},
     "Your layouts are back",
     {}},
    {"DamagedIndexWithoutABackup",
     [](FolderTest &f) {
         writeDatabaseWithDamagedIndex(f.paths.database, {"Desk", "Sofa"}, 4);
         return nullptr;
     },
     {stamp, "Ostrel.sqlite"},
     "Starting with a clean slate",
     {}},
    {"SchemaVersion4",
     [](FolderTest &f) {
         writeDatabase(f.paths.database, {"Desk"});
         SQLiteDatabase(f.paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged,
                        100)
             .execute("PRAGMA user_version = 4;");
         return nullptr;
     },
     {"Ostrel.sqlite"},
     {},
     "Update Ostrel for database version 4. File unchanged: {database}."},
    {"Version1WithABackupThatCannotBeWritten",
     [](FolderTest &f) {
         writeDatabaseFromSql(f.paths.database, version1Schema());
         QDir().mkpath(f.paths.backup + "/in-the-way");
         return nullptr;
     },
     {"Ostrel.backup.sqlite", "Ostrel.sqlite"},
     {},
     "Storage is unavailable. Upgrade paused: backup failed. Couldn’t create a backup. Backup "
     "update failed. Previous backup kept. Is a directory"},
    {"HeldBusyByAnotherProcess",
     [](FolderTest &f) {
         writeDatabase(f.paths.database, {"Desk"});
         f.environment.preOpenBusyTimeoutMilliseconds = 20;
         f.environment.busyTimeoutMilliseconds = 20;
         // A writer of another process between its pending and its exclusive lock.
         return std::make_unique<LockHolder>(
             QList<LockHolder::Range>{{f.paths.database, F_WRLCK, pendingByte, 1}});
     },
     {"Ostrel.sqlite"},
     {},
     "Storage is unavailable. Another app or connection is using the layout database (database "
     "is locked)."},
    {"RecoveryLockHeldOnTheDatabase",
     [](FolderTest &f) {
         writeGarbage(f.paths.database);
         // A reader of another process.
         return std::make_unique<LockHolder>(
             QList<LockHolder::Range>{{f.paths.database, F_RDLCK, sharedFirstByte, 1}});
     },
     {"Ostrel.sqlite"},
     {},
     "Storage is unavailable. Another app has the layout database open. Close it or try again."},
    {"RecoveryLockHeldOnTheSharedMemoryFile",
     [](FolderTest &f) {
         writeGarbage(f.paths.database);
         writeBytes(f.paths.database + "-shm", QByteArray(64, 'x'));
         return std::make_unique<LockHolder>(
             QList<LockHolder::Range>{{f.paths.database + "-shm", F_WRLCK, 0, 8}});
     },
     {"Ostrel.sqlite", "Ostrel.sqlite-shm"},
     {},
     "Storage is unavailable. Another app has the layout database open. Close it or try again."},
};

struct StartingStateTest : FolderTest, ::testing::WithParamInterface<StartingState> {};

TEST_P(StartingStateTest, OpensOrFailsAndLeavesTheExpectedFiles)
{
    const StartingState &state = GetParam();
    const std::unique_ptr<LockHolder> holder = state.prepare(*this);
    if (holder) {
        ASSERT_TRUE(holder->holding());
    }
    const QStringList before = snapshotOf(paths.directory);

    if (state.error.isEmpty()) {
        StorageOpenResult result = open();
        ASSERT_TRUE(result.store);
        EXPECT_EQ(result.notice ? result.notice->title : QString(), state.notice);
        EXPECT_EQ(result.store->notice(), result.notice);
        EXPECT_EQ(result.paths, paths);
        EXPECT_EQ(result.store->paths(), paths);
        result.store.reset();
        EXPECT_EQ(userVersionOf(paths.database), "3");
        EXPECT_EQ(journalModeOf(paths.database), "wal");
    } else {
        const StorageError error = storageErrorOf([&] { open(); });
        EXPECT_EQ(error.errorDescription(),
                  QString(state.error).replace("{database}", paths.database));
        EXPECT_EQ(snapshotOf(paths.directory), before) << "opening changed files";
    }
    EXPECT_EQ(folderFiles(), state.files);
}

INSTANTIATE_TEST_SUITE_P(Folder, StartingStateTest, ::testing::ValuesIn(startingStates),
                         [](const auto &info) { return std::string(info.param.name); });

// --- Details of the paths above ----------------------------------------------------------------

struct OpeningTest : FolderTest {};

TEST_F(OpeningTest, ANewDatabaseIsEmptyAndIgnoresStaleSideFilesOfAnEarlierOne)
{
    QDir().mkpath(paths.directory);
    writeBytes(paths.database + "-wal", "a log of some earlier file");
    writeBytes(paths.database + "-journal", "a journal of some earlier file");

    StorageOpenResult result = open();
    EXPECT_EQ(result.notice, std::nullopt);
    EXPECT_TRUE(await(result.store->loadLayouts()).isEmpty());
    result.store.reset();
    EXPECT_EQ(folderFiles(), QStringList{"Ostrel.sqlite"});
}

// Opening runs on a worker thread; the store it builds then serves, and dies on, the main thread.
TEST_F(OpeningTest, AStoreOpenedOnAWorkerThreadServesTheMainThread)
{
    writeDatabase(paths.database, {"Desk"});
    QFuture<std::unique_ptr<LayoutStore>> opening =
        QtConcurrent::run([this] { return LayoutStore::open(paths, environment).store; });
    opening.waitForFinished();
    std::unique_ptr<LayoutStore> store = opening.takeResult();

    const DisplaySnapshot display = sampleDisplay(0, 1, true);
    await(store->createLayout("Sofa", {display}, {sampleEntry(display, "Editor")}, std::nullopt));
    EXPECT_EQ(await(store->loadLayouts()).size(), 2);
    EXPECT_EQ(await(store->backupNow()), paths.backup);
    store.reset();
    EXPECT_EQ(layoutNamesIn(paths.backup), (QStringList{"Desk", "Sofa"}));
}

TEST_F(OpeningTest, ThePreviousLocationIsCopiedOnceWithoutItsIndexAndWithoutOverwriting)
{
    writeDatabase(inPrevious("layouts.sqlite"), {"Desk", "Sofa"});
    writeDatabase(inPrevious("layouts.backup.sqlite"), {"Desk"});
    writeBytes(inPrevious("layouts.sqlite-shm"), "stale index");
    // A backup already in the new folder is never overwritten.
    writeDatabase(paths.backup, {"Newer backup"});
    const QByteArray ownBackup = bytesOf(paths.backup);
    const QStringList previousBefore = snapshotOf(previousFolder);

    StorageOpenResult result = open();
    ASSERT_TRUE(result.notice);
    EXPECT_EQ(
        *result.notice,
        (StorageNotice{"Saved layouts copied to Ostrel",
                       "Your saved layouts and backup were copied from the previous app name. "
                       "The old folder was left untouched.",
                       "Previous location: " + previousFolder}));
    EXPECT_EQ(await(result.store->loadLayouts()).size(), 2);
    result.store.reset();

    EXPECT_EQ(snapshotOf(previousFolder), previousBefore);
    EXPECT_EQ(folderFiles(), (QStringList{"Ostrel.backup.sqlite", "Ostrel.sqlite"}));
    EXPECT_EQ(bytesOf(paths.backup), ownBackup);

    // Once a database exists the previous location is not looked at again.
    writeBytes(inPrevious("layouts.sqlite-journal"), "a journal");
    result = open();
    EXPECT_EQ(result.notice, std::nullopt);
    result.store.reset();
    EXPECT_FALSE(QFile::exists(paths.database + "-journal"));
}

// A copy cut off half-way lands under a temporary name only, so it is never opened as a
// (damaged) database later; copies that did finish are taken back.
TEST_F(OpeningTest, AFailedCopyFromThePreviousLocationLeavesNoDatabaseAndNoTemporaryFile)
{
    struct Case {
        FailingFileSystem::Call call;
        const char *path;
    };
    const Case cases[] = {
        {FailingFileSystem::Call::copy, "/Ostrel\\.sqlite"},
        {FailingFileSystem::Call::fsync, "/Ostrel\\.sqlite"},
        {FailingFileSystem::Call::rename, "/Ostrel\\.sqlite$"},
        {FailingFileSystem::Call::copy, "/Ostrel\\.backup\\.sqlite"},
        {FailingFileSystem::Call::copy, "/Ostrel\\.sqlite-wal"},
    };
    writeDatabase(inPrevious("layouts.sqlite"), {"Desk"});
    writeDatabase(inPrevious("layouts.backup.sqlite"), {"Desk"});
    writeBytes(inPrevious("layouts.sqlite-wal"), {});
    const QStringList previousBefore = snapshotOf(previousFolder);

    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        files = std::make_shared<FailingFileSystem>();
        files->fail(c.call, c.path);
        environment.files = files;

        const StorageError error = storageErrorOf([&] { open(); });
        EXPECT_EQ(error.errorDescription(),
                  "Storage is unavailable. Saved layouts from the previous app name could not be "
                  "copied to "
                      + paths.directory + ". The disk reported an I/O error (Input/output error)");
        EXPECT_EQ(folderFiles(), QStringList{});
        EXPECT_EQ(snapshotOf(previousFolder), previousBefore);
    }
}

TEST_F(OpeningTest, AFolderThatCannotBeCreatedMakesStorageUnavailable)
{
    writeBytes(paths.directory, "a file where the folder belongs");
    const StorageError error = storageErrorOf([&] { open(); });
    EXPECT_EQ(error.errorDescription(),
              "Storage is unavailable. Couldn’t create " + paths.directory + ". Not a directory");
}

// A row that the readers refuse is damage, like a page SQLite cannot read: the store used to open
// it as a readFailed that no start ever got past, with a good backup beside it.
struct RefusedRow {
    const char *name;
    // Run on the database with foreign keys off, as damage on the disk would leave it.
    const char *damage;
    // Why the database needed recovery, as the log and a failed recovery tell it.
    QString reason;
};

void PrintTo(const RefusedRow &row, std::ostream *out)
{
    *out << row.name;
}

const RefusedRow refusedRows[] = {
    {"WindowOnADisplayNotInItsLayout", "UPDATE windows SET display_key = '16-32-9';",
     "A saved window refers to a display that is not in the layout."},
    {"CreationDateAfter2100", "UPDATE layouts SET created_at = 5680281600;",
     "A layout creation date is not a valid date."},
    {"ExclusionDateAfter2100",
     "INSERT INTO exclusions VALUES ('org.example.player', 'Player', 5680281600.0);",
     "An exclusion date is not a valid date."},
    {"TwoPrimaryDisplays",
     "INSERT INTO displays SELECT layout_id, '16-32-2', 1, 16, 32, 0, 2, frame_x, frame_y,"
     " frame_width, frame_height, visible_x, visible_y, visible_width, visible_height,"
     " pixel_width, pixel_height, scale, 1, frame_inferred FROM displays;",
     "A layout marks more than one display as primary."},
    {"HalfAShortcut", "UPDATE layouts SET shortcut_key_code = 12;",
     "A layout shortcut is incomplete."},
};

struct RefusedRowTest : FolderTest, ::testing::WithParamInterface<RefusedRow> {
    void damage()
    {
        writeDatabase(paths.database, {"Desk"});
        SQLiteDatabase database(paths.database, SQLiteOpenMode::readWrite,
                                SQLiteJournalPolicy::unchanged, 100);
        database.execute("PRAGMA foreign_keys = OFF;");
        database.execute(QString::fromUtf8(GetParam().damage));
    }
    QStringList namesIn(LayoutStore &store)
    {
        QStringList names;
        for (const Layout &layout : await(store.loadLayouts())) {
            names << layout.name;
        }
        return names;
    }
};

TEST_P(RefusedRowTest, IsDamageThatTheBackupRepairs)
{
    writeDatabase(paths.backup, {"Desk", "Sofa"});
    damage();
    const QByteArray damaged = bytesOf(paths.database);

    StorageOpenResult result = open();
    ASSERT_TRUE(result.notice);
    EXPECT_EQ(result.notice->title, "Your layouts are back");
    EXPECT_EQ(result.notice->details, "Preserved files: " + keptName() + ".");
    EXPECT_EQ(namesIn(*result.store), (QStringList{"Desk", "Sofa"}));
    EXPECT_EQ(await(result.store->loadExclusions()), QList<AppExclusion>{});
    result.store.reset();
    EXPECT_EQ(bytesOf(inFolder(keptName())), damaged);
}

TEST_P(RefusedRowTest, WithoutABackupStartsCleanAndKeepsTheFile)
{
    damage();
    StorageOpenResult result = open();
    ASSERT_TRUE(result.notice);
    EXPECT_EQ(result.notice->title, "Starting with a clean slate");
    EXPECT_EQ(namesIn(*result.store), QStringList{});
    result.store.reset();
    EXPECT_TRUE(QFile::exists(inFolder(keptName())));
}

// A backup with the same refused row cannot repair it: nothing is moved, and the error says why.
TEST_P(RefusedRowTest, ABackupWithTheSameRowLeavesEverythingInPlace)
{
    damage();
    ASSERT_TRUE(QFile::copy(paths.database, paths.backup));
    const QStringList before = snapshotOf(paths.directory);
    const StorageError error = storageErrorOf([&] { open(); });
    EXPECT_TRUE(error.errorDescription().contains(GetParam().reason))
        << error.errorDescription().toStdString();
    EXPECT_EQ(snapshotOf(paths.directory), before);
}

INSTANTIATE_TEST_SUITE_P(Damage, RefusedRowTest, ::testing::ValuesIn(refusedRows),
                         [](const auto &info) { return std::string(info.param.name); });

// The checks of a file run side by side, yet where several fail, the first of them in their
// order names the damage: the file's integrity, then whether the program wrote it at all, then
// its rows, then their references.
TEST_F(OpeningTest, WhereSeveralChecksFailTheFirstOfThemNamesTheDamage)
{
    const auto change = [](const QString &path, const char *sql) {
        SQLiteDatabase database(path, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged,
                                100);
        database.execute("PRAGMA foreign_keys = OFF;");
        database.execute(QString::fromUtf8(sql));
    };
    const char *const refusedRow = "UPDATE layouts SET shortcut_key_code = 12;";
    const char *const windowOfNoLayout =
        "INSERT INTO windows SELECT lower(id), 'NO SUCH LAYOUT', ordinal, bundle_id, app_name,"
        " role, subrole, hostname, display_key, rel_x, rel_y, rel_width, rel_height FROM windows;";
    const struct {
        const char *name;
        std::function<void(const QString &)> write;
        QString reason;
    } cases[] = {
        {"a damaged index, a refused row",
         [&](const QString &path) {
             writeDatabaseWithDamagedIndex(path, {"Desk", "Sofa"}, 4);
             change(path, refusedRow);
         },
         "SQLite reported an integrity problem: "},
        {"no exclusions table, a refused row, a window of no layout",
         [&](const QString &path) {
             writeDatabase(path, {"Desk"});
             change(path, windowOfNoLayout);
             change(path, refusedRow);
             change(path, "DROP TABLE exclusions;");
         },
         "The file has no table exclusions."},
        {"a refused row, a window of no layout",
         [&](const QString &path) {
             writeDatabase(path, {"Desk"});
             change(path, windowOfNoLayout);
             change(path, refusedRow);
         },
         "A layout shortcut is incomplete."},
        {"a window of no layout",
         [&](const QString &path) {
             writeDatabase(path, {"Desk"});
             change(path, windowOfNoLayout);
         },
         "A related row in windows is missing its parent."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        paths = StorePaths::inFolder(root.filePath(QString::fromUtf8(c.name)));
        QDir().mkpath(paths.directory);
        c.write(paths.database);
        // A backup with the same damage cannot repair it: the error tells why recovery began.
        ASSERT_TRUE(QFile::copy(paths.database, paths.backup));
        const StorageError error = storageErrorOf([&] { open(); });
        EXPECT_TRUE(error.errorDescription().contains(c.reason))
            << error.errorDescription().toStdString();
    }
}

// The opening has read every layout already: the first load takes them as they were read while
// nothing has changed the file since, and reads it again where anything has.
TEST_F(OpeningTest, TheFirstLoadTakesTheLayoutsTheOpeningReadWhileTheFileIsUnchanged)
{
    const auto namesIn = [](const QList<Layout> &layouts) {
        QStringList names;
        for (const Layout &layout : layouts) {
            names << layout.name;
        }
        return names;
    };
    const struct {
        const char *name;
        // Done after the opening, before the first load.
        std::function<void(LayoutStore &, const QString &)> change;
        QStringList loaded;
    } cases[] = {
        {"nothing", [](LayoutStore &, const QString &) {}, {"Desk", "Sofa"}},
        {"another connection renames a layout",
         [](LayoutStore &, const QString &path) {
             openSecondConnection(path).execute("UPDATE layouts SET name = 'Bed' WHERE name = "
                                                "'Sofa';");
         },
         {"Desk", "Bed"}},
        {"another connection damages a row",
         [](LayoutStore &, const QString &path) {
             openSecondConnection(path).execute("UPDATE layouts SET shortcut_key_code = 12;");
         },
         {}},
        {"the store deletes a layout",
         [](LayoutStore &store, const QString &path) {
             SQLiteDatabase other = openSecondConnection(path);
             await(store.deleteLayout(
                 QUuid(scalar(other, "SELECT id FROM layouts WHERE name = 'Desk'"))));
         },
         {"Sofa"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        paths = StorePaths::inFolder(root.filePath(QString::fromUtf8(c.name)));
        QDir().mkpath(paths.directory);
        writeDatabase(paths.database, {"Desk", "Sofa"}, 3);
        StorageOpenResult result = open();
        ASSERT_TRUE(result.store);
        c.change(*result.store, paths.database);
        if (c.loaded.isEmpty()) {
            EXPECT_EQ(storageErrorOf([&] { await(result.store->loadLayouts()); }),
                      StorageError::readFailed("A layout shortcut is incomplete."));
            continue;
        }
        const QList<Layout> loaded = await(result.store->loadLayouts());
        EXPECT_EQ(namesIn(loaded), c.loaded);
        EXPECT_EQ(loaded, result.store->executor().runBlocking([&] {
            return LayoutStore::loadLayoutsOneByOne(result.store->database());
        }));
    }
}

// Whatever the clock says while the user saves, what was written opens again: the dates are
// brought into the range that the readers accept.
TEST_F(OpeningTest, WhatWasSavedUnderAClockFarOffOpensAgain)
{
    const struct {
        const char *name;
        QDateTime clock;
        QDateTime stored;
    } clocks[] = {
        {"2180", QDateTime(QDate(2180, 1, 1), QTime(0, 0), QTimeZone::utc()),
         QDateTime(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc())},
        {"1999", QDateTime(QDate(1999, 12, 31), QTime(23, 0), QTimeZone::utc()),
         QDateTime(QDate(1999, 12, 31), QTime(23, 0), QTimeZone::utc())},
        {"1970", QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc()),
         QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc())},
        {"BeforeTheYear1", QDateTime(QDate(-50, 6, 1), QTime(0, 0), QTimeZone::utc()),
         QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc())},
        {"NoValidTime", QDateTime(), QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc())},
    };
    for (const auto &c : clocks) {
        SCOPED_TRACE(c.name);
        QDir(paths.directory).removeRecursively();
        environment.clock = [&] { return c.clock; };
        {
            StorageOpenResult result = open();
            LayoutStore &store = *result.store;
            const DisplaySnapshot display = sampleDisplay(0, 1, true);
            const Layout desk = await(store.createLayout(
                "Desk", {display}, {sampleEntry(display, "A"), sampleEntry(display, "B")},
                std::nullopt));
            EXPECT_EQ(desk.createdAt, c.stored);
            const Layout sofa = await(
                store.createLayout("Sofa", {display}, {sampleEntry(display, "C")}, std::nullopt));
            await(store.renameLayout(sofa.id, "Couch"));
            await(store.updateShortcut(sofa.id, Shortcut{12, 0x100}));
            await(store.updateAutomation(sofa.id, true, QStringLiteral("signature")));
            await(store.reassociateAutomation(sofa.id, {display}, QStringLiteral("signature")));
            await(store.replaceLayoutContent(sofa.id, {display}, {sampleEntry(display, "D")}));
            await(store.removeEntry(desk.id, desk.entries[0].id));
            await(store.addExclusion("org.example.player", "Player"));
        }
        environment.clock = [] { return QDateTime::currentDateTimeUtc(); };
        StorageOpenResult reopened = open();
        EXPECT_EQ(reopened.notice, std::nullopt);
        const QList<Layout> layouts = await(reopened.store->loadLayouts());
        ASSERT_EQ(layouts.size(), 2);
        for (const Layout &layout : layouts) {
            EXPECT_EQ(layout.createdAt, c.stored);
            EXPECT_EQ(layout.updatedAt, c.stored);
        }
        const QList<AppExclusion> exclusions = await(reopened.store->loadExclusions());
        ASSERT_EQ(exclusions.size(), 1);
        EXPECT_EQ(exclusions[0].createdAt, c.stored);
    }
}

TEST_F(OpeningTest, AVersion1FileIsBackedUpAsItWasThenUpgradedAndItsLinksAreReported)
{
    // From the previous location, so the upgrade's notice must win over the adoption's.
    writeDatabaseFromSql(inPrevious("layouts.sqlite"), version1Schema());

    StorageOpenResult result = open();
    EXPECT_EQ(result.notice,
              (StorageNotice{"Display links refreshed",
                             "Re-link your layouts in Layout details to keep display automation "
                             "working.",
                             std::nullopt}));
    const QList<Layout> layouts = await(result.store->loadLayouts());
    ASSERT_EQ(layouts.size(), 1);
    EXPECT_FALSE(layouts[0].automationEnabled);
    result.store.reset();

    EXPECT_EQ(userVersionOf(paths.database), "3");
    EXPECT_EQ(userVersionOf(paths.backup), "1");
    EXPECT_EQ(open().notice, std::nullopt) << "the notice is given once";
    EXPECT_EQ(journalModeOf(paths.backup), "delete");
    EXPECT_EQ(folderFiles(), (QStringList{"Ostrel.backup.sqlite", "Ostrel.sqlite"}));
}

TEST_F(OpeningTest, AnUpgradeCutShortAfterItsCommitStillGivesItsNoticeOnce)
{
    writeDatabaseFromSql(paths.database, version1Schema());
    {
        // The upgrade of an open that was killed right after the upgrade's commit.
        SQLiteDatabase database(paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal,
                                100);
        LayoutStore::migrate(database, 1);
    }
    const StorageNotice relink{"Display links refreshed",
                               "Re-link your layouts in Layout details to keep display automation "
                               "working.",
                               std::nullopt};

    StorageOpenResult result = open();
    EXPECT_EQ(result.notice, relink);
    EXPECT_EQ(result.store->notice(), relink);
    result.store.reset();

    result = open();
    EXPECT_EQ(result.notice, std::nullopt);
    result.store.reset();
    // Once given, the file holds exactly the current schema again.
    SQLiteDatabase database(paths.database, SQLiteOpenMode::readWrite,
                            SQLiteJournalPolicy::unchanged, 100);
    EXPECT_EQ(rows(database, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              (QStringList{"displays", "exclusions", "layouts", "windows"}));
}

// Another writer holds the file while the upgrade's notice is marked as given: the open goes on,
// logs why, and the notice comes once more at the next open.
TEST_F(OpeningTest, ANoticeThatCannotBeMarkedGivenIsLoggedAndGivenAgain)
{
    writeDatabaseFromSql(paths.database, version1Schema());
    const StorageNotice relink{"Display links refreshed",
                               "Re-link your layouts in Layout details to keep display automation "
                               "working.",
                               std::nullopt};
    {
        SQLiteDatabase upgraded(paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal,
                                100);
        LayoutStore::migrate(upgraded, 1);
    }
    environment.busyTimeoutMilliseconds = 20;
    {
        SQLiteDatabase writer(paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal,
                              100);
        writer.execute("BEGIN IMMEDIATE;");
        const LogRecorder log;
        StorageOpenResult result = open();
        EXPECT_EQ(result.notice, relink);
        const QString locked = "Another app or connection is using the layout database "
                               "(database is locked).";
        EXPECT_EQ(log.messages(QtWarningMsg, "ostrel.storage"),
                  (QStringList{"A write to the database did not land: " + locked,
                               "The upgrade's notice could not be marked as given; it comes "
                               "again at the next start: "
                                   + locked}));
        result.store.reset();
        writer.execute("ROLLBACK;");
    }
    EXPECT_EQ(open().notice, relink);
    EXPECT_EQ(open().notice, std::nullopt);
}

TEST_F(OpeningTest, WhatAKilledRecoveryResetOrBackupLeftBehindIsRemovedAndNothingElse)
{
    writeDatabase(paths.database, {"Desk"});
    const QString candidate = "Ostrel.backup-candidate-6F1D0C2A-4B7E-4C43-9A55-0D8E2B1F7A90.sqlite";
    const QStringList leftovers{candidate, candidate + "-journal", "Ostrel.reset-pending.tmp-1B2C",
                                "Ostrel.backup.sqlite.tmp-3D4E", "Ostrel.sqlite.tmp-5F60"};
    const QStringList kept{keptName(), "Ostrel.backup.sqlite.notes", "Ostrel.sqlite", "notes.txt"};
    for (const QString &name : leftovers + kept) {
        if (name != "Ostrel.sqlite") {
            writeBytes(inFolder(name), "some bytes");
        }
    }

    StorageOpenResult result = open();
    EXPECT_EQ(result.notice, std::nullopt);
    result.store.reset();
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(folderFiles(), expected);
}

// A writer that died mid-transaction leaves a hot journal; the read-only check must not turn it
// into a "read-only" failure at every start, and the journal must be rolled back.
TEST_F(OpeningTest, AHotRollbackJournalIsRolledBackInsteadOfReportedAsReadOnly)
{
    for (const bool fromPreviousLocation : {false, true}) {
        SCOPED_TRACE(fromPreviousLocation ? "copied from the previous location" : "in place");
        QDir(paths.directory).removeRecursively();
        QDir(previousFolder).removeRecursively();
        writeDatabaseWithHotJournal(fromPreviousLocation ? inPrevious("layouts.sqlite")
                                                         : paths.database);

        StorageOpenResult result = open();
        EXPECT_EQ(result.notice ? result.notice->title : QString(),
                  fromPreviousLocation ? "Saved layouts copied to Ostrel" : "");
        QStringList names;
        for (const Layout &layout : await(result.store->loadLayouts())) {
            names << layout.name;
        }
        EXPECT_EQ(names, (QStringList{"Desk", "Sofa"}));
        result.store.reset();
        EXPECT_EQ(folderFiles(), QStringList{"Ostrel.sqlite"});
    }
}

} // namespace

// --- Who may read the files -------------------------------------------------------------------

// The folder is its owner's alone, and so is every file the store writes there, whatever the
// umask: SQLite on its own would create them with the umask's mode and give the log, index and
// journal the database's.
struct FileModesTest : FolderTest, ::testing::WithParamInterface<mode_t> {
    mode_t previousUmask = 0;
    void SetUp() override
    {
        FolderTest::SetUp();
        previousUmask = ::umask(GetParam());
    }
    void TearDown() override { ::umask(previousUmask); }

    static mode_t modeOf(const QString &path)
    {
        struct stat status {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
        return status.st_mode & 07777;
    }
};

TEST_P(FileModesTest, TheFolderAndEveryFileTheStoreWritesAreTheOwnersAlone)
{
    // Temporary files live only for a moment: their mode is taken when the store syncs them.
    QHash<QString, mode_t> passing;
    const auto recordPassing = [&](const QString &call, const QString &path) {
        const QString name = QFileInfo(path).fileName();
        if (call == QLatin1String("close")
            && (name.contains(QLatin1String(".tmp-"))
                || name.contains(QLatin1String("candidate")))) {
            passing.insert(name.section(QLatin1Char('-'), 0, 0), modeOf(path));
        }
    };
    files->observer = recordPassing;
    StorageOpenResult result = open();
    const DisplaySnapshot display = sampleDisplay(0, 1, true);
    await(result.store->createLayout("Desk", {display}, {sampleEntry(display, "Editor")},
                                     std::nullopt));
    await(result.store->backupNow());
    EXPECT_EQ(modeOf(paths.directory), 0700);
    for (const QString &path :
         {paths.database, paths.database + "-wal", paths.database + "-shm", paths.backup}) {
        EXPECT_EQ(modeOf(path), 0600) << path.toStdString();
    }
    // A reset whose backup cannot be put in place leaves its marker.
    files->fail(FailingFileSystem::Call::rename, "Ostrel\\.backup\\.sqlite$");
    EXPECT_TRUE(await(result.store->resetDatabase()).has_value());
    EXPECT_EQ(modeOf(paths.resetMarker), 0600);
    result.store.reset();

    // Recovery's kept copies and the copy of the backup it checks.
    writeGarbage(paths.database);
    ::chmod(QFile::encodeName(paths.database).constData(), 0644);
    files = std::make_shared<FailingFileSystem>();
    files->observer = recordPassing;
    environment.files = files;
    ::unlink(QFile::encodeName(paths.resetMarker).constData());
    result = open();
    ASSERT_TRUE(result.notice);
    EXPECT_EQ(modeOf(inFolder(keptName())), 0600);
    EXPECT_EQ(modeOf(paths.database), 0600);
    result.store.reset();

    EXPECT_TRUE(passing.contains("Ostrel.backup.sqlite.tmp"));
    EXPECT_TRUE(passing.contains("Ostrel.reset"));
    EXPECT_TRUE(passing.contains("Ostrel.backup"));
    for (auto it = passing.cbegin(); it != passing.cend(); ++it) {
        EXPECT_EQ(it.value(), 0600) << it.key().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Umask, FileModesTest,
                         ::testing::Values(mode_t(0), mode_t(0022), mode_t(0277)),
                         [](const auto &info) {
                             return "Umask0" + QString::number(info.param, 8).toStdString();
                         });

// A folder made by an earlier version for everyone to read is closed at the next open; rights
// are only ever taken, never given: a folder or file that its owner made read-only stays so.
TEST_F(OpeningTest, RightsOfOthersAreTakenAndTheOwnersAreLeftAsTheyAre)
{
    const struct {
        mode_t folder, database, folderAfter, databaseAfter;
    } cases[] = {
        {0755, 0644, 0700, 0600}, {0750, 0640, 0700, 0600}, {0700, 0600, 0700, 0600},
        {0500, 0400, 0500, 0400}, {0555, 0444, 0500, 0400},
    };
    const auto modeOf = [](const QString &path) {
        struct stat status {};
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
        return status.st_mode & 07777;
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString::number(c.folder, 8).toStdString());
        if (QFileInfo::exists(paths.directory)) {
            ::chmod(QFile::encodeName(paths.directory).constData(), 0700);
            QDir(paths.directory).removeRecursively();
        }
        writeDatabase(paths.database, {"Desk"});
        ::chmod(QFile::encodeName(paths.database).constData(), c.database);
        ::chmod(QFile::encodeName(paths.directory).constData(), c.folder);
        try {
            // Without the right to write (as a user other than root), opening fails: that is
            // the owner's choice, not the program's to undo.
            open();
        } catch (const StorageError &) {
        }
        EXPECT_EQ(modeOf(paths.directory), c.folderAfter);
        EXPECT_EQ(modeOf(paths.database), c.databaseAfter);
    }
    ::chmod(QFile::encodeName(paths.directory).constData(), 0700);
}
