#include "FolderTestSupport.h"

#include "Await.h"
#include "LogRecorder.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString resetMarkerText =
    QStringLiteral("Automatic recovery is paused until a backup of the reset database is saved.\n"
                   "Reset started: 2026-03-04T05:06:07Z");

// A store opened on its folder with two layouts and an exclusion.
struct BackupTest : FolderTest {
    StorageOpenResult opened;
    LayoutStore *store = nullptr;

    void SetUp() override
    {
        FolderTest::SetUp();
        writeDatabase(paths.database, {"Desk", "Sofa"});
        openStore();
        await(store->addExclusion("org.example.player", "Player"));
    }
    void openStore()
    {
        opened = open();
        store = opened.store.get();
    }
    void closeStore()
    {
        opened.store.reset();
        store = nullptr;
    }
    int rowCount(const char *table)
    {
        return store->executor().runBlocking([&] {
            return scalar(store->database(),
                          QByteArray("SELECT count(*) FROM ").append(table).constData())
                .toInt();
        });
    }
    // A reset while another connection holds the write lock: it removes nothing. Tests open the
    // store with a short busy timeout first, so that the reset gives up at once.
    StorageError resetWhileTheDatabaseIsLocked()
    {
        SQLiteDatabase other = openSecondConnection(paths.database);
        other.execute("BEGIN IMMEDIATE;");
        const StorageError error = storageErrorOf([&] { await(store->resetDatabase()); });
        other.execute("ROLLBACK;");
        return error;
    }
    // The files that should not be there once an operation is over.
    QStringList leftovers() const
    {
        return folderFiles().filter(QRegularExpression("\\.tmp-|^Ostrel\\.backup\\.sqlite-"));
    }
};

TEST_F(BackupTest, ABackupIsAVerifiedSelfContainedCopyThatReplacesThePreviousOneWhole)
{
    QDir().mkpath(paths.directory);
    // Left by an interrupted backup, and files that merely look alike.
    writeBytes(paths.backup + ".tmp-0F2E", "half a copy");
    writeBytes(paths.database + ".tmp-0F2E", "not the backup's");
    writeBytes(inFolder("notes.txt"), "mine");

    EXPECT_EQ(await(store->backupNow()), paths.backup);
    EXPECT_EQ(layoutNamesIn(paths.backup), (QStringList{"Desk", "Sofa"}));
    EXPECT_EQ(journalModeOf(paths.backup), "delete");

    await(store->renameLayout(await(store->loadLayouts())[0].id, "Office"));
    await(store->backupNow());
    EXPECT_EQ(layoutNamesIn(paths.backup), (QStringList{"Office", "Sofa"}));

    EXPECT_EQ(leftovers(), QStringList{"Ostrel.sqlite.tmp-0F2E"});
    EXPECT_TRUE(QFile::exists(inFolder("notes.txt")));
}

TEST_F(BackupTest, AFailedBackupKeepsThePreviousOneAndLeavesNothingBehind)
{
    await(store->backupNow());
    const QByteArray previous = bytesOf(paths.backup);

    // A copy this version could not read back is never installed.
    store->executor().runBlocking([&] { store->database().execute("PRAGMA user_version = 4;"); });
    StorageError error = storageErrorOf([&] { await(store->backupNow()); });
    EXPECT_EQ(error.kind(), StorageError::Kind::backupFailed);
    EXPECT_TRUE(error.detail().startsWith(
        "Update Ostrel for database version 4. File unchanged: " + paths.backup + ".tmp-"))
        << error.detail().toStdString();
    EXPECT_EQ(bytesOf(paths.backup), previous);
    EXPECT_EQ(leftovers(), QStringList{});
    store->executor().runBlocking([&] { store->database().execute("PRAGMA user_version = 3;"); });

    files->fail(FailingFileSystem::Call::rename, "/Ostrel\\.backup\\.sqlite$");
    error = storageErrorOf([&] { await(store->backupNow()); });
    EXPECT_EQ(error.errorDescription(),
              "Couldn’t create a backup. Backup update failed. Previous backup kept. The disk "
              "reported an I/O error (Input/output error)");
    EXPECT_EQ(bytesOf(paths.backup), previous);
    EXPECT_EQ(leftovers(), QStringList{});
}

