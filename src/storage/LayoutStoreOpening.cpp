#include "storage/LayoutStore.h"

#include "model/StorageError.h"
#include "storage/DatabaseHeader.h"
#include "storage/ErrorDescription.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"
#include "storage/SQLiteStatement.h"
#include "storage/Schema.h"
#include "storage/StorageLog.h"
#include "storage/TemporaryFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QScopeGuard>

#include <sqlite3.h>

#include <fcntl.h>
#include <future>
#include <system_error>

namespace ostrel {

namespace {

// SQLite called the file damaged or not a database while it was being checked. The connection
// that met it is closed on the way out, and open() hands the folder to recovery.
struct NeedsRecovery {
    QString reason;
};

bool isDamage(const SQLiteFailure &failure)
{
    return failure.primary == SQLITE_CORRUPT || failure.primary == SQLITE_NOTADB;
}

// Reads every row as the store's readers do. A row they refuse is damage like a page SQLite
// cannot read: a store that opened with it would fail every later read, with no recovery even
// while a good backup exists.
QList<Layout> readEveryRow(SQLiteDatabase &database)
{
    try {
        QList<Layout> layouts = LayoutStore::loadLayouts(database);
        LayoutStore::loadExclusions(database);
        return layouts;
    } catch (const StorageError &error) {
        if (error.kind() != StorageError::Kind::readFailed) {
            throw;
        }
        throw NeedsRecovery{error.detail()};
    }
}

// What a piece of work threw, or nothing.
template <class Work>
std::exception_ptr failureOf(Work &&work)
{
    try {
        work();
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

// What becomes of an error other than a SQLiteFailure when a check before the store exists
// fails.
enum class OtherErrors { passUnchanged, makeStorageUnavailable };

// The failure of a check before the store exists: damage leads to recovery, any other refusal
// of SQLite makes storage unavailable, and other errors go as `others` says.
[[noreturn]] void failCheck(const std::exception_ptr &error, OtherErrors others)
{
    try {
        std::rethrow_exception(error);
    } catch (const SQLiteFailure &failure) {
        if (isDamage(failure)) {
            throw NeedsRecovery{failure.described()};
        }
        throw StorageError::storageUnavailable(failure.described());
    } catch (...) {
        if (others == OtherErrors::makeStorageUnavailable) {
            throw StorageError::storageUnavailable(descriptionOf(std::current_exception()));
        }
        throw;
    }
}

// Runs one check of the file and reports its failure as failCheck() does.
template <class Check>
auto checked(OtherErrors others, Check &&check) -> decltype(check())
{
    try {
        return check();
    } catch (...) {
        failCheck(std::current_exception(), others);
    }
}

std::unique_ptr<SQLiteDatabase> openConnection(const QString &path, SQLiteOpenMode mode,
                                               SQLiteJournalPolicy policy, int busyTimeout)
{
    return std::make_unique<SQLiteDatabase>(path, mode, policy, busyTimeout);
}

// One check of the file on a short-lived reading connection of its own, on a thread of its own,
// beside the other checks. started() is false where no connection or thread could be had.
class BesideCheck {
public:
    enum class Reading { pageByPage, fromLargeCache };

    BesideCheck(const StorePaths &paths, const StoreEnvironment &environment, Reading reading,
                void (*check)(SQLiteDatabase &))
    {
        try {
            database_ = openConnection(paths.database, SQLiteOpenMode::readOnly,
                                       SQLiteJournalPolicy::unchanged,
                                       environment.preOpenBusyTimeoutMilliseconds);
            if (reading == Reading::fromLargeCache) {
                database_->keepPagesInLargeCache();
            }
            outcome_ = std::async(std::launch::async, [check, &database = *database_] {
                return failureOf([&] { check(database); });
            });
        } catch (...) {
            database_.reset();
        }
    }
    ~BesideCheck()
    {
        if (outcome_.valid()) {
            outcome_.wait();
        }
    }
    BesideCheck(const BesideCheck &) = delete;
    BesideCheck &operator=(const BesideCheck &) = delete;

    bool started() const { return outcome_.valid(); }
    // What the check threw, or nothing; the connection is closed by then.
    std::exception_ptr outcome()
    {
        const std::exception_ptr failure = outcome_.get();
        database_.reset();
        return failure;
    }

private:
    std::unique_ptr<SQLiteDatabase> database_;
    std::future<std::exception_ptr> outcome_;
};

// The copy lands under a temporary name and takes the real one only once it is complete and
// on disk, so an interrupted copy is never taken for a database.
void copyDurably(FileSystem &files, const QString &source, const QString &destination)
{
    removeStaleTemporaries(files, destination);
    const QString temporary = temporaryPathFor(destination);
    int error = files.copy(source, temporary);
    if (error == 0) {
        int descriptor = -1;
        error = files.open(temporary, O_RDONLY, descriptor);
        if (error == 0) {
            error = files.fsync(descriptor);
            const int closed = files.close(descriptor);
            error = error != 0 ? error : closed;
        }
    }
    if (error == 0) {
        error = files.rename(temporary, destination);
    }
    if (error != 0) {
        files.unlink(temporary);
        throw std::system_error(error, std::generic_category());
    }
}

// The folder and what lies in it under the store's names, where they exist.
QStringList privatePaths(const StorePaths &paths)
{
    QStringList result{paths.directory, paths.database, paths.backup, paths.resetMarker};
    for (const QString &suffix : StorePaths::sidecarSuffixes()) {
        result << paths.database + suffix;
    }
    return result;
}

} // namespace

int LayoutStore::schemaVersion(SQLiteDatabase &database)
{
    SQLiteStatement statement(database, "PRAGMA user_version;");
    return statement.step() ? static_cast<int>(statement.int64(0)) : 0;
}

StorageOpenResult LayoutStore::open()
{
    return open(StorePaths::defaultPaths(), StoreEnvironment{});
}

StorageOpenResult LayoutStore::open(const StorePaths &paths, const StoreEnvironment &environment)
{
    FileSystem &files = *environment.files;
    if (const int error = files.makeDirectories(paths.directory); error != 0) {
        throw StorageError::storageUnavailable(QStringLiteral("Couldn’t create ") + paths.directory
                                               + QStringLiteral(". ") + errorText(error));
    }
    // Folders and files of earlier versions were readable by everyone.
    for (const QString &path : privatePaths(paths)) {
        files.restrictToOwner(path);
    }
    removeLeftovers(files, paths);
    const std::optional<StorageNotice> adoptionNotice = adoptLegacyStorageIfNeeded(paths, files);
    if (!files.exists(paths.database)) {
        return createEmptyDatabase(paths, adoptionNotice, environment);
    }
    try {
        return openExisting(paths, adoptionNotice, environment);
    } catch (const NeedsRecovery &damage) {
        return recover(paths, damage.reason, environment);
    }
}

void LayoutStore::removeLeftovers(FileSystem &files, const StorePaths &paths)
{
    // Copies and temporaries of work that a kill cut short. Nothing else ever uses these names,
    // and only one instance of the program opens the store.
    for (const QString &target : {paths.database, paths.backup, paths.resetMarker}) {
        removeStaleTemporaries(files, target);
    }
    const QDir folder(paths.directory);
    for (const QString &name : files.entries(paths.directory)) {
        if (name.startsWith(recoveryCandidatePrefix())) {
            files.unlink(folder.filePath(name));
        }
    }
}

StorageOpenResult LayoutStore::openExisting(const StorePaths &paths,
                                            const std::optional<StorageNotice> &adoptionNotice,
                                            const StoreEnvironment &environment)
{
    CheckedFile checkedFile = checkBeforeOpening(paths, environment);
    std::unique_ptr<SQLiteDatabase> working = checked(OtherErrors::passUnchanged, [&] {
        return openConnection(paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal,
                              environment.busyTimeoutMilliseconds);
    });
    const std::optional<StorageNotice> owed =
        prepareWorkingConnection(*working, checkedFile.version, checkedFile.layouts);

    // What an upgrade changed in the saved data matters more than where the files came from.
    std::optional<StorageNotice> notice = owed ? owed : adoptionNotice;
    notice = completePendingResetBackup(*working, paths, notice, environment);
    if (owed) {
        try {
            Schema::settleOwedNotice(*working);
        } catch (...) {
            // The notice then comes once more at the next open, which beats never.
            qCWarning(storageLog).noquote()
                << "The upgrade's notice could not be marked as given; it comes again at the "
                   "next start:"
                << descriptionOf(std::current_exception());
        }
    }
    auto store = std::make_unique<LayoutStore>(paths, notice, std::move(working), environment);
    if (checkedFile.layouts) {
        store->keepLayoutsRead(*std::move(checkedFile.layouts));
    }
    return StorageOpenResult{std::move(store), notice, paths};
}

LayoutStore::CheckedFile LayoutStore::checkBeforeOpening(const StorePaths &paths,
                                                         const StoreEnvironment &environment)
{
    if (const std::optional<SQLiteFailure> damage = DatabaseHeader::damage(paths.database)) {
        throw NeedsRecovery{damage->described()};
    }
    // Everything is checked on a short-lived connection before anything writes to the file.
    std::pair<std::unique_ptr<SQLiteDatabase>, int> opened =
        openCheckConnection(paths, environment);
    SQLiteDatabase *check = opened.first.get();
    CheckedFile result;
    result.version = opened.second;
    checked(OtherErrors::makeStorageUnavailable,
            [&] { Schema::requirePlausibleVersion(result.version); });
    if (Schema::isNewer(result.version)) {
        throw StorageError::futureSchema(result.version, paths.database);
    }
    if (result.version == Schema::currentVersion) {
        result.layouts = checkCurrentFile(*check, paths, environment);
        return result;
    }
    checked(OtherErrors::makeStorageUnavailable, [&] {
        check->integrityCheck();
        // A file that exists but that no version of the program wrote, an empty one for instance,
        // is damage like any other: taken for a new library it would be silently empty, and the
        // next backup would then replace the good one with it.
        Schema::requireLayoutDatabase(*check, result.version);
    });
    if (Schema::needsBackupBeforeUpgrade(result.version)) {
        // The file as it was before the upgrade becomes the last-known-good backup.
        try {
            makeBackup(*check, paths.backup, environment);
        } catch (...) {
            throw StorageError::storageUnavailable(QStringLiteral("Upgrade paused: backup failed. ")
                                                   + descriptionOf(std::current_exception()));
        }
    }
    return result;
}

std::optional<QList<Layout>> LayoutStore::checkCurrentFile(SQLiteDatabase &check,
                                                           const StorePaths &paths,
                                                           const StoreEnvironment &environment)
{
    // The integrity check compares every index with its table, the longest of the checks by far,
    // and the references are looked up row by row: each runs on a reading connection of its own
    // while this one reads every row. The integrity check looks up the same index pages again and
    // again, which costs a read call each unless the file is mapped; the map adds the file to the
    // memory the process holds, for that check alone.
    BesideCheck integrity(paths, environment, BesideCheck::Reading::fromLargeCache,
                          [](SQLiteDatabase &database) { database.integrityCheck(); });
    BesideCheck references(paths, environment, BesideCheck::Reading::pageByPage,
                           [](SQLiteDatabase &database) { database.foreignKeyCheck(); });
    if (!integrity.started() || !references.started()) {
        // The checks then run one after the other, as they are decided.
        checked(OtherErrors::makeStorageUnavailable, [&] {
            check.integrityCheck();
            Schema::requireLayoutDatabase(check, Schema::currentVersion);
        });
        return checked(OtherErrors::passUnchanged, [&] {
            QList<Layout> layouts = readEveryRow(check);
            check.foreignKeyCheck();
            return layouts;
        });
    }
    // A file that exists but that no version of the program wrote, an empty one for instance, is
    // damage like any other: taken for a new library it would be silently empty, and the next
    // backup would then replace the good one with it.
    const std::exception_ptr notOurs =
        failureOf([&] { Schema::requireLayoutDatabase(check, Schema::currentVersion); });
    // Proves that every row reads and validates, and keeps what it read for the first load.
    std::optional<QList<Layout>> layouts;
    const std::exception_ptr unread =
        notOurs ? nullptr : failureOf([&] { layouts = readEveryRow(check); });
    const std::exception_ptr damaged = integrity.outcome();
    const std::exception_ptr orphaned = references.outcome();
    checked(OtherErrors::makeStorageUnavailable, [&] {
        for (const std::exception_ptr &failure : {damaged, notOurs}) {
            if (failure) {
                std::rethrow_exception(failure);
            }
        }
    });
    checked(OtherErrors::passUnchanged, [&] {
        for (const std::exception_ptr &failure : {unread, orphaned}) {
            if (failure) {
                std::rethrow_exception(failure);
            }
        }
    });
    return layouts;
}

std::pair<std::unique_ptr<SQLiteDatabase>, int>
LayoutStore::openCheckConnection(const StorePaths &paths, const StoreEnvironment &environment)
{
    std::unique_ptr<SQLiteDatabase> check =
        checked(OtherErrors::passUnchanged, [&] { return openPreflight(paths, environment); });
    try {
        const int version = schemaVersion(*check);
        return {std::move(check), version};
    } catch (const SQLiteFailure &failure) {
        if (failure.extended != SQLITE_READONLY_ROLLBACK) {
            failCheck(std::current_exception(), OtherErrors::makeStorageUnavailable);
        }
    } catch (...) {
        failCheck(std::current_exception(), OtherErrors::makeStorageUnavailable);
    }
    // A writer died mid-transaction and left a hot rollback journal (copies from the previous
    // location carry such journals too). A read-only connection may not roll it back, so every
    // read would fail as "read-only"; a writable one rolls it back on its first read.
    check.reset();
    check = checked(OtherErrors::passUnchanged, [&] {
        return openConnection(paths.database, SQLiteOpenMode::readWrite,
                              SQLiteJournalPolicy::unchanged,
                              environment.preOpenBusyTimeoutMilliseconds);
    });
    const int version =
        checked(OtherErrors::makeStorageUnavailable, [&] { return schemaVersion(*check); });
    return {std::move(check), version};
}

std::optional<StorageNotice>
LayoutStore::prepareWorkingConnection(SQLiteDatabase &working, int version,
                                      std::optional<QList<Layout>> &layouts)
{
    // A current file was read in full on the check connection a moment ago; an older one is
    // read in full once it has been upgraded.
    try {
        working.quickCheck();
        if (version != Schema::currentVersion) {
            migrate(working, version);
            working.quickCheck();
            layouts = readEveryRow(working);
            working.foreignKeyCheck();
        }
        return Schema::owedNotice(working);
    } catch (const NeedsRecovery &) {
        working.close();
        throw;
    } catch (const SQLiteFailure &failure) {
        working.close();
        if (isDamage(failure)) {
            throw NeedsRecovery{failure.described()};
        }
        throw StorageError::storageUnavailable(
            QStringLiteral("The open database could not be prepared. ") + failure.described());
    } catch (const StorageError &) {
        working.close();
        throw;
    } catch (...) {
        working.close();
        throw StorageError::migrationFailed(descriptionOf(std::current_exception()));
    }
}

std::unique_ptr<SQLiteDatabase> LayoutStore::openPreflight(const StorePaths &paths,
                                                           const StoreEnvironment &environment)
{
    try {
        return openConnection(paths.database, SQLiteOpenMode::readOnly,
                              SQLiteJournalPolicy::unchanged,
                              environment.preOpenBusyTimeoutMilliseconds);
    } catch (const SQLiteFailure &failure) {
        if (failure.primary == SQLITE_BUSY || failure.primary == SQLITE_LOCKED) {
            throw;
        }
    }
    return openConnection(paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged,
                          environment.preOpenBusyTimeoutMilliseconds);
}

StorageOpenResult LayoutStore::createEmptyDatabase(const StorePaths &paths,
                                                   std::optional<StorageNotice> notice,
                                                   const StoreEnvironment &environment)
{
    FileSystem &files = *environment.files;
    // A stale log or journal of an earlier file must never be applied to the new one.
    removeSidecars(paths.database);
    // The new file is made under a temporary name and takes the database's name only once its
    // schema is committed and on the disk, so a start cut short never leaves an empty or
    // half-made database behind, which the next start would have to take for damage.
    const QString temporary = temporaryPathFor(paths.database);
    const auto cleanUp = qScopeGuard([&] {
        files.unlink(temporary);
        removeSidecars(temporary);
    });
    {
        std::unique_ptr<SQLiteDatabase> fresh;
        try {
            fresh = openConnection(temporary, SQLiteOpenMode::readWriteCreate,
                                   SQLiteJournalPolicy::wal, environment.busyTimeoutMilliseconds);
        } catch (const SQLiteFailure &failure) {
            throw StorageError::storageUnavailable(failure.described());
        }
        try {
            migrate(*fresh, 0);
            fresh->quickCheck();
        } catch (...) {
            fresh->close();
            throw StorageError::migrationFailed(descriptionOf(std::current_exception()));
        }
        fresh->close();
    }
    flush(files, temporary);
    if (const int error = files.rename(temporary, paths.database); error != 0) {
        throw StorageError::storageUnavailable(errorText(error));
    }
    flush(files, paths.directory);

    std::unique_ptr<SQLiteDatabase> database;
    try {
        database = openConnection(paths.database, SQLiteOpenMode::readWrite,
                                  SQLiteJournalPolicy::wal, environment.busyTimeoutMilliseconds);
    } catch (const SQLiteFailure &failure) {
        throw StorageError::storageUnavailable(failure.described());
    }
    notice = completePendingResetBackup(*database, paths, notice, environment);
    auto store = std::make_unique<LayoutStore>(paths, notice, std::move(database), environment);
    return StorageOpenResult{std::move(store), notice, paths};
}

std::optional<StorageNotice> LayoutStore::adoptLegacyStorageIfNeeded(const StorePaths &paths,
                                                                     FileSystem &files)
{
    // Once a database exists the previous location is never looked at again.
    if (files.exists(paths.database)) {
        return std::nullopt;
    }
    const QDir previousFolder(
        QFileInfo(QDir::cleanPath(paths.directory)).dir().filePath(QStringLiteral("layouts")));
    const QString previousDatabase = previousFolder.filePath(QStringLiteral("layouts.sqlite"));
    if (!files.exists(previousDatabase)) {
        return std::nullopt;
    }

    // The shared-memory index describes a log as one process saw it; it is never carried over.
    QList<QPair<QString, QString>> copies{
        {previousDatabase, paths.database},
        {previousFolder.filePath(QStringLiteral("layouts.backup.sqlite")), paths.backup},
        {previousFolder.filePath(QStringLiteral("layouts.reset-pending")), paths.resetMarker},
    };
    for (const QString &suffix : StorePaths::sidecarSuffixes()) {
        if (suffix != QLatin1String("-shm")) {
            copies.append({previousDatabase + suffix, paths.database + suffix});
        }
    }

    QStringList copied;
    try {
        for (const auto &[source, destination] : std::as_const(copies)) {
            if (!files.exists(source) || files.exists(destination)) {
                continue;
            }
            copyDurably(files, source, destination);
            copied << destination;
        }
    } catch (...) {
        for (const QString &destination : std::as_const(copied)) {
            files.unlink(destination);
        }
        throw StorageError::storageUnavailable(
            QStringLiteral("Saved layouts from the previous app name could not be copied to ")
            + paths.directory + QStringLiteral(". ") + descriptionOf(std::current_exception()));
    }
    flush(files, paths.directory);
    return StorageNotice{
        QStringLiteral("Saved layouts copied to Ostrel"),
        QStringLiteral("Your saved layouts and backup were copied from the previous app name. "
                       "The old folder was left untouched."),
        QStringLiteral("Previous location: ") + previousFolder.path()};
}

} // namespace ostrel
