#pragma once

#include <QHashFunctions>
#include <QString>

namespace ostrel {

// Why an automatic restore after a display change did not run.
enum class AutomationDeferral {
    sessionInactive,
    displaysUnsettled,
    missingDisplay,
    noAssociation,
    multipleAssociations,
    activeGesture,
    permissionMissing,
    busy,
};

// The fixed text of each reason; an automatic pass stopped part-way also reports it.
QString reason(AutomationDeferral deferral);

inline size_t qHash(AutomationDeferral deferral, size_t seed = 0) noexcept
{
    return ::qHash(static_cast<int>(deferral), seed);
}

} // namespace ostrel
