#include "storage/LibraryReader.h"

#include "storage/SQLiteStatement.h"
#include "storage/StoredValues.h"
#include "storage/TextPool.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ostrel {

namespace {

// The row cannot be taken as it is: the strict reader is to say why.
struct GiveUp {};

void require(bool holds)
{
    if (!holds) {
        throw GiveUp{};
    }
}

// Column reads with the storage class the schema gives each column; any other class gives up.
//
// Each read asks SQLite for the column's value once and then reads its class and contents from
// that value. The connection is serialized, so every call on the statement takes its lock: one
// call per column instead of two or three makes a whole library read markedly faster. The
// value is read at once, on the thread that steps the statement, which alone uses the
// connection meanwhile (the store's actor, or the opening's own connection).
class Row {
public:
    explicit Row(const SQLiteStatement &statement)
        : statement_(statement.get())
    {
    }

    int type(int column) const { return sqlite3_value_type(value(column)); }
    bool isNull(int column) const { return type(column) == SQLITE_NULL; }
    bool isText(int column) const { return type(column) == SQLITE_TEXT; }

    std::string_view bytes(int column) const { return textOf(value(column)); }
    std::optional<std::string_view> optionalBytes(int column) const
    {
        sqlite3_value *read = value(column);
        if (sqlite3_value_type(read) == SQLITE_NULL) {
            return std::nullopt;
        }
        return textOf(read);
    }
    qint64 integer(int column) const { return integerOf(value(column)); }
    std::optional<qint64> optionalInteger(int column) const
    {
        sqlite3_value *read = value(column);
        if (sqlite3_value_type(read) == SQLITE_NULL) {
            return std::nullopt;
        }
        return integerOf(read);
    }
    quint32 uint32(int column) const
    {
        const qint64 read = integer(column);
        require(read >= 0 && read <= 0xFFFFFFFFLL);
        return quint32(read);
    }
    double real(int column) const
    {
        sqlite3_value *read = value(column);
        require(sqlite3_value_type(read) == SQLITE_FLOAT);
        return sqlite3_value_double(read);
    }
    RectD rect(int firstColumn) const
    {
        return RectD{real(firstColumn), real(firstColumn + 1), real(firstColumn + 2),
                     real(firstColumn + 3)};
    }
    // The stored spelling only: 36 characters, hyphens at their four places, hex digits elsewhere.
    QUuid identifier(int column) const
    {
        const std::string_view text = bytes(column);
        require(text.size() == 36);
        char bytes[16];
        int digits = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (i == 8 || i == 13 || i == 18 || i == 23) {
                require(c == '-');
                continue;
            }
            int nibble = 0;
            if (c >= '0' && c <= '9') {
                nibble = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                nibble = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                nibble = c - 'A' + 10;
            } else {
                throw GiveUp{};
            }
            bytes[digits / 2] = char(digits % 2 ? (bytes[digits / 2] << 4) | nibble : nibble);
            ++digits;
        }
        return QUuid::fromRfc4122(QByteArrayView(bytes, 16));
    }

private:
    sqlite3_value *value(int column) const { return sqlite3_column_value(statement_, column); }
    static std::string_view textOf(sqlite3_value *read)
    {
        require(sqlite3_value_type(read) == SQLITE_TEXT);
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(read));
        if (!text) {
            return {};
        }
        return {text, size_t(sqlite3_value_bytes(read))};
    }
    static qint64 integerOf(sqlite3_value *read)
    {
        require(sqlite3_value_type(read) == SQLITE_INTEGER);
        return sqlite3_value_int64(read);
    }

    sqlite3_stmt *statement_;
};

// --- One row of each table, with the rules that hold for the row alone --------------------

struct LayoutRow {
    Layout layout; // without displays and windows
    QByteArray key;
};

LayoutRow layoutRow(const Row &row, TextPool &pool)
{
    LayoutRow read;
    Layout &layout = read.layout;
    layout.id = row.identifier(0);
    const std::string_view name = row.bytes(1);
    require(name.find('\0') == std::string_view::npos);
    layout.name = QString::fromUtf8(name.data(), qsizetype(name.size()));
    const std::optional<QDateTime> created = StoredValues::dateFromSeconds(row.real(2));
    const std::optional<QDateTime> updated = StoredValues::dateFromSeconds(row.real(3));
    require(created && updated);
    layout.createdAt = *created;
    layout.updatedAt = *updated;
    layout.automationEnabled = row.integer(4) != 0;
    if (const std::optional<std::string_view> signature = row.optionalBytes(5)) {
        layout.automationTopologySignature = pool.text(*signature);
    }
    const std::optional<qint64> key = row.optionalInteger(6);
    const std::optional<qint64> modifiers = row.optionalInteger(7);
    if (key || modifiers) {
        require(key && modifiers);
        require(*key >= 0 && *key <= 0xFFFFFFFFLL && *modifiers >= 0 && *modifiers <= 0xFFFFFFFFLL);
        layout.shortcut = Shortcut{quint32(*key), quint32(*modifiers)};
        require(StoredValues::isStorable(*layout.shortcut));
    }
    read.key = StoredValues::identifierText(layout.id).toUtf8();
    return read;
}

