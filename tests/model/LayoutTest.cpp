#include "model/HighlightColor.h"
#include "model/Layout.h"
#include "model/WindowEntry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ostrel;

namespace {

WindowEntry entry(std::optional<QString> hostname, RelativeFrame frame = {0, 0, 0.5, 0.5})
{
    return {QUuid::createUuid(), "com.example.app", "Example", "AXWindow",
            "AXStandardWindow",  hostname,          "1-2-0",   frame};
}

} // namespace

TEST(WindowEntryTest, LabelAddsTheHostAfterAnEmDash)
{
    EXPECT_EQ(entry(QString("example.org")).label(), "Example — example.org");
    EXPECT_EQ(entry(QString()).label(), "Example");
    EXPECT_EQ(entry(std::nullopt).label(), "Example");
}

TEST(WindowEntryTest, GeometryDescriptionRoundsHalvesAwayFromZero)
{
    struct Case {
        double width;
        double height;
        QString text;
    };
    const Case cases[] = {
        {0.505, 0.333, "51% × 33%"},
        {1.0, 0.995, "100% × 100%"},
        {0.125, 1.0, "13% × 100%"},
        {0.004, 16, "0% × 1600%"},
        {std::numeric_limits<double>::infinity(), std::nan(""), "0% × 0%"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(entry(std::nullopt, {0, 0, c.width, c.height}).geometryDescription(), c.text);
    }
}

TEST(LayoutTest, EqualityCoversEveryFieldAndDisplayKeysCollapse)
{
    const QDateTime created = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    const DisplaySnapshot display{{1, 2, 0, 0}, {0, 0, 10, 10}, {0, 0, 10, 10}, 10, 10,
                                  1.0,          true,           false};
    DisplaySnapshot twin = display;
    twin.frame.x = 10;
    twin.isPrimary = false;
    const Layout layout{
        QUuid::createUuid(), "Work", created,     created, {display, twin}, {entry(std::nullopt)},
        Shortcut{0, 0x100},  false,  std::nullopt};
    EXPECT_EQ(layout.displayKeys(), QSet<QString>{"1-2-0"});

    Layout touched = layout;
    touched.updatedAt = created.addSecs(1);
    EXPECT_FALSE(touched == layout);

    Layout moved = layout;
    moved.entries[0].relativeFrame.x = 0.25;
    EXPECT_FALSE(moved == layout);
    EXPECT_FALSE(moved.entries[0] == layout.entries[0]);
    EXPECT_EQ(Layout(layout), layout);
}

TEST(HighlightColorTest, RawValuesAndLabels)
{
    QStringList raw;
    QStringList labels;
    for (HighlightColor c : allCases<HighlightColor>()) {
        raw.append(rawValue(c));
        labels.append(label(c));
        EXPECT_EQ(fromRawValue<HighlightColor>(rawValue(c)), c);
    }
    EXPECT_EQ(raw,
              (QStringList{"blue", "indigo", "purple", "pink", "red", "orange", "yellow", "green",
                           "teal", "graphite"}));
    EXPECT_EQ(labels,
              (QStringList{"Blue", "Indigo", "Purple", "Pink", "Red", "Orange", "Yellow", "Green",
                           "Teal", "Graphite"}));
    EXPECT_EQ(fromRawValue<HighlightColor>("Blue"), std::nullopt);
    EXPECT_EQ(fromRawValue<HighlightColor>(" blue"), std::nullopt);
    EXPECT_EQ(fromRawValue<HighlightColor>(""), std::nullopt);
}
