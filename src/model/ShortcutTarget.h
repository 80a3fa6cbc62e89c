#pragma once

#include <QUuid>

namespace ostrel {

// What a pressed hot key restores: one layout (its own shortcut) or whichever layout is
// selected at the moment (the global shortcut).
struct ShortcutTarget {
    enum class Kind { layout, selectedLayout };

    Kind kind = Kind::selectedLayout;
    QUuid layoutID; // null for selectedLayout

    static ShortcutTarget layout(const QUuid &id) { return {Kind::layout, id}; }
    static ShortcutTarget selectedLayout() { return {Kind::selectedLayout, {}}; }

    friend bool operator==(const ShortcutTarget &, const ShortcutTarget &) = default;
};

} // namespace ostrel
