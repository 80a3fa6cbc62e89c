#include "DesktopFixture.h"

#include "Await.h"
#include "TestApplication.h"

#include "system/AXAttribute.h"

using namespace ostrel;
using namespace std::chrono_literals;

class Capture : public test::DesktopFixture {};

TEST_F(Capture, MakesEntriesRelativeToTheVisibleFrameOfEachWindowsDisplay)
{
    // Units 10 and 9: their keys sort "16-32-10" before "16-32-9" as plain text.
    displays = {display({0, 0, 1000, 800}, {0, 20, 1000, 780}, 10),
                display({1000, 0, 1000, 800}, {1000, 0, 1000, 700}, 9)};
    const qint32 pid = desktop.addApplication("org.mozilla.firefox", "Firefox");
    const AXElement right = desktop.addWindow(pid, {1250, 175, 500, 350});
    desktop.setAttribute(right, AXAttribute::url, QUrl("https://www.example.com/page?id=7"));
    const AXElement left = desktop.addWindow(pid, {100, 20, 500, 390});
    const AXElement minimized = desktop.addWindow(pid, {100, 20, 500, 390});
    desktop.setAttribute(minimized, AXAttribute::minimized, 1.0);
    const qint32 other = desktop.addApplication("com.example.secret", "Secret");
    desktop.addWindow(other, {300, 300, 400, 300});

    const CapturePreview preview = direct.captureNow(displays, {"com.example.secret"}, nullptr);
    ASSERT_EQ(preview.entries.size(), 2);
    const WindowEntry &first = preview.entries[0];
    const WindowEntry &second = preview.entries[1];
    EXPECT_EQ(first.displayKey, "16-32-10");
    EXPECT_EQ(first.relativeFrame, (RelativeFrame{0.1, 0.0, 0.5, 0.5}));
    EXPECT_EQ(first.hostname, std::nullopt);
    EXPECT_EQ(second.displayKey, "16-32-9");
    EXPECT_EQ(second.relativeFrame, (RelativeFrame{0.25, 0.25, 0.5, 0.5}));
    EXPECT_EQ(second.hostname, "example.com");
    EXPECT_EQ(second.bundleID, "org.mozilla.firefox");
    EXPECT_EQ(second.appName, "Firefox");
    EXPECT_EQ(second.role, "AXWindow");
    EXPECT_EQ(second.subrole, "AXStandardWindow");
    EXPECT_NE(first.id, second.id);

    EXPECT_EQ(preview.references.size(), 2);
    EXPECT_EQ(preview.references.value(first.id).element, left);
    EXPECT_EQ(preview.references.value(second.id).element, right);
    EXPECT_EQ(preview.references.value(second.id).hostname, "example.com");
    EXPECT_EQ(preview.displays,
              (QList<DisplaySnapshot>{DisplaySnapshot::fromCurrent(displays[0]),
                                      DisplaySnapshot::fromCurrent(displays[1])}));
    EXPECT_EQ(preview.excludedWindowCount, 1);
    EXPECT_EQ(preview.unsupportedWindowCount, 1);
    EXPECT_FALSE(preview.id.isNull());
}

TEST_F(Capture, SortsByNameAsFileListsDoThenByDisplayKey)
{
    displays = {display({0, 0, 1000, 800}, {0, 0, 1000, 800}, 2),
                display({1000, 0, 1000, 800}, {1000, 0, 1000, 800}, 1)};
    const qint32 banana = desktop.addApplication("com.example.banana", "Banana");
    const qint32 apple = desktop.addApplication("com.example.apple", "apple");
    const qint32 app10 = desktop.addApplication("com.example.app10", "App 10");
    const qint32 app9 = desktop.addApplication("com.example.app9", "App 9");
    desktop.addWindow(banana, {100, 100, 400, 300});
    desktop.addWindow(banana, {1100, 100, 400, 300});
    desktop.addWindow(apple, {100, 100, 400, 300});
    desktop.addWindow(app10, {100, 100, 400, 300});
    desktop.addWindow(app9, {100, 100, 400, 300});

    QStringList order;
    for (const WindowEntry &entry : direct.captureNow(displays, {}, nullptr).entries) {
        order.append(entry.appName + "@" + entry.displayKey);
    }
    EXPECT_EQ(order,
              (QStringList{"App 9@16-32-2", "App 10@16-32-2", "apple@16-32-2", "Banana@16-32-1",
                           "Banana@16-32-2"}));
}

TEST_F(Capture, RefusesInTheOrderOfItsChecks)
{
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement window = desktop.addWindow(pid, {100, 100, 400, 300});

    // Permission comes before a timed-out scan.
    desktop.setReadLatency(window, AXAttribute::role, 0.2);
    desktop.setHook([&](const FakeCall &call) {
        if (call.attribute == AXAttribute::role) {
            desktop.clock().advance(10s);
            desktop.setTrusted(false);
        }
    });
    EXPECT_EQ(captureError(), CaptureError::Kind::permissionDenied);

    desktop.setTrusted(true);
    desktop.setHook([&](const FakeCall &call) {
        if (call.attribute == AXAttribute::role) {
            desktop.clock().advance(10s);
        }
    });
    EXPECT_EQ(captureError(), CaptureError::Kind::timedOut);

    desktop.setHook({});
    desktop.failReads(window, AXAttribute::subrole, AXError::cannotComplete);
    EXPECT_EQ(captureError(), CaptureError::Kind::incompleteDiscovery);

    desktop.failReads(window, AXAttribute::subrole, AXError::success);
    displays.clear();
    EXPECT_EQ(captureError(), CaptureError::Kind::noEligibleWindows);

    FakeDesktop empty;
    WindowService emptyService(empty.backend());
    try {
        test::WindowServiceTestSeam(emptyService)
            .captureNow({display({0, 0, 800, 600}, {0, 0, 800, 600}, 1)}, {}, nullptr);
        FAIL() << "captured nothing";
    } catch (const CaptureError &error) {
        EXPECT_EQ(error.kind(), CaptureError::Kind::noEligibleWindows);
    }
}

TEST_F(Capture, ACancelledCaptureThrowsCancelled)
{
    test::ensureApplication();
    desktop.addWindow(desktop.addApplication("com.example.editor", "Editor"), {100, 100, 400, 300});
    auto flag = std::make_shared<CancellationFlag>();
    flag->cancel();
    try {
        test::await(service.capture(displays, {}, flag));
        FAIL() << "not cancelled";
    } catch (const CaptureError &error) {
        EXPECT_EQ(error.kind(), CaptureError::Kind::cancelled);
    }
    EXPECT_EQ(test::await(service.capture(displays, {}, nullptr)).entries.size(), 1);
}
