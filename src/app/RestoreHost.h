#pragma once

#include "app/OperationGuard.h"
#include "model/AutomationDeferral.h"
#include "model/CurrentDisplay.h"

#include <QList>
#include <QString>

namespace ostrel {

// What the restore coordinator asks of the model beyond its public face: the checks before a
// pass, the alerts, and the parts of the model's own state that a pass's end changes.
class RestoreHost {
public:
    virtual OperationGuard guard(const QList<CurrentDisplay> *displays = nullptr) const = 0;
    // Shows the alert a refused command shows, if it shows one.
    virtual void publishRefusal(RefusedCommand command, Obstacle obstacle) = 0;
    virtual void publishAlert(const QString &title, const QString &message) = 0;
    // A pass found the window access gone.
    virtual void permissionLost() = 0;
    // An automatic restore that could not start, with its notice.
    virtual void deferAutomation(AutomationDeferral deferral) = 0;
    virtual void publishAutomationNotice(QString notice) = 0;
    // Forgets remembered windows whose entry or application is gone.
    virtual void pruneSessionReferences() = 0;

protected:
    ~RestoreHost() = default;
};

} // namespace ostrel
