#pragma once

#include "model/AXElement.h"

#include <QHashFunctions>

namespace ostrel {

// The key of a live window in sets and maps: its process and its element.
struct AXWindowIdentity {
    qint32 pid = 0;
    AXElement element;

    friend bool operator==(const AXWindowIdentity &, const AXWindowIdentity &) = default;
};

inline size_t qHash(const AXWindowIdentity &identity, size_t seed = 0) noexcept
{
    return qHashMulti(seed, identity.pid, identity.element);
}

} // namespace ostrel
