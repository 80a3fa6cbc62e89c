// The program's road on a private X server (Xorg dummy with two monitors) with 20, and then 100,
// real client windows of as many processes, the model wired as on an X11 desktop and running on
// the real clock, once under each common window manager (each window count under each window
// manager in a process of its own, since the program's own windows live on the server they
// arrange):
// - from the global shortcut pressed on the keyboard (through XTest, so the key reaches the
//   program through its root grab) until the restore's result is published, every window moved
//   back with verification; the first restore after the program started is timed apart (the
//   program is started again once the layout is saved, so it meets nothing the capture before
//   made ready);
// - the undo of that restore, from the call until its result is published, every window moved
//   back to where the user had put it, with verification;
// - beside it, in the same run on the same server, two references for the same moves from the
//   same places: the floor (all sent at once by one client and not verified, until every window
//   stands in place) and what a user would script (a loop that runs one `wmctrl` process per
//   window, not verified, until every window stands within 4 px of its place);
// - one capture, as the save button starts it, until the preview is published.

#include "XSession.h"

#include "app/AppModel.h"
#include "app/CaptureCoordinator.h"
#include "app/RestoreCoordinator.h"
#include "app/ShortcutCoordinator.h"
#include "platform/RestoredWindowFlashService.h"
#include "program/X11Program.h"

#include "system/KeyPositions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

extern char **environ;

using namespace ostrel;

