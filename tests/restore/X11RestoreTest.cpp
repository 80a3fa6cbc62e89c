// A saved layout of real windows on a real X server with two monitors, under each common window
// manager (one run each): restored, then undone, with every frame checked from X itself.
#include "ConnectedX11Test.h"

#include "Await.h"
#include "TestApplication.h"

#include "model/Layout.h"
#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "restore/RestoreService.h"
#include "system/AXAttribute.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace ostrel {
namespace {

class X11RestoreTest : public test::ConnectedX11Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_NO_FATAL_FAILURE(ConnectedX11Test::SetUp());
        windows = std::make_unique<WindowService>(system);
        displayService = std::make_unique<DisplayService>(*system.screens);
        service = std::make_unique<RestoreService>(
            *windows, system, [this]() { return displayService->currentDisplays(); });
    }

    bool isMaximized(uint32_t window)
    {
        const std::vector<uint32_t> states = x.property32(window, "_NET_WM_STATE");
        return std::find(states.begin(), states.end(), x.atom("_NET_WM_STATE_MAXIMIZED_VERT"))
            != states.end();
    }

    std::unique_ptr<WindowService> windows;
    std::unique_ptr<DisplayService> displayService;
    std::unique_ptr<RestoreService> service;
};

TEST_F(X11RestoreTest, RestoresASavedLayoutAcrossTwoMonitorsAndUndoesIt)
{
    const uint32_t alpha = x.openWindow(test::windowOf("Alpha", 1500, 300, 600, 400)).window();
    const uint32_t delta = x.openWindow(test::windowOf("Delta", 200, 200, 500, 300)).window();
    // Placed by its client's own frame (Static gravity, as Qt windows ask), which a move that
    // leaves the gravity to the window would get wrong by the frame's extents.
    test::TestWindowPlan staticPlan = test::windowOf("Gamma", 2300, 500, 450, 350);
    staticPlan.gravity = 10;
    const uint32_t gamma = x.openWindow(staticPlan).window();
    const std::map<uint32_t, QString> names{{alpha, "Alpha"}, {delta, "Delta"}, {gamma, "Gamma"}};

    // Save: capture the arrangement as the program does.
    const QList<CurrentDisplay> displays = displayService->currentDisplays();
    ASSERT_EQ(displays.size(), 2);
    const CapturePreview preview = test::await(windows->capture(displays, {}, nullptr));
    ASSERT_EQ(preview.entries.size(), 3);
    Layout layout;
    layout.id = QUuid::createUuid();
    layout.name = QStringLiteral("Two monitors");
    layout.displays = preview.displays;
    layout.entries = preview.entries;
    std::map<uint32_t, RectD> saved;
    for (const auto &[window, name] : names) {
        saved[window] = frameFromX(window);
    }
    // X and the program agree on where the windows are.
    for (const WindowEntry &entry : preview.entries) {
        const RectD captured = preview.references.value(entry.id).frame;
        const uint32_t window = preview.references.value(entry.id).windowID.value_or(0);
        ASSERT_EQ(names.count(window), 1u) << entry.appName.toStdString();
        EXPECT_TRUE(captured.isApproximatelyEqual(saved[window], 1.0))
            << entry.appName.toStdString();
    }

    // The user rearranges: two windows go to the other monitor at another size, and one is
    // maximized (a maximized window ignores moves until it is given back its own frame). The
    // window manager maximizes into what the program takes for the monitor's visible frame.
    x.moveResize(alpha, 100, 500, 700, 450);
    x.moveResize(delta, 2200, 150, 640, 360);
    x.moveResize(gamma, 1600, 250, 500, 400);
    x.maximize(gamma);
    const QList<CurrentDisplay> now = displayService->currentDisplays();
    const auto primary =
        std::find_if(now.begin(), now.end(), [](const CurrentDisplay &d) { return d.isPrimary; });
    ASSERT_NE(primary, now.end());
    // Some window managers (icewm) push a maximized window's borders past the work area's
    // edges, so each edge may lie out by the border's width there.
    std::vector<uint32_t> borders = x.property32(gamma, "_NET_FRAME_EXTENTS");
    borders.resize(4, 0);
    const RectD maximized = frameFromX(gamma);
    const RectD &visible = primary->visibleFrame;
    EXPECT_TRUE(std::abs(maximized.x - visible.x) <= borders[0]
                && std::abs(maximized.x + maximized.width - visible.x - visible.width) <= borders[1]
                && std::abs(maximized.y - visible.y) <= borders[2]
                && std::abs(maximized.y + maximized.height - visible.y - visible.height)
                    <= borders[3])
        << "maximized to " << maximized.x << "," << maximized.y << " " << maximized.width << "x"
        << maximized.height << ", visible frame " << primary->visibleFrame.x << ","
        << primary->visibleFrame.y << " " << primary->visibleFrame.width << "x"
        << primary->visibleFrame.height;
    std::map<uint32_t, RectD> moved;
    for (const auto &[window, name] : names) {
        moved[window] = frameFromX(window);
        ASSERT_FALSE(moved[window].isApproximatelyEqual(saved[window], 4.0)) << name.toStdString();
    }

    RestoreOptions options;
    options.operationID = QUuid::createUuid();
    options.layoutID = layout.id;
    const RestoreResult restored = test::await(
        service->restore(layout, displayService->currentDisplays(), {}, options,
                         std::make_shared<CancellationFlag>(), [](const RestoreProgress &) {}));
    EXPECT_EQ(restored.summary, QStringLiteral("3 restored"));
    EXPECT_EQ(restored.movedWindowCount, 3);
    for (const EntryResult &entry : restored.entries) {
        EXPECT_TRUE(entry.detail->startsWith(QStringLiteral("Placed on ")))
            << entry.appName.toStdString() << ": " << entry.detail->toStdString();
    }
    expectFrames(saved);
    EXPECT_LT(frameFromX(delta).x, 0); // back on the monitor left of the primary
    EXPECT_FALSE(isMaximized(gamma));

    const std::optional<UndoInfo> info = test::await(service->undoInfo());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->entryCount, 3);

    const std::optional<RestoreResult> undone = test::await(
        service->undo(displayService->currentDisplays(), {}, std::make_shared<CancellationFlag>(),
                      [](const RestoreProgress &) {}));
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->summary, QStringLiteral("3 restored"));
    expectFrames(moved);
    EXPECT_FALSE(test::await(service->undoInfo()));
}

