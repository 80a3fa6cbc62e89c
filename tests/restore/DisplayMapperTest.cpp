#include "restore/DisplayMapper.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace ostrel;

namespace {

// Displays are told apart by their serial: vendor 1, model 1, serial n gives the key "1-1-n".
DisplayIdentity identity(quint32 serial)
{
    return DisplayIdentity{1, 1, serial, 0};
}

DisplaySnapshot saved(quint32 serial, double x, double y, qint64 pw = 1920, qint64 ph = 1080,
                      double scale = 1.0, bool primary = false)
{
    DisplaySnapshot s;
    s.identity = identity(serial);
    s.frame = RectD{x, y, double(pw), double(ph)};
    s.visibleFrame = s.frame;
    s.pixelWidth = pw;
    s.pixelHeight = ph;
    s.scale = scale;
    s.isPrimary = primary;
    return s;
}

CurrentDisplay connected(quint32 serial, double x, double y, qint64 pw = 1920, qint64 ph = 1080,
                         double scale = 1.0, bool primary = false)
{
    CurrentDisplay c;
    c.identity = identity(serial);
    c.name = QStringLiteral("Display %1").arg(serial);
    c.frame = RectD{x, y, double(pw), double(ph)};
    c.visibleFrame = c.frame;
    c.pixelWidth = pw;
    c.pixelHeight = ph;
    c.scale = scale;
    c.isPrimary = primary;
    return c;
}

// The mapping as "saved key → current key", sorted, for compact expectations.
QMap<QString, QString> keys(const DisplayMapping &mapping)
{
    QMap<QString, QString> out;
    for (auto it = mapping.displays.constBegin(); it != mapping.displays.constEnd(); ++it) {
        out.insert(it.key(), it.value().identity.key());
    }
    return out;
}

struct MappingCase {
    const char *name;
    QList<DisplaySnapshot> saved;
    QList<CurrentDisplay> current;
    QHash<QString, QString> fallbacks;
    bool allowTopology;
    QMap<QString, QString> expected;
};

} // namespace

