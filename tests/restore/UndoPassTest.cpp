#include "DeferredWrites.h"
#include "RestoreDesk.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace ostrel;
using namespace ostrel::test;

namespace {

using O = EntryOutcome;

constexpr RelativeFrame quarter{0.25, 0.2, 0.25, 0.25};

// A desk with `count` windows restored from their starting frames; the journal holds them all.
struct Restored {
    RestoreDesk desk;
    QList<AXElement> windows;
    QList<RectD> starts;
    Layout layout;

    explicit Restored(int count)
    {
        QList<WindowEntry> entries;
        for (int i = 0; i < count; ++i) {
            const QString bundle = QStringLiteral("org.example.app%1").arg(i);
            const RectD start{100.0 + 30 * i, 100.0 + 20 * i, 700, 500};
            windows.append(desk.addWindow(bundle, QStringLiteral("App %1").arg(i), start));
            starts.append(start);
            entries.append(RestoreDesk::entry(bundle, QStringLiteral("App %1").arg(i),
                                              RelativeFrame{0.1 * i, 0.3, 0.25, 0.25}));
        }
        layout = desk.layout(entries);
        const RestoreResult result = desk.restore(layout);
        EXPECT_EQ(result.movedWindowCount, count);
        desk.progress.clear();
    }

    bool allBack()
    {
        for (int i = 0; i < windows.size(); ++i) {
            if (desk.frameOf(windows[i]) != starts[i]) {
                return false;
            }
        }
        return true;
    }
};

QList<std::pair<EntryOutcome, QString>> outcomes(const RestoreResult &r)
{
    QList<std::pair<EntryOutcome, QString>> list;
    for (const EntryResult &e : r.entries) {
        list.append({e.outcome, e.detail.value_or(QString())});
    }
    return list;
}

} // namespace

TEST(UndoPass, NothingToUndo)
{
    RestoreDesk desk;
    desk.desktop.clearCalls();
    EXPECT_FALSE(desk.undo());
    EXPECT_TRUE(desk.progress.isEmpty());
    for (const FakeCall &call : desk.desktop.calls()) {
        EXPECT_NE(call.kind, FakeCall::Kind::trust);
    }
}

TEST(UndoPass, PutsEveryWindowBackAndClearsTheJournal)
{
    Restored r(1);
    const std::optional<RestoreResult> result = r.desk.undo();
    ASSERT_TRUE(result);
    EXPECT_TRUE(r.allBack());
    EXPECT_EQ(outcomes(*result),
              (QList<std::pair<EntryOutcome, QString>>{{O::restored, QString()}}));
    EXPECT_EQ(result->summary, QStringLiteral("1 restored"));
    EXPECT_EQ(result->kind, ResultKind::undo);
    EXPECT_FALSE(result->layoutID);
    EXPECT_TRUE(result->operationID);
    EXPECT_EQ(result->movedWindowCount, 1);
    EXPECT_EQ(result->deferredCount, 0);
    EXPECT_NE(result->entries[0].entryID, r.layout.entries[0].id);
    ASSERT_EQ(r.desk.progress.size(), 1);
    EXPECT_EQ(r.desk.progress[0].completed, 0);
    EXPECT_EQ(r.desk.progress[0].total, 1);
    EXPECT_FALSE(r.desk.undoInfo());
}

TEST(UndoPass, AccessOffKeepsTheJournal)
{
    Restored r(2);
    const std::optional<UndoInfo> before = r.desk.undoInfo();
    r.desk.desktop.setTrusted(false);
    const std::optional<RestoreResult> result = r.desk.undo();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->summary, QStringLiteral("Accessibility access is off"));
    EXPECT_EQ(result->failedCount, 2);
    EXPECT_EQ(result->entries[1].label, QStringLiteral("App 1"));
    EXPECT_EQ(r.desk.undoInfo(), before);

    // A reset of saved data forgets it.
    await(r.desk.service.clearUndo());
    EXPECT_FALSE(r.desk.undoInfo());
    EXPECT_FALSE(r.desk.undo());
}

