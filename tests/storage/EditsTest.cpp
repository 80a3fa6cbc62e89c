#include "StorageTestSupport.h"

#include "Await.h"
#include "model/Topology.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>

using namespace ostrel;
using namespace ostrel::test;

namespace {

struct EditsTest : StoreTest {
    Layout only()
    {
        const QList<Layout> layouts = await(store->loadLayouts());
        EXPECT_EQ(layouts.size(), 1);
        return layouts.value(0);
    }
    Layout named(const QString &name)
    {
        for (const Layout &layout : await(store->loadLayouts())) {
            if (layout.name == name) {
                return layout;
            }
        }
        ADD_FAILURE() << "no layout " << name.toStdString();
        return {};
    }
    QStringList column(const char *sql)
    {
        SQLiteDatabase other = openSecondConnection(path);
        return rows(other, sql);
    }
};

QString repeated(const QString &text, int count)
{
    QString result;
    for (int i = 0; i < count; ++i) {
        result += text;
    }
    return result;
}

} // namespace

TEST_F(EditsTest, NamesAreTrimmedAndCutToTheirFirst120Characters)
{
    const QString longAscii =
        QString(119, QLatin1Char('a')) + QStringLiteral(" ") + QString(10, QLatin1Char('b'));
    const struct {
        QString given;
        QString stored;
    } cases[] = {
        {QStringLiteral("  Desk \n"), QStringLiteral("Desk")},
        {QStringLiteral("\t Two  words \r\n"), QStringLiteral("Two  words")},
        // The cut keeps the space that ends up last.
        {longAscii, QString(119, QLatin1Char('a')) + QStringLiteral(" ")},
        // Characters as the user sees them: a letter with a combining accent is one.
        {repeated(QStringLiteral("e\u0301"), 125), repeated(QStringLiteral("e\u0301"), 120)},
        {repeated(QStringLiteral("🇩🇪"), 121), repeated(QStringLiteral("🇩🇪"), 120)},
        {repeated(QStringLiteral("x"), 120), repeated(QStringLiteral("x"), 120)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.given.toStdString());
        const Layout layout = saveSampleLayout(c.given);
        EXPECT_EQ(layout.name, c.stored);
        EXPECT_EQ(named(c.stored).id, layout.id);
        await(store->deleteLayout(layout.id));
    }

    const Layout desk = saveSampleLayout(QStringLiteral("Desk"));
    await(store->renameLayout(desk.id, QStringLiteral("  Couch  ")));
    EXPECT_EQ(only().name, QStringLiteral("Couch"));
}

TEST_F(EditsTest, EmptyNamesAndDuplicatesUpToAsciiCaseAreRefusedAndWriteNothing)
{
    const Layout desk = saveSampleLayout(QStringLiteral("Desk"));
    const Layout other = saveSampleLayout(QStringLiteral("Other"));
    const QStringList before = dump(path);

    const struct {
        const char *name;
        std::function<void()> edit;
        StorageError expected;
    } cases[] = {
        {"create empty", [&] { saveSampleLayout(QString()); }, StorageError::invalidName()},
        {"create blank", [&] { saveSampleLayout(QStringLiteral(" \n\t \u00A0")); },
         StorageError::invalidName()},
        {"rename blank", [&] { await(store->renameLayout(desk.id, QStringLiteral("   "))); },
         StorageError::invalidName()},
        {"create other case", [&] { saveSampleLayout(QStringLiteral("desk")); },
         StorageError::duplicateName(QStringLiteral("desk"))},
        {"create padded", [&] { saveSampleLayout(QStringLiteral("  DESK ")); },
         StorageError::duplicateName(QStringLiteral("DESK"))},
        {"rename onto another",
         [&] { await(store->renameLayout(other.id, QStringLiteral("dEsK"))); },
         StorageError::duplicateName(QStringLiteral("dEsK"))},
        // The empty check comes before the duplicate check.
        {"create empty and no windows",
         [&] { saveLayout(QStringLiteral(" "), {sampleDisplay(0, 1, true)}, {}); },
         StorageError::invalidName()},
        {"create no windows",
         [&] { saveLayout(QStringLiteral("New"), {sampleDisplay(0, 1, true)}, {}); },
         StorageError::emptyLayout()},
        // A NUL would cut the name short wherever it is passed on as a C string.
        {"create with a NUL", [&] { saveSampleLayout(QStringLiteral("New") + QChar(0) + "er"); },
         StorageError::invalidName()},
        {"rename to a NUL first",
         [&] { await(store->renameLayout(desk.id, QChar(0) + QStringLiteral("Desk"))); },
         StorageError::invalidName()},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(storageErrorOf(c.edit), c.expected) << c.name;
    }
    EXPECT_EQ(dump(path), before);

    // NOCASE folds ASCII letters only.
    saveSampleLayout(QStringLiteral("Ärger"));
    EXPECT_NO_THROW(saveSampleLayout(QStringLiteral("ärger")));
}

