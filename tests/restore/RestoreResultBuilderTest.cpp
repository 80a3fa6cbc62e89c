#include "restore/RestoreResultBuilder.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

EntryResult result(EntryOutcome outcome)
{
    EntryResult r;
    r.entryID = QUuid::createUuid();
    r.label = QStringLiteral("App");
    r.appName = QStringLiteral("App");
    r.bundleID = QStringLiteral("org.example.app");
    r.outcome = outcome;
    return r;
}

QList<EntryResult> results(std::initializer_list<std::pair<EntryOutcome, int>> counts)
{
    QList<EntryResult> list;
    for (const auto &[outcome, n] : counts) {
        for (int i = 0; i < n; ++i) {
            list.append(result(outcome));
        }
    }
    return list;
}

WindowEntry entry(const QString &appName, std::optional<QString> host = std::nullopt)
{
    WindowEntry e;
    e.id = QUuid::createUuid();
    e.bundleID = QStringLiteral("org.example.") + appName.toLower();
    e.appName = appName;
    e.role = QStringLiteral("AXWindow");
    e.subrole = QStringLiteral("AXStandardWindow");
    e.hostname = std::move(host);
    e.displayKey = QStringLiteral("1-1-1");
    e.relativeFrame = RelativeFrame{0, 0, 1, 1};
    return e;
}

using O = EntryOutcome;

} // namespace

TEST(RestoreResultBuilder, SummaryLine)
{
    struct Row {
        QList<EntryResult> entries;
        bool cancelled;
        bool permissionLost;
        QString expected;
    };
    const QList<Row> rows = {
        {{}, false, false, QStringLiteral("No matching open windows")},
        {{}, true, false, QStringLiteral("Cancelled")},
        {{}, true, true, QStringLiteral("Accessibility access was lost")},
        {results({{O::restored, 3}}), false, true, QStringLiteral("Accessibility access was lost")},
        {results({{O::notOpen, 2}}), false, false, QStringLiteral("No matching open windows")},
        {results({{O::notOpen, 2}}), true, false, QStringLiteral("No matching open windows")},
        {results({{O::notOpen, 1}, {O::excluded, 2}}), true, false,
         QStringLiteral("No matching open windows · 2 excluded")},
        {results({{O::excluded, 2}}), false, false, QStringLiteral("2 excluded")},
        {results({{O::excluded, 2}}), true, false, QStringLiteral("Cancelled · 2 excluded")},
        {results({{O::needsSelection, 1}}), false, false, QStringLiteral("1 needs selection")},
        {results({{O::needsSelection, 2}}), false, false, QStringLiteral("2 need selection")},
        {results({{O::restored, 3}, {O::adjusted, 1}}), false, false,
         QStringLiteral("3 restored · 1 adjusted")},
        {results({{O::cancelled, 3}, {O::restored, 2}}), true, false,
         QStringLiteral("Cancelled · 2 restored · 3 cancelled")},
        {results({{O::skipped, 1}, {O::needsSelection, 2}, {O::restored, 1}}), false, false,
         QStringLiteral("1 restored · 2 need selection · 1 skipped")},
        {results({{O::deferred, 2}, {O::notOpen, 1}}), false, false,
         QStringLiteral("1 not open · 2 deferred")},
        {results({{O::skipped, 1},
                  {O::deferred, 1},
                  {O::cancelled, 1},
                  {O::excluded, 1},
                  {O::failed, 12},
                  {O::needsSelection, 3},
                  {O::notOpen, 1},
                  {O::adjusted, 1},
                  {O::restored, 1000}}),
         false, false,
         QStringLiteral("1000 restored · 1 adjusted · 1 not open · 3 need selection · 12 failed · "
                        "1 excluded · 1 cancelled · 1 deferred · 1 skipped")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.expected.toStdString());
        EXPECT_EQ(RestoreResultBuilder::makeSummary(row.entries, row.cancelled, row.permissionLost),
                  row.expected);
    }
}

TEST(RestoreResultBuilder, PermissionFailureReportsEveryEntry)
{
    const QList<WindowEntry> entries = {
        entry(QStringLiteral("Browser"), QStringLiteral("a.example")),
        entry(QStringLiteral("Editor"), QString())};
    const RestoreResult r =
        RestoreResultBuilder::permissionFailure(QStringLiteral("Desk"), entries, ResultKind::undo);
    EXPECT_EQ(r.kind, ResultKind::undo);
    EXPECT_EQ(r.summary, QStringLiteral("Accessibility access is off"));
    EXPECT_TRUE(r.permissionLost);
    EXPECT_FALSE(r.layoutID.has_value());
    EXPECT_FALSE(r.operationID.has_value());
    EXPECT_EQ(r.failedCount, 2);
    ASSERT_EQ(r.entries.size(), 2);
    EXPECT_EQ(r.entries[0].label, QStringLiteral("Browser — a.example"));
    EXPECT_EQ(r.entries[1].label, QStringLiteral("Editor"));
    EXPECT_EQ(r.entries[0].detail, QStringLiteral("Accessibility access is off"));
    EXPECT_EQ(r.entries[0].entryID, entries[0].id);

    const RestoreResult empty =
        RestoreResultBuilder::permissionFailure(QStringLiteral("Desk"), {}, ResultKind::restore);
    EXPECT_TRUE(empty.entries.isEmpty());
    EXPECT_EQ(empty.failedCount, 0);
    EXPECT_TRUE(empty.permissionLost);
    EXPECT_EQ(empty.summary, QStringLiteral("Accessibility access is off"));
}

TEST(RestoreResultBuilder, CancelledScanKeepsDecidedResultsInLayoutOrder)
{
    Layout layout;
    layout.id = QUuid::createUuid();
    layout.name = QStringLiteral("Desk");
    layout.entries = {entry(QStringLiteral("A")), entry(QStringLiteral("B")),
                      entry(QStringLiteral("C")), entry(QStringLiteral("D"))};
    QHash<QUuid, EntryResult> output;
    output.insert(layout.entries[2].id,
                  RestoreResultBuilder::entryResult(layout.entries[2], O::skipped,
                                                    QStringLiteral("Skipped for this restore")));
    const QUuid operation = QUuid::createUuid();
    const RestoreResult r = RestoreResultBuilder::finishCancelledScan(
        layout, {layout.entries[3], layout.entries[0], layout.entries[2]}, output, operation);

    ASSERT_EQ(r.entries.size(), 3); // B was neither pending nor decided
    EXPECT_EQ(r.entries[0].label, QStringLiteral("A"));
    EXPECT_EQ(r.entries[0].outcome, O::cancelled);
    EXPECT_EQ(r.entries[0].detail, QStringLiteral("Cancelled before the window scan finished"));
    EXPECT_EQ(r.entries[1].outcome, O::skipped);
    EXPECT_EQ(r.entries[2].label, QStringLiteral("D"));
    EXPECT_EQ(output.size(), 3);
    EXPECT_EQ(r.summary, QStringLiteral("Cancelled · 2 cancelled · 1 skipped"));
    EXPECT_TRUE(r.wasCancelled);
    EXPECT_EQ(r.operationID, operation);
    EXPECT_EQ(r.layoutID, layout.id);
    EXPECT_EQ(r.movedWindowCount, 0);

    QHash<QUuid, EntryResult> none;
    EXPECT_EQ(RestoreResultBuilder::finishCancelledScan(layout, {}, none, operation).summary,
              QStringLiteral("Cancelled"));
}
