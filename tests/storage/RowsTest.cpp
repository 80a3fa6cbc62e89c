#include "StorageTestSupport.h"

#include "Await.h"
#include "storage/SQLiteStatement.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

struct RowsTest : StoreTest {
    // Changes the file behind the store's back, the way damage or a foreign writer would:
    // through a connection of its own with the references and checks switched off.
    void damage(const QString &sql)
    {
        SQLiteDatabase other = openSecondConnection(path);
        other.execute(
            QStringLiteral("PRAGMA foreign_keys = OFF; PRAGMA ignore_check_constraints = ON;"));
        other.execute(sql);
    }

    // The check that opening, backups and recovery make of a file: it reads and validates every
    // layout row as the load does, keeping no values.
    void checkLayouts()
    {
        store->executor().runBlocking([&] { LayoutStore::checkLayouts(store->database()); });
    }
};

} // namespace

TEST_F(RowsTest, ALayoutReadsBackAsItWasWrittenInItsOrder)
{
    const DisplaySnapshot right = sampleDisplay(7, 2, false, 1920);
    DisplaySnapshot left = sampleDisplay(0, 1, true);
    left.frameInferred = true;
    left.scale = 2.0;
    left.pixelWidth = 3840;
    left.pixelHeight = 2160;
    WindowEntry browser = sampleEntry(right, QStringLiteral("Browser"), -0.25);
    browser.hostname = QStringLiteral("example.org");
    browser.relativeFrame = RelativeFrame{16, -16, 16, 16};
    const QList<WindowEntry> entries{sampleEntry(left, QStringLiteral("Zed")), browser,
                                     sampleEntry(left, QStringLiteral("Alpha"), 0.3)};

    const Layout created = saveLayout(QStringLiteral("Desk"), {right, left}, entries);
    EXPECT_EQ(created.displays, (QList<DisplaySnapshot>{right, left}));
    EXPECT_EQ(created.entries, entries);
    EXPECT_EQ(created.createdAt, lastTick());
    EXPECT_EQ(created.updatedAt, lastTick());

    const QList<Layout> loaded = await(store->loadLayouts());
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0], created);

    SQLiteDatabase other = openSecondConnection(path);
    EXPECT_EQ(rows(other, "SELECT display_key, ordinal FROM displays ORDER BY ordinal"),
              (QStringList{"16-32-7|0", "16-32-1|1"}));
    EXPECT_EQ(rows(other, "SELECT app_name, ordinal FROM windows ORDER BY ordinal"),
              (QStringList{"Zed|0", "Browser|1", "Alpha|2"}));
    EXPECT_EQ(scalar(other, "SELECT id FROM layouts"),
              created.id.toString(QUuid::WithoutBraces).toUpper());
}

TEST_F(RowsTest, LayoutsListOldestFirstAndExclusionsByNameIgnoringCase)
{
    // Equal creation times fall back to the name without regard to case.
    store->setClock([] { return QDateTime::fromSecsSinceEpoch(1704067200, QTimeZone::utc()); });
    saveSampleLayout(QStringLiteral("b"));
    saveSampleLayout(QStringLiteral("C"));
    saveSampleLayout(QStringLiteral("a"));
    store->setClock([] { return QDateTime::fromSecsSinceEpoch(1000, QTimeZone::utc()); });
    saveSampleLayout(QStringLiteral("z oldest"));

    QStringList names;
    for (const Layout &layout : await(store->loadLayouts())) {
        names << layout.name;
    }
    EXPECT_EQ(names, (QStringList{"z oldest", "a", "b", "C"}));

    await(store->addExclusion(QStringLiteral("org.example.beta"), QStringLiteral("beta")));
    await(store->addExclusion(QStringLiteral("org.example.alpha"), QStringLiteral("Alpha")));
    const QList<AppExclusion> exclusions = await(store->loadExclusions());
    ASSERT_EQ(exclusions.size(), 2);
    EXPECT_EQ(exclusions[0].appName, QStringLiteral("Alpha"));
    EXPECT_EQ(exclusions[1],
              (AppExclusion{QStringLiteral("org.example.beta"), QStringLiteral("beta"),
                            QDateTime::fromSecsSinceEpoch(1000, QTimeZone::utc())}));
}

