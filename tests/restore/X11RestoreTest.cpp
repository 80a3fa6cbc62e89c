// A saved layout of real windows on a real X server with two monitors and openbox: restored,
// then undone, with every frame checked from X itself.
#include "X11Environment.h"

#include "Await.h"
#include "TestApplication.h"

#include "model/Layout.h"
#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "restore/RestoreService.h"
#include "system/x11/X11Backend.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class X11RestoreTest : public test::X11Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        owned = x11::X11Backend::connect(x.display());
        ASSERT_TRUE(owned);
        system = owned->backend();
        windows = std::make_unique<WindowService>(system);
        displayService = std::make_unique<DisplayService>(*system.screens);
        service = std::make_unique<RestoreService>(
            *windows, system, [this]() { return displayService->currentDisplays(); });
    }

    // The window's outer frame in the program's global space, as X reports it, relative to the
    // primary monitor.
    RectD frameFromX(uint32_t window)
    {
        const auto frame = x.frameGeometry(window);
        EXPECT_TRUE(frame);
        return frame ? RectD{frame->x - primaryRootX, double(frame->y), double(frame->width), double(frame->height)}
                     : RectD{};
    }

    // Root origin of the primary monitor in the harness's default arrangement: x 1280, y 0 (a
    // smaller monitor to its left).
    static constexpr double primaryRootX = 1280;

    std::unique_ptr<x11::X11Backend> owned;
    SystemBackend system;
    std::unique_ptr<WindowService> windows;
    std::unique_ptr<DisplayService> displayService;
    std::unique_ptr<RestoreService> service;
};

TEST_F(X11RestoreTest, RestoresASavedLayoutAcrossTwoMonitorsAndUndoesIt)
{
    const uint32_t alpha = x.openWindow(test::windowOf("Alpha", 1500, 300, 600, 400)).window();
    const uint32_t delta = x.openWindow(test::windowOf("Delta", 200, 200, 500, 300)).window();

    // Save: capture the arrangement as the program does.
    const QList<CurrentDisplay> displays = displayService->currentDisplays();
    ASSERT_EQ(displays.size(), 2);
    const CapturePreview preview = test::await(windows->capture(displays, {}, nullptr));
    ASSERT_EQ(preview.entries.size(), 2);
    Layout layout;
    layout.id = QUuid::createUuid();
    layout.name = QStringLiteral("Two monitors");
    layout.displays = preview.displays;
    layout.entries = preview.entries;
    const RectD savedAlpha = frameFromX(alpha);
    const RectD savedDelta = frameFromX(delta);
    // X and the program agree on where the windows are.
    for (const WindowEntry &entry : preview.entries) {
        const RectD captured = preview.references.value(entry.id).frame;
        EXPECT_TRUE(
            captured.isApproximatelyEqual(entry.appName == "Alpha" ? savedAlpha : savedDelta, 1.0));
    }

    // The user rearranges: each window goes to the other monitor at another size.
    x.moveResize(alpha, 100, 500, 700, 450);
    x.moveResize(delta, 2200, 150, 640, 360);
    const RectD movedAlpha = frameFromX(alpha);
    const RectD movedDelta = frameFromX(delta);
    ASSERT_FALSE(movedAlpha.isApproximatelyEqual(savedAlpha, 4.0));

    RestoreOptions options;
    options.operationID = QUuid::createUuid();
    options.layoutID = layout.id;
    const RestoreResult restored = test::await(
        service->restore(layout, displayService->currentDisplays(), {}, options,
                         std::make_shared<CancellationFlag>(), [](const RestoreProgress &) {}));
    EXPECT_EQ(restored.summary, QStringLiteral("2 restored"));
    EXPECT_EQ(restored.movedWindowCount, 2);
    for (const EntryResult &entry : restored.entries) {
        EXPECT_TRUE(entry.detail->startsWith(QStringLiteral("Placed on ")))
            << entry.detail->toStdString();
    }
    EXPECT_TRUE(frameFromX(alpha).isApproximatelyEqual(savedAlpha, 4.0));
    EXPECT_TRUE(frameFromX(delta).isApproximatelyEqual(savedDelta, 4.0));
    EXPECT_LT(frameFromX(delta).x, 0); // back on the monitor left of the primary

    const std::optional<UndoInfo> info = test::await(service->undoInfo());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->entryCount, 2);

    const std::optional<RestoreResult> undone = test::await(
        service->undo(displayService->currentDisplays(), {}, std::make_shared<CancellationFlag>(),
                      [](const RestoreProgress &) {}));
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->summary, QStringLiteral("2 restored"));
    EXPECT_TRUE(frameFromX(alpha).isApproximatelyEqual(movedAlpha, 4.0));
    EXPECT_TRUE(frameFromX(delta).isApproximatelyEqual(movedDelta, 4.0));
    EXPECT_FALSE(test::await(service->undoInfo()));
}

} // namespace
} // namespace ostrel
