#pragma once

#include "model/CurrentDisplay.h"
#include "model/DisplayIdentity.h"
#include "model/RectD.h"

#include <QHashFunctions>
#include <QString>

namespace ostrel {

// A display as saved in a layout. Within one layout the snapshots have distinct keys and at
// most one is primary.
struct DisplaySnapshot {
    DisplayIdentity identity;
    RectD frame;
    RectD visibleFrame; // saved window frames are fractions of this rectangle
    qint64 pixelWidth = 0;
    qint64 pixelHeight = 0;
    double scale = 1.0;
    bool isPrimary = false;
    // The frame may not be a measured whole-display frame: it was filled in by a schema upgrade.
    bool frameInferred = false;

    friend bool operator==(const DisplaySnapshot &, const DisplaySnapshot &) = default;

    QString id() const { return identity.key(); }

    // The snapshot of a connected display, as capture and the topology signature take it.
    static DisplaySnapshot fromCurrent(const CurrentDisplay &display);

    // Whether the snapshot may be written to or accepted from the database: both frames finite
    // with a positive size and within a million points, a pixel size of 1 to 100,000 and a
    // scale of 0.5 to 4.
    bool isStorable() const;
};

size_t qHash(const DisplaySnapshot &snapshot, size_t seed = 0) noexcept;

} // namespace ostrel
