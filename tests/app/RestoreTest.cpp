#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"

#include "platform/SystemColors.h"
#include "system/AXAttribute.h"

#include <QSemaphore>

#include <atomic>

using namespace ostrel;
using namespace ostrel::test;

class Restore : public AppModelTest {
protected:
    QList<AXElement> editor;
    QList<AXElement> mail;
    Layout work;

    void SetUp() override
    {
        AppModelTest::SetUp();
        editor = addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
        mail = addApplication("com.example.mail", "Mail", {{700, 200, 500, 500}});
    }

    void startWithLayout()
    {
        start();
        work = saveCurrentWindows("Work");
    }

    void moveWindowsAway()
    {
        desktop.setFrame(editor[0], {300, 300, 400, 300});
        desktop.setFrame(mail[0], {50, 60, 400, 300});
    }

    void waitForIdle()
    {
        ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    }

    // Holds the next frame write on the window service's thread: `reached` waits until the
    // write is being held, `release` lets it go on.
    struct HeldWrite {
        std::function<void()> reached;
        std::function<void()> release;
    };
    HeldWrite holdNextWrite()
    {
        auto gate = std::make_shared<QSemaphore>(0);
        auto held = std::make_shared<std::atomic<bool>>(false);
        desktop.setHook([gate, held](const FakeCall &call) {
            if (call.kind == FakeCall::Kind::write && !held->exchange(true)) {
                gate->acquire();
            }
        });
        return {[held] { ASSERT_TRUE(waitUntil([&] { return bool(*held); })); },
                [this, gate] {
                    desktop.setHook({});
                    gate->release();
                }};
    }

    QString alertTitle() const
    {
        return model->windowRequests().activeError ? model->windowRequests().activeError->title
                                                   : "";
    }
    QString alertMessage() const
    {
        return model->windowRequests().activeError ? model->windowRequests().activeError->message
                                                   : "";
    }
};

TEST_F(Restore, ARestorePutsTheWindowsBackFlashesThemAndOffersUndo)
{
    startWithLayout();
    moveWindowsAway();
    model->setHighlightColor(HighlightColor::orange);
    // Markers left from an earlier choice go when a restore starts.
    markers->show(
        {NumberedCandidate{1, test::AppModelTestSeam(model).sessionReferences().begin().value()}});
    ASSERT_EQ(markers->panels().size(), 1);
    busyHistory.clear();
    progressHistory.clear();
    model->restoreSelectedLayout();
    waitForIdle();
    EXPECT_EQ(busyHistory,
              (QList<std::optional<OperationKind>>{OperationKind::restoring, std::nullopt}));
    ASSERT_TRUE(progressHistory.first().has_value());
    EXPECT_EQ(progressHistory.first()->completed, 0);
    EXPECT_EQ(progressHistory.first()->total, 2);
    EXPECT_EQ(progressHistory.first()->layoutName, "Work");

    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));
    EXPECT_EQ(desktop.frame(mail[0]), (RectD{700, 200, 500, 500}));
    ASSERT_TRUE(model->restoreStatus().lastResult.has_value());
    EXPECT_EQ(model->restoreStatus().lastResult->movedWindowCount, 2);
    EXPECT_EQ(model->restoreStatus().lastResult->layoutID, work.id);
    EXPECT_EQ(model->restoreStatus().progress, std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).cancellation(), nullptr);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
    ASSERT_TRUE(model->restoreStatus().undoInfo.has_value());
    EXPECT_EQ(model->restoreStatus().undoInfo->entryCount, 2);
    EXPECT_EQ(model->restoreStatus().undoInfo->layoutName, "Work");
    EXPECT_EQ(flash->generation(), 1);
    ASSERT_EQ(flash->panels().size(), 2);
    EXPECT_EQ(flash->panels().first().panel->accent(), SystemColors::color(HighlightColor::orange));
    EXPECT_TRUE(markers->panels().isEmpty());

    busyHistory.clear();
    progressHistory.clear();
    model->undoLastRestore();
    waitForIdle();
    EXPECT_EQ(busyHistory,
              (QList<std::optional<OperationKind>>{OperationKind::undoing, std::nullopt}));
    // The undo keeps the count it started with until its result arrives, then clears it.
    ASSERT_EQ(progressHistory.size(), 2);
    ASSERT_TRUE(progressHistory.first().has_value());
    EXPECT_EQ(progressHistory.first()->completed, 0);
    EXPECT_EQ(progressHistory.first()->total, 2);
    EXPECT_EQ(progressHistory.last(), std::nullopt);
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{300, 300, 400, 300}));
    EXPECT_EQ(desktop.frame(mail[0]), (RectD{50, 60, 400, 300}));
    EXPECT_EQ(model->restoreStatus().lastResult->kind, ResultKind::undo);
    EXPECT_EQ(model->restoreStatus().undoInfo, std::nullopt);
    EXPECT_FALSE(model->canUndo());
    // No flash follows an undo.
    EXPECT_EQ(flash->generation(), 1);
}

