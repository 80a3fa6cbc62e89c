#include "DesktopFixture.h"

#include "Await.h"
#include "TestApplication.h"

#include "system/AXAttribute.h"

using namespace ostrel;
using namespace std::chrono_literals;

namespace {

QStringList names(const QList<WindowReference> &windows)
{
    QStringList list;
    for (const WindowReference &w : windows) {
        list.append(w.appName);
    }
    return list;
}

QSet<QString> set(std::initializer_list<const char *> ids)
{
    QSet<QString> s;
    for (const char *id : ids) {
        s.insert(QString::fromUtf8(id));
    }
    return s;
}

} // namespace

class WindowScan : public test::DesktopFixture {
protected:
    ScanOutput scan(std::optional<Clock::TimePoint> deadline = std::nullopt,
                    bool includeHostnames = false, QSet<QString> exclusions = {},
                    std::shared_ptr<CancellationFlag> flag = nullptr)
    {
        return direct.scanNow(displays, exclusions, flag, deadline, includeHostnames);
    }

    RunningApplication app(const char *bundleID, const char *name)
    {
        RunningApplication a;
        a.bundleIdentifier = QString::fromUtf8(bundleID);
        a.localizedName = QString::fromUtf8(name);
        return a;
    }

    static constexpr RectD ordinary{100, 100, 800, 600};
};

TEST_F(WindowScan, ReportsOrdinaryWindowsWithTheirWindowNumbers)
{
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement first = desktop.addWindow(pid, ordinary);
    const AXElement second = desktop.addWindow(pid, {300, 200, 500, 400});

    const ScanOutput out = scan();
    ASSERT_EQ(out.windows.size(), 2);
    const WindowReference &w = out.windows[0];
    EXPECT_EQ(w.element, first);
    EXPECT_EQ(w.pid, pid);
    EXPECT_EQ(w.bundleID, "com.example.editor");
    EXPECT_EQ(w.appName, "Editor");
    EXPECT_EQ(w.role, "AXWindow");
    EXPECT_EQ(w.subrole, "AXStandardWindow");
    EXPECT_EQ(w.windowID, desktop.windowNumber(first));
    EXPECT_EQ(w.hostname, std::nullopt);
    EXPECT_EQ(w.frame, ordinary);
    EXPECT_FALSE(w.id.isNull());
    EXPECT_EQ(out.windows[1].element, second);
    EXPECT_EQ(out.scannedApplications, 1);
    EXPECT_EQ(out.skippedCount, 0);
    EXPECT_EQ(out.completedBundleIDs, set({"com.example.editor"}));
    EXPECT_TRUE(out.incompleteBundleIDs.isEmpty());
    EXPECT_FALSE(out.permissionDenied || out.wasCancelled || out.timedOut);
    EXPECT_EQ(desktop.messagingTimeout(desktop.applicationElement(pid)), 0.35);
    EXPECT_EQ(desktop.messagingTimeout(first), 0.25);
}

TEST_F(WindowScan, ApplicationsThatAreNotScannedLeaveNoTrace)
{
    RunningApplication hidden = app("com.example.hidden", "Hidden");
    hidden.isHidden = true;
    RunningApplication accessory = app("com.example.menu", "Menu Extra");
    accessory.activationPolicy = ActivationPolicy::accessory;
    RunningApplication terminated = app("com.example.gone", "Gone");
    terminated.isTerminated = true;
    RunningApplication ownByPid = app("com.example.other-id", "Ostrel by pid");
    ownByPid.pid = 4242;
    desktop.setOwnIdentity(4242, QStringLiteral("local.ostrel.app"));
    RunningApplication ownByBundle = app("local.ostrel.app", "Ostrel helper");
    for (const RunningApplication &a : {hidden, accessory, terminated, ownByPid, ownByBundle}) {
        desktop.addWindow(desktop.addApplication(a), ordinary);
    }

    const ScanOutput out = scan();
    EXPECT_TRUE(out.windows.isEmpty());
    EXPECT_EQ(out.skippedCount, 0);
    EXPECT_EQ(out.scannedApplications, 0);
    EXPECT_TRUE(out.completedBundleIDs.isEmpty());
    EXPECT_TRUE(out.incompleteBundleIDs.isEmpty());
}

