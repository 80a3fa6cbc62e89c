#include "SettingsFixture.h"
#include "AppModelTestSeam.h"
#include "Child.h"

#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/CompactMessage.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/InfoButton.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/windows/MessageSlot.h"
#include "ui/windows/PathText.h"
#include "ui/windows/StorageSettingsPage.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class SettingsStorageTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        addApplication("org.example.Editor", "Editor", {{100, 100, 600, 400}});
    }

    StorageSettingsPage *page() const
    {
        return child<StorageSettingsPage>(view(), "settings-storage");
    }

    // What the page says about the last backup: the summary and the full text of an error, or
    // the plain text of a success; empty when nothing.
    QStringList backupAnswer() const
    {
        if (!shown(child<QWidget>(page(), "backup-answer-row"))) {
            return {};
        }
        if (CompactMessage *error = child<MessageSlot>(page(), "backup-error")
                                        ->findChild<CompactMessage *>("slot-message");
            error && shown(error)) {
            return {error->summary(), error->message()};
        }
        return {child<PlainLabel>(page(), "backup-message")->text()};
    }
    QStringList resetAnswer() const
    {
        if (!shown(child<QWidget>(page(), "reset-answer-row"))) {
            return {};
        }
        if (CompactMessage *error = child<MessageSlot>(page(), "reset-error")
                                        ->findChild<CompactMessage *>("slot-message");
            error && shown(error)) {
            return {error->summary(), error->message()};
        }
        return {child<PlainLabel>(page(), "reset-message")->text()};
    }

    void backUp()
    {
        child<PanelButton>(page(), "back-up-now")->click();
        ASSERT_TRUE(waitUntil([&] { return !state->isBackingUp(); }));
        settle();
    }

    // "Reset Layouts…", then the answer to the question.
    void reset(const QString &answer)
    {
        settle(); // as a user sees it: the page has caught up with the model
        child<PanelButton>(page(), "reset-layouts")->click();
        settle();
        ASSERT_NE(presenter->activeAlert(), nullptr);
        ASSERT_TRUE(presenter->answerAlert(answer));
        ASSERT_TRUE(waitUntil([&] { return !state->isResetting(); }));
        settle();
    }
};

TEST_F(SettingsStorageTest, ResetIsOfferedOnlyWhileNothingElseRunsAndStorageIsSound)
{
    startSettings();
    open(SettingsView::storage);
    struct Case {
        const char *what;
        std::function<void()> set;
        bool canReset;
        bool canBackUp;
    };
    const Case cases[] = {
        {"idle", [] {}, true, true},
        {"busy", [&] { AppModelTestSeam(model).setBusy(OperationKind::restoring); }, false, false},
        {"starting", [&] { AppModelTestSeam(model).setIsBootstrapping(true); }, false, true},
        {"a change pending",
         [&] {
             AppModelTestSeam(model).setPendingMutations(
                 {MutationScope::exclusion("org.example.Mail")});
         },
         false, true},
        {"a storage problem",
         [&] {
             AppModelTestSeam(model).setStorageProblem(
                 StorageProblem{QUuid::createUuid(), "Damaged", "Gone", paths.database,
                                std::nullopt, true, std::nullopt});
         },
         false, true},
    };
    for (const Case &c : cases) {
        c.set();
        settle();
        EXPECT_EQ(state->canResetDatabase(), c.canReset) << c.what;
        EXPECT_EQ(child<PanelButton>(page(), "reset-layouts")->isEnabled(), c.canReset) << c.what;
        EXPECT_EQ(child<PanelButton>(page(), "back-up-now")->isEnabled(), c.canBackUp) << c.what;
        EXPECT_TRUE(child<PanelButton>(page(), "reveal-folder")->isEnabled()) << c.what;
        AppModelTestSeam(model).setBusy(std::nullopt);
        AppModelTestSeam(model).setIsBootstrapping(false);
        AppModelTestSeam(model).setPendingMutations({});
        AppModelTestSeam(model).setStorageProblem(std::nullopt);
    }

    // While a backup runs neither a second one nor a reset can start; the folder can be shown.
    const std::function<void()> release = holdStore();
    child<PanelButton>(page(), "back-up-now")->click();
    settle();
    EXPECT_TRUE(state->isBackingUp());
    EXPECT_TRUE(shown(child<ActivityIndicator>(page(), "backup-indicator")));
    EXPECT_FALSE(child<PanelButton>(page(), "back-up-now")->isEnabled());
    EXPECT_FALSE(child<PanelButton>(page(), "reset-layouts")->isEnabled());
    EXPECT_FALSE(state->canResetDatabase());
    EXPECT_TRUE(child<PanelButton>(page(), "reveal-folder")->isEnabled());
    EXPECT_TRUE(child<PanelButton>(page(), "reveal-backup-folder")->isEnabled());
    child<PanelButton>(page(), "reveal-backup-folder")->click();
    EXPECT_EQ(revealedFolders, QStringList{paths.directory});
    release();
    ASSERT_TRUE(waitUntil([&] { return !state->isBackingUp(); }));
    settle();
    EXPECT_FALSE(shown(child<ActivityIndicator>(page(), "backup-indicator")));
    EXPECT_TRUE(child<PanelButton>(page(), "reset-layouts")->isEnabled());
}