constexpr const char *layoutsStatement =
    "SELECT id, name, created_at, updated_at, automation_enabled, automation_topology_signature,"
    " shortcut_key_code, shortcut_modifiers FROM layouts"
    " ORDER BY created_at ASC, name COLLATE NOCASE ASC";

// Every statement below reads its table in the order its rows are stored. The first column is
// the layout identifier text that a statement "WHERE layout_id = ?" would compare.
constexpr const char *displaysStatement =
    "SELECT layout_id, ordinal, display_key, vendor, model, serial, unit, frame_x, frame_y,"
    " frame_width, frame_height, visible_x, visible_y, visible_width, visible_height,"
    " pixel_width, pixel_height, scale, is_primary, frame_inferred FROM displays ORDER BY rowid";

struct DisplayRow {
    qint64 ordinal;
    DisplaySnapshot display;
    std::string_view key;
};

DisplayRow displayRow(const Row &row)
{
    DisplayRow read;
    read.ordinal = row.integer(1);
    DisplaySnapshot &display = read.display;
    display.identity = DisplayIdentity{row.uint32(3), row.uint32(4), row.uint32(5), row.uint32(6)};
    read.key = row.bytes(2);
    require(!read.key.empty() && read.key == display.identity.key().toStdString());
    display.frame = row.rect(7);
    display.visibleFrame = row.rect(11);
    display.pixelWidth = row.integer(15);
    display.pixelHeight = row.integer(16);
    display.scale = row.real(17);
    display.isPrimary = row.integer(18) != 0;
    display.frameInferred = row.integer(19) != 0;
    require(display.isStorable());
    return read;
}

// How many windows each layout has, from the layouts' index alone: the lists are made as large as
// they will be, with no room to spare and no growing.
constexpr const char *windowCountsStatement =
    "SELECT layout_id, count(*) FROM windows GROUP BY layout_id";

constexpr const char *windowsStatement =
    "SELECT layout_id, ordinal, id, bundle_id, app_name, role, subrole, hostname, display_key,"
    " rel_x, rel_y, rel_width, rel_height FROM windows ORDER BY rowid";

struct WindowRow {
    qint64 ordinal;
    QUuid id;
    std::string_view bundleID;
    std::string_view appName;
    std::string_view role;
    std::string_view subrole;
    // None also for the empty text.
    std::optional<std::string_view> hostname;
    std::string_view displayKey;
    RelativeFrame relativeFrame;
};

WindowRow windowRow(const Row &row)
{
    WindowRow read;
    read.ordinal = row.integer(1);
    read.id = row.identifier(2);
    read.bundleID = row.bytes(3);
    read.appName = row.bytes(4);
    read.role = row.bytes(5);
    read.subrole = row.bytes(6);
    require(!read.bundleID.empty() && !read.appName.empty() && !read.role.empty()
            && !read.subrole.empty());
    read.displayKey = row.bytes(8);
    read.relativeFrame = RelativeFrame{row.real(9), row.real(10), row.real(11), row.real(12)};
    require(read.relativeFrame.isStorable());
    read.hostname = row.optionalBytes(7);
    if (read.hostname && read.hostname->empty()) {
        read.hostname.reset();
    }
    return read;
}

// --- The rows of one layout --------------------------------------------------------------

struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view bytes) const noexcept
    {
        return std::hash<std::string_view>{}(bytes);
    }
};

// The rows of each layout identifier text, found by a row's first column. The rows of one layout
// mostly follow each other, so the last one found is tried first.
template <class Group>
class Groups {
public:
    Group &add(const QByteArray &key)
    {
        return groups_[std::string(key.constData(), size_t(key.size()))];
    }

    // None for a row of no layout: only text can equal an identifier text.
    Group *of(const Row &row)
    {
        if (!row.isText(0)) {
            return nullptr;
        }
        const std::string_view key = row.bytes(0);
        if (last_ == groups_.end() || last_->first != key) {
            last_ = groups_.find(key);
        }
        return last_ == groups_.end() ? nullptr : &last_->second;
    }

