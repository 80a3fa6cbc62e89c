#pragma once

#include "app/OperationGuard.h"
#include "model/CurrentDisplay.h"
#include "model/MutationScope.h"
#include "model/OperationKind.h"
#include "model/WindowReference.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// What the capture coordinator asks of the model beyond its public face: the checks before a
// capture, the alerts, the busy state it shares with the other operations, and what a saved
// capture changes elsewhere (the remembered windows, the hot keys, the edit gate).
class CaptureHost {
public:
    virtual OperationGuard guard(const QList<CurrentDisplay> *displays = nullptr) const = 0;
    // Shows the alert a refused command shows, if it shows one.
    virtual void publishRefusal(RefusedCommand command, Obstacle obstacle) = 0;
    virtual void publishAlert(const QString &title, const QString &message) = 0;
    // A capture found the window access gone.
    virtual void permissionLost() = 0;
    virtual void setBusy(std::optional<OperationKind> kind) = 0;
    virtual void publishAutomationNotice(QString notice) = 0;
    virtual void endMutation(const MutationScope &scope) = 0;
    // Keeps the windows a capture was made from for the rest of the session.
    virtual void rememberReferences(const QHash<QUuid, WindowReference> &references) = 0;
    virtual void pruneSessionReferences() = 0;
    virtual void configureShortcuts() = 0;

protected:
    ~CaptureHost() = default;
};

} // namespace ostrel
