#include "model/RectD.h"
#include "model/RelativeFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ostrel;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

void expectRect(const RectD &actual, const RectD &expected)
{
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
}

} // namespace

TEST(RectDTest, UsableOnlyWhenFiniteWithPositiveSize)
{
    EXPECT_TRUE((RectD{-5, -5, 1, 1}).isUsableFrame());
    EXPECT_FALSE((RectD{0, 0, 0, 10}).isUsableFrame());
    EXPECT_FALSE((RectD{0, 0, 10, -1}).isUsableFrame());
    EXPECT_FALSE((RectD{inf, 0, 10, 10}).isUsableFrame());
    EXPECT_FALSE((RectD{0, 0, 10, NaN}).isUsableFrame());
}

TEST(RectDTest, EqualityIsExactAndHashingAgreesForNegativeZero)
{
    EXPECT_EQ((RectD{0, 0, 1, 1}), (RectD{-0.0, 0, 1, 1}));
    EXPECT_EQ(qHash(RectD{0, 0, 1, 1}), qHash(RectD{-0.0, 0, 1, 1}));
    const RectD withNaN{NaN, 0, 1, 1};
    EXPECT_FALSE(withNaN == withNaN);
}

TEST(RectDTest, ApproximateEqualityUsesInclusiveToleranceOnEveryValue)
{
    const RectD r{100, 100, 400, 300};
    EXPECT_TRUE(r.isApproximatelyEqual({104, 96, 404, 296}, 4.0));
    EXPECT_FALSE(r.isApproximatelyEqual({100, 100, 400, 304.5}, 4.0));
    EXPECT_FALSE(r.isApproximatelyEqual({NaN, 100, 400, 300}, 4.0));
}

TEST(RectDTest, ClampedToDisplay)
{
    const RectD display{0, 25, 1440, 875};
    struct Case {
        RectD window;
        RectD expected;
    };
    const Case cases[] = {
        // Grown to the minimum size and pulled below the top edge; x rounded.
        {{100.4, -50, 50, 40}, {100, 25, 80, 60}},
        // Pushed back left so the right edge fits.
        {{2000, 100, 800, 600}, {640, 100, 800, 600}},
        // Wider than the display: pinned to its left edge, width kept.
        {{-300, 100, 2000, 600}, {0, 100, 2000, 600}},
        // Taller than the display: its top may go down to 28 pt above the bottom edge.
        {{10, 700, 500, 1200}, {10, 700, 500, 1200}},
        {{10, 890, 500, 1200}, {10, 872, 500, 1200}},
        // Halves round away from zero.
        {{10.5, 100.5, 200.5, 300.5}, {11, 101, 201, 301}},
        // A NaN size takes the minimum.
        {{0, 100, NaN, NaN}, {0, 100, 80, 60}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.window.x << "," << c.window.y << " " << c.window.width
                                        << "x" << c.window.height);
        expectRect(c.window.clamped(display, 80, 60), c.expected);
    }
}

TEST(RectDTest, ClampedToUnusableBoundsOnlyRounds)
{
    expectRect((RectD{-10.5, 3.4, 20.5, 30}).clamped({0, 0, 0, 100}, 80, 60), {-11, 3, 21, 30});
    expectRect((RectD{1, 2, 3, 4}).clamped({0, 0, 100, NaN}, 80, 60), {1, 2, 3, 4});
}

TEST(RelativeFrameTest, RoundTripsThroughTheVisibleFrame)
{
    const RectD visible{0, 25, 1440, 875};
    const RelativeFrame full = RelativeFrame::fromFrame(visible, visible);
    EXPECT_EQ(full, (RelativeFrame{0, 0, 1, 1}));
    expectRect(full.absolute(visible), visible);

    const RelativeFrame left = RelativeFrame::fromFrame({-720, 25, 720, 437.5}, visible);
    EXPECT_EQ(left, (RelativeFrame{-0.5, 0, 0.5, 0.5}));
    expectRect(left.absolute({100, 0, 1000, 500}), {-400, 0, 500, 250});
}

TEST(RelativeFrameTest, UnusableInputFallsBackWithoutFailing)
{
    const RelativeFrame fallback{0, 0, 0.5, 0.5};
    EXPECT_EQ(RelativeFrame::fromFrame({0, 0, 100, 100}, {0, 0, 100, 0}), fallback);
    EXPECT_EQ(RelativeFrame::fromFrame({NaN, 0, 100, 100}, {0, 0, 100, 100}), fallback);
    EXPECT_EQ(RelativeFrame::fromFrame({0, 0, 100, 100}, {0, inf, 100, 100}), fallback);
    // A non-positive window size is carried through for isStorable to reject.
    EXPECT_EQ(RelativeFrame::fromFrame({0, 0, -50, 100}, {0, 0, 100, 100}),
              (RelativeFrame{0, 0, -0.5, 1}));

    expectRect((RelativeFrame{0.25, 0.1, 0.5, 0.5}).absolute({0, 0, 0, 100}),
               {0.25, 0.1, 0.5, 0.5});
    expectRect((RelativeFrame{0.25, 0.1, -0.5, 0}).absolute({0, 0, 0, 100}), {0.25, 0.1, 0, 0});
}

TEST(RelativeFrameTest, StorableWithinSixteenDisplays)
{
    struct Case {
        RelativeFrame frame;
        bool storable;
    };
    const Case cases[] = {
        {{16, -16, 16, 16}, true},  {{0.1, 0.2, 0.5, 0.5}, true}, {{16.01, 0, 1, 1}, false},
        {{0, -16.01, 1, 1}, false}, {{0, 0, 16.01, 1}, false},    {{0, 0, 0, 1}, false},
        {{0, 0, 1, -1}, false},     {{NaN, 0, 1, 1}, false},      {{0, 0, inf, 1}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame.x << "," << c.frame.y << " " << c.frame.width
                                        << "x" << c.frame.height);
        EXPECT_EQ(c.frame.isStorable(), c.storable);
    }
}
