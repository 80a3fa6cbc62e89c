#include "program/PanelPlacement.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

QString text(QPoint point)
{
    return QStringLiteral("(%1, %2)").arg(point.x()).arg(point.y());
}

// A 1920 × 1080 screen whose top 24 points are a tray bar (top bar) or whose bottom 30 points
// are one (bottom bar); the panel is 320 × 400.
TEST(PanelPlacement, OpensAgainstItsAnchorOnTheOpenSideAndStaysInsideTheArea)
{
    const QSize panel(320, 400);
    const QRect belowTopBar(0, 24, 1920, 1056);
    const QRect aboveBottomBar(0, 0, 1920, 1050);
    const QRect rightOfLeftBar(40, 0, 1880, 1080);
    struct Case {
        const char *what;
        QRect anchor;
        QRect area;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"icon in a top bar, right half: right edges line up",
         {1800, 0, 24, 24},
         belowTopBar,
         {1504, 24}},
        {"icon in a top bar, left half: left edges line up",
         {100, 0, 24, 24},
         belowTopBar,
         {100, 24}},
        {"icon at the top right corner: pushed inside", {1900, 0, 20, 24}, belowTopBar, {1600, 24}},
        {"icon at the top left corner", {0, 0, 20, 24}, belowTopBar, {0, 24}},
        {"icon in a bottom bar: above it", {1800, 1050, 24, 30}, aboveBottomBar, {1504, 650}},
        {"icon in a left side bar: beside it", {8, 1000, 24, 24}, rightOfLeftBar, {40, 624}},
        {"icon in a left side bar, top half", {8, 100, 24, 24}, rightOfLeftBar, {40, 100}},
        {"pointer in the upper half: below it", {700, 300, 1, 1}, belowTopBar, {700, 301}},
        {"pointer in the lower half: above it", {700, 900, 1, 1}, belowTopBar, {700, 500}},
        {"pointer near the right edge", {1910, 500, 1, 1}, belowTopBar, {1591, 501}},
        {"an icon reported off the screen", {5000, 5000, 24, 24}, belowTopBar, {1600, 680}},
        {"a second monitor left of the primary",
         {-200, 0, 24, 24},
         QRect(-1280, 24, 1280, 1000),
         {-496, 24}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QPoint placed = PanelPlacement::topLeft(panel, c.anchor, c.area);
        EXPECT_EQ(placed, c.topLeft) << text(placed).toStdString();
        EXPECT_TRUE(c.area.contains(QRect(placed, panel))) << text(placed).toStdString();
    }
}

TEST(PanelPlacement, APanelTallerThanTheAreaKeepsItsTopInside)
{
    const QRect area(0, 24, 800, 300);
    EXPECT_EQ(PanelPlacement::topLeft({320, 500}, {700, 0, 24, 24}, area), QPoint(404, 24));
    EXPECT_EQ(PanelPlacement::topLeft({320, 700}, {700, 590, 24, 24}, QRect(0, 0, 800, 590)),
              QPoint(404, 0));
}

} // namespace
} // namespace ostrel
