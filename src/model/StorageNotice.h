#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// An informational notice after opening, recovering or resetting the store.
struct StorageNotice {
    QString title;
    QString message;
    std::optional<QString> details;

    friend bool operator==(const StorageNotice &, const StorageNotice &) = default;
};

} // namespace ostrel
