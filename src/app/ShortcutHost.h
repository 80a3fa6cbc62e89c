#pragma once

#include "app/OperationGuard.h"
#include "app/Refusal.h"
#include "model/CurrentDisplay.h"
#include "model/MutationScope.h"
#include "model/Shortcut.h"

#include <QList>

#include <optional>

namespace ostrel {

// What the shortcut coordinator asks of the model beyond its public face: the checks before a
// press restores, the setting of the global shortcut, and the edit gate a layout's shortcut
// passes.
class ShortcutHost {
public:
    virtual OperationGuard guard(const QList<CurrentDisplay> *displays = nullptr) const = 0;
    // Keeps the global shortcut in the settings (and writes the setting).
    virtual void assignGlobalShortcut(std::optional<Shortcut> value) = 0;
    [[nodiscard]] virtual std::optional<Refusal> beginMutation(const MutationScope &scope) = 0;
    virtual void endMutation(const MutationScope &scope) = 0;

protected:
    ~ShortcutHost() = default;
};

} // namespace ostrel
