#pragma once

#include "model/CurrentDisplay.h"
#include "system/ScreenList.h"

#include <QList>

namespace ostrel {

// Which displays are connected now, with their identity and geometry in the global space.
// Nothing is cached: every call asks afresh. The order is fixed (left to right, then top to
// bottom, then by display key), so two calls on an unchanged setup give equal lists. Any
// thread: it keeps nothing of its own.
class DisplayService {
public:
    explicit DisplayService(ScreenList &screens)
        : screens_(screens)
    {
    }

    QList<CurrentDisplay> currentDisplays() const;

private:
    ScreenList &screens_;
};

} // namespace ostrel
