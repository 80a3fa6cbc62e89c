#pragma once

#include <QObject>

namespace ostrel {

// Applications coming and going, as far as the program cares: this program becoming the active
// application, and any other application ending.
//
// A backend emits the signals on the main thread. `applicationTerminated` comes after the ended
// application has left the running-application list, so a listener that reads the list sees it
// gone.
class ApplicationEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~ApplicationEvents() override;

signals:
    void applicationDidBecomeActive();
    void applicationTerminated();
};

} // namespace ostrel