TEST(DisplayMapper, MapsByIdentityFallbackAndUniqueArrangement)
{
    const QList<MappingCase> cases = {
        {"same displays as saved: identity only",
         {saved(1, 0, 0, 1920, 1080, 1, true), saved(2, 1920, 0)},
         {connected(1, 0, 0, 1920, 1080, 1, true), connected(2, 1920, 0)},
         {},
         true,
         {{"1-1-1", "1-1-1"}, {"1-1-2", "1-1-2"}}},
        {"replacement of the same size beside the anchor: topology",
         {saved(1, 0, 0, 1920, 1080, 1, true), saved(2, 1920, 0)},
         {connected(1, 0, 0, 1920, 1080, 1, true), connected(9, 1925, 3)},
         {},
         true,
         {{"1-1-1", "1-1-1"}, {"1-1-2", "1-1-9"}}},
        {"replacement without topology (automation): unmapped",
         {saved(1, 0, 0, 1920, 1080, 1, true), saved(2, 1920, 0)},
         {connected(1, 0, 0, 1920, 1080, 1, true), connected(9, 1920, 0)},
         {},
         false,
         {{"1-1-1", "1-1-1"}}},
        {"replacement 8.5 pt off the saved arrangement: unmapped",
         {saved(1, 0, 0, 1920, 1080, 1, true), saved(2, 1920, 0)},
         {connected(1, 0, 0, 1920, 1080, 1, true), connected(9, 1928.5, 0)},
         {},
         true,
         {{"1-1-1", "1-1-1"}}},
        {"two unplaced of one size, one primary: primary pairs with primary",
         {saved(1, 0, 0, 1920, 1080, 1, true), saved(2, 1920, 0)},
         {connected(8, 1920, 0), connected(9, 0, 0, 1920, 1080, 1, true)},
         {},
         true,
         {{"1-1-1", "1-1-9"}, {"1-1-2", "1-1-8"}}},
        {"primary counts differ: nothing",
         {saved(1, 0, 0, 1920, 1080, 1, true), saved(2, 1920, 0)},
         {connected(8, 0, 0), connected(9, 1920, 0)},
         {},
         true,
         {}},
        {"two identical secondaries 3 pt apart without anchors: ambiguous",
         {saved(1, 0, 0), saved(2, 3, 0)},
         {connected(8, 0, 0), connected(9, 3, 0)},
         {},
         true,
         {}},
        {"two saved origins that round to one point: no topology",
         {saved(1, 0.4, 0), saved(2, -0.4, 0, 1280, 1024)},
         {connected(8, 0, 0), connected(9, 0, 0, 1280, 1024)},
         {},
         true,
         {}},
        {"two unplaced, one free: nothing",
         {saved(1, 0, 0), saved(2, 1920, 0)},
         {connected(9, 0, 0)},
         {},
         true,
         {}},
        {"an unplaced display without a pixel size blocks the search",
         {saved(1, 0, 0, 0, 1080), saved(2, 1920, 0)},
         {connected(8, 0, 0), connected(9, 1920, 0)},
         {},
         true,
         {}},
        {"fallback to an unconnected key has no effect; topology still places",
         {saved(1, 0, 0)},
         {connected(9, 0, 0)},
         {{"1-1-1", "1-1-7"}},
         true,
         {{"1-1-1", "1-1-9"}}},
        {"fallback to a display already matched: both share it",
         {saved(1, 0, 0), saved(2, 1920, 0)},
         {connected(1, 0, 0)},
         {{"1-1-2", "1-1-1"}},
         false,
         {{"1-1-1", "1-1-1"}, {"1-1-2", "1-1-1"}}},
        {"fallback wins over topology",
         {saved(1, 0, 0), saved(2, 1920, 0)},
         {connected(8, 0, 0), connected(9, 1920, 0)},
         {{"1-1-1", "1-1-9"}},
         true,
         // A fallback is no anchor, so the one pair left agrees with nothing to contradict it.
         {{"1-1-1", "1-1-9"}, {"1-1-2", "1-1-8"}}},
        {"empty saved list", {}, {connected(1, 0, 0)}, {}, true, {}},
    };
    for (const MappingCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keys(DisplayMapper::map(c.saved, c.current, c.fallbacks, c.allowTopology)),
                  c.expected);
    }
}

