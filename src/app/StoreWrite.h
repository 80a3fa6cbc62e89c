#pragma once

#include <QCoro/QCoroTask>

#include <functional>

namespace ostrel {

class LayoutStore;

// One write of an edit, started on the store; and what the edit reloads after it.
using StoreWrite = std::function<QCoro::Task<void>(LayoutStore &)>;
enum class StoreReload { layouts, exclusions };

} // namespace ostrel
