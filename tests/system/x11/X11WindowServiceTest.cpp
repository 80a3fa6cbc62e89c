// The window and display services on the real X11 backend: what a capture and a restore see and
// do on a desktop with openbox, two monitors and real clients.
#include "ConnectedX11Test.h"

#include "Await.h"
#include "TestApplication.h"

#include "model/CaptureError.h"
#include "platform/DisplayService.h"
#include "platform/WindowService.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ostrel {
namespace {

using test::TestClient;
using test::TestWindowPlan;

class X11WindowServiceTest : public test::ConnectedX11Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_NO_FATAL_FAILURE(ConnectedX11Test::SetUp());
        service = std::make_unique<WindowService>(system);
    }

    static TestWindowPlan window(const std::string &className, int x, int y, int w = 400,
                                 int h = 300)
    {
        return test::windowOf(className, x, y, w, h);
    }

    QList<CurrentDisplay> displays() { return DisplayService(*system.screens).currentDisplays(); }

    ScanOutput scan()
    {
        return test::await(service->scan(displays(), {}, nullptr, std::nullopt, true));
    }

    std::unique_ptr<WindowService> service;
};

TEST_F(X11WindowServiceTest, ScanReportsExactlyTheEligibleWindows)
{
    const TestClient alpha = x.openWindow(window("Alpha", 1400, 100));
    // Windows that claim Alpha's process: each is examined and skipped for its own reason.
    TestWindowPlan dialog = window("Alpha", 2000, 100);
    dialog.type = "dialog";
    TestWindowPlan small = window("Alpha", 2600, 100, 60, 200);
    TestWindowPlan minimized = window("Alpha", 1400, 600);
    minimized.iconic = true;
    TestWindowPlan elsewhere = window("Alpha", 2000, 600);
    elsewhere.desktop = 1;
    for (TestWindowPlan *windowPlan : {&dialog, &small, &minimized, &elsewhere}) {
        windowPlan->claimedPid = alpha.pid;
        x.openWindow(*windowPlan);
    }
    const TestClient delta = x.openWindow(window("Delta", 100, 100));
    TestWindowPlan popup = window("Popup", 2200, 400);
    popup.type = "utility"; // an application with no normal window is not regular
    x.openWindow(popup);

    const ScanOutput out = scan();
    EXPECT_FALSE(out.permissionDenied);
    EXPECT_FALSE(out.timedOut);
    ASSERT_EQ(out.windows.size(), 2);
    const WindowReference &a = out.windows[0];
    EXPECT_EQ(a.appName, QStringLiteral("Alpha"));
    EXPECT_EQ(a.bundleID, QStringLiteral("alpha"));
    EXPECT_EQ(a.role, QStringLiteral("AXWindow"));
    EXPECT_EQ(a.subrole, QStringLiteral("AXStandardWindow"));
    EXPECT_EQ(a.element, AXElement{alpha.window()});
    EXPECT_EQ(a.windowID, std::optional<quint32>(alpha.window()));
    EXPECT_EQ(a.pid, alpha.pid);
    const WindowReference &d = out.windows[1];
    EXPECT_EQ(d.bundleID, QStringLiteral("delta"));
    EXPECT_EQ(d.element, AXElement{delta.window()});
    EXPECT_LT(d.frame.x, 0);
    EXPECT_EQ(out.skippedCount, 4); // dialog, too small, minimized, on another desktop
    EXPECT_EQ(out.scannedApplications, 2);
    EXPECT_EQ(out.completedBundleIDs, (QSet<QString>{"alpha", "delta"}));
    EXPECT_TRUE(out.incompleteBundleIDs.isEmpty());
}

