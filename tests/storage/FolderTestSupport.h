#pragma once

#include "StorageTestSupport.h"

#include "storage/FileSystem.h"
#include "storage/LayoutStore.h"
#include "storage/StoreEnvironment.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace ostrel::test {

// The real file calls, except those a test asks to fail. A failing call does nothing and
// returns the chosen error; a failing copy first leaves half of the file behind, as a copy cut
// off by a full disk would. A call is matched by the path it creates or changes: the
// destination of a copy, link or rename, the file of an fsync.
class FailingFileSystem : public FileSystem {
public:
    enum class Call { copy, link, rename, unlink, fsync };

    void fail(Call call, const QString &pathPattern, int error = EIO);
    // Called before every call with the call's name and the path it creates or changes.
    std::function<void(const QString &call, const QString &path)> observer;

    int open(const QString &path, int flags, int &descriptor) override;
    int close(int descriptor) override;
    int fsync(int descriptor) override;
    int link(const QString &from, const QString &to) override;
    int unlink(const QString &path) override;
    int rename(const QString &from, const QString &to) override;
    int copy(const QString &from, const QString &to) override;

private:
    // Tells the observer, then fails the call as a rule says (after `onFailure`) or makes it.
    template <class Real>
    int guarded(Call call, const char *name, const QString &path, Real real,
                const std::function<void()> &onFailure = {})
    {
        if (observer) {
            observer(QString::fromLatin1(name), path);
        }
        for (const Rule &rule : rules_) {
            if (rule.call == call && rule.pattern.match(path).hasMatch()) {
                if (onFailure) {
                    onFailure();
                }
                return rule.error;
            }
        }
        return real();
    }

    struct Rule {
        Call call;
        QRegularExpression pattern;
        int error;
    };
    QList<Rule> rules_;
    QHash<int, QString> openFiles_;
};

// Another process holding record locks on files, as another program using SQLite would. A
// forked child takes the locks and keeps them until the holder goes away; pipes, not sleeps,
// keep the two processes in step.
class LockHolder {
public:
    struct Range {
        QString path;
        short type; // F_RDLCK or F_WRLCK
        qint64 start;
        qint64 length;
    };

    explicit LockHolder(const QList<Range> &ranges);
    ~LockHolder();

    LockHolder(const LockHolder &) = delete;
    LockHolder &operator=(const LockHolder &) = delete;

    // True once the child holds every lock.
    bool holding() const { return holding_; }

private:
    int child_ = -1;
    int release_ = -1;
    bool holding_ = false;
};

// SQLite's pending byte and its shared range in a database file.
constexpr qint64 pendingByte = 0x40000000;
constexpr qint64 sharedFirstByte = pendingByte + 2;

// A storage folder "Ostrel" and its previous location "layouts" side by side in a temporary
// folder, with a clock pinned at 2026-03-04 05:06:07.089 UTC and file calls that a test can
// make fail.
struct FolderTest : ::testing::Test {
    QTemporaryDir root;
    StorePaths paths = StorePaths::inFolder(root.path());
    QString previousFolder = root.filePath(QStringLiteral("layouts"));
    std::shared_ptr<FailingFileSystem> files = std::make_shared<FailingFileSystem>();
    StoreEnvironment environment;

    static QString stamp() { return QStringLiteral("2026-03-04T05-06-07-089Z"); }
    static QString keptName()
    {
        return QStringLiteral("Ostrel.corrupt-") + stamp() + QStringLiteral(".sqlite");
    }

    void SetUp() override;
    StorageOpenResult open();
    // The names in the storage folder, sorted.
    QStringList folderFiles() const;
    QString inFolder(const QString &name) const;
    QString inPrevious(const QString &name) const;
};

// A current database file in rollback-journal mode holding one layout per name, each with its
// windows on one display.
void writeDatabase(const QString &path, const QStringList &layoutNames, int windowsPerLayout = 1);
// The same, with one entry of the index of windows by layout damaged (damageIndexEntry()): the
// last window of the layout whose identifier sorts last is no longer found through it.
void writeDatabaseWithDamagedIndex(const QString &path, const QStringList &layoutNames,
                                   int windowsPerLayout);
// A file created from SQL text (an older schema, say), in rollback-journal mode.
void writeDatabaseFromSql(const QString &path, const QString &sql);
// A database with a damaged table page: it opens, but its quick check fails.
void writeDamagedDatabase(const QString &path);
// Bytes that are no database at all.
void writeGarbage(const QString &path);
// A copy of a database holding layouts "Desk" and "Sofa" taken while a writer was in the middle
// of renaming them, with the hot rollback journal a crash at that moment leaves behind.
void writeDatabaseWithHotJournal(const QString &path);

// The layout names in a database file, sorted.
QStringList layoutNamesIn(const QString &path);
QString userVersionOf(const QString &path);
QString journalModeOf(const QString &path);
QByteArray bytesOf(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
// Changes one byte of a file in place.
void setByte(const QString &path, qint64 offset, char value);
// The names in a folder, sorted, and the bytes of each file, to show that nothing changed.
QStringList snapshotOf(const QString &folder);

} // namespace ostrel::test
