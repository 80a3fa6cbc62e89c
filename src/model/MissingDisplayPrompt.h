#pragma once

#include "model/CurrentDisplay.h"
#include "model/MissingDisplay.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace ostrel {

// Asks the user to pick, for each missing display, a connected one to use instead for this one
// restore.
struct MissingDisplayPrompt {
    QUuid id; // new for each prompt
    QUuid layoutID;
    QString layoutName;
    QList<MissingDisplay> missing;
    QList<CurrentDisplay> available; // the connected displays when the prompt was made

    friend bool operator==(const MissingDisplayPrompt &, const MissingDisplayPrompt &) = default;
};

} // namespace ostrel
