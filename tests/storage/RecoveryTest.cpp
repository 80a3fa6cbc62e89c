#include "FolderTestSupport.h"

#include "Await.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// A journal that no transaction uses any more; SQLite leaves it alone, unlike a log or a live
// journal, which its readers change or consume before recovery ever sees them.
QByteArray unusedJournal()
{
    return QByteArray(512, '\0');
}

const QString notADatabase =
    QStringLiteral("SQLite reported damaged or invalid data (file is not a database).");

// --- Recovery by the state of the backup ------------------------------------------------------

enum class Backup {
    none,
    good,
    damaged,
    version2,
    version5,
    // Backups that would have been installed as an empty or unwritable library.
    empty,
    foreign,
    unknownWriteVersion,
    impossibleVersion
};

struct RecoveryCase {
    const char *name;
    Backup backup;
    bool resetPending;
    // The notice's title and message, or the error's text ("{backup}" standing for the backup's
    // path) when recovery stops.
    QString title;
    QString message;
    QString error;
    // The layouts of the active database afterwards.
    QStringList layouts;
};

void PrintTo(const RecoveryCase &c, std::ostream *out)
{
    *out << c.name;
}

const QString keptOriginals = QStringLiteral(
    "Ostrel couldn’t open the previous data, so it created a fresh, empty library. The original "
    "files were kept.");
const QString backupNotRestored = QStringLiteral(
    "Ostrel couldn’t open the previous data, so it created a fresh, empty library. The backup "
    "from before the last reset was not restored.");
const QString layoutsBack = QStringLiteral(
    "Saved layouts were restored from the last backup. The damaged copy is kept for recovery.");

const RecoveryCase recoveryCases[] = {
    {"NoBackup", Backup::none, false, "Starting with a clean slate", keptOriginals, {}, {}},
    {"GoodBackup", Backup::good, false, "Your layouts are back", layoutsBack, {}, {"Backed up"}},
    {"DamagedBackup",
     Backup::damaged,
     false,
     {},
     {},
     "Couldn’t recover the database. " + notADatabase
         + " The backup at {backup} could not be "
           "used: SQLite reported damaged or invalid data (SQLite reported an integrity problem: "
           "*** in database main ***",
     {}},
    {"Version2Backup", Backup::version2, false, "Your layouts are back", layoutsBack, {}, {"Desk"}},
    {"Version5Backup",
     Backup::version5,
     false,
     {},
     {},
     "Update Ostrel for database version 5. File unchanged: {backup}.",
     {}},
    {"EmptyBackup",
     Backup::empty,
     false,
     {},
     {},
     "Couldn’t recover the database. " + notADatabase
         + " The backup at {backup} could not be "
           "used: SQLite reported damaged or invalid data (The database file is empty.). The "
           "original database was left in place.",
     {}},
    {"ForeignBackup",
     Backup::foreign,
     false,
     {},
     {},
     "Couldn’t recover the database. " + notADatabase
         + " The backup at {backup} could not be "
           "used: SQLite reported damaged or invalid data (The file has no schema version of "
           "Ostrel.). The original database was left in place.",
     {}},
    {"BackupWithAnUnknownWriteVersion",
     Backup::unknownWriteVersion,
     false,
     {},
     {},
     "Couldn’t recover the database. " + notADatabase
         + " The backup at {backup} could not be "
           "used: SQLite reported damaged or invalid data (The database header holds an unknown "
           "file format version.). The original database was left in place.",
     {}},
    {"BackupWithAnImpossibleVersion",
     Backup::impossibleVersion,
     false,
     {},
     {},
     "Couldn’t recover the database. " + notADatabase
         + " The backup at {backup} could not be "
           "used: SQLite reported damaged or invalid data (The database header holds an "
           "impossible schema version, 335544323.). The original database was left in place.",
     {}},
    {"NoBackupResetPending",
     Backup::none,
     true,
     "Starting with a clean slate",
     backupNotRestored,
     {},
     {}},
    {"GoodBackupResetPending",
     Backup::good,
     true,
     "Starting with a clean slate",
     backupNotRestored,
     {},
     {}},
    {"DamagedBackupResetPending",
     Backup::damaged,
     true,
     "Starting with a clean slate",
     backupNotRestored,
     {},
     {}},
    {"Version5BackupResetPending",
     Backup::version5,
     true,
     "Starting with a clean slate",
     backupNotRestored,
     {},
     {}},
};

