#include "RestoreDesk.h"

#include <gtest/gtest.h>

#include <mutex>

using namespace ostrel;
using namespace ostrel::test;

namespace {

using O = EntryOutcome;

const QString editor = QStringLiteral("org.example.editor");
const QString viewer = QStringLiteral("org.example.viewer");
const QString activeGesture =
    QStringLiteral("A window is being moved. Finish, then choose Restore.");
const QString sessionInactive =
    QStringLiteral("Automation paused. It resumes when the session is active.");

// The standard saved place: a quarter of Main's visible frame, which restores to this target.
constexpr RelativeFrame quarter{0.25, 0.2, 0.25, 0.25};
constexpr RectD target{480, 236, 480, 264};
constexpr RectD start{100, 100, 800, 600};

// One restore on a scripted desktop. `add` opens a window for a new entry of its own
// application (or of a given one) and keeps both in step by index.
struct Scenario {
    RestoreDesk desk;
    QList<WindowEntry> entries;
    QList<AXElement> windows;
    RestoreOptions options;
    std::shared_ptr<CancellationFlag> flag = std::make_shared<CancellationFlag>();
    QSet<QString> exclusions;
    int gateCalls = 0;

    int add(RectD frame = start, RelativeFrame saved = quarter, QString bundleID = QString())
    {
        const int index = int(entries.size());
        if (bundleID.isEmpty()) {
            bundleID = QStringLiteral("org.example.app%1").arg(index);
        }
        const QString name = QStringLiteral("App %1").arg(index);
        windows.append(desk.addWindow(bundleID, name, frame));
        entries.append(RestoreDesk::entry(bundleID, name, saved));
        return index;
    }
    // An entry whose application has no window.
    int addClosed(const QString &bundleID = QStringLiteral("org.example.closed"))
    {
        entries.append(RestoreDesk::entry(bundleID, QStringLiteral("Closed"), quarter));
        windows.append(AXElement{});
        return int(entries.size()) - 1;
    }
    bool placed(int index) { return desk.frameOf(windows[index]) == target; }

    void gate(std::function<bool()> open)
    {
        options.writeGate = [this, open]() -> QCoro::Task<bool> {
            ++gateCalls;
            co_return open();
        };
    }
};

struct Row {
    const char *name;
    std::function<void(Scenario &)> script;
    QList<std::pair<EntryOutcome, QString>> outcomes;
    QString summary;
    qint64 moved;
    qint64 journaled; // windows the undo journal holds afterwards (0: no journal)
    std::optional<QString> deferredReason = std::nullopt;
    std::function<void(Scenario &, const RestoreResult &)> verify = {};
};

void check(const Row &row)
{
    SCOPED_TRACE(row.name);
    Scenario s;
    row.script(s);
    const Layout layout = s.desk.layout(s.entries);
    const RestoreResult result = s.desk.restore(layout, s.options, s.flag, s.exclusions);

    QList<std::pair<EntryOutcome, QString>> outcomes;
    for (const EntryResult &e : result.entries) {
        outcomes.append({e.outcome, e.detail.value_or(QString())});
    }
    EXPECT_EQ(outcomes, row.outcomes);
    EXPECT_EQ(result.summary, row.summary);
    EXPECT_EQ(result.movedWindowCount, row.moved);
    EXPECT_EQ(result.deferredReason, row.deferredReason);
    const std::optional<UndoInfo> info = s.desk.undoInfo();
    EXPECT_EQ(info ? info->entryCount : 0, row.journaled);
    // Only the access-off result names no layout.
    const bool accessOff = result.summary == QStringLiteral("Accessibility access is off");
    EXPECT_EQ(result.layoutID, accessOff ? std::nullopt : std::optional(layout.id));
    EXPECT_EQ(result.kind, ResultKind::restore);
    if (row.verify) {
        row.verify(s, result);
    }
}

} // namespace