TEST_F(RowsTest, EveryDamagedRowFailsTheWholeReadWithItsOwnSentence)
{
    const struct {
        const char *damage;
        const char *sentence;
        bool exclusions = false;
    } cases[] = {
        {"UPDATE layouts SET id = 'not-an-identifier'", "A layout row has an invalid identifier."},
        {"UPDATE layouts SET id = '{' || id || '}'", "A layout row has an invalid identifier."},
        {"UPDATE layouts SET created_at = 4102444800.5",
         "A layout creation date is not a valid date."},
        {"UPDATE layouts SET created_at = 9e999", "A layout creation date is not a valid date."},
        {"UPDATE layouts SET updated_at = -62135596800.5",
         "A layout update date is not a valid date."},
        {"UPDATE layouts SET shortcut_key_code = 12", "A layout shortcut is incomplete."},
        {"UPDATE layouts SET shortcut_modifiers = 256", "A layout shortcut is incomplete."},
        {"UPDATE layouts SET shortcut_key_code = 65536, shortcut_modifiers = 256",
         "A layout shortcut is outside the supported range."},
        {"UPDATE layouts SET shortcut_key_code = 1, shortcut_modifiers = 8448",
         "A layout shortcut is outside the supported range."},
        {"UPDATE layouts SET shortcut_key_code = -1, shortcut_modifiers = 256",
         "A shortcut key code is outside the valid range."},
        {"UPDATE layouts SET shortcut_key_code = 1, shortcut_modifiers = 4294967296",
         "A shortcut modifier mask is outside the valid range."},
        {"UPDATE displays SET vendor = -1 WHERE serial = 7",
         "A display vendor is outside the valid range."},
        {"UPDATE displays SET model = 4294967296", "A display model is outside the valid range."},
        {"UPDATE displays SET serial = -5", "A display serial is outside the valid range."},
        {"UPDATE displays SET unit = 1e10", "A display unit is outside the valid range."},
        {"UPDATE displays SET display_key = '16-32-2' WHERE serial = 0",
         "A saved display key does not match its identity."},
        {"UPDATE displays SET display_key = '' WHERE serial = 0",
         "A saved display key does not match its identity."},
        // Without a serial the unit takes its place in the key; the serial-7 key no longer fits.
        {"UPDATE displays SET serial = 0 WHERE serial = 7",
         "A saved display key does not match its identity."},
        // The primary key forbids this, so only a file whose table lost it can hold it.
        {"PRAGMA legacy_alter_table = ON; ALTER TABLE displays RENAME TO displays_kept;"
         "CREATE TABLE displays AS SELECT * FROM displays_kept;"
         "INSERT INTO displays SELECT * FROM displays_kept WHERE serial = 7;",
         "A layout lists the same display twice."},
        {"UPDATE displays SET scale = 4.01 WHERE serial = 7",
         "A saved display has invalid geometry or resolution."},
        {"UPDATE displays SET pixel_width = 100001",
         "A saved display has invalid geometry or resolution."},
        {"UPDATE displays SET frame_x = 1000000.5",
         "A saved display has invalid geometry or resolution."},
        {"UPDATE displays SET visible_height = 0",
         "A saved display has invalid geometry or resolution."},
        {"UPDATE displays SET is_primary = 1", "A layout marks more than one display as primary."},
        {"UPDATE windows SET id = 'window' WHERE ordinal = 1",
         "A window row has an invalid identifier."},
        {"UPDATE windows SET id = '' WHERE ordinal = 1", "A window row has an invalid identifier."},
        // The same identifier in the other letter case is another row to SQLite, not to us.
        {"INSERT INTO windows SELECT lower(id), layout_id, 9, bundle_id, app_name, role, subrole,"
         " hostname, display_key, rel_x, rel_y, rel_width, rel_height FROM windows WHERE ordinal = "
         "0",
         "A layout lists the same window entry twice."},
        {"UPDATE windows SET role = '' WHERE ordinal = 2",
         "A saved window is missing required identity fields."},
        {"UPDATE windows SET subrole = '' WHERE ordinal = 2",
         "A saved window is missing required identity fields."},
        {"UPDATE windows SET bundle_id = ''",
         "A saved window is missing required identity fields."},
        {"UPDATE windows SET display_key = '9-9-9' WHERE ordinal = 1",
         "A saved window refers to a display that is not in the layout."},
        {"UPDATE windows SET rel_x = 16.01", "A saved window has invalid relative geometry."},
        {"UPDATE windows SET rel_height = -1", "A saved window has invalid relative geometry."},
        {"UPDATE exclusions SET app_name = ''", "An exclusion row is missing its identity.", true},
        {"UPDATE exclusions SET bundle_id = ''", "An exclusion row is missing its identity.", true},
        {"UPDATE exclusions SET created_at = -9e999", "An exclusion date is not a valid date.",
         true},
        // No writer of text puts a NUL there.
        {"UPDATE layouts SET name = 'De' || char(0) || 'sk'", "A layout row has an invalid name."},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.damage);
        path = dir.filePath(QStringLiteral("case-%1.sqlite").arg(index++));
        openStore();
        saveSampleLayout(QStringLiteral("Desk"));
        await(store->addExclusion(QStringLiteral("org.example.app"), QStringLiteral("App")));
        damage(QString::fromUtf8(c.damage));
        const QStringList before = dump(path);

        const StorageError error = storageErrorOf([&] {
            if (c.exclusions) {
                await(store->loadExclusions());
            } else {
                await(store->loadLayouts());
            }
        });
        EXPECT_EQ(error, StorageError::readFailed(QString::fromUtf8(c.sentence)));
        if (!c.exclusions) {
            EXPECT_EQ(storageErrorOf([&] { checkLayouts(); }), error);
        }
        EXPECT_EQ(dump(path), before);
    }
}