TEST_F(X11WindowServiceTest, CaptureIsRelativeToEachMonitorsVisibleFrame)
{
    TestWindowPlan dock = window("Panel", 1280, 0, 1920, 40);
    dock.type = "dock";
    dock.strutPartial = {0, 0, 40, 0, 0, 0, 0, 0, 1280, 3199, 0, 0};
    x.openWindow(dock);
    x.openWindow(window("Alpha", 1500, 300, 600, 400));
    x.openWindow(window("Delta", 200, 200, 500, 300));

    const QList<CurrentDisplay> current = displays();
    ASSERT_EQ(current.size(), 2);
    const CurrentDisplay &left = current[0]; // ordered left to right
    const CurrentDisplay &primary = current[1];
    ASSERT_TRUE(primary.isPrimary);
    EXPECT_EQ(primary.visibleFrame, (RectD{0, 40, 1920, 1040}));
    EXPECT_EQ(left.visibleFrame, left.frame);

    const CapturePreview preview = test::await(service->capture(current, {}, nullptr));
    ASSERT_EQ(preview.entries.size(), 2);
    for (const WindowEntry &entry : preview.entries) {
        const CurrentDisplay &display = entry.appName == "Alpha" ? primary : left;
        const RectD frame = preview.references.value(entry.id).frame;
        EXPECT_EQ(entry.displayKey, display.identity.key());
        EXPECT_DOUBLE_EQ(entry.relativeFrame.x,
                         (frame.x - display.visibleFrame.x) / display.visibleFrame.width);
        EXPECT_DOUBLE_EQ(entry.relativeFrame.y,
                         (frame.y - display.visibleFrame.y) / display.visibleFrame.height);
        EXPECT_DOUBLE_EQ(entry.relativeFrame.width, frame.width / display.visibleFrame.width);
    }
}

TEST_F(X11WindowServiceTest, SetFrameMovesARealWindowAndReadsItBack)
{
    x.openWindow(window("Alpha", 1400, 100));
    const ScanOutput out = scan();
    ASSERT_EQ(out.windows.size(), 1);
    for (const RectD target : {RectD{300, 200, 700, 500}, RectD{-1100, 50, 640, 480}}) {
        const FrameApplyResult result =
            test::await(service->setFrame(target, out.windows[0], nullptr, nullptr));
        ASSERT_TRUE(result.after);
        EXPECT_TRUE(result.after->isApproximatelyEqual(target, 4.0)) << target.x;
        EXPECT_TRUE(result.allFailures().isEmpty());
        EXPECT_FALSE(result.retrySizeFailure);
    }
}

TEST_F(X11WindowServiceTest, FixedSizeWindowMovesButKeepsItsSize)
{
    TestWindowPlan fixed = window("Alpha", 1400, 100, 300, 200);
    fixed.fixedSize = true;
    x.openWindow(fixed);
    const ScanOutput out = scan();
    ASSERT_EQ(out.windows.size(), 1);
    const RectD target{500, 400, 800, 600};
    const FrameApplyResult result =
        test::await(service->setFrame(target, out.windows[0], nullptr, nullptr));
    ASSERT_TRUE(result.after && result.before);
    EXPECT_EQ(result.after->width, result.before->width);
    EXPECT_NEAR(result.after->x, target.x, 4.0);
    EXPECT_TRUE(result.changed());
    EXPECT_TRUE(result.hasUnsupportedFailure()); // so the restore engine reports it adjusted
    ASSERT_TRUE(result.sizeFailure);
    EXPECT_EQ(result.sizeFailure->kind, AXWriteFailure::Kind::rejected);
}

TEST_F(X11WindowServiceTest, WindowDestroyedMidWriteIsNoLongerAvailable)
{
    const TestClient alpha = x.openWindow(window("Alpha", 1400, 100));
    const ScanOutput out = scan();
    ASSERT_EQ(out.windows.size(), 1);
    // The gate is the last moment before the first write: the window goes away right there.
    WriteGate gate = [&]() -> QCoro::Task<bool> {
        x.stop(alpha);
        co_return true;
    };
    const FrameApplyResult result =
        test::await(service->setFrame(RectD{100, 100, 500, 400}, out.windows[0], nullptr, gate));
    EXPECT_TRUE(result.attemptedWrite);
    ASSERT_TRUE(result.sizeFailure);
    EXPECT_EQ(result.sizeFailure->kind, AXWriteFailure::Kind::invalidElement);
    EXPECT_FALSE(result.after);
}

TEST_F(X11WindowServiceTest, NoWindowManagerMeansNoTrust)
{
    x.openWindow(window("Alpha", 1400, 100));
    x.stopWindowManager();
    EXPECT_FALSE(system.trust->isProcessTrusted());
    EXPECT_TRUE(scan().permissionDenied);
    EXPECT_THROW(test::await(service->capture(displays(), {}, nullptr)), CaptureError);
}

} // namespace
} // namespace ostrel
