#pragma once

#include "model/CurrentDisplay.h"
#include "model/DisplaySnapshot.h"
#include "model/MissingDisplay.h"

#include <QHash>
#include <QList>
#include <QString>

namespace ostrel {

// Where each saved display of a layout is placed among the connected ones. A saved display
// whose key is absent is unmapped; two saved displays may share a connected display.
struct DisplayMapping {
    QHash<QString, CurrentDisplay> displays;
};

// Puts a layout's saved displays in correspondence with the connected displays: by identity,
// then by the user's fallback choices, then (when allowed) by an unambiguous arrangement.
// Pure functions on values; the order of both lists decides ties.
class DisplayMapper {
public:
    // Upper bound of displays the arrangement search pairs up (6! orderings at most).
    static constexpr int maximumTopologyDisplays = 6;
    // How far (points) two displays' relative offsets may differ and still count as the same
    // arrangement.
    static constexpr double arrangementTolerance = 8.0;

    static DisplayMapping map(const QList<DisplaySnapshot> &saved,
                              const QList<CurrentDisplay> &current,
                              const QHash<QString, QString> &fallbacks, bool allowTopologyFallback);

    static QList<MissingDisplay> missingDisplays(const QList<DisplaySnapshot> &saved,
                                                 const DisplayMapping &mapping);

    // Exposed for tests: every ordering of 0..n-1 in the order the search tries them.
    static QList<QList<int>> permutations(int n);
};

} // namespace ostrel
