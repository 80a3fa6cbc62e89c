#pragma once

#include "model/CurrentDisplay.h"
#include "model/EntryResult.h"
#include "model/FrameApplyResult.h"
#include "model/RectD.h"
#include "model/WindowEntry.h"
#include "model/WindowReference.h"
#include "restore/UndoJournal.h"

#include <QList>
#include <QString>

namespace ostrel {

// One planned window move of a restore.
struct MoveOperation {
    WindowEntry entry;
    WindowReference reference; // refreshed with the frame read while planning
    RectD target;
    QString displayName; // named in the detail of a window placed there
};

// The outcome of one write of a restore, judged by the frames it reports.
EntryResult classify(const MoveOperation &move, const FrameApplyResult &applied, bool cancelled);

// Journals the window when the write may have changed it, with the display its previous frame
// lay on, so that the undo can put it back.
void journalPossibleChange(const MoveOperation &move, const RectD &previousFrame,
                           const FrameApplyResult &applied, const QList<CurrentDisplay> &displays,
                           QList<UndoWindow> &journal);

} // namespace ostrel
