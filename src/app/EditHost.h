#pragma once

#include "app/OperationGuard.h"
#include "model/CurrentDisplay.h"

#include <QList>
#include <QUuid>

#include <optional>

namespace ostrel {

// What the edit coordinator asks of the model beyond its public face: the checks before an
// edit, and what deleting a layout changes elsewhere (the selection, the remembered windows,
// the hot keys).
class EditHost {
public:
    virtual OperationGuard guard(const QList<CurrentDisplay> *displays = nullptr) const = 0;
    // Selects the layout, or none, whether or not it is loaded.
    virtual void setSelectedLayoutID(std::optional<QUuid> value) = 0;
    virtual void pruneSessionReferences() = 0;
    virtual void configureShortcuts() = 0;

protected:
    ~EditHost() = default;
};

} // namespace ostrel
