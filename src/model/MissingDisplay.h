#pragma once

#include "model/DisplaySnapshot.h"

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// A saved display of a layout with no connected counterpart.
struct MissingDisplay {
    QString savedDisplayKey;
    QString description; // "Display 2 · 2560 × 1440"

    friend bool operator==(const MissingDisplay &, const MissingDisplay &) = default;

    // The saved display with this key among all saved displays of its layout, numbered from 1
    // in signature order (frame x, frame y, key), whether or not the others are missing too.
    // Nothing when no saved display has the key.
    static std::optional<MissingDisplay> describing(const QString &savedDisplayKey,
                                                    const QList<DisplaySnapshot> &savedDisplays);
};

inline size_t qHash(const MissingDisplay &missing, size_t seed = 0) noexcept
{
    return qHashMulti(seed, missing.savedDisplayKey, missing.description);
}

} // namespace ostrel
