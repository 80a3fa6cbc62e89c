#pragma once

#include "model/AXWindowIdentity.h"
#include "model/RectD.h"
#include "platform/CGWindowEntry.h"
#include "system/Clock.h"

#include <QHash>
#include <QList>

#include <optional>

namespace ostrel {

// Proof that one Accessibility window is shown; the window-server number only when the window
// was matched to its row without any doubt.
struct VisibilityEvidence {
    std::optional<quint32> windowID;
    friend bool operator==(const VisibilityEvidence &, const VisibilityEvidence &) = default;
};

// Which windows are proven visible on the active desktop, and whether some look-alike windows
// could not be told apart.
struct VisibilityScan {
    QHash<AXWindowIdentity, VisibilityEvidence> evidence;
    bool ambiguous = false;

    // Pairs each Accessibility frame with a distinct window-server row whose frame lies within
    // 8 points on every value. Windows and rows that look alike form a group, and a group is
    // accepted only when its windows and rows can be paired one to one; a single pair also
    // names its row's window number. `visible` should hold the rows of one process only.
    // Throws CaptureError(timedOut) once `deadline` has been reached.
    static VisibilityScan pair(const QHash<AXWindowIdentity, RectD> &frames,
                               const QList<CGWindowEntry> &visible, Clock::TimePoint deadline,
                               Clock &clock);
};

} // namespace ostrel
