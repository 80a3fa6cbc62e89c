#include "AppModelFixture.h"

#include "Await.h"

#include "model/Preferences.h"
#include "storage/SQLiteDatabase.h"

#include <QSettings>

using namespace ostrel;
using namespace ostrel::test;

// One user's day with the program on the fake desktop and a real store: start, capture, save,
// a restore that needs a decision, undo, backup and reset.
TEST_F(AppModelTest, FromFirstStartThroughARestoreWithADecisionToAReset)
{
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)}, 1);
    const QList<AXElement> editor =
        addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    const QList<AXElement> viewer =
        addApplication("com.example.viewer", "Viewer", {{1600, 100, 800, 600}});

    // Construction and bootstrap: an empty store, trust granted, nothing selected.
    startWithoutWaiting();
    EXPECT_TRUE(model->storageStatus().isBootstrapping);
    ASSERT_TRUE(waitUntil([&] { return !model->storageStatus().isBootstrapping; }));
    EXPECT_TRUE(test::AppModelTestSeam(model).hasStore());
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    EXPECT_EQ(model->storageStatus().storePaths, paths);
    EXPECT_TRUE(model->savedData().layouts.isEmpty());
    EXPECT_TRUE(model->session().permissionTrusted);
    EXPECT_TRUE(model->canCapture());
    EXPECT_FALSE(model->canRestore());

    // Capture, trim nothing, save.
    ASSERT_TRUE(await(model->beginSave()));
    ASSERT_EQ(model->windowRequests().pendingCapture->entries.size(), 2);
    ASSERT_EQ(await(model->savePendingLayout("Desk", false)), std::nullopt);
    const Layout desk = model->savedData().layouts.first();
    EXPECT_EQ(model->settings().selectedLayoutID, desk.id);
    EXPECT_EQ(rows("SELECT name FROM layouts"), QStringList{"Desk"});
    EXPECT_TRUE(model->canRestore());

    // The second display is replaced by another one of a different make and size: the restore
    // asks which display to use, and goes on with the choice.
    Screen replacement = screen(3, {1440, 0, 2560, 1440}, 3);
    replacement.identity = {99, 7, 0, 3};
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), replacement}, 1);
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    desktop.setFrame(viewer[0], {1500, 500, 400, 300});
    model->restoreSelectedLayout();
    ASSERT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());
    EXPECT_TRUE(isOpen(WindowID::missingDisplays));
    model->confirmMissingDisplays({{"16-32-2", "99-7-3"}});
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    EXPECT_EQ(model->restoreStatus().lastResult->movedWindowCount, 2);
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));
    ASSERT_TRUE(desktop.frame(viewer[0]).has_value());
    EXPECT_GE(desktop.frame(viewer[0])->x, 1440);
    ASSERT_TRUE(model->restoreStatus().undoInfo.has_value());
    EXPECT_EQ(model->restoreStatus().undoInfo->entryCount, 2);

    // Undo puts both windows back where the restore found them.
    model->undoLastRestore();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{300, 300, 400, 300}));
    EXPECT_EQ(desktop.frame(viewer[0]), (RectD{1500, 500, 400, 300}));
    EXPECT_EQ(model->restoreStatus().undoInfo, std::nullopt);

    // A backup holds the saved layout.
    ASSERT_EQ(await(model->backupNow()), std::nullopt);
    {
        SQLiteDatabase backup(paths.backup, SQLiteOpenMode::readOnly,
                              SQLiteJournalPolicy::unchanged, 2000);
        EXPECT_EQ(LayoutStore::loadLayouts(backup).size(), 1);
    }

    // The reset takes it all back to a first launch, with the store still open.
    model->setHighlightColor(HighlightColor::green);
    EXPECT_EQ(await(model->resetDatabase()), DatabaseResetOutcome::cleared());
    EXPECT_TRUE(model->savedData().layouts.isEmpty());
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
    EXPECT_EQ(model->restoreStatus().lastResult, std::nullopt);
    EXPECT_EQ(model->settings().highlightColor, HighlightColor::blue);
    EXPECT_TRUE(QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")).allKeys().isEmpty());
    EXPECT_EQ(rows("SELECT COUNT(*) FROM layouts").first(), "0");
    EXPECT_EQ(model->storageStatus().storageNotice->title, "Saved Data Cleared");

    // And the next start finds the first-launch state too.
    model.reset();
    start();
    EXPECT_TRUE(model->savedData().layouts.isEmpty());
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    EXPECT_EQ(model->settings().highlightColor, HighlightColor::blue);
}
