#pragma once

class QAbstractScrollArea;

namespace ostrel {

// Gives a scroll area the look of overlay scrolling: no frame and no background of its own (the
// window shows through), and scroll bars that are a thin rounded knob with no track or arrows,
// drawn in a 10-point trailing strip that is the content's trailing margin. The vertical bar
// always keeps that strip, so the content does not shift when it starts to scroll. Call it when
// the area is built; it keeps no timer and nothing outside the area, so it ends with the area.
void overlayScrolling(QAbstractScrollArea *area);

// Whether `overlayScrolling` styled the area.
bool hasOverlayScrolling(const QAbstractScrollArea *area);

} // namespace ostrel
