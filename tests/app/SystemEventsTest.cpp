#include "AppModelFixture.h"

#include "Await.h"

#include "app/AutomationService.h"

#include <QSemaphore>

#include <atomic>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString paused = "Automation paused. It resumes when the session is active.";

} // namespace

class SystemEvents : public AppModelTest {
protected:
    void expectEligible(bool eligible, const char *state)
    {
        EXPECT_EQ(model->session().sessionEligible, eligible) << state;
        EXPECT_EQ(test::AppModelTestSeam(model).eligibilityGate().eligible(), eligible) << state;
        EXPECT_EQ(test::AppModelTestSeam(model).eligibilityGate().reason(),
                  eligible ? std::nullopt : std::optional<QString>(paused))
            << state;
        EXPECT_EQ(test::AppModelTestSeam(model).automationService().eligible(), eligible) << state;
    }
};

TEST_F(SystemEvents, TheSessionSignalsAndTheSessionReportDecideEligibility)
{
    start();
    expectEligible(true, "at start");
    struct Case {
        const char *signal;
        std::function<void()> emitSignal;
        bool eligible;
    };
    const Case cases[] = {
        {"screen locked", [&] { session.lockScreen(); }, false},
        {"screen unlocked", [&] { session.unlockScreen(); }, true},
        {"screens slept", [&] { power.sleepScreens(); }, false},
        {"screens woke", [&] { power.wakeScreens(); }, true},
        {"going to sleep", [&] { power.sleep(); }, false},
        {"woke", [&] { power.wake(); }, true},
        {"session resigned", [&] { session.resignActive(); }, false},
        {"session active", [&] { session.becomeActive(); }, true},
    };
    for (const Case &c : cases) {
        c.emitSignal();
        settle();
        expectEligible(c.eligible, c.signal);
    }

    // After the screens slept the session stays away until a coming-back signal, whatever the
    // session reports meanwhile.
    power.sleepScreens();
    settle();
    session.setSessionState(SessionState{false, true, true});
    await(model->refresh());
    expectEligible(false, "report fine, screens asleep");
    power.wakeScreens();
    settle();
    expectEligible(true, "screens awake");

    // A report that cannot be read counts against the session; a missing key does not.
    session.setSessionState(std::nullopt);
    await(model->refresh());
    expectEligible(false, "no report");
    session.setSessionState(SessionState{false, true, std::nullopt});
    await(model->refresh());
    expectEligible(true, "no login key");
}

TEST_F(SystemEvents, AStartWhileTheScreenIsLockedHoldsAutomationBack)
{
    session.setSessionState(SessionState{true, true, true});
    start();
    expectEligible(false, "locked at start");
}

class SystemEventsDuringWork : public SystemEvents {
protected:
    QList<AXElement> editor;

    void SetUp() override
    {
        SystemEvents::SetUp();
        editor = addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
        start();
        saveCurrentWindows("Work");
        desktop.setFrame(editor[0], {300, 300, 400, 300});
    }

    // Starts `operation` and holds its first frame write until the test has sent a signal.
    void duringFirstWrite(const std::function<void()> &operation,
                          const std::function<void()> &signal)
    {
        auto gate = std::make_shared<QSemaphore>(0);
        auto held = std::make_shared<std::atomic<bool>>(false);
        desktop.setHook([gate, held](const FakeCall &call) {
            if (call.kind == FakeCall::Kind::write && !held->exchange(true)) {
                gate->acquire();
            }
        });
        operation();
        ASSERT_TRUE(waitUntil([&] { return bool(*held); }));
        signal();
        settle();
        desktop.setHook({});
        gate->release();
        ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    }
};

TEST_F(SystemEventsDuringWork, ALockCancelsARestoreAndAnUnlockDoesNotRestartIt)
{
    duringFirstWrite([&] { model->restoreSelectedLayout(); }, [&] { session.lockScreen(); });
    EXPECT_TRUE(model->restoreStatus().lastResult->wasCancelled);
    EXPECT_FALSE(test::AppModelTestSeam(model).sessionSignalActive());
    expectEligible(false, "locked");
    const QUuid result = model->restoreStatus().lastResult->id;
    session.unlockScreen();
    settle();
    expectEligible(true, "unlocked");
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_EQ(model->restoreStatus().lastResult->id, result);
}

TEST_F(SystemEventsDuringWork, AScreenChangeCancelsAnUndoAndRereadsTheTrust)
{
    model->restoreSelectedLayout();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    duringFirstWrite([&] { model->undoLastRestore(); },
                     [&] {
                         desktop.setTrusted(false);
                         displayEvents.changeScreenParameters();
                     });
    EXPECT_EQ(model->restoreStatus().lastResult->kind, ResultKind::undo);
    EXPECT_TRUE(model->restoreStatus().lastResult->wasCancelled
                || model->restoreStatus().lastResult->permissionLost);
    EXPECT_FALSE(model->session().permissionTrusted);
}

TEST_F(SystemEventsDuringWork, AScreenChangeDuringACaptureCancelsNothing)
{
    auto gate = std::make_shared<QSemaphore>(0);
    auto held = std::make_shared<std::atomic<bool>>(false);
    desktop.setHook([gate, held](const FakeCall &call) {
        if (call.kind == FakeCall::Kind::read && !held->exchange(true)) {
            gate->acquire();
        }
    });
    QCoro::Task<bool> capturing = model->beginSave();
    ASSERT_TRUE(waitUntil([&] { return bool(*held); }));
    displayEvents.changeScreenParameters();
    session.lockScreen();
    settle();
    EXPECT_EQ(model->restoreStatus().busy, OperationKind::capturing);
    desktop.setHook({});
    gate->release();
    EXPECT_TRUE(await(std::move(capturing)));
    EXPECT_TRUE(model->windowRequests().pendingCapture.has_value());
}

TEST_F(SystemEvents, AnEndedApplicationLosesItsRememberedWindowsAndActivationRefreshes)
{
    addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    const qint32 mail = desktop.addApplication("com.example.mail", "Mail");
    desktop.addWindow(mail, {700, 200, 500, 500});
    start();
    saveCurrentWindows("Work");
    ASSERT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 2);
    desktop.updateApplication(mail, [](RunningApplication &app) { app.isTerminated = true; });
    applicationEvents.terminateApplication();
    settle();
    ASSERT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 1);
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().begin().value().bundleID,
              "com.example.editor");

    desktop.setTrusted(false);
    applicationEvents.activate();
    ASSERT_TRUE(waitUntil([&] { return !model->session().permissionTrusted; }));
}
