#include "storage/StorageLog.h"

namespace ostrel {

Q_LOGGING_CATEGORY(storageLog, "ostrel.storage", QtInfoMsg)

} // namespace ostrel
