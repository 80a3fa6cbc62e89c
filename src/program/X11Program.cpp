#include "program/X11Program.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "platform/AppIconProvider.h"
#include "platform/KeyboardLayoutLabels.h"
#include "platform/KeyboardLayoutObserver.h"
#include "platform/MarkerOverlayService.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/ShortcutRecordingSession.h"
#include "platform/SystemAppearanceObserver.h"
#include "program/FolderReveal.h"
#include "program/UnavailableDesktop.h"
#include "storage/LayoutStore.h"
#include "storage/StoreEnvironment.h"
#include "system/x11/X11Appearance.h"
#include "system/x11/X11ApplicationIcons.h"
#include "system/x11/X11Backend.h"
#include "system/x11/X11Compositing.h"
#include "system/x11/X11HotKeys.h"
#include "system/x11/X11KeyboardLayout.h"
#include "system/x11/X11PowerEvents.h"
#include "system/x11/X11ReduceMotion.h"
#include "system/x11/X11SessionEvents.h"
#include "system/x11/X11SystemEvents.h"
#include "system/x11/X11TaskbarHint.h"

#include <utility>

namespace ostrel {

struct X11Program::Parts {
    Setup setup;

    // The desktop: the X server's, or the unavailable one when none answered.
    std::unique_ptr<x11::X11Backend> backend;
    std::unique_ptr<UnavailableDesktop> unavailable;
    SystemBackend system;

    std::unique_ptr<x11::X11SystemEvents> events;
    std::unique_ptr<x11::X11SessionEvents> session;
    std::unique_ptr<x11::X11PowerEvents> power;
    std::unique_ptr<x11::X11HotKeys> hotKeys;
    std::unique_ptr<x11::X11KeyboardLayout> keyboard;
    std::unique_ptr<x11::X11Compositing> compositing;
    std::unique_ptr<x11::X11Appearance> appearance;
    std::unique_ptr<X11ReduceMotion> reduceMotion;
    std::unique_ptr<x11::X11ApplicationIcons> icons;
    std::unique_ptr<AppIconProvider> appIcons;

