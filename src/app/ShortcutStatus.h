#pragma once

#include "model/Shortcut.h"

#include <QString>

#include <optional>

namespace ostrel {

// The hot keys as the system took them: the global shortcut actually registered, and the last
// registration problem.
struct ShortcutStatus {
    std::optional<Shortcut> activeGlobalShortcut;
    std::optional<QString> shortcutsError;

    friend bool operator==(const ShortcutStatus &, const ShortcutStatus &) = default;
};

} // namespace ostrel
