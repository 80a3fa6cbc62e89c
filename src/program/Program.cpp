#include "program/Program.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "platform/MarkerOverlayService.h"
#include "platform/SystemAppearanceObserver.h"
#include "program/ProgramLog.h"
#include "program/SingleInstance.h"
#include "program/TrayIcon.h"
#include "system/ScreenList.h"
#include "ui/panel/LayoutDetailsView.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelView.h"
#include "ui/panel/SaveLayoutView.h"
#include "ui/windows/DecisionWindows.h"
#include "ui/windows/SettingsView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>

#include <cmath>

namespace ostrel {

Program::Program(X11Program::Setup setup, PanelShell::Mode mode, SingleInstance *instance,
                 QObject *parent)
    : QObject(parent)
    , wiring_(std::make_unique<X11Program>(std::move(setup)))
    , instance_(instance)
    , mode_(mode)
{
    registerWindowContents();
    panelActions_ = std::make_unique<PanelActions>(wiring_->model(), wiring_->presenter());
    WindowPresenter *presenter = &wiring_->presenter();
    shell_ = std::make_unique<PanelShell>(
        mode, [this] { return makePanelContent(); }, trayIcon(),
        PanelShell::Commands{[presenter] { presenter->showSettings(); }, [this] { quit(); }});
    shell_->setPrepareWindow([this](QWidget *window) { wiring_->keepOffTaskbar(window->winId()); });
    // The panel's edge as the desktop's own popups draw theirs: a shadow where a compositor
    // shows it, a border line in any case.
    shell_->setFrame(wiring_->isCompositing() ? PanelShell::Frame::shadow
                                              : PanelShell::Frame::border);
    if (wiring_->hasXServer()) {
        // The monitors' work areas as the desktop reserves them, each monitor on its own (Qt's
        // come from _NET_WORKAREA, which spans all monitors).
        shell_->setWorkAreaSource([this](QPoint point) {
            for (const auto &[frame, visible] : screensInRoot()) {
                if (frame.contains(point)) {
                    return visible;
                }
            }
            return QRect();
        });
        shell_->setPrimaryScreenSource([this] {
            const auto screens = screensInRoot();
            return screens.isEmpty() ? std::pair(QRect(), QRect()) : screens.first();
        });
    }
    connect(&wiring_->systemAppearance(), &SystemAppearanceObserver::isDarkChanged, shell_.get(),
            [this] { shell_->setTrayIcon(trayIcon()); });
    if (mode == PanelShell::Mode::window) {
        qCDebug(programLog, "No tray host: the panel is an ordinary window with a taskbar entry.");
        shell_->showPanel();
    }

    // Whatever asks the application to quit (the panel's "Quit Ostrel", the session) quits in
    // order, and so do the signals that ask a process to end.
    QCoreApplication::instance()->installEventFilter(this);
    connect(&signals_, &QuitSignals::quitRequested, this, &Program::quit);
    if (instance_) {
        connect(instance_, &SingleInstance::showPanelRequested, shell_.get(),
                &PanelShell::showPanel);
    }

    AppModel &model = wiring_->model();
    if (model.storageStatus().isBootstrapping) {
        connect(&model, &AppModel::storageStatusChanged, this, [this] {
            if (!ready_ && !wiring_->model().storageStatus().isBootstrapping) {
                becomeReady();
            }
        });
    } else {
        becomeReady();
    }
}

Program::~Program()
{
    shutDown();
}

PanelShell::Mode Program::defaultMode()
{
    return QSystemTrayIcon::isSystemTrayAvailable() ? PanelShell::Mode::tray
                                                    : PanelShell::Mode::window;
}

ViewEnvironment Program::viewEnvironment()
{
    ViewEnvironment environment;
    environment.model = &wiring_->model();
    environment.presenter = &wiring_->presenter();
    environment.markers = &wiring_->markers();
    environment.reduceMotion = &wiring_->reduceMotion();
    environment.systemAppearance = &wiring_->systemAppearance();
    environment.keyboardLayout = &wiring_->keyboardLayout();
    environment.shortcutRecordings = &wiring_->shortcutRecordings();
    environment.appIcons = &wiring_->appIcons();
    environment.announcer = &announcer_;
    environment.clock = wiring_->system().clock;
    environment.installedApplications = &installedApplications_;
    environment.panelInTray = mode_ == PanelShell::Mode::tray;
    WindowPresenter *presenter = &wiring_->presenter();
    environment.openSettings = [presenter] { presenter->showSettings(); };
    environment.quit = [this] { quit(); };
    return environment;
}

void Program::registerWindowContents()
{
    registerSettingsWindow(wiring_->presenter(), viewEnvironment());
    registerDecisionWindows(wiring_->presenter(), viewEnvironment());
    SaveLayoutView::registerWindow(viewEnvironment());
    LayoutDetailsView::registerContent(viewEnvironment());
}

QWidget *Program::makePanelContent()
{
    return new PanelView(viewEnvironment(), *panelActions_);
}

QList<std::pair<QRect, QRect>> Program::screensInRoot()
{
    // The global space starts at the primary monitor's top left, which Qt gives in root
    // coordinates; the primary monitor comes first.
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QPoint origin = primary ? primary->geometry().topLeft() : QPoint();
    const auto toRoot = [&](const RectD &r) {
        return QRect(int(std::lround(r.x)) + origin.x(), int(std::lround(r.y)) + origin.y(),
                     int(std::lround(r.width)), int(std::lround(r.height)));
    };
    ScreenList &list = *wiring_->system().screens;
    const std::optional<quint32> main = list.mainDisplayNumber();
    QList<std::pair<QRect, QRect>> result;
    for (const Screen &screen : list.screens()) {
        const std::pair rects(toRoot(screen.frame), toRoot(screen.visibleFrame));
        if (main && screen.displayNumber == main) {
            result.prepend(rects);
        } else {
            result.append(rects);
        }
    }
    return result;
}

QIcon Program::trayIcon() const
{
    return TrayIcon::icon(wiring_->systemAppearance().isDark());
}

void Program::becomeReady()
{
    ready_ = true;
    // Without its socket the program still runs; only a later start cannot reach it, and says
    // that it did not answer.
    if (instance_ && !instance_->listen()) {
        qCWarning(programLog).noquote()
            << "Ostrel can’t answer a later start:" << instance_->listenProblem();
    }
    emit ready();
}

bool Program::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
        // Not Qt's own quit: it would first close every window, and the panel window without a
        // tray refuses to close (it minimizes), which would cancel the quit.
        quit();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void Program::quit()
{
    QCoreApplication::exit(0);
}

void Program::shutDown()
{
    if (QCoreApplication *application = QCoreApplication::instance()) {
        application->removeEventFilter(this);
    }
    if (instance_) {
        instance_->stopListening();
    }
    shell_.reset();
    // Before the model goes: an error it publishes while it ends has no one to show it to.
    panelActions_.reset();
    if (wiring_) {
        wiring_->shutDown();
    }
    // The closed windows were given to the event loop to delete; it runs no more.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace ostrel