TEST(UndoPass, WindowsThatCannotGoBackStayForALaterUndo)
{
    struct Row {
        const char *name;
        std::function<void(Restored &)> script;
        QList<std::pair<EntryOutcome, QString>> outcomes;
        QString summary;
        qint64 left; // windows still journaled
        QList<qint64> progress;
        QSet<QString> exclusions = {};
        bool cancelled = false;
        bool displaysGiven = true; // false: the pass reads the displays itself
    };
    const QString revoked = QStringLiteral("Accessibility access was revoked");
    const QList<Row> rows = {
        {"the first of three is excluded: it leaves the journal",
         [](Restored &) {},
         {{O::excluded, QStringLiteral("Excluded app")},
          {O::restored, QString()},
          {O::restored, QString()}},
         QStringLiteral("2 restored · 1 excluded"),
         0,
         {1, 2},
         {QStringLiteral("org.example.app0")}},
        {"a window closed since the restore leaves the journal",
         [](Restored &r) { r.desk.desktop.removeElement(r.windows[1]); },
         {{O::restored, QString()},
          {O::notOpen, QStringLiteral("The window is no longer open")},
          {O::restored, QString()}},
         QStringLiteral("2 restored · 1 not open"),
         0,
         {0, 1, 2}},
        {"access revoked after the first window: the rest stay",
         [](Restored &r) {
             r.desk.desktop.setHook([&r](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::trust
                     && r.desk.frameOf(r.windows[0]) == r.starts[0]) {
                     r.desk.desktop.setTrusted(false);
                 }
             });
         },
         {{O::restored, QString()}, {O::failed, revoked}, {O::failed, revoked}},
         QStringLiteral("Accessibility access was lost"),
         2,
         {0}},
        {"access lost while the window is checked: it stays, it is not reported closed",
         [](Restored &r) {
             r.desk.desktop.setHook([&r](const FakeCall &call) {
                 // The revalidation reads the role after its own trust check.
                 if (call.kind == FakeCall::Kind::read && call.element == r.windows[1]
                     && call.attribute == AXAttribute::role) {
                     r.desk.desktop.setTrusted(false);
                 }
             });
         },
         {{O::restored, QString()}, {O::failed, revoked}, {O::failed, revoked}},
         QStringLiteral("Accessibility access was lost"),
         2,
         {0, 1}},
        {"cancelled before the first window: all stay",
         [](Restored &) {},
         {{O::cancelled, QStringLiteral("Cancelled before this window was restored")},
          {O::cancelled, QStringLiteral("Cancelled before this window was restored")},
          {O::cancelled, QStringLiteral("Cancelled before this window was restored")}},
         QStringLiteral("Cancelled · 3 cancelled"),
         3,
         {},
         {},
         true},
        {"no display connected: every open window stays",
         [](Restored &r) { r.desk.desktop.setScreens({}, std::nullopt); },
         {{O::failed, QStringLiteral("No display is available for this window")},
          {O::failed, QStringLiteral("No display is available for this window")},
          {O::failed, QStringLiteral("No display is available for this window")}},
         QStringLiteral("3 failed"),
         3,
         {0, 1, 2},
         {},
         false,
         false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Restored r(3);
        row.script(r);
        auto flag = std::make_shared<CancellationFlag>();
        if (row.cancelled) {
            flag->cancel();
        }
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const std::optional<RestoreResult> result = r.desk.undo(
            flag, row.exclusions, row.displaysGiven ? r.desk.displays() : QList<CurrentDisplay>{});
        ASSERT_TRUE(result);
        EXPECT_EQ(outcomes(*result), row.outcomes);
        EXPECT_EQ(result->summary, row.summary);
        QList<qint64> reported;
        for (const RestoreProgress &p : r.desk.progress) {
            reported.append(p.completed);
            EXPECT_EQ(p.total, 3);
        }
        EXPECT_EQ(reported, row.progress);
        const std::optional<UndoInfo> info = r.desk.undoInfo();
        EXPECT_EQ(info ? info->entryCount : 0, row.left);
        if (info) {
            EXPECT_TRUE(info->partial);
            EXPECT_GE(info->date, before);
        }
    }
}

