#pragma once

#include "model/StorageNotice.h"
#include "model/StorePaths.h"

#include <memory>
#include <optional>

namespace ostrel {

class LayoutStore;

// What opening the store gave: the store, what the user should be told about the open (the
// same notice the store keeps) and the paths it was opened with.
struct StorageOpenResult {
    std::unique_ptr<LayoutStore> store;
    std::optional<StorageNotice> notice;
    StorePaths paths;
};

} // namespace ostrel
