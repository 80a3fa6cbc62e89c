#include "program/PanelPlacement.h"

#include <algorithm>

namespace ostrel {

namespace {

// Lines the panel up with the anchor along one axis: its start at the anchor's start when the
// anchor lies before the middle of the area, its end at the anchor's end otherwise.
int alongside(int anchorStart, int anchorEnd, int length, int areaMiddle)
{
    const int anchorMiddle = anchorStart + (anchorEnd - anchorStart) / 2;
    return anchorMiddle < areaMiddle ? anchorStart : anchorEnd - length + 1;
}

int inside(int position, int length, int areaStart, int areaEnd)
{
    return std::max(areaStart, std::min(position, areaEnd - length + 1));
}

} // namespace

QPoint PanelPlacement::topLeft(QSize panel, QRect anchor, QRect area)
{
    const QPoint middle = area.center();
    int x = 0;
    int y = 0;
    if (anchor.right() < area.left() || anchor.left() > area.right()) {
        // A side bar: the panel opens beside it, its top at the icon's.
        x = anchor.right() < area.left() ? anchor.right() + 1 : anchor.left() - panel.width();
        y = alongside(anchor.top(), anchor.bottom(), panel.height(), middle.y());
    } else {
        y = anchor.center().y() < middle.y() ? anchor.bottom() + 1 : anchor.top() - panel.height();
        x = alongside(anchor.left(), anchor.right(), panel.width(), middle.x());
    }
    return {inside(x, panel.width(), area.left(), area.right()),
            inside(y, panel.height(), area.top(), area.bottom())};
}

} // namespace ostrel