// SQLite keeps a value it cannot convert to the column's type as it came, and its column reads
// would turn 'abc' into 0 and '12abc' into 12 without a word.
TEST_F(RowsTest, AValueOfAnotherTypeThanItsColumnIsADamagedRow)
{
    const QString layoutRow = QStringLiteral("A layout row holds a value of the wrong type.");
    const QString displayRow = QStringLiteral("A display row holds a value of the wrong type.");
    const QString windowRow = QStringLiteral("A window row holds a value of the wrong type.");
    const QString exclusionRow =
        QStringLiteral("An exclusion row holds a value of the wrong type.");
    // A required column that lost its NOT NULL, as in a file whose table was rebuilt.
    const auto withoutConstraints = [](const char *table, const char *change) {
        return QStringLiteral("PRAGMA legacy_alter_table = ON; ALTER TABLE %1 RENAME TO kept;"
                              "CREATE TABLE %1 AS SELECT * FROM kept; %2")
            .arg(QLatin1String(table), QLatin1String(change));
    };
    const struct {
        QString damage;
        QString sentence;
        bool exclusions = false;
    } cases[] = {
        // text where a number belongs
        {"UPDATE layouts SET created_at = 'abc'", layoutRow},
        {"UPDATE layouts SET automation_enabled = 'yes'", layoutRow},
        {"UPDATE layouts SET shortcut_key_code = 'abc', shortcut_modifiers = 256", layoutRow},
        {"UPDATE displays SET vendor = 'sixteen' WHERE serial = 0", displayRow},
        {"UPDATE displays SET frame_width = '1920px' WHERE serial = 0", displayRow},
        {"UPDATE windows SET rel_x = 'abc' WHERE ordinal = 1", windowRow},
        {"UPDATE windows SET rel_width = '12abc' WHERE ordinal = 1", windowRow},
        {"UPDATE exclusions SET created_at = 'yesterday'", exclusionRow, true},
        // a fraction where an integer belongs
        {"UPDATE layouts SET automation_enabled = 0.5", layoutRow},
        {"UPDATE displays SET is_primary = 0.5 WHERE serial = 7", displayRow},
        {"UPDATE displays SET pixel_height = 1080.5", displayRow},
        // bytes where text belongs
        {"UPDATE layouts SET name = CAST('Desk' AS BLOB)", layoutRow},
        {"UPDATE layouts SET automation_topology_signature = x'00'", layoutRow},
        {"UPDATE displays SET display_key = CAST(display_key AS BLOB)", displayRow},
        {"UPDATE windows SET app_name = CAST(app_name AS BLOB)", windowRow},
        {"UPDATE windows SET hostname = x'6578616d706c65'", windowRow},
        {"UPDATE exclusions SET bundle_id = CAST(bundle_id AS BLOB)", exclusionRow, true},
        {"UPDATE layouts SET id = CAST(id AS BLOB)",
         QStringLiteral("A layout row has an invalid identifier.")},
        {"UPDATE windows SET id = CAST(id AS BLOB) WHERE ordinal = 2",
         QStringLiteral("A window row has an invalid identifier.")},
        // nothing where a value is required
        {withoutConstraints("windows", "UPDATE windows SET rel_y = NULL"), windowRow},
        {withoutConstraints("displays", "UPDATE displays SET scale = NULL"), displayRow},
        {withoutConstraints("layouts", "UPDATE layouts SET updated_at = NULL"), layoutRow},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.damage.toStdString());
        path = dir.filePath(QStringLiteral("case-%1.sqlite").arg(index++));
        openStore();
        saveSampleLayout(QStringLiteral("Desk"));
        await(store->addExclusion(QStringLiteral("org.example.app"), QStringLiteral("App")));
        damage(c.damage);

        EXPECT_EQ(storageErrorOf([&] {
                      if (c.exclusions) {
                          await(store->loadExclusions());
                      } else {
                          await(store->loadLayouts());
                      }
                  }),
                  StorageError::readFailed(c.sentence));
        if (!c.exclusions) {
            EXPECT_EQ(storageErrorOf([&] { checkLayouts(); }),
                      StorageError::readFailed(c.sentence));
        }
    }
}