    std::shared_ptr<KeyboardLayoutLabels> labels;
    std::unique_ptr<KeyboardLayoutObserver> keyboardObserver;
    std::unique_ptr<SystemAppearanceObserver> appearanceObserver;
    ShortcutRecordings shortcutRecordings;
    // Shared by the overlay services, so that neither counts the other's panels as windows.
    OverlayWindowRegistry overlays;
    std::unique_ptr<WindowPresenter> presenter;
    std::unique_ptr<MarkerOverlayService> markers;
    std::unique_ptr<RestoredWindowFlashService> flash;
    std::unique_ptr<AppModel> model;
};

X11Program::Setup X11Program::Setup::desktop()
{
    Setup setup;
    setup.storePaths = StorePaths::defaultPaths();
    setup.systemBus = QDBusConnection::systemBus();
    setup.sessionBus = QDBusConnection::sessionBus();
    return setup;
}

X11Program::X11Program(Setup setup)
    : parts_(std::make_unique<Parts>())
{
    Parts &p = *parts_;
    p.setup = std::move(setup);
    const QDBusConnection systemBus = p.setup.systemBus;
    const QDBusConnection sessionBus = p.setup.sessionBus;

    p.backend = x11::X11Backend::connect(p.setup.display, {}, sessionBus);
    KeyboardLayoutSource *keyboardSource = nullptr;
    HotKeyRegistry *hotKeys = nullptr;
    SessionEvents *session = nullptr;
    PowerEvents *power = nullptr;
    DisplayEvents *displayEvents = nullptr;
    ApplicationEvents *applicationEvents = nullptr;
    TrustEvents *trustEvents = nullptr;
    Compositing *compositing = nullptr;
    if (p.backend) {
        p.system = p.backend->backend();
        p.events = std::make_unique<x11::X11SystemEvents>(*p.backend, systemBus, sessionBus);
        p.hotKeys = std::make_unique<x11::X11HotKeys>(p.backend->sharedConnection());
        p.keyboard = std::make_unique<x11::X11KeyboardLayout>(p.backend->sharedConnection());
        p.compositing = std::make_unique<x11::X11Compositing>(p.backend->sharedConnection());
        keyboardSource = p.keyboard.get();
        hotKeys = p.hotKeys.get();
        session = &p.events->session();
        power = &p.events->power();
        displayEvents = &p.events->displays();
        applicationEvents = &p.events->applications();
        trustEvents = &p.events->trust();
        compositing = p.compositing.get();
    } else {
        p.unavailable = std::make_unique<UnavailableDesktop>();
        p.system = p.unavailable->backend();
        // The login session and sleep are on the buses, with or without an X server.
        p.session = std::make_unique<x11::X11SessionEvents>(systemBus);
        p.power = std::make_unique<x11::X11PowerEvents>(systemBus, sessionBus);
        keyboardSource = p.unavailable.get();
        hotKeys = p.unavailable.get();
        session = p.session.get();
        power = p.power.get();
        displayEvents = &p.unavailable->displayEvents();
        applicationEvents = &p.unavailable->applicationEvents();
    }

    p.appearance = std::make_unique<x11::X11Appearance>(
        sessionBus, p.backend ? p.backend->sharedConnection() : nullptr);
    p.reduceMotion = std::make_unique<X11ReduceMotion>(sessionBus);
    p.icons = std::make_unique<x11::X11ApplicationIcons>(
        QStringList(), p.backend ? &p.backend->desktop() : nullptr);
    p.appIcons = std::make_unique<AppIconProvider>(p.icons.get());

    p.labels = KeyboardLayoutLabels::create(*keyboardSource);
    p.keyboardObserver = std::make_unique<KeyboardLayoutObserver>(*keyboardSource, p.labels);
    p.appearanceObserver = std::make_unique<SystemAppearanceObserver>(p.appearance.get());

    p.presenter = std::make_unique<WindowPresenter>(nullptr, p.appearanceObserver.get());
    p.markers = std::make_unique<MarkerOverlayService>(*p.system.clock, p.overlays, compositing);
    p.flash = std::make_unique<RestoredWindowFlashService>(
        *p.system.windowServer, *p.system.clock, p.overlays, p.reduceMotion.get(), compositing);

    AppEnvironment environment;
    environment.system = p.system;
    environment.hotKeys = hotKeys;
    environment.shortcutRecordings = &p.shortcutRecordings;
    environment.keyLabels = p.labels.get();
    environment.session = session;
    environment.power = power;
    environment.displayEvents = displayEvents;
    environment.applicationEvents = applicationEvents;
    environment.trustEvents = trustEvents;
    environment.presenter = p.presenter.get();
    environment.markers = p.markers.get();
    environment.flash = p.flash.get();
    const StorePaths paths = p.setup.storePaths;
    environment.defaultStorePaths = paths;
    environment.openStore = [paths] { return LayoutStore::open(paths, StoreEnvironment{}); };
    environment.revealFolder = [sessionBus](const QString &folder, std::function<void()> unopened) {
        revealFolder(sessionBus, folder, std::move(unopened));
    };
    p.model = std::make_unique<AppModel>(std::move(environment));
}

X11Program::~X11Program()
{
    shutDown();
}

void X11Program::closeWindows()
{
    if (parts_->presenter) {
        parts_->presenter->closeAll();
    }
}

void X11Program::shutDown()
{
    Parts &p = *parts_;
    closeWindows();
    p.model.reset();
    p.flash.reset();
    p.markers.reset();
    p.presenter.reset();
    p.appearanceObserver.reset();
    p.keyboardObserver.reset();
    p.labels.reset();
    // Windows closed but not yet deleted may still draw: from here on they draw stand-ins.
    *p.appIcons = AppIconProvider();
    p.icons.reset();
    p.reduceMotion.reset();
    p.appearance.reset();
    // Giving up the grabs: another program may take the keys at once.
    p.hotKeys.reset();
    p.compositing.reset();
    p.keyboard.reset();
    p.events.reset();
    p.power.reset();
    p.session.reset();
    p.backend.reset();
    p.unavailable.reset();
}

void X11Program::keepOffTaskbar(quint64 windowID)
{
    if (parts_->backend) {
        x11::keepOffTaskbar(parts_->backend->connection(), static_cast<xcb_window_t>(windowID));
    }
}

bool X11Program::isCompositing() const
{
    return parts_->compositing && parts_->compositing->isActive();
}

bool X11Program::hasXServer() const
{
    return parts_->backend != nullptr;
}

AppModel &X11Program::model()
{
    return *parts_->model;
}

WindowPresenter &X11Program::presenter()
{
    return *parts_->presenter;
}

MarkerOverlayService &X11Program::markers()
{
    return *parts_->markers;
}

RestoredWindowFlashService &X11Program::flash()
{
    return *parts_->flash;
}

SystemAppearanceObserver &X11Program::systemAppearance()
{
    return *parts_->appearanceObserver;
}

KeyboardLayoutObserver &X11Program::keyboardLayout()
{
    return *parts_->keyboardObserver;
}

ShortcutRecordings &X11Program::shortcutRecordings()
{
    return parts_->shortcutRecordings;
}

AppIconProvider &X11Program::appIcons()
{
    return *parts_->appIcons;
}

ReduceMotion &X11Program::reduceMotion()
{
    return *parts_->reduceMotion;
}

SystemBackend X11Program::system()
{
    return parts_->system;
}

const X11Program::Setup &X11Program::setup() const
{
    return parts_->setup;
}

} // namespace ostrel
