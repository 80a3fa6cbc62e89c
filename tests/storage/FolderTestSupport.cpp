#include "FolderTestSupport.h"

#include "Await.h"
#include "TestApplication.h"
#include "storage/SQLiteStatement.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <sqlite3.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ostrel::test {

// --- FailingFileSystem --------------------------------------------------------------------

void FailingFileSystem::fail(Call call, const QString &pathPattern, int error)
{
    rules_.append({call, QRegularExpression(pathPattern), error});
}

int FailingFileSystem::open(const QString &path, int flags, int &descriptor)
{
    if (observer) {
        observer(QStringLiteral("open"), path);
    }
    const int error = FileSystem::open(path, flags, descriptor);
    if (error == 0) {
        openFiles_.insert(descriptor, path);
    }
    return error;
}

int FailingFileSystem::close(int descriptor)
{
    if (observer) {
        observer(QStringLiteral("close"), openFiles_.value(descriptor));
    }
    openFiles_.remove(descriptor);
    return FileSystem::close(descriptor);
}

int FailingFileSystem::fsync(int descriptor)
{
    return guarded(Call::fsync, "fsync", openFiles_.value(descriptor),
                   [&] { return FileSystem::fsync(descriptor); });
}

int FailingFileSystem::link(const QString &from, const QString &to)
{
    return guarded(Call::link, "link", to, [&] { return FileSystem::link(from, to); });
}

int FailingFileSystem::unlink(const QString &path)
{
    return guarded(Call::unlink, "unlink", path, [&] { return FileSystem::unlink(path); });
}

int FailingFileSystem::rename(const QString &from, const QString &to)
{
    return guarded(Call::rename, "rename", to, [&] { return FileSystem::rename(from, to); });
}

int FailingFileSystem::copy(const QString &from, const QString &to)
{
    return guarded(
        Call::copy, "copy", to, [&] { return FileSystem::copy(from, to); },
        [&] {
            const QByteArray contents = bytesOf(from);
            writeBytes(to, contents.left(contents.size() / 2));
        });
}

// --- LockHolder ---------------------------------------------------------------------------

LockHolder::LockHolder(const QList<Range> &ranges)
{
    // Everything the child needs is prepared here: after fork it may only make plain system
    // calls.
    std::vector<std::string> paths;
    for (const Range &range : ranges) {
        paths.push_back(QFile::encodeName(range.path).toStdString());
    }
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) {
        ADD_FAILURE() << "no pipe";
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        char verdict = '1';
        for (size_t i = 0; i < paths.size(); ++i) {
            const int descriptor = ::open(paths[i].c_str(), O_RDWR);
            struct flock lock {};
            lock.l_type = ranges[static_cast<qsizetype>(i)].type;
            lock.l_whence = SEEK_SET;
            lock.l_start = static_cast<off_t>(ranges[static_cast<qsizetype>(i)].start);
            lock.l_len = static_cast<off_t>(ranges[static_cast<qsizetype>(i)].length);
            if (descriptor == -1 || ::fcntl(descriptor, F_SETLK, &lock) != 0) {
                verdict = '0';
            }
        }
        if (::write(ready[1], &verdict, 1) != 1) {
            ::_exit(1);
        }
        char ignored;
        while (::read(release[0], &ignored, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    child_ = child;
    release_ = release[1];
    char verdict = '0';
    holding_ = ::read(ready[0], &verdict, 1) == 1 && verdict == '1';
    ::close(ready[0]);
}

LockHolder::~LockHolder()
{
    if (release_ != -1) {
        ::close(release_);
    }
    if (child_ > 0) {
        int status = 0;
        ::waitpid(child_, &status, 0);
    }
}

// --- FolderTest ---------------------------------------------------------------------------

void FolderTest::SetUp()
{
    ensureApplication();
    ASSERT_TRUE(root.isValid());
    environment.files = files;
    environment.clock = [] {
        return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89), QTimeZone::utc());
    };
}

StorageOpenResult FolderTest::open()
{
    return LayoutStore::open(paths, environment);
}

QStringList FolderTest::folderFiles() const
{
    QStringList names =
        QDir(paths.directory)
            .entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QString FolderTest::inFolder(const QString &name) const
{
    return QDir(paths.directory).filePath(name);
}

QString FolderTest::inPrevious(const QString &name) const
{
    return QDir(previousFolder).filePath(name);
}

// --- Database files -----------------------------------------------------------------------

void writeDatabase(const QString &path, const QStringList &layoutNames, int windowsPerLayout)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto database = std::make_unique<SQLiteDatabase>(path, SQLiteOpenMode::readWriteCreate,
                                                     SQLiteJournalPolicy::unchanged, 2000);
    LayoutStore::migrate(*database, 0);
    LayoutStore store(StorePaths::inFolder(QFileInfo(path).absolutePath()), std::nullopt,
                      std::move(database));
    const DisplaySnapshot display = sampleDisplay(0, 1, true);
    for (const QString &name : layoutNames) {
        QList<WindowEntry> entries;
        for (int i = 0; i < windowsPerLayout; ++i) {
            entries << sampleEntry(display, QStringLiteral("Editor"), 0.1 * i);
        }
        await(store.createLayout(name, {display}, entries, std::nullopt));
    }
}

