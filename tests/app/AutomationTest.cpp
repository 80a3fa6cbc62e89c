#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"

#include "app/AutomationService.h"
#include "model/Topology.h"

using namespace ostrel;
using namespace ostrel::test;

// The model's side of automatic restores, driven through the automation service on virtual
// time: a display change, then enough time for it to settle.
class Automation : public EditorModelTest {
protected:
    void SetUp() override
    {
        EditorModelTest::SetUp();
        start();
        work = saveCurrentWindows("Work");
        ASSERT_EQ(await(model->associateAutomation(work.id)), std::nullopt);
        model->setAutomationEnabled(true);
        AppModelTestSeam(model).setSelectedLayoutID(std::nullopt);
    }

    // A display change that settles: reported about 2.4 s after it.
    void changeAndSettle()
    {
        displayEvents.changeScreenParameters();
        advance(3.0);
    }
};

TEST_F(Automation, ASettledSetupRestoresTheOneLinkedLayout)
{
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    // The pass takes five seconds: the repeat suppression counts from its end.
    desktop.setHook([this, once = std::make_shared<bool>(false)](const FakeCall &call) {
        if (call.kind == FakeCall::Kind::write && !*once) {
            *once = true;
            desktop.clock().advance(std::chrono::seconds(5));
        }
    });
    const Clock::TimePoint changed = desktop.clock().now();
    changeAndSettle();
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    desktop.setHook({});
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(model->session().lastAutomationDeferral, std::nullopt);
    EXPECT_EQ(model->session().automationNotice, model->restoreStatus().lastResult->summary);
    EXPECT_FALSE(test::AppModelTestSeam(model).automationService().inFlight());
    EXPECT_EQ(test::AppModelTestSeam(model).automationService().lastAcceptedSignature(),
              Topology::signature(model->currentDisplays()));
    ASSERT_TRUE(test::AppModelTestSeam(model).automationService().lastAcceptedAt().has_value());
    EXPECT_GE(*test::AppModelTestSeam(model).automationService().lastAcceptedAt(),
              changed + seconds(7.0));
    // An automatic restore outlines nothing and leaves no decision behind.
    EXPECT_EQ(flash->generation(), 0);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);

    // The same setup again within 30 s is not even reported.
    model->dismissAutomationNotice();
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    changeAndSettle();
    EXPECT_EQ(model->session().automationNotice, std::nullopt);
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{300, 300, 400, 300}));
}

TEST_F(Automation, RefusalsAreRecordedWithTheirNotices)
{
    Layout second = saveCurrentWindows("Second");
    struct Case {
        const char *state;
        std::function<void()> apply;
        std::function<void()> undo;
        std::optional<AutomationDeferral> deferral;
        QString notice;
    };
    const QString kept = "kept";
    std::function<void()> release;
    const Case cases[] = {
        {"automation off", [&] { model->setAutomationEnabled(false); },
         [&] { model->setAutomationEnabled(true); }, std::nullopt, kept},
        {"storage problem",
         [&] {
             AppModelTestSeam(model).setStorageProblem(
                 StorageProblem{QUuid::createUuid(), "t", "m", "", {}, true, {}});
         },
         [&] { AppModelTestSeam(model).setStorageProblem(std::nullopt); }, std::nullopt, kept},
        {"a capture runs", [&] { release = holdCapture(); }, [&] { release(); },
         AutomationDeferral::busy, "Busy. Automation will retry on the next event."},
        {"an exclusion is saved",
         [&] {
             release = holdEdit([&] { (void)model->excludeApp("com.example.other", "Other"); });
         },
         [&] { release(); }, AutomationDeferral::busy,
         "Busy. Automation will retry on the next event."},
        // The display change itself re-reads the trust.
        {"not trusted", [&] { desktop.setTrusted(false); },
         [&] {
             desktop.setTrusted(true);
             setTrust(true);
         },
         AutomationDeferral::permissionMissing, "Automation is waiting for Accessibility access."},
        {"a mouse button is held", [&] { desktop.setPressedMouseButtons(1); },
         [&] { desktop.setPressedMouseButtons(0); }, AutomationDeferral::activeGesture,
         "A window is being moved. Finish, then choose Restore."},
        {"no layout linked",
         [&] {
             desktop.setScreens({screen(1, {0, 0, 1280, 800}, 1)}, 1);
         },
         [&] {
             desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
         },
         AutomationDeferral::noAssociation,
         "The displays changed, but no layout is linked to this setup."},
        {"two layouts linked",
         [&] {
             execute("UPDATE layouts SET automation_enabled = 1, automation_topology_signature = "
                     "(SELECT automation_topology_signature FROM layouts WHERE name = 'Work')");
             await(model->bootstrap());
         },
         [&] { ASSERT_EQ(await(model->clearAutomation(second.id)), std::nullopt); },
         AutomationDeferral::multipleAssociations,
         "More than one layout is linked to these displays."},
    };
    for (const Case &c : cases) {
        AppModelTestSeam(model).setAutomationNotice(kept);
        c.apply();
        changeAndSettle();
        EXPECT_EQ(model->session().lastAutomationDeferral, c.deferral) << c.state;
        EXPECT_EQ(model->session().automationNotice, c.notice) << c.state;
        EXPECT_FALSE(test::AppModelTestSeam(model).automationService().inFlight()) << c.state;
        EXPECT_EQ(model->restoreStatus().lastResult, std::nullopt) << c.state;
        // A refused setup is not remembered: the same one settling again is reported again.
        EXPECT_EQ(test::AppModelTestSeam(model).automationService().lastAcceptedSignature(),
                  std::nullopt)
            << c.state;
        c.undo();
    }
}