TEST(RestorePass, MovesAndClassifiesEachWindow)
{
    const QList<Row> rows = {
        {"a window is moved to its saved place and journaled",
         [](Scenario &s) { s.add(); },
         {{O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_TRUE(s.placed(0));
             EXPECT_EQ(r.entries[0].frame, target);
             EXPECT_EQ(r.entries[0].windowID, s.desk.desktop.windowNumber(s.windows[0]));
             // One report before the move and one at the end.
             ASSERT_EQ(s.desk.progress.size(), 2);
             EXPECT_EQ(s.desk.progress[0].completed, 0);
             EXPECT_EQ(s.desk.progress[0].currentLabel, QStringLiteral("App 0"));
             EXPECT_EQ(s.desk.progress[1].completed, 1);
             EXPECT_EQ(s.desk.progress[1].total, 1);
             EXPECT_FALSE(s.desk.progress[1].currentLabel);
         }},
        {"4.0 points off in every value is already in place",
         [](Scenario &s) {
             s.add({484, 232, 476, 268});
         },
         {{O::restored, QStringLiteral("Already in place")}},
         QStringLiteral("1 restored"),
         0,
         0,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_EQ(r.entries[0].frame, (RectD{484, 232, 476, 268}));
             EXPECT_EQ(s.desk.progress.size(), 1); // only the final 0 of 0
         }},
        {"4.5 points off in one value is moved",
         [](Scenario &s) {
             s.add({484.5, 236, 480, 264});
         },
         {{O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored"),
         1,
         1},
        {"a tiny saved frame grows to 80 × 60",
         [](Scenario &s) {
             s.add(start, RelativeFrame{0.5, 0.5, 0.01, 0.01});
         },
         {{O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &) {
             EXPECT_EQ(s.desk.frameOf(s.windows[0]), (RectD{960, 553, 80, 60}));
         }},
        {"a window with a minimum size ends adjusted",
         [](Scenario &s) {
             s.add();
             s.desk.desktop.setBehaviour(s.windows[0], {AXSize{600, 400}, std::nullopt, {}, false});
         },
         {{O::adjusted, QStringLiteral("The app adjusted the position or size.")}},
         QStringLiteral("1 adjusted"),
         1,
         1},
        {"a window that refuses both writes fails and is not journaled",
         [](Scenario &s) {
             s.add();
             s.desk.desktop.failWrites(s.windows[0], AXAttribute::size,
                                       {AXError::attributeUnsupported});
             s.desk.desktop.failWrites(s.windows[0], AXAttribute::position,
                                       {AXError::attributeUnsupported});
         },
         {{O::failed, QStringLiteral("The app does not allow moving or resizing this window")}},
         QStringLiteral("1 failed"),
         0,
         0},
        {"a window whose frame cannot be read back fails but is journaled",
         [](Scenario &s) {
             s.add();
             const AXElement w = s.windows[0];
             s.desk.desktop.setHook([&s, w](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::write && call.element == w
                     && call.attribute == AXAttribute::position) {
                     s.desk.desktop.failReads(w, AXAttribute::position, AXError::cannotComplete);
                 }
             });
         },
         {{O::failed,
           QStringLiteral("The window’s position could not be read back. Couldn’t "
                          "verify the window’s position or size")}},
         QStringLiteral("1 failed"),
         0,
         1},
        {"a window that left the active desktop fails alone",
         [](Scenario &s) {
             s.add();
             s.add();
             s.desk.onProgress = [&s](const RestoreProgress &p) {
                 if (p.completed == 0 && p.currentLabel) {
                     s.desk.desktop.setOnScreen(s.windows[0], false);
                 }
             };
         },
         {{O::failed, QStringLiteral("The window is no longer on the active desktop")},
          {O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored · 1 failed"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &) {
             EXPECT_EQ(s.desk.frameOf(s.windows[0]), start);
         }},
        {"trust lost between two moves",
         [](Scenario &s) {
             s.add();
             s.add();
             s.desk.desktop.setHook([&s](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::trust && s.placed(0)) {
                     s.desk.desktop.setTrusted(false);
                 }
             });
         },
         {{O::restored, QStringLiteral("Placed on Main")},
          {O::failed, QStringLiteral("Accessibility access was revoked")}},
         QStringLiteral("Accessibility access was lost"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_TRUE(r.permissionLost);
             EXPECT_EQ(s.desk.frameOf(s.windows[1]), start);
         }},
        {"trust lost in the middle of a write",
         [](Scenario &s) {
             s.add();
             s.add();
             const AXElement w = s.windows[0];
             s.desk.desktop.setHook([&s, w](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::write && call.element == w) {
                     s.desk.desktop.setTrusted(false);
                 }
             });
         },
         {{O::failed, QStringLiteral("Accessibility access was revoked")},
          {O::failed, QStringLiteral("Accessibility access was revoked")}},
         QStringLiteral("Accessibility access was lost"),
         0,
         1}, // the write was attempted and its result could not be read: journaled
        {"automatic restore: the write gate closes after the first move",
         [](Scenario &s) {
             s.add();
             s.add();
             s.options.isAutomation = true;
             s.gate([&s]() { return !s.placed(0); });
         },
         {{O::restored, QStringLiteral("Placed on Main")}, {O::deferred, activeGesture}},
         QStringLiteral("1 restored · 1 deferred"),
         1,
         1,
         activeGesture,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_EQ(r.deferredCount, 1);
             EXPECT_EQ(s.desk.frameOf(s.windows[1]), start);
         }},
        {"automatic restore: the write gate is closed before the loop",
         [](Scenario &s) {
             s.add();
             s.add();
             s.options.isAutomation = true;
             s.gate([]() { return false; });
         },
         {{O::deferred, activeGesture}, {O::deferred, activeGesture}},
         QStringLiteral("2 deferred"),
         0,
         0,
         activeGesture,
         [](Scenario &s, const RestoreResult &) {
             EXPECT_EQ(s.gateCalls, 1);
             ASSERT_EQ(s.desk.progress.size(), 1);
             EXPECT_EQ(s.desk.progress[0].total, 0);
         }},
        {"automatic restore: the session gate closes between moves",
         [](Scenario &s) {
             s.add();
             s.add();
             s.options.isAutomation = true;
             s.options.eligibility = std::make_shared<SessionEligibilityGate>();
             auto gate = s.options.eligibility;
             s.desk.desktop.setHook([&s, gate](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::trust && s.placed(0)) {
                     gate->set(false, std::nullopt);
                 }
             });
         },
         {{O::restored, QStringLiteral("Placed on Main")}, {O::deferred, sessionInactive}},
         QStringLiteral("1 restored · 1 deferred"),
         1,
         1,
         sessionInactive},
        {"automatic restore: the session gate is closed before the first move",
         [](Scenario &s) {
             s.add();
             s.add({484, 236, 480, 264}); // already in place: decided before the gate
             s.options.isAutomation = true;
             s.options.eligibility =
                 std::make_shared<SessionEligibilityGate>(false, QStringLiteral("Screen locked."));
         },
         {{O::deferred, QStringLiteral("Screen locked.")},
          {O::restored, QStringLiteral("Already in place")}},
         QStringLiteral("1 restored · 1 deferred"),
         0,
         0,
         QStringLiteral("Screen locked."),
         [](Scenario &s, const RestoreResult &) { EXPECT_TRUE(s.desk.progress.isEmpty()); }},
        {"automatic restore: the write gate closes in the middle of a write",
         [](Scenario &s) {
             s.add();
             s.add();
             s.options.isAutomation = true;
             // Open before the loop, before the move and before the size write; closed before
             // the position write, when the size has already changed.
             s.gate([&s]() { return s.gateCalls < 4; });
         },
         {{O::deferred, activeGesture}, {O::deferred, activeGesture}},
         QStringLiteral("2 deferred"),
         0,
         1,
         activeGesture,
         [](Scenario &s, const RestoreResult &) {
             EXPECT_EQ(s.desk.frameOf(s.windows[0]), (RectD{100, 100, 480, 264}));
             EXPECT_EQ(s.desk.frameOf(s.windows[1]), start);
         }},
        {"cancelled once the first window's request went out: that window is read back and "
         "reported, the later ones are not written",
         [](Scenario &s) {
             s.add();
             s.add();
             s.add();
             s.desk.desktop.setWritesFramesInOneRequest(true);
             const AXElement w = s.windows[0];
             s.desk.desktop.setHook([&s, w](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::frameWrite && call.element == w) {
                     s.flag->cancel();
                 }
             });
         },
         {{O::restored, QStringLiteral("Placed on Main")},
          {O::cancelled, QStringLiteral("Cancelled before this window was moved")},
          {O::cancelled, QStringLiteral("Cancelled before this window was moved")}},
         QStringLiteral("Cancelled · 1 restored · 2 cancelled"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_TRUE(r.wasCancelled);
             EXPECT_EQ(s.desk.frameOf(s.windows[1]), start);
             EXPECT_EQ(s.desk.frameOf(s.windows[2]), start);
         }},
        {"a manual restore ignores the gates it is given",
         [](Scenario &s) {
             s.add();
             s.options.eligibility = std::make_shared<SessionEligibilityGate>(false, std::nullopt);
             s.gate([]() { return false; });
         },
         {{O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &) { EXPECT_EQ(s.gateCalls, 0); }},
    };
    for (const Row &row : rows) {
        check(row);
    }
}

