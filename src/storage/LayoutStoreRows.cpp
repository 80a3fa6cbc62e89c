#include "storage/LayoutStore.h"

#include "model/StorageError.h"
#include "storage/LibraryReader.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteStatement.h"
#include "storage/StoredRow.h"
#include "storage/StoredValues.h"

#include <sqlite3.h>

#include <QSet>

namespace ostrel {

namespace {

[[noreturn]] void damaged(const QString &sentence)
{
    throw StorageError::readFailed(sentence);
}

const QString wrongTypeInLayout = QStringLiteral("A layout row holds a value of the wrong type.");
const QString wrongTypeInDisplay = QStringLiteral("A display row holds a value of the wrong type.");
const QString wrongTypeInWindow = QStringLiteral("A window row holds a value of the wrong type.");
const QString wrongTypeInExclusion =
    QStringLiteral("An exclusion row holds a value of the wrong type.");

QUuid identifierColumn(const SQLiteStatement &statement, int column, const QString &sentence)
{
    const auto id = statement.type(column) != SQLITE_TEXT
        ? std::nullopt
        : StoredValues::parseIdentifier(statement.text(column));
    if (!id) {
        damaged(sentence);
    }
    return *id;
}

QDateTime dateColumn(const StoredRow &row, int column, const QString &subject)
{
    const auto date = StoredValues::dateFromSeconds(row.real(column));
    if (!date) {
        damaged(subject + QStringLiteral(" is not a valid date."));
    }
    return *date;
}

RectD rectColumns(const StoredRow &row, int firstColumn)
{
    return RectD{row.real(firstColumn), row.real(firstColumn + 1), row.real(firstColumn + 2),
                 row.real(firstColumn + 3)};
}

std::optional<Shortcut> shortcutColumns(const StoredRow &row, int keyColumn, int modifiersColumn)
{
    const std::optional<qint64> key = row.optionalInteger(keyColumn);
    const std::optional<qint64> modifiers = row.optionalInteger(modifiersColumn);
    if (!key && !modifiers) {
        return std::nullopt;
    }
    if (!key || !modifiers) {
        damaged(QStringLiteral("A layout shortcut is incomplete."));
    }
    const Shortcut shortcut{
        LayoutStore::uint32(*key, QStringLiteral("A shortcut key code")),
        LayoutStore::uint32(*modifiers, QStringLiteral("A shortcut modifier mask"))};
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
    // One statement per table for the whole library; only where it finds a row it cannot take
    // is the library read again layout by layout, which names the first damaged row.
    if (std::optional<QList<Layout>> layouts = LibraryReader::read(database)) {
        return *std::move(layouts);
    }
    return loadLayoutsOneByOne(database);
}

void LayoutStore::checkLayouts(SQLiteDatabase &database)
{
    if (!LibraryReader::check(database)) {
        loadLayoutsOneByOne(database);
    }
}

QList<Layout> LayoutStore::loadLayoutsOneByOne(SQLiteDatabase &database)
{
    SQLiteStatement statement(database,
                              "SELECT id, name, created_at, updated_at, automation_enabled, "
                              "automation_topology_signature,"
                              " shortcut_key_code, shortcut_modifiers FROM layouts"
                              " ORDER BY created_at ASC, name COLLATE NOCASE ASC");
    const StoredRow row(statement, wrongTypeInLayout);
    QList<Layout> layouts;
    while (statement.step()) {
        Layout layout;
        layout.id = identifierColumn(statement, 0,
                                     QStringLiteral("A layout row has an invalid identifier."));
        // Read as stored: an empty, untrimmed or long name from an older file or a hand edit
        // is shown as it is rather than locking the user out of every layout. Only a NUL,
        // which no writer of text puts there, is damage.
        layout.name = row.text(1);
        if (layout.name.contains(QChar(0))) {
            damaged(QStringLiteral("A layout row has an invalid name."));
        }
        layout.createdAt = dateColumn(row, 2, QStringLiteral("A layout creation date"));
        layout.updatedAt = dateColumn(row, 3, QStringLiteral("A layout update date"));
        layout.automationEnabled = row.integer(4) != 0;
        layout.automationTopologySignature = row.optionalText(5);
        layout.shortcut = shortcutColumns(row, 6, 7);
        // Neither list may be empty when written, but a layout found without displays or
        // windows still loads, so that it can be seen and deleted.
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
    const StoredRow row(statement, wrongTypeInDisplay);
    QList<DisplaySnapshot> displays;
    QSet<QString> seenKeys;
    int primaryCount = 0;
    while (statement.step()) {
        DisplaySnapshot display;
        display.identity =
            DisplayIdentity{uint32(row.integer(1), QStringLiteral("A display vendor")),
                            uint32(row.integer(2), QStringLiteral("A display model")),
                            uint32(row.integer(3), QStringLiteral("A display serial")),
                            uint32(row.integer(4), QStringLiteral("A display unit"))};
        const QString key = row.text(0);
        if (key.isEmpty() || key != display.identity.key()) {
            damaged(QStringLiteral("A saved display key does not match its identity."));
        }
        if (seenKeys.contains(key)) {
            damaged(QStringLiteral("A layout lists the same display twice."));
        }
        seenKeys.insert(key);
        display.frame = rectColumns(row, 5);
        display.visibleFrame = rectColumns(row, 9);
        display.pixelWidth = row.integer(13);
        display.pixelHeight = row.integer(14);
        display.scale = row.real(15);
        display.isPrimary = row.integer(16) != 0;
        display.frameInferred = row.integer(17) != 0;
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
    const StoredRow row(statement, wrongTypeInWindow);
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
        entry.bundleID = row.text(1);
        entry.appName = row.text(2);
        entry.role = row.text(3);
        entry.subrole = row.text(4);
        if (entry.bundleID.isEmpty() || entry.appName.isEmpty() || entry.role.isEmpty()
            || entry.subrole.isEmpty()) {
            damaged(QStringLiteral("A saved window is missing required identity fields."));
        }
        entry.displayKey = row.text(6);
        if (!displayKeys.contains(entry.displayKey)) {
            damaged(
                QStringLiteral("A saved window refers to a display that is not in the layout."));
        }
        entry.relativeFrame = RelativeFrame{row.real(7), row.real(8), row.real(9), row.real(10)};
        if (!entry.relativeFrame.isStorable()) {
            damaged(QStringLiteral("A saved window has invalid relative geometry."));
        }
        entry.hostname = row.optionalText(5);
        if (entry.hostname && entry.hostname->isEmpty()) {
            entry.hostname.reset();
        }
        entries.append(std::move(entry));
    }
    return entries;
}

QList<AppExclusion> LayoutStore::loadExclusions(SQLiteDatabase &database)
{
    SQLiteStatement statement(database,
                              "SELECT bundle_id, app_name, created_at FROM exclusions ORDER BY "
                              "app_name COLLATE NOCASE ASC");
    const StoredRow row(statement, wrongTypeInExclusion);
    QList<AppExclusion> exclusions;
    while (statement.step()) {
        AppExclusion exclusion;
        exclusion.bundleID = row.text(0);
        exclusion.appName = row.text(1);
        if (exclusion.bundleID.isEmpty() || exclusion.appName.isEmpty()) {
            damaged(QStringLiteral("An exclusion row is missing its identity."));
        }
        exclusion.createdAt = dateColumn(row, 2, QStringLiteral("An exclusion date"));
        exclusions.append(std::move(exclusion));
    }
    return exclusions;
}

void LayoutStore::validateForWrite(const QList<DisplaySnapshot> &displays,
                                   const QList<WindowEntry> &entries)
{
    if (displays.isEmpty()) {
        throw StorageError::writeFailed(
            QStringLiteral("The captured display information is not valid."));
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
