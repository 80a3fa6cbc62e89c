// The restore flash's cost on the main thread, for the windows of one restore (20, all of
// different sizes, as after restoring a real layout):
// - "show": from `flash` until every panel has painted its first frame, the previous flash over;
// - "replace": the same while the previous flash is still on screen (a restore right after
//   another);
// - "lifetime" (X only, on the real clock): the main thread's CPU time over a whole flash, fades
//   and tracking included, until its panels are gone.
// Counters: call_ms is the `flash` call alone, cpu_ms the main thread's CPU time until painted
// (or gone), the manual time is the wall time until painted.
//
// Run without arguments, it runs on the offscreen platform in a child process and then on a
// private X server (Xorg dummy, openbox) with real client windows, both with translucency (as
// under a compositor) and cut to shape (as without one). Names picked with --benchmark_filter.

#include "XSession.h"

#include "platform/RestoredWindowFlashService.h"
#include "system/fake/FakeClock.h"
#include "system/fake/FakeCompositing.h"
#include "system/x11/X11Backend.h"
#include "system/x11/X11Compositing.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <mutex>
#include <string>

using namespace ostrel;
using namespace std::chrono_literals;

namespace {

constexpr int windowCount = 20;

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Runs the event loop until the condition holds, sleeping while no event comes (a spinning loop
// would count as the main thread's work); false after the timeout.
bool runUntil(const std::function<bool()> &condition, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer wake; // looks at the condition at least every millisecond
    wake.start(1);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Counts the paints of every widget, so a benchmark knows when each panel has shown a frame.
class PaintCounter : public QObject {
public:
    PaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }

    int paints(const QObject *widget) const { return paints_.value(widget); }
    void forget() { paints_.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints_[watched];
        }
        return false;
    }

private:
    QHash<const QObject *, int> paints_;
};

// A window list written by the benchmark, for the offscreen platform.
class ScriptedWindowList : public WindowServerList {
public:
    explicit ScriptedWindowList(QList<WindowServerRow> rows) : rows_(std::move(rows)) {}
    std::optional<QList<WindowServerRow>> windowList() override
    {
        std::lock_guard lock(mutex_);
        return rows_;
    }

private:
    std::mutex mutex_;
    QList<WindowServerRow> rows_;
};

// Where the windows of the restore stand, front to back: overlapping, each of its own size.
QList<WindowServerRow> scriptedWindows()
{
    QList<WindowServerRow> rows;
    for (int i = 0; i < windowCount; ++i) {
        const RectD bounds{double(60 + 70 * i), double(40 + 35 * i), double(420 + 17 * i), double(300 + 11 * i)};
        rows.append({1234, quint32(0x400010 + i), 0, 1.0, bounds});
    }
    return rows;
}

QList<RestoredWindowFlashTarget> targetsOf(const QList<WindowServerRow> &rows)
{
    QList<RestoredWindowFlashTarget> targets;
    for (const WindowServerRow &row : rows) {
        if (row.windowNumber && row.bounds) {
            targets.append({*row.bounds, *row.windowNumber});
        }
    }
    return targets;
}

struct Figures {
    double wallMs = 0;
    double callMs = 0;
    double cpuMs = 0;
};

// One flash until each of its panels has painted once.
bool showOnce(RestoredWindowFlashService &flash, PaintCounter &paints,
              const QList<RestoredWindowFlashTarget> &targets, Figures &figures)
{
    paints.forget();
    QElapsedTimer timer;
    const double cpuBefore = threadCpuMs();
    timer.start();
    flash.flash(targets, HighlightColor::blue);
    const qint64 called = timer.nsecsElapsed();
    const bool painted = runUntil([&] {
        for (const RestoredWindowFlashService::TrackedPanel &tracked : flash.panels()) {
            if (paints.paints(tracked.panel) == 0) {
                return false;
            }
        }
        return true;
    });
    figures.wallMs = double(timer.nsecsElapsed()) / 1e6;
    figures.callMs = double(called) / 1e6;
    figures.cpuMs = threadCpuMs() - cpuBefore;
    return painted && flash.panels().size() == targets.size();
}

// Lets whatever the last flash left behind (hidden windows, posted events) settle, untimed.
void settle()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}

