#include "model/SerialExecutor.h"

#include "Await.h"
#include "TestApplication.h"

#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace ostrel;

namespace {

struct SerialExecutorTest : ::testing::Test {
    void SetUp() override { test::ensureApplication(); }
};

} // namespace

TEST_F(SerialExecutorTest, RunsOperationsInOrderOnOneOtherThread)
{
    SerialExecutor executor(QStringLiteral("test"));
    std::vector<int> order;
    std::vector<QThread *> threads;
    std::vector<QCoro::Task<void>> tasks;
    for (int i = 0; i < 20; ++i) {
        tasks.push_back(executor.run([&order, &threads, i] {
            order.push_back(i);
            threads.push_back(QThread::currentThread());
        }));
    }
    for (auto &t : tasks) {
        test::await(std::move(t));
    }
    ASSERT_EQ(order.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(order[i], i);
        EXPECT_EQ(threads[i], threads[0]);
    }
    EXPECT_NE(threads[0], QThread::currentThread());
}

TEST_F(SerialExecutorTest, ReturnsValuesAndRethrowsTheOperationsOwnException)
{
    SerialExecutor executor(QStringLiteral("test"));
    EXPECT_EQ(test::await(executor.run([] { return QStringLiteral("done"); })),
              QStringLiteral("done"));
    EXPECT_THROW(test::await(executor.run([]() -> int { throw std::runtime_error("boom"); })),
                 std::runtime_error);
    EXPECT_THROW(executor.runBlocking([] { throw std::logic_error("sync"); }), std::logic_error);
    EXPECT_EQ(executor.runBlocking([] { return 7; }), 7);
}
