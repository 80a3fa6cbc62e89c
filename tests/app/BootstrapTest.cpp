#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"

#include "model/Preferences.h"
#include "model/StorageError.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>

#include <atomic>
#include <stdexcept>

using namespace ostrel;
using namespace ostrel::test;

class Bootstrap : public AppModelTest {};

TEST_F(Bootstrap, AFailedOpenBecomesAStorageProblemChosenByTheError)
{
    struct Case {
        std::function<void()> fail;
        QString title;
        QString message;
        QString details;
    };
    const QString keep =
        "Ostrel kept the original files. Reveal the storage folder to inspect them.";
    const QString disk = "Check that the storage folder is available and there is enough disk "
                         "space, then try again.";
    const Case cases[] = {
        {[] { throw StorageError::futureSchema(7, "/x/Ostrel.sqlite"); }, "Update Ostrel",
         "Update Ostrel to continue. Your saved data is unchanged.",
         StorageError::futureSchema(7, "/x/Ostrel.sqlite").errorDescription()},
        {[] { throw StorageError::corrupted("bad page"); }, "Couldn’t Recover Layouts", keep,
         StorageError::corrupted("bad page").errorDescription()},
        {[] { throw StorageError::recoveryFailed("locked"); }, "Couldn’t Recover Layouts", keep,
         StorageError::recoveryFailed("locked").errorDescription()},
        {[] { throw StorageError::storageUnavailable("full"); }, "Storage Unavailable", disk,
         StorageError::storageUnavailable("full").errorDescription()},
        {[] { throw StorageError::openFailed("denied"); }, "Couldn’t Open Layouts", disk,
         StorageError::openFailed("denied").errorDescription()},
        {[] { throw StorageError::migrationFailed("step 2"); }, "Couldn’t Open Layouts",
         "Your original file was kept. Check storage, then try again.",
         StorageError::migrationFailed("step 2").errorDescription()},
        {[] { throw StorageError::readFailed("row"); }, "Couldn’t Open Layouts",
         "Try again. If it keeps happening, reveal the storage folder.",
         StorageError::readFailed("row").errorDescription()},
        {[] { throw std::runtime_error("the disk caught fire"); }, "Couldn’t Open Layouts",
         "Check the details, then retry.", "the disk caught fire"},
    };
    for (const Case &c : cases) {
        openFailure = c.fail;
        start();
        ASSERT_TRUE(model->storageStatus().storageProblem.has_value()) << c.title.toStdString();
        const StorageProblem &problem = *model->storageStatus().storageProblem;
        EXPECT_EQ(problem.title, c.title);
        EXPECT_EQ(problem.message, c.message);
        EXPECT_EQ(problem.details, c.details);
        EXPECT_EQ(problem.databasePath, paths.database);
        EXPECT_EQ(problem.backupPath, paths.backup);
        EXPECT_TRUE(problem.canRetry);
        EXPECT_FALSE(model->storageStatus().isBootstrapping);
        EXPECT_FALSE(test::AppModelTestSeam(model).hasStore());
        EXPECT_EQ(model->storageStatus().storePaths, paths);
        model.reset();
    }
}

TEST_F(Bootstrap, TheRememberedSelectionFallsBackToTheOldestLayout)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    const Layout first = saveCurrentWindows("First");
    const Layout second = saveCurrentWindows("Second");
    EXPECT_EQ(model->settings().selectedLayoutID, second.id);
    model.reset();

    start();
    EXPECT_EQ(model->settings().selectedLayoutID, second.id);
    model.reset();

    Preferences::setSelectedLayoutID(QUuid::createUuid());
    start();
    EXPECT_EQ(model->settings().selectedLayoutID, first.id);
    EXPECT_EQ(Preferences::selectedLayoutID(), first.id);
    ASSERT_EQ(model->savedData().layouts.size(), 2);
    model.reset();

    execute("DELETE FROM layouts");
    start();
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
    EXPECT_EQ(Preferences::selectedLayoutID(), std::nullopt);
}

TEST_F(Bootstrap, ALoadFailureKeepsWhatLoadedAndTheRetryClosesTheOldStoreFirst)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    saveCurrentWindows("Work");
    ASSERT_EQ(await(model->excludeApp("com.example.mail", "Mail")), std::nullopt);
    model.reset();

    // Opening checks every row; damage done right after it is found by the loads.
    afterOpen = [this] { execute("UPDATE exclusions SET app_name = ''"); };
    start();
    afterOpen = {};
    ASSERT_TRUE(model->storageStatus().storageProblem.has_value());
    EXPECT_EQ(model->storageStatus().storageProblem->title, "Couldn’t Open Layouts");
    EXPECT_EQ(model->savedData().layouts.size(), 1);
    EXPECT_TRUE(model->savedData().exclusions.isEmpty());
    // The store that opened stays; its paths are replaced by the defaults with the problem.
    EXPECT_TRUE(test::AppModelTestSeam(model).hasStore());
    EXPECT_EQ(model->storageStatus().storePaths, paths);
    EXPECT_EQ(await(model->renameLayout(model->savedData().layouts.first().id, "Other")),
              "Storage is unavailable.");

    // The retry waits in the opening; by then the old store is closed and nothing reaches it.
    // The last connection to close takes the write-ahead log with it.
    ASSERT_TRUE(QFile::exists(paths.database + "-wal"));
    std::atomic<bool> oldClosedBeforeOpening = false;
    std::atomic<bool> reached = false;
    auto opening = std::make_shared<QSemaphore>(0);
    openFailure = [&, opening] {
        oldClosedBeforeOpening = !QFile::exists(paths.database + "-wal");
        reached = true;
        opening->acquire();
    };
    model->retryStorage();
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return bool(reached); }));
    EXPECT_TRUE(oldClosedBeforeOpening);
    EXPECT_FALSE(test::AppModelTestSeam(model).hasStore());
    EXPECT_TRUE(model->storageStatus().isBootstrapping);
    EXPECT_EQ(await(model->renameLayout(model->savedData().layouts.first().id, "Other")),
              "Storage is unavailable.");
    // A second run while this one opens returns at once, and so does the one a retry starts.
    await(model->bootstrap());
    model->retryStorage();
    EXPECT_EQ(openCount, 3);

    execute("UPDATE exclusions SET app_name = 'Mail'");
    openFailure = {};
    opening->release();
    ASSERT_TRUE(waitUntil([&] { return !model->storageStatus().isBootstrapping; }));
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    EXPECT_EQ(model->savedData().exclusions.size(), 1);
    EXPECT_EQ(openCount, 3);
}

