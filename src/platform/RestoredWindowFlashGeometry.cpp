#include "platform/RestoredWindowFlashGeometry.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr double seamOverlap = 0.5;
constexpr double changeThreshold = 0.5;

double maxX(const RectD &r)
{
    return r.x + r.width;
}
double maxY(const RectD &r)
{
    return r.y + r.height;
}

std::optional<RectD> intersection(const RectD &a, const RectD &b)
{
    const double left = std::max(a.x, b.x);
    const double top = std::max(a.y, b.y);
    const double right = std::min(maxX(a), maxX(b));
    const double bottom = std::min(maxY(a), maxY(b));
    if (!(right > left) || !(bottom > top)) {
        return std::nullopt;
    }
    return RectD{left, top, right - left, bottom - top};
}

} // namespace

QList<RectD> RestoredWindowFlashGeometry::subtract(const RectD &cut, const QList<RectD> &rects)
{
    QList<RectD> result;
    for (const RectD &r : rects) {
        const std::optional<RectD> i = intersection(r, cut);
        if (!i) {
            result.append(r);
            continue;
        }
        if (i->y > r.y) {
            result.append({r.x, r.y, r.width, i->y - r.y});
        }
        if (maxY(r) > maxY(*i)) {
            result.append({r.x, maxY(*i), r.width, maxY(r) - maxY(*i)});
        }
        if (i->x > r.x) {
            result.append({r.x, i->y, i->x - r.x, i->height});
        }
        if (maxX(r) > maxX(*i)) {
            result.append({maxX(*i), i->y, maxX(r) - maxX(*i), i->height});
        }
    }
    return result;
}

QList<RectD> RestoredWindowFlashGeometry::visibleRects(const RectD &target,
                                                       const QList<RectD> &occluders)
{
    QList<RectD> pieces{target};
    for (const RectD &occluder : occluders) {
        if (!intersection(occluder, target)) {
            continue;
        }
        pieces = subtract(occluder, pieces);
        if (pieces.isEmpty()) {
            break;
        }
    }
    QList<RectD> local;
    for (const RectD &piece : std::as_const(pieces)) {
        const RectD grown{piece.x - target.x - seamOverlap, piece.y - target.y - seamOverlap,
                          piece.width + 2 * seamOverlap, piece.height + 2 * seamOverlap};
        if (grown.width > 1 && grown.height > 1) {
            local.append(grown);
        }
    }
    return local;
}

QList<RestoredWindowFlashGeometry::PanelPlacement>
RestoredWindowFlashGeometry::placements(const QList<OrderedWindow> &windows,
                                        const QList<quint32> &windowIDs)
{
    QHash<quint32, qsizetype> position;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        position.insert(windows[i].id, i); // a later position wins
    }
    QList<PanelPlacement> result;
    for (const quint32 id : windowIDs) {
        const auto found = position.constFind(id);
        if (found == position.constEnd()) {
            result.append(PanelPlacement{});
            continue;
        }
        PanelPlacement placement{true, windows[*found].bounds, {}};
        for (qsizetype i = 0; i < *found; ++i) {
            placement.occluders.append(windows[i].bounds);
        }
        result.append(placement);
    }
    return result;
}

RestoredWindowFlashGeometry::FrameChange
RestoredWindowFlashGeometry::frameChange(const RectD &current, const RectD &target)
{
    if (std::abs(current.width - target.width) > changeThreshold
        || std::abs(current.height - target.height) > changeThreshold) {
        return FrameChange::resize;
    }
    if (std::abs(current.x - target.x) > changeThreshold
        || std::abs(current.y - target.y) > changeThreshold) {
        return FrameChange::move;
    }
    return FrameChange::none;
}

} // namespace ostrel
