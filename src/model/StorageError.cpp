#include "model/StorageError.h"

#include <utility>

namespace ostrel {

StorageError::StorageError(Kind kind, QString detail, qint64 version)
    : kind_(kind)
    , detail_(std::move(detail))
    , version_(version)
{
    what_ = errorDescription().toUtf8();
}

StorageError StorageError::openFailed(const QString &detail)
{
    return {Kind::openFailed, detail};
}
StorageError StorageError::storageUnavailable(const QString &detail)
{
    return {Kind::storageUnavailable, detail};
}
StorageError StorageError::corrupted(const QString &detail)
{
    return {Kind::corrupted, detail};
}
StorageError StorageError::readFailed(const QString &detail)
{
    return {Kind::readFailed, detail};
}
StorageError StorageError::writeFailed(const QString &detail)
{
    return {Kind::writeFailed, detail};
}
StorageError StorageError::futureSchema(qint64 version, const QString &databasePath)
{
    return {Kind::futureSchema, databasePath, version};
}
StorageError StorageError::migrationFailed(const QString &detail)
{
    return {Kind::migrationFailed, detail};
}
StorageError StorageError::backupFailed(const QString &detail)
{
    return {Kind::backupFailed, detail};
}
StorageError StorageError::recoveryFailed(const QString &detail)
{
    return {Kind::recoveryFailed, detail};
}
StorageError StorageError::resetFailed(const QString &detail)
{
    return {Kind::resetFailed, detail};
}
StorageError StorageError::duplicateName(const QString &name)
{
    return {Kind::duplicateName, name};
}
StorageError StorageError::invalidName()
{
    return {Kind::invalidName, {}};
}
StorageError StorageError::emptyLayout()
{
    return {Kind::emptyLayout, {}};
}
StorageError StorageError::lastEntry()
{
    return {Kind::lastEntry, {}};
}
StorageError StorageError::entryNotFound()
{
    return {Kind::entryNotFound, {}};
}
StorageError StorageError::layoutNotFound()
{
    return {Kind::layoutNotFound, {}};
}

QString StorageError::errorDescription() const
{
    switch (kind_) {
    case Kind::openFailed:
        return QStringLiteral("Couldn’t open the database. ") + detail_;
    case Kind::storageUnavailable:
        return QStringLiteral("Storage is unavailable. ") + detail_;
    case Kind::corrupted:
        return QStringLiteral("The database is damaged. ") + detail_;
    case Kind::readFailed:
        return QStringLiteral("Couldn’t read saved layouts. ") + detail_;
    case Kind::writeFailed:
        return QStringLiteral("Couldn’t save changes. ") + detail_;
    case Kind::futureSchema:
        return QStringLiteral("Update Ostrel for database version ") + QString::number(version_)
            + QStringLiteral(". File unchanged: ") + detail_ + QStringLiteral(".");
    case Kind::migrationFailed:
        return QStringLiteral("Couldn’t upgrade the database. Original file kept. ") + detail_;
    case Kind::backupFailed:
        return QStringLiteral("Couldn’t create a backup. ") + detail_;
    case Kind::recoveryFailed:
        return QStringLiteral("Couldn’t recover the database. ") + detail_;
    case Kind::resetFailed:
        return QStringLiteral("Reset failed. No saved data removed. ") + detail_;
    case Kind::duplicateName:
        return QStringLiteral("A layout named “") + detail_ + QStringLiteral("” already exists.");
    case Kind::invalidName:
        return QStringLiteral("Enter a layout name.");
    case Kind::emptyLayout:
        return QStringLiteral("A layout needs at least one window.");
    case Kind::lastEntry:
        return QStringLiteral("Keep one window, or delete the layout.");
    case Kind::entryNotFound:
        return QStringLiteral("That saved window is no longer part of the layout.");
    case Kind::layoutNotFound:
        return QStringLiteral("That layout is no longer available.");
    }
    return {};
}

QString StorageError::recoverySuggestion() const
{
    switch (kind_) {
    case Kind::openFailed:
    case Kind::storageUnavailable:
        return QStringLiteral("Check that the storage folder is available and there is enough "
                              "disk space, then try again.");
    case Kind::corrupted:
    case Kind::recoveryFailed:
        return QStringLiteral(
            "Ostrel kept the original files. Reveal the storage folder to inspect them.");
    case Kind::futureSchema:
        return QStringLiteral("Update Ostrel to continue. Your saved data is unchanged.");
    case Kind::migrationFailed:
        return QStringLiteral("Your original file was kept. Check storage, then try again.");
    default:
        return QStringLiteral("Try again. If it keeps happening, reveal the storage folder.");
    }
}

} // namespace ostrel
