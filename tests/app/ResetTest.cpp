#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"

#include "app/AutomationService.h"
#include "model/Preferences.h"
#include "storage/SQLiteDatabase.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSettings>

#include <atomic>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const Shortcut commandOptionK{40, Shortcut::command | Shortcut::option};
const Shortcut controlOptionP{35, Shortcut::control | Shortcut::option};

QStringList storedSettingKeys()
{
    return QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")).allKeys();
}

} // namespace

class BackupAndReset : public EditorModelTest {
protected:
    void SetUp() override
    {
        EditorModelTest::SetUp();
        start();
        work = saveCurrentWindows("Work");
    }
};

TEST_F(BackupAndReset, ABackupIsRefusedWhileAnythingElseRuns)
{
    const std::function<void()> releaseCapture = holdCapture();
    EXPECT_EQ(await(model->backupNow()), "Wait for the current operation before backing up.");
    releaseCapture();
    AppModelTestSeam(model).setPendingMutations({MutationScope::rename(work.id)});
    EXPECT_EQ(await(model->backupNow()), "Wait for the current operation before backing up.");
    AppModelTestSeam(model).setPendingMutations({});
    EXPECT_EQ(model->storageStatus().lastBackupURL, std::nullopt);

    // A backup failure changes nothing.
    QFile::remove(paths.backup);
    QDir().mkpath(paths.backup);
    const std::optional<Refusal> failure = await(model->backupNow());
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->text.startsWith("Couldn’t create a backup."))
        << failure->text.toStdString();
    EXPECT_EQ(model->storageStatus().lastBackupURL, std::nullopt);
    QDir(paths.backup).removeRecursively();

    EXPECT_EQ(await(model->backupNow()), std::nullopt);
    EXPECT_EQ(model->storageStatus().lastBackupURL, paths.backup);
    SQLiteDatabase backup(paths.backup, SQLiteOpenMode::readOnly, SQLiteJournalPolicy::unchanged,
                          2000);
    EXPECT_EQ(LayoutStore::loadLayouts(backup).size(), 1);
}

