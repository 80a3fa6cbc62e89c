#pragma once

#include "model/AppExclusion.h"
#include "model/DisplaySnapshot.h"
#include "model/Layout.h"
#include "model/SerialExecutor.h"
#include "model/Shortcut.h"
#include "model/StorageNotice.h"
#include "model/StorePaths.h"
#include "model/WindowEntry.h"
#include "storage/StorageOpenResult.h"
#include "storage/StoreEnvironment.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace ostrel {

class SQLiteDatabase;

// The one owner of the layout database. It is an actor: its working connection is used only
// on its own serial executor, and every public operation returns a task that the main thread
// awaits. Each change of saved data is one immediate transaction that either changes
// everything it means to change or nothing; its failures are StorageError or SQLiteFailure.
class LayoutStore {
public:
    // Takes over the working connection, which from now on is used only on the store's own
    // executor. `notice` is what the open that built the store has to tell the user.
    LayoutStore(StorePaths paths, std::optional<StorageNotice> notice,
                std::unique_ptr<SQLiteDatabase> database, StoreEnvironment environment = {});
    ~LayoutStore();

    // Turns whatever lies in the storage folder into a working store: adopts the previous
    // location's files once, creates, checks, upgrades or recovers the database and finishes a
    // reset's pending backup. Synchronous and slow: run it off the main thread. Throws
    // StorageError.
    static StorageOpenResult open();
    static StorageOpenResult open(const StorePaths &paths, const StoreEnvironment &environment);

    const StorePaths &paths() const { return paths_; }
    const std::optional<StorageNotice> &notice() const { return notice_; }

    LayoutStore(const LayoutStore &) = delete;
    LayoutStore &operator=(const LayoutStore &) = delete;

    // --- Operations of the actor ---------------------------------------------------------

    QCoro::Task<QList<Layout>> loadLayouts();
    QCoro::Task<QList<AppExclusion>> loadExclusions();
    // Saves a capture as a new layout. The name is trimmed and cut to 120 characters.
    QCoro::Task<Layout> createLayout(QString name, QList<DisplaySnapshot> displays,
                                     QList<WindowEntry> entries, std::optional<Shortcut> shortcut);
    // Replaces a layout's displays and windows; true when this unlinked its automation
    // because the new displays form another setup than the one it was linked to.
    QCoro::Task<bool> replaceLayoutContent(QUuid id, QList<DisplaySnapshot> displays,
                                           QList<WindowEntry> entries);
    QCoro::Task<void> renameLayout(QUuid id, QString name);
    QCoro::Task<void> deleteLayout(QUuid id);
    QCoro::Task<void> removeEntry(QUuid layoutID, QUuid entryID);
    QCoro::Task<void> updateShortcut(QUuid id, std::optional<Shortcut> shortcut);
    QCoro::Task<void> updateAutomation(QUuid id, bool enabled, std::optional<QString> signature);
    // Links the layout to the given displays' setup and refreshes its saved displays from them.
    QCoro::Task<void> reassociateAutomation(QUuid id, QList<DisplaySnapshot> displays,
                                            QString signature);
    QCoro::Task<void> addExclusion(QString bundleID, QString appName);
    QCoro::Task<void> removeExclusion(QString bundleID);
    // Saves a verified copy of the database as the last-known-good backup and returns where.
    QCoro::Task<QString> backupNow();
    // Erases every layout and exclusion. Returns a warning when the data was cleared but what
    // protects the next start (verification, a fresh backup, removing the marker) fell short.
    QCoro::Task<std::optional<QString>> resetDatabase();

    // --- Synchronous pieces, for whoever owns a connection on its own thread -------------

    // Brings a database of an older schema version to the current one, one transaction per step;
    // a failing step leaves the file at the version it had before that step.
    static void migrate(SQLiteDatabase &database, int version);