TEST(RestorePass, DecidesEntriesBeforeMoving)
{
    const QList<Row> rows = {
        {"skipped, excluded and on a display that is gone",
         [](Scenario &s) {
             const int skipped = s.add();
             s.add(start, quarter, editor);
             s.add();
             s.entries[2].displayKey = QStringLiteral("1-1-9");
             s.options.skippedEntryIDs = {s.entries[skipped].id};
             s.exclusions = {editor};
         },
         {{O::skipped, QStringLiteral("Skipped for this restore")},
          {O::excluded, QStringLiteral("Excluded app")},
          {O::failed, QStringLiteral("The saved display is not available")}},
         QStringLiteral("1 failed · 1 excluded · 1 skipped"),
         0,
         0},
        {"skipped wins over excluded; excluded wins over a missing display",
         [](Scenario &s) {
             s.add(start, quarter, editor);
             s.add(start, quarter, viewer);
             s.entries[1].displayKey = QStringLiteral("1-1-9");
             s.options.skippedEntryIDs = {s.entries[0].id};
             s.exclusions = {editor, viewer};
         },
         {{O::skipped, QStringLiteral("Skipped for this restore")},
          {O::excluded, QStringLiteral("Excluded app")}},
         QStringLiteral("1 excluded · 1 skipped"),
         0,
         0},
        {"an application without windows is not open",
         [](Scenario &s) { s.addClosed(); },
         {{O::notOpen, QStringLiteral("Not open on the active desktop")}},
         QStringLiteral("No matching open windows"),
         0,
         0},
        {"two windows for one entry need a choice",
         [](Scenario &s) {
             s.add(start, quarter, editor);
             s.desk.addWindow(editor, QStringLiteral("App 0"), {50, 50, 300, 300});
         },
         {{O::needsSelection, QStringLiteral("Choose a matching window.")}},
         QStringLiteral("1 needs selection"),
         0,
         0,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             ASSERT_EQ(r.ambiguous.size(), 1);
             EXPECT_EQ(r.ambiguous[0].entryID, s.entries[0].id);
             ASSERT_EQ(r.ambiguous[0].candidates.size(), 2);
             EXPECT_EQ(r.ambiguous[0].candidates[0].frame, (RectD{50, 50, 300, 300}));
         }},
        {"an application read in part is deferred",
         [](Scenario &s) {
             s.add(start, quarter, editor);
             s.add();
             s.desk.desktop.failReads(s.desk.desktop.applicationElement(s.desk.pids[editor]),
                                      AXAttribute::windows, AXError::cannotComplete);
         },
         {{O::deferred, QStringLiteral("Couldn’t read all windows. Try Restore again shortly.")},
          {O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored · 1 deferred"),
         1,
         1,
         QStringLiteral("Couldn’t read all windows. Try Restore again shortly."),
         [](Scenario &, const RestoreResult &r) { EXPECT_EQ(r.deferredCount, 1); }},
        {"a hidden application read in part is not deferred",
         [](Scenario &s) {
             s.add(start, quarter, editor);
             const qint32 pid = s.desk.pids[editor];
             s.desk.desktop.failReads(s.desk.desktop.applicationElement(pid), AXAttribute::windows,
                                      AXError::cannotComplete);
             s.desk.desktop.updateApplication(pid,
                                              [](RunningApplication &a) { a.isHidden = true; });
         },
         {{O::notOpen, QStringLiteral("Not open on the active desktop")}},
         QStringLiteral("No matching open windows"),
         0,
         0},
        {"the scan runs out of time: unread applications wait, read ones are not open",
         [](Scenario &s) {
             // Applications are read by name: "App 0" has nothing on screen and completes; time
             // runs out before "App 1" is reached.
             s.addClosed(QStringLiteral("org.example.app0"));
             const qint32 first =
                 s.desk.desktop.addApplication(QStringLiteral("org.example.app0"), "App 0");
             s.add();
             const AXElement firstElement = s.desk.desktop.applicationElement(first);
             s.desk.desktop.setHook([&s, firstElement](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::timeout && call.element == firstElement) {
                     s.desk.desktop.clock().advance(seconds(7));
                 }
             });
         },
         {{O::notOpen, QStringLiteral("Not found before the window scan timed out")},
          {O::deferred, QStringLiteral("Window scan timed out. Try Restore again.")}},
         QStringLiteral("1 not open · 1 deferred"),
         0,
         0,
         QStringLiteral("Window scan timed out. Try Restore again.")},
        {"entries all decided before the scan: still one scan, final progress 0 of 0",
         [](Scenario &s) {
             s.add();
             s.options.skippedEntryIDs = {s.entries[0].id};
         },
         {{O::skipped, QStringLiteral("Skipped for this restore")}},
         QStringLiteral("1 skipped"),
         0,
         0,
         std::nullopt,
         [](Scenario &s, const RestoreResult &) {
             int scans = 0;
             for (const FakeCall &call : s.desk.desktop.calls()) {
                 scans += call.kind == FakeCall::Kind::windowList ? 1 : 0;
             }
             EXPECT_EQ(scans, 1);
             ASSERT_EQ(s.desk.progress.size(), 1);
             EXPECT_EQ(s.desk.progress[0].total, 0);
         }},
        {"a scan that finds access withdrawn reports every entry, decided ones too",
         [](Scenario &s) {
             s.add();
             s.add();
             s.options.skippedEntryIDs = {s.entries[0].id};
             s.desk.desktop.setHook([&s](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::windowList) {
                     s.desk.desktop.setTrusted(false);
                 }
             });
         },
         {{O::failed, QStringLiteral("Accessibility access is off")},
          {O::failed, QStringLiteral("Accessibility access is off")}},
         QStringLiteral("Accessibility access is off"),
         0,
         0},
        {"no access at the start: every entry fails",
         [](Scenario &s) {
             s.add();
             s.addClosed();
             s.desk.desktop.setTrusted(false);
         },
         {{O::failed, QStringLiteral("Accessibility access is off")},
          {O::failed, QStringLiteral("Accessibility access is off")}},
         QStringLiteral("Accessibility access is off"),
         0,
         0},
        {"cancelled before the scan: nothing is read",
         [](Scenario &s) {
             s.add();
             s.flag->cancel();
         },
         {{O::cancelled, QStringLiteral("Cancelled before the window scan finished")}},
         QStringLiteral("Cancelled · 1 cancelled"),
         0,
         0,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_TRUE(r.wasCancelled);
             for (const FakeCall &call : s.desk.desktop.calls()) {
                 EXPECT_NE(call.kind, FakeCall::Kind::windowList);
             }
         }},
        {"a preferred window that closed: matched as if none were preferred",
         [](Scenario &s) {
             s.add(start, quarter, editor);
             const AXElement gone =
                 s.desk.addWindow(editor, QStringLiteral("App 0"), {9, 9, 99, 99});
             auto scan = await(s.desk.windows.scan(s.desk.displays(), {}, {}, std::nullopt, true));
             for (const WindowReference &w : scan.windows) {
                 if (w.element == gone) {
                     s.options.preferredWindows.insert(s.entries[0].id, w);
                 }
             }
             s.desk.desktop.removeElement(gone);
         },
         {{O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored"),
         1,
         1},
        {"a preferred window settles the choice between two",
         [](Scenario &s) {
             s.add(start, quarter, editor);
             s.desk.addWindow(editor, QStringLiteral("App 0"), {50, 50, 300, 300});
             auto scan = await(s.desk.windows.scan(s.desk.displays(), {}, {}, std::nullopt, true));
             for (const WindowReference &w : scan.windows) {
                 if (w.element == s.windows[0]) {
                     s.options.preferredWindows.insert(s.entries[0].id, w);
                 }
             }
         },
         {{O::restored, QStringLiteral("Placed on Main")}},
         QStringLiteral("1 restored"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &) { EXPECT_TRUE(s.placed(0)); }},
        {"two entries preferring one window both go back to the user",
         [](Scenario &s) {
             s.add(start, quarter, editor);
             s.add(start, quarter, editor);
             auto scan = await(s.desk.windows.scan(s.desk.displays(), {}, {}, std::nullopt, true));
             s.options.preferredWindows.insert(s.entries[0].id, scan.windows[0]);
             s.options.preferredWindows.insert(s.entries[1].id, scan.windows[0]);
         },
         {{O::needsSelection, QStringLiteral("Choose a matching window.")},
          {O::needsSelection, QStringLiteral("Choose a matching window.")}},
         QStringLiteral("2 need selection"),
         0,
         0},
    };
    for (const Row &row : rows) {
        check(row);
    }
}