TEST_F(RowsTest, RowsAtTheEdgesOfWhatIsValidStillLoad)
{
    const struct {
        const char *change;
        std::function<void(const Layout &)> check;
    } cases[] = {
        {"UPDATE windows SET hostname = ''",
         [](const Layout &l) { EXPECT_EQ(l.entries[0].hostname, std::nullopt); }},
        {"UPDATE displays SET is_primary = 0",
         [](const Layout &l) { EXPECT_FALSE(l.displays[0].isPrimary || l.displays[1].isPrimary); }},
        {"UPDATE displays SET is_primary = 7 WHERE serial = 0",
         [](const Layout &l) { EXPECT_TRUE(l.displays[0].isPrimary); }},
        {"UPDATE layouts SET shortcut_key_code = 0, shortcut_modifiers = 0",
         [](const Layout &l) {
             EXPECT_EQ(l.shortcut, (Shortcut{0, 0}));
         }},
        {"UPDATE layouts SET shortcut_key_code = 65535, shortcut_modifiers = 6912",
         [](const Layout &l) {
             EXPECT_EQ(l.shortcut, (Shortcut{65535, 0x1B00}));
         }},
        {"UPDATE layouts SET created_at = 4102444800, updated_at = -62135596800",
         [](const Layout &l) {
             EXPECT_EQ(l.createdAt.toSecsSinceEpoch(), 4102444800);
             EXPECT_EQ(l.updatedAt.toSecsSinceEpoch(), -62135596800);
         }},
        {"UPDATE windows SET id = lower(id)",
         [](const Layout &l) { EXPECT_EQ(l.entries.size(), 3); }},
        {"UPDATE windows SET rel_x = -16, rel_y = 16, rel_width = 16",
         [](const Layout &l) {
             EXPECT_EQ(l.entries[0].relativeFrame, (RelativeFrame{-16, 16, 16, 0.75}));
         }},
        // The store itself cuts a long name after its 120th character and keeps a space there.
        {"UPDATE layouts SET name = printf('%.119c ', 'x')",
         [](const Layout &l) { EXPECT_EQ(l.name, QString(119, 'x') + ' '); }},
        {"UPDATE layouts SET name = printf('%.120c', 'x')",
         [](const Layout &l) { EXPECT_EQ(l.name.size(), 120); }},
        // Rows the store never writes but older files and hand edits hold: one of them must not
        // lock the user out of every layout, so each loads as it is.
        {"UPDATE layouts SET name = ''", [](const Layout &l) { EXPECT_EQ(l.name, QString()); }},
        {"UPDATE layouts SET name = '  Desk' || char(10)",
         [](const Layout &l) { EXPECT_EQ(l.name, QStringLiteral("  Desk\n")); }},
        {"UPDATE layouts SET name = printf('%.121c', 'x')",
         [](const Layout &l) { EXPECT_EQ(l.name, QString(121, 'x')); }},
        {"DELETE FROM windows",
         [](const Layout &l) {
             EXPECT_EQ(l.entries.size(), 0);
             EXPECT_EQ(l.displays.size(), 2);
         }},
        {"DELETE FROM windows; DELETE FROM displays",
         [](const Layout &l) {
             EXPECT_EQ(l.entries.size(), 0);
             EXPECT_EQ(l.displays.size(), 0);
         }},
        // Numbers written as other numbers or as numeric text take the column's own type.
        {"UPDATE windows SET rel_x = 1, rel_y = '0.25'",
         [](const Layout &l) {
             EXPECT_EQ(l.entries[0].relativeFrame, (RelativeFrame{1, 0.25, 0.5, 0.75}));
         }},
        {"UPDATE displays SET pixel_width = '3840', scale = 2 WHERE serial = 0",
         [](const Layout &l) { EXPECT_EQ(l.displays[0].pixelWidth, 3840); }},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        path = dir.filePath(QStringLiteral("case-%1.sqlite").arg(index++));
        openStore();
        saveSampleLayout(QStringLiteral("Desk"));
        damage(QString::fromUtf8(c.change));
        const QList<Layout> layouts = await(store->loadLayouts());
        ASSERT_EQ(layouts.size(), 1);
        c.check(layouts[0]);
        checkLayouts();
    }
}

