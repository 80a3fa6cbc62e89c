#pragma once

// The model with everything it stands on, wired on a real X server as the program wires it on an
// X11 desktop: the backend on one connection, its display and application events, hot keys as
// root grabs on that connection, and the presenter and overlays on the real clock. The buses are
// left disconnected, so nothing reaches the machine's own login session: the session counts as
// eligible, as it does where no logind answers. Shared by the acceptance run and the benchmark of
// the same road.

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "platform/MarkerOverlayService.h"
#include "platform/RestoredWindowFlashService.h"
#include "storage/LayoutStore.h"
#include "storage/StoreEnvironment.h"
#include "system/x11/X11Backend.h"
#include "system/x11/X11HotKeys.h"
#include "system/x11/X11SystemEvents.h"

#include <QDBusConnection>

#include <memory>
#include <stdexcept>
#include <string>

namespace ostrel::test {

class X11Program {
public:
    // Connects to `display` and builds the model on the store in `paths`; the model starts its
    // bootstrap at once. Throws when no X server answers.
    X11Program(const std::string &display, const StorePaths &paths)
    {
        backend = x11::X11Backend::connect(display);
        if (!backend) {
            throw std::runtime_error("no X server at " + display);
        }
        system = backend->backend();
        events = std::make_unique<x11::X11SystemEvents>(*backend, QDBusConnection(QStringLiteral("none")),
                                                        QDBusConnection(QStringLiteral("none")));
        hotKeys = std::make_unique<x11::X11HotKeys>(backend->sharedConnection());
        presenter = std::make_unique<WindowPresenter>();
        markers = std::make_unique<MarkerOverlayService>(*system.clock);
        flash = std::make_unique<RestoredWindowFlashService>(*system.windowServer, *system.clock);

        AppEnvironment environment;
        environment.system = system;
        environment.hotKeys = hotKeys.get();
        environment.session = &events->session();
        environment.power = &events->power();
        environment.displayEvents = &events->displays();
        environment.applicationEvents = &events->applications();
        environment.presenter = presenter.get();
        environment.markers = markers.get();
        environment.flash = flash.get();
        environment.defaultStorePaths = paths;
        environment.openStore = [paths] { return LayoutStore::open(paths, StoreEnvironment{}); };
        environment.revealFolder = [](const QString &) {};
        model = std::make_unique<AppModel>(std::move(environment));
    }

    // Quitting: the model goes first, then what it stood on; the hot keys give up their grabs.
    ~X11Program()
    {
        model.reset();
        flash.reset();
        markers.reset();
        presenter.reset();
        hotKeys.reset();
        events.reset();
        backend.reset();
    }

    X11Program(const X11Program &) = delete;
    X11Program &operator=(const X11Program &) = delete;

    std::unique_ptr<x11::X11Backend> backend;
    SystemBackend system;
    std::unique_ptr<x11::X11SystemEvents> events;
    std::unique_ptr<x11::X11HotKeys> hotKeys;
    std::unique_ptr<WindowPresenter> presenter;
    std::unique_ptr<MarkerOverlayService> markers;
    std::unique_ptr<RestoredWindowFlashService> flash;
    std::unique_ptr<AppModel> model;
};

} // namespace ostrel::test
