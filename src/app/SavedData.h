#pragma once

#include "model/AppExclusion.h"
#include "model/Layout.h"
#include "model/MutationScope.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// The saved layouts and exclusions as last loaded from the store, and the edits whose store
// write is in flight; with the lookups everyone makes in them.
struct SavedData {
    QList<Layout> layouts;
    QList<AppExclusion> exclusions;
    QSet<MutationScope> pendingMutations;

    // The first layout with that identifier.
    std::optional<Layout> layout(const QUuid &id) const;
    // The layout that already bears the name, ignoring letter case and surrounding blanks.
    std::optional<Layout> layoutNamed(const QString &name) const;
    // What capture, restore and undo leave alone.
    QSet<QString> excludedBundleIDs() const;
    // The shortcuts the layouts carry, by layout.
    QHash<QUuid, Shortcut> perLayoutShortcuts() const;
    // An exclusion change (of any application) is being saved.
    bool hasPendingExclusionMutation() const;
    // A layout's shortcut (of any layout) is being saved.
    bool hasPendingShortcutMutation() const;

    friend bool operator==(const SavedData &, const SavedData &) = default;
};

} // namespace ostrel
