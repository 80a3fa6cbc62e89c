// The `ostrel` executable started as a login would start it, in a home folder of its own that
// holds what the program must not trust: a settings file that is no file, a lock it cannot use,
// a runtime folder of someone else's. Every start is bounded by a deadline that only a fault
// reaches; the tests wait for the program's own signs (its socket, its end), never for time.

#include "Await.h"
#include "TestApplication.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef OSTREL_EXECUTABLE
#error "OSTREL_EXECUTABLE must name the ostrel executable"
#endif

namespace ostrel {
namespace {

// Far beyond what a start takes on a loaded machine: reaching it is the fault.
constexpr int deadlineMs = 120000;

QString userName()
{
    const passwd *user = ::getpwuid(::geteuid());
    return user ? QFile::decodeName(user->pw_name) : QString::number(::geteuid());
}

bool isFifo(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

unsigned modeOf(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

class HostileHomeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_TRUE(home.isValid());
        for (const char *folder : {"config/Ostrel", "data", "cache", "runtime", "tmp", "work"}) {
            ASSERT_TRUE(QDir().mkpath(path(folder)));
        }
        ASSERT_TRUE(QFile::setPermissions(path("runtime"),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void TearDown() override
    {
        for (QProcess *process : {&first, &second}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(deadlineMs);
            }
        }
    }

    QString path(const QString &relative) const { return home.filePath(relative); }

    // No display, no buses: the program runs on a desktop that offers nothing, offscreen.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
        environment.insert(QStringLiteral("TMPDIR"), path("tmp"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=") + path("no-bus"));
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                           QStringLiteral("unix:path=") + path("no-bus"));
        return environment;
    }

    void start(QProcess &process, const QProcessEnvironment &environment)
    {
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(path("work"));
        process.start(QStringLiteral(OSTREL_EXECUTABLE), {});
        ASSERT_TRUE(process.waitForStarted(deadlineMs));
    }

    // The running program listens on its socket once it is ready; until then nothing answers.
    bool waitUntilListening(const QProcess &process, const QString &socket)
    {
        return test::waitUntil(
                   [&] { return QFile::exists(socket) || process.state() == QProcess::NotRunning; },
                   std::chrono::milliseconds(deadlineMs))
            && QFile::exists(socket);
    }

    // Ends the running program as a session's end does, and returns its status.
    int terminate(QProcess &process)
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        EXPECT_TRUE(process.waitForFinished(deadlineMs)) << "the program did not end on SIGTERM";
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QTemporaryDir home;
    QProcess first;
    QProcess second;
};

// A FIFO where the settings file belongs held the start in open() for good, deaf to SIGTERM,
// and a second start then said that the first did not answer.
TEST_F(HostileHomeTest, AFifoAsTheSettingsFileDoesNotHoldTheStartUp)
{
    const QString settings = path("config/Ostrel/Ostrel.conf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(settings).constData(), 0600), 0);

    start(first, environment());
    ASSERT_TRUE(waitUntilListening(first, path("runtime/ostrel.socket")))
        << "the program never became ready:\n"
        << first.readAllStandardError().toStdString();

    start(second, environment());
    ASSERT_TRUE(second.waitForFinished(deadlineMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains("did not answer"));

    EXPECT_EQ(terminate(first), 0);
    EXPECT_TRUE(isFifo(settings)) << "the settings file was written over";
    const QString said = QString::fromLocal8Bit(first.readAllStandardError());
    EXPECT_TRUE(said.contains(
        QStringLiteral("Ostrel’s settings file “%1” can’t be used (it is not a regular file).")
            .arg(settings)))
        << said.toStdString();
}

// A lock file that cannot be opened (here: a folder of that name; a root-owned file left by a
// start with sudo -E is the same case) made every start wait and exit 0 saying that Ostrel was
// running already while nothing ran. A link in its place is not followed either.
TEST_F(HostileHomeTest, AnUnusableLockFileIsAnErrorNotARunningProgram)
{
    const QString lock = path("data/Ostrel/ostrel.lock");
    const struct {
        const char *what;
        std::function<bool()> make;
        QString reason;
    } cases[] = {
        {"a folder", [&] { return QDir().mkpath(lock); }, QStringLiteral("Is a directory")},
        {"a link", [&] { return QFile::link(path("elsewhere"), lock); },
         QStringLiteral("it is a symbolic link")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(path("data/Ostrel")).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(path("data/Ostrel")));
        ASSERT_TRUE(c.make());
        start(first, environment());
        ASSERT_TRUE(first.waitForFinished(deadlineMs));
        EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(first.exitCode(), 1);
        const QString said = QString::fromLocal8Bit(first.readAllStandardError());
        EXPECT_EQ(said,
                  QStringLiteral("Ostrel can’t start: its lock file “%1” can’t be used (%2).\n")
                      .arg(lock, c.reason));
        EXPECT_FALSE(QFile::exists(path("data/Ostrel/Ostrel.sqlite"))) << "the store was opened";
        EXPECT_FALSE(QFile::exists(path("elsewhere"))) << "the link was followed";
    }
}

// One store, one program: a start from a terminal without XDG_RUNTIME_DIR used to take a lock of
// its own in another runtime folder and run a second program on the same store. The lock lives
// beside the store now, and the running program names its socket in it, so the later start
// reaches the panel too.
TEST_F(HostileHomeTest, StartsWithAndWithoutARuntimeFolderShareOneProgram)
{
    start(first, environment());
    ASSERT_TRUE(waitUntilListening(first, path("runtime/ostrel.socket")))
        << first.readAllStandardError().toStdString();

    QProcessEnvironment withoutRuntime = environment();
    withoutRuntime.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    start(second, withoutRuntime);
    ASSERT_TRUE(second.waitForFinished(deadlineMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains("did not answer"));
    EXPECT_FALSE(QFile::exists(path("tmp/runtime-" + userName() + "/ostrel.socket")));
    EXPECT_EQ(modeOf(path("data/Ostrel/ostrel.lock")), 0600u);
    EXPECT_EQ(terminate(first), 0);
}

// Without XDG_RUNTIME_DIR the socket went to the shared /tmp/ostrel.socket when another user had
// made /tmp/runtime-<user>. Now only a folder of the user's own with mode 0700 will do: made when
// absent, passed over otherwise. Without one the program runs all the same, and says that later
// starts cannot reach it.
TEST_F(HostileHomeTest, WithoutARuntimeFolderTheSocketStaysPrivate)
{
    QProcessEnvironment withoutRuntime = environment();
    withoutRuntime.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    const QString fallback = path("tmp/runtime-" + userName());

    // Taken by someone else first (as root here: another owner; as a user: open to all).
    ASSERT_TRUE(QDir().mkpath(fallback));
    ASSERT_EQ(::chmod(QFile::encodeName(fallback).constData(), 0777), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(fallback).constData(), 65534, 65534), 0);
    }
    start(first, withoutRuntime);
    // Ready: the store is open (its lock is beside it).
    ASSERT_TRUE(test::waitUntil(
        [&] {
            return QFile::exists(path("data/Ostrel/Ostrel.sqlite"))
                || first.state() == QProcess::NotRunning;
        },
        std::chrono::milliseconds(deadlineMs)));
    ASSERT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();
    EXPECT_EQ(terminate(first), 0);
    const QString said = QString::fromLocal8Bit(first.readAllStandardError());
    EXPECT_TRUE(said.contains(
        QStringLiteral("Ostrel can’t answer a later start: its socket needs a folder that only "
                       "you can open, and “%1” ")
            .arg(fallback)))
        << said.toStdString();
    EXPECT_EQ(QDir(path("work")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList());
    EXPECT_EQ(QDir(fallback).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList());
    EXPECT_FALSE(QFile::exists(path("tmp/ostrel.socket")));

    // Absent: made 0700 and used.
    ASSERT_TRUE(QDir(fallback).removeRecursively());
    start(first, withoutRuntime);
    ASSERT_TRUE(waitUntilListening(first, fallback + "/ostrel.socket"))
        << first.readAllStandardError().toStdString();
    EXPECT_EQ(modeOf(fallback), 0700u);
    struct stat status = {};
    ASSERT_EQ(::lstat(QFile::encodeName(fallback).constData(), &status), 0);
    EXPECT_EQ(status.st_uid, ::geteuid());
    EXPECT_EQ(modeOf(path("data/Ostrel/ostrel.lock")), 0600u);
    EXPECT_EQ(terminate(first), 0);
    EXPECT_EQ(QDir(path("work")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList());
}

// Something in the socket's place that is not the program's own socket is left alone: the
// program runs without answering later starts, and says so.
TEST_F(HostileHomeTest, ASocketThatCannotBeMadeIsAWarningAndTheProgramRuns)
{
    ASSERT_TRUE(QDir().mkpath(path("runtime/ostrel.socket")));
    start(first, environment());
    QDeadlineTimer deadline(deadlineMs);
    QString said;
    while (!said.contains("Ostrel can’t answer a later start") && !deadline.hasExpired()
           && first.state() != QProcess::NotRunning) {
        first.waitForReadyRead(100);
        said += QString::fromLocal8Bit(first.readAllStandardError());
    }
    EXPECT_TRUE(said.contains(QStringLiteral("Ostrel can’t answer a later start: “%1” is in the "
                                             "way, and it is not a socket of yours")
                                  .arg(path("runtime/ostrel.socket"))))
        << said.toStdString();
    ASSERT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(QFileInfo(path("runtime/ostrel.socket")).isDir());

    // A later start finds the program running and does not start a second one.
    start(second, environment());
    ASSERT_TRUE(second.waitForFinished(deadlineMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(terminate(first), 0);
}

} // namespace
} // namespace ostrel
