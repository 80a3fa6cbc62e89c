#include "UiTest.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/RestoreSpinner.h"

#include <QTest>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class SpinnerTest : public test::UiTest {};

double normalized(double degrees)
{
    const double turned = std::fmod(degrees, 360.0);
    return turned < 0 ? turned + 360.0 : turned;
}

TEST_F(SpinnerTest, OneTurnEachSecondFromTheReferenceDate)
{
    struct Case {
        double seconds;
        double degrees;
    };
    for (const Case c : {Case{0, 0}, Case{0.25, 90}, Case{12.5, 180}, Case{978307200.75, 270},
                         Case{-0.25, -90}, Case{std::numeric_limits<double>::quiet_NaN(), 0}}) {
        EXPECT_NEAR(RestoreSpinner::angleAt(c.seconds), c.degrees, 1e-4) << c.seconds;
    }
}

TEST_F(SpinnerTest, TheAngleComesFromTheInjectedClockAndSpinnersTurnInStep)
{
    QWidget window;
    auto *first = new RestoreSpinner(ThemeColor::secondary(), 16, viewEnvironment(), &window);
    auto *second = new RestoreSpinner(ThemeColor::fixed(Qt::white), 11, viewEnvironment(), &window);
    EXPECT_FALSE(first->isTurning());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(first->isTurning());
    EXPECT_TRUE(ScreenReader::isHidden(first));

    const double start = first->angle();
    EXPECT_EQ(second->angle(), start);
    desktop.clock().advance(std::chrono::milliseconds(250));
    EXPECT_NEAR(normalized(first->angle() - start), 90, 1e-3);
    EXPECT_EQ(second->angle(), first->angle());
    desktop.clock().advance(std::chrono::milliseconds(750));
    EXPECT_NEAR(normalized(first->angle() - start), 0, 1e-3);

    window.hide();
    EXPECT_FALSE(first->isTurning());
}

TEST_F(SpinnerTest, ReducedMotionHoldsItStillAndUprightUntilMotionReturns)
{
    reduceMotion.set(true);
    RestoreSpinner spinner(ThemeColor::secondary(), 16, viewEnvironment());
    spinner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&spinner));
    EXPECT_TRUE(spinner.reducesMotion());
    EXPECT_FALSE(spinner.isTurning());
    desktop.clock().advance(std::chrono::milliseconds(300));
    EXPECT_EQ(spinner.angle(), 0);

    reduceMotion.set(false);
    EXPECT_TRUE(spinner.isTurning());
    EXPECT_NEAR(
        spinner.angle(),
        RestoreSpinner::angleAt(RestoreSpinner::secondsSinceReferenceDate(desktop.clock().now())),
        1e-9);
    EXPECT_GE(RestoreSpinner::frameInterval.count(), 1000 / 30);
}

TEST_F(SpinnerTest, WithoutAClockOrSwitchItTurnsOnRealTime)
{
    RestoreSpinner spinner(ThemeColor::accent(), 11, ViewEnvironment{});
    EXPECT_FALSE(spinner.reducesMotion());
    const double expected = RestoreSpinner::angleAt(
        RestoreSpinner::secondsSinceReferenceDate(std::chrono::steady_clock::now()));
    EXPECT_NEAR(normalized(spinner.angle() - expected + 180), 180,
                36); // within a tenth of a second
}

} // namespace
} // namespace ostrel