    Group &at(const QByteArray &key)
    {
        return groups_.find(std::string_view(key.constData(), size_t(key.size())))->second;
    }

    template <class Predicate>
    bool any(Predicate predicate)
    {
        return std::any_of(groups_.begin(), groups_.end(),
                           [&](auto &entry) { return predicate(entry.second); });
    }

private:
    using Map = std::unordered_map<std::string, Group, Hash, std::equal_to<>>;
    Map groups_;
    typename Map::iterator last_ = groups_.end();
};

// An identifier as the two halves of its 128 bits: equal halves, equal identifiers.
using IdentifierBits = std::pair<quint64, quint64>;

IdentifierBits bitsOf(const QUuid &id)
{
    static_assert(sizeof(QUuid) == 2 * sizeof(quint64));
    quint64 halves[2];
    std::memcpy(halves, &id, sizeof halves);
    return {halves[0], halves[1]};
}

// Reading: the displays and windows of a layout as values, with their ordinals.
struct Rows {
    QList<DisplaySnapshot> displays;
    std::vector<qint64> displayOrdinals;
    QList<WindowEntry> entries;
    std::vector<qint64> entryOrdinals;
    // How many layouts take these rows: one, unless an identifier is spelled in two letter cases.
    int layouts = 0;
};

// Checking: what the rules among the rows of a layout need, and no values.
struct Facts {
    std::vector<std::string> displayKeys;
    int primaryCount = 0;
    std::vector<IdentifierBits> entryIDs;
};

// One text column of a statement. Rows near each other mostly repeat the few texts of a layout
// (its applications, say), so the last few are kept at hand before the pool is asked.
class TextColumn {
public:
    explicit TextColumn(TextPool &pool)
        : pool_(pool)
    {
    }

    QString text(std::string_view bytes)
    {
        for (const Recent &recent : recent_) {
            if (recent.bytes == bytes) {
                return recent.text;
            }
        }
        Recent &replaced = recent_[next_];
        next_ = (next_ + 1) % recent_.size();
        replaced.bytes.assign(bytes);
        replaced.text = pool_.text(bytes);
        return replaced.text;
    }

private:
    struct Recent {
        std::string bytes;
        QString text;
    };

    TextPool &pool_;
    std::array<Recent, 16> recent_;
    size_t next_ = 0;
};

// Puts the rows of a list in stored order: by ordinal, and rows of one ordinal as the table
// holds them (a stable sort of rows read in the table's order). `tiesAllowed` false gives up on
// two rows of one ordinal, whose order SQLite leaves open.
template <class Value>
void order(QList<Value> &values, std::vector<qint64> &ordinals, bool tiesAllowed)
{
    if (std::is_sorted(ordinals.begin(), ordinals.end())) {
        require(tiesAllowed
                || std::adjacent_find(ordinals.begin(), ordinals.end()) == ordinals.end());
        return;
    }
    std::vector<qsizetype> places(ordinals.size());
    for (size_t i = 0; i < places.size(); ++i) {
        places[i] = qsizetype(i);
    }
    std::stable_sort(places.begin(), places.end(),
                     [&](qsizetype a, qsizetype b) { return ordinals[a] < ordinals[b]; });
    QList<Value> ordered;
    ordered.reserve(values.size());
    std::vector<qint64> orderedOrdinals;
    orderedOrdinals.reserve(ordinals.size());
    for (qsizetype place : places) {
        ordered.append(std::move(values[place]));
        orderedOrdinals.push_back(ordinals[size_t(place)]);
    }
    require(tiesAllowed
            || std::adjacent_find(orderedOrdinals.begin(), orderedOrdinals.end())
                == orderedOrdinals.end());
    values = std::move(ordered);
    ordinals = std::move(orderedOrdinals);
}

bool hasDuplicates(std::vector<IdentifierBits> &ids)
{
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) != ids.end();
}

// The rules among the displays and windows of one layout; moves the rows into it when it is
// the last layout that takes them.
void assemble(Layout &layout, Rows &rows)
{
    order(rows.displays, rows.displayOrdinals, false);
    order(rows.entries, rows.entryOrdinals, true);
    QList<QString> keys;
    int primaryCount = 0;
    for (const DisplaySnapshot &display : std::as_const(rows.displays)) {
        const QString key = display.identity.key();
        require(!keys.contains(key));
        keys.append(key);
        primaryCount += display.isPrimary ? 1 : 0;
    }
    require(primaryCount <= 1);
    std::vector<IdentifierBits> ids;
    ids.reserve(size_t(rows.entries.size()));
    for (const WindowEntry &entry : std::as_const(rows.entries)) {
        require(keys.contains(entry.displayKey));
        ids.push_back(bitsOf(entry.id));
    }
    require(!hasDuplicates(ids));
    // The list grew row by row; it keeps no spare room for as long as the layout lives.
    rows.displays.squeeze();
    if (--rows.layouts == 0) {
        layout.displays = std::move(rows.displays);
        layout.entries = std::move(rows.entries);
    } else {
        layout.displays = rows.displays;
        layout.entries = rows.entries;
    }
}

} // namespace

