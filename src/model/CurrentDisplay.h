#pragma once

#include "model/DisplayIdentity.h"
#include "model/RectD.h"

#include <QString>

namespace ostrel {

// A display connected now, as the display service reads it. Frames are in global points.
struct CurrentDisplay {
    DisplayIdentity identity;
    quint32 cgDisplayID = 0; // the window server's number for the display now
    QString name;
    RectD frame;
    RectD visibleFrame; // the part not covered by panels and docks
    qint64 pixelWidth = 0;
    qint64 pixelHeight = 0;
    double scale = 1.0;
    bool isPrimary = false;

    QString id() const { return identity.key(); }

    friend bool operator==(const CurrentDisplay &, const CurrentDisplay &) = default;
};

} // namespace ostrel
