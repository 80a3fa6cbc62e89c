#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"
#include "ForeignWords.h"

#include "app/OperationGuard.h"
#include "model/AutomationDeferral.h"
#include "model/Preferences.h"

#include <QFile>
#include <QSettings>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QVariant storedSetting(const QString &key)
{
    return QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")).value(key);
}

void storeSetting(const QString &key, const QVariant &value)
{
    QSettings settings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"));
    settings.setValue(key, value);
    settings.sync();
}

} // namespace

class ModelState : public AppModelTest {};

TEST_F(ModelState, FirstStartTakesTheDefaultsAndWritesNoSetting)
{
    start();
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
    EXPECT_FALSE(model->settings().automationEnabled);
    EXPECT_TRUE(model->settings().restoreFlashEnabled);
    EXPECT_EQ(model->settings().highlightColor, HighlightColor::blue);
    EXPECT_EQ(model->settings().globalShortcut, std::nullopt);
    EXPECT_EQ(model->settings().appearance, AppearancePreference::system);
    EXPECT_TRUE(model->session().permissionTrusted);
    EXPECT_TRUE(model->session().sessionEligible);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_TRUE(QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")).allKeys().isEmpty());
}

TEST_F(ModelState, ReadsStoredSettingsAndFallsBackOnValuesItDoesNotKnow)
{
    struct Case {
        const char *highlight;
        const char *appearance;
        HighlightColor expectedColor;
        AppearancePreference expectedAppearance;
    };
    const Case cases[] = {
        {"teal", "dark", HighlightColor::teal, AppearancePreference::dark},
        {"magenta", "Dark", HighlightColor::blue, AppearancePreference::system},
        {"graphite", "light", HighlightColor::graphite, AppearancePreference::light},
    };
    for (const Case &c : cases) {
        storeSetting(Preferences::highlightColorKey, QString::fromUtf8(c.highlight));
        storeSetting(Preferences::appearanceKey, QString::fromUtf8(c.appearance));
        storeSetting(Preferences::automationEnabledKey, QStringLiteral("true"));
        storeSetting(Preferences::restoreFlashEnabledKey, QStringLiteral("maybe"));
        Preferences::encodeShortcut(Shortcut{40, Shortcut::command | Shortcut::option},
                                    Preferences::globalShortcutKey);
        start();
        EXPECT_EQ(model->settings().highlightColor, c.expectedColor) << c.highlight;
        EXPECT_EQ(model->settings().appearance, c.expectedAppearance) << c.appearance;
        EXPECT_TRUE(model->settings().automationEnabled);
        EXPECT_TRUE(model->settings().restoreFlashEnabled);
        EXPECT_EQ(model->settings().globalShortcut,
                  (Shortcut{40, Shortcut::command | Shortcut::option}));
        // Unknown texts stay stored as they were: reading writes nothing back.
        EXPECT_EQ(storedSetting(Preferences::highlightColorKey).toString(), c.highlight);
        model.reset();
    }
}

TEST_F(ModelState, SettingsAreWrittenOnAssignmentAndTheSelectionOnlyWhenItChanges)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    const Layout work = saveCurrentWindows("Work");
    const Layout play = saveCurrentWindows("Play");
    model->selectLayout(work.id);
    EXPECT_EQ(Preferences::selectedLayoutID(), work.id);

    // Something else in the file: choosing the same layout again leaves it alone.
    storeSetting(Preferences::selectedLayoutIDKey, QStringLiteral("elsewhere"));
    model->selectLayout(work.id);
    EXPECT_EQ(storedSetting(Preferences::selectedLayoutIDKey).toString(), "elsewhere");
    // Deleting the last layout leaves no selection, and no setting.
    model->selectLayout(play.id);
    EXPECT_EQ(await(model->deleteLayout(work.id)), std::nullopt);
    EXPECT_EQ(await(model->deleteLayout(play.id)), std::nullopt);
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
    EXPECT_FALSE(storedSetting(Preferences::selectedLayoutIDKey).isValid());

    // The other settings are written on every assignment, even of the value they hold.
    storeSetting(Preferences::automationEnabledKey, QStringLiteral("garbage"));
    model->setAutomationEnabled(false);
    EXPECT_EQ(storedSetting(Preferences::automationEnabledKey).toString(), "false");
    model->setRestoreFlashEnabled(false);
    EXPECT_EQ(storedSetting(Preferences::restoreFlashEnabledKey).toString(), "false");
    model->setHighlightColor(HighlightColor::pink);
    EXPECT_EQ(storedSetting(Preferences::highlightColorKey).toString(), "pink");
    model->setAppearance(AppearancePreference::dark);
    EXPECT_EQ(storedSetting(Preferences::appearanceKey).toString(), "dark");
    EXPECT_EQ(model->setGlobalShortcut(Shortcut{1, Shortcut::control | Shortcut::shift}),
              std::nullopt);
    EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey),
              (Shortcut{1, Shortcut::control | Shortcut::shift}));
    EXPECT_EQ(model->setGlobalShortcut(std::nullopt), std::nullopt);
    EXPECT_FALSE(storedSetting(Preferences::globalShortcutKey).isValid());
}

