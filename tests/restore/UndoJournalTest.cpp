#include "platform/DisplayGeometry.h"
#include "restore/UndoJournal.h"
#include "restore/UndoTarget.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

WindowReference window(quint64 element, qint32 pid = 100, RectD frame = {0, 0, 400, 300})
{
    WindowReference ref;
    ref.id = QUuid::createUuid();
    ref.element = AXElement{element};
    ref.pid = pid;
    ref.bundleID = QStringLiteral("org.example.app");
    ref.appName = QStringLiteral("App");
    ref.role = QStringLiteral("AXWindow");
    ref.subrole = QStringLiteral("AXStandardWindow");
    ref.frame = frame;
    return ref;
}

UndoWindow journaled(const WindowReference &ref, RectD previous,
                     std::optional<QString> key = QStringLiteral("1-1-1"),
                     std::optional<RectD> visible = RectD{0, 0, 1920, 1080})
{
    return UndoWindow{ref, previous, std::move(key), visible, QStringLiteral("App"), false};
}

CurrentDisplay display(quint32 serial, RectD visible, const QString &name = QString())
{
    CurrentDisplay d;
    d.identity = DisplayIdentity{1, 1, serial, 0};
    d.name = name.isEmpty() ? QStringLiteral("Display %1").arg(serial) : name;
    d.frame = visible;
    d.visibleFrame = visible;
    d.pixelWidth = qint64(visible.width);
    d.pixelHeight = qint64(visible.height);
    return d;
}

} // namespace

TEST(UndoJournal, StoreReplacesOrMergesByOperation)
{
    const QUuid op1 = QUuid::createUuid(), op2 = QUuid::createUuid(), layout = QUuid::createUuid();
    const QDateTime first = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    const QDateTime later = QDateTime::fromSecsSinceEpoch(2000, Qt::UTC);

    // Nothing journaled: whatever was stored stays, also when merging.
    EXPECT_FALSE(
        UndoJournal::store(std::nullopt, {}, op1, layout, QStringLiteral("A"), true, first));
    const WindowReference w1 = window(1), w2 = window(2);
    const auto stored = UndoJournal::store(std::nullopt, {journaled(w1, {10, 10, 400, 300})}, op1,
                                           layout, QStringLiteral("A"), false, first);
    ASSERT_TRUE(stored);
    EXPECT_EQ(UndoJournal::store(stored, {}, op2, layout, QStringLiteral("B"), false, later)->date,
              first);

    // Same operation, merging: the window moved again keeps its first previous frame but takes
    // the newer reference; a new window is appended; name and date refresh.
    UndoSnapshot pending = *stored;
    pending.hasPendingFailures = true;
    const WindowReference w1newer = window(1, 100, {500, 500, 400, 300});
    const auto merged = UndoJournal::store(
        pending, {journaled(w1newer, {99, 99, 400, 300}), journaled(w2, {20, 20, 400, 300})}, op1,
        layout, QStringLiteral("B"), true, later);
    ASSERT_TRUE(merged);
    ASSERT_EQ(merged->entries.size(), 2);
    EXPECT_EQ(merged->entries[0].previousFrame, (RectD{10, 10, 400, 300}));
    EXPECT_EQ(merged->entries[0].reference.frame, w1newer.frame);
    EXPECT_EQ(merged->entries[1].reference.element, w2.element);
    EXPECT_EQ(merged->layoutName, QStringLiteral("B"));
    EXPECT_EQ(merged->date, later);
    EXPECT_EQ(merged->operationID, op1);
    EXPECT_TRUE(merged->hasPendingFailures);

    // Another operation, or no merge asked: the new journal replaces the stored one.
    for (const auto &[op, merge] : {std::pair{op2, true}, std::pair{op1, false}}) {
        const auto replaced = UndoJournal::store(pending, {journaled(w2, {20, 20, 400, 300})}, op,
                                                 layout, QStringLiteral("C"), merge, later);
        ASSERT_EQ(replaced->entries.size(), 1);
        EXPECT_EQ(replaced->operationID, op);
        EXPECT_FALSE(replaced->hasPendingFailures);
    }
}

