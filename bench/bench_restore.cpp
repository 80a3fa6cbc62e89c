// A restore of 50 windows on the fake desktop with no artificial latency: what the pass's own
// work costs (mapping, the one scan, matching, planning, 50 moves with their checks and the
// journal), without any application's answer time. And the arrangement search for missing
// displays at its limit of 6.
#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "restore/DisplayMapper.h"
#include "restore/RestoreService.h"
#include "system/fake/FakeDesktop.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace ostrel;

Screen screen(quint32 serial, RectD frame, bool withPanel)
{
    Screen s;
    s.displayNumber = serial;
    s.name = QStringLiteral("Display %1").arg(serial);
    s.frame = frame;
    s.visibleFrame =
        withPanel ? RectD{frame.x, frame.y + 25, frame.width, frame.height - 25} : frame;
    s.identity = DisplayIdentity{16, 32, serial, 0};
    s.pixelWidth = qint64(frame.width);
    s.pixelHeight = qint64(frame.height);
    return s;
}

struct Scene {
    FakeDesktop desktop;
    WindowService windows{desktop.backend()};
    DisplayService displayService{desktop};
    RestoreService service{windows, desktop.backend(),
                           [this]() { return displayService.currentDisplays(); }};
    Layout left;
    Layout right;

    // Windows of `count` applications over two displays; two layouts that put every window
    // somewhere else, so each restore moves them all.
    explicit Scene(int count)
    {
        desktop.setScreens(
            {screen(1, {0, 0, 2560, 1440}, true), screen(2, {2560, 0, 2560, 1440}, false)}, 1);
        QList<DisplaySnapshot> saved;
        for (const CurrentDisplay &d : displayService.currentDisplays()) {
            saved.append(DisplaySnapshot::fromCurrent(d));
        }
        left.id = QUuid::createUuid();
        left.name = QStringLiteral("Left");
        left.displays = saved;
        right = left;
        right.id = QUuid::createUuid();
        right.name = QStringLiteral("Right");
        for (int i = 0; i < count; ++i) {
            const QString bundle = QStringLiteral("com.example.app%1").arg(i);
            const qint32 pid = desktop.addApplication(bundle, QStringLiteral("App %1").arg(i));
            desktop.addWindow(pid, {40.0 + 10 * i, 40.0 + 8 * i, 900, 700});
            WindowEntry entry;
            entry.id = QUuid::createUuid();
            entry.bundleID = bundle;
            entry.appName = QStringLiteral("App %1").arg(i);
            entry.role = QStringLiteral("AXWindow");
            entry.subrole = QStringLiteral("AXStandardWindow");
            entry.displayKey = saved[0].identity.key();
            entry.relativeFrame = {0.01 * i, 0.01 * i, 0.4, 0.4};
            left.entries.append(entry);
            entry.id = QUuid::createUuid();
            entry.displayKey = saved[1].identity.key();
            right.entries.append(entry);
        }
    }
};

void BM_Restore(benchmark::State &state)
{
    Scene scene(int(state.range(0)));
    bool toRight = true;
    qint64 moved = 0;
    for (auto _ : state) {
        RestoreOptions options;
        options.operationID = QUuid::createUuid();
        const RestoreResult result = QCoro::waitFor(scene.service.restore(
            toRight ? scene.right : scene.left, scene.displayService.currentDisplays(), {}, options,
            std::make_shared<CancellationFlag>(), {}));
        moved = result.movedWindowCount;
        toRight = !toRight;
    }
    state.counters["moved"] = double(moved);
    state.counters["per_window_us"] =
        benchmark::Counter(double(moved) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Restore)->Arg(50)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_Undo(benchmark::State &state)
{
    Scene scene(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        RestoreOptions options;
        options.operationID = QUuid::createUuid();
        QCoro::waitFor(scene.service.restore(scene.right, scene.displayService.currentDisplays(),
                                             {}, options, std::make_shared<CancellationFlag>(),
                                             {}));
        state.ResumeTiming();
        benchmark::DoNotOptimize(QCoro::waitFor(scene.service.undo(
            scene.displayService.currentDisplays(), {}, std::make_shared<CancellationFlag>(), {})));
    }
}
BENCHMARK(BM_Undo)->Arg(50)->Unit(benchmark::kMillisecond);

// Six saved displays, none connected by identity, and six connected ones in the same row: every
// one of the 720 orderings is tried. With equal sizes every pair is compatible and only the
// arrangement rejects an ordering; with distinct widths most orderings fail their first pairs.
void BM_TopologySearch(benchmark::State &state)
{
    const bool equalSizes = state.range(0) == 1;
    QList<DisplaySnapshot> saved;
    QList<CurrentDisplay> current;
    double x = 0;
    for (int i = 0; i < DisplayMapper::maximumTopologyDisplays; ++i) {
        const double width = equalSizes ? 1920 : 1280 + 160 * i;
        const Screen s = screen(quint32(100 + i), {x, 0, width, 1080}, false);
        CurrentDisplay c;
        c.identity = s.identity;
        c.frame = s.frame;
        c.visibleFrame = s.visibleFrame;
        c.pixelWidth = s.pixelWidth;
        c.pixelHeight = s.pixelHeight;
        c.isPrimary = i == 0;
        current.append(c);
        DisplaySnapshot snapshot = DisplaySnapshot::fromCurrent(c);
        snapshot.identity.serial = quint32(i + 1); // another display at the same place
        saved.append(snapshot);
        x += width;
    }
    qsizetype mapped = 0;
    for (auto _ : state) {
        const DisplayMapping mapping = DisplayMapper::map(saved, current, {}, true);
        mapped = mapping.displays.size();
        benchmark::DoNotOptimize(mapping);
    }
    state.counters["mapped"] = double(mapped);
}
BENCHMARK(BM_TopologySearch)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
