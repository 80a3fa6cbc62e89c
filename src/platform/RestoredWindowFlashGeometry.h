#pragma once

#include "model/RectD.h"
#include "platform/WindowListSnapshot.h"

#include <QList>

#include <optional>

namespace ostrel {

// The plain computation behind the restore flash: which part of a window is not covered by the
// windows in front of it, and where each panel goes for one read of the window list.
namespace RestoredWindowFlashGeometry {

// The parts of `rects` outside `cut`: for each rectangle that the cut overlaps, the band above the
// overlap, the band below (both full width), then the parts left and right of it (the overlap's
// height only), each when not empty. The pieces never overlap. Top-left coordinates.
QList<RectD> subtract(const RectD &cut, const QList<RectD> &rects);

// The uncovered parts of `target` with `occluders` (front-most first) in front of it, local to the
// target's top left and grown by 0.5 point on every side so that neighbouring pieces leave no
// seam; pieces not larger than 1 × 1 point are dropped.
QList<RectD> visibleRects(const RectD &target, const QList<RectD> &occluders);

// Where one panel goes for a read of the window list.
struct PanelPlacement {
    bool onScreen = false;  // false: its window is not in the list (closed, minimised, elsewhere)
    RectD bounds;           // the window's bounds
    QList<RectD> occluders; // every window in front of it, front-most first

    friend bool operator==(const PanelPlacement &, const PanelPlacement &) = default;
};

// One entry per window number, in order; a number listed twice counts at its later position.
QList<PanelPlacement> placements(const QList<OrderedWindow> &windows,
                                 const QList<quint32> &windowIDs);

// How a panel at `current` follows a window at `target`: changes of 0.5 point or less are ignored.
enum class FrameChange { none, move, resize };
FrameChange frameChange(const RectD &current, const RectD &target);

} // namespace RestoredWindowFlashGeometry

} // namespace ostrel