TEST(UndoPass, ASecondUndoTriesOnlyTheWindowsLeft)
{
    Restored r(3);
    r.desk.desktop.setHook([&r](const FakeCall &call) {
        if (call.kind == FakeCall::Kind::trust && r.desk.frameOf(r.windows[0]) == r.starts[0]) {
            r.desk.desktop.setTrusted(false);
        }
    });
    r.desk.undo();
    r.desk.desktop.setHook({});
    r.desk.desktop.setTrusted(true);
    r.desk.progress.clear();
    const std::optional<RestoreResult> second = r.desk.undo();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->entries.size(), 2);
    EXPECT_EQ(second->summary, QStringLiteral("2 restored"));
    EXPECT_TRUE(r.allBack());
    EXPECT_FALSE(r.desk.undoInfo());
}

TEST(UndoPass, TargetsFollowTheDisplaysNow)
{
    // Already back where it was: the write changes nothing, which the note says.
    {
        Restored r(1);
        r.desk.desktop.setFrame(r.windows[0], r.starts[0]);
        const auto result = r.desk.undo();
        EXPECT_EQ(outcomes(*result),
                  (QList<std::pair<EntryOutcome, QString>>{
                      {O::restored, QStringLiteral("The window could not be moved")}}));
        EXPECT_EQ(result->movedWindowCount, 0);
    }
    // The display it was on is gone: it goes where its restored frame lies, with a note.
    {
        Restored r(1);
        r.desk.desktop.setScreens(
            {RestoreDesk::screen(2, QStringLiteral("Side"), RestoreDesk::sideFrame,
                                 RestoreDesk::sideFrame)},
            2);
        const auto result = r.desk.undo();
        EXPECT_EQ(outcomes(*result),
                  (QList<std::pair<EntryOutcome, QString>>{
                      {O::restored, QStringLiteral("Original display missing. Placed on Side.")}}));
        EXPECT_EQ(r.desk.frameOf(r.windows[0]), (RectD{1920, 100, 700, 500}));
    }
}

TEST(UndoPass, MergedJournalKeepsTheFirstPreviousFrame)
{
    RestoreDesk desk;
    const RectD start{100, 100, 700, 500};
    const AXElement w = desk.addWindow(QStringLiteral("org.example.a"), QStringLiteral("A"), start);
    const AXElement v = desk.addWindow(QStringLiteral("org.example.b"), QStringLiteral("B"), start);
    RestoreOptions options;
    options.operationID = QUuid::createUuid();
    desk.restore(desk.layout({RestoreDesk::entry(QStringLiteral("org.example.a"),
                                                 QStringLiteral("A"), quarter)},
                             QStringLiteral("First")),
                 options);
    options.mergeUndo = true;
    const RelativeFrame elsewhere{0.5, 0.5, 0.25, 0.25};
    desk.restore(
        desk.layout(
            {RestoreDesk::entry(QStringLiteral("org.example.a"), QStringLiteral("A"), elsewhere),
             RestoreDesk::entry(QStringLiteral("org.example.b"), QStringLiteral("B"), elsewhere)},
            QStringLiteral("Second")),
        options);
    const std::optional<UndoInfo> info = desk.undoInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->entryCount, 2);
    EXPECT_EQ(info->layoutName, QStringLiteral("Second"));
    desk.undo();
    EXPECT_EQ(desk.frameOf(w), start);
    EXPECT_EQ(desk.frameOf(v), start);

    // A third restore of another operation replaces the journal instead.
    const QUuid first = QUuid::createUuid();
    options.operationID = first;
    options.mergeUndo = false;
    desk.restore(desk.layout({RestoreDesk::entry(QStringLiteral("org.example.a"),
                                                 QStringLiteral("A"), quarter)}),
                 options);
    options.operationID = QUuid::createUuid();
    options.mergeUndo = true;
    desk.restore(desk.layout({RestoreDesk::entry(QStringLiteral("org.example.b"),
                                                 QStringLiteral("B"), quarter)}),
                 options);
    EXPECT_EQ(desk.undoInfo()->entryCount, 1);
}

