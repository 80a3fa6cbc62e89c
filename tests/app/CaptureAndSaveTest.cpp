#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"
#include "LogRecorder.h"

#include "model/Preferences.h"
#include "model/Topology.h"

#include <QSemaphore>

#include <stdexcept>

using namespace ostrel;
using namespace ostrel::test;

class CaptureAndSave : public AppModelTest {
protected:
    void SetUp() override
    {
        AppModelTest::SetUp();
        addApplication("com.example.editor", "Editor",
                       {{100, 100, 600, 400}, {200, 150, 500, 300}});
        addApplication("com.example.mail", "Mail", {{700, 200, 500, 500}});
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

TEST_F(CaptureAndSave, BeginSaveRefusesWithTheFirstAlertThatApplies)
{
    start();
    struct Case {
        const char *state;
        std::function<void()> apply;
        const char *title;
        const char *message;
    };
    const StorageProblem problem{QUuid::createUuid(), "t", "Problem text.", "", {}, true, {}};
    const Case cases[] = {
        {"exclusion pending and not trusted",
         [&] {
             AppModelTestSeam(model).setPendingMutations(
                 {MutationScope::exclusion("com.example.x")});
             setTrust(false);
         },
         "Saving Exclusions", "Try again shortly."},
        {"not trusted and busy",
         [&] {
             setTrust(false);
             AppModelTestSeam(model).setBusy(OperationKind::undoing);
         },
         "Accessibility Access Needed", "Run a window manager that supports EWMH, then Recheck."},
        {"busy", [&] { AppModelTestSeam(model).setBusy(OperationKind::saving); },
         "Operation in Progress", "Wait for the current operation, then capture again."},
        {"storage problem only", [&] { AppModelTestSeam(model).setStorageProblem(problem); }, "",
         ""},
    };
    for (const Case &c : cases) {
        dismissError();
        c.apply();
        const std::optional<OperationKind> busy = model->restoreStatus().busy;
        EXPECT_FALSE(await(model->beginSave())) << c.state;
        EXPECT_EQ(alertTitle(), c.title) << c.state;
        EXPECT_EQ(alertMessage(), c.message) << c.state;
        EXPECT_EQ(model->restoreStatus().busy, busy) << c.state;
        EXPECT_EQ(model->windowRequests().pendingCapture.has_value(), false) << c.state;
        setTrust(true);
        AppModelTestSeam(model).setBusy(std::nullopt);
        AppModelTestSeam(model).setPendingMutations({});
        AppModelTestSeam(model).setStorageProblem(std::nullopt);
    }
}

TEST_F(CaptureAndSave, BeginSaveWithoutAStoreWhileItOpens)
{
    auto opening = std::make_shared<QSemaphore>(0);
    openFailure = [opening] { opening->acquire(); };
    startWithoutWaiting();
    EXPECT_FALSE(await(model->beginSave()));
    EXPECT_EQ(alertTitle(), "Storage Unavailable");
    EXPECT_EQ(alertMessage(), "Saved layouts are not available.");
    opening->release();
    ASSERT_TRUE(waitUntil([&] { return !model->storageStatus().isBootstrapping; }));
}

TEST_F(CaptureAndSave, AFailedCaptureAlertsAndLeavesTheEarlierPreview)
{
    start();
    ASSERT_TRUE(await(model->beginSave()));
    const QUuid earlier = model->windowRequests().pendingCapture->id;

    desktop.setTrusted(false);
    EXPECT_FALSE(await(model->beginSave()));
    EXPECT_EQ(alertTitle(), "Couldn’t Capture Windows");
    EXPECT_EQ(alertMessage(), "Accessibility access is needed to read open windows.");
    EXPECT_FALSE(model->session().permissionTrusted);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_EQ(model->windowRequests().pendingCapture->id, earlier);

    desktop.setTrusted(true);
    setTrust(true);
    desktop.setScreens({}, std::nullopt);
    EXPECT_FALSE(await(model->beginSave()));
    EXPECT_EQ(alertMessage(), "No supported windows found. Show a window and retry.");
    EXPECT_TRUE(model->session().permissionTrusted);
}

// A failure the capture has no words for gets the general alert, and its own words go to the log.
TEST_F(CaptureAndSave, AnUnforeseenCaptureFailureAlertsInGeneralAndIsLogged)
{
    start();
    desktop.setHook([](const FakeCall &call) {
        if (call.kind == FakeCall::Kind::windowList) {
            throw std::runtime_error("the window list broke");
        }
    });
    const LogRecorder log;
    EXPECT_FALSE(await(model->beginSave()));
    desktop.setHook({});
    EXPECT_EQ(alertTitle(), "Couldn’t Capture Windows");
    EXPECT_EQ(alertMessage(),
              "Ostrel couldn’t read the open windows. Try again, and check "
              "Accessibility access if it keeps happening.");
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_EQ(log.messages(QtWarningMsg, "ostrel.app"),
              QStringList{"Reading the open windows failed unexpectedly: the window list broke"});
}

TEST_F(CaptureAndSave, CaptureTrimSaveRenameRemoveAndDeleteReachTheDatabase)
{
    start();
    ASSERT_TRUE(await(model->beginSave()));
    CapturePreview preview = *model->windowRequests().pendingCapture;
    ASSERT_EQ(preview.entries.size(), 3);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);

    const WindowEntry dropped = preview.entries[1];
    model->removePendingEntry(dropped.id);
    EXPECT_EQ(model->windowRequests().pendingCapture->entries.size(), 2);
    EXPECT_FALSE(model->windowRequests().pendingCapture->references.contains(dropped.id));
    EXPECT_EQ(model->windowRequests().pendingCapture->unsupportedWindowCount,
              preview.unsupportedWindowCount);

    EXPECT_EQ(await(model->savePendingLayout("  Work\n", false)), std::nullopt);
    ASSERT_EQ(model->savedData().layouts.size(), 1);
    const Layout work = model->savedData().layouts.first();
    EXPECT_EQ(work.name, "Work");
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(Preferences::selectedLayoutID(), work.id);
    EXPECT_EQ(model->windowRequests().pendingCapture, std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 2);
    EXPECT_EQ(rows("SELECT name FROM layouts"), QStringList{"Work"});
    EXPECT_EQ(rows("SELECT COUNT(*) FROM windows").first(), "2");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM windows WHERE id = '"
                   + dropped.id.toString(QUuid::WithoutBraces).toUpper() + "'")
                  .first(),
              "0");

    EXPECT_EQ(await(model->renameLayout(work.id, " Deep Work ")), std::nullopt);
    EXPECT_EQ(rows("SELECT name FROM layouts"), QStringList{"Deep Work"});
    EXPECT_EQ(model->layout(work.id)->name, "Deep Work");
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);

    const QUuid removed = work.entries.first().id;
    EXPECT_EQ(await(model->removeEntry(work.id, removed)), std::nullopt);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM windows").first(), "1");
    EXPECT_EQ(model->layout(work.id)->entries.size(), 1);
    EXPECT_FALSE(test::AppModelTestSeam(model).sessionReferences().contains(removed));
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 1);

    EXPECT_EQ(await(model->removeEntry(work.id, model->layout(work.id)->entries.first().id)),
              "Keep one window, or delete the layout.");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM windows").first(), "1");

    model->setManageLayoutID(work.id);
    EXPECT_EQ(await(model->deleteLayout(work.id)), std::nullopt);
    EXPECT_TRUE(rows("SELECT id FROM layouts").isEmpty());
    EXPECT_TRUE(rows("SELECT layout_id FROM displays").isEmpty());
    EXPECT_TRUE(rows("SELECT id FROM windows").isEmpty());
    EXPECT_TRUE(model->savedData().layouts.isEmpty());
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
    EXPECT_EQ(model->windowRequests().manageLayoutID, std::nullopt);
    EXPECT_TRUE(test::AppModelTestSeam(model).sessionReferences().isEmpty());
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}

