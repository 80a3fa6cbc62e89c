// The power goes at every step of an edit, a reset and a recovery in turn: each write, sync,
// rename, link or removal that the store or SQLite makes in the storage folder. After each cut
// the folder holds only what had been synced, the store must open without an error, and
// everything it had reported done must be there; what it had not reported is either all there
// or not at all. See PowerCutDisk.h for what the model of the disk covers.

#include "Await.h"
#include "FolderTestSupport.h"
#include "PowerCutDisk.h"
#include "TestApplication.h"

#include <QDir>
#include <QFile>

#include <functional>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// On a memory file system the inode numbers that the model goes by are never reused.
QString memoryFolder()
{
    return QDir(QStringLiteral("/dev/shm")).exists()
        ? QStringLiteral("/dev/shm/ostrel-power-cut-XXXXXX")
        : QDir::tempPath() + QStringLiteral("/ostrel-power-cut-XXXXXX");
}

struct PowerCutTest : ::testing::Test {
    QTemporaryDir root{memoryFolder()};
    QTemporaryDir seedRoot{memoryFolder()};
    StorePaths paths = StorePaths::inFolder(root.path());
    StorePaths seed = StorePaths::inFolder(seedRoot.path());
    std::unique_ptr<PowerCutDisk> disk;
    const QByteArray garbage = QByteArray("Not a database at all.\n").repeated(300);

    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(root.isValid() && seedRoot.isValid());
        QDir().mkpath(paths.directory);
        disk = std::make_unique<PowerCutDisk>(paths.directory);
    }

    StoreEnvironment environment() const
    {
        StoreEnvironment result;
        result.files = disk->files();
        return result;
    }

    // A store with "Desk" and "Sofa" and a backup that holds them both.
    void seedTwoLayouts()
    {
        StorageOpenResult opened = LayoutStore::open(seed, StoreEnvironment{});
        for (const QString &name : {QStringLiteral("Desk"), QStringLiteral("Sofa")}) {
            const DisplaySnapshot display = sampleDisplay(0, 1, true);
            await(opened.store->createLayout(name, {display}, {sampleEntry(display, name)},
                                             std::nullopt));
        }
        await(opened.store->backupNow());
    }

    void copySeed()
    {
        const QDir from(seed.directory);
        for (const QString &name : QDir(paths.directory).entryList(QDir::Files | QDir::Hidden)) {
            QFile::remove(QDir(paths.directory).filePath(name));
        }
        for (const QString &name : from.entryList(QDir::Files | QDir::Hidden)) {
            ASSERT_TRUE(QFile::copy(from.filePath(name), QDir(paths.directory).filePath(name)));
        }
    }

    static QStringList namesOf(const QList<Layout> &layouts)
    {
        QStringList names;
        for (const Layout &layout : layouts) {
            names << layout.name;
        }
        names.sort();
        return names;
    }

    static QUuid idOf(LayoutStore &store, const QString &name)
    {
        for (const Layout &layout : await(store.loadLayouts())) {
            if (layout.name == name) {
                return layout.id;
            }
        }
        return {};
    }

    bool anyFileHolds(const QByteArray &bytes) const
    {
        const QDir folder(paths.directory);
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
            if (bytesOf(folder.filePath(name)) == bytes) {
                return true;
            }
        }
        return false;
    }
};

struct Edit {
    const char *name;
    // The layouts before and after the edit.
    QStringList before;
    QStringList after;
    // Runs the edit on an open store; returns normally when the store reported it done.
    std::function<void(LayoutStore &)> run;
};

void PrintTo(const Edit &edit, std::ostream *out)
{
    *out << edit.name;
}

const Edit edits[] = {
    {"Create",
     {"Desk", "Sofa"},
     {"Desk", "New", "Sofa"},
     [](LayoutStore &store) {
         const DisplaySnapshot display = sampleDisplay(0, 1, true);
         await(store.createLayout(QStringLiteral("New"), {display},
                                  {sampleEntry(display, QStringLiteral("Editor"))}, std::nullopt));
     }},
    {"Rename",
     {"Desk", "Sofa"},
     {"Couch", "Desk"},
     [](LayoutStore &store) {
         await(store.renameLayout(PowerCutTest::idOf(store, QStringLiteral("Sofa")),
                                  QStringLiteral("Couch")));
     }},
    {"Delete",
     {"Desk", "Sofa"},
     {"Desk"},
     [](LayoutStore &store) {
         await(store.deleteLayout(PowerCutTest::idOf(store, QStringLiteral("Sofa"))));
     }},
    // A reset that came undone after it was reported would bring erased layouts back.
    {"Reset", {"Desk", "Sofa"}, {}, [](LayoutStore &store) { await(store.resetDatabase()); }},
};

