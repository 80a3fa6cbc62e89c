#include "platform/RestoredWindowFlashGeometry.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::RestoredWindowFlashGeometry;

TEST(FlashGeometry, SubtractLeavesThePartsOutsideTheCutWithoutOverlap)
{
    const RectD r{0, 0, 100, 100};
    struct Case {
        const char *what;
        RectD cut;
        QList<RectD> pieces;
    };
    const Case cases[] = {
        {"apart", {200, 0, 50, 50}, {r}},
        {"touching an edge only", {100, 0, 50, 50}, {r}},
        {"in the middle: above, below, left, right",
         {20, 30, 50, 40},
         {{0, 0, 100, 30}, {0, 70, 100, 30}, {0, 30, 20, 40}, {70, 30, 30, 40}}},
        {"the right half", {50, -10, 80, 200}, {{0, 0, 50, 100}}},
        {"the top left corner", {-10, -10, 40, 40}, {{0, 30, 100, 70}, {30, 0, 70, 30}}},
        {"everything", {-1, -1, 200, 200}, {}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(subtract(c.cut, {r}), c.pieces) << c.what;
    }
    // Every rectangle of the list is cut on its own, in order.
    EXPECT_EQ(subtract({0, 0, 10, 10}, {{0, 0, 10, 20}, {50, 50, 5, 5}}),
              (QList<RectD>{{0, 10, 10, 10}, {50, 50, 5, 5}}));
}

TEST(FlashGeometry, VisiblePartIsLocalAndOverlapsTheCoverByHalfAPoint)
{
    const RectD target{100, 100, 400, 300};
    struct Case {
        const char *what;
        QList<RectD> occluders;
        QList<RectD> visible;
    };
    const Case cases[] = {
        {"uncovered", {}, {{-0.5, -0.5, 401, 301}}},
        {"a window elsewhere", {{600, 600, 100, 100}}, {{-0.5, -0.5, 401, 301}}},
        {"right half covered", {{300, 0, 500, 600}}, {{-0.5, -0.5, 201, 301}}},
        {"covered by two windows in turn",
         {{300, 0, 500, 600}, {0, 250, 400, 400}},
         {{-0.5, -0.5, 201, 151}}},
        {"fully covered", {{0, 0, 1000, 1000}, {300, 0, 500, 600}}, {}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(visibleRects(target, c.occluders), c.visible) << c.what;
    }
}

TEST(FlashGeometry, PlacementsTakeTheWindowsInFrontAndTheLaterOfTwinNumbers)
{
    const QList<OrderedWindow> windows = {
        {7, {0, 0, 50, 50}},
        {3, {10, 10, 100, 100}},
        {9, {20, 20, 30, 30}},
        {3, {40, 40, 200, 200}}, // listed twice: the later position counts
    };
    const QList<PanelPlacement> placed = placements(windows, {3, 7, 5});
    ASSERT_EQ(placed.size(), 3);
    EXPECT_EQ(placed[0],
              (PanelPlacement{true,
                              {40, 40, 200, 200},
                              {{0, 0, 50, 50}, {10, 10, 100, 100}, {20, 20, 30, 30}}}));
    EXPECT_EQ(placed[1], (PanelPlacement{true, {0, 0, 50, 50}, {}}));
    EXPECT_FALSE(placed[2].onScreen);
}

TEST(FlashGeometry, PanelsIgnoreChangesOfHalfAPointOrLess)
{
    const RectD current{100, 100, 400, 300};
    struct Case {
        RectD target;
        FrameChange change;
    };
    const Case cases[] = {
        {{100.5, 99.5, 400.5, 299.5}, FrameChange::none},
        {{100.6, 100, 400, 300}, FrameChange::move},
        {{100, 99.4, 400, 300}, FrameChange::move},
        {{100, 100, 400.6, 300}, FrameChange::resize},
        {{300, 300, 400, 299.4}, FrameChange::resize},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(frameChange(current, c.target), c.change)
            << c.target.x << "," << c.target.y << " " << c.target.width << "x" << c.target.height;
    }
}