struct RecoveryByBackupTest : FolderTest, ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(RecoveryByBackupTest, RestoresAVerifiedBackupStartsCleanOrLeavesEverythingInPlace)
{
    const RecoveryCase &c = GetParam();
    writeGarbage(paths.database);
    writeBytes(paths.database + "-journal", unusedJournal());
    switch (c.backup) {
    case Backup::none:
        break;
    case Backup::good:
        writeDatabase(paths.backup, {"Backed up"});
        break;
    case Backup::damaged:
        writeDamagedDatabase(paths.backup);
        break;
    case Backup::version2:
        writeDatabaseFromSql(paths.backup, version1Schema() + version2Upgrade);
        break;
    case Backup::version5:
        writeDatabase(paths.backup, {"From the future"});
        SQLiteDatabase(paths.backup, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 100)
            .execute("PRAGMA user_version = 5;");
        break;
    case Backup::empty:
        writeBytes(paths.backup, {});
        break;
    case Backup::foreign:
        writeDatabaseFromSql(paths.backup, "CREATE TABLE notes (text TEXT);");
        break;
    case Backup::unknownWriteVersion:
        writeDatabase(paths.backup, {"Backed up"});
        setByte(paths.backup, 18, '\xff');
        break;
    case Backup::impossibleVersion:
        writeDatabase(paths.backup, {"Backed up"});
        SQLiteDatabase(paths.backup, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 100)
            .execute("PRAGMA user_version = 335544323;");
        break;
    }
    if (c.resetPending) {
        writeBytes(paths.resetMarker, "reset pending");
    }
    const QByteArray damaged = bytesOf(paths.database);
    const QByteArray backup = c.backup == Backup::none ? QByteArray() : bytesOf(paths.backup);
    const QStringList before = snapshotOf(paths.directory);

    if (!c.error.isEmpty()) {
        const StorageError error = storageErrorOf([&] { open(); });
        const QString expected = QString(c.error).replace("{backup}", paths.backup);
        EXPECT_TRUE(error.errorDescription().startsWith(expected))
            << error.errorDescription().toStdString();
        if (c.backup != Backup::version5) {
            EXPECT_TRUE(
                error.errorDescription().endsWith(" The original database was left in place."));
        }
        // Nothing was moved, linked or left behind.
        EXPECT_EQ(snapshotOf(paths.directory), before);
        return;
    }

    StorageOpenResult result = open();
    ASSERT_TRUE(result.notice);
    EXPECT_EQ(result.notice->title, c.title);
    EXPECT_EQ(result.notice->message, c.message);
    EXPECT_EQ(result.notice->details,
              "Preserved files: " + keptName() + ", " + keptName() + "-journal.");
    QStringList names;
    for (const Layout &layout : await(result.store->loadLayouts())) {
        names << layout.name;
    }
    EXPECT_EQ(names, c.layouts);
    result.store.reset();

    // The damaged set lives on under the kept names, sharing the original contents.
    EXPECT_EQ(bytesOf(inFolder(keptName())), damaged);
    EXPECT_EQ(bytesOf(inFolder(keptName() + "-journal")), unusedJournal());
    EXPECT_EQ(userVersionOf(paths.database), "3");
    EXPECT_EQ(journalModeOf(paths.database), "wal");
    QStringList expectedFiles{keptName(), keptName() + "-journal", "Ostrel.sqlite"};
    if (c.backup != Backup::none || c.resetPending) {
        expectedFiles << "Ostrel.backup.sqlite";
    }
    expectedFiles.sort();
    EXPECT_EQ(folderFiles(), expectedFiles);
    if (c.resetPending) {
        // The new empty library is the backup now, and the reset is finished.
        EXPECT_EQ(layoutNamesIn(paths.backup), QStringList{});
    } else if (c.backup != Backup::none) {
        // Only the copy was upgraded; the backup is exactly as it was.
        EXPECT_EQ(bytesOf(paths.backup), backup);
    }
}

INSTANTIATE_TEST_SUITE_P(Backup, RecoveryByBackupTest, ::testing::ValuesIn(recoveryCases),
                         [](const auto &info) { return std::string(info.param.name); });

// --- Kept names -------------------------------------------------------------------------------

struct RecoveryTest : FolderTest {};

TEST_F(RecoveryTest, KeepsEverySideFileInOrderAndNeverWritesOverASetKeptEarlier)
{
    writeGarbage(paths.database);
    writeBytes(paths.database + "-journal", unusedJournal());
    writeBytes(paths.database + "-shm", "index");
    writeBytes(paths.database + "-wal", "log");
    // An earlier recovery at the same moment (a clock set back, say) kept its file here.
    writeBytes(inFolder(keptName()), "an earlier kept file");
    const QByteArray damaged = bytesOf(paths.database);
    const QString second = keptName().replace(".sqlite", "-2.sqlite");

    StorageOpenResult result = open();
    ASSERT_TRUE(result.notice);
    EXPECT_EQ(result.notice->details,
              "Preserved files: " + second + ", " + second + "-wal, " + second + "-shm, " + second
                  + "-journal.");
    result.store.reset();
    EXPECT_EQ(bytesOf(inFolder(keptName())), "an earlier kept file");
    EXPECT_EQ(bytesOf(inFolder(second)), damaged);
    EXPECT_EQ(bytesOf(inFolder(second + "-wal")), "log");
    EXPECT_EQ(bytesOf(inFolder(second + "-journal")), unusedJournal());
}

