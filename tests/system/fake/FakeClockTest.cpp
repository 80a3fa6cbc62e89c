#include "system/fake/FakeClock.h"

#include "Await.h"
#include "TestApplication.h"

#include <QCoro/QCoroTask>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace std::chrono_literals;

namespace {

QCoro::Task<void> sleepThenRecord(FakeClock &clock, Clock::Duration duration, QList<int> &order,
                                  int tag)
{
    co_await clock.sleep(duration);
    order.append(tag);
}

} // namespace

TEST(FakeClock, SleepsResumeOnlyWhenTimeIsAdvancedPastThemInOrderOfTheirEnds)
{
    test::ensureApplication();
    FakeClock clock;
    const Clock::TimePoint start = clock.now();
    QList<int> order;
    QCoro::Task<void> late = sleepThenRecord(clock, 3s, order, 3);
    QCoro::Task<void> early = sleepThenRecord(clock, 1s, order, 1);
    EXPECT_EQ(clock.pendingSleeps(), 2);

    clock.advance(500ms);
    EXPECT_EQ(clock.pendingSleeps(), 2);
    clock.advance(3s);
    EXPECT_EQ(clock.pendingSleeps(), 0);
    test::await(std::move(early));
    test::await(std::move(late));
    EXPECT_EQ(order, (QList<int>{1, 3}));
    EXPECT_EQ(clock.now() - start, 3500ms);
}

TEST(FakeClock, ZeroSleepReturnsAtOnce)
{
    test::ensureApplication();
    FakeClock clock;
    QList<int> order;
    test::await(sleepThenRecord(clock, 0s, order, 7));
    EXPECT_EQ(order, QList<int>{7});
}
