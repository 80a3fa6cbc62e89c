#include "system/x11/VisibleFrames.h"

#include <algorithm>

namespace ostrel::x11 {

double overlapArea(const RectD &a, const RectD &b)
{
    const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

namespace {

struct Edges {
    double left, top, right, bottom;

    explicit Edges(const RectD &r)
        : left(r.x)
        , top(r.y)
        , right(r.x + r.width)
        , bottom(r.y + r.height)
    {
    }
    RectD rect() const
    {
        return RectD{left, top, std::max(0.0, right - left), std::max(0.0, bottom - top)};
    }
};

// Whether the span [start, end] (inclusive, as the property gives it) meets [low, low + length).
bool spans(quint32 start, quint32 end, double low, double length)
{
    return double(start) < low + length && double(end) >= low;
}

// Narrows `e`, the visible part of monitor `m`, by the strut's bands that reach into it.
void applyStrut(Edges &e, const RectD &m, const Strut &strut, const RectD &root)
{
    const auto &s = strut.values;
    const Edges r(root);
    if (s[Strut::left] > 0 && spans(s[4], s[5], m.y, m.height) && r.left + s[Strut::left] > m.x) {
        e.left = std::max(e.left, std::min(r.left + s[Strut::left], m.x + m.width));
    }
    if (s[Strut::right] > 0 && spans(s[6], s[7], m.y, m.height)
        && r.right - s[Strut::right] < m.x + m.width) {
        e.right = std::min(e.right, std::max(r.right - s[Strut::right], m.x));
    }
    if (s[Strut::top] > 0 && spans(s[8], s[9], m.x, m.width) && r.top + s[Strut::top] > m.y) {
        e.top = std::max(e.top, std::min(r.top + s[Strut::top], m.y + m.height));
    }
    if (s[Strut::bottom] > 0 && spans(s[10], s[11], m.x, m.width)
        && r.bottom - s[Strut::bottom] < m.y + m.height) {
        e.bottom = std::min(e.bottom, std::max(r.bottom - s[Strut::bottom], m.y));
    }
}

// The monitor a strut window lies on: the one it overlaps most; -1 for none.
int monitorOf(const StrutWindow &window, const QList<RectD> &monitors)
{
    int best = -1;
    double bestArea = 0;
    for (int i = 0; i < monitors.size(); ++i) {
        const double area = overlapArea(window.frame, monitors[i]);
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

} // namespace

QList<RectD> visibleFrames(const QList<RectD> &monitors, const QList<StrutWindow> &struts,
                           const RectD &root)
{
    QList<Edges> edges;
    for (const RectD &m : monitors) {
        edges.append(Edges(m));
    }
    for (const StrutWindow &window : struts) {
        if (window.strut.wholeEdges) {
            for (int i = 0; i < monitors.size(); ++i) {
                applyStrut(edges[i], monitors[i], window.strut, root);
            }
        } else if (const int i = monitorOf(window, monitors); i >= 0) {
            applyStrut(edges[i], monitors[i], window.strut, root);
        }
    }
    QList<RectD> out;
    for (const Edges &e : edges) {
        out.append(e.rect());
    }
    return out;
}

QList<RectD> narrowedToWorkArea(const QList<RectD> &frames, const QList<RectD> &monitors,
                                const QList<StrutWindow> &struts, const RectD &workArea,
                                const RectD &root)
{
    const Edges r(root);
    const Edges area(workArea);
    // How deep the work area reserves each edge, and how deep the struts explain it.
    const double reserved[] = {area.left - r.left, r.right - area.right, area.top - r.top,
                               r.bottom - area.bottom};
    double explained[] = {0, 0, 0, 0};
    for (const StrutWindow &window : struts) {
        for (int edge = Strut::left; edge <= Strut::bottom; ++edge) {
            explained[edge] =
                std::max(explained[edge], double(window.strut.depth(Strut::Edge(edge))));
        }
    }
    const auto unexplained = [&](Strut::Edge edge) { return reserved[edge] > explained[edge]; };
    QList<RectD> out = frames;
    for (int i = 0; i < out.size() && i < monitors.size(); ++i) {
        if (overlapArea(workArea, monitors[i]) <= 0) {
            continue;
        }
        Edges e(out[i]);
        if (unexplained(Strut::left)) {
            e.left = std::max(e.left, area.left);
        }
        if (unexplained(Strut::right)) {
            e.right = std::min(e.right, area.right);
        }
        if (unexplained(Strut::top)) {
            e.top = std::max(e.top, area.top);
        }
        if (unexplained(Strut::bottom)) {
            e.bottom = std::min(e.bottom, area.bottom);
        }
        out[i] = e.rect();
    }
    return out;
}

} // namespace ostrel::x11
