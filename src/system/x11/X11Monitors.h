#pragma once

#include "model/RectD.h"
#include "system/x11/Edid.h"
#include "system/x11/X11Connection.h"

#include <QList>
#include <QString>

#include <optional>

namespace ostrel::x11 {

// One RandR monitor as the server lists it, in root coordinates.
struct X11Monitor {
    quint32 output = 0; // the first output of the monitor
    QString outputName;
    RectD frame;
    bool primary = false;
    std::optional<Edid> edid;
};

// The active RandR 1.5 monitors in the server's order, with each output's name and EDID read in
// one batch. Without RandR 1.5 the root window counts as one monitor. Empty when the server does
// not answer before the deadline.
QList<X11Monitor> readMonitors(X11Connection &connection, Deadline deadline);

} // namespace ostrel::x11