TEST_F(Automation, ALinkedLayoutWithAMissingDisplayIsDeferredWithoutAPrompt)
{
    // Linked on one display; now a second one of the same setup's make is missing from its
    // saved displays: link a two-display layout and take one display away.
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)}, 1);
    const Layout wide = saveCurrentWindows("Wide");
    ASSERT_EQ(await(model->clearAutomation(work.id)), std::nullopt);
    ASSERT_EQ(await(model->associateAutomation(wide.id)), std::nullopt);
    // The signature matches again, but one saved display is not among the connected ones.
    execute("UPDATE layouts SET automation_topology_signature = '"
            + Topology::signature(QList<CurrentDisplay>{model->currentDisplays().first()})
            + "' WHERE name = 'Wide'");
    await(model->bootstrap());
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
    changeAndSettle();
    EXPECT_EQ(model->session().lastAutomationDeferral, AutomationDeferral::missingDisplay);
    EXPECT_EQ(model->session().automationNotice,
              "A saved display is missing. Restore manually to choose another.");
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
}

TEST_F(Automation, ASetupThatNeverSettlesIsReportedOnlyWhileAutomationIsOn)
{
    const auto alternate = [&] {
        // A different arrangement on every look for longer than the give-up time.
        for (int i = 0; i < 30; ++i) {
            desktop.setScreens({screen(1, {0, 0, i % 2 ? 1280.0 : 1440.0, 900}, 1)}, 1);
            advance(0.4);
        }
    };
    model->setAutomationEnabled(false);
    model->dismissAutomationNotice();
    displayEvents.changeScreenParameters();
    alternate();
    EXPECT_EQ(model->session().automationNotice, std::nullopt);
    EXPECT_EQ(model->session().lastAutomationDeferral, std::nullopt);

    model->setAutomationEnabled(true);
    displayEvents.changeScreenParameters();
    alternate();
    EXPECT_EQ(model->session().automationNotice,
              "Displays haven’t settled. Choose Restore to retry.");
    EXPECT_EQ(model->session().lastAutomationDeferral, AutomationDeferral::displaysUnsettled);
}

TEST_F(Automation, AnAutomaticPassWithUndecidedWindowsOnlyLeavesANotice)
{
    // A new session with a second Editor window: the saved entry has two candidates.
    model.reset();
    desktop.addWindow(desktop.runningApplications().first().pid, {700, 300, 400, 300});
    start();
    changeAndSettle();
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    ASSERT_FALSE(model->restoreStatus().lastResult->ambiguous.isEmpty());
    EXPECT_EQ(model->session().automationNotice,
              model->restoreStatus().lastResult->summary
                  + ". Open Ostrel to choose matching windows.");
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::resolution));

    // The panel can still offer the choice, continuing that pass's operation.
    model->presentResolution();
    ASSERT_TRUE(model->restoreStatus().resolutionRequest.has_value());
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation()->operationID,
              model->restoreStatus().lastResult->operationID);
}
