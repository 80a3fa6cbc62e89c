#pragma once

#include "model/CurrentDisplay.h"
#include "model/RectD.h"

#include <QList>

#include <optional>

namespace ostrel::DisplayGeometry {

// Whether the frame covers some display's whole frame to within 3 points on every value.
bool isFullscreen(const RectD &frame, const QList<CurrentDisplay> &displays);

// The display a window frame belongs to: the one it overlaps most (the earlier display on a
// tie), else, when it overlaps none, the one nearest to the frame's centre. None only for an
// empty list.
std::optional<CurrentDisplay> displayFor(const RectD &frame, const QList<CurrentDisplay> &displays);

} // namespace ostrel::DisplayGeometry