// A copy whose index lost an entry would pass SQLite's quick check and replace a good backup;
// the next open would then find the damage and have only that copy to recover from.
TEST_F(BackupTest, ACopyWhoseIndexDoesNotMatchItsTableNeverReplacesTheBackup)
{
    await(store->backupNow());
    const QByteArray previous = bytesOf(paths.backup);
    closeStore();
    SQLiteDatabase(paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 100)
        .execute("PRAGMA journal_mode = DELETE;");
    QByteArray lastLayout;
    {
        SQLiteDatabase database(paths.database, SQLiteOpenMode::readOnly,
                                SQLiteJournalPolicy::unchanged, 100);
        lastLayout = scalar(database, "SELECT max(layout_id) FROM windows").toLatin1();
    }
    damageIndexEntry(paths.database, "windows_layout_idx", lastLayout);

    // Opened past the checks of open(), as a store that was already running would be.
    LayoutStore damaged(paths, std::nullopt,
                        std::make_unique<SQLiteDatabase>(paths.database, SQLiteOpenMode::readWrite,
                                                         SQLiteJournalPolicy::unchanged, 100),
                        environment);
    const StorageError error = storageErrorOf([&] { await(damaged.backupNow()); });
    EXPECT_EQ(error.kind(), StorageError::Kind::backupFailed);
    EXPECT_TRUE(error.detail().startsWith(
        "SQLite reported damaged or invalid data (SQLite reported an integrity problem: "))
        << error.detail().toStdString();
    EXPECT_EQ(bytesOf(paths.backup), previous);
    EXPECT_EQ(leftovers(), QStringList{});
}

TEST_F(BackupTest, ABackupEndsAPendingResetEvenWhenTheMarkerWillNotGo)
{
    writeBytes(paths.resetMarker, "pending");
    files->fail(FailingFileSystem::Call::unlink, "reset-pending");
    {
        const LogRecorder log;
        EXPECT_EQ(await(store->backupNow()), paths.backup);
        EXPECT_EQ(log.messages(QtWarningMsg, "ostrel.storage"),
                  QStringList{"The backup was saved, but the marker of an unfinished reset could "
                              "not be removed, so automatic recovery stays paused: Couldn’t save "
                              "changes. The reset marker could not be removed: The disk reported "
                              "an I/O error (Input/output error)"});
    }
    EXPECT_TRUE(QFile::exists(paths.resetMarker));

    files = std::make_shared<FailingFileSystem>();
    closeStore();
    environment.files = files;
    openStore();
    // Opening with the marker present backs up again and removes it.
    EXPECT_EQ(opened.notice, std::nullopt);
    await(store->backupNow());
    EXPECT_FALSE(QFile::exists(paths.resetMarker));
}

TEST_F(BackupTest, AResetEmptiesEveryTableAndLeavesAnEmptyBackupAndNoMarker)
{
    EXPECT_EQ(await(store->resetDatabase()), std::nullopt);
    for (const char *table : {"layouts", "displays", "windows", "exclusions"}) {
        EXPECT_EQ(rowCount(table), 0) << table;
    }
    EXPECT_EQ(layoutNamesIn(paths.backup), QStringList{});
    EXPECT_FALSE(QFile::exists(paths.resetMarker));
    EXPECT_EQ(leftovers(), QStringList{});
}

// The marker is written whole under a temporary name first; when that fails nothing is deleted.
TEST_F(BackupTest, AResetThatCannotWriteItsMarkerDeletesNothing)
{
    for (const FailingFileSystem::Call call :
         {FailingFileSystem::Call::fsync, FailingFileSystem::Call::rename}) {
        files->fail(call, "reset-pending");
        const StorageError error = storageErrorOf([&] { await(store->resetDatabase()); });
        EXPECT_EQ(error.errorDescription(),
                  "Reset failed. No saved data removed. A safe reset could not be started. Nothing "
                  "was deleted. The disk reported an I/O error (Input/output error)");
        EXPECT_EQ(rowCount("layouts"), 2);
        EXPECT_EQ(folderFiles().filter("reset-pending"), QStringList{});
    }
}

