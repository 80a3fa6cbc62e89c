// Browser host names over the accessibility bus: a scripted browser (its own process on a private
// accessibility bus) with 10 windows on a private X server. What a scan spends on host names is
// its host-name phase: one read per browser window, each finding the window's frame among the
// browser's 10, following its EMBEDS relation and reading the document's address. Measured both
// as that phase alone and as a whole scan with host names beside one without. The backend
// remembers a window's frame for a second (one search asks for it more than once); scans a user
// starts are further apart, so each iteration waits that out, untimed.
#include "ScriptedAccessibility.h"
#include "WindowServiceTestSeam.h"
#include "XSession.h"

#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "system/x11/X11Backend.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

namespace {

using namespace ostrel;

constexpr int browserWindows = 10;

// Longer than the backend remembers a window's frame.
void forgetFrames(benchmark::State &state)
{
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    state.ResumeTiming();
}

struct Desktop {
    test::XSession session;
    test::AccessibilityBuses buses;
    std::unique_ptr<test::ScriptedBrowser> browser;
    QTemporaryDir entries;
    std::unique_ptr<x11::X11Backend> backend;
    std::vector<uint32_t> windows;
    bool ready = false;

    Desktop()
    {
        browser = std::make_unique<test::ScriptedBrowser>(buses);
        if (!buses.started() || !browser->started()) {
            return;
        }
        std::vector<test::ScriptedFrame> frames;
        for (int i = 0; i < browserWindows; ++i) {
            test::TestWindowPlan plan;
            plan.instance = "Navigator";
            plan.className = "firefox-esr";
            plan.title = "Page " + std::to_string(i) + " — Firefox";
            plan.x = 1300 + 60 * i;
            plan.y = 60 + 40 * i;
            plan.width = 900;
            plan.height = 600;
            plan.claimedPid = browser->pid();
            const uint32_t window = session.openWindow(plan).window();
            windows.push_back(window);
            const auto client = session.clientGeometry(window);
            if (!client) {
                return;
            }
            test::ScriptedFrame frame;
            frame.x = client->x;
            frame.y = client->y;
            frame.width = client->width;
            frame.height = client->height;
            frame.name = plan.title;
            frame.address = "https://site" + std::to_string(i) + ".example/page";
            frames.push_back(frame);
        }
        browser->show(frames);
        backend = x11::X11Backend::connect(session.display(), {entries.path()}, buses.sessionBus());
        ready = backend != nullptr;
    }
};

std::unique_ptr<Desktop> theDesktop;

// The scan's host-name phase: each browser window's host name, with the scan's 2 s deadline.
void BM_HostNamesOf10BrowserWindows(benchmark::State &state)
{
    Desktop &d = *theDesktop;
    if (!d.ready) {
        state.SkipWithError("the desktop did not start");
        return;
    }
    SystemBackend system = d.backend->backend();
    WindowService service(system);
    for (auto _ : state) {
        forgetFrames(state);
        const Clock::TimePoint deadline = system.clock->now() + seconds(2.0);
        int found = 0;
        for (uint32_t window : d.windows) {
            found +=
                test::WindowServiceTestSeam(service)
                    .hostname(AXElement{window}, QStringLiteral("firefox-esr"), deadline, nullptr)
                    .has_value();
        }
        if (found != browserWindows) {
            state.SkipWithError("not every window had its host name");
            break;
        }
    }
    state.counters["windows"] = browserWindows;
}
BENCHMARK(BM_HostNamesOf10BrowserWindows)->Iterations(15)->Unit(benchmark::kMillisecond);

// A whole scan of the desktop, with host names and without.
void BM_ScanOf10BrowserWindows(benchmark::State &state)
{
    Desktop &d = *theDesktop;
    if (!d.ready) {
        state.SkipWithError("the desktop did not start");
        return;
    }
    const bool hostnames = state.range(0) != 0;
    SystemBackend system = d.backend->backend();
    WindowService service(system);
    test::WindowServiceTestSeam direct(service);
    const QList<CurrentDisplay> displays = DisplayService(*system.screens).currentDisplays();
    for (auto _ : state) {
        forgetFrames(state);
        d.backend->desktop().invalidate(); // as after any change on the desktop
        const ScanOutput scan = direct.scanNow(displays, {}, nullptr, std::nullopt, hostnames);
        int named = 0;
        for (const WindowReference &window : scan.windows) {
            named += window.hostname.has_value();
        }
        if (scan.windows.size() != browserWindows || named != (hostnames ? browserWindows : 0)) {
            state.SkipWithError("the scan did not see the windows as they are");
            break;
        }
    }
    state.SetLabel(hostnames ? "with host names" : "without host names");
}
BENCHMARK(BM_ScanOf10BrowserWindows)->Arg(0)->Arg(1)->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    theDesktop = std::make_unique<Desktop>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theDesktop.reset();
    return 0;
}