TEST_F(CaptureAndSave, DiscardingForgetsOnlyThePreviewItNames)
{
    start();
    ASSERT_TRUE(await(model->beginSave()));
    const QUuid older = model->windowRequests().pendingCapture->id;
    ASSERT_TRUE(await(model->beginSave()));
    const QUuid newer = model->windowRequests().pendingCapture->id;
    model->discardPendingCapture(older);
    EXPECT_EQ(model->windowRequests().pendingCapture->id, newer);
    model->discardPendingCapture(newer);
    EXPECT_EQ(model->windowRequests().pendingCapture, std::nullopt);
}

TEST_F(CaptureAndSave, SaveChecksInItsOrder)
{
    start();
    EXPECT_EQ(await(model->savePendingLayout("Work", false)), "No captured windows are available.");
    ASSERT_TRUE(await(model->beginSave()));
    ASSERT_EQ(await(model->savePendingLayout("work", false)), std::nullopt);

    ASSERT_TRUE(await(model->beginSave()));
    AppModelTestSeam(model).setBusy(OperationKind::restoring);
    EXPECT_EQ(await(model->savePendingLayout(" ", false)),
              "Wait for the current operation to finish.");
    AppModelTestSeam(model).setBusy(std::nullopt);
    EXPECT_EQ(await(model->savePendingLayout("  Work\n", false)),
              "“Work” already exists. Replace it or choose another name.");

    CapturePreview empty = *model->windowRequests().pendingCapture;
    for (const WindowEntry &entry : model->windowRequests().pendingCapture->entries) {
        model->removePendingEntry(entry.id);
    }
    EXPECT_EQ(await(model->savePendingLayout(" \n", false)), "Enter a layout name.");
    EXPECT_EQ(await(model->savePendingLayout("Play", false)),
              "A layout needs at least one window.");
    EXPECT_EQ(model->savedData().layouts.size(), 1);
    EXPECT_TRUE(model->windowRequests().pendingCapture.has_value());
}

