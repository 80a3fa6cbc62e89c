#pragma once

#include "model/RectD.h"

#include <QList>

#include <array>

namespace ostrel::x11 {

// A window that reserves screen edges: its frame and its _NET_WM_STRUT_PARTIAL values (left,
// right, top, bottom, then the start and end of each edge's span), all in root coordinates.
struct StrutWindow {
    RectD frame;
    std::array<quint32, 12> strut{};
};

// The area two rectangles share (0 when they do not meet).
double overlapArea(const RectD &a, const RectD &b);

// The visible frame of each monitor (same order as `monitors`): the monitor less the struts of
// the windows on it. Struts are measured from the edges of the whole root window, which spans
// every monitor, so a strut is applied only to the monitor its window lies on (the largest
// overlap) and only where its reserved band reaches into that monitor: a panel on one monitor
// never shrinks its neighbour.
QList<RectD> visibleFrames(const QList<RectD> &monitors, const QList<StrutWindow> &struts, const RectD &root);

} // namespace ostrel::x11
