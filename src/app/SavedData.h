#pragma once

#include "model/AppExclusion.h"
#include "model/Layout.h"
#include "model/MutationScope.h"

#include <QList>
#include <QSet>

namespace ostrel {

// The saved layouts and exclusions as last loaded from the store, and the edits whose store
// write is in flight.
struct SavedData {
    QList<Layout> layouts;
    QList<AppExclusion> exclusions;
    QSet<MutationScope> pendingMutations;

    friend bool operator==(const SavedData &, const SavedData &) = default;
};

} // namespace ostrel