TEST(RestoreAndUndo, CancellationAtEveryCheckpointCanBeUndone)
{
    // Count the desktop calls of a whole restore, then cancel at each one in turn.
    const auto setUp = [](RestoreDesk &desk, QList<AXElement> &windows, QList<RectD> &starts) {
        QList<WindowEntry> entries;
        for (int i = 0; i < 3; ++i) {
            const QString bundle = QStringLiteral("org.example.app%1").arg(i);
            starts.append(RectD{100.0 + 40 * i, 100, 600, 400});
            windows.append(desk.addWindow(bundle, QStringLiteral("App %1").arg(i), starts.last()));
            entries.append(RestoreDesk::entry(bundle, QStringLiteral("App %1").arg(i),
                                              RelativeFrame{0.2 * i, 0.4, 0.3, 0.3}));
        }
        return desk.layout(entries);
    };
    int total = 0;
    {
        RestoreDesk desk;
        QList<AXElement> windows;
        QList<RectD> starts;
        const Layout layout = setUp(desk, windows, starts);
        desk.desktop.setHook([&total](const FakeCall &) { ++total; });
        EXPECT_FALSE(desk.restore(layout).wasCancelled);
    }
    ASSERT_GT(total, 10);
    for (int at = 1; at <= total; ++at) {
        SCOPED_TRACE(at);
        RestoreDesk desk;
        QList<AXElement> windows;
        QList<RectD> starts;
        const Layout layout = setUp(desk, windows, starts);
        auto flag = std::make_shared<CancellationFlag>();
        int calls = 0;
        desk.desktop.setHook([&](const FakeCall &) {
            if (++calls == at) {
                flag->cancel();
            }
        });
        const RestoreResult result = desk.restore(layout, {}, flag);
        desk.desktop.setHook({});
        EXPECT_TRUE(result.wasCancelled);
        EXPECT_TRUE(result.summary.startsWith(QStringLiteral("Cancelled")));
        ASSERT_EQ(result.entries.size(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(result.entries[i].entryID, layout.entries[i].id);
            if (result.entries[i].outcome == O::restored) {
                EXPECT_NE(desk.frameOf(windows[i]), starts[i]);
            } else {
                EXPECT_EQ(result.entries[i].outcome, O::cancelled);
            }
        }
        desk.undo();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(desk.frameOf(windows[i]), starts[i]) << "window " << i;
        }
    }
}

