#pragma once

#include <QtGlobal>

#include <array>

namespace ostrel::x11 {

// The screen space one window reserves along the edges of the root window.
struct Strut {
    // Left, right, top, bottom; then the start and end of the left, right, top and bottom
    // edges' spans, inclusive: _NET_WM_STRUT_PARTIAL's order, in root coordinates.
    std::array<quint32, 12> values{};
    // The legacy _NET_WM_STRUT, which has no spans: it reserves the whole of each edge of the
    // root, on every monitor the reserved band reaches.
    bool wholeEdges = false;

    enum Edge { left, right, top, bottom };
    quint32 depth(Edge edge) const { return values[edge]; }

    static Strut partial(const std::array<quint32, 12> &values) { return Strut{values, false}; }
    static Strut legacy(quint32 left, quint32 right, quint32 top, quint32 bottom)
    {
        constexpr quint32 all = 0xFFFFFFFFu;
        return Strut{{left, right, top, bottom, 0, all, 0, all, 0, all, 0, all}, true};
    }

    friend bool operator==(const Strut &, const Strut &) = default;
};

} // namespace ostrel::x11
