#include "platform/DisplayGeometry.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ostrel;

namespace {

CurrentDisplay display(const RectD &frame, const RectD &visibleFrame, quint32 unit)
{
    CurrentDisplay d;
    d.identity = {16, 32, 0, unit};
    d.frame = frame;
    d.visibleFrame = visibleFrame;
    return d;
}

} // namespace

TEST(DisplayGeometry, FullscreenIsTheWholeFrameWithinThreePoints)
{
    const QList<CurrentDisplay> displays{display({0, 0, 1440, 900}, {0, 25, 1440, 875}, 1),
                                         display({1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}, 2)};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        RectD frame;
        bool fullscreen;
    } cases[] = {
        {{2.5, -2.5, 1442.5, 897.5}, true}, {{1443, 3, 1917, 1077}, true},
        {{3.5, 0, 1440, 900}, false},       {{0, 0, 1440, 903.5}, false},
        {{0, 25, 1440, 875}, false},    // the visible frame, 25 points off the whole one
        {{1440, 0, 1920, 1050}, false}, // 30 points short
        {{nan, 0, 1440, 900}, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(DisplayGeometry::isFullscreen(c.frame, displays), c.fullscreen)
            << c.frame.x << "," << c.frame.y << " " << c.frame.width << "x" << c.frame.height;
    }
    EXPECT_FALSE(DisplayGeometry::isFullscreen({0, 0, 1440, 900}, {}));
    // A visible frame within 3 points of the whole frame makes it fullscreen after all.
    EXPECT_TRUE(DisplayGeometry::isFullscreen({0, 2, 1440, 898},
                                              {display({0, 0, 1440, 900}, {0, 2, 1440, 898}, 1)}));
}

TEST(DisplayGeometry, DisplayForAFrameByOverlapThenNearest)
{
    const CurrentDisplay left = display({0, 0, 1000, 800}, {0, 0, 1000, 800}, 1);
    const CurrentDisplay right = display({1000, 0, 1000, 800}, {1000, 0, 1000, 800}, 2);
    const CurrentDisplay below = display({0, 800, 1000, 800}, {0, 800, 1000, 800}, 3);
    const QList<CurrentDisplay> displays{left, right, below};
    struct Case {
        const char *name;
        RectD frame;
        quint32 unit;
    } cases[] = {
        {"inside the second", {1100, 100, 300, 300}, 2},
        {"larger overlap wins", {900, 100, 300, 300}, 2},
        {"equal overlap: the first listed", {850, 100, 300, 300}, 1},
        {"off screen to the right: nearest to its centre", {2500, 100, 300, 300}, 2},
        {"off screen below", {100, 1700, 300, 300}, 3},
        {"off screen at the corner: nearest by distance to the corner", {2050, -400, 200, 200}, 2},
        {"touching an edge only is no overlap", {-300, 100, 300, 300}, 1},
    };
    for (const Case &c : cases) {
        const std::optional<CurrentDisplay> found = DisplayGeometry::displayFor(c.frame, displays);
        ASSERT_TRUE(found) << c.name;
        EXPECT_EQ(found->identity.unit, c.unit) << c.name;
    }
    EXPECT_EQ(DisplayGeometry::displayFor({5000, 5000, 10, 10}, {right})->identity.unit, 2u);
    EXPECT_FALSE(DisplayGeometry::displayFor({0, 0, 10, 10}, {}));
}

TEST(DisplayGeometry, DisplayForAFrameMeasuredAgainstVisibleFrames)
{
    // A tall dock on the left display's right edge: by whole frames the window is mostly on the
    // left display, by visible frames mostly on the right one.
    const QList<CurrentDisplay> displays{display({0, 0, 1000, 800}, {0, 0, 700, 800}, 1),
                                         display({1000, 0, 1000, 800}, {1000, 0, 1000, 800}, 2)};
    const RectD straddling{650, 100, 500, 300};
    const auto unit = [&](const RectD &frame, DisplayGeometry::DisplayArea area) {
        return DisplayGeometry::displayFor(frame, displays, area)->identity.unit;
    };
    EXPECT_EQ(unit(straddling, DisplayGeometry::DisplayArea::frame), 1u);
    EXPECT_EQ(unit(straddling, DisplayGeometry::DisplayArea::visibleFrame), 2u);
    // Under the dock only: no visible frame overlaps, and the right one's edge is nearer.
    const RectD underTheDock{880, 100, 100, 100};
    EXPECT_EQ(unit(underTheDock, DisplayGeometry::DisplayArea::frame), 1u);
    EXPECT_EQ(unit(underTheDock, DisplayGeometry::DisplayArea::visibleFrame), 2u);
}