TEST_F(SettingsStorageTest, TheBackupAnswerIsShownUnderItsRow)
{
    startSettings();
    saveCurrentWindows("Desk");
    open(SettingsView::storage);
    EXPECT_EQ(child<PlainLabel>(page(), "last-backup")->text(), "None yet");
    EXPECT_EQ(backupAnswer(), QStringList());

    struct Case {
        const char *what;
        std::function<void()> before;
        QStringList answer;
        QString lastBackup;
    };
    const Case cases[] = {
        {"saved", [] {}, {"Backup saved."}, "Ostrel.backup.sqlite"},
        // A change being saved does not disable the button; the model answers.
        {"a change pending",
         [&] {
             AppModelTestSeam(model).setPendingMutations(
                 {MutationScope::exclusion("org.example.Mail")});
         },
         {"Couldn’t create the backup.", "Wait for the current operation before backing up."},
         "Ostrel.backup.sqlite"},
    };
    for (const Case &c : cases) {
        c.before();
        settle();
        backUp();
        EXPECT_EQ(backupAnswer(), c.answer) << c.what;
        EXPECT_EQ(child<PlainLabel>(page(), "last-backup")->text(), c.lastBackup) << c.what;
        AppModelTestSeam(model).setPendingMutations({});
    }

    // The store's own failure comes back as its text, folded under the same summary.
    QFile::remove(paths.backup);
    QDir().mkpath(paths.backup + "/blocked");
    backUp();
    const QStringList failed = backupAnswer();
    ASSERT_EQ(failed.size(), 2);
    EXPECT_EQ(failed[0], "Couldn’t create the backup.");
    EXPECT_TRUE(failed[1].startsWith("Couldn’t create a backup.")) << failed[1].toStdString();
    EXPECT_FALSE(child<MessageSlot>(page(), "backup-error")
                     ->findChild<CompactMessage *>("slot-message")
                     ->isExpanded());
}

// With a storage problem shown, the open database may be the very file that failed: a backup of
// it would replace the last good one.
TEST_F(SettingsStorageTest, NoBackupWhileAStorageProblemIsShownAndTheLastGoodOneStays)
{
    start();
    saveCurrentWindows("Desk");
    ASSERT_EQ(await(model->backupNow()), std::nullopt);
    const QByteArray goodBackup = contents(paths.backup);
    ASSERT_FALSE(goodBackup.isEmpty());
    model.reset();

    afterOpen = [this] {
        execute("UPDATE layouts SET shortcut_key_code = -5, shortcut_modifiers = 256");
    };
    startSettings();
    afterOpen = {};
    ASSERT_TRUE(model->storageStatus().storageProblem.has_value());
    open(SettingsView::storage);
    EXPECT_TRUE(child<PanelButton>(page(), "back-up-now")->isEnabled());
    EXPECT_FALSE(child<PanelButton>(page(), "reset-layouts")->isEnabled());
    backUp();
    EXPECT_EQ(backupAnswer(),
              (QStringList{"Couldn’t create the backup.", "Storage is unavailable."}));
    EXPECT_EQ(contents(paths.backup), goodBackup);
    EXPECT_EQ(child<PlainLabel>(page(), "last-backup")->text(), "None yet");
}

