#pragma once

#include "model/CurrentDisplay.h"
#include "model/WindowReference.h"

#include <QList>
#include <QString>

namespace ostrel {

// Where a candidate window is and how large, for telling candidates apart in the window-choice
// dialog: "Display 2 · 1280 × 800". The display is the one the window overlaps most (the
// earlier one on a tie, the first when it overlaps none), numbered by its place in `displays`.
// A size that is not finite or does not fit a whole number is left out, not guessed.
QString candidateDescription(const WindowReference &reference,
                             const QList<CurrentDisplay> &displays);

} // namespace ostrel