TEST_F(BackupAndReset, NoBackupOfADatabaseThatDidNotLoadNorOfOneThatIsReopening)
{
    ASSERT_EQ(await(model->backupNow()), std::nullopt);
    const QByteArray goodBackup = [&] {
        QFile file(paths.backup);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    model.reset();

    afterOpen = [this] {
        execute("UPDATE layouts SET shortcut_key_code = -5, shortcut_modifiers = 256");
    };
    start();
    afterOpen = {};
    ASSERT_TRUE(model->storageStatus().storageProblem.has_value());
    ASSERT_TRUE(test::AppModelTestSeam(model).hasStore());
    EXPECT_EQ(await(model->backupNow()), "Storage is unavailable.");
    QFile file(paths.backup);
    file.open(QIODevice::ReadOnly);
    EXPECT_EQ(file.readAll(), goodBackup);

    // While the retry opens the store again, neither a backup nor an edit reaches it.
    execute("UPDATE layouts SET shortcut_key_code = NULL, shortcut_modifiers = NULL");
    auto opening = std::make_shared<QSemaphore>(0);
    std::atomic<bool> reached = false;
    openFailure = [&, opening] {
        reached = true;
        opening->acquire();
    };
    model->retryStorage();
    ASSERT_TRUE(waitUntil([&] { return bool(reached); }));
    EXPECT_EQ(await(model->backupNow()), "Storage is unavailable.");
    EXPECT_EQ(await(model->renameLayout(work.id, "Other")), "Storage is unavailable.");
    EXPECT_EQ(await(model->resetDatabase()),
              DatabaseResetOutcome::failed("Storage is unavailable."));
    openFailure = {};
    opening->release();
    ASSERT_TRUE(waitUntil([&] { return !model->storageStatus().isBootstrapping; }));
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    EXPECT_EQ(await(model->backupNow()), std::nullopt);
}

TEST_F(BackupAndReset, AResetIsRefusedWhileWorkIsPending)
{
    const std::function<void()> releaseCapture = holdCapture();
    EXPECT_EQ(await(model->resetDatabase()),
              DatabaseResetOutcome::failed("Wait for the current operation before resetting."));
    releaseCapture();

    const std::function<void()> release = holdStore();
    QCoro::Task<std::optional<Refusal>> renaming = model->renameLayout(work.id, "Deep Work");
    EXPECT_EQ(await(model->resetDatabase()),
              DatabaseResetOutcome::failed("A change is being saved. Wait before resetting."));
    release();
    EXPECT_EQ(await(std::move(renaming)), std::nullopt);

    AppModelTestSeam(model).setStorageProblem(
        StorageProblem{QUuid::createUuid(), "t", "m", "", {}, true, {}});
    EXPECT_EQ(await(model->resetDatabase()),
              DatabaseResetOutcome::failed("Storage is unavailable."));
    AppModelTestSeam(model).setStorageProblem(std::nullopt);

    EXPECT_EQ(model->savedData().layouts.size(), 1);
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
}

TEST_F(BackupAndReset, AResetThatCannotStartChangesNothing)
{
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    model->setHighlightColor(HighlightColor::teal);
    QDir().mkpath(paths.resetMarker + "/blocked");

    const DatabaseResetOutcome outcome = await(model->resetDatabase());
    EXPECT_EQ(outcome.kind, DatabaseResetOutcome::Kind::failed);
    EXPECT_TRUE(outcome.text.startsWith("Reset failed. No saved data removed."))
        << outcome.text.toStdString();
    EXPECT_EQ(model->savedData().layouts.size(), 1);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM layouts").first(), "1");
    EXPECT_EQ(model->settings().highlightColor, HighlightColor::teal);
    EXPECT_EQ(hotKeys.registered().size(), 1);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
    EXPECT_EQ(model->storageStatus().storageNotice, std::nullopt);
}

TEST_F(BackupAndReset, AResetReturnsTheProgramToItsFirstLaunch)
{
    // Everything a reset has to take back: data, settings, hot keys, decisions, windows.
    ASSERT_EQ(await(model->excludeApp("com.example.mail", "Mail")), std::nullopt);
    ASSERT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)), std::nullopt);
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    ASSERT_EQ(await(model->associateAutomation(work.id)), std::nullopt);
    model->setAutomationEnabled(true);
    model->setRestoreFlashEnabled(false);
    model->setHighlightColor(HighlightColor::red);
    model->setAppearance(AppearancePreference::dark);
    model->requestAccessibility();
    model->setManageLayoutID(work.id);
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    model->restoreSelectedLayout();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    ASSERT_TRUE(model->restoreStatus().undoInfo.has_value());
    ASSERT_TRUE(await(model->beginSave()));
    test::AppModelTestSeam(model).automationService().didAcceptTrigger("a setup");
    for (const QLatin1StringView id :
         {WindowID::saveLayout, WindowID::layoutDetails, WindowID::chooser,
          WindowID::missingDisplays, WindowID::resolution}) {
        presenter->show(QString(id), "Window", {400, 400}, {});
    }
    markers->show(
        {NumberedCandidate{1, test::AppModelTestSeam(model).sessionReferences().begin().value()}});
    QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"))
        .setValue(Preferences::didPromptForAccessibilityKey, QStringLiteral("true"));

    EXPECT_EQ(await(model->resetDatabase()), DatabaseResetOutcome::cleared());

    EXPECT_TRUE(model->savedData().layouts.isEmpty());
    EXPECT_TRUE(model->savedData().exclusions.isEmpty());
    EXPECT_EQ(rows("SELECT COUNT(*) FROM layouts").first(), "0");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM exclusions").first(), "0");
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
    EXPECT_EQ(model->windowRequests().manageLayoutID, std::nullopt);
    EXPECT_EQ(model->windowRequests().pendingCapture, std::nullopt);
    EXPECT_EQ(model->restoreStatus().lastResult, std::nullopt);
    EXPECT_EQ(model->restoreStatus().undoInfo, std::nullopt);
    await(model->refresh());
    EXPECT_EQ(model->restoreStatus().undoInfo, std::nullopt);
    EXPECT_EQ(model->settings().globalShortcut, std::nullopt);
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, std::nullopt);
    EXPECT_FALSE(model->settings().automationEnabled);
    EXPECT_TRUE(model->settings().restoreFlashEnabled);
    EXPECT_EQ(model->settings().highlightColor, HighlightColor::blue);
    EXPECT_EQ(model->settings().appearance, AppearancePreference::system);
    EXPECT_FALSE(model->session().permissionPrompted);
    EXPECT_TRUE(storedSettingKeys().isEmpty()) << storedSettingKeys().join(",").toStdString();
    EXPECT_TRUE(hotKeys.registered().isEmpty());
    EXPECT_TRUE(test::AppModelTestSeam(model).sessionReferences().isEmpty());
    EXPECT_TRUE(markers->panels().isEmpty());
    EXPECT_TRUE(flash->panels().isEmpty());
    for (const QLatin1StringView id :
         {WindowID::saveLayout, WindowID::layoutDetails, WindowID::chooser,
          WindowID::missingDisplays, WindowID::resolution}) {
        EXPECT_FALSE(isOpen(id)) << QString(id).toStdString();
    }
    EXPECT_EQ(test::AppModelTestSeam(model).automationService().lastAcceptedSignature(),
              std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).automationService().lastAcceptedAt(), std::nullopt);
    EXPECT_FALSE(test::AppModelTestSeam(model).automationService().inFlight());
    EXPECT_EQ(model->storageStatus().lastBackupURL, paths.backup);
    ASSERT_TRUE(model->storageStatus().storageNotice.has_value());
    EXPECT_EQ(model->storageStatus().storageNotice->title, "Saved Data Cleared");
    EXPECT_EQ(model->storageStatus().storageNotice->message,
              "Your layouts and settings are back to a clean slate. Save a new layout whenever "
              "you’re ready.");
    EXPECT_EQ(model->storageStatus().storageNotice->details, std::nullopt);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
    // The store stays open: the program goes on saving.
    EXPECT_TRUE(test::AppModelTestSeam(model).hasStore());
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    saveCurrentWindows("Fresh");
}

TEST_F(BackupAndReset, AResetWhoseFreshBackupFailsWarns)
{
    QFile::remove(paths.backup);
    QDir().mkpath(paths.backup + "/blocked");
    const DatabaseResetOutcome outcome = await(model->resetDatabase());
    ASSERT_EQ(outcome.kind, DatabaseResetOutcome::Kind::clearedWithWarning);
    EXPECT_FALSE(outcome.text.isEmpty());
    EXPECT_TRUE(model->savedData().layouts.isEmpty());
    EXPECT_EQ(model->storageStatus().lastBackupURL, std::nullopt);
    ASSERT_TRUE(model->storageStatus().storageNotice.has_value());
    EXPECT_EQ(model->storageStatus().storageNotice->title, "Saved Data Cleared");
    EXPECT_EQ(model->storageStatus().storageNotice->message,
              "Your layouts and settings were cleared, but one cleanup step didn’t finish. You can "
              "keep using Ostrel.");
    EXPECT_EQ(model->storageStatus().storageNotice->details, outcome.text);
}
