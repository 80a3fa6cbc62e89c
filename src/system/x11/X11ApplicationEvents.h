#pragma once

#include "system/ApplicationEvents.h"
#include "system/x11/X11Desktop.h"

#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <map>
#include <memory>

namespace ostrel::x11 {

// Applications ending, and this program becoming the active one.
//
// On X11 an application is the process behind client windows, so it has ended for the program
// when the last window of its process has left _NET_CLIENT_LIST and the process itself is gone.
// A process that closes its last window and keeps running (a tray application, or one slow to
// exit) is watched until it ends: a pidfd tells at once where the kernel offers one, otherwise
// the process is looked for once a second. Should it open a window again meanwhile, it is
// running once more and the watch ends.
//
// Activation comes from the Qt application object's applicationStateChanged signal; the object
// is taken as a plain QObject so that this layer stays free of Qt Gui. Without such a signal
// (a core application) activation is never reported.
class X11ApplicationEvents : public ApplicationEvents {
    Q_OBJECT

public:
    // How often a process without a pidfd is looked for.
    static constexpr int processPollMs = 1000;

    explicit X11ApplicationEvents(X11Desktop &desktop, QObject *application = nullptr,
                                  QObject *parent = nullptr);
    ~X11ApplicationEvents() override;

signals:
    // After every look at the client list that events asked for.
    void clientsChecked();

private slots:
    void applicationStateChanged(Qt::ApplicationState state);

private:
    struct Watch {
        int pidfd = -1;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    void handle(const xcb_generic_event_t &event);
    void eventArrived();
    void check();
    void watch(qint32 pid);
    void unwatch(qint32 pid);
    void processEnded(qint32 pid);
    void pollProcesses();

    X11Desktop &desktop_;
    int subscription_ = 0;
    std::atomic<bool> posted_{false};
    QSet<qint32> listed_;
    bool listKnown_ = false;
    std::map<qint32, Watch> watched_;
    QTimer poll_;
};

} // namespace ostrel::x11