TEST_F(ModelState, AGroupSignalsOnlyRealChangesAndAPassEndsInOneChange)
{
    const QList<AXElement> editor =
        addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    saveCurrentWindows("Work");
    QList<RestoreStatus> published{model->restoreStatus()};
    int settingsSignals = 0;
    QObject scope; // ends the connections before the locals they fill
    QObject::connect(model.get(), &AppModel::restoreStatusChanged, &scope,
                     [&] { published.append(model->restoreStatus()); });
    QObject::connect(model.get(), &AppModel::settingsChanged, &scope, [&] { ++settingsSignals; });

    // The value it already holds is written again but says nothing; a new one says it once.
    model->setAutomationEnabled(false);
    EXPECT_EQ(settingsSignals, 0);
    model->setAutomationEnabled(true);
    EXPECT_EQ(settingsSignals, 1);

    desktop.setFrame(editor[0], {300, 300, 600, 400});
    model->restoreSelectedLayout();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    ASSERT_GE(published.size(), 3); // before, running, done
    for (qsizetype i = 1; i < published.size(); ++i) {
        EXPECT_FALSE(published[i] == published[i - 1]) << "signal " << i << " changed nothing";
    }
    // No view ever sees the result while the pass still shows as running.
    for (const RestoreStatus &status : published) {
        if (status.lastResult) {
            EXPECT_EQ(status.busy, std::nullopt);
            EXPECT_EQ(status.progress, std::nullopt);
        }
    }
    EXPECT_TRUE(published.last().lastResult.has_value());
}

TEST_F(ModelState, ConditionsOfCaptureRestoreChoiceAndUndo)
{
    const QList<AXElement> editor =
        addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    const Layout saved = saveCurrentWindows("Work");
    Layout deleted = saved;
    deleted.id = QUuid::createUuid();
    // A restore that moved the window back leaves something to undo.
    desktop.setFrame(editor[0], {300, 300, 600, 400});
    model->restoreSelectedLayout();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    ASSERT_TRUE(model->restoreStatus().undoInfo.has_value());

    // Each state is reached the way the program reaches it, and left again.
    using Release = std::function<void()>;
    struct Case {
        const char *state;
        std::function<Release()> apply;
        bool capture, restore, choose, undo;
    };
    const Case cases[] = {
        {"idle", [] { return Release([] {}); }, true, true, true, true},
        {"not trusted",
         [&] {
             setTrust(false);
             return Release([&] { setTrust(true); });
         },
         false, false, false, false},
        {"restoring", [&] { return holdRestore(); }, false, false, false, false},
        {"capturing", [&] { return holdCapture(); }, false, false, false, false},
        {"exclusion pending",
         [&] { return holdEdit([&] { (void)model->excludeApp("com.example.other", "Other"); }); },
         false, false, false, false},
        {"rename pending",
         [&] { return holdEdit([&] { (void)model->renameLayout(saved.id, "Renamed"); }); }, true,
         true, true, true},
        {"storage problem", [&] { return breakStorage(); }, false, false, false, false},
        {"nothing selected",
         [&] {
             AppModelTestSeam(model).setSelectedLayoutID(std::nullopt);
             return Release([&] { model->selectLayout(saved.id); });
         },
         true, false, true, true},
        {"no undo",
         [&] {
             const std::optional<UndoInfo> undo = model->restoreStatus().undoInfo;
             AppModelTestSeam(model).setUndoInfo(std::nullopt);
             return Release([&, undo] { AppModelTestSeam(model).setUndoInfo(undo); });
         },
         true, true, true, false},
    };
    for (const Case &c : cases) {
        const Release release = c.apply();
        EXPECT_EQ(model->canCapture(), c.capture) << c.state;
        EXPECT_EQ(model->canRestore(), c.restore) << c.state;
        EXPECT_EQ(model->canChooseRestore(saved), c.choose) << c.state;
        EXPECT_FALSE(model->canChooseRestore(deleted)) << c.state;
        EXPECT_EQ(model->canUndo(), c.undo) << c.state;
        release();
        ASSERT_TRUE(model->canUndo()) << c.state;
    }
}

TEST_F(ModelState, LookupsAndSelection)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    EXPECT_FALSE(model->canRestore());
    const Layout work = saveCurrentWindows("Work");
    EXPECT_EQ(model->layoutNamed("  wORK\n")->id, work.id);
    EXPECT_EQ(model->layoutNamed(" \t\n "), std::nullopt);
    EXPECT_EQ(model->layoutNamed("Play"), std::nullopt);

    model->selectLayout(QUuid::createUuid());
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(model->selectedLayout()->name, "Work");
}