TEST_F(CaptureAndSave, SavingUnderAnExistingNameReplacesThatLayoutsWindows)
{
    start();
    ASSERT_TRUE(await(model->beginSave()));
    ASSERT_EQ(await(model->savePendingLayout("work", false)), std::nullopt);
    const Layout before = model->savedData().layouts.first();
    ASSERT_TRUE(await(model->beginSave()));
    const WindowEntry dropped = model->windowRequests().pendingCapture->entries.first();
    model->removePendingEntry(dropped.id);
    const QList<WindowEntry> kept = model->windowRequests().pendingCapture->entries;
    AppModelTestSeam(model).setSelectedLayoutID(std::nullopt);

    EXPECT_EQ(await(model->savePendingLayout("  Work\n", true)), std::nullopt);
    ASSERT_EQ(model->savedData().layouts.size(), 1);
    const Layout after = model->savedData().layouts.first();
    EXPECT_EQ(after.id, before.id);
    EXPECT_EQ(after.name, "work");
    EXPECT_EQ(after.createdAt, before.createdAt);
    EXPECT_EQ(after.entries, kept);
    EXPECT_EQ(model->settings().selectedLayoutID, before.id);
    // The former entries' windows are no longer remembered.
    for (const WindowEntry &entry : before.entries) {
        EXPECT_FALSE(test::AppModelTestSeam(model).sessionReferences().contains(entry.id));
    }
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), kept.size());
    EXPECT_EQ(model->session().automationNotice, std::nullopt);
}

TEST_F(CaptureAndSave, ALongNameCutByTheStoreIsStillSelected)
{
    start();
    const QString longName = QString(130, QLatin1Char('x'));
    ASSERT_TRUE(await(model->beginSave()));
    EXPECT_EQ(await(model->savePendingLayout(longName, false)), std::nullopt);
    ASSERT_EQ(model->savedData().layouts.size(), 1);
    EXPECT_EQ(model->savedData().layouts.first().name, QString(120, QLatin1Char('x')));
    EXPECT_EQ(model->settings().selectedLayoutID, model->savedData().layouts.first().id);
}

TEST_F(CaptureAndSave, AFailedCreateLeavesNothingBehindAndKeepsThePreview)
{
    start();
    ASSERT_TRUE(await(model->beginSave()));
    execute("CREATE TRIGGER refuse_windows BEFORE INSERT ON windows "
            "BEGIN SELECT RAISE(ABORT, 'refused for the test'); END;");
    const std::optional<Refusal> failure = await(model->savePendingLayout("Work", false));
    EXPECT_EQ(failure, "Couldn’t save changes. refused for the test");
    EXPECT_TRUE(rows("SELECT id FROM layouts").isEmpty());
    EXPECT_TRUE(rows("SELECT layout_id FROM displays").isEmpty());
    EXPECT_TRUE(model->savedData().layouts.isEmpty());
    EXPECT_TRUE(model->windowRequests().pendingCapture.has_value());
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);

    execute("DROP TRIGGER refuse_windows");
    EXPECT_EQ(await(model->savePendingLayout("Work", false)), std::nullopt);
    EXPECT_EQ(model->savedData().layouts.size(), 1);
}

TEST_F(CaptureAndSave, ReplacingRefusesInItsOrder)
{
    start();
    const Layout work = saveCurrentWindows("Work");
    struct Case {
        const char *state;
        QUuid id;
        std::function<void()> apply;
        const char *expected;
    };
    const Case cases[] = {
        {"unknown layout", QUuid::createUuid(), [&] { setTrust(false); },
         "That layout is no longer available."},
        {"not trusted", work.id,
         [&] {
             setTrust(false);
             AppModelTestSeam(model).setBusy(OperationKind::restoring);
         },
         "Accessibility access is needed."},
        {"busy", work.id,
         [&] {
             AppModelTestSeam(model).setBusy(OperationKind::restoring);
             AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("x")});
         },
         "Wait for the current operation to finish."},
        {"exclusion pending", work.id,
         [&] {
             AppModelTestSeam(model).setPendingMutations(
                 {MutationScope::exclusion("x"), MutationScope::replace(work.id)});
         },
         "Wait for the exclusion change before replacing."},
        {"same replacement pending", work.id,
         [&] { AppModelTestSeam(model).setPendingMutations({MutationScope::replace(work.id)}); },
         "That replacement is already in progress."},
    };
    for (const Case &c : cases) {
        c.apply();
        const QSet<MutationScope> pending = model->savedData().pendingMutations;
        EXPECT_EQ(await(model->replaceLayoutWithCurrentWindows(c.id)), QString(c.expected))
            << c.state;
        EXPECT_EQ(model->savedData().pendingMutations, pending) << c.state;
        setTrust(true);
        AppModelTestSeam(model).setBusy(std::nullopt);
        AppModelTestSeam(model).setPendingMutations({});
    }
}