TEST_F(Restore, TheRestoreRoadRefusesInItsOrder)
{
    startWithLayout();
    const StorageProblem problem{QUuid::createUuid(), "t", "m", "", {}, true, {}};
    struct Case {
        const char *state;
        std::function<void()> apply;
        const char *title;
        const char *message;
    };
    const Case cases[] = {
        {"nothing selected and not trusted",
         [&] {
             AppModelTestSeam(model).setSelectedLayoutID(std::nullopt);
             setTrust(false);
         },
         "", ""},
        {"not trusted and busy",
         [&] {
             setTrust(false);
             AppModelTestSeam(model).setBusy(OperationKind::capturing);
         },
         "Accessibility Access Needed",
         "Run a window manager that supports EWMH, then choose Recheck."},
        {"busy and exclusion pending",
         [&] {
             AppModelTestSeam(model).setBusy(OperationKind::capturing);
             AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("x")});
         },
         "", ""},
        {"storage problem and exclusion pending",
         [&] {
             AppModelTestSeam(model).setStorageProblem(problem);
             AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("x")});
         },
         "", ""},
        {"exclusion pending and no displays",
         [&] {
             AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("x")});
             desktop.setScreens({}, std::nullopt);
         },
         "Saving Exclusions", "Try again shortly."},
        {"no displays", [&] { desktop.setScreens({}, std::nullopt); }, "No Displays Available",
         "Ostrel could not read any connected displays."},
    };
    for (const Case &c : cases) {
        dismissError();
        c.apply();
        const std::optional<OperationKind> busy = model->restoreStatus().busy;
        model->restoreSelectedLayout();
        EXPECT_EQ(alertTitle(), c.title) << c.state;
        EXPECT_EQ(alertMessage(), c.message) << c.state;
        EXPECT_EQ(model->restoreStatus().busy, busy) << c.state;
        EXPECT_EQ(model->restoreStatus().lastResult, std::nullopt) << c.state;
        model->selectLayout(work.id);
        setTrust(true);
        AppModelTestSeam(model).setBusy(std::nullopt);
        AppModelTestSeam(model).setPendingMutations({});
        AppModelTestSeam(model).setStorageProblem(std::nullopt);
        desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
    }

    const std::optional<QUuid> selection = model->settings().selectedLayoutID;
    model->restoreLayout(QUuid::createUuid());
    EXPECT_EQ(model->settings().selectedLayoutID, selection);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
}