void runShows(benchmark::State &state, RestoredWindowFlashService &flash,
              const QList<RestoredWindowFlashTarget> &targets, bool replace)
{
    PaintCounter paints;
    Figures total;
    Figures one;
    if (replace && !showOnce(flash, paints, targets, one)) {
        state.SkipWithError("the flash did not paint");
        return;
    }
    for (auto _ : state) {
        if (!replace) {
            flash.removePanels();
            settle();
        }
        if (!showOnce(flash, paints, targets, one)) {
            state.SkipWithError("the flash did not paint");
            break;
        }
        state.SetIterationTime(one.wallMs / 1e3);
        total.callMs += one.callMs;
        total.cpuMs += one.cpuMs;
    }
    flash.removePanels();
    settle();
    state.counters["windows"] = double(targets.size());
    state.counters["call_ms"] = benchmark::Counter(total.callMs, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(total.cpuMs, benchmark::Counter::kAvgIterations);
}

// --- offscreen

struct Offscreen {
    ScriptedWindowList windowList{scriptedWindows()};
    FakeClock clock; // the flash never ends by itself between iterations
    FakeCompositing compositing;
    RestoredWindowFlashService flash{windowList, clock, nullptr, &compositing};
    QList<RestoredWindowFlashTarget> targets = targetsOf(scriptedWindows());

    ~Offscreen()
    {
        flash.removePanels();
        clock.advance(1h);
        QCoreApplication::processEvents();
    }
};

std::unique_ptr<Offscreen> offscreen;

void offscreenShow(benchmark::State &state)
{
    offscreen->compositing.set(state.range(0) != 0);
    runShows(state, offscreen->flash, offscreen->targets, false);
}

void offscreenReplace(benchmark::State &state)
{
    offscreen->compositing.set(state.range(0) != 0);
    runShows(state, offscreen->flash, offscreen->targets, true);
}

// --- a private X server

struct Desktop {
    test::XSession session;
    std::unique_ptr<x11::X11Backend> backend;
    std::unique_ptr<x11::X11Compositing> compositing;
    std::unique_ptr<RestoredWindowFlashService> translucent;
    std::unique_ptr<RestoredWindowFlashService> shaped;
    QList<RestoredWindowFlashTarget> targets;
    std::string problem;

    Desktop()
    {
        // 10 applications with 2 windows each, on both monitors, each of its own size.
        for (int i = 0; i < windowCount / 2; ++i) {
            test::TestWindowSpec spec;
            spec.className = "FlashApp" + std::to_string(i);
            spec.instance = spec.className;
            spec.x = (i % 2 ? 100 : 1400) + 40 * i;
            spec.y = 80 + 30 * i;
            spec.width = 420 + 17 * i;
            spec.height = 300 + 11 * i;
            spec.count = 2;
            session.openWindow(spec);
        }
    }

    // Needs the application object, so it runs after the server is up.
    void start()
    {
        backend = x11::X11Backend::connect(session.display());
        if (!backend) {
            problem = "no X server";
            return;
        }
        SystemBackend system = backend->backend();
        compositing = std::make_unique<x11::X11Compositing>(backend->sharedConnection());
        translucent = std::make_unique<RestoredWindowFlashService>(*system.windowServer, *system.clock);
        shaped = std::make_unique<RestoredWindowFlashService>(*system.windowServer, *system.clock, nullptr,
                                                              compositing.get());
        runUntil([&] { return targetsOf(system.windowServer->windowList().value_or(QList<WindowServerRow>{})).size()
                              >= windowCount; });
        targets = targetsOf(system.windowServer->windowList().value_or(QList<WindowServerRow>{}));
        if (targets.size() != windowCount) {
            problem = "the 20 windows are not listed";
        }
    }

    RestoredWindowFlashService &flash(bool translucency) { return translucency ? *translucent : *shaped; }

    void stop()
    {
        translucent.reset();
        shaped.reset();
        compositing.reset();
        backend.reset();
    }
};

std::unique_ptr<Desktop> desktop;

void x11Show(benchmark::State &state)
{
    if (!desktop->problem.empty()) {
        state.SkipWithError(desktop->problem.c_str());
        return;
    }
    runShows(state, desktop->flash(state.range(0) != 0), desktop->targets, false);
}

void x11Replace(benchmark::State &state)
{
    if (!desktop->problem.empty()) {
        state.SkipWithError(desktop->problem.c_str());
        return;
    }
    runShows(state, desktop->flash(state.range(0) != 0), desktop->targets, true);
}

// A whole flash on the real clock: fade in, tracking every 33 ms, fade out, removal.
void x11Lifetime(benchmark::State &state)
{
    if (!desktop->problem.empty()) {
        state.SkipWithError(desktop->problem.c_str());
        return;
    }
    RestoredWindowFlashService &flash = desktop->flash(state.range(0) != 0);
    double cpu = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        const double cpuBefore = threadCpuMs();
        timer.start();
        flash.flash(desktop->targets, HighlightColor::blue);
        if (!runUntil([&] { return flash.panels().isEmpty(); })) {
            state.SkipWithError("the flash did not end");
            break;
        }
        cpu += threadCpuMs() - cpuBefore;
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
    state.counters["windows"] = double(desktop->targets.size());
    state.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

void registerFlash(const char *name, void (*run)(benchmark::State &), int iterations)
{
    benchmark::RegisterBenchmark(name, run)
        ->ArgName("translucent")
        ->Arg(1)
        ->Arg(0)
        ->UseManualTime()
        ->Iterations(iterations)
        ->Unit(benchmark::kMillisecond);
}

void registerOffscreen()
{
    registerFlash("offscreen/show", offscreenShow, 20);
    registerFlash("offscreen/replace", offscreenReplace, 20);
}

void registerX11()
{
    registerFlash("x11/show", x11Show, 20);
    registerFlash("x11/replace", x11Replace, 20);
    registerFlash("x11/lifetime", x11Lifetime, 3);
}

constexpr const char *childVariable = "OSTREL_BENCH_FLASH_PLATFORM";

} // namespace

int main(int argc, char **argv)
{
    const QByteArray platform = qgetenv(childVariable);
    if (platform == "offscreen") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        offscreen = std::make_unique<Offscreen>();
        registerOffscreen();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        offscreen.reset();
        return 0;
    }

    // The offscreen figures first, from a process of their own (one platform per application).
    {
        QStringList arguments;
        for (int i = 1; i < argc; ++i) {
            arguments.append(QString::fromLocal8Bit(argv[i]));
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(childVariable), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QString::fromLocal8Bit(argv[0]), arguments);
        child.waitForFinished(-1);
    }

    desktop = std::make_unique<Desktop>(); // exports DISPLAY for the application
    qputenv("QT_QPA_PLATFORM", "xcb");
    {
        QApplication application(argc, argv);
        desktop->start();
        registerX11();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        desktop->stop();
    }
    desktop.reset();
    return 0;
}