// A maximized window whose client draws its own decoration: while maximized it declares no
// shadow, and it declares its shadow again only a frame after it has seen the state go. The
// restore plans and reads back with the shadow of the restored window, so the visible frame
// lands where it was saved instead of short of it by the shadow on every side.
TEST_F(X11RestoreTest, AMaximizedWindowWithItsOwnShadowLandsWhereItWasSaved)
{
    test::TestWindowPlan plan = test::windowOf("Shadowed", 1700, 200, 760, 560);
    plan.clientSideShadow = {26, 26, 23, 29};
    const uint32_t window = x.openWindow(plan).window();
    // xfwm4 lists a new window in its stacking order only once something else changes there.
    x.openWindow(test::windowOf("Other", 100, 100, 300, 200));
    ASSERT_TRUE(x.waitUntil([&] {
        const std::vector<uint32_t> stacking = x.property32(x.root(), "_NET_CLIENT_LIST_STACKING");
        return std::find(stacking.begin(), stacking.end(), window) != stacking.end();
    }));
    const auto visibleFrame = [&] {
        std::vector<uint32_t> shadow = x.property32(window, "_GTK_FRAME_EXTENTS");
        shadow.resize(4, 0);
        const RectD outer = frameFromX(window);
        return RectD{outer.x + shadow[0], outer.y + shadow[2], outer.width - shadow[0] - shadow[1],
                     outer.height - shadow[2] - shadow[3]};
    };
    const QList<CurrentDisplay> displays = displayService->currentDisplays();
    const CapturePreview preview = test::await(windows->capture(displays, {}, nullptr));
    Layout layout;
    layout.id = QUuid::createUuid();
    layout.name = QStringLiteral("Shadowed");
    layout.displays = preview.displays;
    for (const WindowEntry &entry : preview.entries) {
        if (entry.appName == QStringLiteral("Shadowed")) {
            layout.entries.append(entry);
        }
    }
    ASSERT_EQ(layout.entries.size(), 1);
    const RectD saved = visibleFrame();
    EXPECT_TRUE(
        preview.references.value(layout.entries[0].id).frame.isApproximatelyEqual(saved, 1.0));

    x.maximize(window);
    ASSERT_TRUE(x.waitUntil(
        [&] { return x.property32(window, "_GTK_FRAME_EXTENTS") == std::vector<uint32_t>(4, 0); }));
    ASSERT_FALSE(visibleFrame().isApproximatelyEqual(saved, 4.0));

    RestoreOptions options;
    options.operationID = QUuid::createUuid();
    options.layoutID = layout.id;
    const RestoreResult restored = test::await(
        service->restore(layout, displayService->currentDisplays(), {}, options,
                         std::make_shared<CancellationFlag>(), [](const RestoreProgress &) {}));
    ASSERT_EQ(restored.entries.size(), 1);
    EXPECT_EQ(restored.summary, QStringLiteral("1 restored"));
    EXPECT_TRUE(restored.entries[0].detail->startsWith(QStringLiteral("Placed on ")))
        << restored.entries[0].detail->toStdString();
    EXPECT_FALSE(isMaximized(window));
    // Once the client has declared its shadow (before the restore ended, or a frame after it
    // saw the state go), the window shows where it was saved.
    ASSERT_TRUE(x.waitUntil([&] {
        return x.property32(window, "_GTK_FRAME_EXTENTS") == std::vector<uint32_t>{26, 26, 23, 29};
    }));
    const RectD landed = visibleFrame();
    EXPECT_TRUE(landed.isApproximatelyEqual(saved, 4.0))
        << "visible at " << landed.x << "," << landed.y << " " << landed.width << "x"
        << landed.height << ", saved " << saved.x << "," << saved.y << " " << saved.width << "x"
        << saved.height;
    // What the program reported is where the window stands.
    ASSERT_TRUE(restored.entries[0].frame);
    EXPECT_TRUE(restored.entries[0].frame->isApproximatelyEqual(landed, 4.0));
}

// A move alone keeps the window's size, time after time (fluxbox grew a window by its title
// bar's height at every move that gave no size: an automatic restore, which writes the size
// and the place apart, then left the windows taller than saved).
TEST_F(X11RestoreTest, AMoveAloneKeepsTheSize)
{
    const uint32_t window = x.openWindow(test::windowOf("Moved", 300, 300, 400, 300)).window();
    const RectD before = frameFromX(window);
    system.elements->setMessagingTimeout(AXElement{window}, 2.0);
    for (int i = 1; i <= 3; ++i) {
        const AXPoint place{before.x + 30.0 * i, before.y + 20.0 * i};
        EXPECT_EQ(
            system.elements->setAttributeValue(AXElement{window}, AXAttribute::position, place),
            AXError::success);
        const RectD after = frameFromX(window);
        EXPECT_TRUE(
            after.isApproximatelyEqual(RectD{place.x, place.y, before.width, before.height}, 1.0))
            << i << ": " << after.x << "," << after.y << " " << after.width << "x" << after.height;
    }
}

} // namespace
} // namespace ostrel
