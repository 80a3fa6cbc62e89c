// How long the model takes from its construction until the panel can show a large library of
// layouts, and to capture and save the open windows into that library, on the fake desktop with
// a real store.

#include "BenchLibrary.h"
#include "FakeAppServices.h"

#include "app/AppModel.h"
#include "app/CaptureCoordinator.h"
#include "app/EditCoordinator.h"
#include "storage/LayoutStore.h"
#include "storage/StoreEnvironment.h"

#include <QApplication>
#include <QCoro/QCoroTask>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace ostrel;

namespace {

constexpr int layoutCount = 200;
constexpr int windowsPerLayout = 30;
constexpr int openWindows = 20;

void runUntil(const std::function<bool()> &condition)
{
    while (!condition()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}

// A desktop of one display with 20 windows of 10 applications, and a store of 200 layouts.
struct Library : test::FakeAppServices {
    QTemporaryDir dir;
    StorePaths paths = StorePaths::inFolder(dir.filePath("data"));

    Library()
    {
        makeWindowServices();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
        Screen screen;
        screen.displayNumber = 1;
        screen.frame = {0, 0, 2560, 1440};
        screen.visibleFrame = {0, 25, 2560, 1415};
        screen.identity = {16, 32, 0, 1};
        screen.pixelWidth = 2560;
        screen.pixelHeight = 1440;
        desktop.setScreens({screen}, 1);
        for (int app = 0; app < openWindows / 2; ++app) {
            const qint32 pid = desktop.addApplication(QStringLiteral("org.example.app%1").arg(app),
                                                      QStringLiteral("App %1").arg(app));
            desktop.addWindow(pid, {40.0 * app, 60, 800, 600});
            desktop.addWindow(pid, {40.0 * app + 900, 700, 600, 500});
        }

        StorageOpenResult opened = LayoutStore::open(paths, StoreEnvironment{});
        const QList<DisplaySnapshot> displays{DisplaySnapshot::fromCurrent([&] {
            CurrentDisplay display;
            display.identity = screen.identity;
            display.frame = screen.frame;
            display.visibleFrame = screen.visibleFrame;
            display.pixelWidth = screen.pixelWidth;
            display.pixelHeight = screen.pixelHeight;
            display.isPrimary = true;
            return display;
        }())};
        bench::fillLibrary(*opened.store, displays, layoutCount, windowsPerLayout);
    }

    AppEnvironment environment() { return FakeAppServices::environment(paths); }
};

std::unique_ptr<Library> theLibrary;

Library &library()
{
    if (!theLibrary) {
        theLibrary = std::make_unique<Library>();
    }
    return *theLibrary;
}

// From construction until the layouts are published and the loading state ends: opening with
// its checks, both loads, the permission and undo reads and the hot keys.
void startUp(benchmark::State &state)
{
    Library &lib = library();
    for (auto _ : state) {
        AppModel model(lib.environment());
        runUntil([&] { return !model.storageStatus().isBootstrapping; });
        if (model.savedData().layouts.size() != layoutCount) {
            state.SkipWithError("the layouts did not load");
        }
    }
}
BENCHMARK(startUp)->Unit(benchmark::kMillisecond);

// The save button's capture of 20 windows and the save of them as a new layout beside 200
// others, reloading the library afterwards.
void captureAndSave(benchmark::State &state)
{
    Library &lib = library();
    AppModel model(lib.environment());
    runUntil([&] { return !model.storageStatus().isBootstrapping; });
    int round = 0;
    for (auto _ : state) {
        const bool captured = QCoro::waitFor(model.coordinators().capture.beginSave());
        const std::optional<Refusal> failure =
            QCoro::waitFor(model.coordinators().capture.savePendingLayout(
                QStringLiteral("Bench %1").arg(round++), false));
        if (!captured || failure) {
            state.SkipWithError("the save failed");
        }
        state.PauseTiming();
        QCoro::waitFor(model.coordinators().edits.deleteLayout(*model.settings().selectedLayoutID));
        state.ResumeTiming();
    }
}
BENCHMARK(captureAndSave)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theLibrary.reset();
    return 0;
}
