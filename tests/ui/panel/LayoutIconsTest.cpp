#include "UiTest.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/TrayLayoutIcons.h"

#include <QUuid>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class LayoutIconsTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }

    static QList<WindowEntry> entries(const QStringList &bundleIDs)
    {
        QList<WindowEntry> result;
        for (const QString &id : bundleIDs) {
            WindowEntry entry;
            entry.id = QUuid::createUuid();
            entry.bundleID = id;
            entry.appName = id;
            result.append(entry);
        }
        return result;
    }
};

using Placement = TrayLayoutIcons::Placement;

TEST_F(LayoutIconsTest, TheFanIsLaidOutByTheNumberOfEntries)
{
    struct Case {
        int count;
        QSize frame;
        QList<Placement> icons;
    };
    const std::vector<Case> cases{
        {0, {24, 36}, {}},
        {1, {32, 36}, {{32, 0, {0, 2}}}},
        {2, {35, 36}, {{26, -5, {0, 6}}, {26, 5, {9, 6}}}},
        {3, {44, 36}, {{26, -10, {0, 7}}, {26, 0, {9, 5}}, {26, 10, {18, 7}}}},
        {5, {44, 36}, {{26, -10, {0, 7}}, {26, 0, {9, 5}}, {26, 10, {18, 7}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(TrayLayoutIcons::frameSize(c.count), c.frame);
        EXPECT_EQ(TrayLayoutIcons::placements(c.count), c.icons);
    }
}

TEST_F(LayoutIconsTest, OnlyTheFirstThreeEntriesAreDrawnAndEqualAppsRepeat)
{
    TrayLayoutIcons five(entries({"a", "b", "c", "d", "e"}), nullptr);
    EXPECT_EQ(five.size(), QSize(44, 36));
    EXPECT_EQ(five.drawnBundleIDs(), QStringList({"a", "b", "c"}));
    TrayLayoutIcons same(entries({"x", "x", "x"}), nullptr);
    EXPECT_EQ(same.drawnBundleIDs(), QStringList({"x", "x", "x"}));
    EXPECT_TRUE(ScreenReader::isHidden(&five));

    // The empty layout draws its window symbol inside the 24-point frame.
    TrayLayoutIcons empty({}, nullptr);
    EXPECT_EQ(empty.size(), QSize(24, 36));
    QImage image(empty.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    empty.render(&image, {}, {}, QWidget::DrawChildren);
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ink += qAlpha(image.pixel(x, y)) > 0;
        }
    }
    EXPECT_GT(ink, 40);
}

} // namespace
} // namespace ostrel