    // Strict readers: the first damaged row fails the whole read with readFailed naming what
    // is wrong, so a damaged file is never shown half-read.
    static QList<Layout> loadLayouts(SQLiteDatabase &database);
    // As loadLayouts, for a check that only proves that every row reads and validates: it
    // keeps none of the values, and so costs no memory for them.
    static void checkLayouts(SQLiteDatabase &database);
    // The layouts read layout by layout, each with a statement for its displays and one for its
    // windows: the reading that names the first damaged row. loadLayouts gives the same for a
    // sound library with three statements in all (LibraryReader).
    static QList<Layout> loadLayoutsOneByOne(SQLiteDatabase &database);
    static QList<DisplaySnapshot> loadDisplays(SQLiteDatabase &database, const QUuid &layoutID);
    static QList<WindowEntry> loadEntries(SQLiteDatabase &database, const QUuid &layoutID,
                                          const QList<DisplaySnapshot> &displays);
    static QList<AppExclusion> loadExclusions(SQLiteDatabase &database);
    // A stored unsigned 32-bit field; anything outside the range is damage.
    static quint32 uint32(qint64 value, const QString &field);

    // Removes the write-ahead log, shared-memory index and rollback journal of a database
    // file; a missing file or a failed removal is ignored.
    static void removeSidecars(const QString &databasePath);

    // The working connection and the executor that alone may use it.
    SQLiteDatabase &database() { return *database_; }
    SerialExecutor &executor() { return executor_; }
    // Where "now" comes from; tests pin it.
    void setClock(std::function<QDateTime()> clock) { environment_.clock = std::move(clock); }

private:
    // "PRAGMA user_version;": the file's schema version, 0 when it has none.
    static int schemaVersion(SQLiteDatabase &database);

    // Opening.
    // Copies and temporaries that work cut short by a kill left in the folder.
    static void removeLeftovers(FileSystem &files, const StorePaths &paths);
    static StorageOpenResult openExisting(const StorePaths &paths,
                                          const std::optional<StorageNotice> &adoptionNotice,
                                          const StoreEnvironment &environment);
    // What the check of a file found: its schema version and, where it read them in full (a
    // file of the current version), its layouts.
    struct CheckedFile {
        int version = 0;
        std::optional<QList<Layout>> layouts;
    };
    // Checks the file in full on short-lived connections before anything writes to it, and
    // backs it up when its upgrade needs that.
    static CheckedFile checkBeforeOpening(const StorePaths &paths,
                                          const StoreEnvironment &environment);
    // The checks of a current file: the full integrity check and the references each on a
    // connection of its own where one opens, side by side with reading every row on `check`.
    // The outcome is decided afterwards in the order of the checks; the rows read are returned.
    static std::optional<QList<Layout>> checkCurrentFile(SQLiteDatabase &check,
                                                         const StorePaths &paths,
                                                         const StoreEnvironment &environment);
    // The short-lived connection and the schema version read on it.
    static std::pair<std::unique_ptr<SQLiteDatabase>, int>
    openCheckConnection(const StorePaths &paths, const StoreEnvironment &environment);
    // Upgrades and verifies the working connection's file; returns the notice an upgrade owes.
    static std::optional<StorageNotice>
    prepareWorkingConnection(SQLiteDatabase &working, int version,
                             std::optional<QList<Layout>> &layouts);
    static std::optional<StorageNotice> adoptLegacyStorageIfNeeded(const StorePaths &paths,
                                                                   FileSystem &files);
    static std::unique_ptr<SQLiteDatabase> openPreflight(const StorePaths &paths,
                                                         const StoreEnvironment &environment);
    static StorageOpenResult createEmptyDatabase(const StorePaths &paths,
                                                 std::optional<StorageNotice> notice,
                                                 const StoreEnvironment &environment);