TEST_F(EditsTest, RenamingToItsOwnNameInAnyCaseSucceedsAndTouchesTheLayout)
{
    const Layout desk = saveSampleLayout(QStringLiteral("Desk"));
    await(store->renameLayout(desk.id, QStringLiteral("Desk")));
    EXPECT_EQ(only().updatedAt, lastTick());
    await(store->renameLayout(desk.id, QStringLiteral("DESK")));
    const Layout renamed = only();
    EXPECT_EQ(renamed.name, QStringLiteral("DESK"));
    EXPECT_EQ(renamed.updatedAt, lastTick());
    EXPECT_EQ(renamed.createdAt, desk.createdAt);
}

TEST_F(EditsTest, EditsOfALayoutThatIsGoneReportItAndWriteNothing)
{
    saveSampleLayout(QStringLiteral("Desk"));
    const QStringList before = dump(path);
    const QUuid gone = QUuid::createUuid();
    const DisplaySnapshot display = sampleDisplay(0, 1, true);
    const struct {
        const char *name;
        std::function<void()> edit;
    } cases[] = {
        {"replace",
         [&] { await(store->replaceLayoutContent(gone, {display}, {sampleEntry(display, "A")})); }},
        {"rename", [&] { await(store->renameLayout(gone, QStringLiteral("New"))); }},
        {"delete", [&] { await(store->deleteLayout(gone)); }},
        {"remove entry", [&] { await(store->removeEntry(gone, QUuid::createUuid())); }},
        {"shortcut",
         [&] {
             await(store->updateShortcut(gone, Shortcut{1, 0x100}));
         }},
        {"automation", [&] { await(store->updateAutomation(gone, true, QStringLiteral("sig"))); }},
        {"reassociate",
         [&] { await(store->reassociateAutomation(gone, {display}, QStringLiteral("sig"))); }},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(storageErrorOf(c.edit), StorageError::layoutNotFound()) << c.name;
    }
    EXPECT_EQ(dump(path), before);
}