std::optional<QList<Layout>> LibraryReader::read(SQLiteDatabase &database)
{
    try {
        TextPool pool;
        Groups<Rows> groups;
        QList<Layout> layouts;
        QList<QByteArray> keys;
        {
            SQLiteStatement statement(database, layoutsStatement);
            const Row row(statement);
            while (statement.step()) {
                LayoutRow read = layoutRow(row, pool);
                ++groups.add(read.key).layouts;
                layouts.append(std::move(read.layout));
                keys.append(std::move(read.key));
            }
        }
        {
            SQLiteStatement statement(database, displaysStatement);
            const Row row(statement);
            while (statement.step()) {
                if (Rows *rows = groups.of(row)) {
                    const DisplayRow read = displayRow(row);
                    rows->displays.append(read.display);
                    rows->displayOrdinals.push_back(read.ordinal);
                }
            }
        }
        {
            SQLiteStatement statement(database, windowCountsStatement);
            const Row row(statement);
            while (statement.step()) {
                if (Rows *rows = groups.of(row)) {
                    const qint64 count = sqlite3_column_int64(statement.get(), 1);
                    rows->entries.reserve(qsizetype(count));
                    rows->entryOrdinals.reserve(size_t(count));
                }
            }
        }
        {
            SQLiteStatement statement(database, windowsStatement);
            const Row row(statement);
            TextColumn bundleID(pool), appName(pool), role(pool), subrole(pool), hostname(pool),
                displayKey(pool);
            while (statement.step()) {
                Rows *rows = groups.of(row);
                if (!rows) {
                    continue;
                }
                const WindowRow read = windowRow(row);
                WindowEntry entry;
                entry.id = read.id;
                entry.bundleID = bundleID.text(read.bundleID);
                entry.appName = appName.text(read.appName);
                entry.role = role.text(read.role);
                entry.subrole = subrole.text(read.subrole);
                if (read.hostname) {
                    entry.hostname = hostname.text(*read.hostname);
                }
                entry.displayKey = displayKey.text(read.displayKey);
                entry.relativeFrame = read.relativeFrame;
                rows->entries.append(std::move(entry));
                rows->entryOrdinals.push_back(read.ordinal);
            }
        }
        for (qsizetype i = 0; i < layouts.size(); ++i) {
            assemble(layouts[i], groups.at(keys[i]));
        }
        return layouts;
    } catch (const GiveUp &) {
        return std::nullopt;
    }
}

bool LibraryReader::check(SQLiteDatabase &database)
{
    try {
        TextPool pool;
        Groups<Facts> groups;
        {
            SQLiteStatement statement(database, layoutsStatement);
            const Row row(statement);
            while (statement.step()) {
                groups.add(layoutRow(row, pool).key);
            }
        }
        {
            SQLiteStatement statement(database, displaysStatement);
            const Row row(statement);
            while (statement.step()) {
                if (Facts *facts = groups.of(row)) {
                    const DisplayRow read = displayRow(row);
                    const std::string key(read.key);
                    require(std::find(facts->displayKeys.begin(), facts->displayKeys.end(), key)
                            == facts->displayKeys.end());
                    facts->displayKeys.push_back(key);
                    facts->primaryCount += read.display.isPrimary ? 1 : 0;
                    require(facts->primaryCount <= 1);
                }
            }
        }
        SQLiteStatement statement(database, windowsStatement);
        const Row row(statement);
        while (statement.step()) {
            if (Facts *facts = groups.of(row)) {
                const WindowRow read = windowRow(row);
                require(
                    std::find(facts->displayKeys.begin(), facts->displayKeys.end(), read.displayKey)
                    != facts->displayKeys.end());
                facts->entryIDs.push_back(bitsOf(read.id));
            }
        }
        // Duplicate windows of a layout, last: reading fails on nothing else by then.
        return !groups.any([](Facts &facts) { return hasDuplicates(facts.entryIDs); });
    } catch (const GiveUp &) {
        return false;
    }
}

} // namespace ostrel
