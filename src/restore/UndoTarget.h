#pragma once

#include "model/CurrentDisplay.h"
#include "model/RectD.h"
#include "restore/UndoJournal.h"

#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// Where an undo puts a journaled window back, and the note shown when it had to be fitted.
struct UndoTarget {
    RectD frame;
    std::optional<QString> detail;

    friend bool operator==(const UndoTarget &, const UndoTarget &) = default;

    // The previous frame, fitted to the displays connected now; none only without displays.
    static std::optional<UndoTarget> forWindow(const UndoWindow &window,
                                               const QList<CurrentDisplay> &displays);
};

} // namespace ostrel