TEST_F(BackupTest, AResetWhoseDeletesFailKeepsEveryRowAndTakesTheMarkerBack)
{
    closeStore();
    environment.busyTimeoutMilliseconds = 20;
    openStore();

    const StorageError error = resetWhileTheDatabaseIsLocked();
    EXPECT_EQ(error.errorDescription(),
              "Reset failed. No saved data removed. Another app or connection is using the layout "
              "database (database is locked).");
    EXPECT_EQ(rowCount("layouts"), 2);
    EXPECT_EQ(rowCount("exclusions"), 1);
    // The unchanged data was backed up, so the reset is no longer pending.
    EXPECT_EQ(layoutNamesIn(paths.backup), (QStringList{"Desk", "Sofa"}));
    EXPECT_FALSE(QFile::exists(paths.resetMarker));
}

// A reset that removed nothing leaves no marker, even when the backup of the unchanged data fails
// as well (a full disk refuses both): a marker left there kept the good backup from ever being
// restored, and the next damage started an empty library although no reset had happened.
TEST_F(BackupTest, AResetThatRemovedNothingLeavesNoMarkerEvenWhenItsBackupFails)
{
    const QByteArray backup = [&] {
        await(store->backupNow());
        return bytesOf(paths.backup);
    }();
    closeStore();
    environment.busyTimeoutMilliseconds = 20;
    openStore();
    files->fail(FailingFileSystem::Call::rename, "/Ostrel\\.backup\\.sqlite$");

    const StorageError error = resetWhileTheDatabaseIsLocked();
    EXPECT_EQ(error.errorDescription(),
              "Reset failed. No saved data removed. Another app or connection is using the layout "
              "database (database is locked).");
    EXPECT_EQ(rowCount("layouts"), 2);
    EXPECT_FALSE(QFile::exists(paths.resetMarker));
    EXPECT_EQ(bytesOf(paths.backup), backup);

    // Damage later: the backup brings the layouts back.
    closeStore();
    writeGarbage(paths.database);
    environment.files = std::make_shared<FailingFileSystem>();
    openStore();
    ASSERT_TRUE(opened.notice);
    EXPECT_EQ(opened.notice->title, "Your layouts are back");
    EXPECT_EQ(await(store->loadLayouts()).size(), 2);
}

// The marker of an earlier reset whose backup never got saved still guards against that backup,
// whatever becomes of a later reset that removes nothing.
TEST_F(BackupTest, AFailedResetLeavesTheMarkerOfAnEarlierOne)
{
    writeBytes(paths.resetMarker, "an earlier reset");
    closeStore();
    environment.busyTimeoutMilliseconds = 20;
    files->fail(FailingFileSystem::Call::rename, "/Ostrel\\.backup\\.sqlite$");
    openStore();
    resetWhileTheDatabaseIsLocked();
    EXPECT_TRUE(QFile::exists(paths.resetMarker));
}

// The copy is on the disk before it replaces the previous backup: a copy whose sync failed may
// be lost at the next power cut, and the previous one with it.
TEST_F(BackupTest, ACopyThatCannotBeSyncedNeverReplacesTheBackup)
{
    await(store->backupNow());
    const QByteArray previous = bytesOf(paths.backup);
    await(store->renameLayout(await(store->loadLayouts()).first().id, "Renamed"));
    files->fail(FailingFileSystem::Call::fsync, "Ostrel\\.backup\\.sqlite\\.tmp-");

    const StorageError error = storageErrorOf([&] { await(store->backupNow()); });
    EXPECT_EQ(error.errorDescription(),
              "Couldn’t create a backup. The backup copy could not be written to the disk: The "
              "disk reported an I/O error (Input/output error)");
    EXPECT_EQ(bytesOf(paths.backup), previous);
    EXPECT_EQ(leftovers(), QStringList{});
}