    // Recovery of a damaged database.
    // The name of a recovery candidate begins with this; the folder's own file name prefix.
    static QString recoveryCandidatePrefix();
    static StorageOpenResult recover(const StorePaths &paths, const QString &reason,
                                     const StoreEnvironment &environment);
    // The backup's checked copy; a failure that is not a storage error already is told with
    // the reason the database needed recovery.
    static QString backupCandidate(const StorePaths &paths, const QString &reason,
                                   const StoreEnvironment &environment);
    static QString makeRecoveryCandidate(const StorePaths &paths,
                                         const StoreEnvironment &environment);
    // The checked copy takes the database's place; `installed` is set once it has, so that it
    // is no longer removed as a leftover.
    static StorageOpenResult installCandidate(const StorePaths &paths, const QString &candidate,
                                              bool &installed, const QString &preserved,
                                              const StoreEnvironment &environment);
    // No usable backup: an empty database in place of the damaged one.
    static StorageOpenResult startAfresh(const StorePaths &paths, bool resetPending,
                                         const QString &preserved,
                                         const StoreEnvironment &environment);
    static void preserveRecoverySet(FileSystem &files, const QString &fromBase,
                                    const QString &toBase);
    static QStringList recoverySetNames(FileSystem &files, const QString &base);
    static void removeActiveSet(FileSystem &files, const StorePaths &paths);
    static void restoreRecoverySet(FileSystem &files, const QString &fromBase,
                                   const QString &toBase);

    // Backups, durable writes and the reset marker.
    static void makeBackup(SQLiteDatabase &database, const QString &target,
                           const StoreEnvironment &environment);
    static void writeDurably(FileSystem &files, const QByteArray &data, const QString &target);
    static void beginResetMarker(const StorePaths &paths, const StoreEnvironment &environment);
    static void clearResetMarker(FileSystem &files, const StorePaths &paths);
    static StorageNotice incompleteResetNotice(const std::optional<StorageNotice> &notice,
                                               const QString &message, const QString &detail);
    static std::optional<StorageNotice>
    completePendingResetBackup(SQLiteDatabase &database, const StorePaths &paths,
                               const std::optional<StorageNotice> &notice,
                               const StoreEnvironment &environment);
    QString backupNowOnExecutor();
    std::optional<QString> resetDatabaseOnExecutor();
    std::optional<QString> resetDatabaseNow();

    static void validateForWrite(const QList<DisplaySnapshot> &displays,
                                 const QList<WindowEntry> &entries);
    void insertDisplays(const QList<DisplaySnapshot> &displays, const QUuid &layoutID);
    void insertEntries(const QList<WindowEntry> &entries, const QUuid &layoutID);
    // The moment of an edit, brought into the range every reader accepts.
    QDateTime now() const;
    bool layoutExists(const QUuid &id);
    // layoutNotFound unless the layout has a row.
    void requireLayout(const QUuid &id);
    bool layoutNameExists(const QString &name, const std::optional<QUuid> &excluding);

    Layout createLayoutNow(const QString &name, const QList<DisplaySnapshot> &displays,
                           const QList<WindowEntry> &entries,
                           const std::optional<Shortcut> &shortcut);
    bool replaceLayoutContentNow(const QUuid &id, const QList<DisplaySnapshot> &displays,
                                 const QList<WindowEntry> &entries);
    void renameLayoutNow(const QUuid &id, const QString &name);
    void deleteLayoutNow(const QUuid &id);
    void removeEntryNow(const QUuid &layoutID, const QUuid &entryID);
    void updateShortcutNow(const QUuid &id, const std::optional<Shortcut> &shortcut);
    void updateAutomationNow(const QUuid &id, bool enabled,
                             const std::optional<QString> &signature);
    void reassociateAutomationNow(const QUuid &id, const QList<DisplaySnapshot> &displays,
                                  const QString &signature);
    void addExclusionNow(const QString &bundleID, const QString &appName);
    void removeExclusionNow(const QString &bundleID);

    // The layouts as the opening read them, for the first load, while the file has not
    // changed since; the change mark of the working connection tells.
    void keepLayoutsRead(QList<Layout> layouts);
    std::optional<QList<Layout>> takeLayoutsRead();

    const StorePaths paths_;
    const std::optional<StorageNotice> notice_;
    std::unique_ptr<SQLiteDatabase> database_;
    struct LayoutsRead {
        QList<Layout> layouts;
        std::pair<qint64, qint64> mark;
    };
    std::optional<LayoutsRead> layoutsRead_;
    StoreEnvironment environment_;
    // Declared last so that it is destroyed first: it waits for the operations already
    // submitted, which still use the connection.
    SerialExecutor executor_;
};

} // namespace ostrel
