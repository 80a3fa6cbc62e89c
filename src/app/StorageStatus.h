#pragma once

#include "model/StorageNotice.h"
#include "model/StorageProblem.h"
#include "model/StorePaths.h"

#include <QString>

#include <optional>

namespace ostrel {

// The store as the views see it: still opening, the problem that blocks all work, the notice
// after an opening, recovery or reset, where the files are and the file the last backup wrote;
// and why the last change of a setting did not reach the settings file, until one does.
struct StorageStatus {
    bool isBootstrapping = true;
    std::optional<StorageProblem> storageProblem;
    std::optional<StorageNotice> storageNotice;
    std::optional<QString> lastBackupURL;
    StorePaths storePaths;
    std::optional<QString> settingsProblem;

    friend bool operator==(const StorageStatus &, const StorageStatus &) = default;
};

} // namespace ostrel
