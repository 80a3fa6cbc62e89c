#include "StorageTestSupport.h"

#include "Await.h"
#include "TestApplication.h"
#include "storage/SQLiteStatement.h"

#include <QFile>
#include <QTimeZone>

#include <sqlite3.h>

#include <algorithm>
#include <ostream>

namespace ostrel::test {

SQLiteDatabase openSecondConnection(const QString &path)
{
    return SQLiteDatabase(path, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::unchanged, 100);
}

namespace {

QString cell(const SQLiteStatement &statement, int column)
{
    return statement.isNull(column) ? QStringLiteral("NULL") : statement.text(column);
}

} // namespace

QString scalar(SQLiteDatabase &database, const char *sql)
{
    SQLiteStatement statement(database, sql);
    if (!statement.step()) {
        ADD_FAILURE() << "no row from " << sql;
        return {};
    }
    return cell(statement, 0);
}

QStringList rows(SQLiteDatabase &database, const char *sql)
{
    SQLiteStatement statement(database, sql);
    QStringList result;
    while (statement.step()) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(statement.get()); ++i) {
            columns << cell(statement, i);
        }
        result << columns.join(QLatin1Char('|'));
    }
    return result;
}

QStringList dump(const QString &path)
{
    SQLiteDatabase database(path, SQLiteOpenMode::readOnly, SQLiteJournalPolicy::unchanged, 100);
    QStringList result;
    result << QStringLiteral("user_version ") + scalar(database, "PRAGMA user_version;");
    const QStringList tables =
        rows(database, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    result << rows(database, "SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
    for (const QString &table : tables) {
        const QByteArray columns =
            QStringLiteral("SELECT count(*) FROM pragma_table_info('%1')").arg(table).toUtf8();
        const int orderBy = std::min(3, scalar(database, columns.constData()).toInt());
        QStringList order;
        for (int i = 1; i <= orderBy; ++i) {
            order << QString::number(i);
        }
        const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY %2")
                                   .arg(table, order.join(QStringLiteral(", ")))
                                   .toUtf8();
        result << QStringLiteral("table ") + table;
        result << rows(database, sql.constData());
    }
    return result;
}

void damageIndexEntry(const QString &path, const char *index, const QByteArray &key)
{
    qsizetype pageSize = 0;
    qsizetype rootPage = 0;
    {
        SQLiteDatabase database(path, SQLiteOpenMode::readOnly, SQLiteJournalPolicy::unchanged,
                                100);
        ASSERT_NE(scalar(database, "PRAGMA journal_mode;"), QStringLiteral("wal"));
        pageSize = scalar(database, "PRAGMA page_size;").toLongLong();
        SQLiteStatement root(database, "SELECT rootpage FROM sqlite_master WHERE name = ?");
        root.bind(1, QString::fromLatin1(index));
        ASSERT_TRUE(root.step());
        rootPage = root.int64(0);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype page = (rootPage - 1) * pageSize;
    const auto byteAt = [&](qsizetype offset) { return static_cast<quint8>(bytes[page + offset]); };
    ASSERT_EQ(byteAt(0), 0x0A) << "the index does not fit one leaf page";
    const int cells = byteAt(3) << 8 | byteAt(4);
    ASSERT_GT(cells, 0);
    // The cell pointers are in key order.
    const int lastCell = byteAt(8 + 2 * (cells - 1)) << 8 | byteAt(9 + 2 * (cells - 1));
    const qsizetype found = bytes.indexOf(key, page + lastCell);
    ASSERT_GE(found, page + lastCell);
    ASSERT_LE(found + key.size(), page + pageSize);
    bytes[found + key.size() - 1] = 'Z';
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString version1Schema(const QString &extraDisplayColumn)
{
    return QStringLiteral(R"sql(
CREATE TABLE layouts (id TEXT PRIMARY KEY NOT NULL, name TEXT NOT NULL COLLATE NOCASE UNIQUE,
    created_at REAL NOT NULL, updated_at REAL NOT NULL,
    automation_enabled INTEGER NOT NULL DEFAULT 0, automation_topology_signature TEXT,
    shortcut_key_code INTEGER, shortcut_modifiers INTEGER);
CREATE TABLE displays (layout_id TEXT NOT NULL REFERENCES layouts(id) ON DELETE CASCADE,
    display_key TEXT NOT NULL, ordinal INTEGER NOT NULL,
    vendor INTEGER NOT NULL, model INTEGER NOT NULL, serial INTEGER NOT NULL, unit INTEGER NOT NULL,
    visible_x REAL NOT NULL, visible_y REAL NOT NULL, visible_width REAL NOT NULL, visible_height REAL NOT NULL,
    pixel_width INTEGER NOT NULL, pixel_height INTEGER NOT NULL, scale REAL NOT NULL,
    is_primary INTEGER NOT NULL %1,
    PRIMARY KEY (layout_id, display_key));
CREATE TABLE windows (id TEXT PRIMARY KEY NOT NULL,
    layout_id TEXT NOT NULL REFERENCES layouts(id) ON DELETE CASCADE, ordinal INTEGER NOT NULL,
    bundle_id TEXT NOT NULL, app_name TEXT NOT NULL, role TEXT NOT NULL, subrole TEXT NOT NULL,
    hostname TEXT, display_key TEXT NOT NULL,
    rel_x REAL NOT NULL, rel_y REAL NOT NULL, rel_width REAL NOT NULL, rel_height REAL NOT NULL,
    FOREIGN KEY (layout_id, display_key) REFERENCES displays(layout_id, display_key) ON DELETE CASCADE);
CREATE INDEX windows_layout_idx ON windows(layout_id, ordinal);
CREATE TABLE exclusions (bundle_id TEXT PRIMARY KEY NOT NULL, app_name TEXT NOT NULL,
    created_at REAL NOT NULL);
INSERT INTO layouts VALUES ('0A1B2C3D-0000-4000-8000-000000000001', 'Desk', 1000, 2000, 1,
    '16-32-1@0,0,14400x8750/2880x1750@20P', NULL, NULL);
INSERT INTO displays (layout_id, display_key, ordinal, vendor, model, serial, unit, visible_x,
    visible_y, visible_width, visible_height, pixel_width, pixel_height, scale, is_primary)
    VALUES ('0A1B2C3D-0000-4000-8000-000000000001', '16-32-1', 0, 16, 32, 0, 1, 0, 0, 1440, 875,
    2880, 1750, 2.0, 1);
INSERT INTO windows VALUES ('0A1B2C3D-0000-4000-8000-0000000000A1',
    '0A1B2C3D-0000-4000-8000-000000000001', 0, 'org.gnome.Terminal', 'Terminal', 'AXWindow',
    'AXStandardWindow', NULL, '16-32-1', 0, 0, 0.5, 1);
PRAGMA user_version = 1;
)sql")
        .arg(extraDisplayColumn);
}

const char *const version2Upgrade = R"sql(
ALTER TABLE displays ADD COLUMN frame_x REAL NOT NULL DEFAULT 0;
ALTER TABLE displays ADD COLUMN frame_y REAL NOT NULL DEFAULT 0;
ALTER TABLE displays ADD COLUMN frame_width REAL NOT NULL DEFAULT 0;
ALTER TABLE displays ADD COLUMN frame_height REAL NOT NULL DEFAULT 0;
UPDATE displays SET frame_x = -10, frame_y = -20, frame_width = 1440, frame_height = 900;
UPDATE layouts SET automation_topology_signature = 'kept', automation_enabled = 1;
PRAGMA user_version = 2;
)sql";

DisplaySnapshot sampleDisplay(quint32 serial, quint32 unit, bool primary, double x)
{
    DisplaySnapshot display;
    display.identity = DisplayIdentity{16, 32, serial, unit};
    display.frame = RectD{x, 0, 1920, 1080};
    display.visibleFrame = RectD{x, 25, 1920, 1055};
    display.pixelWidth = 1920;
    display.pixelHeight = 1080;
    display.scale = 1.0;
    display.isPrimary = primary;
    display.frameInferred = false;
    return display;
}

WindowEntry sampleEntry(const DisplaySnapshot &display, const QString &appName, double relativeX)
{
    WindowEntry entry;
    entry.id = QUuid::createUuid();
    entry.bundleID = QStringLiteral("org.example.") + appName.toLower();
    entry.appName = appName;
    entry.role = QStringLiteral("AXWindow");
    entry.subrole = QStringLiteral("AXStandardWindow");
    entry.displayKey = display.identity.key();
    entry.relativeFrame = RelativeFrame{relativeX, 0.05, 0.5, 0.75};
    return entry;
}

void StoreTest::SetUp()
{
    ensureApplication();
    ASSERT_TRUE(dir.isValid());
    openStore();
}

void StoreTest::openStore(int busyTimeoutMilliseconds, SQLiteJournalPolicy journalPolicy)
{
    store.reset();
    auto database = std::make_unique<SQLiteDatabase>(path, SQLiteOpenMode::readWriteCreate,
                                                     journalPolicy, busyTimeoutMilliseconds);
    LayoutStore::migrate(*database, 0);
    const StorePaths paths{dir.path(), path, dir.filePath(QStringLiteral("Ostrel.backup.sqlite")),
                           dir.filePath(QStringLiteral("Ostrel.reset-pending"))};
    store = std::make_unique<LayoutStore>(paths, std::nullopt, std::move(database));
    store->setClock(
        [this] { return QDateTime::fromSecsSinceEpoch(++clockSeconds, QTimeZone::utc()); });
}

QDateTime StoreTest::lastTick() const
{
    return QDateTime::fromSecsSinceEpoch(clockSeconds, QTimeZone::utc());
}

Layout StoreTest::saveLayout(const QString &name, const QList<DisplaySnapshot> &displays,
                             const QList<WindowEntry> &entries)
{
    return await(store->createLayout(name, displays, entries, std::nullopt));
}

Layout StoreTest::saveSampleLayout(const QString &name, int windowCount)
{
    const DisplaySnapshot left = sampleDisplay(0, 1, true);
    const DisplaySnapshot right = sampleDisplay(7, 2, false, 1920);
    QList<WindowEntry> entries;
    for (int i = 0; i < windowCount; ++i) {
        entries << sampleEntry(i % 2 ? right : left, QStringLiteral("App%1").arg(i), 0.1 * i);
    }
    return saveLayout(name, {left, right}, entries);
}

} // namespace ostrel::test

namespace ostrel {

void PrintTo(const StorageError &error, std::ostream *out)
{
    *out << "StorageError(" << static_cast<int>(error.kind()) << ", \""
         << error.errorDescription().toStdString() << "\")";
}

void PrintTo(const SQLiteFailure &failure, std::ostream *out)
{
    *out << "SQLiteFailure(" << failure.primary << ", " << failure.extended << ", \""
         << failure.message.toStdString() << "\")";
}

} // namespace ostrel
