#include "StorageTestSupport.h"

#include "Await.h"
#include "storage/LibraryReader.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// A library whose rows do not lie in the order of their layouts: three layouts, one of which
// lost a window (its rows renumbered) and one whose windows were replaced (its rows now come
// last in the table).
struct LibraryReaderTest : StoreTest {
    Layout desk;
    Layout travel;
    Layout evening;

    void SetUp() override
    {
        StoreTest::SetUp();
        makeLibrary();
    }

    void makeLibrary()
    {
        desk = saveSampleLayout(QStringLiteral("Desk"), 4);
        travel = saveSampleLayout(QStringLiteral("Travel"), 3);
        const DisplaySnapshot only = sampleDisplay(0, 1, true);
        WindowEntry browser = sampleEntry(only, QStringLiteral("Browser"));
        browser.hostname = QStringLiteral("example.org");
        evening = saveLayout(QStringLiteral("Evening"), {only},
                             {browser, sampleEntry(only, QStringLiteral("App1"), 0.4)});
        await(store->removeEntry(desk.id, desk.entries[1].id));
        await(store->replaceLayoutContent(
            travel.id, travel.displays,
            {sampleEntry(travel.displays[1], QStringLiteral("App1"), 0.2),
             sampleEntry(travel.displays[0], QStringLiteral("Mail"), 0.3)}));
    }

    QString idText(const Layout &layout) const
    {
        return layout.id.toString(QUuid::WithoutBraces).toUpper();
    }

    // Changes the file behind the store's back, references and checks off.
    void change(const QString &sql)
    {
        SQLiteDatabase other = openSecondConnection(path);
        other.execute(
            QStringLiteral("PRAGMA foreign_keys = OFF; PRAGMA ignore_check_constraints = ON;"));
        other.execute(sql);
    }

    std::optional<QList<Layout>> readAll()
    {
        return store->executor().runBlocking(
            [&] { return LibraryReader::read(store->database()); });
    }
    QList<Layout> readOneByOne()
    {
        return store->executor().runBlocking(
            [&] { return LayoutStore::loadLayoutsOneByOne(store->database()); });
    }
};

} // namespace

// Whatever the order of the rows in their tables, the three statements give what reading layout
// by layout gives; where they cannot tell the order SQLite would give, they leave it to that.
TEST_F(LibraryReaderTest, TheWholeLibraryReadsAsLayoutByLayout)
{
    // DESK and TRAVEL stand for the identifiers of those layouts.
    const struct {
        const char *change;
        bool readAtOnce;
    } cases[] = {
        {"", true},
        // Rows read in the opposite order of their ordinals.
        {"UPDATE windows SET ordinal = 10 - ordinal WHERE layout_id = 'DESK'", true},
        // Two windows of one ordinal keep the order of the table, as the layout's index does.
        {"UPDATE windows SET ordinal = 0 WHERE layout_id = 'TRAVEL'", true},
        // Rows of no layout, damaged or not, are read by neither.
        {"INSERT INTO windows SELECT lower(id), 'no such layout', ordinal, bundle_id, '', role,"
         " subrole, hostname, display_key, 'x', rel_y, rel_width, rel_height FROM windows;"
         "INSERT INTO displays SELECT CAST(layout_id AS BLOB), display_key, ordinal, -1, model,"
         " serial, unit, frame_x, frame_y, frame_width, frame_height, visible_x, visible_y,"
         " visible_width, visible_height, pixel_width, pixel_height, scale, is_primary,"
         " frame_inferred FROM displays",
         true},
        // A layout's identifier in lower case still finds its rows, stored in upper case...
        {"UPDATE layouts SET id = lower(id) WHERE id = 'DESK'", true},
        // ...but rows stored in lower case are no layout's.
        {"UPDATE windows SET layout_id = lower(layout_id) WHERE layout_id = 'DESK'", true},
        // The same identifier in both cases: both layouts take the same rows.
        {"INSERT INTO layouts SELECT lower(id), 'Desk again', created_at + 1, updated_at,"
         " automation_enabled, automation_topology_signature, shortcut_key_code,"
         " shortcut_modifiers FROM layouts WHERE id = 'DESK'",
         true},
        // Two displays of one ordinal: SQLite's order is not sure, so layout by layout it is.
        {"UPDATE displays SET ordinal = 0 WHERE layout_id = 'DESK'", false},
        // An ordinal SQLite orders as text.
        {"UPDATE windows SET ordinal = 'first' WHERE layout_id = 'DESK' AND ordinal = 0", false},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        path = dir.filePath(QStringLiteral("case-%1.sqlite").arg(index++));
        openStore();
        makeLibrary();
        if (*c.change) {
            change(QString::fromUtf8(c.change)
                       .replace(QStringLiteral("DESK"), idText(desk))
                       .replace(QStringLiteral("TRAVEL"), idText(travel)));
        }
        const QList<Layout> oneByOne = readOneByOne();
        const std::optional<QList<Layout>> atOnce = readAll();
        EXPECT_EQ(atOnce.has_value(), c.readAtOnce);
        if (atOnce) {
            EXPECT_EQ(*atOnce, oneByOne);
        }
        EXPECT_EQ(await(store->loadLayouts()), oneByOne);
        EXPECT_NO_THROW(
            store->executor().runBlocking([&] { LayoutStore::checkLayouts(store->database()); }));
    }
}

