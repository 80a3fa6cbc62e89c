#pragma once

#include "app/AppEnvironment.h"
#include "app/WindowPresenter.h"
#include "platform/MarkerOverlayService.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/ShortcutRecordingSession.h"
#include "storage/LayoutStore.h"
#include "storage/StoreEnvironment.h"
#include "system/fake/FakeApplicationEvents.h"
#include "system/fake/FakeDesktop.h"
#include "system/fake/FakeDisplayEvents.h"
#include "system/fake/FakeHotKeyRegistry.h"
#include "system/fake/FakePowerEvents.h"
#include "system/fake/FakeSessionEvents.h"
#include "system/fake/FakeTrustEvents.h"

#include <memory>

namespace ostrel::test {

// The services a model runs on, over the fake desktop and its virtual clock, wired as the
// program wires the real ones: the model tests and the benchmarks build their models from this.
// Header only, so the benchmarks can use it in a build without the tests.
struct FakeAppServices {
    FakeDesktop desktop;
    FakeHotKeyRegistry hotKeys;
    FakeSessionEvents session;
    FakePowerEvents power;
    FakeDisplayEvents displayEvents;
    FakeApplicationEvents applicationEvents;
    FakeTrustEvents trustEvents;
    ShortcutRecordings shortcutRecordings;
    // The keyboard layout's labels the model's shortcut refusals name keys with; none: the fixed
    // key names.
    KeyLabelSource *keyLabels = nullptr;
    // Made once the application object exists, and gone before the model's owner goes.
    OverlayWindowRegistry overlays;
    std::unique_ptr<WindowPresenter> presenter;
    std::unique_ptr<MarkerOverlayService> markers;
    std::unique_ptr<RestoredWindowFlashService> flash;

    void makeWindowServices()
    {
        presenter = std::make_unique<WindowPresenter>(&desktop.clock());
        markers = std::make_unique<MarkerOverlayService>(desktop.clock(), overlays);
        flash = std::make_unique<RestoredWindowFlashService>(desktop, desktop.clock(), overlays);
    }

    void dropWindowServices()
    {
        flash.reset();
        markers.reset();
        presenter.reset();
    }

    // A model's environment over these services, opening the store at `paths`.
    AppEnvironment environment(const StorePaths &paths)
    {
        AppEnvironment environment;
        environment.system = desktop.backend();
        environment.hotKeys = &hotKeys;
        environment.shortcutRecordings = &shortcutRecordings;
        environment.keyLabels = keyLabels;
        environment.session = &session;
        environment.power = &power;
        environment.displayEvents = &displayEvents;
        environment.applicationEvents = &applicationEvents;
        environment.trustEvents = &trustEvents;
        environment.presenter = presenter.get();
        environment.markers = markers.get();
        environment.flash = flash.get();
        environment.defaultStorePaths = paths;
        environment.openStore = [paths] { return LayoutStore::open(paths, StoreEnvironment{}); };
        return environment;
    }
};

} // namespace ostrel::test