TEST_F(CaptureAndSave, AFailedReplacementReturnsItsTextAndReleasesTheEditAndTheBusyState)
{
    start();
    const Layout work = saveCurrentWindows("Work");
    struct Case {
        const char *state;
        std::function<void()> apply;
        std::function<void()> undo;
        const char *expected;
    };
    const Case cases[] = {
        {"nothing to capture", [&] { desktop.setScreens({}, std::nullopt); },
         [&] {
             desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
         },
         "No supported windows found. Show a window and retry."},
        // The model still counts as trusted: only the capture learns that access is gone, and
        // a replacement leaves the trust for the next check to change.
        {"capture denied", [&] { desktop.setTrusted(false); }, [&] { desktop.setTrusted(true); },
         "Accessibility access is needed to read open windows."},
        {"store refuses",
         [&] {
             execute("CREATE TRIGGER refuse_windows BEFORE INSERT ON windows "
                     "BEGIN SELECT RAISE(ABORT, 'refused for the test'); END;");
         },
         [&] { execute("DROP TRIGGER refuse_windows"); },
         "Couldn’t save changes. refused for the test"},
    };
    for (const Case &c : cases) {
        c.apply();
        EXPECT_EQ(await(model->replaceLayoutWithCurrentWindows(work.id)), QString(c.expected))
            << c.state;
        EXPECT_TRUE(model->session().permissionTrusted) << c.state;
        EXPECT_EQ(model->restoreStatus().busy, std::nullopt) << c.state;
        EXPECT_TRUE(model->savedData().pendingMutations.isEmpty()) << c.state;
        EXPECT_EQ(model->layout(work.id), work) << c.state;
        EXPECT_EQ(model->windowRequests().activeError, std::nullopt) << c.state;
        c.undo();
    }
    EXPECT_EQ(await(model->replaceLayoutWithCurrentWindows(work.id)), std::nullopt);
}

TEST_F(CaptureAndSave, ReplacingKeepsOrDropsTheAutomationLinkByTheNewSetup)
{
    start();
    const Layout linked = saveCurrentWindows("Linked");
    const Layout plain = saveCurrentWindows("Plain");
    ASSERT_EQ(await(model->associateAutomation(linked.id)), std::nullopt);
    const QString signature = *model->layout(linked.id)->automationTopologySignature;

    EXPECT_EQ(await(model->replaceLayoutWithCurrentWindows(linked.id)), std::nullopt);
    EXPECT_EQ(model->layout(linked.id)->automationTopologySignature, signature);
    EXPECT_EQ(model->session().automationNotice, std::nullopt);
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);

    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)}, 1);
    EXPECT_EQ(await(model->replaceLayoutWithCurrentWindows(plain.id)), std::nullopt);
    EXPECT_EQ(model->session().automationNotice, std::nullopt);
    EXPECT_EQ(model->layout(plain.id)->displays.size(), 2);

    EXPECT_EQ(await(model->replaceLayoutWithCurrentWindows(linked.id)), std::nullopt);
    EXPECT_FALSE(model->layout(linked.id)->automationEnabled);
    EXPECT_EQ(model->layout(linked.id)->automationTopologySignature, std::nullopt);
    EXPECT_EQ(model->session().automationNotice,
              "The display setup changed. Link this layout again in "
              "Layout details to use automation.");
}

TEST_F(CaptureAndSave, ASecondReplacementWhileTheFirstWritesIsRefusedAsBusy)
{
    start();
    const Layout work = saveCurrentWindows("Work");
    const std::function<void()> release = holdStore();
    QCoro::Task<std::optional<Refusal>> first = model->replaceLayoutWithCurrentWindows(work.id);
    ASSERT_TRUE(waitUntil([&] { return model->restoreStatus().busy == OperationKind::saving; }));
    EXPECT_EQ(await(model->replaceLayoutWithCurrentWindows(work.id)),
              "Wait for the current operation to finish.");
    EXPECT_TRUE(model->savedData().pendingMutations.contains(MutationScope::replace(work.id)));
    release();
    EXPECT_EQ(await(std::move(first)), std::nullopt);
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}
