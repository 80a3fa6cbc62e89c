#pragma once

#include "app/OperationGuard.h"
#include "app/Refusal.h"
#include "model/CurrentDisplay.h"
#include "model/MutationScope.h"
#include "model/OperationKind.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// What the storage upkeep asks of the model beyond its public face.
class StorageHost {
public:
    virtual OperationGuard guard(const QList<CurrentDisplay> *displays = nullptr) const = 0;
    virtual void publishAlert(const QString &title, const QString &message) = 0;
    // The store opened and its data is loaded: the model takes up the rest of its start (the
    // remembered selection, permission, undo information, hot keys, session). False when the
    // model went away meanwhile.
    virtual QCoro::Task<bool> storeLoaded() = 0;

    // What a reset of the saved data shares with the other operations: the edit gate and the
    // busy state.
    [[nodiscard]] virtual std::optional<Refusal> beginMutation(const MutationScope &scope) = 0;
    virtual void endMutation(const MutationScope &scope) = 0;
    virtual void setBusy(std::optional<OperationKind> kind) = 0;
    // The store was erased: everything the program shows and remembers of it goes, and the
    // settings return to their first-start values. False when the model went away meanwhile.
    virtual QCoro::Task<bool> forgetSavedData() = 0;

protected:
    ~StorageHost() = default;
};

} // namespace ostrel