TEST(RestoreAndUndo, UndoPutsGeneratedLayoutsBack)
{
    QRandomGenerator random(8);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        RestoreDesk desk;
        const int count = 1 + int(random.bounded(6));
        QList<AXElement> windows;
        QList<RectD> starts;
        QList<WindowEntry> entries;
        for (int i = 0; i < count; ++i) {
            const QString bundle = QStringLiteral("org.example.gen%1").arg(i);
            const bool onSide = random.bounded(2) == 1;
            const RectD display = onSide ? RestoreDesk::sideFrame : RestoreDesk::mainVisible;
            const double w = 100 + random.bounded(900);
            const double h = 80 + random.bounded(700);
            const RectD start{display.x + random.bounded(int(display.width - w)),
                              display.y + random.bounded(int(display.height - h)), w, h};
            starts.append(start);
            windows.append(desk.addWindow(bundle, QStringLiteral("Gen %1").arg(i), start));
            if (random.bounded(4) == 0) {
                // Some applications keep a minimum size no larger than the window is now.
                desk.desktop.setBehaviour(windows.last(),
                                          {AXSize{w * 0.8, h * 0.8}, std::nullopt, {}, false});
            }
            const RelativeFrame saved{
                random.generateDouble() * 0.8 - 0.1, random.generateDouble() * 0.8,
                0.05 + random.generateDouble() * 0.9, 0.05 + random.generateDouble() * 0.9};
            entries.append(RestoreDesk::entry(bundle, QStringLiteral("Gen %1").arg(i), saved,
                                              random.bounded(2) ? RestoreDesk::mainKey()
                                                                : RestoreDesk::sideKey()));
        }
        const RestoreResult restored = desk.restore(desk.layout(entries));
        const std::optional<RestoreResult> undone = desk.undo();
        for (int i = 0; i < count; ++i) {
            EXPECT_TRUE(desk.frameOf(windows[i]).isApproximatelyEqual(starts[i], 4.0))
                << "window " << i;
        }
        if (restored.movedWindowCount > 0) {
            ASSERT_TRUE(undone);
            EXPECT_EQ(undone->movedWindowCount, restored.movedWindowCount);
        }
    }
}

// Every window's write goes out before any answer is waited for: in a manual restore, in an
// automatic restore that asks its mouse-button gate before each window and each write, and in
// the undo. Every window still lands and comes back.
TEST(RestoreAndUndo, EveryWindowsWriteGoesOutBeforeAnyAnswerIsAwaited)
{
    for (const bool automatic : {false, true}) {
        SCOPED_TRACE(automatic);
        RestoreDesk desk;
        desk.desktop.setWritesFramesInOneRequest(true);
        DeferredWrites deferred(*desk.desktop.backend().elements);
        SystemBackend backend = desk.desktop.backend();
        backend.elements = &deferred;
        WindowService windows(backend);
        RestoreService service(windows, backend, [&desk] { return desk.displays(); });
        QList<WindowEntry> entries;
        QList<AXElement> opened;
        QList<RectD> starts;
        for (int i = 0; i < 3; ++i) {
            const QString bundle = QStringLiteral("org.example.app%1").arg(i);
            starts.append(RectD{100.0 + 30 * i, 100.0 + 20 * i, 700, 500});
            opened.append(desk.addWindow(bundle, QStringLiteral("App %1").arg(i), starts[i]));
            deferred.names.insert(opened[i].handle, QStringLiteral("App %1").arg(i));
            entries.append(RestoreDesk::entry(bundle, QStringLiteral("App %1").arg(i),
                                              RelativeFrame{0.1 * i, 0.3, 0.25, 0.25}));
        }
        const Layout layout = desk.layout(entries);
        RestoreOptions options;
        options.operationID = QUuid::createUuid();
        options.layoutID = layout.id;
        options.isAutomation = automatic;
        int asked = 0;
        if (automatic) {
            options.writeGate = [&asked]() -> QCoro::Task<bool> {
                ++asked;
                co_return true;
            };
        }
        const RestoreResult restored = await(service.restore(
            layout, desk.displays(), {}, options, std::make_shared<CancellationFlag>(), {}));
        EXPECT_EQ(restored.summary, QStringLiteral("3 restored"));
        EXPECT_EQ(deferred.sentBeforeFirstWait(), 3) << deferred.noted.join(", ").toStdString();
        if (automatic) {
            // Once before the moves, and for each window before its move, its size and its
            // position.
            EXPECT_EQ(asked, 10);
        }

        deferred.noted.clear();
        const std::optional<RestoreResult> undone =
            await(service.undo(desk.displays(), {}, std::make_shared<CancellationFlag>(), {}));
        ASSERT_TRUE(undone);
        EXPECT_EQ(undone->summary, QStringLiteral("3 restored"));
        EXPECT_EQ(deferred.sentBeforeFirstWait(), 3) << deferred.noted.join(", ").toStdString();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(desk.frameOf(opened[i]), starts[i]);
        }
    }
}