TEST_F(ModelState, TheEditGateRefusesInItsOrder)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    const Layout work = saveCurrentWindows("Work");
    const Layout play = saveCurrentWindows("Play");
    const StorageProblem problem{QUuid::createUuid(), "t", "m", "", {}, true, {}};

    struct Case {
        const char *state;
        std::optional<StorageProblem> problem;
        QSet<MutationScope> pending;
        std::optional<OperationKind> busy;
        const char *expected;
    };
    const Case cases[] = {
        {"storage problem first",
         problem,
         {MutationScope::rename(work.id)},
         OperationKind::capturing,
         "Storage is unavailable."},
        {"same scope before reset",
         std::nullopt,
         {MutationScope::rename(work.id), MutationScope::reset()},
         OperationKind::resetting,
         "That change is already in progress."},
        {"reset before busy",
         std::nullopt,
         {MutationScope::reset()},
         OperationKind::resetting,
         "Saved layouts are being reset. Wait for it to finish."},
        {"busy",
         std::nullopt,
         {},
         OperationKind::restoring,
         "Wait for the current operation to finish."},
    };
    for (const Case &c : cases) {
        AppModelTestSeam(model).setStorageProblem(c.problem);
        AppModelTestSeam(model).setPendingMutations(c.pending);
        AppModelTestSeam(model).setBusy(c.busy);
        EXPECT_EQ(await(model->renameLayout(work.id, "Other")), QString(c.expected)) << c.state;
        EXPECT_EQ(model->savedData().pendingMutations, c.pending) << c.state;
    }
    AppModelTestSeam(model).setStorageProblem(std::nullopt);
    AppModelTestSeam(model).setBusy(std::nullopt);
    // A rename of one layout does not hold back a rename of another.
    AppModelTestSeam(model).setPendingMutations({MutationScope::rename(work.id)});
    EXPECT_EQ(await(model->renameLayout(play.id, "Games")), std::nullopt);
    EXPECT_EQ(model->savedData().pendingMutations,
              QSet<MutationScope>{MutationScope::rename(work.id)});
    EXPECT_EQ(model->layout(work.id)->name, "Work");
}

TEST_F(ModelState, DismissingAnErrorClearsOnlyTheOneShownAndNoticesGoAtOnce)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    saveCurrentWindows("Work");
    setTrust(false);
    model->restoreSelectedLayout();
    ASSERT_TRUE(model->windowRequests().activeError.has_value());
    const QUuid shown = model->windowRequests().activeError->id;
    // A second refusal while the first alert is up replaces it; dismissing the first keeps it.
    model->restoreSelectedLayout();
    ASSERT_TRUE(model->windowRequests().activeError.has_value());
    const QUuid newer = model->windowRequests().activeError->id;
    ASSERT_NE(newer, shown);
    model->dismissActiveError(shown);
    EXPECT_EQ(model->windowRequests().activeError->id, newer);
    model->dismissActiveError(newer);
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);

    AppModelTestSeam(model).setStorageNotice(StorageNotice{"Recovered", "Kept a copy.", {}});
    AppModelTestSeam(model).setAutomationNotice(QStringLiteral("No layout is linked."));
    model->dismissStorageNotice();
    EXPECT_EQ(model->storageStatus().storageNotice, std::nullopt);
    EXPECT_EQ(model->session().automationNotice, QStringLiteral("No layout is linked."));
    model->dismissAutomationNotice();
    EXPECT_EQ(model->session().automationNotice, std::nullopt);
}

TEST(ModelTexts, RefusalsAndDeferralsSpeakOfThisDesktop)
{
    // Every alert a refused command can show, and every reason an automatic restore waits.
    QStringList texts;
    for (const RefusedCommand command :
         {RefusedCommand::capture, RefusedCommand::restore, RefusedCommand::chooseDisplays,
          RefusedCommand::undo, RefusedCommand::shortcutPress}) {
        for (const Obstacle obstacle :
             {Obstacle::storageProblem, Obstacle::storeUnavailable, Obstacle::permission,
              Obstacle::busy, Obstacle::pendingExclusion, Obstacle::noDisplays}) {
            if (const auto alert = refusalAlert(command, obstacle, QStringLiteral("Stored."))) {
                texts << alert->title << alert->message;
            }
        }
    }
    for (int i = 0; i <= int(AutomationDeferral::busy); ++i) {
        texts << reason(AutomationDeferral(i));
    }
    for (const QString &text : std::as_const(texts)) {
        EXPECT_EQ(foreignWords(text), QStringList()) << text.toStdString();
    }
    // Where access is missing, the alerts say what access is on X11.
    EXPECT_EQ(refusalAlert(RefusedCommand::capture, Obstacle::permission)->message,
              "Run a window manager that supports EWMH, then Recheck.");
}
