#include "model/CurrentDisplay.h"
#include "model/DisplayIdentity.h"
#include "model/DisplaySnapshot.h"
#include "model/Topology.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ostrel;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

DisplaySnapshot snapshot(DisplayIdentity identity, RectD frame, qint64 pw = 1920, qint64 ph = 1080,
                         double scale = 1.0, bool primary = false)
{
    return {identity, frame, frame, pw, ph, scale, primary, false};
}

} // namespace

TEST(DisplayIdentityTest, KeyUsesTheSerialOrElseTheUnit)
{
    EXPECT_EQ((DisplayIdentity{16, 32, 0, 2}).key(), QStringLiteral("16-32-2"));
    EXPECT_EQ((DisplayIdentity{16, 32, 5, 2}).key(), QStringLiteral("16-32-5"));
    EXPECT_EQ((DisplayIdentity{4294967295u, 0, 0, 0}).key(), QStringLiteral("4294967295-0-0"));
    // Same key, different identities: the unit is left out of a key with a serial.
    EXPECT_FALSE((DisplayIdentity{16, 32, 5, 1}) == (DisplayIdentity{16, 32, 5, 2}));
}

TEST(DisplaySnapshotTest, StorableBounds)
{
    const DisplaySnapshot good = snapshot({1, 2, 0, 0}, {0, 0, 1920, 1080});
    ASSERT_TRUE(good.isStorable());
    struct Case {
        const char *name;
        void (*change)(DisplaySnapshot &);
        bool storable;
    };
    const Case cases[] = {
        {"scale 4.0", [](DisplaySnapshot &d) { d.scale = 4.0; }, true},
        {"scale 0.5", [](DisplaySnapshot &d) { d.scale = 0.5; }, true},
        {"scale 4.01", [](DisplaySnapshot &d) { d.scale = 4.01; }, false},
        {"scale 0.49", [](DisplaySnapshot &d) { d.scale = 0.49; }, false},
        {"scale NaN", [](DisplaySnapshot &d) { d.scale = NaN; }, false},
        {"pixel width 100000", [](DisplaySnapshot &d) { d.pixelWidth = 100000; }, true},
        {"pixel width 100001", [](DisplaySnapshot &d) { d.pixelWidth = 100001; }, false},
        {"pixel width 0", [](DisplaySnapshot &d) { d.pixelWidth = 0; }, false},
        {"pixel height -1", [](DisplaySnapshot &d) { d.pixelHeight = -1; }, false},
        {"frame width 1e6", [](DisplaySnapshot &d) { d.frame.width = 1'000'000; }, true},
        {"frame width 1e6+0.5", [](DisplaySnapshot &d) { d.frame.width = 1'000'000.5; }, false},
        {"frame x -1e6", [](DisplaySnapshot &d) { d.frame.x = -1'000'000; }, true},
        {"frame x -1e6-1", [](DisplaySnapshot &d) { d.frame.x = -1'000'001; }, false},
        {"frame y infinite", [](DisplaySnapshot &d) { d.frame.y = inf; }, false},
        {"visible height 0", [](DisplaySnapshot &d) { d.visibleFrame.height = 0; }, false},
        {"visible y 1e6+1", [](DisplaySnapshot &d) { d.visibleFrame.y = 1'000'001; }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DisplaySnapshot d = good;
        c.change(d);
        EXPECT_EQ(d.isStorable(), c.storable);
    }
}

TEST(TopologyTest, WorkedPair)
{
    const DisplaySnapshot first =
        snapshot({16, 32, 0, 1}, {0, 0, 1440, 900}, 2880, 1800, 2.0, true);
    const DisplaySnapshot second = snapshot({16, 48, 7, 0}, {1440, -200, 1920, 1080});
    const QString expected = QStringLiteral(
        "16-32-1@0,0,14400x9000/2880x1800@20P|16-48-7@14400,-2000,19200x10800/1920x1080@10S");
    EXPECT_EQ(Topology::signature(QList<DisplaySnapshot>{second, first}), expected);
    EXPECT_EQ(Topology::signature(QList<DisplaySnapshot>{first}),
              QStringLiteral("16-32-1@0,0,14400x9000/2880x1800@20P"));
    EXPECT_EQ(Topology::signature(QList<DisplaySnapshot>{}), QString());
}

TEST(TopologyTest, SortsByXThenYThenKeyText)
{
    const DisplaySnapshot left = snapshot({1, 1, 0, 0}, {-1920, 0, 1920, 1080});
    const DisplaySnapshot lower = snapshot({2, 2, 0, 0}, {0, 1080, 1920, 1080});
    const DisplaySnapshot upper = snapshot({3, 3, 0, 0}, {0, 0, 1920, 1080});
    // Same place: "10-…" sorts before "9-…" as text.
    const DisplaySnapshot nine = snapshot({9, 1, 0, 0}, {5000, 0, 1920, 1080});
    const DisplaySnapshot ten = snapshot({10, 1, 0, 0}, {5000, 0, 1920, 1080});

    const QList<DisplaySnapshot> order = Topology::sorted({nine, upper, ten, lower, left});
    QStringList keys;
    for (const DisplaySnapshot &d : order) {
        keys.append(d.id());
    }
    EXPECT_EQ(keys, (QStringList{"1-1-0", "3-3-0", "2-2-0", "10-1-0", "9-1-0"}));
    EXPECT_TRUE(Topology::signature(QList<DisplaySnapshot>{upper, left})
                    .startsWith(QStringLiteral("1-1-0@-19200,0,")));
}

TEST(TopologyTest, NumbersKeepOneDecimalRoundedAwayFromZero)
{
    struct Case {
        double x;
        const char *written;
    };
    // clang-format off
    const Case cases[] = {
        {0.04, "0"},          {0.05, "1"},     {-0.05, "-1"},       {0.25, "3"},
        {-0.25, "-3"},        {2.25, "23"},    {-1920, "-19200"},   {NaN, "0"},
        {inf, "0"},           {-inf, "0"},     {1e18, "0"},         {-1e18, "0"},
        {9.2e17, "9200000000000000000"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x);
        const QString signature =
            Topology::signature(QList<DisplaySnapshot>{snapshot({1, 2, 0, 0}, {c.x, 0, 10, 10})});
        EXPECT_EQ(signature,
                  QStringLiteral("1-2-0@%1,0,100x100/1920x1080@10S").arg(QLatin1String(c.written)));
    }
    // A non-finite scale still gives a signature.
    EXPECT_EQ(Topology::signature(
                  QList<DisplaySnapshot>{snapshot({1, 2, 0, 0}, {0, 0, 10, 10}, 1, 1, NaN)}),
              QStringLiteral("1-2-0@0,0,100x100/1x1@0S"));
}

TEST(TopologyTest, NaNCoordinatesStillGiveAStableOrder)
{
    const DisplaySnapshot broken = snapshot({1, 1, 0, 0}, {NaN, NaN, 10, 10});
    const DisplaySnapshot fine = snapshot({2, 2, 0, 0}, {0, 0, 10, 10});
    const QString a = Topology::signature(QList<DisplaySnapshot>{broken, fine, broken});
    const QString b = Topology::signature(QList<DisplaySnapshot>{fine, broken, broken});
    EXPECT_EQ(a, b);
    EXPECT_TRUE(a.startsWith(QStringLiteral("2-2-0@")));
}

TEST(TopologyTest, ConnectedDisplaysMatchTheirCapturedSnapshotsInAnyOrder)
{
    const CurrentDisplay main{
        {16, 32, 0, 1}, 5,   "Built-in", {0, 0, 1440, 900}, {0, 25, 1440, 875}, 2880,
        1800,           2.0, true};
    const CurrentDisplay side{
        {16, 48, 7, 0}, 9,   "Side", {1440, -200, 1920, 1080}, {1440, -200, 1920, 1080}, 1920,
        1080,           1.0, false};
    const QList<DisplaySnapshot> captured{DisplaySnapshot::fromCurrent(side),
                                          DisplaySnapshot::fromCurrent(main)};
    EXPECT_EQ(Topology::signature(QList<CurrentDisplay>{main, side}),
              Topology::signature(captured));

    // The visible frame, name and window-server number play no part; which is primary does.
    CurrentDisplay moved = main;
    moved.visibleFrame = {0, 0, 1440, 900};
    moved.name = "Renamed";
    moved.cgDisplayID = 77;
    EXPECT_EQ(Topology::signature(QList<CurrentDisplay>{moved, side}),
              Topology::signature(captured));
    moved.isPrimary = false;
    EXPECT_NE(Topology::signature(QList<CurrentDisplay>{moved, side}),
              Topology::signature(captured));
}