// Two recoveries within one millisecond: each keeps its own damaged file.
TEST_F(RecoveryTest, TwoRecoveriesInOneMillisecondKeepBothDamagedFiles)
{
    QDir().mkpath(paths.directory);
    writeBytes(paths.database, QByteArray("first damaged file ").repeated(40));
    open().store.reset();
    writeBytes(paths.database, QByteArray("second damaged file ").repeated(40));
    StorageOpenResult result = open();
    const QString second = keptName().replace(".sqlite", "-2.sqlite");
    EXPECT_EQ(result.notice->details, "Preserved files: " + second + ".");
    result.store.reset();
    EXPECT_EQ(bytesOf(inFolder(keptName())), QByteArray("first damaged file ").repeated(40));
    EXPECT_EQ(bytesOf(inFolder(second)), QByteArray("second damaged file ").repeated(40));
}

// The damaged database keeps its active name until the verified copy replaces it in one step: a
// crash at any moment leaves a database in place and the good backup beside it, never an empty
// folder that the next start would fill with a fresh, empty library.
TEST_F(RecoveryTest, TheFolderNeverLacksADatabaseWhileAGoodBackupIsInstalled)
{
    writeGarbage(paths.database);
    writeBytes(paths.database + "-journal", unusedJournal());
    writeDatabase(paths.backup, {"Backed up"});
    QStringList missing;
    files->observer = [&](const QString &call, const QString &path) {
        if (!QFile::exists(paths.database)) {
            missing << call + " " + path;
        }
    };

    StorageOpenResult result = open();
    EXPECT_EQ(missing, QStringList{});
    EXPECT_EQ(result.notice->title, "Your layouts are back");
}

// --- Rollback when a file call fails ----------------------------------------------------------

struct InjectedFailure {
    const char *name;
    FailingFileSystem::Call call;
    const char *path;
    bool withBackup;
    // The error's text; "{kept}" stands for the kept names.
    QString error;
    // Whether the damaged set was kept (and stays kept) before the failure.
    bool keptSetStays;
};

void PrintTo(const InjectedFailure &f, std::ostream *out)
{
    *out << f.name;
}

const InjectedFailure injectedFailures[] = {
    {"CandidateCopy", FailingFileSystem::Call::copy, "backup-candidate", true,
     "Couldn’t recover the database. The backup could not be copied: The disk reported an I/O "
     "error (Input/output error)",
     false},
    {"PreservingTheJournal", FailingFileSystem::Call::link, "corrupt-.*-journal$", true,
     "Couldn’t recover the database. The damaged database could not be preserved: The disk "
     "reported an I/O error (Input/output error). No active files were changed.",
     false},
    {"InstallingTheCandidate", FailingFileSystem::Call::rename, "/Ostrel\\.sqlite$", true,
     "Couldn’t recover the database. " + notADatabase
         + " The replacement could not be installed: "
           "The disk reported an I/O error (Input/output error) The original files are preserved "
           "as {kept}.",
     true},
    {"MovingTheDamagedFileAside", FailingFileSystem::Call::unlink, "/Ostrel\\.sqlite$", false,
     "Couldn’t recover the database. " + notADatabase
         + " The replacement could not be installed: "
           "Couldn’t recover the database. The damaged database could not be moved aside: The disk "
           "reported an I/O error (Input/output error). No active files were changed. The "
           "original files are preserved as {kept}.",
     true},
};

struct RecoveryRollbackTest : FolderTest, ::testing::WithParamInterface<InjectedFailure> {};

TEST_P(RecoveryRollbackTest, PutsTheDamagedSetBackUnderItsActiveNames)
{
    const InjectedFailure &f = GetParam();
    writeGarbage(paths.database);
    writeBytes(paths.database + "-journal", unusedJournal());
    if (f.withBackup) {
        writeDatabase(paths.backup, {"Backed up"});
    }
    const QStringList before = snapshotOf(paths.directory);
    files->fail(f.call, f.path);

    const StorageError error = storageErrorOf([&] { open(); });
    EXPECT_EQ(error.errorDescription(),
              QString(f.error).replace("{kept}", keptName() + ", " + keptName() + "-journal"));

    QStringList expected = before;
    if (f.keptSetStays) {
        const QString garbageHash = before.filter("Ostrel.sqlite ").first().section(' ', 1);
        const QString journalHash = before.filter("Ostrel.sqlite-journal ").first().section(' ', 1);
        expected << keptName() + " " + garbageHash << keptName() + "-journal " + journalHash;
        expected.sort();
    }
    EXPECT_EQ(snapshotOf(paths.directory), expected);
}

INSTANTIATE_TEST_SUITE_P(FileCall, RecoveryRollbackTest, ::testing::ValuesIn(injectedFailures),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
