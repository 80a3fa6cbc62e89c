#include "platform/CGWindowEntry.h"

#include "system/fake/FakeDesktop.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ostrel;

namespace {

constexpr qint32 ownPid = 1;
constexpr qint32 otherPid = 500;

struct RowCase {
    const char *name;
    WindowServerRow row;
    bool survives;
};

WindowServerRow row(qint32 pid, qint64 layer, double alpha, double width, double height)
{
    return {pid, 42, layer, alpha, RectD{10, 10, width, height}};
}

} // namespace

TEST(ActiveDesktopWindows, KeepsOnlyCompleteVisibleOrdinaryRowsOfOtherProcesses)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const RowCase cases[] = {
        {"50 x 40 on layer 0 with alpha 1", row(otherPid, 0, 1.0, 50, 40), true},
        {"alpha exactly 0.01", row(otherPid, 0, 0.01, 400, 300), false},
        {"alpha just above 0.01", row(otherPid, 0, 0.011, 400, 300), true},
        {"49.9 wide", row(otherPid, 0, 1.0, 49.9, 300), false},
        {"39.9 high", row(otherPid, 0, 1.0, 400, 39.9), false},
        {"negative extent counts by its size", row(otherPid, 0, 1.0, -60, -50), true},
        {"NaN size", row(otherPid, 0, 1.0, nan, 300), false},
        {"layer above", row(otherPid, 3, 1.0, 400, 300), false},
        {"layer below", row(otherPid, -1, 1.0, 400, 300), false},
        {"own process", row(ownPid, 0, 1.0, 400, 300), false},
        {"no owner", {std::nullopt, 42, 0, 1.0, RectD{0, 0, 400, 300}}, false},
        {"no number", {otherPid, std::nullopt, 0, 1.0, RectD{0, 0, 400, 300}}, false},
        {"no layer", {otherPid, 42, std::nullopt, 1.0, RectD{0, 0, 400, 300}}, false},
        {"no alpha", {otherPid, 42, 0, std::nullopt, RectD{0, 0, 400, 300}}, false},
        {"no bounds", {otherPid, 42, 0, 1.0, std::nullopt}, false},
    };
    for (const RowCase &c : cases) {
        FakeDesktop desktop;
        desktop.addServerRow(c.row);
        const QList<CGWindowEntry> entries = CGWindowEntry::activeDesktopWindows(desktop, ownPid);
        EXPECT_EQ(entries.size(), c.survives ? 1 : 0) << c.name;
        if (c.survives && entries.size() == 1) {
            EXPECT_EQ(entries[0], (CGWindowEntry{*c.row.ownerPID, 42, *c.row.bounds})) << c.name;
        }
    }
}

TEST(ActiveDesktopWindows, KeepsTheListOrderAndDropsRowsOneByOne)
{
    FakeDesktop desktop;
    desktop.addServerRow(row(otherPid, 0, 1.0, 400, 300));
    desktop.addServerRow({otherPid, std::nullopt, 0, 1.0, RectD{0, 0, 400, 300}});
    desktop.addServerRow({otherPid + 1, 43, 0, 1.0, RectD{1, 2, 500, 400}});
    const QList<CGWindowEntry> entries = CGWindowEntry::activeDesktopWindows(desktop, ownPid);
    EXPECT_EQ(entries,
              (QList<CGWindowEntry>{{otherPid, 42, RectD{10, 10, 400, 300}},
                                    {otherPid + 1, 43, RectD{1, 2, 500, 400}}}));

    desktop.setWindowListReadable(false);
    EXPECT_TRUE(CGWindowEntry::activeDesktopWindows(desktop, ownPid).isEmpty());
}