TEST_F(WindowScan, AnApplicationWithoutBundleIdentifierIsLeftOutWhenTheProgramHasNoneEither)
{
    desktop.setOwnIdentity(1, std::nullopt);
    RunningApplication anonymous;
    anonymous.localizedName = QStringLiteral("Anonymous");
    desktop.addWindow(desktop.addApplication(anonymous), ordinary);
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    desktop.addWindow(pid, ordinary);

    const ScanOutput out = scan();
    EXPECT_EQ(names(out.windows), QStringList{"Editor"});
    EXPECT_EQ(out.scannedApplications, 1);
}

TEST_F(WindowScan, AnApplicationWithoutNameIsNeverScannedAndStaysIncomplete)
{
    RunningApplication nameless;
    nameless.bundleIdentifier = QStringLiteral("com.example.nameless");
    desktop.addWindow(desktop.addApplication(nameless), ordinary);

    const ScanOutput out = scan();
    EXPECT_TRUE(out.windows.isEmpty());
    EXPECT_EQ(out.scannedApplications, 0);
    EXPECT_EQ(out.incompleteBundleIDs, set({"com.example.nameless"}));
    EXPECT_EQ(captureError(), CaptureError::Kind::incompleteDiscovery);
}

TEST_F(WindowScan, SkipsWindowsThatAreNotOrdinaryWithoutDoubtingTheApplication)
{
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement minimized = desktop.addWindow(pid, ordinary);
    desktop.setAttribute(minimized, AXAttribute::minimized, 1.0);
    desktop.addWindow(pid, {200, 200, 400, 300}, QStringLiteral("AXDialog"));
    desktop.addWindow(pid, {300, 300, 400, 300}, QStringLiteral("AXFloatingWindow"));
    desktop.addWindow(pid, {100, 100, 79, 200});
    desktop.addWindow(pid, {100, 100, 200, 59});
    desktop.addWindow(pid, {-3, 3, 1443, 897}); // fullscreen within 3 points
    const AXElement notAWindow = desktop.addWindow(pid, {500, 500, 300, 300});
    desktop.setAttribute(notAWindow, AXAttribute::role, QStringLiteral("AXSheet"));
    const AXElement textMinimized = desktop.addWindow(pid, {400, 100, 600, 400});
    desktop.setAttribute(textMinimized, AXAttribute::minimized, QStringLiteral("true"));
    desktop.addWindow(pid, {110, 120, 80, 60}); // the smallest accepted size

    const ScanOutput out = scan();
    EXPECT_EQ(out.windows.size(), 2); // the unreadable minimized flag counts as not minimized
    EXPECT_EQ(out.skippedCount, 7);
    EXPECT_EQ(out.completedBundleIDs, set({"com.example.editor"}));
    EXPECT_TRUE(out.incompleteBundleIDs.isEmpty());
}

// Where the platform says whether a window is fullscreen, its word wins over the frame: a window
// maximized on a display without panels covers it, and is still an ordinary window.
TEST_F(WindowScan, AWindowsOwnFullScreenStateWinsOverItsFrame)
{
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement maximized = desktop.addWindow(pid, {0, 0, 1440, 900});
    desktop.setAttribute(maximized, AXAttribute::fullScreen, 0.0);
    const AXElement fullscreen = desktop.addWindow(pid, {100, 100, 600, 400});
    desktop.setAttribute(fullscreen, AXAttribute::fullScreen, 1.0);

    const ScanOutput out = scan();
    ASSERT_EQ(out.windows.size(), 1);
    EXPECT_EQ(out.windows.first().element, maximized);
    EXPECT_EQ(out.skippedCount, 1);
}

