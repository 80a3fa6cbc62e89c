#pragma once

#include "model/WindowReference.h"

#include <QHash>
#include <QUuid>

namespace ostrel {

// Live windows the model keeps for the rest of the session, keyed by window-entry id, and handed
// to restores as the preferred windows: the ones a capture was made from, and the ones the user
// chose in the window-choice dialog.
struct SessionWindows {
    QHash<QUuid, WindowReference> references;
    QHash<QUuid, WindowReference> resolutions;
};

} // namespace ostrel
