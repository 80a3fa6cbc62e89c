// The restore flash's cost on the main thread, for the windows of one restore (20, all of
// different sizes, as after restoring a real layout):
// - "show": from `flash` until every panel has painted its first frame, the previous flash over
//   (taken down untimed before each iteration);
// - "replace": the same while the previous flash is still on screen (a restore right after
//   another);
// - "follow": a flash on screen while every window moves and changes size (a restore while the
//   flash of the one before still shows), from the change until one tracking cycle has applied
//   it and every panel has painted again;
// - "lifetime" (X only, on the real clock): a whole flash, fades and tracking included, until its
//   panels are gone.
// Counters: cpu_ms is the main thread's CPU time, stall_ms the longest the event loop was held
// up at once (what the rest of the program waits), call_ms the `flash` call alone; the manual
// time is the wall time until painted (or gone), waits for the window system included.
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

// Lets whatever the last step left behind (hidden windows, posted events) settle, untimed.
void settle()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}

struct Figures {
    double wallMs = 0;
    double actMs = 0;
    double cpuMs = 0;
    double stallMs = 0;

    Figures &operator+=(const Figures &other)
    {
        wallMs += other.wallMs;
        actMs += other.actMs;
        cpuMs += other.cpuMs;
        stallMs += other.stallMs;
        return *this;
    }
};

// Measures `act` and the event loop's work until `done`. A millisecond ticker tells how long the
// loop was held up at once: the longest gap between two of its ticks.
std::optional<Figures> measure(const std::function<void()> &act, const std::function<bool()> &done,
                               int timeoutMs = 10000)
{
    QElapsedTimer timer;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = timer.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    ticker.start(1);
    const double cpuBefore = threadCpuMs();
    timer.start();
    act();
    const qint64 acted = timer.nsecsElapsed();
    if (!runUntil(done, timeoutMs)) {
        return std::nullopt;
    }
    Figures figures;
    figures.wallMs = double(timer.nsecsElapsed()) / 1e6;
    figures.actMs = double(acted) / 1e6;
    figures.cpuMs = threadCpuMs() - cpuBefore;
    figures.stallMs = double(std::max(longestGap, timer.nsecsElapsed() - lastTick)) / 1e6;
    return figures;
}

void report(benchmark::State &state, const Figures &total, qsizetype windows, bool withCall)
{
    state.counters["windows"] = double(windows);
    if (withCall) {
        state.counters["call_ms"] =
            benchmark::Counter(total.actMs, benchmark::Counter::kAvgIterations);
    }
    state.counters["cpu_ms"] = benchmark::Counter(total.cpuMs, benchmark::Counter::kAvgIterations);
    state.counters["stall_ms"] =
        benchmark::Counter(total.stallMs, benchmark::Counter::kAvgIterations);
}

// Counts the paints of every widget, so a benchmark knows when each panel has shown a frame.
class PaintCounter : public QObject {
public:
    PaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }

    int paints(const QObject *widget) const { return paints_.value(widget); }
    void forget() { paints_.clear(); }

    bool allPainted(const RestoredWindowFlashService &flash) const
    {
        for (const RestoredWindowFlashService::TrackedPanel &tracked : flash.panels()) {
            if (paints(tracked.panel) == 0) {
                return false;
            }
        }
        return true;
    }

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

// A window list written by the benchmark.
class ScriptedWindowList : public WindowServerList {
public:
    void set(QList<WindowServerRow> rows)
    {
        std::lock_guard lock(mutex_);
        rows_ = std::move(rows);
    }
    std::optional<QList<WindowServerRow>> windowList() override
    {
        std::lock_guard lock(mutex_);
        return rows_;
    }

private:
    std::mutex mutex_;
    QList<WindowServerRow> rows_;
};