TEST(DisplayMapper, CompatibilityTolerances)
{
    struct Row {
        const char *name;
        qint64 savedWidth;
        qint64 currentWidth;
        double savedScale;
        double currentScale;
        bool mapped;
    };
    // 5 % of the saved width, truncated, but at least 8 pixels; scale within 0.01.
    const QList<Row> rows = {
        {"2560 accepts 2432", 2560, 2432, 1, 1, true},
        {"2560 accepts 2688", 2560, 2688, 1, 1, true},
        {"2560 refuses 2431", 2560, 2431, 1, 1, false},
        {"2560 refuses 2689", 2560, 2689, 1, 1, false},
        {"100 accepts 108", 100, 108, 1, 1, true},
        {"100 accepts 92", 100, 92, 1, 1, true},
        {"100 refuses 91", 100, 91, 1, 1, false},
        {"179 accepts 187 (5 % truncates to 8)", 179, 187, 1, 1, true},
        {"scale 2.0 accepts 2.01", 1920, 1920, 2.0, 2.01, true},
        {"scale 2.0 refuses 2.02", 1920, 1920, 2.0, 2.02, false},
        {"scale NaN refuses", 1920, 1920, std::numeric_limits<double>::quiet_NaN(), 2.0, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const auto mapping = DisplayMapper::map(
            {saved(1, 0, 0, row.savedWidth, 1080, row.savedScale)},
            {connected(9, 0, 0, row.currentWidth, 1080, row.currentScale)}, {}, true);
        EXPECT_EQ(mapping.displays.contains(QStringLiteral("1-1-1")), row.mapped);
    }
    // Heights take their tolerance from the saved height.
    EXPECT_TRUE(
        DisplayMapper::map({saved(1, 0, 0, 1920, 1000)}, {connected(9, 0, 0, 1920, 1050)}, {}, true)
            .displays.contains(QStringLiteral("1-1-1")));
    EXPECT_FALSE(
        DisplayMapper::map({saved(1, 0, 0, 1920, 1000)}, {connected(9, 0, 0, 1920, 1051)}, {}, true)
            .displays.contains(QStringLiteral("1-1-1")));
}

TEST(DisplayMapper, TopologySearchStopsAtSixDisplays)
{
    // A row of distinct widths has exactly one fitting arrangement.
    const auto row = [](int count, bool savedSide) {
        QList<DisplaySnapshot> s;
        QList<CurrentDisplay> c;
        double x = 0;
        for (int i = 0; i < count; ++i) {
            const qint64 width = 800 + 200 * i;
            if (savedSide) {
                s.append(saved(quint32(i + 1), x, 0, width, 1080, 1, i == 0));
            } else {
                c.append(connected(quint32(i + 101), x, 0, width, 1080, 1, i == 0));
            }
            x += double(width);
        }
        return std::make_pair(s, c);
    };
    for (int count : {1, 6, 7}) {
        SCOPED_TRACE(count);
        const auto mapping =
            DisplayMapper::map(row(count, true).first, row(count, false).second, {}, true);
        EXPECT_EQ(mapping.displays.size(), count <= 6 ? count : 0);
    }
}

TEST(DisplayMapper, PermutationsAreEveryOrderingIdentityFirst)
{
    int factorial = 1;
    for (int n = 1; n <= 6; ++n) {
        factorial *= n;
        const auto orderings = DisplayMapper::permutations(n);
        ASSERT_EQ(orderings.size(), factorial);
        QList<int> identity;
        for (int i = 0; i < n; ++i) {
            identity.append(i);
        }
        EXPECT_EQ(orderings.first(), identity);
        QSet<QList<int>> distinct(orderings.begin(), orderings.end());
        EXPECT_EQ(distinct.size(), factorial);
    }
}

TEST(DisplayMapper, MissingDisplaysAreNumberedFromTheLeft)
{
    // Stored out of order; the description numbers every saved display, mapped ones included.
    const QList<DisplaySnapshot> layout = {saved(3, 4480, 0, 1280, 1024),
                                           saved(1, 0, 0, 1920, 1080, 1, true),
                                           saved(2, 1920, 0, 2560, 1440)};
    const auto mapping = DisplayMapper::map(
        layout, {connected(1, 0, 0, 1920, 1080, 1, true), connected(3, 4480, 0, 1280, 1024)}, {},
        true);
    const auto missing = DisplayMapper::missingDisplays(layout, mapping);
    ASSERT_EQ(missing.size(), 1);
    EXPECT_EQ(missing[0].savedDisplayKey, QStringLiteral("1-1-2"));
    EXPECT_EQ(missing[0].description, QStringLiteral("Display 2 · 2560 × 1440"));

    // Ties in x go by y, then by key as text ("1-1-10" before "1-1-9").
    const QList<DisplaySnapshot> stacked = {saved(9, 0, 0, 100, 100), saved(10, 0, 0, 200, 200),
                                            saved(5, 0, -1080, 300, 300)};
    QStringList described;
    for (const MissingDisplay &m : DisplayMapper::missingDisplays(stacked, DisplayMapping{})) {
        described.append(m.description);
    }
    EXPECT_EQ(described,
              (QStringList{QStringLiteral("Display 1 · 300 × 300"),
                           QStringLiteral("Display 2 · 200 × 200"),
                           QStringLiteral("Display 3 · 100 × 100")}));

    EXPECT_TRUE(DisplayMapper::missingDisplays({}, DisplayMapping{}).isEmpty());
}
