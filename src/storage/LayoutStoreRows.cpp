#include "storage/LayoutStore.h"

#include "model/StorageError.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteStatement.h"
#include "storage/StoredValues.h"

#include <QSet>

namespace ostrel {

namespace {

[[noreturn]] void damaged(const QString &sentence)
{
    throw StorageError::readFailed(sentence);
}

QUuid identifierColumn(const SQLiteStatement &statement, int column, const QString &sentence)
{
    const auto id = statement.isNull(column)
        ? std::nullopt
        : StoredValues::parseIdentifier(statement.text(column));
    if (!id) {
        damaged(sentence);
    }
    return *id;
}

QDateTime dateColumn(const SQLiteStatement &statement, int column, const QString &subject)
{
    const auto date = StoredValues::dateFromSeconds(statement.real(column));
    if (!date) {
        damaged(subject + QStringLiteral(" is not a valid date."));
    }
    return *date;
}

std::optional<Shortcut> shortcutColumns(const SQLiteStatement &statement, int keyColumn,
                                        int modifiersColumn)
{
    const bool noKey = statement.isNull(keyColumn);
    const bool noModifiers = statement.isNull(modifiersColumn);
    if (noKey && noModifiers) {
        return std::nullopt;
    }
    if (noKey || noModifiers) {
        damaged(QStringLiteral("A layout shortcut is incomplete."));
    }
    const Shortcut shortcut{
        LayoutStore::uint32(statement.int64(keyColumn), QStringLiteral("A shortcut key code")),
        LayoutStore::uint32(statement.int64(modifiersColumn),
                            QStringLiteral("A shortcut modifier mask"))};
    if (!StoredValues::isStorable(shortcut)) {
        damaged(QStringLiteral("A layout shortcut is outside the supported range."));
    }
    return shortcut;
}

} // namespace

quint32 LayoutStore::uint32(qint64 value, const QString &field)
{
    if (value < 0 || value > 0xFFFFFFFFLL) {
        throw StorageError::readFailed(field + QStringLiteral(" is outside the valid range."));
    }
    return static_cast<quint32>(value);
}

QList<Layout> LayoutStore::loadLayouts(SQLiteDatabase &database)
{
    SQLiteStatement statement(
        database,
        "SELECT id, name, created_at, updated_at, automation_enabled, automation_topology_signature,"
        " shortcut_key_code, shortcut_modifiers FROM layouts"
        " ORDER BY created_at ASC, name COLLATE NOCASE ASC");
    QList<Layout> layouts;
    while (statement.step()) {
        Layout layout;
        layout.id = identifierColumn(statement, 0,
                                     QStringLiteral("A layout row has an invalid identifier."));
        layout.name = statement.text(1);
        layout.createdAt = dateColumn(statement, 2, QStringLiteral("A layout creation date"));
        layout.updatedAt = dateColumn(statement, 3, QStringLiteral("A layout update date"));
        layout.automationEnabled = statement.int64(4) != 0;
        layout.automationTopologySignature = statement.optionalText(5);
        layout.shortcut = shortcutColumns(statement, 6, 7);
        layout.displays = loadDisplays(database, layout.id);
        layout.entries = loadEntries(database, layout.id, layout.displays);
        layouts.append(std::move(layout));
    }
    return layouts;
}

QList<DisplaySnapshot> LayoutStore::loadDisplays(SQLiteDatabase &database, const QUuid &layoutID)
{
    SQLiteStatement statement(
        database,
        "SELECT display_key, vendor, model, serial, unit, frame_x, frame_y, frame_width,"
        " frame_height, visible_x, visible_y, visible_width, visible_height, pixel_width,"
        " pixel_height, scale, is_primary, frame_inferred FROM displays"
        " WHERE layout_id = ? ORDER BY ordinal ASC");
    statement.bind(1, StoredValues::identifierText(layoutID));
    QList<DisplaySnapshot> displays;
    QSet<QString> seenKeys;
    int primaryCount = 0;
    while (statement.step()) {
        DisplaySnapshot display;
        display.identity = DisplayIdentity{
            uint32(statement.int64(1), QStringLiteral("A display vendor")),
            uint32(statement.int64(2), QStringLiteral("A display model")),
            uint32(statement.int64(3), QStringLiteral("A display serial")),
            uint32(statement.int64(4), QStringLiteral("A display unit"))};
        const QString key = statement.text(0);
        if (key.isEmpty() || key != display.identity.key()) {
            damaged(QStringLiteral("A saved display key does not match its identity."));
        }
        if (seenKeys.contains(key)) {
            damaged(QStringLiteral("A layout lists the same display twice."));
        }
        seenKeys.insert(key);
        display.frame = StoredValues::rectColumns(statement, 5);
        display.visibleFrame = StoredValues::rectColumns(statement, 9);
        display.pixelWidth = statement.int64(13);
        display.pixelHeight = statement.int64(14);
        display.scale = statement.real(15);
        display.isPrimary = statement.int64(16) != 0;
        display.frameInferred = statement.int64(17) != 0;
        if (!display.isStorable()) {
            damaged(QStringLiteral("A saved display has invalid geometry or resolution."));
        }
        primaryCount += display.isPrimary ? 1 : 0;
        displays.append(display);
    }
    if (primaryCount > 1) {
        damaged(QStringLiteral("A layout marks more than one display as primary."));
    }
    return displays;
}

QList<WindowEntry> LayoutStore::loadEntries(SQLiteDatabase &database, const QUuid &layoutID,
                                            const QList<DisplaySnapshot> &displays)
{
    QSet<QString> displayKeys;
    for (const DisplaySnapshot &display : displays) {
        displayKeys.insert(display.identity.key());
    }
    SQLiteStatement statement(
        database,
        "SELECT id, bundle_id, app_name, role, subrole, hostname, display_key, rel_x, rel_y,"
        " rel_width, rel_height FROM windows WHERE layout_id = ? ORDER BY ordinal ASC");
    statement.bind(1, StoredValues::identifierText(layoutID));
    QList<WindowEntry> entries;
    QSet<QUuid> seenIDs;
    while (statement.step()) {
        WindowEntry entry;
        entry.id = identifierColumn(statement, 0,
                                    QStringLiteral("A window row has an invalid identifier."));
        if (seenIDs.contains(entry.id)) {
            damaged(QStringLiteral("A layout lists the same window entry twice."));
        }
        seenIDs.insert(entry.id);
        entry.bundleID = statement.text(1);
        entry.appName = statement.text(2);
        entry.role = statement.text(3);
        entry.subrole = statement.text(4);
        if (entry.bundleID.isEmpty() || entry.appName.isEmpty() || entry.role.isEmpty()
            || entry.subrole.isEmpty()) {
            damaged(QStringLiteral("A saved window is missing required identity fields."));
        }
        entry.displayKey = statement.text(6);
        if (!displayKeys.contains(entry.displayKey)) {
            damaged(QStringLiteral("A saved window refers to a display that is not in the layout."));
        }
        entry.relativeFrame = RelativeFrame{statement.real(7), statement.real(8),
                                            statement.real(9), statement.real(10)};
        if (!entry.relativeFrame.isStorable()) {
            damaged(QStringLiteral("A saved window has invalid relative geometry."));
        }
        entry.hostname = statement.optionalText(5);
        if (entry.hostname && entry.hostname->isEmpty()) {
            entry.hostname.reset();
        }
        entries.append(std::move(entry));
    }
    return entries;
}

QList<AppExclusion> LayoutStore::loadExclusions(SQLiteDatabase &database)
{
    SQLiteStatement statement(
        database,
        "SELECT bundle_id, app_name, created_at FROM exclusions ORDER BY app_name COLLATE NOCASE ASC");
    QList<AppExclusion> exclusions;
    while (statement.step()) {
        AppExclusion exclusion;
        exclusion.bundleID = statement.text(0);
        exclusion.appName = statement.text(1);
        if (exclusion.bundleID.isEmpty() || exclusion.appName.isEmpty()) {
            damaged(QStringLiteral("An exclusion row is missing its identity."));
        }
        exclusion.createdAt = dateColumn(statement, 2, QStringLiteral("An exclusion date"));
        exclusions.append(std::move(exclusion));
    }
    return exclusions;
}

void LayoutStore::validateForWrite(const QList<DisplaySnapshot> &displays,
                                   const QList<WindowEntry> &entries)
{
    if (displays.isEmpty()) {
        throw StorageError::writeFailed(QStringLiteral("The captured display information is not valid."));
    }
    QSet<QString> displayKeys;
    int primaryCount = 0;
    for (const DisplaySnapshot &display : displays) {
        if (!display.isStorable()) {
            throw StorageError::writeFailed(
                QStringLiteral("The captured display information is not valid."));
        }
        displayKeys.insert(display.identity.key());
        primaryCount += display.isPrimary ? 1 : 0;
    }
    if (primaryCount > 1) {
        throw StorageError::writeFailed(QStringLiteral("Only one display can be marked primary."));
    }
    for (const WindowEntry &entry : entries) {
        if (entry.bundleID.isEmpty() || entry.appName.isEmpty() || entry.role.isEmpty()
            || entry.subrole.isEmpty() || !displayKeys.contains(entry.displayKey)
            || !entry.relativeFrame.isStorable()) {
            throw StorageError::writeFailed(
                QStringLiteral("The captured window information is not valid."));
        }
    }
}

void LayoutStore::insertDisplays(const QList<DisplaySnapshot> &displays, const QUuid &layoutID)
{
    SQLiteStatement insert(
        *database_,
        "INSERT INTO displays (layout_id, display_key, ordinal, vendor, model, serial, unit,"
        " frame_x, frame_y, frame_width, frame_height, visible_x, visible_y, visible_width,"
        " visible_height, pixel_width, pixel_height, scale, is_primary, frame_inferred)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QString layoutText = StoredValues::identifierText(layoutID);
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const DisplaySnapshot &display = displays[i];
        insert.reset();
        insert.bind(1, layoutText);
        insert.bind(2, display.identity.key());
        insert.bindInt64(3, i);
        insert.bindInt64(4, display.identity.vendor);
        insert.bindInt64(5, display.identity.model);
        insert.bindInt64(6, display.identity.serial);
        insert.bindInt64(7, display.identity.unit);
        StoredValues::bindRect(insert, 8, display.frame);
        StoredValues::bindRect(insert, 12, display.visibleFrame);
        insert.bindInt64(16, display.pixelWidth);
        insert.bindInt64(17, display.pixelHeight);
        insert.bindDouble(18, display.scale);
        insert.bindInt64(19, display.isPrimary ? 1 : 0);
        insert.bindInt64(20, display.frameInferred ? 1 : 0);
        insert.step();
    }
}

void LayoutStore::insertEntries(const QList<WindowEntry> &entries, const QUuid &layoutID)
{
    SQLiteStatement insert(
        *database_,
        "INSERT INTO windows (id, layout_id, ordinal, bundle_id, app_name, role, subrole,"
        " hostname, display_key, rel_x, rel_y, rel_width, rel_height)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QString layoutText = StoredValues::identifierText(layoutID);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const WindowEntry &entry = entries[i];
        insert.reset();
        insert.bind(1, StoredValues::identifierText(entry.id));
        insert.bind(2, layoutText);
        insert.bindInt64(3, i);
        insert.bind(4, entry.bundleID);
        insert.bind(5, entry.appName);
        insert.bind(6, entry.role);
        insert.bind(7, entry.subrole);
        insert.bind(8, entry.hostname);
        insert.bind(9, entry.displayKey);
        insert.bindDouble(10, entry.relativeFrame.x);
        insert.bindDouble(11, entry.relativeFrame.y);
        insert.bindDouble(12, entry.relativeFrame.width);
        insert.bindDouble(13, entry.relativeFrame.height);
        insert.step();
    }
}

} // namespace ostrel
