#pragma once

#include "model/WindowReference.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace ostrel {

// A candidate window with its temporary on-screen number.
struct NumberedCandidate {
    int number = 0;
    WindowReference reference;

    QUuid id() const { return reference.id; }
};

// A saved window that several open windows match.
struct AmbiguousEntry {
    QUuid entryID;
    QString label;
    QString appName;
    QList<WindowReference> candidates; // in the restore engine's order

    // Numbered 1, 2, 3… in candidate order: the window-choice dialog's rows and the markers over
    // the windows use the same numbers.
    QList<NumberedCandidate> numberedCandidates() const;

    friend bool operator==(const AmbiguousEntry &, const AmbiguousEntry &) = default;
};

} // namespace ostrel
