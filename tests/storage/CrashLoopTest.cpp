// Another process edits a store and is killed with SIGKILL at random moments, mid-edit,
// mid-backup or mid-open. After every kill the store must open as it is, without recovery and
// without leftovers, and hold every edit the process had acknowledged.
//
// OSTREL_CRASH_SEED repeats a run; OSTREL_CRASH_CYCLES makes it longer.

#include "Await.h"
#include "CrashLoopProtocol.h"
#include "FolderTestSupport.h"

#include <QDir>
#include <QHash>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// The child process and its end of the protocol.
class Child {
public:
    Child(const QString &folder, quint64 seed)
    {
        const QByteArray program = QByteArray(OSTREL_CRASH_CHILD);
        const QByteArray folderArgument = QFile::encodeName(folder);
        const QByteArray seedArgument = QByteArray::number(seed);
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipe";
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipe[1], STDOUT_FILENO);
            ::execl(program.constData(), program.constData(), folderArgument.constData(),
                    seedArgument.constData(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        out_ = pipe[0];
    }

    ~Child()
    {
        kill();
        if (out_ >= 0) {
            ::close(out_);
        }
    }

    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    // The next line, or nothing once the child has gone and its output is used up. A child that
    // says nothing for a long time fails the test instead of hanging it.
    std::optional<QString> readLine()
    {
        for (;;) {
            const qsizetype newline = buffer_.indexOf('\n');
            if (newline >= 0) {
                const QString line = QString::fromUtf8(buffer_.left(newline));
                buffer_.remove(0, newline + 1);
                return line;
            }
            pollfd ready{out_, POLLIN, 0};
            const int polled = ::poll(&ready, 1, 60000);
            if (polled < 0 && errno == EINTR) {
                continue;
            }
            if (polled <= 0) {
                ADD_FAILURE() << "the child said nothing for a minute";
                return std::nullopt;
            }
            char chunk[4096];
            const ssize_t got = ::read(out_, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return std::nullopt;
            }
            buffer_.append(chunk, got);
        }
    }

    void kill()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    QByteArray buffer_;
};

// What the child has acknowledged, and the one edit it may have been in the middle of.
struct Acknowledged {
    QHash<QString, QString> contents;               // layout identifier → content
    std::optional<QPair<QString, QString>> pending; // layout (or "new") → content afterwards
    int edits = 0;

    // False when the child reported an error instead.
    bool take(const QString &line)
    {
        const QStringList words = line.split(QLatin1Char(' '));
        if (words.value(0) == QLatin1String("begin") && words.size() == 3) {
            pending = qMakePair(words[1], words[2]);
        } else if (words.value(0) == QLatin1String("done") && words.size() == 2 && pending) {
            if (pending->second == goneLayout) {
                contents.remove(words[1]);
            } else {
                contents.insert(words[1], pending->second);
            }
            pending.reset();
            ++edits;
        } else if (line != QLatin1String("open")) {
            ADD_FAILURE() << "the child said: " << line.toStdString();
            return false;
        }
        return true;
    }

    // Every acknowledged layout with its content; the pending edit either happened or did not.
    void check(const QHash<QString, QString> &stored) const
    {
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            const bool inFlight = pending && pending->first == it.key();
            if (!stored.contains(it.key())) {
                EXPECT_TRUE(inFlight && pending->second == goneLayout)
                    << "acknowledged layout " << it.key().toStdString() << " is gone";
                continue;
            }
            const QString content = stored.value(it.key());
            EXPECT_TRUE(content == it.value() || (inFlight && content == pending->second))
                << "layout " << it.key().toStdString() << " holds other content";
        }
        int unknown = 0;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
            if (!contents.contains(it.key())) {
                ++unknown;
                EXPECT_TRUE(pending && pending->first == newLayout && pending->second == it.value())
                    << "layout " << it.key().toStdString() << " was never made";
            }
        }
        EXPECT_LE(unknown, 1);
    }
};

QHash<QString, QString> contentsOf(const QList<Layout> &layouts)
{
    QHash<QString, QString> contents;
    for (const Layout &layout : layouts) {
        contents.insert(layout.id.toString(), contentOf(layout));
    }
    return contents;
}

quint64 seedOfThisRun()
{
    const QByteArray given = qgetenv("OSTREL_CRASH_SEED");
    return given.isEmpty() ? std::random_device{}() : given.toULongLong();
}

struct CrashLoopTest : FolderTest {};

TEST_F(CrashLoopTest, NoAcknowledgedEditIsLostWhereverTheWriterIsKilled)
{
    const quint64 seed = seedOfThisRun();
    SCOPED_TRACE(testing::Message()
                 << "seed " << seed << " (repeat with OSTREL_CRASH_SEED=" << seed << ")");
    const int cycles = qEnvironmentVariableIsSet("OSTREL_CRASH_CYCLES")
        ? qEnvironmentVariableIntValue("OSTREL_CRASH_CYCLES")
        : 30;
    std::mt19937_64 random(seed);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const QStringList allowedFiles{"Ostrel.backup.sqlite", "Ostrel.sqlite"};

    Acknowledged acknowledged;
    for (int cycle = 0; cycle < cycles && !HasFailure(); ++cycle) {
        SCOPED_TRACE(testing::Message() << "cycle " << cycle);
        {
            Child child(root.path(), seed * 1000 + static_cast<quint64>(cycle));
            // Now and then the kill comes while the child is still opening the store; else
            // after a few acknowledged edits, somewhere in the middle of the next one.
            if (pick(0, 7) != 0) {
                const int edits = pick(0, 10);
                bool open = false;
                int done = 0;
                while (!open || done < edits) {
                    const std::optional<QString> line = child.readLine();
                    if (!line || !acknowledged.take(*line)) {
                        break;
                    }
                    open = open || *line == QLatin1String("open");
                    done += line->startsWith(QLatin1String("done")) ? 1 : 0;
                }
            }
            ::usleep(static_cast<useconds_t>(pick(0, 3000)));
            child.kill();
            // Whatever the child managed to say before it died still counts.
            while (const std::optional<QString> line = child.readLine()) {
                if (!acknowledged.take(*line)) {
                    break;
                }
            }
        }
        ASSERT_FALSE(HasFailure());

        StorageOpenResult opened = LayoutStore::open(paths, environment);
        EXPECT_EQ(opened.notice, std::nullopt) << "the store needed more than a plain open";
        const QHash<QString, QString> stored = contentsOf(await(opened.store->loadLayouts()));
        opened.store.reset();
        acknowledged.check(stored);
        acknowledged.contents = stored;
        acknowledged.pending.reset();

        QStringList unexpected = folderFiles();
        for (const QString &name : allowedFiles) {
            unexpected.removeAll(name);
        }
        EXPECT_EQ(unexpected, QStringList{}) << "left behind";
        if (QFile::exists(paths.backup)) {
            SQLiteDatabase backup(paths.backup, SQLiteOpenMode::readWrite,
                                  SQLiteJournalPolicy::unchanged, 100);
            EXPECT_NO_THROW(LayoutStore::loadLayouts(backup)) << "the backup does not read back";
        }
    }
    // The loop means something only when the child got to edit.
    EXPECT_GT(acknowledged.edits, cycles);
}

} // namespace
