#pragma once

#include "program/PanelShell.h"
#include "program/QuitSignals.h"
#include "program/X11Program.h"
#include "system/x11/X11InstalledApplications.h"
#include "ui/panel/Announcer.h"
#include "ui/panel/ViewEnvironment.h"

#include <QList>
#include <QObject>
#include <QRect>

#include <memory>
#include <utility>

namespace ostrel {

class PanelActions;
class SingleInstance;

// The running program: the production wiring, the tray icon with the panel (or the panel
// window without a tray), and its end. It quits in order on "Quit Ostrel" (the application's
// quit), on SIGTERM, SIGINT and SIGHUP: the event loop ends with status 0, then the destructor
// closes the windows, lets the model finish (it waits for a pass still running), and takes the
// services down, the hot keys' grabs with them.
//
// The program is ready once the model's first opening of the store has ended and the panel's
// content is built: the panel can show the layouts (or why there are none). Only then does it
// answer later starts, so a second launch never opens a panel that is still loading.
class Program : public QObject {
    Q_OBJECT

public:
    // `instance` (may be null) holds the lock of the running program and answers later starts.
    Program(X11Program::Setup setup, PanelShell::Mode mode, SingleInstance *instance = nullptr,
            QObject *parent = nullptr);
    ~Program() override;

    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Where the desktop hosts a tray: the tray; else the panel window.
    static PanelShell::Mode defaultMode();

    X11Program &wiring() { return *wiring_; }
    PanelShell &shell() { return *shell_; }
    bool isReady() const { return ready_; }
    // What the views are given: the model, the presenter, the overlays, the desktop's settings,
    // the announcer, and the program's "open settings" and "quit".
    ViewEnvironment viewEnvironment();

    // Leaves the event loop with status 0; the destructor does the rest.
    void quit();
    // Closes the windows, then the model, then the services. The destructor calls it.
    void shutDown();

signals:
    void ready();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void registerWindowContents();
    QWidget *makePanelContent();
    void becomeReady();
    QIcon trayIcon() const;
    // Each monitor's rectangle and work area in root coordinates, the primary first.
    QList<std::pair<QRect, QRect>> screensInRoot();

    // First: a quit asked for while the rest is still being built waits in it for the event loop.
    QuitSignals signals_;
    // Before the wiring: the settings window's work may ask it until the presenter is gone.
    x11::X11InstalledApplications installedApplications_;
    std::unique_ptr<X11Program> wiring_;
    Announcer announcer_;
    // What the panel starts that must outlive it (a capture, a deletion, the error alert).
    std::unique_ptr<PanelActions> panelActions_;
    std::unique_ptr<PanelShell> shell_;
    SingleInstance *instance_;
    // Where the panel lives: texts that send the user to it name the tray only when there is one.
    PanelShell::Mode mode_;
    bool ready_ = false;
};

} // namespace ostrel