// Until a backup of the emptied database exists, the old backup holds what the user erased: the
// marker stays and keeps automatic recovery from bringing it back, and every open tries again.
TEST_F(BackupTest, AResetWhoseBackupFailsIsFinishedByALaterOpen)
{
    files->fail(FailingFileSystem::Call::rename, "/Ostrel\\.backup\\.sqlite$");
    EXPECT_EQ(await(store->resetDatabase()),
              "Data cleared, but a clean backup couldn’t be saved, so older backups won’t be used "
              "for automatic recovery. Couldn’t create a backup. Backup update failed. Previous "
              "backup kept. The disk reported an I/O error (Input/output error)");
    EXPECT_EQ(rowCount("layouts"), 0);
    EXPECT_EQ(bytesOf(paths.resetMarker), resetMarkerText.toUtf8());

    // Still failing: the open works and says why protection is paused.
    closeStore();
    openStore();
    EXPECT_EQ(opened.notice,
              (StorageNotice{"Backup protection paused",
                             "Saved data is available, but a clean backup couldn’t be saved. Older "
                             "backups won’t be restored automatically.",
                             "The next launch will try again. Couldn’t create a backup. Backup "
                             "update failed. Previous backup kept. The disk reported an I/O error "
                             "(Input/output error)"}));
    EXPECT_TRUE(QFile::exists(paths.resetMarker));

    closeStore();
    environment.files = std::make_shared<FailingFileSystem>();
    openStore();
    EXPECT_EQ(opened.notice, std::nullopt);
    EXPECT_FALSE(QFile::exists(paths.resetMarker));
    EXPECT_EQ(layoutNamesIn(paths.backup), QStringList{});
    EXPECT_EQ(leftovers(), QStringList{});
}

TEST_F(BackupTest, AResetWhoseMarkerWillNotGoSaysSoAndAWriteReplacesTheMarkerWhole)
{
    files->fail(FailingFileSystem::Call::unlink, "reset-pending");
    EXPECT_EQ(
        await(store->resetDatabase()),
        "Data cleared and a clean backup was saved, but reset cleanup couldn’t finish. Restart "
        "Ostrel to finish. Couldn’t save changes. The reset marker could not be removed: "
        "The disk reported an I/O error (Input/output error)");
    EXPECT_EQ(bytesOf(paths.resetMarker), resetMarkerText.toUtf8());

    // A second reset later writes a new marker over the old one.
    environment.clock = [] {
        return QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    };
    closeStore();
    openStore();
    await(store->resetDatabase());
    EXPECT_EQ(QString::fromUtf8(bytesOf(paths.resetMarker)),
              "Automatic recovery is paused until a backup of the reset database is saved.\n"
              "Reset started: 2027-01-02T03:04:05Z");
    EXPECT_EQ(leftovers(), QStringList{});
}

// A pending reset met during recovery adds its report to the recovery's own notice.
TEST_F(BackupTest, AnUnfinishedResetAddsItsReportToAnotherNotice)
{
    closeStore();
    writeGarbage(paths.database);
    writeBytes(paths.resetMarker, "pending");
    files->fail(FailingFileSystem::Call::rename, "/Ostrel\\.backup\\.sqlite$");

    openStore();
    ASSERT_TRUE(opened.notice);
    EXPECT_EQ(opened.notice->title, "Starting with a clean slate");
    EXPECT_EQ(
        opened.notice->details,
        "Preserved files: " + keptName()
            + ".\n\n"
              "Saved data is available, but a clean backup couldn’t be saved. Older backups won’t "
              "be restored automatically. The next launch will try again. Couldn’t create a "
              "backup. Backup update failed. Previous backup kept. The disk reported an I/O error "
              "(Input/output error)");
    EXPECT_TRUE(QFile::exists(paths.resetMarker));
}

} // namespace
