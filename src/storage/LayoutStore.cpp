#include "storage/LayoutStore.h"

#include "model/StorageError.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"
#include "storage/Schema.h"

#include <QFile>

#include <utility>

namespace ostrel {

namespace {

// What the user sees of a refusal of the database itself is the fixed sentence of the kind of
// work that failed, followed by a plain cause: "Couldn’t save changes. The disk is full (…)."
// rather than SQLite's bare "database or disk is full".
template <class Work>
auto asWrite(Work &&work) -> decltype(work())
{
    try {
        return work();
    } catch (const SQLiteFailure &failure) {
        throw StorageError::writeFailed(failure.described());
    }
}

template <class Work>
auto asRead(Work &&work) -> decltype(work())
{
    try {
        return work();
    } catch (const SQLiteFailure &failure) {
        throw StorageError::readFailed(failure.described());
    }
}

} // namespace

LayoutStore::LayoutStore(StorePaths paths, std::optional<StorageNotice> notice,
                         std::unique_ptr<SQLiteDatabase> database, StoreEnvironment environment)
    : paths_(std::move(paths))
    , notice_(std::move(notice))
    , database_(std::move(database))
    , environment_(std::move(environment))
    , executor_(QStringLiteral("LayoutStore"))
{
}

LayoutStore::~LayoutStore() = default;

void LayoutStore::migrate(SQLiteDatabase &database, int version)
{
    Schema::upgrade(database, version);
}

void LayoutStore::removeSidecars(const QString &databasePath)
{
    for (const QString &suffix : StorePaths::sidecarSuffixes()) {
        QFile::remove(databasePath + suffix);
    }
}

// Each operation copies its arguments into the work it hands to the executor, so nothing the
// caller owns is touched off the main thread.

QCoro::Task<QList<Layout>> LayoutStore::loadLayouts()
{
    return executor_.run([this] {
        return asRead([this] {
            if (std::optional<QList<Layout>> layouts = takeLayoutsRead()) {
                return *std::move(layouts);
            }
            return loadLayouts(*database_);
        });
    });
}

void LayoutStore::keepLayoutsRead(QList<Layout> layouts)
{
    try {
        layoutsRead_ = LayoutsRead{std::move(layouts), database_->changeMark()};
    } catch (...) {
        // The first load then reads them again.
    }
}

std::optional<QList<Layout>> LayoutStore::takeLayoutsRead()
{
    // Only once: later loads follow edits, which are read where they were made.
    std::optional<LayoutsRead> kept = std::exchange(layoutsRead_, std::nullopt);
    if (!kept || database_->changeMark() != kept->mark) {
        return std::nullopt;
    }
    return std::move(kept->layouts);
}

QCoro::Task<QList<AppExclusion>> LayoutStore::loadExclusions()
{
    return executor_.run([this] { return asRead([this] { return loadExclusions(*database_); }); });
}

QCoro::Task<Layout> LayoutStore::createLayout(QString name, QList<DisplaySnapshot> displays,
                                              QList<WindowEntry> entries,
                                              std::optional<Shortcut> shortcut)
{
    return executor_.run([this, name = std::move(name), displays = std::move(displays),
                          entries = std::move(entries), shortcut] {
        return asWrite([&] { return createLayoutNow(name, displays, entries, shortcut); });
    });
}

QCoro::Task<bool> LayoutStore::replaceLayoutContent(QUuid id, QList<DisplaySnapshot> displays,
                                                    QList<WindowEntry> entries)
{
    return executor_.run([this, id, displays = std::move(displays), entries = std::move(entries)] {
        return asWrite([&] { return replaceLayoutContentNow(id, displays, entries); });
    });
}

QCoro::Task<void> LayoutStore::renameLayout(QUuid id, QString name)
{
    return executor_.run(
        [this, id, name = std::move(name)] { asWrite([&] { renameLayoutNow(id, name); }); });
}

QCoro::Task<void> LayoutStore::deleteLayout(QUuid id)
{
    return executor_.run([this, id] { asWrite([&] { deleteLayoutNow(id); }); });
}

QCoro::Task<void> LayoutStore::removeEntry(QUuid layoutID, QUuid entryID)
{
    return executor_.run(
        [this, layoutID, entryID] { asWrite([&] { removeEntryNow(layoutID, entryID); }); });
}

QCoro::Task<void> LayoutStore::updateShortcut(QUuid id, std::optional<Shortcut> shortcut)
{
    return executor_.run(
        [this, id, shortcut] { asWrite([&] { updateShortcutNow(id, shortcut); }); });
}

QCoro::Task<void> LayoutStore::updateAutomation(QUuid id, bool enabled,
                                                std::optional<QString> signature)
{
    return executor_.run([this, id, enabled, signature = std::move(signature)] {
        asWrite([&] { updateAutomationNow(id, enabled, signature); });
    });
}

QCoro::Task<void> LayoutStore::reassociateAutomation(QUuid id, QList<DisplaySnapshot> displays,
                                                     QString signature)
{
    return executor_.run(
        [this, id, displays = std::move(displays), signature = std::move(signature)] {
            asWrite([&] { reassociateAutomationNow(id, displays, signature); });
        });
}

QCoro::Task<void> LayoutStore::addExclusion(QString bundleID, QString appName)
{
    return executor_.run([this, bundleID = std::move(bundleID), appName = std::move(appName)] {
        asWrite([&] { addExclusionNow(bundleID, appName); });
    });
}

QCoro::Task<void> LayoutStore::removeExclusion(QString bundleID)
{
    return executor_.run(
        [this, bundleID = std::move(bundleID)] { asWrite([&] { removeExclusionNow(bundleID); }); });
}

QCoro::Task<QString> LayoutStore::backupNow()
{
    return executor_.run([this] { return backupNowOnExecutor(); });
}

QCoro::Task<std::optional<QString>> LayoutStore::resetDatabase()
{
    return executor_.run([this] { return resetDatabaseOnExecutor(); });
}

} // namespace ostrel