TEST_F(Restore, CancellingRelabelsTheProgressAndThePassEndsByItself)
{
    startWithLayout();
    model->cancelRestore();
    EXPECT_EQ(model->restoreStatus().progress, std::nullopt);

    moveWindowsAway();
    const HeldWrite write = holdNextWrite();
    model->setRestoreFlashEnabled(false);
    model->restoreSelectedLayout();
    write.reached();
    model->cancelRestore();
    EXPECT_TRUE(test::AppModelTestSeam(model).cancellation()->isCancelled());
    EXPECT_EQ(model->restoreStatus().progress->currentLabel, "Cancelling…");
    EXPECT_EQ(model->restoreStatus().busy, OperationKind::restoring);
    write.release();
    waitForIdle();
    ASSERT_TRUE(model->restoreStatus().lastResult.has_value());
    EXPECT_TRUE(model->restoreStatus().lastResult->wasCancelled);
    EXPECT_EQ(flash->generation(), 0);

    // An undo is refused silently while a restore runs, and cancelled like one.
    model->setRestoreFlashEnabled(true);
    moveWindowsAway();
    model->restoreSelectedLayout();
    waitForIdle();
    ASSERT_TRUE(model->restoreStatus().undoInfo.has_value());
    const HeldWrite undoWrite = holdNextWrite();
    model->undoLastRestore();
    undoWrite.reached();
    model->restoreSelectedLayout();
    EXPECT_EQ(model->restoreStatus().busy, OperationKind::undoing);
    model->cancelRestore();
    EXPECT_EQ(model->restoreStatus().progress->currentLabel, "Cancelling undo…");
    undoWrite.release();
    waitForIdle();
    EXPECT_EQ(model->restoreStatus().lastResult->kind, ResultKind::undo);
    EXPECT_TRUE(model->restoreStatus().lastResult->wasCancelled);
}

TEST_F(Restore, UndoIsRefusedWithAnAlertOnlyForAPendingExclusion)
{
    startWithLayout();
    moveWindowsAway();
    model->restoreSelectedLayout();
    waitForIdle();
    const std::function<void()> releaseExclusion =
        holdEdit([&] { (void)model->excludeApp("com.example.other", "Other"); });
    model->undoLastRestore();
    EXPECT_EQ(alertTitle(), "Saving Exclusions");
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    releaseExclusion();
    dismissError();
    setTrust(false);
    model->undoLastRestore();
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);

    // With no windows journaled the progress still counts one.
    setTrust(true);
    AppModelTestSeam(model).setUndoInfo(UndoInfo{"Work", 0, {}, false});
    progressHistory.clear();
    model->undoLastRestore();
    waitForIdle();
    ASSERT_FALSE(progressHistory.isEmpty());
    EXPECT_EQ(progressHistory.first()->total, 1);
}

class MissingDisplays : public Restore {
protected:
    Layout wide;
    QList<Screen> connectedNow;

    void SetUp() override
    {
        Restore::SetUp();
        desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)},
                           1);
        addApplication("com.example.viewer", "Viewer", {{1600, 100, 800, 600}});
        start();
        wide = saveCurrentWindows("Wide");
        // The second display goes; a third, of another make and size, takes its place.
        Screen other = screen(3, {1440, 0, 2560, 1440}, 3);
        other.identity = {99, 7, 0, 3};
        connectedNow = {screen(1, {0, 0, 1440, 900}, 1), other};
        desktop.setScreens(connectedNow, 1);
    }
};

