#pragma once

#include "model/DisplayIdentity.h"
#include "model/RectD.h"

#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// One connected screen as the platform reports it, already in the global space (top-left
// origin at the primary display, y down, points).
struct Screen {
    // The window server's number of the display; a screen without one is left out.
    std::optional<quint32> displayNumber;
    QString name;
    RectD frame;
    // The frame less the areas reserved by docks and panels.
    RectD visibleFrame;
    DisplayIdentity identity;
    qint64 pixelWidth = 0;
    qint64 pixelHeight = 0;
    double scale = 1.0;

    friend bool operator==(const Screen &, const Screen &) = default;
};

// The connected screens.
//
// A backend must answer at once, from any thread (an undo reads the screens on the window
// service's thread before each window it moves back), without caching across display changes
// (every call reflects the current setup), in the platform's own order of the screens.
class ScreenList {
public:
    virtual ~ScreenList() = default;
    virtual QList<Screen> screens() = 0;
    // The number of the primary display; absent when there is none.
    virtual std::optional<quint32> mainDisplayNumber() = 0;
};

} // namespace ostrel
