#pragma once

#include "app/OperationGuard.h"
#include "model/CurrentDisplay.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>

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

protected:
    ~StorageHost() = default;
};

} // namespace ostrel
