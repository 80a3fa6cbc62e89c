#pragma once

#include "model/EntryOutcome.h"
#include "model/RectD.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <algorithm>
#include <optional>

namespace ostrel {

// One saved window's outcome after a pass.
struct EntryResult {
    QUuid entryID;
    QString label; // the entry's label
    QString appName;
    QString bundleID;
    EntryOutcome outcome = EntryOutcome::skipped;
    std::optional<QString> detail;   // one line for the user
    std::optional<RectD> frame;      // where the pass left the window, when known
    std::optional<quint32> windowID; // the window the entry was matched to, when known

    friend bool operator==(const EntryResult &, const EntryResult &) = default;
};

// How many of the results ended with `outcome`.
inline qint64 countOutcome(const QList<EntryResult> &entries, EntryOutcome outcome)
{
    return std::count_if(entries.begin(), entries.end(),
                         [outcome](const EntryResult &e) { return e.outcome == outcome; });
}

} // namespace ostrel
