#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// The outcome of registering the hot keys: no message on success, else the user text.
struct ShortcutApplyResult {
    std::optional<QString> message;

    friend bool operator==(const ShortcutApplyResult &, const ShortcutApplyResult &) = default;
};

} // namespace ostrel
