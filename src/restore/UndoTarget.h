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

// The display a frame belongs to: the one whose visible frame it overlaps most, else the one
// nearest to its centre; ties go to the earlier display. None only for an empty list.
std::optional<CurrentDisplay> displayForFrame(const RectD &frame,
                                              const QList<CurrentDisplay> &displays);

} // namespace ostrel