void writeDatabaseWithDamagedIndex(const QString &path, const QStringList &layoutNames,
                                   int windowsPerLayout)
{
    writeDatabase(path, layoutNames, windowsPerLayout);
    QByteArray lastLayout;
    {
        SQLiteDatabase database(path, SQLiteOpenMode::readOnly, SQLiteJournalPolicy::unchanged,
                                100);
        lastLayout = scalar(database, "SELECT max(layout_id) FROM windows").toLatin1();
    }
    damageIndexEntry(path, "windows_layout_idx", lastLayout);
}

void writeDatabaseFromSql(const QString &path, const QString &sql)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    SQLiteDatabase database(path, SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::unchanged,
                            2000);
    database.execute(sql);
}

void writeDamagedDatabase(const QString &path)
{
    writeDatabase(path, {QStringLiteral("Desk")});
    QByteArray bytes = bytesOf(path);
    const qsizetype pageSize = 4096;
    ASSERT_GE(bytes.size(), 3 * pageSize);
    // The table pages after the schema page: every b-tree header there becomes nonsense.
    for (qsizetype i = pageSize; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(0xA5);
    }
    writeBytes(path, bytes);
}

void writeGarbage(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeBytes(
        path,
        QByteArray("This is not a database, only a note that took its name.\n").repeated(100));
}

void writeDatabaseWithHotJournal(const QString &path)
{
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("source.sqlite"));
    writeDatabase(source, {QStringLiteral("Desk"), QStringLiteral("Sofa")});
    SQLiteDatabase writer(source, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 2000);
    writer.execute(QStringLiteral(
        "CREATE TABLE filler (x BLOB);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
        "  INSERT INTO filler SELECT randomblob(200) FROM n;"));
    // A tiny cache makes the writer spill changed pages into the file before it commits, so
    // only the journal can bring the file back.
    writer.execute(QStringLiteral("PRAGMA cache_size = 1; BEGIN;"
                                  "UPDATE layouts SET name = name || ' (unsaved)';"
                                  "UPDATE filler SET x = randomblob(200);"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(QFile::copy(source, path));
    ASSERT_TRUE(
        QFile::copy(source + QStringLiteral("-journal"), path + QStringLiteral("-journal")));
    writer.execute(QStringLiteral("ROLLBACK;"));
    writer.close();

    // Shows that the copy really needs its journal: a read-only reader cannot read it.
    sqlite3 *reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &reader, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    EXPECT_NE(sqlite3_exec(reader, "PRAGMA user_version;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_extended_errcode(reader), SQLITE_READONLY_ROLLBACK);
    sqlite3_close(reader);
}

// A read-only reader of a file in write-ahead mode would leave its log and index behind; a
// writable one that changes nothing removes them again when it closes.
SQLiteDatabase reader(const QString &path)
{
    return SQLiteDatabase(path, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 2000);
}

QStringList layoutNamesIn(const QString &path)
{
    SQLiteDatabase database = reader(path);
    return rows(database, "SELECT name FROM layouts ORDER BY name");
}

QString userVersionOf(const QString &path)
{
    SQLiteDatabase database = reader(path);
    return scalar(database, "PRAGMA user_version;");
}

QString journalModeOf(const QString &path)
{
    SQLiteDatabase database = reader(path);
    return scalar(database, "PRAGMA journal_mode;");
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void setByte(const QString &path, qint64 offset, char value)
{
    QByteArray bytes = bytesOf(path);
    ASSERT_GT(bytes.size(), offset);
    bytes[offset] = value;
    writeBytes(path, bytes);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList snapshotOf(const QString &folder)
{
    QStringList result;
    const QDir dir(folder);
    for (const QString &name :
         dir.entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QFileInfo info(dir.filePath(name));
        result << name + QLatin1Char(' ')
                + (info.isDir()
                       ? QStringLiteral("folder")
                       : QString::fromLatin1(QCryptographicHash::hash(bytesOf(info.filePath()),
                                                                      QCryptographicHash::Sha1)
                                                 .toHex()));
    }
    result.sort();
    return result;
}

} // namespace ostrel::test