struct PowerCutEditTest : PowerCutTest, ::testing::WithParamInterface<Edit> {};

TEST_P(PowerCutEditTest, EverythingReportedDoneSurvivesACutAtEveryStep)
{
    const Edit &edit = GetParam();
    seedTwoLayouts();
    int cuts = 0;
    for (int cutAt = 1;; ++cutAt) {
        SCOPED_TRACE(cutAt);
        copySeed();
        disk->settle();
        disk->arm(cutAt);
        bool reported = false;
        {
            StorageOpenResult opened = LayoutStore::open(paths, environment());
            try {
                edit.run(*opened.store);
                reported = !disk->powerLost();
            } catch (const std::exception &) {
                // Not reported done: the disk may hold the edit or not, but nothing half-done.
            }
        }
        const bool cut = disk->powerLost();
        disk->restoreAfterCut();

        StorageOpenResult reopened = LayoutStore::open(paths, StoreEnvironment{});
        EXPECT_EQ(reopened.notice, std::nullopt);
        const QStringList names = namesOf(await(reopened.store->loadLayouts()));
        if (reported) {
            EXPECT_EQ(names, edit.after);
        } else {
            EXPECT_TRUE(names == edit.before || names == edit.after)
                << names.join(", ").toStdString();
        }
        reopened.store.reset();
        // Erased layouts must not wait in the backup for the next recovery either.
        if (names.isEmpty() && !QFile::exists(paths.resetMarker)) {
            EXPECT_EQ(layoutNamesIn(paths.backup), QStringList{});
        }
        if (!cut) {
            break;
        }
        ++cuts;
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_GT(cuts, 5);
    RecordProperty("cut points", cuts);
}

INSTANTIATE_TEST_SUITE_P(Edit, PowerCutEditTest, ::testing::ValuesIn(edits),
                         [](const auto &info) { return std::string(info.param.name); });

// Recovery with a good backup installs it; without one it starts an empty library. Either way
// the damaged file is kept.
struct PowerCutRecoveryTest : PowerCutTest, ::testing::WithParamInterface<bool> {};

TEST_P(PowerCutRecoveryTest, ARecoveryReportedDoneSurvivesACutAtEveryStepAndTheDamagedFileIsKept)
{
    const bool withBackup = GetParam();
    QDir().mkpath(seed.directory);
    writeBytes(seed.database, garbage);
    if (withBackup) {
        writeDatabase(seed.backup, {QStringLiteral("Backed up")});
    }
    const QStringList recovered = withBackup ? QStringList{"Backed up"} : QStringList{};
    const QString title = withBackup ? QStringLiteral("Your layouts are back")
                                     : QStringLiteral("Starting with a clean slate");
    int cuts = 0;
    for (int cutAt = 1;; ++cutAt) {
        SCOPED_TRACE(cutAt);
        copySeed();
        disk->settle();
        disk->arm(cutAt);
        bool reported = false;
        try {
            StorageOpenResult opened = LayoutStore::open(paths, environment());
            reported = !disk->powerLost() && opened.notice && opened.notice->title == title;
        } catch (const std::exception &) {
        }
        const bool cut = disk->powerLost();
        disk->restoreAfterCut();

        // Whether recovery runs again or was done already, the recovered layouts are there and
        // the damaged file is kept.
        StorageOpenResult reopened = LayoutStore::open(paths, StoreEnvironment{});
        if (reported) {
            EXPECT_EQ(reopened.notice, std::nullopt);
        }
        EXPECT_EQ(namesOf(await(reopened.store->loadLayouts())), recovered);
        reopened.store.reset();
        EXPECT_TRUE(anyFileHolds(garbage));
        if (withBackup) {
            EXPECT_EQ(layoutNamesIn(paths.backup), QStringList{"Backed up"});
        }
        if (!cut) {
            break;
        }
        ++cuts;
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_GT(cuts, 5);
    RecordProperty("cut points", cuts);
}

INSTANTIATE_TEST_SUITE_P(Backup, PowerCutRecoveryTest, ::testing::Bool(), [](const auto &info) {
    return info.param ? "WithABackup" : "WithoutABackup";
});

// The model itself: without a sync nothing of a commit survives, so the loop above would catch
// a store that reports an edit before it is on the disk.
TEST_F(PowerCutTest, WritesThatWereNeverSyncedAreLostAtACut)
{
    seedTwoLayouts();
    copySeed();
    disk->settle();
    {
        StorageOpenResult opened = LayoutStore::open(paths, environment());
        opened.store->database().execute(QStringLiteral("PRAGMA synchronous = OFF;"));
        disk->arm(1'000'000);
        await(opened.store->deleteLayout(idOf(*opened.store, QStringLiteral("Sofa"))));
        ASSERT_FALSE(disk->powerLost());
        // The power goes now, before anything else is written.
        disk->arm(1);
        disk->step();
    }
    disk->restoreAfterCut();
    StorageOpenResult reopened = LayoutStore::open(paths, StoreEnvironment{});
    EXPECT_EQ(namesOf(await(reopened.store->loadLayouts())), (QStringList{"Desk", "Sofa"}));
}

// A disk that fills up while the log's shared-memory index grows: SQLite calls it an I/O error,
// the system says the disk is full, and so does the store.
TEST_F(PowerCutTest, AFullDiskAtOpeningSaysTheDiskIsFull)
{
    seedTwoLayouts();
    copySeed();
    disk->failSharedMemoryWith(ENOSPC);
    const StorageError error = storageErrorOf([&] { LayoutStore::open(paths, environment()); });
    EXPECT_TRUE(
        error.errorDescription().contains(QStringLiteral("The disk is full ("))
        && !error.errorDescription().contains(QStringLiteral("The disk reported an I/O error")))
        << error.errorDescription().toStdString();
    disk->failSharedMemoryWith(0);
    StorageOpenResult reopened = LayoutStore::open(paths, StoreEnvironment{});
    EXPECT_EQ(reopened.notice, std::nullopt);
    EXPECT_EQ(namesOf(await(reopened.store->loadLayouts())), (QStringList{"Desk", "Sofa"}));
}

// A disk that is full when the user saves, backs up or resets: each failure says that the disk is
// full, under the sentence of what failed, and the reset that could not delete anything leaves no
// marker behind, so that the backup still repairs a later damage.
TEST_F(PowerCutTest, AFullDiskIsNamedAndARefusedResetLeavesTheBackupInCharge)
{
    seedTwoLayouts();
    copySeed();
    {
        StorageOpenResult opened = LayoutStore::open(paths, environment());
        LayoutStore &store = *opened.store;
        disk->failWritesWith(ENOSPC);
        const DisplaySnapshot display = sampleDisplay(0, 1, true);
        EXPECT_EQ(storageErrorOf([&] {
                      await(store.createLayout("Den", {display}, {sampleEntry(display, "Den")},
                                               std::nullopt));
                  }).errorDescription(),
                  "Couldn’t save changes. The disk is full (database or disk is full).");
        EXPECT_EQ(storageErrorOf([&] { await(store.backupNow()); }).errorDescription(),
                  "Couldn’t create a backup. SQLite could not complete the backup. The disk is "
                  "full (database or disk is full).");
        EXPECT_EQ(storageErrorOf([&] { await(store.resetDatabase()); }).errorDescription(),
                  "Reset failed. No saved data removed. The disk is full (database or disk is "
                  "full).");
        EXPECT_FALSE(QFile::exists(paths.resetMarker));
        EXPECT_EQ(namesOf(await(store.loadLayouts())), (QStringList{"Desk", "Sofa"}));
        disk->failWritesWith(0);
    }
    QFile::remove(paths.database);
    writeBytes(paths.database, garbage);
    StorageOpenResult reopened = LayoutStore::open(paths, StoreEnvironment{});
    ASSERT_TRUE(reopened.notice);
    EXPECT_EQ(reopened.notice->title, "Your layouts are back");
    EXPECT_EQ(namesOf(await(reopened.store->loadLayouts())), (QStringList{"Desk", "Sofa"}));
}

} // namespace
