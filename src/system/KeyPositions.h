#pragma once

#include <QtGlobal>

#include <optional>

namespace ostrel {

// Shortcuts are stored as virtual key codes: a key's position on a US keyboard (0 is the key
// labelled A there), never what it prints. On Linux a position is an evdev code, and X key codes
// are evdev codes + 8 on every server that uses the evdev driver, so one fixed table translates
// both ways. Keys the table does not know have no counterpart.
namespace KeyPositions {

std::optional<quint32> evdevCode(quint32 virtualKeyCode);
std::optional<quint32> virtualKeyCode(quint32 evdevCode);

inline constexpr quint32 xKeyCodeOffset = 8;

inline std::optional<quint32> xKeyCode(quint32 virtualKeyCode)
{
    if (const auto evdev = evdevCode(virtualKeyCode)) {
        return *evdev + xKeyCodeOffset;
    }
    return std::nullopt;
}

inline std::optional<quint32> virtualKeyCodeFromX(quint32 xKeyCode)
{
    if (xKeyCode < xKeyCodeOffset) {
        return std::nullopt;
    }
    return virtualKeyCode(xKeyCode - xKeyCodeOffset);
}

} // namespace KeyPositions

} // namespace ostrel
