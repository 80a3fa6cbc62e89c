#pragma once

#include <QPointer>

namespace ostrel {

// The one process-wide instance of a main-thread service, set by whoever builds the services and
// forgotten by itself when the service goes.
template <class Service>
QPointer<Service> &sharedInstance()
{
    static QPointer<Service> instance;
    return instance;
}

} // namespace ostrel