TEST_F(WindowScan, FailedReadsMakeTheApplicationIncomplete)
{
    const qint32 subroleFails = desktop.addApplication("com.example.a", "A");
    desktop.addWindow(subroleFails, ordinary);
    const AXElement unreadable = desktop.addWindow(subroleFails, {200, 200, 400, 300});
    desktop.failReads(unreadable, AXAttribute::subrole, AXError::cannotComplete);

    const qint32 roleFails = desktop.addApplication("com.example.b", "B");
    const AXElement noRole = desktop.addWindow(roleFails, ordinary);
    desktop.failReads(noRole, AXAttribute::role, AXError::cannotComplete);

    const qint32 frameFails = desktop.addApplication("com.example.c", "C");
    const AXElement noSize = desktop.addWindow(frameFails, ordinary);
    desktop.setAttribute(noSize, AXAttribute::size, AXSize{0, 300});
    desktop.setServerFrame(noSize, ordinary);

    const qint32 listFails = desktop.addApplication("com.example.d", "D");
    desktop.addWindow(listFails, ordinary);
    desktop.failReads(desktop.applicationElement(listFails), AXAttribute::windows,
                      AXError::cannotComplete);

    const ScanOutput out = scan();
    // A's readable window is still reported; D's list failed, so none of its windows are.
    EXPECT_EQ(names(out.windows), QStringList{"A"});
    EXPECT_EQ(out.skippedCount, 3);
    EXPECT_EQ(out.scannedApplications, 4);
    EXPECT_TRUE(out.completedBundleIDs.isEmpty());
    EXPECT_EQ(out.incompleteBundleIDs,
              set({"com.example.a", "com.example.b", "com.example.c", "com.example.d"}));
}

TEST_F(WindowScan, AnApplicationWithNothingOnThisDesktopCompletesWithoutBeingAsked)
{
    const qint32 pid = desktop.addApplication("com.example.elsewhere", "Elsewhere");
    const AXElement window = desktop.addWindow(pid, ordinary);
    desktop.setOnScreen(window, false);

    const ScanOutput out = scan();
    EXPECT_TRUE(out.windows.isEmpty());
    EXPECT_EQ(out.completedBundleIDs, set({"com.example.elsewhere"}));
    for (const FakeCall &call : desktop.calls()) {
        EXPECT_NE(call.kind, FakeCall::Kind::read) << call.attribute.toStdString();
    }
}

TEST_F(WindowScan, TwoProcessesOfOneApplicationCompleteItOnlyTogether)
{
    const qint32 first = desktop.addApplication("com.example.browser", "Browser");
    const qint32 second = desktop.addApplication("com.example.browser", "Browser");
    desktop.addWindow(first, ordinary);
    const AXElement other = desktop.addWindow(second, {400, 100, 600, 500});

    ScanOutput out = scan();
    EXPECT_EQ(out.windows.size(), 2);
    EXPECT_EQ(out.completedBundleIDs, set({"com.example.browser"}));

    desktop.failReads(other, AXAttribute::role, AXError::cannotComplete);
    out = scan();
    EXPECT_EQ(out.windows.size(), 1);
    EXPECT_TRUE(out.completedBundleIDs.isEmpty());
    EXPECT_EQ(out.incompleteBundleIDs, set({"com.example.browser"}));
}

TEST_F(WindowScan, LookAlikeWindowsThatCannotBePairedAreNotReported)
{
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    desktop.addWindow(pid, ordinary);
    const AXElement twin = desktop.addWindow(pid, ordinary);
    desktop.setOnScreen(twin, false);
    desktop.addWindow(pid, {500, 100, 400, 300});
    const AXElement unmatched = desktop.addWindow(pid, {600, 300, 400, 300});
    desktop.setServerFrame(unmatched, {700, 300, 400, 300});

    const ScanOutput out = scan();
    ASSERT_EQ(out.windows.size(), 1);
    EXPECT_EQ(out.windows[0].frame, (RectD{500, 100, 400, 300}));
    EXPECT_EQ(out.skippedCount, 3);
    EXPECT_EQ(out.incompleteBundleIDs, set({"com.example.editor"}));
}

TEST_F(WindowScan, OrdersApplicationsByNameKeepingTheSystemOrderForEqualNames)
{
    const qint32 zed = desktop.addApplication("com.example.zed", "Zed");
    const qint32 first = desktop.addApplication("com.example.first", "Same");
    const qint32 alpha = desktop.addApplication("com.example.alpha", "Alpha");
    const qint32 second = desktop.addApplication("com.example.second", "Same");
    for (qint32 pid : {zed, first, alpha, second}) {
        desktop.addWindow(pid, ordinary);
    }
    QList<qint32> pids;
    for (const WindowReference &w : scan().windows) {
        pids.append(w.pid);
    }
    EXPECT_EQ(pids, (QList<qint32>{alpha, first, second, zed}));
}

