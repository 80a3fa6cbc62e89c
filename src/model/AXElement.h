#pragma once

#include <QHashFunctions>
#include <QtGlobal>

namespace ostrel {

// A live application or window element, opaque to everything but the system backend that made
// it (the X11 backend uses a window's XID for window elements; the fake desktop its own ids).
// Copying it is free and keeps nothing alive: a window may be gone by the time it is used, which
// is why every use goes through the backend's status codes.
struct AXElement {
    quint64 handle = 0; // 0 is no element

    bool isNull() const { return handle == 0; }

    friend bool operator==(const AXElement &, const AXElement &) = default;
};

inline size_t qHash(const AXElement &element, size_t seed = 0) noexcept
{
    return ::qHash(element.handle, seed);
}

} // namespace ostrel
