// Scrolling the panel's list of 10,000 layouts of 30 windows (the rows as the program writes
// them), on the fake desktop with a real store: the model loads the library, the panel takes it
// in and is shown off screen, and then its list is
// - wheeled through from the first layout to the last, one notch at a time, each notch followed
//   by the list's next frame drawn;
// - dragged to 100 places spread over its length, each followed by the frame drawn there.
// Each reports the time per notch or jump (mean and slowest) and how many rows are alive at
// the end.

#include "BenchLibrary.h"
#include "FakeAppServices.h"

#include "app/AppModel.h"
#include "ui/panel/LayoutRow.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelView.h"
#include "ui/panel/UiStyle.h"
#include "ui/panel/ViewEnvironment.h"

#include <QApplication>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>

using namespace ostrel;

namespace {

constexpr int layoutCount = 10000;

using SteadyClock = std::chrono::steady_clock;

void runUntil(const std::function<bool()> &condition)
{
    while (!condition()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}

struct Panel : test::FakeAppServices {
    QTemporaryDir dir;
    StorePaths paths;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<PanelActions> actions;
    std::unique_ptr<PanelView> view;
    QScrollArea *list = nullptr;

    Panel()
    {
        makeWindowServices();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
        Screen screen;
        screen.displayNumber = 1;
        screen.frame = {0, 0, 1920, 1080};
        screen.visibleFrame = {0, 0, 1920, 1048};
        screen.identity = {0x30e4, 0x058c, 0, 0};
        screen.pixelWidth = 1920;
        screen.pixelHeight = 1080;
        desktop.setScreens({screen}, 1);
        paths = bench::makeLibrary(dir.filePath("data"), layoutCount);

        model = std::make_unique<AppModel>(environment(paths));
        runUntil([&] { return !model->storageStatus().isBootstrapping; });
        actions = std::make_unique<PanelActions>(*model, *presenter);
        ViewEnvironment viewEnvironment;
        viewEnvironment.model = model.get();
        viewEnvironment.presenter = presenter.get();
        viewEnvironment.markers = markers.get();
        viewEnvironment.clock = &desktop.clock();
        view = std::make_unique<PanelView>(viewEnvironment, *actions);
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->show();
        QCoreApplication::processEvents();
        view->adjustSize();
        QCoreApplication::processEvents();
        list = view->findChild<QScrollArea *>(QStringLiteral("layout-list"));
    }

    ~Panel()
    {
        view.reset();
        actions.reset();
        model.reset();
        dropWindowServices();
    }

    // The list's next frame, drawn as the screen would get it.
    void drawFrame()
    {
        QCoreApplication::processEvents();
        QImage frame(list->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::transparent);
        list->viewport()->render(&frame);
    }

    int rowsAlive() const { return int(view->findChildren<LayoutRow *>().size()); }
};

std::unique_ptr<Panel> thePanel;

Panel &panel()
{
    if (!thePanel) {
        thePanel = std::make_unique<Panel>();
    }
    return *thePanel;
}

struct Steps {
    double total = 0;
    double slowest = 0;
    int count = 0;

    void add(SteadyClock::duration took)
    {
        const double ms = std::chrono::duration<double, std::milli>(took).count();
        total += ms;
        slowest = std::max(slowest, ms);
        ++count;
    }
};

void report(benchmark::State &state, const Steps &steps, const Panel &shown)
{
    state.counters["layouts"] = layoutCount;
    state.counters["steps"] = steps.count;
    state.counters["mean_ms"] = steps.count ? steps.total / steps.count : 0;
    state.counters["slowest_ms"] = steps.slowest;
    state.counters["rows_alive"] = shown.rowsAlive();
}

void wheelThroughTheList(benchmark::State &state)
{
    Panel &shown = panel();
    if (!shown.list) {
        state.SkipWithError("the panel shows no scrolling list");
        return;
    }
    QScrollBar *bar = shown.list->verticalScrollBar();
    QWidget *viewport = shown.list->viewport();
    const QPointF centre(viewport->width() / 2.0, viewport->height() / 2.0);
    Steps steps;
    for (auto _ : state) {
        bar->setValue(0);
        shown.drawFrame();
        const auto began = SteadyClock::now();
        while (bar->value() < bar->maximum()) {
            const auto notch = SteadyClock::now();
            QWheelEvent wheel(centre, viewport->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(viewport, &wheel);
            shown.drawFrame();
            steps.add(SteadyClock::now() - notch);
        }
        state.SetIterationTime(std::chrono::duration<double>(SteadyClock::now() - began).count());
    }
    report(state, steps, shown);
}
BENCHMARK(wheelThroughTheList)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void dragThroughTheList(benchmark::State &state)
{
    Panel &shown = panel();
    if (!shown.list) {
        state.SkipWithError("the panel shows no scrolling list");
        return;
    }
    QScrollBar *bar = shown.list->verticalScrollBar();
    constexpr int places = 100;
    Steps steps;
    for (auto _ : state) {
        bar->setValue(0);
        shown.drawFrame();
        const auto began = SteadyClock::now();
        for (int place = 1; place <= places; ++place) {
            const auto jump = SteadyClock::now();
            bar->setValue(int(qint64(bar->maximum()) * place / places));
            shown.drawFrame();
            steps.add(SteadyClock::now() - jump);
        }
        state.SetIterationTime(std::chrono::duration<double>(SteadyClock::now() - began).count());
    }
    report(state, steps, shown);
}
BENCHMARK(dragThroughTheList)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    UiStyle::install(application);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    thePanel.reset();
    return 0;
}