TEST_F(RowsTest, CapturesThatCannotBeStoredAreRefusedBeforeAnythingIsWritten)
{
    saveSampleLayout(QStringLiteral("Existing"));
    const QStringList before = dump(path);

    const DisplaySnapshot primary = sampleDisplay(0, 1, true);
    const DisplaySnapshot other = sampleDisplay(7, 2, false, 1920);
    const WindowEntry entry = sampleEntry(primary, QStringLiteral("App"));
    const auto withDisplay = [&](auto change) {
        DisplaySnapshot d = primary;
        change(d);
        return QList<DisplaySnapshot>{d};
    };
    const auto withEntry = [&](auto change) {
        WindowEntry e = entry;
        change(e);
        return QList<WindowEntry>{e};
    };
    const QString displays = QStringLiteral("The captured display information is not valid.");
    const QString windows = QStringLiteral("The captured window information is not valid.");
    const struct {
        const char *name;
        QList<DisplaySnapshot> displays;
        QList<WindowEntry> entries;
        QString sentence;
    } cases[] = {
        {"no displays", {}, {entry}, displays},
        {"scale", withDisplay([](DisplaySnapshot &d) { d.scale = 0.49; }), {entry}, displays},
        {"infinite frame",
         withDisplay([](DisplaySnapshot &d) { d.frame.x = INFINITY; }),
         {entry},
         displays},
        {"NaN visible frame",
         withDisplay([](DisplaySnapshot &d) { d.visibleFrame.width = NAN; }),
         {entry},
         displays},
        {"no pixels",
         withDisplay([](DisplaySnapshot &d) { d.pixelHeight = 0; }),
         {entry},
         displays},
        {"two primaries",
         {primary, sampleDisplay(7, 2, true, 1920)},
         {entry},
         QStringLiteral("Only one display can be marked primary.")},
        {"no role", {primary}, withEntry([](WindowEntry &e) { e.role.clear(); }), windows},
        {"no app name", {primary}, withEntry([](WindowEntry &e) { e.appName.clear(); }), windows},
        {"unknown display",
         {primary},
         withEntry([](WindowEntry &e) { e.displayKey = "16-32-7"; }),
         windows},
        {"huge frame",
         {primary},
         withEntry([](WindowEntry &e) { e.relativeFrame.width = 16.5; }),
         windows},
        {"NaN frame",
         {primary},
         withEntry([](WindowEntry &e) { e.relativeFrame.x = NAN; }),
         windows},
        {"one bad entry of two",
         {primary, other},
         {entry, sampleEntry(other, QStringLiteral("B"), 17)},
         windows},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(storageErrorOf([&] {
                      await(store->createLayout(QStringLiteral("New"), c.displays, c.entries,
                                                std::nullopt));
                  }),
                  StorageError::writeFailed(c.sentence));
    }
    EXPECT_EQ(dump(path), before);
}

TEST_F(RowsTest, AClosedConnectionFailsReadsAndWritesWithoutTouchingTheFile)
{
    const Layout layout = saveSampleLayout(QStringLiteral("Desk"));
    const QStringList before = dump(path);
    store->executor().runBlocking([this] { store->database().close(); });

    const StorageError readFailed =
        StorageError::readFailed(QStringLiteral("The database is closed."));
    const StorageError writeFailed =
        StorageError::writeFailed(QStringLiteral("The database is closed."));
    EXPECT_EQ(storageErrorOf([&] { await(store->loadLayouts()); }), readFailed);
    EXPECT_EQ(storageErrorOf([&] { await(store->loadExclusions()); }), readFailed);
    EXPECT_EQ(storageErrorOf([&] { await(store->renameLayout(layout.id, QStringLiteral("New"))); }),
              writeFailed);
    EXPECT_EQ(storageErrorOf([&] { await(store->removeExclusion(QStringLiteral("x"))); }),
              writeFailed);
    // Checks that need no database still come first.
    EXPECT_EQ(storageErrorOf([&] { await(store->renameLayout(layout.id, QStringLiteral(" "))); }),
              StorageError::invalidName());
    EXPECT_EQ(dump(path), before);
}