TEST_F(WindowScan, ExcludedApplicationsAreCountedNotScanned)
{
    const qint32 excluded = desktop.addApplication("com.example.secret", "Secret");
    desktop.addWindow(excluded, ordinary);
    desktop.addWindow(excluded, {200, 200, 300, 300}, QStringLiteral("AXDialog"));
    RunningApplication hiddenExcluded = app("com.example.secret", "Secret");
    hiddenExcluded.isHidden = true;
    hiddenExcluded.activationPolicy = ActivationPolicy::accessory;
    desktop.addWindow(desktop.addApplication(hiddenExcluded), ordinary);
    desktop.addWindow(desktop.addApplication("com.example.editor", "Editor"), ordinary);

    const ScanOutput out = scan(std::nullopt, false, set({"com.example.secret"}));
    EXPECT_EQ(out.excludedWindowCount, 3);
    EXPECT_EQ(names(out.windows), QStringList{"Editor"});
    EXPECT_EQ(out.scannedApplications, 1);
    EXPECT_FALSE(out.incompleteBundleIDs.contains("com.example.secret"));
}

TEST_F(WindowScan, WithoutTrustNothingIsRead)
{
    desktop.addWindow(desktop.addApplication("com.example.editor", "Editor"), ordinary);
    desktop.setTrusted(false);
    const ScanOutput out = scan();
    EXPECT_TRUE(out.permissionDenied);
    EXPECT_TRUE(out.windows.isEmpty());
    EXPECT_TRUE(out.completedBundleIDs.isEmpty() && out.incompleteBundleIDs.isEmpty());
    EXPECT_EQ(out.scannedApplications, 0);
}

TEST_F(WindowScan, TrustLostDuringTheScanIsReportedWithTheWindowsFound)
{
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement window = desktop.addWindow(pid, ordinary);
    desktop.setHook([&](const FakeCall &call) {
        if (call.kind == FakeCall::Kind::read && call.element == window
            && call.attribute == AXAttribute::subrole) {
            desktop.setTrusted(false);
        }
    });
    const ScanOutput out = scan();
    EXPECT_TRUE(out.permissionDenied);
    EXPECT_EQ(out.incompleteBundleIDs, set({"com.example.editor"}));
    desktop.setTrusted(true);
    EXPECT_EQ(captureError(), CaptureError::Kind::permissionDenied);
}

TEST_F(WindowScan, CancellationStopsBeforeTheNextApplicationOrWindow)
{
    auto flag = std::make_shared<CancellationFlag>();
    const qint32 a = desktop.addApplication("com.example.a", "A");
    const AXElement a1 = desktop.addWindow(a, ordinary);
    desktop.addWindow(a, {300, 300, 400, 300});
    desktop.addWindow(desktop.addApplication("com.example.b", "B"), ordinary);
    desktop.setHook([&](const FakeCall &call) {
        if (call.element == a1 && call.attribute == AXAttribute::subrole) {
            flag->cancel();
        }
    });
    const ScanOutput out = scan(std::nullopt, false, {}, flag);
    EXPECT_TRUE(out.wasCancelled);
    EXPECT_FALSE(out.timedOut);
    EXPECT_TRUE(out.windows.isEmpty());
    EXPECT_EQ(out.incompleteBundleIDs, set({"com.example.a", "com.example.b"}));
}

TEST_F(WindowScan, DeadlinePassingBetweenTwoApplications)
{
    const qint32 first = desktop.addApplication("com.example.first", "First");
    desktop.addWindow(first, ordinary);
    // An application on another desktop costs no reads; the time runs out while the scan
    // turns to it, after the first application was finished.
    const qint32 between = desktop.addApplication("com.example.middle", "Middle");
    desktop.setOnScreen(desktop.addWindow(between, ordinary), false);
    const AXElement betweenElement = desktop.applicationElement(between);
    const qint32 second = desktop.addApplication("com.example.second", "Second");
    desktop.addWindow(second, ordinary);
    desktop.setHook([&](const FakeCall &call) {
        if (call.kind == FakeCall::Kind::timeout && call.element == betweenElement) {
            desktop.clock().advance(6s);
        }
    });

    const ScanOutput out = scan();
    EXPECT_TRUE(out.timedOut);
    EXPECT_EQ(names(out.windows), QStringList{"First"});
    EXPECT_EQ(out.completedBundleIDs, set({"com.example.first", "com.example.middle"}));
    EXPECT_EQ(out.incompleteBundleIDs, set({"com.example.second"}));
    EXPECT_EQ(out.scannedApplications, 2);
}