TEST_F(SettingsStorageTest, EachResetOutcomeIsShownAndClearsTheOtherPagesMessages)
{
    startSettings();
    struct Case {
        const char *what;
        std::function<void()> before;
        QStringList answer;
        std::function<void()> after;
    };
    const Case cases[] = {
        {"cleared", [] {}, {"Layouts and settings were cleared. Your windows stay open."}, [] {}},
        {"refused by the store",
         [&] { QDir().mkpath(paths.resetMarker + "/blocked"); },
         {"Couldn’t reset layouts. Nothing was removed."},
         [&] { QDir(paths.resetMarker).removeRecursively(); }},
        {"cleared, but the fresh backup failed",
         [&] {
             QFile::remove(paths.backup);
             QDir().mkpath(paths.backup + "/blocked");
         },
         {"Layouts were cleared, but one cleanup step didn’t finish."},
         [&] { QDir(paths.backup).removeRecursively(); }},
    };
    for (const Case &c : cases) {
        // A refused reset keeps the layouts: each case saves one of its own.
        saveCurrentWindows(QStringLiteral("Desk, ") + c.what);
        open(SettingsView::storage);
        // Something on every other page to be cleared.
        backUp();
        const std::function<void()> releaseCapture = holdCapture();
        state->changeGlobalShortcut(Shortcut{12, Shortcut::command | Shortcut::option});
        releaseCapture();
        ASSERT_TRUE(state->shortcutMessage().has_value());
        ASSERT_EQ(await(model->excludeApp("org.example.Mail", "Mail")), std::nullopt);
        state->addApplications({"/apps/org.example.Mail.desktop"});
        ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
        ASSERT_TRUE(state->exclusionMessage().has_value());

        c.before();
        reset("Reset Layouts");
        const QStringList answer = resetAnswer();
        ASSERT_FALSE(answer.isEmpty()) << c.what;
        EXPECT_EQ(answer[0], c.answer[0]) << c.what;
        if (answer.size() > 1) {
            EXPECT_FALSE(answer[1].isEmpty()) << c.what;
        }
        EXPECT_EQ(backupAnswer(), QStringList()) << c.what;
        EXPECT_EQ(state->shortcutMessage(), std::nullopt) << c.what;
        EXPECT_EQ(state->exclusionMessage(), std::nullopt) << c.what;
        EXPECT_EQ(state->exclusionError(), std::nullopt) << c.what;
        c.after();
    }
}

TEST_F(SettingsStorageTest, AGoodBackupClearsAFailedResetButNotAClearedOne)
{
    startSettings();
    saveCurrentWindows("Desk");
    open(SettingsView::storage);
    QFile::remove(paths.backup);
    QDir().mkpath(paths.backup + "/blocked");
    reset("Reset Layouts");
    ASSERT_EQ(resetAnswer().value(0), "Layouts were cleared, but one cleanup step didn’t finish.");
    EXPECT_EQ(child<PlainLabel>(page(), "last-backup")->text(), "None yet");
    QDir(paths.backup).removeRecursively();

    backUp();
    EXPECT_EQ(backupAnswer(), QStringList{"Backup saved."});
    EXPECT_EQ(resetAnswer(), QStringList());
    EXPECT_TRUE(shown(child<PanelButton>(page(), "reset-layouts")));
    EXPECT_FALSE(state->resetIsError());

    reset("Reset Layouts");
    EXPECT_EQ(resetAnswer(),
              QStringList{"Layouts and settings were cleared. Your windows stay open."});
    EXPECT_EQ(child<PlainLabel>(page(), "last-backup")->text(), "Ostrel.backup.sqlite");
    backUp();
    EXPECT_EQ(resetAnswer(),
              QStringList{"Layouts and settings were cleared. Your windows stay open."});
}