namespace {

// One window in each process; the child run's count comes from `windowCountVariable`.
constexpr int windowCounts[] = {20, 100};
int windowCount = 20;
constexpr int iterations = 10;
const Shortcut globalShortcut{40, Shortcut::control | Shortcut::option}; // ⌃⌥K
// Names the window manager of a child run; the parent run starts one child per window manager.
constexpr const char *windowManagerVariable = "OSTREL_BENCH_WINDOW_MANAGER";
constexpr const char *windowCountVariable = "OSTREL_BENCH_WINDOW_COUNT";
// What the user's script waits for: every window within this many pixels of its place.
constexpr int scriptTolerance = 4;
// Each timed step starts on a window manager that has finished with the moves before it, as a
// user's shortcut press does. A compositing one (metacity) is still busy for a while after all
// windows stand in place: 100 moves sent right after the last ones landed took it about 550 ms
// where they take it about 110 ms once it is idle, whoever sends them.
constexpr int quietBeforeEachStepMs = 500;
constexpr int quietPeriodsAfterTheFlash = 4;

// Runs the event loop until the condition holds; false after 60 s.
bool runUntil(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(60000);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Runs the event loop (the program's own work goes on) while the window manager quiets down.
void settle()
{
    QDeadlineTimer quiet(quietBeforeEachStepMs);
    while (!quiet.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// The summary of a result, and the first window's outcome that is not "restored", for a run
// that must say why it stopped.
std::string described(const RestoreResult &result)
{
    QString text = result.summary;
    for (const EntryResult &entry : result.entries) {
        if (entry.outcome != EntryOutcome::restored) {
            text += QStringLiteral(" (%1: %2)").arg(entry.label, entry.detail.value_or(QString()));
            break;
        }
    }
    return text.toStdString();
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// A client rectangle in root coordinates.
using Rect = test::XSession::Rect;

// Another X client: types on the server's keyboard, and moves windows the way the floor is
// measured: every request sent at once, then nothing but looking until all stand in place.
class OtherClient {
public:
    explicit OtherClient(const std::string &display)
        : c_(xcb_connect(display.c_str(), nullptr))
    {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const char name[] = "_NET_MOVERESIZE_WINDOW";
        xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, sizeof name - 1, name), nullptr);
        moveResize_ = reply ? reply->atom : 0;
        std::free(reply);
    }
    ~OtherClient() { xcb_disconnect(c_); }
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    void press(quint32 virtualKeyCode) { key(XCB_KEY_PRESS, virtualKeyCode); }
    void release(quint32 virtualKeyCode) { key(XCB_KEY_RELEASE, virtualKeyCode); }
    void flush() { xcb_flush(c_); }

    // Asks the window manager to put the client at `client`, its frame grown by `extents`
    // (left, right, top, bottom), as a pager does: NorthWest gravity, position and size at once.
    void move(uint32_t window, const Rect &client, const std::vector<uint32_t> &extents)
    {
        constexpr uint32_t northWest = 1, position = 3u << 8, size = 3u << 10, pager = 2u << 12;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = moveResize_;
        event.data.data32[0] = northWest | position | size | pager;
        event.data.data32[1] = uint32_t(client.x - int(extents[0]));
        event.data.data32[2] = uint32_t(client.y - int(extents[2]));
        event.data.data32[3] = uint32_t(client.width);
        event.data.data32[4] = uint32_t(client.height);
        xcb_send_event(c_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
    }

    // Whether every window's client stands where asked (within `tolerance` pixels on each
    // value), read in one batch.
    bool allPlaced(const std::vector<uint32_t> &windows, const std::vector<Rect> &clients,
                   int tolerance = 0)
    {
        std::vector<xcb_get_geometry_cookie_t> sizes;
        std::vector<xcb_translate_coordinates_cookie_t> origins;
        for (uint32_t w : windows) {
            sizes.push_back(xcb_get_geometry(c_, w));
            origins.push_back(xcb_translate_coordinates(c_, w, root_, 0, 0));
        }
        bool placed = true;
        for (size_t i = 0; i < windows.size(); ++i) {
            xcb_get_geometry_reply_t *g = xcb_get_geometry_reply(c_, sizes[i], nullptr);
            xcb_translate_coordinates_reply_t *o =
                xcb_translate_coordinates_reply(c_, origins[i], nullptr);
            const auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
            placed = placed && g && o && near(o->dst_x, clients[i].x)
                && near(o->dst_y, clients[i].y) && near(g->width, clients[i].width)
                && near(g->height, clients[i].height);
            std::free(g);
            std::free(o);
        }
        return placed;
    }

private:
    void key(uint8_t type, quint32 virtualKeyCode)
    {
        const xcb_keycode_t code =
            xcb_keycode_t(KeyPositions::xKeyCode(virtualKeyCode).value_or(0));
        xcb_test_fake_input(c_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

    xcb_connection_t *c_;
    xcb_window_t root_ = 0;
    xcb_atom_t moveResize_ = 0;
};

constexpr quint32 controlKey = 59;
constexpr quint32 optionKey = 58;
constexpr quint32 kKey = 40;

// Applications with one window each, half of them on the monitor left of the primary, saved
// as "Work" and then moved elsewhere by the user.
struct Road {
    test::XSession session;
    std::vector<uint32_t> windows;
    std::vector<std::vector<uint32_t>> extents;
    std::vector<Rect> saved; // the clients where the layout was saved
    std::vector<Rect> moved; // the clients where the user put them afterwards
    QTemporaryDir dir;
    std::unique_ptr<X11Program> program;
    std::unique_ptr<OtherClient> other;
    std::string problem;

    explicit Road(test::WindowManager windowManager)
        : session([windowManager] {
            test::XSessionOptions options;
            options.windowManager = windowManager;
            return options;
        }())
    {
        for (int i = 0; i < windowCount; ++i) {
            // Beyond 20 windows the places repeat, a few pixels apart.
            const int j = i % 20, k = i / 20;
            test::TestWindowPlan windowPlan =
                test::windowOf("RoadApp" + std::to_string(i), (i % 2 ? 60 : 1400) + 25 * j + 7 * k,
                               80 + 25 * j + 7 * k, 500, 350);
            windows.push_back(session.openWindow(windowPlan).window());
        }
        other = std::make_unique<OtherClient>(session.display());
        for (uint32_t w : windows) {
            std::vector<uint32_t> e = session.property32(w, "_NET_FRAME_EXTENTS");
            e.resize(4, 0);
            extents.push_back(e);
            saved.push_back(session.clientGeometry(w).value_or(Rect{}));
        }
    }

    // Sends every move at once and waits until all stand in place; false after 10 s.
    bool moveAll(const std::vector<Rect> &clients)
    {
        for (size_t i = 0; i < windows.size(); ++i) {
            other->move(windows[i], clients[i], extents[i]);
        }
        other->flush();
        return session.waitUntil([&] { return other->allPlaced(windows, clients); },
                                 std::chrono::seconds(10));
    }

    // The user's script: one `wmctrl` process per window, each run to its end before the next
    // (as a shell loop runs them), then nothing but looking until all stand within 4 px; false
    // after 10 s. wmctrl's -e takes the frame's top left and the client's size.
    bool scriptAll(const std::vector<Rect> &clients)
    {
        for (size_t i = 0; i < windows.size(); ++i) {
            const std::string id = std::to_string(windows[i]);
            const std::string geometry = "0," + std::to_string(clients[i].x - int(extents[i][0]))
                + "," + std::to_string(clients[i].y - int(extents[i][2])) + ","
                + std::to_string(clients[i].width) + "," + std::to_string(clients[i].height);
            const char *args[] = {"wmctrl",         "-i",   "-r", id.c_str(), "-e",
                                  geometry.c_str(), nullptr};
            pid_t child = 0;
            if (posix_spawnp(&child, "wmctrl", nullptr, nullptr, const_cast<char **>(args), environ)
                != 0) {
                return false;
            }
            int status = 0;
            waitpid(child, &status, 0);
        }
        return session.waitUntil(
            [&] { return other->allPlaced(windows, clients, scriptTolerance); },
            std::chrono::seconds(10));
    }

    // Starts the program on the session's server, with the store and settings of this road;
    // false when its store did not open.
    bool startProgram()
    {
        X11Program::Setup setup;
        setup.display = session.display();
        setup.storePaths = StorePaths::inFolder(dir.filePath("data"));
        program = std::make_unique<X11Program>(setup);
        AppModel &model = program->model();
        if (!runUntil([&] { return !model.storageStatus().isBootstrapping; })
            || model.storageStatus().storageProblem) {
            problem = "the store did not open";
            return false;
        }
        return true;
    }

    // Needs the application object, so it runs after the server is up.
    void start()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
        if (!startProgram()) {
            return;
        }
        AppModel &model = program->model();
        if (!QCoro::waitFor(model.coordinators().capture.beginSave())
            || model.windowRequests().pendingCapture->entries.size() != windowCount
            || QCoro::waitFor(
                model.coordinators().capture.savePendingLayout(QStringLiteral("Work"), false))) {
            problem = "the layout was not saved";
            return;
        }
        if (model.coordinators().shortcuts.setGlobalShortcut(globalShortcut)) {
            problem = "the shortcut did not register";
            return;
        }
        // What the capture made ready goes with the program: the first restore meets a program
        // as a user's login starts it.
        program.reset();
        if (!startProgram()) {
            return;
        }
        // A user's keyboard has typed before the shortcut. The first key that comes through
        // XTest changes the keyboard's mapping (the XTest keyboard takes over), and the server
        // tells every client (MappingNotify): the window manager, which then works through it
        // for tens of milliseconds while the restore's moves wait, and the program, which grabs
        // its keys again. A keyboard already in use causes none of this.
        constexpr quint32 shiftKey = 56;
        other->press(shiftKey);
        other->release(shiftKey);
        other->flush();
        // The user moves every window: to the other monitor, at another size.
        for (int i = 0; i < windowCount; ++i) {
            const int j = i % 20, k = i / 20;
            const int x = (i % 2 ? 1500 : 80) + 20 * j + 7 * k;
            moved.push_back(
                Rect{x + int(extents[i][0]), 120 + 25 * j + 7 * k + int(extents[i][2]), 420, 300});
        }
        if (!moveAll(moved)) {
            problem = "the window manager did not move the windows where the user puts them";
        }
    }

    void pressShortcut()
    {
        other->press(controlKey);
        other->press(optionKey);
        other->press(kKey);
        other->release(kKey);
        other->release(optionKey);
        other->release(controlKey);
        other->flush();
    }
};

std::unique_ptr<Road> theRoad;
std::string windowManagerName;

// Each iteration, from the places the user moved the windows to, each timed step after a quiet
// half second:
// - the program: from the key press until the model publishes the result of restoring all the
//   windows (the counter "loop_free_ms": until the main thread is free again, after the restore
//   flash has started); the first iteration is the first restore of the program's run;
// - the undo: once the restore's flash has ended, from the call until the model publishes the
//   result of putting every window back where the user had moved it;
// - the floor: the same moves sent at once by another client, until all stand in place; then
//   back (not timed);
// - the script: the same moves by one wmctrl process per window, until all stand within 4 px;
//   then back (not timed).
// Reported: the program's time (the benchmark's own), the first restore's, and the medians of
// the restore, the undo and both references with the ratios between them.
void shortcutToResult(benchmark::State &state)
{
    Road &road = *theRoad;
    if (!road.problem.empty()) {
        state.SkipWithError(road.problem.c_str());
        return;
    }
    AppModel &model = road.program->model();
    int results = 0;
    QElapsedTimer timer;
    qint64 publishedAt = 0;
    std::optional<QUuid> lastResult;
    // The counting below writes into this function's frame, and the model outlives it: the
    // capture benchmark after this one changes the restore status too (the model is busy while
    // it captures), so the connection must end when this function does.
    QObject listener;
    QObject::connect(&model, &AppModel::restoreStatusChanged, &listener, [&] {
        const std::optional<RestoreResult> &result = model.restoreStatus().lastResult;
        if (!result || result->id == lastResult) {
            return;
        }
        lastResult = result->id;
        ++results;
        publishedAt = timer.nsecsElapsed();
    });
    double loopFree = 0;
    std::vector<double> programTimes, undoTimes, floorTimes, scriptTimes;
    const QString everyWindow = QStringLiteral("%1 restored").arg(windowCount);
    for (auto _ : state) {
        const int before = results;
        settle();
        timer.start();
        road.pressShortcut();
        if (!runUntil([&] { return results > before && !model.restoreStatus().busy; })) {
            state.SkipWithError("no result arrived");
            break;
        }
        state.SetIterationTime(double(publishedAt) / 1e9);
        programTimes.push_back(double(publishedAt) / 1e6);
        loopFree += double(timer.nsecsElapsed()) / 1e6;
        if (model.restoreStatus().lastResult->summary != everyWindow) {
            state.SkipWithError(described(*model.restoreStatus().lastResult).c_str());
            break;
        }
        // The undo of the same windows, once the flash of the restore has ended and the window
        // manager is quiet again: a compositing one is busy for a while with the outlines of
        // 100 windows after the program has taken them away (Mutter under load, more than a
        // second), and the undo's moves would wait for it.
        RestoredWindowFlashService &flash = road.program->flash();
        if (!runUntil([&] { return flash.panels().isEmpty() && !flash.isTracking(); })) {
            state.SkipWithError("the flash did not end");
            break;
        }
        for (int quiet = 0; quiet < quietPeriodsAfterTheFlash; ++quiet) {
            settle();
        }
        timer.start();
        model.coordinators().restores.undoLastRestore();
        if (!runUntil([&] { return results > before + 1 && !model.restoreStatus().busy; })) {
            state.SkipWithError("the undo did not end");
            break;
        }
        undoTimes.push_back(double(publishedAt) / 1e6);
        if (model.restoreStatus().lastResult->summary != everyWindow) {
            state.SkipWithError(described(*model.restoreStatus().lastResult).c_str());
            break;
        }

        settle();
        timer.start();
        if (!road.moveAll(road.saved)) {
            state.SkipWithError("the floor's moves did not all land");
            break;
        }
        floorTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!road.moveAll(road.moved)) {
            state.SkipWithError("the windows did not go back where the user put them");
            break;
        }

        settle();
        timer.start();
        if (!road.scriptAll(road.saved)) {
            state.SkipWithError("the wmctrl loop's moves did not all land");
            break;
        }
        scriptTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!road.moveAll(road.moved)) {
            state.SkipWithError("the windows did not go back where the user put them");
            break;
        }
    }
    const double program = median(programTimes);
    const double first = programTimes.empty() ? 0 : programTimes.front();
    const double undo = median(undoTimes);
    const double floor = median(floorTimes);
    const double script = median(scriptTimes);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0; };
    state.counters["windows"] = windowCount;
    state.counters["loop_free_ms"] =
        benchmark::Counter(loopFree, benchmark::Counter::kAvgIterations);
    state.counters["program_median_ms"] = program;
    state.counters["first_restore_ms"] = first;
    state.counters["undo_median_ms"] = undo;
    state.counters["floor_median_ms"] = floor;
    state.counters["wmctrl_median_ms"] = script;
    state.counters["times_floor"] = ratio(program, floor);
    state.counters["times_wmctrl"] = ratio(program, script);
    std::printf(
        "%s, %d windows: restore %.1f ms (first after start %.1f ms), undo %.1f ms, floor %.1f "
        "ms, wmctrl loop %.1f ms (medians of %zu); restore %.2f and first %.2f times the floor, "
        "undo %.2f times the floor and %.2f times the restore, restore %.2f times the wmctrl "
        "loop\n",
        windowManagerName.c_str(), windowCount, program, first, undo, floor, script,
        programTimes.size(), ratio(program, floor), ratio(first, floor), ratio(undo, floor),
        ratio(undo, program), ratio(program, script));
}

// The save button's capture of the windows on both monitors, until the preview is published.
void capture(benchmark::State &state)
{
    Road &road = *theRoad;
    if (!road.problem.empty()) {
        state.SkipWithError(road.problem.c_str());
        return;
    }
    AppModel &model = road.program->model();
    for (auto _ : state) {
        if (!QCoro::waitFor(model.coordinators().capture.beginSave())
            || model.windowRequests().pendingCapture->entries.size() != windowCount) {
            state.SkipWithError("the capture did not see every window");
            break;
        }
        model.coordinators().capture.discardPendingCapture(
            model.windowRequests().pendingCapture->id);
    }
    state.counters["windows"] = windowCount;
}

// One window manager: the server, the program and the benchmarks, in this process.
int runUnder(test::WindowManager windowManager, int argc, char **argv)
{
    windowManagerName = test::windowManagerName(windowManager);
    theRoad = std::make_unique<Road>(windowManager); // exports DISPLAY for the application
    // The program's own windows (the restore flash) live on the same server as the clients.
    qputenv("QT_QPA_PLATFORM", "xcb");
    {
        QApplication application(argc, argv);
        theRoad->start();
        const std::string suffix = windowManagerName + "/" + std::to_string(windowCount);
        benchmark::RegisterBenchmark(("shortcutToResult/" + suffix).c_str(), shortcutToResult)
            ->UseManualTime()
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("capture/" + suffix).c_str(), capture)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        theRoad->program.reset();
    }
    theRoad.reset();
    return 0;
}

// Every window manager that is installed (or only the one named by OSTREL_BENCH_ONLY), each
// window count in a child process of this program; one that is not installed is said so.
int runUnderEach(char **argv)
{
    int status = 0;
    const char *only = std::getenv("OSTREL_BENCH_ONLY");
    for (test::WindowManager windowManager : test::supportedWindowManagers()) {
        const std::string name = test::windowManagerName(windowManager);
        if (only && *only && name != only) {
            continue;
        }
        if (!test::isInstalled(windowManager)) {
            std::printf("-- %s is not installed: skipped\n", name.c_str());
            continue;
        }
        for (int count : windowCounts) {
            std::printf("-- under %s, %d windows\n", name.c_str(), count);
            std::fflush(stdout);
            setenv(windowManagerVariable, name.c_str(), 1);
            setenv(windowCountVariable, std::to_string(count).c_str(), 1);
            pid_t child = 0;
            if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, environ) != 0) {
                std::printf("-- %s: could not start the run\n", name.c_str());
                status = 1;
                continue;
            }
            int childStatus = 0;
            waitpid(child, &childStatus, 0);
            if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
                std::printf("-- %s, %d windows: the run failed\n", name.c_str(), count);
                status = 1;
            }
        }
    }
    unsetenv(windowManagerVariable);
    unsetenv(windowCountVariable);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    const char *asked = std::getenv(windowManagerVariable);
    if (!asked || !*asked) {
        return runUnderEach(argv);
    }
    const std::optional<test::WindowManager> windowManager = test::windowManagerNamed(asked);
    if (!windowManager) {
        std::fprintf(stderr, "%s names no window manager the harness knows: %s\n",
                     windowManagerVariable, asked);
        return 2;
    }
    if (const char *count = std::getenv(windowCountVariable); count && std::atoi(count) > 0) {
        windowCount = std::atoi(count);
    }
    return runUnder(*windowManager, argc, argv);
}
