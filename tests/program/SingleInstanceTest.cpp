// One running program per user: the lock, the request of a later start, and what a killed
// program leaves behind.

#include "program/SingleInstance.h"

#include "TestApplication.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <optional>

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

// Binds a Unix socket at `path` (a file that open() refuses), and closes it again: the file stays.
bool makeSocketFile(const QByteArray &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

unsigned modeOf(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

uid_t ownerOf(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_uid : uid_t(-1);
}

// Sets (or, with nothing, removes) an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const std::optional<QByteArray> &value)
        : name_(name)
        , old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        set(value);
    }
    ~ScopedVariable() { set(old_); }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    void set(const std::optional<QByteArray> &value)
    {
        if (value) {
            qputenv(name_, *value);
        } else {
            qunsetenv(name_);
        }
    }

    const char *name_;
    std::optional<QByteArray> old_;
};

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

// A lock file that cannot be opened or locked says nothing about a running program: the start
// must neither run nor pass for a second start, and says which file and why.
TEST_F(SingleInstanceTest, ALockFileThatCannotBeUsedIsNotARunningProgram)
{
    struct Case {
        const char *what;
        std::function<bool(const QByteArray &path)> make;
        QString reason;
        bool asRoot; // whether root can make the file unusable at all
    };
    const Case cases[] = {
        {"a folder", [](const QByteArray &path) { return ::mkdir(path.constData(), 0700) == 0; },
         QStringLiteral("Is a directory"), true},
        {"a FIFO", [](const QByteArray &path) { return ::mkfifo(path.constData(), 0600) == 0; },
         QStringLiteral("it is not a regular file"), true},
        {"a socket", makeSocketFile, QStringLiteral("No such device or address"), true},
        // What a start with sudo -E leaves: a file the user may not open.
        {"a file nobody may open",
         [](const QByteArray &path) {
             const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0);
             return fd >= 0 && ::close(fd) == 0;
         },
         QStringLiteral("Permission denied"), false},
        // A link is never followed, not even to a good lock file of the user's.
        {"a link",
         [](const QByteArray &path) {
             return ::symlink((path + ".elsewhere").constData(), path.constData()) == 0;
         },
         QStringLiteral("it is a symbolic link"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.asRoot && ::geteuid() == 0) {
            continue; // root opens any file
        }
        QTemporaryDir folder;
        const QString lock = SingleInstance::lockPath(folder.path());
        ASSERT_TRUE(c.make(QFile::encodeName(lock)));
        SingleInstance instance(folder.path());
        EXPECT_EQ(instance.lockState(), SingleInstance::LockState::unusable);
        EXPECT_FALSE(instance.isRunningInstance());
        EXPECT_FALSE(instance.listen());
        EXPECT_EQ(instance.lockProblem(),
                  QStringLiteral("Ostrel can’t start: its lock file “%1” can’t be used (%2).")
                      .arg(lock, c.reason));
    }

    // A file that another user made (only root can set that up here) is not this user's lock.
    if (::geteuid() == 0) {
        QTemporaryDir folder;
        const QString lock = SingleInstance::lockPath(folder.path());
        const int fd = ::open(QFile::encodeName(lock).constData(), O_CREAT | O_WRONLY, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fchown(fd, 65534, 65534), 0);
        ::close(fd);
        SingleInstance instance(folder.path());
        EXPECT_EQ(instance.lockState(), SingleInstance::LockState::unusable);
        EXPECT_EQ(instance.lockProblem(),
                  QStringLiteral("Ostrel can’t start: its lock file “%1” can’t be used (it "
                                 "belongs to another user).")
                      .arg(lock));
    }

    // A lock held by a running program is that, and nothing to report.
    SingleInstance running(dir.path());
    ASSERT_EQ(running.lockState(), SingleInstance::LockState::held);
    SingleInstance later(dir.path());
    EXPECT_EQ(later.lockState(), SingleInstance::LockState::heldByAnother);
    EXPECT_EQ(later.lockProblem(), QString());
}