TEST(RestorePass, EmptyLayoutAndAccessOff)
{
    RestoreDesk desk;
    const Layout empty = desk.layout({});
    RestoreOptions options;
    options.operationID = QUuid::createUuid();
    const RestoreResult result = desk.restore(empty, options);
    EXPECT_EQ(result.summary, QStringLiteral("No matching open windows"));
    EXPECT_EQ(result.operationID, options.operationID);
    EXPECT_EQ(result.layoutID, empty.id);
    EXPECT_TRUE(result.entries.isEmpty());

    desk.desktop.setTrusted(false);
    const RestoreResult off = desk.restore(empty, options);
    EXPECT_EQ(off.summary, QStringLiteral("Accessibility access is off"));
    EXPECT_TRUE(off.permissionLost);
    EXPECT_FALSE(off.operationID);
}

TEST(RestorePass, AutomationDoesNotSearchTheArrangement)
{
    // The side display was saved under another identity at the same place: only the
    // arrangement search can map it, and automation never runs that search.
    for (const bool automatic : {false, true}) {
        SCOPED_TRACE(automatic);
        RestoreDesk desk;
        const AXElement w = desk.addWindow(editor, QStringLiteral("Editor"), start);
        Layout layout = desk.layout(
            {RestoreDesk::entry(editor, QStringLiteral("Editor"), {0, 0, 0.5, 0.5}, "1-1-7")});
        layout.displays[1].identity.serial = 7;
        RestoreOptions options;
        options.isAutomation = automatic;
        const RestoreResult result = desk.restore(layout, options);
        ASSERT_EQ(result.entries.size(), 1);
        if (automatic) {
            EXPECT_EQ(result.entries[0].detail,
                      QStringLiteral("The saved display is not available"));
        } else {
            EXPECT_EQ(result.entries[0].detail, QStringLiteral("Placed on Side"));
            EXPECT_EQ(desk.frameOf(w), (RectD{1920, 0, 640, 512}));
        }
    }
}