TEST(UndoJournal, DedupeKeepsTheFirstEntryOfEachWindow)
{
    const auto kept = UndoJournal::dedupe(
        {journaled(window(1), {1, 1, 100, 100}), journaled(window(2), {2, 2, 100, 100}),
         journaled(window(1), {3, 3, 100, 100}), journaled(window(1, 200), {4, 4, 100, 100})});
    ASSERT_EQ(kept.size(), 3);
    EXPECT_EQ(kept[0].previousFrame.x, 1);
    EXPECT_EQ(kept[1].previousFrame.x, 2);
    EXPECT_EQ(kept[2].previousFrame.x, 4); // same element, other process: another window
}

TEST(UndoJournal, InfoReflectsTheJournal)
{
    const QDateTime when = QDateTime::fromSecsSinceEpoch(5000, Qt::UTC);
    const UndoSnapshot snapshot{QUuid::createUuid(),
                                QUuid::createUuid(),
                                QStringLiteral("Desk"),
                                when,
                                {journaled(window(1), {}), journaled(window(2), {})},
                                true};
    EXPECT_EQ(snapshot.info(), (UndoInfo{QStringLiteral("Desk"), 2, when, true}));
}

TEST(UndoTarget, DisplayOfAFrameByOverlapThenNearnessOfVisibleFrames)
{
    const QList<CurrentDisplay> displays = {display(1, {0, 0, 1000, 1000}),
                                            display(2, {1000, 0, 1000, 1000})};
    struct Row {
        const char *name;
        RectD frame;
        quint32 expected;
    };
    const QList<Row> rows = {
        {"mostly on the second", {900, 0, 400, 300}, 2},
        {"equal overlap goes to the earlier display", {800, 0, 400, 300}, 1},
        {"off every display: nearest to the centre", {2100, 100, 200, 200}, 2},
        {"equally near: the earlier display", {900, 1100, 200, 200}, 1},
    };
    const auto displayForFrame = [](const RectD &frame, const QList<CurrentDisplay> &list) {
        return DisplayGeometry::displayFor(frame, list, DisplayGeometry::DisplayArea::visibleFrame);
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(displayForFrame(row.frame, displays)->identity.serial, row.expected);
    }
    EXPECT_FALSE(displayForFrame({0, 0, 10, 10}, {}));
    EXPECT_EQ(displayForFrame({5000, 5000, 10, 10}, {displays[1]})->identity.serial, 2u);
}

TEST(UndoTarget, PreviousFrameFittedToTheDisplaysNow)
{
    const RectD previous{100, 100, 800, 600};
    const RectD journaledVisible{0, 25, 1920, 1055};
    struct Row {
        const char *name;
        UndoWindow window;
        QList<CurrentDisplay> displays;
        std::optional<UndoTarget> expected;
    };
    const QList<Row> rows = {
        {"no display",
         journaled(window(1), previous, QStringLiteral("1-1-1"), journaledVisible),
         {},
         std::nullopt},
        {"display moved by 2 pt: the exact previous frame",
         journaled(window(1), previous, QStringLiteral("1-1-1"), journaledVisible),
         {display(1, {2, 27, 1918, 1053})},
         UndoTarget{previous, std::nullopt}},
        {"display grew by 100 pt: relative place kept, clamped, with a note",
         journaled(window(1), {0, 25, 960, 1055}, QStringLiteral("1-1-1"), journaledVisible),
         {display(1, {0, 25, 2020, 1055})},
         UndoTarget{{0, 25, 1010, 1055}, QStringLiteral("Adjusted to fit this display.")}},
        {"display gone: placed on the display the window overlaps most",
         journaled(window(1, 100, {2000, 100, 400, 300}), previous, QStringLiteral("1-1-9"),
                   journaledVisible),
         {display(1, {0, 0, 1000, 800}), display(2, {1920, 0, 1280, 1024}, QStringLiteral("Side"))},
         UndoTarget{{1920, 100, 800, 600},
                    QStringLiteral("Original display missing. Placed on Side.")}},
        {"journaled without a display: clamped into the overlapped display, no note",
         journaled(window(1, 100, {10, 10, 50, 50}), {-50, 10, 40, 30}, std::nullopt, std::nullopt),
         {display(1, {0, 0, 1000, 800})},
         UndoTarget{{0, 10, 80, 60}, std::nullopt}},
        {"unusable journaled visible frame counts as no display",
         journaled(window(1), previous, QStringLiteral("1-1-1"), RectD{0, 0, 0, 100}),
         {display(1, {0, 0, 640, 480})},
         UndoTarget{{0, 100, 800, 600}, std::nullopt}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(UndoTarget::forWindow(row.window, row.displays), row.expected);
    }
}