TEST_F(WindowScan, SlowWindowsRunIntoTheDeadlineAndLoseTheirApplication)
{
    const qint32 pid = desktop.addApplication("com.example.slow", "Slow");
    for (int i = 0; i < 30; ++i) {
        const AXElement window = desktop.addWindow(pid, {10.0 * i, 100, 400, 300});
        // Each window's subrole read runs into the 0.25-second messaging timeout.
        desktop.setReadLatency(window, AXAttribute::subrole, 1.0);
    }
    const Clock::TimePoint start = desktop.clock().now();
    const ScanOutput out = scan();
    EXPECT_TRUE(out.timedOut);
    EXPECT_TRUE(out.windows.isEmpty());
    EXPECT_EQ(out.incompleteBundleIDs, set({"com.example.slow"}));
    // 24 windows fit into the six seconds, 0.25 seconds each.
    EXPECT_EQ(desktop.clock().now() - start, 6s);
    EXPECT_EQ(out.skippedCount, 24);
}

TEST_F(WindowScan, HostNamesForBrowserWindowsOnly)
{
    const qint32 pid = desktop.addApplication("com.google.Chrome", "Chrome");
    QList<AXElement> windows;
    for (int i = 0; i < 3; ++i) {
        const AXElement window = desktop.addWindow(pid, {100.0 + 100 * i, 100, 600, 400});
        desktop.setAttribute(window, AXAttribute::url,
                             QUrl(QStringLiteral("https://site%1.example/").arg(i)));
        windows.append(window);
    }
    const qint32 editor = desktop.addApplication("com.example.editor", "Editor");
    const AXElement editorWindow = desktop.addWindow(editor, ordinary);
    desktop.setAttribute(editorWindow, AXAttribute::url, QUrl("https://not.a.browser/"));
    // A browser that hangs on one window costs 0.08 seconds per element asked, not the
    // whole host-name phase.
    desktop.setReadLatency(windows[1], AXAttribute::url, 2.0);

    const ScanOutput out = scan(std::nullopt, true);
    ASSERT_EQ(out.windows.size(), 4);
    EXPECT_EQ(out.windows[0].hostname, "site0.example");
    EXPECT_EQ(out.windows[0].windowID, desktop.windowNumber(windows[0]));
    EXPECT_EQ(out.windows[1].hostname, std::nullopt);
    EXPECT_EQ(out.windows[2].hostname, "site2.example");
    EXPECT_EQ(out.windows[3].appName, "Editor");
    EXPECT_EQ(out.windows[3].hostname, std::nullopt);
    EXPECT_FALSE(out.timedOut);

    // Without host names nothing of the page is asked.
    EXPECT_EQ(scan(std::nullopt, false).windows[0].hostname, std::nullopt);
}

TEST_F(WindowScan, HostNamePhaseDeadlineLeavesTheRestWithoutHostNames)
{
    const qint32 pid = desktop.addApplication("org.mozilla.firefox", "Firefox");
    QList<AXElement> windows;
    for (int i = 0; i < 3; ++i) {
        const AXElement window = desktop.addWindow(pid, {100.0 + 100 * i, 100, 600, 400});
        desktop.setAttribute(window, AXAttribute::document,
                             QStringLiteral("https://site%1.example/").arg(i));
        windows.append(window);
    }
    // Time runs out while the first window's host name is read.
    desktop.setHook([&](const FakeCall &call) {
        if (call.element == windows[0] && call.attribute == AXAttribute::document) {
            desktop.clock().advance(2s);
        }
    });
    const ScanOutput out = scan(std::nullopt, true);
    ASSERT_EQ(out.windows.size(), 3);
    EXPECT_EQ(out.windows[0].hostname, "site0.example");
    EXPECT_EQ(out.windows[1].hostname, std::nullopt);
    EXPECT_EQ(out.windows[2].hostname, std::nullopt);
    EXPECT_FALSE(out.timedOut);
    EXPECT_FALSE(out.wasCancelled);
}

TEST_F(WindowScan, RunsOnTheServiceThread)
{
    test::ensureApplication();
    desktop.addWindow(desktop.addApplication("com.example.editor", "Editor"), ordinary);
    const ScanOutput out = test::await(service.scan(displays, {}, nullptr, std::nullopt, true));
    EXPECT_EQ(out.windows.size(), 1);
}