TEST_F(MissingDisplays, AskForAReplacementAndRestoreWithIt)
{
    model->restoreSelectedLayout();
    ASSERT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());
    const MissingDisplayPrompt prompt = *model->restoreStatus().missingDisplayPrompt;
    EXPECT_EQ(prompt.layoutID, wide.id);
    ASSERT_EQ(prompt.missing.size(), 1);
    EXPECT_EQ(prompt.missing.first().savedDisplayKey, "16-32-2");
    EXPECT_EQ(prompt.missing.first().description, "Display 2 · 1920 × 1080");
    EXPECT_EQ(prompt.available.size(), 2);
    EXPECT_TRUE(isOpen(WindowID::missingDisplays));
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    ASSERT_TRUE(test::AppModelTestSeam(model).activeManualOperation().has_value());
    const QUuid operation = test::AppModelTestSeam(model).activeManualOperation()->operationID;

    model->confirmMissingDisplays({});
    EXPECT_EQ(alertTitle(), "Choose a Display");
    EXPECT_EQ(alertMessage(), "Select a connected display for each missing one.");
    EXPECT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());

    // With no display connected at all the prompt stays too, for when one is back.
    desktop.setScreens({}, std::nullopt);
    model->confirmMissingDisplays({{"16-32-2", "99-7-3"}});
    EXPECT_EQ(alertTitle(), "No Displays Available");
    EXPECT_EQ(alertMessage(), "Connect a display before restoring this layout.");
    EXPECT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation()->operationID, operation);
    desktop.setScreens(connectedNow, 1);

    // While something else runs the prompt stays, choices and all.
    const std::function<void()> releaseCapture = holdCapture();
    model->confirmMissingDisplays({{"16-32-2", "99-7-3"}});
    EXPECT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());
    EXPECT_TRUE(isOpen(WindowID::missingDisplays));
    releaseCapture();

    busyHistory.clear();
    model->confirmMissingDisplays({{"16-32-2", "99-7-3"}});
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
    waitForIdle();
    EXPECT_EQ(busyHistory.first(), OperationKind::restoring);
    EXPECT_EQ(model->restoreStatus().lastResult->operationID, operation);
    EXPECT_EQ(model->restoreStatus().lastResult->entries.size(), 3);
}

TEST_F(MissingDisplays, CancellingOrClosingThePromptDropsTheRequest)
{
    model->restoreSelectedLayout();
    ASSERT_TRUE(isOpen(WindowID::missingDisplays));
    presenter->window(QString(WindowID::missingDisplays))->close();
    settle();
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);

    model->restoreSelectedLayout();
    model->cancelMissingDisplays();
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);

    // Confirming after the layout went away closes the prompt without a word.
    model->restoreSelectedLayout();
    ASSERT_EQ(await(model->deleteLayout(wide.id)), std::nullopt);
    model->confirmMissingDisplays({{"16-32-2", "99-7-3"}});
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
}

TEST_F(MissingDisplays, DisplaysAreNumberedLeftToRightThenTopToBottomThenByKey)
{
    DisplaySnapshot upper = wide.displays.first();
    upper.frame = {0, -900, 1440, 900};
    upper.identity = {16, 32, 0, 9};
    DisplaySnapshot lower = upper;
    lower.frame = {0, 0, 1440, 900};
    lower.identity = {16, 32, 0, 10};
    DisplaySnapshot twin = lower;
    twin.identity = {16, 32, 0, 1};
    const QList<DisplaySnapshot> displays{lower, upper, twin};
    EXPECT_EQ(AppModel::displayDescription("16-32-9", displays), "Display 1");
    EXPECT_EQ(AppModel::displayDescription("16-32-1", displays), "Display 2");
    EXPECT_EQ(AppModel::displayDescription("16-32-10", displays), "Display 3");
    EXPECT_EQ(AppModel::displayDescription("1-2-3", displays), "Saved display");
}

class WindowChoices : public Restore {
protected:
    void SetUp() override
    {
        Restore::SetUp();
        const qint32 notes = desktop.addApplication("com.example.notes", "Notes");
        desktop.addWindow(notes, {120, 500, 300, 200});
        start();
        work = saveCurrentWindows("Work");
        // A new session knows none of the captured windows; a second Notes window makes the
        // saved Notes entry ambiguous.
        model.reset();
        desktop.addWindow(notes, {800, 600, 300, 200});
        start();
    }

    const AmbiguousEntry &onlyAmbiguous() const
    {
        return model->restoreStatus().resolutionRequest->ambiguous.first();
    }
};

