#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// Published while a pass runs.
struct RestoreProgress {
    qint64 completed = 0; // windows processed so far
    qint64 total = 0;     // windows to process
    std::optional<QString> currentLabel;
    QString layoutName;

    friend bool operator==(const RestoreProgress &, const RestoreProgress &) = default;
};

} // namespace ostrel