// Without a runtime folder from the session, the socket goes only to a folder that this user owns
// and nobody else may open: made so when absent, refused otherwise.
TEST_F(SingleInstanceTest, WithoutARuntimeFolderOnlyAPrivateFolderOfTheUserWillDo)
{
    const ScopedVariable temporary("TMPDIR", QFile::encodeName(dir.path()));
    const ScopedVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
    const passwd *user = ::getpwuid(::geteuid());
    ASSERT_TRUE(user);
    const QString fallback =
        dir.filePath(QStringLiteral("runtime-") + QFile::decodeName(user->pw_name));
    const QByteArray fallbackName = QFile::encodeName(fallback);
    const auto refusal = [&](const QString &problem) {
        return QStringLiteral(
                   "Ostrel can’t answer a later start: its socket needs a folder that only you can "
                   "open, and “%1” %2. Set XDG_RUNTIME_DIR to such a folder.")
            .arg(fallback, problem);
    };

    // Absent: made, 0700 whatever the umask allows more.
    const mode_t umask = ::umask(022);
    SingleInstance::RuntimeFolder folder = SingleInstance::defaultFolder();
    ::umask(umask);
    EXPECT_EQ(folder.path, fallback);
    EXPECT_EQ(folder.problem, QString());
    EXPECT_EQ(modeOf(fallback), 0700u);
    EXPECT_EQ(ownerOf(fallback), ::geteuid());
    SingleInstance instance(folder.path);
    EXPECT_TRUE(instance.isRunningInstance());
    EXPECT_TRUE(QFile::exists(SingleInstance::lockPath(fallback)));

    // Present and open to others: refused, and left as it is.
    ASSERT_EQ(::chmod(fallbackName.constData(), 0755), 0);
    folder = SingleInstance::defaultFolder();
    EXPECT_EQ(folder.path, QString());
    EXPECT_EQ(folder.problem, refusal(QStringLiteral("has mode 0755, not 0700")));
    EXPECT_EQ(modeOf(fallback), 0755u);
    ASSERT_EQ(::chmod(fallbackName.constData(), 0700), 0);

    // Made by another user before this one came: refused (only root can set that up here).
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(fallbackName.constData(), 65534, 65534), 0);
        folder = SingleInstance::defaultFolder();
        EXPECT_EQ(folder.path, QString());
        EXPECT_EQ(folder.problem, refusal(QStringLiteral("belongs to another user")));
        ASSERT_EQ(::chown(fallbackName.constData(), 0, 0), 0);
    }

    // A link, even to a private folder of the user's, or a file: refused.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(fallback).removeRecursively());
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere.path()).constData(), fallbackName.constData()),
              0);
    EXPECT_EQ(SingleInstance::defaultFolder().problem, refusal(QStringLiteral("is not a folder")));
    ASSERT_EQ(::unlink(fallbackName.constData()), 0);
    QFile file(fallback);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(SingleInstance::defaultFolder().problem, refusal(QStringLiteral("is not a folder")));
    ASSERT_TRUE(QFile::remove(fallback));

    // The session's runtime folder is used when it is private; one that is not is passed over
    // for the private fallback.
    ASSERT_EQ(::chmod(QFile::encodeName(elsewhere.path()).constData(), 0700), 0);
    {
        const ScopedVariable session("XDG_RUNTIME_DIR", QFile::encodeName(elsewhere.path()));
        EXPECT_EQ(SingleInstance::defaultFolder().path, elsewhere.path());
        ASSERT_EQ(::chmod(QFile::encodeName(elsewhere.path()).constData(), 0755), 0);
        EXPECT_EQ(SingleInstance::defaultFolder().path, fallback);
        EXPECT_EQ(modeOf(fallback), 0700u);
    }
}

// The lock lives beside the store, the socket in each start's runtime folder: the running program
// names its socket in the lock file, so a start with another runtime folder (a terminal without
// XDG_RUNTIME_DIR) still finds it instead of starting a second program on the same store.
TEST_F(SingleInstanceTest, ALaterStartWithAnotherRuntimeFolderFindsTheRunningProgram)
{
    QTemporaryDir store, sessionRuntime, terminalRuntime;
    SingleInstance running({store.path()}, sessionRuntime.path());
    ASSERT_TRUE(running.isRunningInstance());
    ASSERT_TRUE(running.listen());
    EXPECT_EQ(running.lockFile(), SingleInstance::lockPath(store.path()));

    SingleInstance later({store.path()}, terminalRuntime.path());
    EXPECT_EQ(later.lockState(), SingleInstance::LockState::heldByAnother);
    QSignalSpy requests(&running, &SingleInstance::showPanelRequested);
    auto asked = std::async(std::launch::async, [&] { return later.askToShowPanel(10s); });
    while (asked.wait_for(0ms) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(asked.get());
    EXPECT_EQ(requests.count(), 1);
    EXPECT_FALSE(QFile::exists(SingleInstance::socketPath(terminalRuntime.path())));
}

// A store folder that cannot hold a lock file (missing, or made read-only by its owner, in which
// case the store cannot be written either) leaves the lock to the next folder; something in the
// lock's place there is refused, never passed over.
TEST_F(SingleInstanceTest, TheLockGoesToTheNextFolderOnlyWhereNoneCanBeMade)
{
    QTemporaryDir runtime;
    const QString missing = dir.filePath(QStringLiteral("missing"));
    SingleInstance instance({missing, runtime.path()}, runtime.path());
    EXPECT_TRUE(instance.isRunningInstance());
    EXPECT_EQ(instance.lockFile(), SingleInstance::lockPath(runtime.path()));

    ASSERT_TRUE(QDir().mkpath(SingleInstance::lockPath(dir.path())));
    SingleInstance blocked({dir.path(), runtime.path()}, runtime.path());
    EXPECT_EQ(blocked.lockState(), SingleInstance::LockState::unusable);
}

// Only the program's own socket is replaced or asked: a link there may point at another user's
// socket, and a file or folder there is not the program's to remove.
TEST_F(SingleInstanceTest, ASocketPlaceThatHoldsSomethingElseIsLeftAlone)
{
    QTemporaryDir elsewhere;
    SingleInstance other(elsewhere.path());
    ASSERT_TRUE(other.listen());
    const QString socket = SingleInstance::socketPath(dir.path());
    ASSERT_TRUE(QFile::link(SingleInstance::socketPath(elsewhere.path()), socket));

    SingleInstance running(dir.path());
    ASSERT_TRUE(running.isRunningInstance());
    EXPECT_FALSE(running.listen());
    EXPECT_EQ(running.listenProblem(),
              QStringLiteral("“%1” is in the way, and it is not a socket of yours").arg(socket));
    EXPECT_TRUE(QFileInfo(socket).isSymLink());

    // A later start that finds no socket named in the lock does not follow the link either.
    QSignalSpy requests(&other, &SingleInstance::showPanelRequested);
    EXPECT_FALSE(askWhileRunning(dir.path(), 300ms));
    EXPECT_EQ(requests.count(), 0);
}

} // namespace
} // namespace ostrel
