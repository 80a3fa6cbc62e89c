// A window scan and a capture on the fake desktop with no artificial latency: what the scan's
// own bookkeeping and the visibility pairing cost, without any application's answer time.
#include "WindowServiceTestSeam.h"

#include "model/CurrentDisplay.h"
#include "platform/WindowService.h"
#include "system/AXAttribute.h"
#include "system/fake/FakeDesktop.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace ostrel;

struct Scene {
    FakeDesktop desktop;
    WindowService service{desktop.backend()};
    QList<CurrentDisplay> displays;

    // Applications with windows spread over two displays; `lookAlikes` windows per application
    // share one frame (a worst case for the pairing: one group that needs augmenting paths).
    Scene(int applications, int windowsPerApplication, int lookAlikes = 0)
    {
        CurrentDisplay left;
        left.identity = {16, 32, 0, 1};
        left.frame = {0, 0, 2560, 1440};
        left.visibleFrame = {0, 25, 2560, 1415};
        left.isPrimary = true;
        CurrentDisplay right = left;
        right.identity = {16, 32, 0, 2};
        right.frame = {2560, 0, 2560, 1440};
        right.visibleFrame = right.frame;
        right.isPrimary = false;
        displays = {left, right};

        for (int a = 0; a < applications; ++a) {
            const qint32 pid = desktop.addApplication(QStringLiteral("com.example.app%1").arg(a),
                                                      QStringLiteral("App %1").arg(a));
            for (int w = 0; w < windowsPerApplication; ++w) {
                const bool alike = w < lookAlikes;
                const RectD frame{alike ? 300.0 : 40.0 + 200 * w + 2 * a,
                                  alike ? 200.0 : 30.0 + 40 * w + a, 900, 700};
                desktop.addWindow(pid, frame);
            }
        }
        // Every window of a browser gets its page looked up in the host-name phase.
        const qint32 browser = desktop.addApplication(QStringLiteral("org.mozilla.firefox"),
                                                      QStringLiteral("Firefox"));
        const AXElement page = desktop.addWindow(browser, {3000, 100, 1200, 900});
        desktop.setAttribute(page, AXAttribute::url, QUrl("https://www.example.com/"));
    }
};

void BM_Scan(benchmark::State &state)
{
    Scene scene(int(state.range(0)), int(state.range(1)));
    test::WindowServiceTestSeam direct(scene.service);
    qsizetype reported = 0;
    for (auto _ : state) {
        const ScanOutput out = direct.scanNow(scene.displays, {}, nullptr, std::nullopt, true);
        reported = out.windows.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["windows"] = double(reported);
    state.counters["per_window_us"] =
        benchmark::Counter(double(reported) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// 30 applications × 10 windows, and the same scan at other sizes to show how it grows.
BENCHMARK(BM_Scan)->Args({30, 10})->Args({10, 10})->Args({100, 10})->Args({30, 30})->Unit(
    benchmark::kMillisecond);

void BM_ScanLookAlikes(benchmark::State &state)
{
    Scene scene(30, 10, int(state.range(0)));
    test::WindowServiceTestSeam direct(scene.service);
    for (auto _ : state) {
        benchmark::DoNotOptimize(direct.scanNow(scene.displays, {}, nullptr, std::nullopt, true));
    }
}
// Ten windows per application of which this many share one frame.
BENCHMARK(BM_ScanLookAlikes)->Arg(2)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_Capture(benchmark::State &state)
{
    Scene scene(30, 10);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            test::WindowServiceTestSeam(scene.service).captureNow(scene.displays, {}, nullptr));
    }
}
BENCHMARK(BM_Capture)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
