#include "model/AutomationDeferral.h"

namespace ostrel {

QString reason(AutomationDeferral deferral)
{
    switch (deferral) {
    case AutomationDeferral::sessionInactive:
        return QStringLiteral("Automation paused. It resumes when the session is active.");
    case AutomationDeferral::displaysUnsettled:
        return QStringLiteral("Displays haven’t settled. Choose Restore to retry.");
    case AutomationDeferral::missingDisplay:
        return QStringLiteral("A saved display is missing. Restore manually to choose another.");
    case AutomationDeferral::noAssociation:
        return QStringLiteral("No layout is linked to these displays.");
    case AutomationDeferral::multipleAssociations:
        return QStringLiteral("Multiple layouts are linked to these displays.");
    case AutomationDeferral::activeGesture:
        return QStringLiteral("A window is being moved. Finish, then choose Restore.");
    case AutomationDeferral::permissionMissing:
        return QStringLiteral("Automation is waiting for Accessibility access.");
    case AutomationDeferral::busy:
        return QStringLiteral("Busy. Automation will retry on the next event.");
    }
    return {};
}

} // namespace ostrel