TEST_F(SettingsStorageTest, TheQuestionDefaultsToCancelAndAskingTwiceErasesNothing)
{
    startSettings();
    const Layout desk = saveCurrentWindows("Desk");
    open(SettingsView::storage);

    child<PanelButton>(page(), "reset-layouts")->click();
    settle();
    QMessageBox *alert = presenter->activeAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Reset Layouts?");
    EXPECT_EQ(
        alert->informativeText(),
        "Erase every layout, shortcut, and setting? Your windows stay open. This can’t be undone.");
    ASSERT_NE(alert->defaultButton(), nullptr);
    EXPECT_EQ(alert->defaultButton()->text(), "Cancel");
    // Return presses the default button.
    QTest::keyClick(alert, Qt::Key_Return);
    settle();
    EXPECT_EQ(presenter->activeAlert(), nullptr);
    EXPECT_TRUE(model->layout(desk.id).has_value());
    EXPECT_EQ(resetAnswer(), QStringList());
    EXPECT_FALSE(view()->isConfirmingReset());

    // Confirmed while something else started meanwhile: the reset does not run.
    child<PanelButton>(page(), "reset-layouts")->click();
    settle();
    const std::function<void()> releaseCapture = holdCapture();
    ASSERT_TRUE(presenter->answerAlert("Reset Layouts"));
    settle();
    EXPECT_FALSE(state->isResetting());
    EXPECT_TRUE(model->layout(desk.id).has_value());
    EXPECT_EQ(resetAnswer(), QStringList());
    releaseCapture();
}

// The work goes on when the window closes; the next window shows how it went.
TEST_F(SettingsStorageTest, ABackupOrResetThatEndsAfterTheWindowClosedShowsInTheNextOne)
{
    startSettings();
    saveCurrentWindows("Desk");
    open(SettingsView::storage);
    std::function<void()> release = holdStore();
    child<PanelButton>(page(), "back-up-now")->click();
    settle();
    close();
    EXPECT_EQ(view(), nullptr);
    release();
    ASSERT_TRUE(waitUntil([&] { return !state->isBackingUp(); }));
    open(SettingsView::storage);
    EXPECT_EQ(backupAnswer(), QStringList{"Backup saved."});

    child<PanelButton>(page(), "reset-layouts")->click();
    settle();
    release = holdStore();
    ASSERT_TRUE(presenter->answerAlert("Reset Layouts"));
    settle();
    EXPECT_TRUE(shown(child<QWidget>(page(), "resetting-layouts")));
    close();
    release();
    ASSERT_TRUE(waitUntil([&] { return !state->isResetting(); }));
    open(SettingsView::storage);
    EXPECT_FALSE(shown(child<QWidget>(page(), "resetting-layouts")));
    EXPECT_EQ(resetAnswer(),
              QStringList{"Layouts and settings were cleared. Your windows stay open."});
    EXPECT_EQ(backupAnswer(), QStringList());
    EXPECT_TRUE(model->savedData().layouts.isEmpty());
}

TEST_F(SettingsStorageTest, TheFolderPathIsShownWholeAndWrapsWhenLong)
{
    paths = StorePaths::inFolder(
        dir.filePath("a-rather-long-folder-name-for-the-user-data/"
                     "and-one-more-level-of-nesting-below-it/"
                     "OstrelStorageLivesInThisVeryLongFolderNameWithoutBreaks"));
    startSettings();
    open(SettingsView::storage);
    PathText *path = child<PathText>(page(), "storage-folder-path");
    EXPECT_EQ(path->path(), paths.directory);
    EXPECT_EQ(child<PathText>(page(), "recovery-folder-path")->path(), paths.directory);
    EXPECT_GT(path->lineCount(), 1);
    EXPECT_GT(path->height(), path->fontMetrics().height() * 3 / 2);
    EXPECT_LE(path->width(), view()->width());
    EXPECT_TRUE(path->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(child<FormSectionHeader>(page(), "storage-header")->infoButton()->explanation(),
              "Saved layouts: " + paths.database + "\nAutomatic backup: " + paths.backup);
}

} // namespace
} // namespace ostrel::test
