#pragma once

#include "model/RectD.h"

#include <QList>

#include <optional>

namespace ostrel {

// One row of the window server's list. Every field is optional because a row may arrive with
// a value missing; the reader drops such rows one by one instead of failing the whole list.
struct WindowServerRow {
    std::optional<qint32> ownerPID;
    std::optional<quint32> windowNumber;
    std::optional<qint64> layer;
    std::optional<double> alpha;
    // Global top-left points, as the window server reports them (the whole frame).
    std::optional<RectD> bounds;

    friend bool operator==(const WindowServerRow &, const WindowServerRow &) = default;
};

// The windows shown on the active desktop.
//
// A backend must return the on-screen windows of the current desktop (windows shown on every
// desktop included), front to back, without desktop elements such as the desktop background,
// in one call that is bounded in time and callable from any thread. Ordinary application
// windows are on layer 0. Absent means the list could not be read at all.
class WindowServerList {
public:
    virtual ~WindowServerList() = default;
    virtual std::optional<QList<WindowServerRow>> windowList() = 0;
    // A number that stays the same while neither the rows of this list nor the running
    // applications changed in anything but where windows stand, for a caller that asks which
    // windows are shown before each of many moves; absent when the backend cannot tell, and the
    // caller then reads the list each time.
    virtual std::optional<quint64> revision() { return std::nullopt; }
};

} // namespace ostrel
