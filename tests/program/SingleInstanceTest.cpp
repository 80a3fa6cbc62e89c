// One running program per user: the lock, the request of a later start, and what a killed
// program leaves behind.

#include "program/SingleInstance.h"

#include "TestApplication.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>

using namespace std::chrono_literals;

namespace ostrel {
namespace {

// Asks from another thread, as a second process would, while this thread runs the event loop
// the running program answers on.
bool askWhileRunning(const QString &folder, std::chrono::milliseconds timeout)
{
    auto asked = std::async(std::launch::async, [folder, timeout] {
        return SingleInstance::askToShowPanel(folder, timeout);
    });
    while (asked.wait_for(0ms) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return asked.get();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_TRUE(dir.isValid());
    }

    QTemporaryDir dir;
};

TEST_F(SingleInstanceTest, OnlyTheFirstStartRunsAndALaterOneAsksItForThePanel)
{
    auto first = std::make_unique<SingleInstance>(dir.path());
    ASSERT_TRUE(first->isRunningInstance());
    SingleInstance second(dir.path());
    EXPECT_FALSE(second.isRunningInstance());
    EXPECT_FALSE(second.listen());

    QSignalSpy requests(first.get(), &SingleInstance::showPanelRequested);
    ASSERT_TRUE(first->listen());
    EXPECT_TRUE(askWhileRunning(dir.path(), 10s));
    EXPECT_EQ(requests.count(), 1);
    EXPECT_TRUE(askWhileRunning(dir.path(), 10s));
    EXPECT_EQ(requests.count(), 2);

    // Once the running program has ended, the next start runs.
    first.reset();
    EXPECT_FALSE(QFile::exists(SingleInstance::socketPath(dir.path())));
    SingleInstance third(dir.path());
    EXPECT_TRUE(third.isRunningInstance());
}

TEST_F(SingleInstanceTest, ALaterStartWaitsForTheRunningProgramToAnswer)
{
    SingleInstance first(dir.path());
    ASSERT_TRUE(first.isRunningInstance());
    QSignalSpy requests(&first, &SingleInstance::showPanelRequested);

    // Still starting: it answers nobody yet.
    EXPECT_FALSE(askWhileRunning(dir.path(), 200ms));

    auto asked = std::async(std::launch::async, [folder = dir.path()] {
        return SingleInstance::askToShowPanel(folder, 10s);
    });
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_TRUE(first.listen()); // ready now
    while (asked.wait_for(0ms) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(asked.get());
    EXPECT_EQ(requests.count(), 1);
}

TEST_F(SingleInstanceTest, AProgramKilledWhileRunningBlocksNoLaterStart)
{
    const QByteArray lock = QFile::encodeName(SingleInstance::lockPath(dir.path()));
    const QByteArray socketFile = QFile::encodeName(SingleInstance::socketPath(dir.path()));
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The running program: it holds the lock and listens, then dies without cleaning up.
        const int fd = ::open(lock.constData(), O_RDWR | O_CREAT, 0600);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            _exit(1);
        }
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketFile.constData(), sizeof address.sun_path - 1);
        if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::listen(listener, 1) != 0) {
            _exit(1);
        }
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(ready[1], &byte, 1);
        ::pause();
        _exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    {
        SingleInstance meanwhile(dir.path());
        EXPECT_FALSE(meanwhile.isRunningInstance());
    }

    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(QFile::exists(QFile::decodeName(socketFile)));

    SingleInstance next(dir.path());
    ASSERT_TRUE(next.isRunningInstance());
    ASSERT_TRUE(next.listen());
    EXPECT_TRUE(askWhileRunning(dir.path(), 10s));
}

} // namespace
} // namespace ostrel
