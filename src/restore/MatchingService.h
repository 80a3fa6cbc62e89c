#pragma once

#include "model/WindowEntry.h"
#include "model/WindowReference.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

namespace ostrel {

// How the saved entries of one restore relate to the live windows: matched, with a choice to
// offer the user, or with nothing to take.
struct MatchResolution {
    QHash<QUuid, WindowReference> matches;
    QHash<QUuid, QList<WindowReference>> candidates;
    QList<QUuid> unavailableEntryIDs;
};

// Decides which live window each saved entry stands for. A window is given without asking
// only where the decision is unambiguous; everything else goes back to the user. Pure
// functions; two references are the same window when their process and element agree.
class MatchingService {
public:
    static MatchResolution resolve(const QList<WindowEntry> &entries,
                                   const QList<WindowReference> &windows,
                                   const QHash<QUuid, WindowReference> &preferred,
                                   const QSet<QUuid> &explicitEntryIDs,
                                   const QSet<QString> &excludedBundleIDs);

    // Same application, role and subrole; canonically equivalent texts count as equal.
    static bool isCompatible(const WindowEntry &entry, const WindowReference &window);

    // Entries whose chosen window was also chosen for another entry.
    static QSet<QUuid> duplicateExplicitEntryIDs(const QHash<QUuid, WindowReference> &choices);

    // The order in which candidate windows are offered: top to bottom, left to right, then by
    // application name; stable, so equal windows keep their scan order.
    static void sortCandidates(QList<WindowReference> &candidates);
};

} // namespace ostrel
