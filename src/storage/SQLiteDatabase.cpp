#include "storage/SQLiteDatabase.h"

#include "model/StorageError.h"
#include "storage/SQLiteFailure.h"
#include "storage/SQLiteStatement.h"

#include <QFile>

#include <sqlite3.h>

#include <array>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <optional>

namespace ostrel {

namespace {

constexpr std::array<int, 3> openFlags = {
    SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX,
    SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
};
static_assert(openFlags[0] == 0x10001 && openFlags[1] == 0x10002 && openFlags[2] == 0x10006);

const QString closedDetail = QStringLiteral("The database is closed.");

// SQLite creates a new database with the umask's mode and gives its log, index and journal the
// mode of the database; layouts are nobody else's business, so a file of ours is made first,
// readable by its owner alone whatever the umask. An existing file is left as it is.
void createPrivately(const QString &path)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor == -1) {
        return; // SQLite's own open then says what is wrong
    }
    ::fchmod(descriptor, 0600);
    ::close(descriptor);
}

QString utf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

SQLiteDatabase::SQLiteDatabase(const QString &path, SQLiteOpenMode mode,
                               SQLiteJournalPolicy journalPolicy, int busyTimeoutMilliseconds)
    : path_(path)
{
    sqlite3 *connection = nullptr;
    if (mode == SQLiteOpenMode::readWriteCreate) {
        createPrivately(path);
    }
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &connection,
                                       openFlags[static_cast<size_t>(mode)], nullptr);
    if (result != SQLITE_OK) {
        if (connection) {
            const SQLiteFailure failure = SQLiteFailure::of(connection);
            sqlite3_close(connection);
            throw failure;
        }
        throw SQLiteFailure{result, result, QStringLiteral("Unable to open the database.")};
    }
    if (!connection) {
        throw SQLiteFailure{0, 0, QStringLiteral("Unable to open the database.")};
    }
    handle_ = connection;
    sqlite3_busy_timeout(handle_, busyTimeoutMilliseconds);
    try {
        // Cascades and the window-to-display reference only hold while this is on, so every
        // connection switches it on, read-only ones included.
        execute(QStringLiteral("PRAGMA foreign_keys = ON;"));
        if (journalPolicy == SQLiteJournalPolicy::wal && mode != SQLiteOpenMode::readOnly) {
            execute(QStringLiteral("PRAGMA journal_mode = WAL;"));
            keepsLog_ = true;
            // Every commit reaches the disk before it is reported: a power cut must not undo
            // a layout the user was told is saved.
            execute(QStringLiteral("PRAGMA synchronous = FULL;"));
        }
    } catch (...) {
        close();
        throw;
    }
}

SQLiteDatabase::~SQLiteDatabase()
{
    close();
}