// Each window's checks, active-desktop test, write, classification and progress come in the
// order of that window's own turn, while the writes of different windows overlap.
TEST(RestorePass, EachWindowIsCheckedAndJudgedAtItsOwnTurn)
{
    const QList<Row> rows = {
        {"a window that leaves the active desktop during an earlier window's write fails and "
         "stays put",
         [](Scenario &s) {
             s.add();
             s.add();
             const AXElement first = s.windows[0];
             s.desk.desktop.setHook([&s, first](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::write && call.element == first) {
                     s.desk.desktop.setOnScreen(s.windows[1], false);
                 }
             });
         },
         {{O::restored, QStringLiteral("Placed on Main")},
          {O::failed, QStringLiteral("The window is no longer on the active desktop")}},
         QStringLiteral("1 restored · 1 failed"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &) {
             EXPECT_EQ(s.desk.frameOf(s.windows[1]), start);
         }},
        {"a window whose application quits during an earlier window's write fails and stays put",
         [](Scenario &s) {
             s.add();
             s.add();
             const AXElement first = s.windows[0];
             s.desk.desktop.setHook([&s, first](const FakeCall &call) {
                 if (call.kind == FakeCall::Kind::write && call.element == first) {
                     s.desk.desktop.updateApplication(
                         s.desk.pids[QStringLiteral("org.example.app1")],
                         [](RunningApplication &a) { a.isTerminated = true; });
                 }
             });
         },
         {{O::restored, QStringLiteral("Placed on Main")},
          {O::failed, QStringLiteral("The window is no longer on the active desktop")}},
         QStringLiteral("1 restored · 1 failed"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &) {
             EXPECT_EQ(s.desk.frameOf(s.windows[1]), start);
         }},
        {"a write that finds access off ends every later move before it is written",
         [](Scenario &s) {
             s.add();
             s.add();
             s.add();
             s.desk.desktop.failWrites(s.windows[0], AXAttribute::size, {AXError::apiDisabled});
         },
         {{O::failed, QStringLiteral("Accessibility access was revoked")},
          {O::failed, QStringLiteral("Accessibility access was revoked")},
          {O::failed, QStringLiteral("Accessibility access was revoked")}},
         QStringLiteral("Accessibility access was lost"),
         0,
         0,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_TRUE(r.permissionLost);
             EXPECT_EQ(s.desk.frameOf(s.windows[1]), start);
             EXPECT_EQ(s.desk.frameOf(s.windows[2]), start);
         }},
        {"a cancellation is read for each window when its own write returns",
         [](Scenario &s) {
             s.add();
             s.add();
             s.add();
             // Once the moves begin, the second window is gone at its write and the third
             // window's write meets the cancellation.
             s.desk.onProgress = [&s](const RestoreProgress &p) {
                 if (p.completed != 0 || !p.currentLabel) {
                     return;
                 }
                 s.desk.desktop.failReads(s.windows[1], AXAttribute::role,
                                          AXError::invalidUIElement);
                 const AXElement third = s.windows[2];
                 s.desk.desktop.setHook([&s, third](const FakeCall &call) {
                     if (call.kind == FakeCall::Kind::read && call.element == third
                         && call.attribute == AXAttribute::role) {
                         s.flag->cancel();
                     }
                 });
             };
         },
         {{O::restored, QStringLiteral("Placed on Main")},
          {O::failed, QStringLiteral("The window is no longer available")},
          {O::cancelled, QStringLiteral("Cancelled before this window was moved")}},
         QStringLiteral("Cancelled · 1 restored · 1 failed · 1 cancelled"),
         1,
         1,
         std::nullopt,
         [](Scenario &s, const RestoreResult &r) {
             EXPECT_TRUE(r.wasCancelled);
             EXPECT_EQ(s.desk.frameOf(s.windows[2]), start);
         }},
    };
    for (const Row &row : rows) {
        check(row);
    }
}

