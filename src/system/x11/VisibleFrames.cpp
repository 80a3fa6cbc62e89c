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

// Whether the span [start, end] (inclusive, as the property gives it) meets [low, low + length).
bool spans(quint32 start, quint32 end, double low, double length)
{
    return double(start) < low + length && double(end) >= low;
}

} // namespace

QList<RectD> visibleFrames(const QList<RectD> &monitors, const QList<StrutWindow> &struts, const RectD &root)
{
    struct Edges {
        double left, top, right, bottom;
    };
    QList<Edges> edges;
    for (const RectD &m : monitors) {
        edges.append({m.x, m.y, m.x + m.width, m.y + m.height});
    }
    for (const StrutWindow &window : struts) {
        int best = -1;
        double bestArea = 0;
        for (int i = 0; i < monitors.size(); ++i) {
            const double area = overlapArea(window.frame, monitors[i]);
            if (area > bestArea) {
                best = i;
                bestArea = area;
            }
        }
        if (best < 0) {
            continue;
        }
        const RectD &m = monitors[best];
        Edges &e = edges[best];
        const auto &s = window.strut;
        const double rootRight = root.x + root.width;
        const double rootBottom = root.y + root.height;
        if (s[0] > 0 && spans(s[4], s[5], m.y, m.height) && root.x + s[0] > m.x) {
            e.left = std::max(e.left, std::min(root.x + s[0], m.x + m.width));
        }
        if (s[1] > 0 && spans(s[6], s[7], m.y, m.height) && rootRight - s[1] < m.x + m.width) {
            e.right = std::min(e.right, std::max(rootRight - s[1], m.x));
        }
        if (s[2] > 0 && spans(s[8], s[9], m.x, m.width) && root.y + s[2] > m.y) {
            e.top = std::max(e.top, std::min(root.y + s[2], m.y + m.height));
        }
        if (s[3] > 0 && spans(s[10], s[11], m.x, m.width) && rootBottom - s[3] < m.y + m.height) {
            e.bottom = std::min(e.bottom, std::max(rootBottom - s[3], m.y));
        }
    }
    QList<RectD> out;
    for (const Edges &e : edges) {
        out.append(RectD{e.left, e.top, std::max(0.0, e.right - e.left), std::max(0.0, e.bottom - e.top)});
    }
    return out;
}

} // namespace ostrel::x11
