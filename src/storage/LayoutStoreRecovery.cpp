#include "storage/LayoutStore.h"

#include "model/StorageError.h"
#include "storage/DatabaseHeader.h"
#include "storage/ErrorDescription.h"
#include "storage/RecoveryFileLock.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"
#include "storage/Schema.h"
#include "storage/StorageLog.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUuid>

#include <algorithm>
#include <system_error>

namespace ostrel {

namespace {

// A database file and its side files: the file itself first, then its log, shared-memory index
// and journal.
QStringList recoverySuffixes()
{
    return QStringList{QString()} + StorePaths::sidecarSuffixes();
}

// The stamp of a kept set: the moment in UTC with milliseconds, without the colons and full
// stops that do not belong in a file name (2026-03-04T05-06-07-089Z).
QString recoveryStamp(const QDateTime &now)
{
    QString stamp = now.toUTC().toString(Qt::ISODateWithMs);
    stamp.replace(QLatin1Char(':'), QLatin1Char('-'));
    stamp.replace(QLatin1Char('.'), QLatin1Char('-'));
    return stamp;
}

// Where the damaged set is kept: its own names under a stamped base, beside the database. A
// set kept earlier is never written over, not even by a recovery in the same millisecond (a
// clock set back, or two starts in a row on a file that keeps failing): the base then takes a
// number, "Ostrel.corrupt-<stamp>-2.sqlite".
QString keptSetBase(FileSystem &files, const StorePaths &paths, const QDateTime &now)
{
    const QDir folder(paths.directory);
    const QString stamp = QStringLiteral("Ostrel.corrupt-") + recoveryStamp(now);
    for (int number = 1;; ++number) {
        const QString base =
            folder.filePath(stamp + (number == 1 ? QString() : QStringLiteral("-%1").arg(number))
                            + QStringLiteral(".sqlite"));
        const QStringList suffixes = recoverySuffixes();
        if (std::none_of(suffixes.begin(), suffixes.end(),
                         [&](const QString &suffix) { return files.exists(base + suffix); })) {
            return base;
        }
    }
}

} // namespace

QString LayoutStore::recoveryCandidatePrefix()
{
    return QStringLiteral("Ostrel.backup-candidate-");
}

StorageOpenResult LayoutStore::recover(const StorePaths &paths, const QString &reason,
                                       const StoreEnvironment &environment)
{
    FileSystem &files = *environment.files;
    // While a reset is pending the backup may still hold what the user asked to erase.
    const bool resetPending = files.exists(paths.resetMarker);

    QString candidate;
    bool installed = false;
    const auto removeCandidate = qScopeGuard([&] {
        if (candidate.isEmpty()) {
            return;
        }
        if (!installed) {
            files.unlink(candidate);
        }
        removeSidecars(candidate);
    });
    if (!resetPending && files.exists(paths.backup)) {
        candidate = backupCandidate(paths, reason, environment);
    }

    const QString base = keptSetBase(files, paths, environment.clock());
    RecoveryFileLock lock(files, paths);
    preserveRecoverySet(files, paths.database, base);
    const QString kept = recoverySetNames(files, base).join(QStringLiteral(", "));
    const QString preserved = QStringLiteral("Preserved files: ") + kept + QStringLiteral(".");
    qCWarning(storageLog).noquote()
        << "The database" << paths.database << "could not be used:" << reason
        << "It is kept aside as" << kept;

    StorageOpenResult result;
    try {
        result = candidate.isEmpty()
            ? startAfresh(paths, resetPending, preserved, environment)
            : installCandidate(paths, candidate, installed, preserved, environment);
    } catch (...) {
        const QString description = descriptionOf(std::current_exception());
        restoreRecoverySet(files, base, paths.database);
        lock.release();
        qCWarning(storageLog).noquote()
            << "Recovery failed, the original files are back in place:" << description;
        throw StorageError::recoveryFailed(
            reason + QStringLiteral(" The replacement could not be installed: ") + description
            + QStringLiteral(" The original files are preserved as ") + kept + QStringLiteral("."));
    }
    lock.release();
    if (candidate.isEmpty()) {
        qCWarning(storageLog, "Recovered by starting with an empty database.");
    } else {
        qCWarning(storageLog).noquote() << "Recovered from the backup" << paths.backup;
    }
    return result;
}

QString LayoutStore::backupCandidate(const StorePaths &paths, const QString &reason,
                                     const StoreEnvironment &environment)
{
    try {
        return makeRecoveryCandidate(paths, environment);
    } catch (const StorageError &) {
        throw;
    } catch (...) {
        throw StorageError::recoveryFailed(
            reason + QStringLiteral(" The backup at ") + paths.backup
            + QStringLiteral(" could not be used: ") + descriptionOf(std::current_exception())
            + QStringLiteral(" The original database was left in place."));
    }
}

StorageOpenResult LayoutStore::installCandidate(const StorePaths &paths, const QString &candidate,
                                                bool &installed, const QString &preserved,
                                                const StoreEnvironment &environment)
{
    FileSystem &files = *environment.files;
    // The damaged file stays reachable through its kept link, so the copy replaces it in one
    // rename: the folder never lacks a database while a good backup exists. Its side files go
    // first (they are kept too) so that no log of the damaged file is ever applied to the copy.
    removeSidecars(paths.database);
    if (const int error = files.rename(candidate, paths.database); error != 0) {
        throw std::system_error(error, std::generic_category());
    }
    installed = true;
    removeSidecars(paths.database);
    flush(files, paths.directory);
    auto working = std::make_unique<SQLiteDatabase>(paths.database, SQLiteOpenMode::readWrite,
                                                    SQLiteJournalPolicy::wal,
                                                    environment.busyTimeoutMilliseconds);
    working->quickCheck();
    // Already at the current version and verified: no upgrade or reset backup here.
    const StorageNotice notice{
        QStringLiteral("Your layouts are back"),
        QStringLiteral("Saved layouts were restored from the last backup. The damaged "
                       "copy is kept for recovery."),
        preserved};
    return StorageOpenResult{
        std::make_unique<LayoutStore>(paths, notice, std::move(working), environment), notice,
        paths};
}

StorageOpenResult LayoutStore::startAfresh(const StorePaths &paths, bool resetPending,
                                           const QString &preserved,
                                           const StoreEnvironment &environment)
{
    removeActiveSet(*environment.files, paths);
    const QString message = resetPending
        ? QStringLiteral("Ostrel couldn’t open the previous data, so it created a fresh, "
                         "empty library. The backup from before the last reset was not "
                         "restored.")
        : QStringLiteral("Ostrel couldn’t open the previous data, so it created a fresh, "
                         "empty library. The original files were kept.");
    return createEmptyDatabase(
        paths, StorageNotice{QStringLiteral("Starting with a clean slate"), message, preserved},
        environment);
}

QString LayoutStore::makeRecoveryCandidate(const StorePaths &paths,
                                           const StoreEnvironment &environment)
{
    FileSystem &files = *environment.files;
    const QString candidate =
        QDir(paths.directory)
            .filePath(recoveryCandidatePrefix()
                      + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
                      + QStringLiteral(".sqlite"));
    if (const int error = files.copy(paths.backup, candidate); error != 0) {
        files.unlink(candidate);
        throw StorageError::recoveryFailed(QStringLiteral("The backup could not be copied: ")
                                           + errorText(error));
    }

    std::unique_ptr<SQLiteDatabase> database;
    const auto discard = [&] {
        if (database) {
            database->close();
        }
        files.unlink(candidate);
        removeSidecars(candidate);
    };
    // Read before any connection holds locks on the copy.
    if (const std::optional<SQLiteFailure> damage = DatabaseHeader::damage(candidate)) {
        discard();
        throw *damage;
    }
    try {
        database = std::make_unique<SQLiteDatabase>(candidate, SQLiteOpenMode::readWrite,
                                                    SQLiteJournalPolicy::unchanged,
                                                    environment.busyTimeoutMilliseconds);
    } catch (...) {
        discard();
        throw StorageError::recoveryFailed(QStringLiteral("The backup could not be opened: ")
                                           + descriptionOf(std::current_exception()));
    }
    try {
        database->integrityCheck();
        database->foreignKeyCheck();
        const int version = schemaVersion(*database);
        Schema::requirePlausibleVersion(version);
        if (Schema::isNewer(version)) {
            throw StorageError::futureSchema(version, paths.backup);
        }
        // An empty backup, or one that is no layout database, would otherwise be installed as
        // an empty library in place of the damaged one.
        Schema::requireLayoutDatabase(*database, version);
        // Only the copy is upgraded; the backup keeps its version.
        migrate(*database, version);
        checkLayouts(*database);
        loadExclusions(*database);
        database->foreignKeyCheck();
        database->execute(QStringLiteral("PRAGMA journal_mode = DELETE;"));
        database->quickCheck();
        database->foreignKeyCheck();
    } catch (...) {
        discard();
        throw;
    }
    database->close();
    removeSidecars(candidate);
    flush(files, candidate);
    return candidate;
}

void LayoutStore::preserveRecoverySet(FileSystem &files, const QString &fromBase,
                                      const QString &toBase)
{
    // Hard links, never copies or moves: the kept names share the damaged files' contents, and
    // the active names are untouched until everything is kept.
    QStringList made;
    for (const QString &suffix : recoverySuffixes()) {
        const QString source = fromBase + suffix;
        if (!files.exists(source)) {
            continue;
        }
        const QString destination = toBase + suffix;
        if (const int error = files.link(source, destination); error != 0) {
            for (const QString &link : std::as_const(made)) {
                files.unlink(link);
            }
            throw StorageError::recoveryFailed(
                QStringLiteral("The damaged database could not be preserved: ") + errorText(error)
                + QStringLiteral(". No active files were changed."));
        }
        made << destination;
    }
}

QStringList LayoutStore::recoverySetNames(FileSystem &files, const QString &base)
{
    QStringList names;
    const QString name = QFileInfo(base).fileName();
    for (const QString &suffix : recoverySuffixes()) {
        if (files.exists(base + suffix)) {
            names << name + suffix;
        }
    }
    return names;
}

void LayoutStore::removeActiveSet(FileSystem &files, const StorePaths &paths)
{
    if (files.exists(paths.database)) {
        if (const int error = files.unlink(paths.database); error != 0) {
            throw StorageError::recoveryFailed(
                QStringLiteral("The damaged database could not be moved aside: ") + errorText(error)
                + QStringLiteral(". No active files were changed."));
        }
    }
    removeSidecars(paths.database);
}

void LayoutStore::restoreRecoverySet(FileSystem &files, const QString &fromBase,
                                     const QString &toBase)
{
    if (files.exists(toBase)) {
        files.unlink(toBase);
    }
    removeSidecars(toBase);
    for (const QString &suffix : recoverySuffixes()) {
        if (files.exists(fromBase + suffix)) {
            files.link(fromBase + suffix, toBase + suffix);
        }
    }
}

} // namespace ostrel
