#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace ostrel {

// Where the tray panel goes. It opens against its anchor (the tray icon, or the pointer when the
// tray does not say where its icon is) on the side that faces the screen's open area: below an
// icon in a top bar, above one in a bottom bar, beside one in a side bar, and for an anchor
// inside the area, below or above it, whichever half it is in. It lines up with the anchor's
// edge on the side of the screen's middle, then is pushed inside `area`, the available area of the
// anchor's screen; a panel larger than the area keeps its top left corner in it.
namespace PanelPlacement {

QPoint topLeft(QSize panel, QRect anchor, QRect area);

} // namespace PanelPlacement

} // namespace ostrel
