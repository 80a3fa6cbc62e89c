#include "storage/LayoutStore.h"

#include "model/StorageError.h"
#include "model/Topology.h"
#include "storage/ImmediateTransaction.h"
#include "storage/LayoutName.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteStatement.h"
#include "storage/StoredValues.h"

#include <sqlite3.h>

namespace ostrel {

namespace {

QString normalizedName(const QString &requested)
{
    const std::optional<QString> name = LayoutName::normalized(requested);
    if (!name) {
        throw StorageError::invalidName();
    }
    return *name;
}

// A shortcut that the loader would refuse must never reach the file: one such row would make
// every later read of the store fail.
void checkStorable(const std::optional<Shortcut> &shortcut)
{
    if (shortcut && !StoredValues::isStorable(*shortcut)) {
        throw StorageError::writeFailed(
            QStringLiteral("A layout shortcut is outside the supported range."));
    }
}

void bindShortcut(SQLiteStatement &statement, int first, const std::optional<Shortcut> &shortcut)
{
    if (shortcut) {
        statement.bindInt64(first, shortcut->keyCode);
        statement.bindInt64(first + 1, shortcut->modifiers);
    } else {
        statement.bind(first, std::nullopt);
        statement.bind(first + 1, std::nullopt);
    }
}

// Runs a statement that takes the layout's identifier as its only parameter.
void runForLayout(SQLiteDatabase &database, const char *sql, const QString &layoutText)
{
    SQLiteStatement statement(database, sql);
    statement.bind(1, layoutText);
    statement.step();
}

void touch(SQLiteDatabase &database, const QString &layoutText, double now)
{
    SQLiteStatement statement(database, "UPDATE layouts SET updated_at = ? WHERE id = ?");
    statement.bindDouble(1, now);
    statement.bind(2, layoutText);
    statement.step();
}

} // namespace

QDateTime LayoutStore::now() const
{
    return StoredValues::storableMoment(environment_.clock());
}

bool LayoutStore::layoutExists(const QUuid &id)
{
    SQLiteStatement statement(*database_, "SELECT 1 FROM layouts WHERE id = ? LIMIT 1");
    statement.bind(1, StoredValues::identifierText(id));
    return statement.step();
}

void LayoutStore::requireLayout(const QUuid &id)
{
    if (!layoutExists(id)) {
        throw StorageError::layoutNotFound();
    }
}

bool LayoutStore::layoutNameExists(const QString &name, const std::optional<QUuid> &excluding)
{
    if (!excluding) {
        SQLiteStatement statement(*database_,
                                  "SELECT 1 FROM layouts WHERE name = ? COLLATE NOCASE LIMIT 1");
        statement.bind(1, name);
        return statement.step();
    }
    SQLiteStatement statement(
        *database_, "SELECT 1 FROM layouts WHERE name = ? COLLATE NOCASE AND id != ? LIMIT 1");
    statement.bind(1, name);
    statement.bind(2, StoredValues::identifierText(*excluding));
    return statement.step();
}

Layout LayoutStore::createLayoutNow(const QString &requestedName,
                                    const QList<DisplaySnapshot> &displays,
                                    const QList<WindowEntry> &entries,
                                    const std::optional<Shortcut> &shortcut)
{
    const QString name = normalizedName(requestedName);
    if (entries.isEmpty()) {
        throw StorageError::emptyLayout();
    }
    validateForWrite(displays, entries);
    checkStorable(shortcut);
    return inImmediateTransaction(*database_, [&] {
        if (layoutNameExists(name, std::nullopt)) {
            throw StorageError::duplicateName(name);
        }
        const QUuid id = QUuid::createUuid();
        const QDateTime now = this->now();
        SQLiteStatement insert(
            *database_,
            "INSERT INTO layouts\n"
            "    (id, name, created_at, updated_at, automation_enabled,\n"
            "     automation_topology_signature, shortcut_key_code, shortcut_modifiers)\n"
            "VALUES (?, ?, ?, ?, 0, NULL, ?, ?)");
        insert.bind(1, StoredValues::identifierText(id));
        insert.bind(2, name);
        insert.bindDouble(3, StoredValues::secondsSince1970(now));
        insert.bindDouble(4, StoredValues::secondsSince1970(now));
        bindShortcut(insert, 5, shortcut);
        insert.step();
        insertDisplays(displays, id);
        insertEntries(entries, id);
        return Layout{id, name, now, now, displays, entries, shortcut, false, std::nullopt};
    });
}

bool LayoutStore::replaceLayoutContentNow(const QUuid &id, const QList<DisplaySnapshot> &displays,
                                          const QList<WindowEntry> &entries)
{
    if (entries.isEmpty()) {
        throw StorageError::emptyLayout();
    }
    validateForWrite(displays, entries);
    const QString signature = Topology::signature(displays);
    const QString layoutText = StoredValues::identifierText(id);
    return inImmediateTransaction(*database_, [&] {
        requireLayout(id);
        bool clearAutomation = false;
        {
            SQLiteStatement select(
                *database_, "SELECT automation_topology_signature FROM layouts WHERE id = ?");
            select.bind(1, layoutText);
            // A link to this very setup survives; a layout that was never linked stays as it is.
            clearAutomation = select.step() && !select.isNull(0) && select.text(0) != signature;
        }
        runForLayout(*database_, "DELETE FROM displays WHERE layout_id = ?", layoutText);
        runForLayout(*database_, "DELETE FROM windows WHERE layout_id = ?", layoutText);
        insertDisplays(displays, id);
        insertEntries(entries, id);
        if (clearAutomation) {
            runForLayout(*database_,
                         "UPDATE layouts SET automation_enabled = 0,"
                         " automation_topology_signature = NULL WHERE id = ?",
                         layoutText);
        }
        touch(*database_, layoutText, StoredValues::secondsSince1970(now()));
        return clearAutomation;
    });
}

void LayoutStore::renameLayoutNow(const QUuid &id, const QString &requestedName)
{
    const QString name = normalizedName(requestedName);
    inImmediateTransaction(*database_, [&] {
        requireLayout(id);
        if (layoutNameExists(name, id)) {
            throw StorageError::duplicateName(name);
        }
        SQLiteStatement update(*database_,
                               "UPDATE layouts SET name = ?, updated_at = ? WHERE id = ?");
        update.bind(1, name);
        update.bindDouble(2, StoredValues::secondsSince1970(now()));
        update.bind(3, StoredValues::identifierText(id));
        update.step();
    });
}

void LayoutStore::deleteLayoutNow(const QUuid &id)
{
    inImmediateTransaction(*database_, [&] {
        requireLayout(id);
        // Displays and windows go with it through the cascading references.
        runForLayout(*database_, "DELETE FROM layouts WHERE id = ?",
                     StoredValues::identifierText(id));
    });
}

void LayoutStore::removeEntryNow(const QUuid &layoutID, const QUuid &entryID)
{
    const QString layoutText = StoredValues::identifierText(layoutID);
    inImmediateTransaction(*database_, [&] {
        requireLayout(layoutID);
        {
            SQLiteStatement count(*database_, "SELECT COUNT(*) FROM windows WHERE layout_id = ?");
            count.bind(1, layoutText);
            if (!count.step() || count.int64(0) < 2) {
                throw StorageError::lastEntry();
            }
        }
        {
            SQLiteStatement remove(*database_,
                                   "DELETE FROM windows WHERE id = ? AND layout_id = ?");
            remove.bind(1, StoredValues::identifierText(entryID));
            remove.bind(2, layoutText);
            remove.step();
            if (sqlite3_changes(database_->handle()) < 1) {
                throw StorageError::entryNotFound();
            }
        }
        QStringList remaining;
        {
            SQLiteStatement select(
                *database_, "SELECT id FROM windows WHERE layout_id = ? ORDER BY ordinal ASC");
            select.bind(1, layoutText);
            while (select.step()) {
                remaining.append(select.text(0));
            }
        }
        SQLiteStatement renumber(*database_, "UPDATE windows SET ordinal = ? WHERE id = ?");
        for (qsizetype i = 0; i < remaining.size(); ++i) {
            renumber.reset();
            renumber.bindInt64(1, i);
            renumber.bind(2, remaining[i]);
            renumber.step();
        }
        touch(*database_, layoutText, StoredValues::secondsSince1970(now()));
    });
}

void LayoutStore::updateShortcutNow(const QUuid &id, const std::optional<Shortcut> &shortcut)
{
    checkStorable(shortcut);
    inImmediateTransaction(*database_, [&] {
        requireLayout(id);
        SQLiteStatement update(*database_,
                               "UPDATE layouts SET shortcut_key_code = ?, shortcut_modifiers = ?,"
                               " updated_at = ? WHERE id = ?");
        bindShortcut(update, 1, shortcut);
        update.bindDouble(3, StoredValues::secondsSince1970(now()));
        update.bind(4, StoredValues::identifierText(id));
        update.step();
    });
}

void LayoutStore::updateAutomationNow(const QUuid &id, bool enabled,
                                      const std::optional<QString> &signature)
{
    inImmediateTransaction(*database_, [&] {
        requireLayout(id);
        SQLiteStatement update(*database_,
                               "UPDATE layouts SET automation_enabled = ?,"
                               " automation_topology_signature = ?, updated_at = ? WHERE id = ?");
        update.bindInt64(1, enabled ? 1 : 0);
        update.bind(2, signature);
        update.bindDouble(3, StoredValues::secondsSince1970(now()));
        update.bind(4, StoredValues::identifierText(id));
        update.step();
    });
}

void LayoutStore::reassociateAutomationNow(const QUuid &id, const QList<DisplaySnapshot> &displays,
                                           const QString &signature)
{
    validateForWrite(displays, {});
    const QString layoutText = StoredValues::identifierText(id);
    inImmediateTransaction(*database_, [&] {
        requireLayout(id);
        // A saved display that is not among the given ones keeps its row, so when the primary
        // display has moved to a given one, the old primary must give up its mark: two
        // primaries would make every later read of the store fail.
        for (const DisplaySnapshot &display : displays) {
            if (display.isPrimary) {
                SQLiteStatement demote(*database_,
                                       "UPDATE displays SET is_primary = 0"
                                       " WHERE layout_id = ? AND display_key != ?");
                demote.bind(1, layoutText);
                demote.bind(2, display.identity.key());
                demote.step();
            }
        }
        SQLiteStatement update(
            *database_,
            "UPDATE displays\n"
            "   SET frame_x = ?, frame_y = ?, frame_width = ?, frame_height = ?,\n"
            "       visible_x = ?, visible_y = ?, visible_width = ?, visible_height = ?,\n"
            "       pixel_width = ?, pixel_height = ?, scale = ?, is_primary = ?,\n"
            "       frame_inferred = 0\n"
            " WHERE layout_id = ? AND display_key = ?");
        for (const DisplaySnapshot &display : displays) {
            update.reset();
            StoredValues::bindRect(update, 1, display.frame);
            StoredValues::bindRect(update, 5, display.visibleFrame);
            update.bindInt64(9, display.pixelWidth);
            update.bindInt64(10, display.pixelHeight);
            update.bindDouble(11, display.scale);
            update.bindInt64(12, display.isPrimary ? 1 : 0);
            update.bind(13, layoutText);
            update.bind(14, display.identity.key());
            update.step();
            if (sqlite3_changes(database_->handle()) < 1) {
                throw StorageError::writeFailed(
                    QStringLiteral("A saved display could not be refreshed."));
            }
        }
        SQLiteStatement link(*database_,
                             "UPDATE layouts SET automation_enabled = 1,"
                             " automation_topology_signature = ?, updated_at = ? WHERE id = ?");
        link.bind(1, signature);
        link.bindDouble(2, StoredValues::secondsSince1970(now()));
        link.bind(3, layoutText);
        link.step();
    });
}

void LayoutStore::addExclusionNow(const QString &bundleID, const QString &appName)
{
    if (bundleID.isEmpty() || appName.isEmpty()) {
        throw StorageError::writeFailed(QStringLiteral("An app identity is required."));
    }
    inImmediateTransaction(*database_, [&] {
        SQLiteStatement upsert(*database_,
                               "INSERT INTO exclusions (bundle_id, app_name, created_at)\n"
                               "VALUES (?, ?, ?)\n"
                               "ON CONFLICT(bundle_id) DO UPDATE SET app_name = excluded.app_name");
        upsert.bind(1, bundleID);
        upsert.bind(2, appName);
        upsert.bindDouble(3, StoredValues::secondsSince1970(now()));
        upsert.step();
    });
}

void LayoutStore::removeExclusionNow(const QString &bundleID)
{
    inImmediateTransaction(*database_, [&] {
        SQLiteStatement remove(*database_, "DELETE FROM exclusions WHERE bundle_id = ?");
        remove.bind(1, bundleID);
        remove.step();
    });
}

} // namespace ostrel