// Where the windows of the restore stand, front to back: overlapping, each of its own size;
// `moved` puts every one a little further and makes it a little larger.
QList<WindowServerRow> scriptedWindows(bool moved = false)
{
    QList<WindowServerRow> rows;
    const double shift = moved ? 13 : 0;
    for (int i = 0; i < windowCount; ++i) {
        const RectD bounds{60 + 70 * i + shift, 40 + 35 * i + shift, 420 + 17 * i + shift,
                           300 + 11 * i + shift};
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

std::optional<Figures> showOnce(RestoredWindowFlashService &flash, PaintCounter &paints,
                                const QList<RestoredWindowFlashTarget> &targets)
{
    paints.forget();
    std::optional<Figures> figures = measure([&] { flash.flash(targets, HighlightColor::blue); },
                                             [&] { return paints.allPainted(flash); });
    if (flash.panels().size() != targets.size()) {
        return std::nullopt;
    }
    return figures;
}

void runShows(benchmark::State &state, RestoredWindowFlashService &flash,
              const QList<RestoredWindowFlashTarget> &targets, bool replace)
{
    PaintCounter paints;
    Figures total;
    if (replace && !showOnce(flash, paints, targets)) {
        state.SkipWithError("the flash did not paint");
        return;
    }
    for (auto _ : state) {
        if (!replace) {
            flash.removePanels();
            settle();
        }
        const std::optional<Figures> one = showOnce(flash, paints, targets);
        if (!one) {
            state.SkipWithError("the flash did not paint");
            break;
        }
        state.SetIterationTime(one->wallMs / 1e3);
        total += *one;
    }
    flash.removePanels();
    settle();
    report(state, total, targets.size(), true);
}

// A flash on a scripted window list and a clock of the benchmark's own, so that each tracking
// cycle runs when the benchmark moves the windows.
struct Followed {
    ScriptedWindowList windowList;
    FakeClock clock;
    OverlayWindowRegistry overlays;
    RestoredWindowFlashService flash;

    explicit Followed(Compositing *compositing)
        : flash(windowList, clock, overlays, nullptr, compositing)
    {
        windowList.set(scriptedWindows());
    }
    ~Followed()
    {
        flash.removePanels();
        clock.advance(1h);
        QCoreApplication::processEvents();
    }
};

// Each iteration is one tracking cycle, 33 ms of the benchmark's clock: the flash stays up for 31.
void runFollow(benchmark::State &state, Followed &followed)
{
    PaintCounter paints;
    // The waits of earlier flashes wake and end, so that only this flash's tasks wait.
    followed.flash.removePanels();
    followed.clock.advance(1h);
    settle();
    followed.windowList.set(scriptedWindows());
    if (!showOnce(followed.flash, paints, targetsOf(scriptedWindows()))) {
        state.SkipWithError("the flash did not paint");
        return;
    }
    Figures total;
    bool moved = false;
    for (auto _ : state) {
        moved = !moved;
        paints.forget();
        const int waiting = followed.clock.pendingSleeps();
        const std::optional<Figures> one = measure(
            [&] {
                followed.windowList.set(scriptedWindows(moved));
                followed.clock.advance(RestoredWindowFlashService::trackingPeriod);
            },
            [&] {
                return followed.clock.pendingSleeps() == waiting
                    && paints.allPainted(followed.flash);
            });
        if (!one) {
            state.SkipWithError("the panels did not follow");
            break;
        }
        state.SetIterationTime(one->wallMs / 1e3);
        total += *one;
    }
    followed.flash.removePanels();
    settle();
    report(state, total, windowCount, false);
}

// --- offscreen

struct Offscreen {
    FakeCompositing compositing;
    Followed followed{&compositing};
    QList<RestoredWindowFlashTarget> targets = targetsOf(scriptedWindows());
};

std::unique_ptr<Offscreen> offscreen;

void offscreenShow(benchmark::State &state)
{
    offscreen->compositing.set(state.range(0) != 0);
    runShows(state, offscreen->followed.flash, offscreen->targets, false);
}

void offscreenReplace(benchmark::State &state)
{
    offscreen->compositing.set(state.range(0) != 0);
    runShows(state, offscreen->followed.flash, offscreen->targets, true);
}

void offscreenFollow(benchmark::State &state)
{
    offscreen->compositing.set(state.range(0) != 0);
    runFollow(state, offscreen->followed);
}

// --- a private X server

struct Desktop {
    test::XSession session;
    std::unique_ptr<x11::X11Backend> backend;
    std::unique_ptr<x11::X11Compositing> compositing;
    OverlayWindowRegistry overlays;
    std::unique_ptr<RestoredWindowFlashService> translucent;
    std::unique_ptr<RestoredWindowFlashService> shaped;
    std::unique_ptr<Followed> followedTranslucent;
    std::unique_ptr<Followed> followedShaped;
    QList<RestoredWindowFlashTarget> targets;
    std::string problem;

    Desktop()
    {
        // 10 applications with 2 windows each, on both monitors, each of its own size.
        for (int i = 0; i < windowCount / 2; ++i) {
            test::TestWindowPlan windowPlan;
            windowPlan.className = "FlashApp" + std::to_string(i);
            windowPlan.instance = windowPlan.className;
            windowPlan.x = (i % 2 ? 100 : 1400) + 40 * i;
            windowPlan.y = 80 + 30 * i;
            windowPlan.width = 420 + 17 * i;
            windowPlan.height = 300 + 11 * i;
            windowPlan.count = 2;
            session.openWindow(windowPlan);
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
        translucent = std::make_unique<RestoredWindowFlashService>(*system.windowServer,
                                                                   *system.clock, overlays);
        shaped = std::make_unique<RestoredWindowFlashService>(*system.windowServer, *system.clock,
                                                              overlays, nullptr, compositing.get());
        followedTranslucent = std::make_unique<Followed>(nullptr);
        followedShaped = std::make_unique<Followed>(compositing.get());
        const auto listed = [&] {
            return targetsOf(system.windowServer->windowList().value_or(QList<WindowServerRow>{}));
        };
        runUntil([&] { return listed().size() >= windowCount; });
        targets = listed();
        if (targets.size() != windowCount) {
            problem = "the 20 windows are not listed";
        }
    }

    RestoredWindowFlashService &flash(bool translucency)
    {
        return translucency ? *translucent : *shaped;
    }
    Followed &followed(bool translucency)
    {
        return translucency ? *followedTranslucent : *followedShaped;
    }

    void stop()
    {
        followedTranslucent.reset();
        followedShaped.reset();
        translucent.reset();
        shaped.reset();
        compositing.reset();
        backend.reset();
    }
};

std::unique_ptr<Desktop> desktop;

bool desktopReady(benchmark::State &state)
{
    if (!desktop->problem.empty()) {
        state.SkipWithError(desktop->problem.c_str());
        return false;
    }
    return true;
}

void x11Show(benchmark::State &state)
{
    if (desktopReady(state)) {
        runShows(state, desktop->flash(state.range(0) != 0), desktop->targets, false);
    }
}

void x11Replace(benchmark::State &state)
{
    if (desktopReady(state)) {
        runShows(state, desktop->flash(state.range(0) != 0), desktop->targets, true);
    }
}

void x11Follow(benchmark::State &state)
{
    if (desktopReady(state)) {
        runFollow(state, desktop->followed(state.range(0) != 0));
    }
}

// A whole flash on the real clock: fade in, tracking every 33 ms, fade out, removal.
void x11Lifetime(benchmark::State &state)
{
    if (!desktopReady(state)) {
        return;
    }
    RestoredWindowFlashService &flash = desktop->flash(state.range(0) != 0);
    Figures total;
    for (auto _ : state) {
        const std::optional<Figures> one =
            measure([&] { flash.flash(desktop->targets, HighlightColor::blue); },
                    [&] { return flash.panels().isEmpty(); });
        if (!one) {
            state.SkipWithError("the flash did not end");
            break;
        }
        state.SetIterationTime(one->wallMs / 1e3);
        total += *one;
    }
    report(state, total, desktop->targets.size(), false);
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
    registerFlash("offscreen/follow", offscreenFollow, 20);
}

void registerX11()
{
    registerFlash("x11/show", x11Show, 20);
    registerFlash("x11/replace", x11Replace, 20);
    registerFlash("x11/follow", x11Follow, 20);
    registerFlash("x11/lifetime", x11Lifetime, 3);
}

constexpr const char *childVariable = "OSTREL_BENCH_FLASH_PLATFORM";

// The offscreen platform warns about every window feature it lacks (masks, raising): noise here.
void quietWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtWarningMsg && type != QtDebugMsg && type != QtInfoMsg) {
        fprintf(stderr, "%s\n", qPrintable(message));
    }
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray platform = qgetenv(childVariable);
    if (platform == "offscreen") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(quietWarnings);
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
