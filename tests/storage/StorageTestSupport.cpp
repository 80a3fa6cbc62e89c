#include "StorageTestSupport.h"

#include "Await.h"
#include "TestApplication.h"
#include "storage/SQLiteStatement.h"

#include <QTimeZone>

#include <sqlite3.h>

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
        const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY 1, 2, 3").arg(table).toUtf8();
        result << QStringLiteral("table ") + table;
        result << rows(database, sql.constData());
    }
    return result;
}

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
    store->setClock([this] {
        return QDateTime::fromSecsSinceEpoch(++clockSeconds, QTimeZone::utc());
    });
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

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

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
