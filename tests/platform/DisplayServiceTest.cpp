#include "platform/DisplayService.h"

#include "system/fake/FakeDesktop.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

Screen screen(std::optional<quint32> number, const RectD &frame, DisplayIdentity identity)
{
    Screen s;
    s.displayNumber = number;
    s.name = QStringLiteral("Screen %1").arg(number.value_or(0));
    s.frame = frame;
    s.visibleFrame = {frame.x, frame.y + 25, frame.width, frame.height - 25};
    s.identity = identity;
    s.pixelWidth = qint64(frame.width * 2);
    s.pixelHeight = qint64(frame.height * 2);
    s.scale = 2.0;
    return s;
}

QList<quint32> numbers(const QList<CurrentDisplay> &displays)
{
    QList<quint32> list;
    for (const CurrentDisplay &d : displays) {
        list.append(d.cgDisplayID);
    }
    return list;
}

} // namespace

TEST(DisplayService, CopiesEachScreenAndMarksThePrimary)
{
    FakeDesktop desktop;
    DisplayService service(desktop);
    EXPECT_TRUE(service.currentDisplays().isEmpty());

    desktop.setScreens({screen(7, {0, 0, 1440, 900}, {16, 32, 5, 1})}, 7);
    const QList<CurrentDisplay> displays = service.currentDisplays();
    ASSERT_EQ(displays.size(), 1);
    const CurrentDisplay &d = displays[0];
    EXPECT_EQ(d.identity, (DisplayIdentity{16, 32, 5, 1}));
    EXPECT_EQ(d.cgDisplayID, 7u);
    EXPECT_EQ(d.name, "Screen 7");
    EXPECT_EQ(d.frame, (RectD{0, 0, 1440, 900}));
    EXPECT_EQ(d.visibleFrame, (RectD{0, 25, 1440, 875}));
    EXPECT_EQ(d.pixelWidth, 2880);
    EXPECT_EQ(d.pixelHeight, 1800);
    EXPECT_EQ(d.scale, 2.0);
    EXPECT_TRUE(d.isPrimary);

    desktop.setScreens({screen(7, {0, 0, 1440, 900}, {16, 32, 5, 1})}, std::nullopt);
    EXPECT_FALSE(service.currentDisplays()[0].isPrimary);
}

TEST(DisplayService, LeavesOutScreensWithoutANumberAndOrdersByPositionThenKey)
{
    FakeDesktop desktop;
    DisplayService service(desktop);
    desktop.setScreens(
        {
            screen(1, {0, 0, 1440, 900}, {16, 32, 0, 1}),
            screen(std::nullopt, {-500, 0, 500, 500}, {1, 1, 0, 0}),
            screen(2, {-1920, 0, 1920, 1080}, {16, 48, 7, 2}),  // left of the main display
            screen(3, {0, -1080, 1920, 1080}, {16, 64, 0, 3}),  // directly above it
            screen(4, {1440, 0, 1280, 1024}, {9, 1, 0, 4}),     // mirrored pair, same origin:
            screen(5, {1440, 0, 1280, 1024}, {10, 1, 0, 4}),    // "10-1-4" before "9-1-4"
            screen(6, {1440, 0, 1280, 1024}, {10, 1, 0, 4}),    // equal key: list order
            screen(8, {1440, 1024, 1280, 1024}, {11, 1, 0, 8}), // stacked below number 4
        },
        1);
    const QList<CurrentDisplay> displays = service.currentDisplays();
    EXPECT_EQ(numbers(displays), (QList<quint32>{2, 3, 1, 5, 6, 4, 8}));
    EXPECT_EQ(displays[2].isPrimary, true);
    EXPECT_EQ(service.currentDisplays(), displays);
}
