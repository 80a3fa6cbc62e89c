#pragma once

#include "model/AmbiguousEntry.h"
#include "model/CurrentDisplay.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace ostrel {

// Asks the user to pick a numbered candidate window, or to skip, for each ambiguous entry of a
// manual restore; the choices start a second restore of those entries.
struct ResolutionRequest {
    QUuid id;
    QUuid layoutID;
    QString layoutName;
    QList<AmbiguousEntry> ambiguous;
    QList<CurrentDisplay> available; // the connected displays when the request was made

    friend bool operator==(const ResolutionRequest &, const ResolutionRequest &) = default;
};

} // namespace ostrel
