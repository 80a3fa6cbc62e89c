#pragma once

#include "model/RectD.h"
#include "system/x11/Strut.h"

#include <QList>

namespace ostrel::x11 {

// A window that reserves screen edges: its frame and its strut, in root coordinates.
struct StrutWindow {
    RectD frame;
    Strut strut;
};

// The area two rectangles share (0 when they do not meet).
double overlapArea(const RectD &a, const RectD &b);

// The visible frame of each monitor (same order as `monitors`): the monitor less the struts of
// the windows on it. Struts are measured from the edges of the whole root window, which spans
// every monitor, so a partial strut is applied only to the monitor its window lies on (the
// largest overlap) and only where its reserved band reaches into that monitor: a panel on one
// monitor never shrinks its neighbour. A legacy strut reserves whole edges of the root and is
// applied to every monitor its band reaches into.
QList<RectD> visibleFrames(const QList<RectD> &monitors, const QList<StrutWindow> &struts,
                           const RectD &root);

// `frames` (the visible frames of `monitors`) narrowed where the window manager's work area
// reserves more of an edge of the root than the deepest strut on that edge: space the window
// manager keeps for something no strut tells of (a toolbar of its own), and places windows out
// of. The work area is one rectangle over all monitors, so such an edge narrows every monitor
// the work area overlaps; a monitor it does not overlap at all is left as it is (a work area
// that misses a whole monitor is out of date, not a reservation).
QList<RectD> narrowedToWorkArea(const QList<RectD> &frames, const QList<RectD> &monitors,
                                const QList<StrutWindow> &struts, const RectD &workArea,
                                const RectD &root);

} // namespace ostrel::x11