void SQLiteDatabase::execute(const QString &sql)
{
    if (!handle_) {
        throw StorageError::writeFailed(closedDetail);
    }
    char *error = nullptr;
    const int result = sqlite3_exec(handle_, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (result == SQLITE_OK) {
        return;
    }
    QString message =
        error ? QString::fromUtf8(error) : QStringLiteral("SQLite error %1.").arg(result);
    sqlite3_free(error);
    throw SQLiteFailure::of(handle_, std::move(message));
}

void SQLiteDatabase::quickCheck()
{
    check("PRAGMA quick_check;");
}

void SQLiteDatabase::integrityCheck()
{
    check("PRAGMA integrity_check;");
}

// Only the first row is read: it is "ok" exactly when there are no findings.
void SQLiteDatabase::check(const char *pragma)
{
    if (!handle_) {
        throw StorageError::readFailed(closedDetail);
    }
    SQLiteStatement statement(*this, pragma);
    if (!statement.step()) {
        throw SQLiteFailure{SQLITE_CORRUPT, SQLITE_CORRUPT,
                            QStringLiteral("SQLite returned no integrity result.")};
    }
    const QString verdict = statement.isNull(0) || !sqlite3_column_text(statement.get(), 0)
        ? QStringLiteral("unknown")
        : statement.text(0);
    if (verdict != QLatin1String("ok")) {
        throw SQLiteFailure{SQLITE_CORRUPT, SQLITE_CORRUPT,
                            QStringLiteral("SQLite reported an integrity problem: ") + verdict
                                + QStringLiteral(".")};
    }
}

void SQLiteDatabase::foreignKeyCheck()
{
    if (!handle_) {
        throw StorageError::readFailed(closedDetail);
    }
    SQLiteStatement statement(*this, "PRAGMA foreign_key_check;");
    if (!statement.step()) {
        return;
    }
    const QString table = statement.isNull(0) ? QStringLiteral("unknown") : statement.text(0);
    throw SQLiteFailure{SQLITE_CORRUPT, SQLITE_CORRUPT,
                        QStringLiteral("A related row in ") + table
                            + QStringLiteral(" is missing its parent.")};
}

void SQLiteDatabase::keepPagesInLargeCache()
{
    execute(QStringLiteral("PRAGMA cache_size = -262144;"));
}

std::pair<qint64, qint64> SQLiteDatabase::changeMark()
{
    if (!handle_) {
        throw StorageError::readFailed(closedDetail);
    }
    SQLiteStatement statement(*this, "PRAGMA data_version;");
    const qint64 version = statement.step() ? statement.int64(0) : -1;
    return {version, sqlite3_total_changes64(handle_)};
}

void SQLiteDatabase::backup(const QString &destinationPath)
{
    if (!handle_) {
        throw StorageError::backupFailed(closedDetail);
    }
    const std::filesystem::path destinationFile(QFile::encodeName(destinationPath).toStdString());
    std::error_code ignored;
    if (std::filesystem::exists(std::filesystem::symlink_status(destinationFile, ignored))) {
        std::filesystem::remove(destinationFile); // its own error, unchanged, on failure
    }

    createPrivately(destinationPath);
    sqlite3 *destination = nullptr;
    const int opened =
        sqlite3_open_v2(destinationPath.toUtf8().constData(), &destination,
                        openFlags[static_cast<size_t>(SQLiteOpenMode::readWriteCreate)], nullptr);
    if (opened != SQLITE_OK || !destination) {
        if (opened != SQLITE_OK && destination) {
            const SQLiteFailure cause = SQLiteFailure::of(destination);
            sqlite3_close(destination);
            throw StorageError::backupFailed(cause.described());
        }
        sqlite3_close(destination);
        throw StorageError::backupFailed(QStringLiteral("Unable to open the backup destination."));
    }
    sqlite3_backup *copy = sqlite3_backup_init(destination, "main", handle_, "main");
    if (!copy) {
        sqlite3_close(destination);
        throw StorageError::backupFailed(QStringLiteral("SQLite could not start the backup."));
    }
    const int stepped = sqlite3_backup_step(copy, -1);
    sqlite3_backup_finish(copy);
    // What went wrong is kept on the destination's connection: a full disk or a folder that
    // cannot be written is what the user can act on.
    std::optional<SQLiteFailure> cause;
    if (stepped != SQLITE_DONE && sqlite3_errcode(destination) != SQLITE_OK) {
        cause = SQLiteFailure::of(destination);
    } else if (stepped != SQLITE_DONE && stepped != SQLITE_OK) {
        cause = SQLiteFailure{stepped & 0xff, stepped, utf8(sqlite3_errstr(stepped))};
    }
    sqlite3_close(destination);
    if (stepped != SQLITE_DONE) {
        throw StorageError::backupFailed(
            cause ? QStringLiteral("SQLite could not complete the backup. ") + cause->described()
                  : QStringLiteral("SQLite could not complete the backup."));
    }
}

void SQLiteDatabase::checkpoint()
{
    // Only a connection that switched its file to the log itself: a connection that merely
    // checks a file must never write to it, least of all to a damaged one before it is kept.
    if (!handle_ || !keepsLog_) {
        return;
    }
    sqlite3_wal_checkpoint_v2(handle_, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

void SQLiteDatabase::close()
{
    if (!handle_) {
        return;
    }
    checkpoint();
    sqlite3_close(handle_);
    handle_ = nullptr;
}

} // namespace ostrel