TEST_F(Bootstrap, ASuccessfulOpenReplacesAnEarlierNotice)
{
    start();
    AppModelTestSeam(model).setStorageNotice(
        StorageNotice{"Recovered", "Something happened.", std::nullopt});
    await(model->bootstrap());
    EXPECT_EQ(model->storageStatus().storageNotice, std::nullopt);
    EXPECT_EQ(openCount, 2);
    EXPECT_TRUE(test::AppModelTestSeam(model).hasStore());
}

TEST_F(Bootstrap, RevealsTheStorageFolderOnlyWhenItExists)
{
    openFailure = [] { throw StorageError::openFailed("denied"); };
    start();
    model->revealStorageFolder();
    EXPECT_TRUE(revealedFolders.isEmpty());
    QDir().mkpath(paths.directory);
    model->revealStorageFolder();
    EXPECT_EQ(revealedFolders, QStringList{paths.directory});
    EXPECT_FALSE(model->windowRequests().activeError.has_value()) << "the desktop opened it";
}

TEST_F(Bootstrap, AFolderNothingOpensIsNamedInAnAlert)
{
    folderOpens = false;
    start();
    QDir().mkpath(paths.directory);
    model->revealStorageFolder();
    ASSERT_TRUE(model->windowRequests().activeError.has_value());
    EXPECT_EQ(model->windowRequests().activeError->title, "Couldn’t Open the Folder");
    EXPECT_TRUE(model->windowRequests().activeError->message.endsWith("\n" + paths.directory))
        << model->windowRequests().activeError->message.toStdString();
}

// Rows that the program never writes but older files and hand edits hold: each layout is listed
// as it is stored, and restoring, renaming and deleting it work as for any other.
TEST_F(Bootstrap, LayoutsWithOddNamesOrWithoutDisplaysOrWindowsAreListedAndCanBeUsed)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    const Layout unnamed = saveCurrentWindows("Unnamed");
    const Layout windowless = saveCurrentWindows("Windowless");
    const Layout empty = saveCurrentWindows("Empty");
    const Layout spaced = saveCurrentWindows("Spaced");
    model.reset();

    execute(QStringLiteral(
                "UPDATE layouts SET name = '' WHERE id = '%1';"
                "DELETE FROM windows WHERE layout_id IN ('%2', '%3');"
                "DELETE FROM displays WHERE layout_id = '%3';"
                "UPDATE layouts SET name = '  Spaced ' || printf('%.130c', 'x') WHERE id = '%4';")
                .arg(unnamed.id.toString(QUuid::WithoutBraces).toUpper(),
                     windowless.id.toString(QUuid::WithoutBraces).toUpper(),
                     empty.id.toString(QUuid::WithoutBraces).toUpper(),
                     spaced.id.toString(QUuid::WithoutBraces).toUpper()));
    start();
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    ASSERT_EQ(model->savedData().layouts.size(), 4);
    const auto loaded = [&](const Layout &saved) {
        for (const Layout &layout : model->savedData().layouts) {
            if (layout.id == saved.id) {
                return layout;
            }
        }
        ADD_FAILURE() << "not listed";
        return Layout{};
    };
    EXPECT_EQ(loaded(unnamed).name, QString());
    EXPECT_TRUE(loaded(windowless).entries.isEmpty());
    EXPECT_FALSE(loaded(windowless).displays.isEmpty());
    EXPECT_TRUE(loaded(empty).displays.isEmpty() && loaded(empty).entries.isEmpty());
    EXPECT_EQ(loaded(spaced).name, "  Spaced " + QString(130, 'x'));

    for (const Layout &layout : model->savedData().layouts) {
        model->selectLayout(layout.id);
        model->restoreLayout(layout.id);
        ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
        dismissError();
    }
    EXPECT_EQ(await(model->renameLayout(unnamed.id, "Named")), std::nullopt);
    EXPECT_EQ(await(model->deleteLayout(empty.id)), std::nullopt);
    EXPECT_EQ(model->savedData().layouts.size(), 3);
    EXPECT_EQ(loaded(unnamed).name, "Named");
}
