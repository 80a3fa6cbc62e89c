// The X11 backend on a private X server (Xorg dummy, openbox) with 20 real client windows:
// one window scan with the reads a capture makes, and moving all 20 windows.
#include "WindowServiceTestSeam.h"
#include "XSession.h"

#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "system/AXAttribute.h"
#include "system/x11/X11Backend.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

using namespace ostrel;

struct Desktop {
    test::XSession session;
    std::vector<test::TestClient> clients;
    std::unique_ptr<x11::X11Backend> backend;
    std::vector<uint32_t> windows;

    Desktop()
    {
        // 10 applications with 2 windows each, half of them on the monitor left of the primary.
        for (int i = 0; i < 10; ++i) {
            test::TestWindowPlan windowPlan;
            windowPlan.className = "BenchApp" + std::to_string(i);
            windowPlan.x = (i % 2 ? 100 : 1400) + 40 * i;
            windowPlan.y = 80 + 30 * i;
            windowPlan.width = 500;
            windowPlan.height = 350;
            windowPlan.count = 2;
            clients.push_back(session.openWindow(windowPlan));
            windows.insert(windows.end(), clients.back().windows.begin(),
                           clients.back().windows.end());
        }
        backend = x11::X11Backend::connect(session.display());
    }
};

Desktop &desktop()
{
    static Desktop d;
    return d;
}

// One capture through the window service: trust, applications, window list, per application
// its windows and per window role, minimized, frame and subrole, the visibility pairing, and the
// displays.
void BM_ScanAndCapture20Windows(benchmark::State &state)
{
    Desktop &d = desktop();
    SystemBackend system = d.backend->backend();
    WindowService service(system);
    for (auto _ : state) {
        d.backend->desktop().invalidate(); // as after any change on the desktop
        const QList<CurrentDisplay> displays = DisplayService(*system.screens).currentDisplays();
        const CapturePreview preview =
            test::WindowServiceTestSeam(service).captureNow(displays, {}, nullptr);
        if (preview.entries.size() != 20) {
            state.SkipWithError("the capture did not see the 20 windows");
            break;
        }
    }
    state.counters["windows"] = 20;
}
BENCHMARK(BM_ScanAndCapture20Windows)->Unit(benchmark::kMillisecond);

// Size, then position, as a frame write does; every iteration moves each window for real.
void BM_Move20Windows(benchmark::State &state)
{
    Desktop &d = desktop();
    SystemBackend system = d.backend->backend();
    int round = 0;
    for (auto _ : state) {
        const double shift = (round++ % 2) * 60;
        int landed = 0;
        for (size_t i = 0; i < d.windows.size(); ++i) {
            const AXElement w{d.windows[i]};
            system.elements->setMessagingTimeout(w, 0.6);
            const double x = -1200 + 60 * double(i) + shift;
            const AXError size =
                system.elements->setAttributeValue(w, AXAttribute::size, AXSize{600 - shift, 400});
            const AXError position = system.elements->setAttributeValue(
                w, AXAttribute::position, AXPoint{x, 100 + 20 * double(i)});
            landed += size == AXError::success && position == AXError::success;
        }
        if (landed != 20) {
            state.SkipWithError("not every move landed");
            break;
        }
    }
    state.counters["windows"] = 20;
}
BENCHMARK(BM_Move20Windows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