// Progress tells of a window once the window before it is done and it has passed its own
// checks, not of every window at once before the first write; a window its checks stop is not
// reported.
TEST(RestorePass, ProgressFollowsEachWindowsTurn)
{
    const struct {
        const char *name;
        bool cancelAtFirstWrite;
        QStringList events;
    } cases[] = {
        {"every window in turn",
         false,
         {"progress 0 of 3 App 0", "write App 0", "progress 1 of 3 App 1", "write App 1",
          "progress 2 of 3 App 2", "write App 2", "progress 3 of 3"}},
        {"cancelled during the first write",
         true,
         {"progress 0 of 3 App 0", "write App 0", "progress 3 of 3"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        s.add();
        s.add();
        s.add();
        s.desk.desktop.setWritesFramesInOneRequest(true);
        QStringList events;
        std::mutex eventsMutex;
        s.desk.onProgress = [&](const RestoreProgress &p) {
            std::lock_guard lock(eventsMutex);
            events.append(
                QStringLiteral("progress %1 of %2%3")
                    .arg(p.completed)
                    .arg(p.total)
                    .arg(p.currentLabel ? QStringLiteral(" ") + *p.currentLabel : QString()));
        };
        s.desk.desktop.setHook([&](const FakeCall &call) {
            if (call.kind != FakeCall::Kind::frameWrite) {
                return;
            }
            std::lock_guard lock(eventsMutex);
            const qsizetype i = s.windows.indexOf(call.element);
            events.append(QStringLiteral("write App %1").arg(i));
            if (c.cancelAtFirstWrite) {
                s.flag->cancel();
            }
        });
        const RestoreResult result = s.desk.restore(s.desk.layout(s.entries), s.options, s.flag);
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(result.wasCancelled, c.cancelAtFirstWrite);
    }
}