TEST_F(WindowChoices, AnAmbiguousEntryIsOfferedAndTheChoiceRunsASecondMergedPass)
{
    moveWindowsAway();
    model->restoreSelectedLayout();
    waitForIdle();
    ASSERT_TRUE(model->restoreStatus().resolutionRequest.has_value());
    EXPECT_TRUE(isOpen(WindowID::resolution));
    ASSERT_EQ(model->restoreStatus().resolutionRequest->ambiguous.size(), 1);
    EXPECT_EQ(onlyAmbiguous().candidates.size(), 2);
    const QUuid operation = test::AppModelTestSeam(model).activeManualOperation()->operationID;
    const qint64 journaledFirst = model->restoreStatus().undoInfo->entryCount;

    const QUuid entry = onlyAmbiguous().entryID;
    const WindowReference first = onlyAmbiguous().candidates[0];
    const WindowReference second = onlyAmbiguous().candidates[1];
    struct Case {
        const char *state;
        QHash<QUuid, WindowReference> choices;
        QSet<QUuid> skipped;
        // Puts the model in the state and returns what takes it out again.
        std::function<std::function<void()>()> apply;
        const char *expected;
    };
    const QUuid stranger = QUuid::createUuid();
    const auto idle = [] { return std::function<void()>([] {}); };
    const Case cases[] = {
        {"exclusion pending",
         {{entry, first}},
         {},
         [&] { return holdEdit([&] { (void)model->excludeApp("com.example.other", "Other"); }); },
         "Wait for the exclusion change before choosing windows."},
        {"busy",
         {{entry, first}},
         {},
         [&] { return holdCapture(); },
         "Wait for the current operation to finish."},
        {"same window twice",
         {{entry, first}, {stranger, first}},
         {},
         idle,
         "Choose a different window for each entry."},
        {"chosen and skipped",
         {{entry, first}},
         {entry},
         idle,
         "A saved entry cannot be both chosen and skipped."},
        {"an entry not asked about",
         {{entry, first}, {stranger, second}},
         {},
         idle,
         "Choose a window or Skip for each entry."},
        {"nothing answered", {}, {}, idle, "Choose a window or Skip for each entry."},
    };
    for (const Case &c : cases) {
        const std::function<void()> release = c.apply();
        EXPECT_EQ(model->applyResolutions(c.choices, c.skipped), QString(c.expected)) << c.state;
        EXPECT_TRUE(model->restoreStatus().resolutionRequest.has_value()) << c.state;
        EXPECT_TRUE(isOpen(WindowID::resolution)) << c.state;
        release();
    }

    const QList<WindowReference> refreshed =
        await(model->refreshCandidates(onlyAmbiguous().candidates));
    EXPECT_EQ(refreshed.size(), 2);

    EXPECT_EQ(model->applyResolutions({{entry, second}}, {}), std::nullopt);
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::resolution));
    EXPECT_EQ(test::AppModelTestSeam(model).sessionResolutions().value(entry).element,
              second.element);
    waitForIdle();
    EXPECT_EQ(model->restoreStatus().lastResult->entries.size(), 3);
    EXPECT_EQ(model->restoreStatus().lastResult->operationID, operation);
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
    // The chosen window went to the saved place, and the undo covers both passes.
    EXPECT_EQ(desktop.frame(second.element), (RectD{120, 500, 300, 200}));
    EXPECT_EQ(model->restoreStatus().undoInfo->entryCount, journaledFirst + 1);
    model->undoLastRestore();
    waitForIdle();
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{300, 300, 400, 300}));
    EXPECT_EQ(desktop.frame(second.element), (RectD{800, 600, 300, 200}));
}

