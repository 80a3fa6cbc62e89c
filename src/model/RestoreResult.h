#pragma once

#include "model/AmbiguousEntry.h"
#include "model/EntryResult.h"
#include "model/ResultKind.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// The outcome of one restore or undo pass.
struct RestoreResult {
    QUuid id;
    ResultKind kind = ResultKind::restore;
    std::optional<QUuid> layoutID;
    std::optional<QUuid> operationID;
    QString layoutName;
    QDateTime date;
    QList<EntryResult> entries; // one per entry, in the pass's order
    QList<AmbiguousEntry> ambiguous;
    QString summary;
    bool wasCancelled = false;
    bool permissionLost = false;
    qint64 movedWindowCount = 0; // as the pass counted them
    qint64 exactCount = 0;
    qint64 adjustedCount = 0;
    qint64 notOpenCount = 0;
    qint64 needsSelectionCount = 0;
    qint64 failedCount = 0;
    qint64 excludedCount = 0;
    qint64 cancelledCount = 0;
    qint64 deferredCount = 0; // as the pass counted them
    qint64 skippedCount = 0;
    std::optional<QString> deferredReason; // why an automatic pass was deferred

    // What a pass hands over at its end, cut short or not.
    // Every member has its initializer, so a pass names only the fields it sets.
    struct Pass {
        ResultKind kind = ResultKind::restore;
        std::optional<QUuid> layoutID = std::nullopt;
        std::optional<QUuid> operationID = std::nullopt;
        QString layoutName = {};
        QList<EntryResult> entries = {};
        QList<AmbiguousEntry> ambiguous = {};
        QString summary = {};
        bool wasCancelled = false;
        bool permissionLost = false;
        qint64 movedCount = 0;
        qint64 deferredCount = 0;
        std::optional<QString> deferredReason = std::nullopt;
    };

    // A new id and the current time; the moved and deferred counts as given, every other count
    // taken from the entries' outcomes.
    static RestoreResult make(const Pass &pass);

    friend bool operator==(const RestoreResult &, const RestoreResult &) = default;
};

} // namespace ostrel
