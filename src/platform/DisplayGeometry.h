#pragma once

#include "model/CurrentDisplay.h"
#include "model/RectD.h"

#include <QList>

#include <optional>

namespace ostrel::DisplayGeometry {

// Which rectangle of a display a frame is measured against.
enum class DisplayArea {
    frame,        // the whole display
    visibleFrame, // the part not covered by panels and docks
};

// Whether the frame covers some display's whole frame to within 3 points on every value.
bool isFullscreen(const RectD &frame, const QList<CurrentDisplay> &displays);

// The display a window frame belongs to: the one whose area it overlaps most (the earlier
// display on a tie), else, when it overlaps none, the one whose area is nearest to the frame's
// centre (again the earlier on a tie). None only for an empty list.
std::optional<CurrentDisplay> displayFor(const RectD &frame, const QList<CurrentDisplay> &displays,
                                         DisplayArea area = DisplayArea::frame);

} // namespace ostrel::DisplayGeometry