TEST_F(WindowChoices, SkippingEveryEntryIsAnAnswerAndCancellingKeepsThePicks)
{
    model->restoreSelectedLayout();
    waitForIdle();
    ASSERT_TRUE(model->restoreStatus().resolutionRequest.has_value());
    const QUuid entry = onlyAmbiguous().entryID;

    model->cancelResolution();
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::resolution));
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);

    // Reopened from the last result, with that pass's operation.
    const QUuid operation = *model->restoreStatus().lastResult->operationID;
    model->presentResolution();
    ASSERT_TRUE(model->restoreStatus().resolutionRequest.has_value());
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation()->operationID, operation);
    EXPECT_TRUE(isOpen(WindowID::resolution));

    EXPECT_EQ(model->applyResolutions({}, {entry}), std::nullopt);
    waitForIdle();
    EXPECT_TRUE(test::AppModelTestSeam(model).sessionResolutions().isEmpty());
    const EntryResult skipped =
        *std::find_if(model->restoreStatus().lastResult->entries.begin(),
                      model->restoreStatus().lastResult->entries.end(),
                      [&](const EntryResult &e) { return e.entryID == entry; });
    EXPECT_EQ(skipped.outcome, EntryOutcome::skipped);
}

TEST_F(WindowChoices, ApplyingAfterTheLayoutWentAwayCancelsTheRequest)
{
    model->restoreSelectedLayout();
    waitForIdle();
    const QUuid entry = onlyAmbiguous().entryID;
    const WindowReference first = onlyAmbiguous().candidates[0];
    ASSERT_EQ(await(model->deleteLayout(work.id)), std::nullopt);
    EXPECT_EQ(model->applyResolutions({{entry, first}}, {}), "That layout is no longer available.");
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::resolution));
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
    EXPECT_EQ(model->applyResolutions({{entry, first}}, {}),
              "The window choices are no longer available.");
}

TEST_F(WindowChoices, ApplyingWithASavedDisplayGoneAsksForItAndKeepsTheChoices)
{
    model->restoreSelectedLayout();
    waitForIdle();
    ASSERT_TRUE(model->restoreStatus().resolutionRequest.has_value());
    const QUuid operation = test::AppModelTestSeam(model).activeManualOperation()->operationID;
    const QUuid entry = onlyAmbiguous().entryID;
    const WindowReference second = onlyAmbiguous().candidates[1];
    // The display the layout was saved on goes; a larger one of another make takes its place.
    Screen other = screen(3, {0, 0, 2560, 1440}, 3);
    other.identity = {99, 7, 0, 3};
    desktop.setScreens({other}, 3);

    EXPECT_EQ(model->applyResolutions({{entry, second}}, {}), std::nullopt);
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    ASSERT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());
    EXPECT_TRUE(isOpen(WindowID::missingDisplays));
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    ASSERT_TRUE(test::AppModelTestSeam(model).activeManualOperation().has_value());
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation()->operationID, operation);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation()->explicitEntryIDs,
              QSet<QUuid>{entry});
    EXPECT_TRUE(test::AppModelTestSeam(model).activeManualOperation()->mergeUndo);
    EXPECT_EQ(test::AppModelTestSeam(model).sessionResolutions().value(entry).element,
              second.element);

    // Confirming runs the second pass with that choice, so nothing is left to ask.
    const QString saved =
        model->restoreStatus().missingDisplayPrompt->missing.first().savedDisplayKey;
    model->confirmMissingDisplays({{saved, "99-7-3"}});
    waitForIdle();
    EXPECT_EQ(model->restoreStatus().lastResult->operationID, operation);
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
}

TEST_F(WindowChoices, ClosedCandidatesAreLeftOutWhenTheyAreRefreshed)
{
    model->restoreSelectedLayout();
    waitForIdle();
    QList<WindowReference> candidates = onlyAmbiguous().candidates;
    desktop.removeElement(candidates[0].element);
    const QList<WindowReference> refreshed = await(model->refreshCandidates(candidates));
    ASSERT_EQ(refreshed.size(), 1);
    EXPECT_EQ(refreshed.first().element, candidates[1].element);
    EXPECT_TRUE(await(model->refreshCandidates({})).isEmpty());
}
