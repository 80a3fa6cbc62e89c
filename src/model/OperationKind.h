#pragma once

namespace ostrel {

// The one operation running in the model; no second one starts while it is set.
enum class OperationKind { saving, capturing, restoring, undoing, resetting };

} // namespace ostrel
