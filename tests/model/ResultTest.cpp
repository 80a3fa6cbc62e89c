#include "model/AmbiguousEntry.h"
#include "model/EntryOutcome.h"
#include "model/RestoreResult.h"
#include "model/ResultKind.h"
#include "model/UndoInfo.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

EntryResult result(EntryOutcome outcome)
{
    return {QUuid::createUuid(), "App",        "App",       "com.example.app", outcome,
            std::nullopt,        std::nullopt, std::nullopt};
}

WindowReference candidate()
{
    return {QUuid::createUuid(), AXElement{1}, 1, "b", "A", "AXWindow", "AXStandardWindow",
            std::nullopt,        std::nullopt, {}};
}

} // namespace

TEST(RestoreResultTest, CountsComeFromOutcomesExceptMovedAndDeferred)
{
    using O = EntryOutcome;
    QList<EntryResult> entries;
    for (O o : {O::restored, O::restored, O::adjusted, O::notOpen, O::needsSelection, O::failed,
                O::excluded, O::cancelled, O::skipped, O::skipped, O::deferred, O::deferred,
                O::deferred}) {
        entries.append(result(o));
    }
    const QUuid layout = QUuid::createUuid();
    const QDateTime before = QDateTime::currentDateTimeUtc();
    RestoreResult::Pass pass;
    pass.kind = ResultKind::undo;
    pass.layoutID = layout;
    pass.layoutName = "Work";
    pass.entries = entries;
    pass.summary = "summary";
    pass.wasCancelled = true;
    pass.movedCount = 7;
    pass.deferredCount = 1;
    pass.deferredReason = "later";
    const RestoreResult r = RestoreResult::make(pass);
    EXPECT_FALSE(r.id.isNull());
    EXPECT_GE(r.date, before);
    EXPECT_EQ(r.kind, ResultKind::undo);
    EXPECT_EQ(r.layoutID, layout);
    EXPECT_EQ(r.operationID, std::nullopt);
    EXPECT_EQ(r.entries, entries);
    EXPECT_TRUE(r.wasCancelled);
    EXPECT_FALSE(r.permissionLost);
    EXPECT_EQ(r.deferredReason, QString("later"));
    EXPECT_EQ(r.exactCount, 2);
    EXPECT_EQ(r.adjustedCount, 1);
    EXPECT_EQ(r.notOpenCount, 1);
    EXPECT_EQ(r.needsSelectionCount, 1);
    EXPECT_EQ(r.failedCount, 1);
    EXPECT_EQ(r.excludedCount, 1);
    EXPECT_EQ(r.cancelledCount, 1);
    EXPECT_EQ(r.skippedCount, 2);
    // Given, not counted: three deferred outcomes but a deferred count of 1.
    EXPECT_EQ(r.deferredCount, 1);
    EXPECT_EQ(r.movedWindowCount, 7);

    RestoreResult::Pass nothing;
    nothing.movedCount = 3;
    nothing.deferredCount = 4;
    const RestoreResult empty = RestoreResult::make(nothing);
    EXPECT_EQ(empty.exactCount + empty.adjustedCount + empty.notOpenCount
                  + empty.needsSelectionCount + empty.failedCount + empty.excludedCount
                  + empty.cancelledCount + empty.skippedCount,
              0);
    EXPECT_EQ(empty.movedWindowCount, 3);
    EXPECT_EQ(empty.deferredCount, 4);
    EXPECT_NE(empty.id, r.id);
}

TEST(RestoreResultTest, RawValuesParseExactly)
{
    for (EntryOutcome o : allCases<EntryOutcome>()) {
        EXPECT_EQ(fromRawValue<EntryOutcome>(rawValue(o)), o);
    }
    EXPECT_EQ(rawValue(EntryOutcome::needsSelection), "needsSelection");
    EXPECT_EQ(fromRawValue<EntryOutcome>("Restored"), std::nullopt);
    EXPECT_EQ(fromRawValue<ResultKind>("undo"), ResultKind::undo);
    EXPECT_EQ(fromRawValue<ResultKind>("Undo"), std::nullopt);
}

TEST(AmbiguousEntryTest, CandidatesNumberedFromOneInOrder)
{
    AmbiguousEntry entry{QUuid::createUuid(), "A", "A", {}};
    EXPECT_TRUE(entry.numberedCandidates().isEmpty());
    entry.candidates = {candidate(), candidate(), candidate()};
    const QList<NumberedCandidate> numbered = entry.numberedCandidates();
    ASSERT_EQ(numbered.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(numbered[i].number, i + 1);
        EXPECT_EQ(numbered[i].id(), entry.candidates[i].id);
    }
}

TEST(UndoInfoTest, EqualityCoversPartial)
{
    const UndoInfo info{"Work", 3, QDateTime::fromSecsSinceEpoch(100), false};
    UndoInfo partial = info;
    partial.partial = true;
    EXPECT_EQ(info, UndoInfo(info));
    EXPECT_FALSE(info == partial);
}