TEST_F(EditsTest, ReplacingWindowsUnlinksAutomationOnlyForAnotherDisplaySetup)
{
    const DisplaySnapshot laptop = sampleDisplay(0, 1, true);
    const DisplaySnapshot monitor = sampleDisplay(7, 2, false, 1920);
    const QString laptopOnly = Topology::signature(QList<DisplaySnapshot>{laptop});
    const struct {
        const char *name;
        bool enabled;
        std::optional<QString> storedSignature;
        QList<DisplaySnapshot> newDisplays;
        bool unlinked;
    } cases[] = {
        {"never linked", true, std::nullopt, {laptop, monitor}, false},
        {"same setup", true, laptopOnly, {laptop}, false},
        {"same setup, visible frame changed",
         true,
         laptopOnly,
         {[&] {
             DisplaySnapshot d = laptop;
             d.visibleFrame.height -= 40;
             return d;
         }()},
         false},
        {"another setup", true, laptopOnly, {laptop, monitor}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        WindowEntry first = sampleEntry(laptop, QStringLiteral("Old"));
        const Layout saved = saveLayout(QString::fromUtf8(c.name), {laptop}, {first});
        await(store->updateShortcut(saved.id, Shortcut{3, 0x1100}));
        await(store->updateAutomation(saved.id, c.enabled, c.storedSignature));

        const QList<WindowEntry> entries{sampleEntry(c.newDisplays.last(), QStringLiteral("New")),
                                         sampleEntry(laptop, QStringLiteral("Newer"))};
        EXPECT_EQ(await(store->replaceLayoutContent(saved.id, c.newDisplays, entries)), c.unlinked);

        const Layout replaced = named(QString::fromUtf8(c.name));
        EXPECT_EQ(replaced.id, saved.id);
        EXPECT_EQ(replaced.createdAt, saved.createdAt);
        EXPECT_EQ(replaced.updatedAt, lastTick());
        EXPECT_EQ(replaced.shortcut, (Shortcut{3, 0x1100}));
        EXPECT_EQ(replaced.displays, c.newDisplays);
        EXPECT_EQ(replaced.entries, entries);
        EXPECT_EQ(replaced.automationEnabled, !c.unlinked);
        EXPECT_EQ(replaced.automationTopologySignature,
                  c.unlinked ? std::nullopt : c.storedSignature);
    }
}

TEST_F(EditsTest, RemovingAWindowRenumbersTheRestInTheirOrder)
{
    const Layout layout = saveSampleLayout(QStringLiteral("Desk"), 3);
    await(store->removeEntry(layout.id, layout.entries[1].id));

    const Layout after = only();
    EXPECT_EQ(after.entries, (QList<WindowEntry>{layout.entries[0], layout.entries[2]}));
    EXPECT_EQ(after.updatedAt, lastTick());
    EXPECT_EQ(column("SELECT ordinal FROM windows ORDER BY ordinal"), (QStringList{"0", "1"}));
}

TEST_F(EditsTest, RemovingTheLastOrAnUnknownWindowIsRefusedAndWritesNothing)
{
    const Layout single = saveSampleLayout(QStringLiteral("Single"), 1);
    const Layout pair = saveSampleLayout(QStringLiteral("Pair"), 2);
    const QStringList before = dump(path);

    EXPECT_EQ(storageErrorOf([&] { await(store->removeEntry(single.id, single.entries[0].id)); }),
              StorageError::lastEntry());
    // The count comes first, so an unknown window of a one-window layout is "last" too.
    EXPECT_EQ(storageErrorOf([&] { await(store->removeEntry(single.id, QUuid::createUuid())); }),
              StorageError::lastEntry());
    EXPECT_EQ(storageErrorOf([&] { await(store->removeEntry(pair.id, QUuid::createUuid())); }),
              StorageError::entryNotFound());
    EXPECT_EQ(storageErrorOf([&] { await(store->removeEntry(pair.id, single.entries[0].id)); }),
              StorageError::entryNotFound());
    EXPECT_EQ(dump(path), before);
}

TEST_F(EditsTest, ShortcutsAreWrittenClearedAndRefusedOutsideTheStorableRange)
{
    const Layout desk = saveSampleLayout(QStringLiteral("Desk"));
    await(store->updateShortcut(desk.id, Shortcut{65535, 0x1B00}));
    EXPECT_EQ(only().shortcut, (Shortcut{65535, 0x1B00}));
    EXPECT_EQ(only().updatedAt, lastTick());

    const QStringList before = dump(path);
    const StorageError outOfRange = StorageError::writeFailed(
        QStringLiteral("A layout shortcut is outside the supported range."));
    for (const Shortcut shortcut :
         {Shortcut{65536, 0x100}, Shortcut{1, 0x2000}, Shortcut{1, 0x80000100}}) {
        EXPECT_EQ(storageErrorOf([&] { await(store->updateShortcut(desk.id, shortcut)); }),
                  outOfRange)
            << shortcut.keyCode << " " << shortcut.modifiers;
        EXPECT_EQ(storageErrorOf([&] {
                      await(store->createLayout(QStringLiteral("New"), desk.displays, desk.entries,
                                                shortcut));
                  }),
                  outOfRange);
    }
    EXPECT_EQ(dump(path), before);

    await(store->updateShortcut(desk.id, std::nullopt));
    EXPECT_EQ(only().shortcut, std::nullopt);
    EXPECT_EQ(
        column("SELECT coalesce(shortcut_key_code, 'NULL') || coalesce(shortcut_modifiers, 'NULL')"
               " FROM layouts"),
        (QStringList{"NULLNULL"}));

    // A shortcut given at creation is stored the same way.
    await(store->deleteLayout(desk.id));
    QList<WindowEntry> entries = desk.entries;
    for (WindowEntry &entry : entries) {
        entry.id = QUuid::createUuid();
    }
    const Layout created = await(
        store->createLayout(QStringLiteral("Keyed"), desk.displays, entries, Shortcut{0, 0x100}));
    EXPECT_EQ(created.shortcut, (Shortcut{0, 0x100}));
    EXPECT_EQ(only(), created);
}

TEST_F(EditsTest, AutomationIsLinkedAndUnlinked)
{
    const Layout desk = saveSampleLayout(QStringLiteral("Desk"));
    await(store->updateAutomation(desk.id, true,
                                  QStringLiteral("16-32-1@0,0,19200x10800/1920x1080@10P")));
    Layout linked = only();
    EXPECT_TRUE(linked.automationEnabled);
    EXPECT_EQ(linked.automationTopologySignature,
              QStringLiteral("16-32-1@0,0,19200x10800/1920x1080@10P"));
    EXPECT_EQ(linked.updatedAt, lastTick());

    await(store->updateAutomation(desk.id, false, std::nullopt));
    EXPECT_FALSE(only().automationEnabled);
    EXPECT_EQ(only().automationTopologySignature, std::nullopt);
}

TEST_F(EditsTest, RelinkingRefreshesTheGivenDisplaysAndLeavesTheOthers)
{
    DisplaySnapshot left = sampleDisplay(0, 1, true);
    left.frameInferred = true;
    DisplaySnapshot right = sampleDisplay(7, 2, false, 1920);
    right.frameInferred = true;
    const Layout desk = saveLayout(
        QStringLiteral("Desk"), {left, right},
        {sampleEntry(left, QStringLiteral("A")), sampleEntry(right, QStringLiteral("B"))});

    DisplaySnapshot moved = left;
    moved.frame = RectD{-1280, 10, 1280, 1024};
    moved.visibleFrame = RectD{-1280, 40, 1280, 994};
    moved.pixelWidth = 2560;
    moved.pixelHeight = 2048;
    moved.scale = 2.0;
    moved.identity.unit = 1;
    await(store->reassociateAutomation(desk.id, {moved}, QStringLiteral("sig")));

    const Layout relinked = only();
    DisplaySnapshot expected = moved;
    expected.frameInferred = false;
    EXPECT_EQ(relinked.displays, (QList<DisplaySnapshot>{expected, right}));
    EXPECT_EQ(relinked.entries, desk.entries);
    EXPECT_TRUE(relinked.automationEnabled);
    EXPECT_EQ(relinked.automationTopologySignature, QStringLiteral("sig"));
    EXPECT_EQ(relinked.updatedAt, lastTick());

    // A display the layout never saved: nothing at all changes, the link included.
    const QStringList before = dump(path);
    EXPECT_EQ(storageErrorOf([&] {
                  await(store->reassociateAutomation(
                      desk.id, {moved, sampleDisplay(9, 3, false, 5000)}, QStringLiteral("other")));
              }),
              StorageError::writeFailed(QStringLiteral("A saved display could not be refreshed.")));
    EXPECT_EQ(storageErrorOf([&] {
                  await(store->reassociateAutomation(desk.id, {}, QStringLiteral("other")));
              }),
              StorageError::writeFailed(
                  QStringLiteral("The captured display information is not valid.")));
    EXPECT_EQ(dump(path), before);
}

TEST_F(EditsTest, RelinkingWithAnotherPrimaryDisplayLeavesExactlyOnePrimary)
{
    const DisplaySnapshot a = sampleDisplay(0, 1, true);
    const DisplaySnapshot b = sampleDisplay(7, 2, false, 1920);
    const Layout desk =
        saveLayout(QStringLiteral("Desk"), {a, b},
                   {sampleEntry(a, QStringLiteral("A")), sampleEntry(b, QStringLiteral("B"))});

    // Only B is connected now, and it is the primary display.
    DisplaySnapshot bPrimary = b;
    bPrimary.isPrimary = true;
    bPrimary.frame.x = 0;
    bPrimary.visibleFrame.x = 0;
    await(store->reassociateAutomation(desk.id, {bPrimary},
                                       Topology::signature(QList<DisplaySnapshot>{bPrimary})));

    const Layout relinked = only();
    ASSERT_EQ(relinked.displays.size(), 2);
    EXPECT_FALSE(relinked.displays[0].isPrimary);
    EXPECT_TRUE(relinked.displays[1].isPrimary);
    // A kept its frame and its flag; only the primary mark moved.
    DisplaySnapshot aAfter = a;
    aAfter.isPrimary = false;
    EXPECT_EQ(relinked.displays[0], aAfter);
}

TEST_F(EditsTest, ExclusionsKeepTheirFirstDateAndTheirLatestName)
{
    await(store->addExclusion(QStringLiteral("org.example.app"), QStringLiteral("Old Name")));
    const QDateTime first = lastTick();
    await(store->addExclusion(QStringLiteral("org.example.app"), QStringLiteral("New Name")));
    EXPECT_EQ(await(store->loadExclusions()),
              (QList<AppExclusion>{
                  {QStringLiteral("org.example.app"), QStringLiteral("New Name"), first}}));

    await(store->removeExclusion(QStringLiteral("org.example.unknown")));
    const QStringList before = dump(path);
    const StorageError noIdentity =
        StorageError::writeFailed(QStringLiteral("An app identity is required."));
    EXPECT_EQ(storageErrorOf([&] { await(store->addExclusion(QString(), QStringLiteral("App"))); }),
              noIdentity);
    EXPECT_EQ(
        storageErrorOf([&] { await(store->addExclusion(QStringLiteral("org.x"), QString())); }),
        noIdentity);
    EXPECT_EQ(dump(path), before);

    await(store->removeExclusion(QStringLiteral("org.example.app")));
    EXPECT_TRUE(await(store->loadExclusions()).isEmpty());

    // Names come from other programs' files. One that begins with a NUL is kept whole; cut at
    // the NUL it would be empty, and the next read of the store would fail.
    const QString oddName = QChar(0) + QStringLiteral("App");
    await(store->addExclusion(QStringLiteral("org.example.odd"), oddName));
    EXPECT_EQ(await(store->loadExclusions()).value(0).appName, oddName);
}

TEST_F(EditsTest, DeletingALayoutLeavesNoneOfItsRowsAndNoOtherRowChanges)
{
    const Layout gone = saveSampleLayout(QStringLiteral("Gone"), 4);
    const Layout kept = saveSampleLayout(QStringLiteral("Kept"), 2);
    await(store->deleteLayout(gone.id));
    EXPECT_EQ(only(), kept);
    const QString goneText = gone.id.toString(QUuid::WithoutBraces).toUpper();
    EXPECT_EQ(
        column(
            "SELECT DISTINCT layout_id FROM displays UNION SELECT DISTINCT layout_id FROM windows"),
        (QStringList{kept.id.toString(QUuid::WithoutBraces).toUpper()}));
    EXPECT_FALSE(column("SELECT id FROM layouts").contains(goneText));
}

TEST_F(EditsTest, AFailureInsideTheTransactionRollsBackWhatWasAlreadyWritten)
{
    const Layout desk = saveSampleLayout(QStringLiteral("Desk"), 2);
    const QStringList before = dump(path);
    const DisplaySnapshot display = sampleDisplay(0, 1, true);
    DisplaySnapshot sameKey = display;
    sameKey.isPrimary = false;

    // Two displays with one key: the layout row is in before the second display row fails.
    const StorageError duplicateDisplay = storageErrorOf([&] {
        saveLayout(QStringLiteral("New"), {display, sameKey},
                   {sampleEntry(display, QStringLiteral("A"))});
    });
    EXPECT_EQ(duplicateDisplay,
              StorageError::writeFailed(
                  "UNIQUE constraint failed: displays.layout_id, displays.display_key"));
    // A window already saved in another layout: the old rows are already deleted when it fails.
    const StorageError takenWindow = storageErrorOf([&] {
        await(store->replaceLayoutContent(desk.id, {display}, {desk.entries[0], desk.entries[0]}));
    });
    EXPECT_EQ(takenWindow, StorageError::writeFailed("UNIQUE constraint failed: windows.id"));
    EXPECT_EQ(dump(path), before);
    EXPECT_EQ(only(), desk);
}

TEST_F(EditsTest, AFailedCommitIsRolledBackAndItsOwnErrorReported)
{
    // In rollback-journal mode a commit must wait for readers; one that never finishes makes
    // the commit fail after the busy timeout, with the write already done in the transaction.
    path = dir.filePath(QStringLiteral("rollback-journal.sqlite"));
    openStore(50, SQLiteJournalPolicy::unchanged);
    const Layout desk = saveSampleLayout(QStringLiteral("Desk"));
    const QStringList before = dump(path);

    SQLiteDatabase reader = openSecondConnection(path);
    reader.execute(QStringLiteral("BEGIN; SELECT count(*) FROM layouts;"));
    // The user reads what stands in the way, not SQLite's bare message.
    const StorageError failure =
        storageErrorOf([&] { await(store->renameLayout(desk.id, QStringLiteral("Renamed"))); });
    EXPECT_EQ(failure.errorDescription(),
              "Couldn’t save changes. Another app or connection is using the layout database "
              "(database is locked).");
    reader.execute(QStringLiteral("COMMIT;"));
    EXPECT_EQ(dump(path), before);

    // Nothing of the failed transaction lingers on the store's connection.
    await(store->renameLayout(desk.id, QStringLiteral("Renamed")));
    EXPECT_EQ(only().name, QStringLiteral("Renamed"));
}

TEST_F(EditsTest, AWriteLockHeldElsewhereFailsTheEditAtItsStart)
{
    openStore(50);
    const Layout desk = saveSampleLayout(QStringLiteral("Desk"));
    const QStringList before = dump(path);

    SQLiteDatabase writer = openSecondConnection(path);
    writer.execute(QStringLiteral("BEGIN IMMEDIATE;"));
    const StorageError failure = storageErrorOf([&] { await(store->deleteLayout(desk.id)); });
    EXPECT_EQ(failure.errorDescription(),
              "Couldn’t save changes. Another app or connection is using the layout database "
              "(database is locked).");
    writer.execute(QStringLiteral("ROLLBACK;"));
    EXPECT_EQ(dump(path), before);
}