// A library repeats its texts in every layout; each is held once, however many rows hold it.
TEST_F(LibraryReaderTest, EachRepeatedTextIsHeldOnce)
{
    const QList<Layout> layouts = await(store->loadLayouts());
    ASSERT_EQ(layouts.size(), 3);
    const WindowEntry &travelApp1 = layouts[1].entries[0];
    const WindowEntry &eveningApp1 = layouts[2].entries[1];
    ASSERT_EQ(travelApp1.appName, QStringLiteral("App1"));
    ASSERT_EQ(eveningApp1.appName, QStringLiteral("App1"));
    const struct {
        const char *what;
        QString a;
        QString b;
    } shared[] = {
        {"application id", travelApp1.bundleID, eveningApp1.bundleID},
        {"application name", travelApp1.appName, eveningApp1.appName},
        {"role", layouts[0].entries[0].role, layouts[2].entries[0].role},
        {"subrole", layouts[0].entries[0].subrole, layouts[1].entries[1].subrole},
        {"display key", layouts[0].entries[0].displayKey, layouts[2].entries[1].displayKey},
    };
    for (const auto &c : shared) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.a, c.b);
        EXPECT_TRUE(c.a.isSharedWith(c.b));
    }
}

// Every row that the layout-by-layout reader refuses, the three statements leave to it, in
// whichever layout it lies: the load and the check of a file then fail with its sentence. Among
// them the rows a store opened with before a refused row counted as damage: a window on a
// display of another layout or of none, dates past what is stored, two primary displays, half
// a shortcut.
TEST_F(LibraryReaderTest, EveryRowTheLayoutByLayoutReaderRefusesIsLeftToIt)
{
    // DESK, TRAVEL and EVENING stand for the identifiers of those layouts.
    const struct {
        const char *change;
        const char *sentence;
    } cases[] = {
        {"UPDATE windows SET display_key = '16-32-9' WHERE layout_id = 'EVENING'",
         "A saved window refers to a display that is not in the layout."},
        // A display of the other layouts, not of its own.
        {"UPDATE windows SET display_key = '16-32-7' WHERE layout_id = 'EVENING'",
         "A saved window refers to a display that is not in the layout."},
        {"UPDATE layouts SET created_at = 5680281600 WHERE id = 'TRAVEL'",
         "A layout creation date is not a valid date."},
        {"UPDATE layouts SET updated_at = 4102444800.001 WHERE id = 'EVENING'",
         "A layout update date is not a valid date."},
        {"UPDATE layouts SET created_at = -62135596801 WHERE id = 'DESK'",
         "A layout creation date is not a valid date."},
        {"UPDATE displays SET is_primary = 1 WHERE layout_id = 'TRAVEL'",
         "A layout marks more than one display as primary."},
        {"UPDATE layouts SET shortcut_key_code = 12 WHERE id = 'EVENING'",
         "A layout shortcut is incomplete."},
        {"UPDATE layouts SET shortcut_modifiers = 256 WHERE id = 'TRAVEL'",
         "A layout shortcut is incomplete."},
        {"UPDATE layouts SET shortcut_key_code = 12, shortcut_modifiers = 16640"
         " WHERE id = 'EVENING'",
         "A layout shortcut is outside the supported range."},
        // The same identifier in the other letter case is another row to SQLite, not to us.
        {"INSERT INTO windows SELECT lower(id), layout_id, 9, bundle_id, app_name, role, subrole,"
         " hostname, display_key, rel_x, rel_y, rel_width, rel_height FROM windows"
         " WHERE layout_id = 'TRAVEL' AND ordinal = 0",
         "A layout lists the same window entry twice."},
        {"UPDATE windows SET app_name = '' WHERE layout_id = 'EVENING' AND ordinal = 1",
         "A saved window is missing required identity fields."},
        {"UPDATE displays SET display_key = '16-32-8' WHERE layout_id = 'EVENING'",
         "A saved display key does not match its identity."},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        path = dir.filePath(QStringLiteral("refused-%1.sqlite").arg(index++));
        openStore();
        makeLibrary();
        change(QString::fromUtf8(c.change)
                   .replace(QStringLiteral("DESK"), idText(desk))
                   .replace(QStringLiteral("TRAVEL"), idText(travel))
                   .replace(QStringLiteral("EVENING"), idText(evening)));
        const StorageError refusal = StorageError::readFailed(QString::fromUtf8(c.sentence));
        EXPECT_EQ(storageErrorOf([&] { readOneByOne(); }), refusal);
        EXPECT_EQ(readAll(), std::nullopt);
        EXPECT_FALSE(
            store->executor().runBlocking([&] { return LibraryReader::check(store->database()); }));
        EXPECT_EQ(storageErrorOf([&] { await(store->loadLayouts()); }), refusal);
        EXPECT_EQ(storageErrorOf([&] {
                      store->executor().runBlocking(
                          [&] { LayoutStore::checkLayouts(store->database()); });
                  }),
                  refusal);
    }
}
