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
