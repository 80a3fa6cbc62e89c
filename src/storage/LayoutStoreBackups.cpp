#include "storage/LayoutStore.h"

#include "model/StorageError.h"
#include "storage/ErrorDescription.h"
#include "storage/ImmediateTransaction.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"
#include "storage/Schema.h"
#include "storage/StorageLog.h"
#include "storage/TemporaryFiles.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <fcntl.h>
#include <system_error>

namespace ostrel {

namespace {

[[noreturn]] void throwSystemError(int error)
{
    throw std::system_error(error, std::generic_category());
}

QString warnAfterReset(const QString &warning)
{
    qCWarning(storageLog).noquote() << "The reset cleared the data, but:" << warning;
    return warning;
}

// Asks the disk to hold what was written to the file; unlike flush(), a refusal is an error:
// a copy that may not be on the disk must not replace one that is.
int flushOrFail(FileSystem &files, const QString &path)
{
    int descriptor = -1;
    if (const int error = files.open(path, O_RDONLY, descriptor); error != 0) {
        return error;
    }
    const int synced = files.fsync(descriptor);
    const int closed = files.close(descriptor);
    return synced != 0 ? synced : closed;
}

} // namespace

void LayoutStore::makeBackup(SQLiteDatabase &database, const QString &target,
                             const StoreEnvironment &environment)
{
    FileSystem &files = *environment.files;
    const QString folder = QFileInfo(target).absolutePath();
    // Copies that an interrupted earlier backup left behind.
    removeStaleTemporaries(files, target);
    removeSidecars(target);

    const QString temporary = temporaryPathFor(target);
    const auto cleanUp = qScopeGuard([&] {
        files.unlink(temporary);
        removeSidecars(temporary);
    });
    database.backup(temporary);
    {
        std::unique_ptr<SQLiteDatabase> copy;
        try {
            copy = std::make_unique<SQLiteDatabase>(temporary, SQLiteOpenMode::readWrite,
                                                    SQLiteJournalPolicy::unchanged,
                                                    environment.busyTimeoutMilliseconds);
        } catch (...) {
            throw StorageError::backupFailed(descriptionOf(std::current_exception()));
        }
        // Only a copy that this version can read back in full may replace the previous one;
        // it is kept in rollback-journal mode so that it is one self-contained file.
        try {
            copy->integrityCheck();
            copy->foreignKeyCheck();
            const int version = schemaVersion(*copy);
            if (Schema::isNewer(version)) {
                throw StorageError::futureSchema(version, temporary);
            }
            copy->execute(QStringLiteral("PRAGMA journal_mode = DELETE;"));
            copy->quickCheck();
        } catch (...) {
            copy->close();
            throw StorageError::backupFailed(descriptionOf(std::current_exception()));
        }
        copy->close();
    }
    removeSidecars(temporary);
    if (const int error = flushOrFail(files, temporary); error != 0) {
        throw StorageError::backupFailed(
            QStringLiteral("The backup copy could not be written to the disk: ")
            + errorText(error));
    }
    // The previous backup is replaced as a whole or not at all.
    if (const int error = files.rename(temporary, target); error != 0) {
        throw StorageError::backupFailed(
            QStringLiteral("Backup update failed. Previous backup kept. ") + errorText(error));
    }
    removeSidecars(target);
    flush(files, folder);
}

void LayoutStore::writeDurably(FileSystem &files, const QByteArray &data, const QString &target)
{
    const QString temporary = temporaryPathFor(target);
    const auto cleanUp = qScopeGuard([&] { files.unlink(temporary); });
    int descriptor = -1;
    if (files.open(temporary, O_WRONLY | O_CREAT | O_EXCL, descriptor) != 0) {
        throw StorageError::writeFailed(QStringLiteral("The reset marker could not be created."));
    }
    int error = files.write(descriptor, data);
    if (error == 0) {
        error = files.fsync(descriptor);
    }
    if (error != 0) {
        files.close(descriptor);
        throwSystemError(error);
    }
    if (const int closed = files.close(descriptor); closed != 0) {
        throwSystemError(closed);
    }
    if (const int renamed = files.rename(temporary, target); renamed != 0) {
        throwSystemError(renamed);
    }
    flush(files, QFileInfo(target).absolutePath());
}

void LayoutStore::beginResetMarker(const StorePaths &paths, const StoreEnvironment &environment)
{
    // Only its existence matters; the text is for a person looking into the folder.
    const QString text =
        QStringLiteral("Automatic recovery is paused until a backup of the reset database is "
                       "saved.\nReset started: ")
        + environment.clock().toUTC().toString(Qt::ISODate);
    writeDurably(*environment.files, text.toUtf8(), paths.resetMarker);
}

void LayoutStore::clearResetMarker(FileSystem &files, const StorePaths &paths)
{
    if (!files.exists(paths.resetMarker)) {
        return;
    }
    if (const int error = files.unlink(paths.resetMarker); error != 0) {
        throw StorageError::writeFailed(QStringLiteral("The reset marker could not be removed: ")
                                        + errorText(error));
    }
    flush(files, paths.directory);
}

StorageNotice LayoutStore::incompleteResetNotice(const std::optional<StorageNotice> &notice,
                                                 const QString &message, const QString &detail)
{
    const QString report = message + QLatin1Char(' ') + detail;
    if (!notice) {
        return StorageNotice{QStringLiteral("Backup protection paused"), message, detail};
    }
    StorageNotice result = *notice;
    result.details = notice->details ? *notice->details + QStringLiteral("\n\n") + report : report;
    return result;
}

std::optional<StorageNotice>
LayoutStore::completePendingResetBackup(SQLiteDatabase &database, const StorePaths &paths,
                                        const std::optional<StorageNotice> &notice,
                                        const StoreEnvironment &environment)
{
    if (!environment.files->exists(paths.resetMarker)) {
        return notice;
    }
    try {
        makeBackup(database, paths.backup, environment);
    } catch (...) {
        // The marker stays, so automatic recovery stays paused until a backup succeeds.
        return incompleteResetNotice(
            notice,
            QStringLiteral("Saved data is available, but a clean backup couldn’t be saved. Older "
                           "backups won’t be restored automatically."),
            QStringLiteral("The next launch will try again. ")
                + descriptionOf(std::current_exception()));
    }
    try {
        clearResetMarker(*environment.files, paths);
    } catch (...) {
        return incompleteResetNotice(
            notice,
            QStringLiteral("A clean backup was saved, but reset cleanup couldn’t finish. Restart "
                           "Ostrel to finish."),
            descriptionOf(std::current_exception()));
    }
    return notice;
}

QString LayoutStore::backupNowOnExecutor()
{
    try {
        try {
            makeBackup(*database_, paths_.backup, environment_);
        } catch (const StorageError &) {
            throw;
        } catch (...) {
            throw StorageError::backupFailed(descriptionOf(std::current_exception()));
        }
    } catch (const StorageError &error) {
        qCWarning(storageLog).noquote() << "The backup failed:" << error.errorDescription();
        throw;
    }
    // A saved backup ends a pending reset; a marker that will not go only pauses recovery.
    try {
        clearResetMarker(*environment_.files, paths_);
    } catch (...) {
        qCWarning(storageLog).noquote()
            << "The backup was saved, but the marker of an unfinished reset could not be "
               "removed, so automatic recovery stays paused:"
            << descriptionOf(std::current_exception());
    }
    return paths_.backup;
}

std::optional<QString> LayoutStore::resetDatabaseOnExecutor()
{
    try {
        return resetDatabaseNow();
    } catch (const StorageError &error) {
        qCWarning(storageLog).noquote() << "The reset failed:" << error.errorDescription();
        throw;
    }
}

std::optional<QString> LayoutStore::resetDatabaseNow()
{
    FileSystem &files = *environment_.files;
    // A marker that an earlier reset left (its data is gone, its backup was never replaced)
    // still protects against that backup, whatever becomes of this reset.
    const bool earlierResetPending = files.exists(paths_.resetMarker);
    try {
        beginResetMarker(paths_, environment_);
    } catch (...) {
        throw StorageError::resetFailed(
            QStringLiteral("A safe reset could not be started. Nothing was deleted. ")
            + descriptionOf(std::current_exception()));
    }

    try {
        inImmediateTransaction(*database_, [this] {
            database_->execute(QStringLiteral("DELETE FROM windows;"));
            database_->execute(QStringLiteral("DELETE FROM displays;"));
            database_->execute(QStringLiteral("DELETE FROM layouts;"));
            database_->execute(QStringLiteral("DELETE FROM exclusions;"));
        });
    } catch (...) {
        // Nothing was deleted: back up the unchanged data and take the marker away again.
        const std::exception_ptr error = std::current_exception();
        completePendingResetBackup(*database_, paths_, std::nullopt, environment_);
        // Without a fresh backup the marker must still go: it would keep the backup, which holds
        // nothing the user asked to erase, from ever being restored. On a full disk the backup
        // fails just as the deletes did.
        if (!earlierResetPending) {
            try {
                clearResetMarker(files, paths_);
            } catch (...) {
                qCWarning(storageLog).noquote()
                    << "The marker of a reset that removed nothing stays:"
                    << descriptionOf(std::current_exception());
            }
        }
        try {
            std::rethrow_exception(error);
        } catch (const SQLiteFailure &failure) {
            throw StorageError::resetFailed(failure.described());
        } catch (const StorageError &) {
            throw;
        } catch (...) {
            throw StorageError::resetFailed(descriptionOf(error));
        }
    }

    // From here on the data is gone; what fails only weakens the protection of the next start.
    try {
        database_->integrityCheck();
        database_->foreignKeyCheck();
        checkLayouts(*database_);
        loadExclusions(*database_);
        database_->foreignKeyCheck();
    } catch (...) {
        return warnAfterReset(
            QStringLiteral("Data cleared, but the database couldn’t be verified. Older backups "
                           "won’t be used for automatic recovery. ")
            + descriptionOf(std::current_exception()));
    }
    try {
        makeBackup(*database_, paths_.backup, environment_);
    } catch (...) {
        return warnAfterReset(
            QStringLiteral("Data cleared, but a clean backup couldn’t be saved, so older "
                           "backups won’t be used for automatic recovery. ")
            + descriptionOf(std::current_exception()));
    }
    try {
        clearResetMarker(*environment_.files, paths_);
    } catch (...) {
        return warnAfterReset(
            QStringLiteral("Data cleared and a clean backup was saved, but reset cleanup "
                           "couldn’t finish. Restart Ostrel to finish. ")
            + descriptionOf(std::current_exception()));
    }
    return std::nullopt;
}

} // namespace ostrel
