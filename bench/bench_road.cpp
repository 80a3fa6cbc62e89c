// The program's road on a private X server (Xorg dummy with two monitors, openbox) with 20 real
// client windows, the model wired as on an X11 desktop and running on the real clock:
// - from the global shortcut pressed on the keyboard (through XTest, so the key reaches the
//   program through its root grab) until the restore's result is published, all 20 windows
//   moved back one at a time with verification;
// - one capture, as the save button starts it, until the preview is published.

#include "XSession.h"

#include "app/AppModel.h"
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

#include <memory>
#include <string>

using namespace ostrel;

namespace {

constexpr int applications = 10;
constexpr int windowsPerApplication = 2;
constexpr int windowCount = applications * windowsPerApplication;
const Shortcut globalShortcut{40, Shortcut::control | Shortcut::option}; // ⌃⌥K

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

// Another X client that types on the server's keyboard.
class Keyboard {
public:
    explicit Keyboard(const std::string &display) : c_(xcb_connect(display.c_str(), nullptr)) {}
    ~Keyboard() { xcb_disconnect(c_); }
    Keyboard(const Keyboard &) = delete;
    Keyboard &operator=(const Keyboard &) = delete;

    void press(quint32 virtualKeyCode) { send(XCB_KEY_PRESS, virtualKeyCode); }
    void release(quint32 virtualKeyCode) { send(XCB_KEY_RELEASE, virtualKeyCode); }
    void flush() { xcb_flush(c_); }

private:
    void send(uint8_t type, quint32 virtualKeyCode)
    {
        const xcb_keycode_t code = xcb_keycode_t(KeyPositions::xKeyCode(virtualKeyCode).value_or(0));
        xcb_test_fake_input(c_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

    xcb_connection_t *c_;
};

constexpr quint32 controlKey = 59;
constexpr quint32 optionKey = 58;
constexpr quint32 kKey = 40;

// 10 applications with 2 windows each, half of them on the monitor left of the primary, saved
// as "Work" and then moved elsewhere by the user.
struct Road {
    test::XSession session;
    std::vector<uint32_t> windows;
    QTemporaryDir dir;
    std::unique_ptr<X11Program> program;
    std::unique_ptr<Keyboard> keyboard;
    std::string problem;

    Road()
    {
        for (int i = 0; i < applications; ++i) {
            test::TestWindowSpec windowSpec;
            windowSpec.className = "RoadApp" + std::to_string(i);
            windowSpec.instance = windowSpec.className;
            windowSpec.x = (i % 2 ? 100 : 1400) + 40 * i;
            windowSpec.y = 80 + 30 * i;
            windowSpec.width = 500;
            windowSpec.height = 350;
            windowSpec.count = windowsPerApplication;
            const test::TestClient client = session.openWindow(windowSpec);
            windows.insert(windows.end(), client.windows.begin(), client.windows.end());
        }
        keyboard = std::make_unique<Keyboard>(session.display());
    }

    // Needs the application object, so it runs after the server is up.
    void start()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
        X11Program::Setup setup;
        setup.display = session.display();
        setup.storePaths = StorePaths::inFolder(dir.filePath("data"));
        program = std::make_unique<X11Program>(setup);
        AppModel &model = program->model();
        if (!runUntil([&] { return !model.isBootstrapping(); }) || !model.hasStore()) {
            problem = "the store did not open";
            return;
        }
        if (!QCoro::waitFor(model.beginSave())
            || model.pendingCapture()->entries.size() != windowCount
            || QCoro::waitFor(model.savePendingLayout(QStringLiteral("Work"), false))) {
            problem = "the layout was not saved";
            return;
        }
        if (model.setGlobalShortcut(globalShortcut)) {
            problem = "the shortcut did not register";
            return;
        }
        // The user moves every window: to the other monitor, at another size.
        for (size_t i = 0; i < windows.size(); ++i) {
            const std::string id = std::to_string(windows[i]);
            const int x = (i % 2 ? 1500 : 80) + 20 * int(i);
            session.xdotool({"windowsize", id, "420", "300", "windowmove", id, std::to_string(x),
                             std::to_string(120 + 25 * int(i))});
        }
    }

    void pressShortcut()
    {
        keyboard->press(controlKey);
        keyboard->press(optionKey);
        keyboard->press(kKey);
        keyboard->release(kKey);
        keyboard->release(optionKey);
        keyboard->release(controlKey);
        keyboard->flush();
    }
};

std::unique_ptr<Road> theRoad;

// From the key press until the model publishes the result of restoring all 20 windows (the
// counter "loop_free_ms": until the main thread is free again, after the restore flash has
// started). Between two presses an undo (not timed) puts the windows back where the user had
// moved them, and the flash of the restore before has ended, as it has when a user presses the
// shortcut again.
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
    QObject::connect(&model, &AppModel::lastResultChanged, [&] {
        ++results;
        publishedAt = timer.nsecsElapsed();
    });
    double loopFree = 0;
    for (auto _ : state) {
        const int before = results;
        timer.start();
        road.pressShortcut();
        if (!runUntil([&] { return results > before && !model.busy(); })) {
            state.SkipWithError("no result arrived");
            break;
        }
        state.SetIterationTime(double(publishedAt) / 1e9);
        loopFree += double(timer.nsecsElapsed()) / 1e6;
        if (model.lastResult()->summary != QStringLiteral("%1 restored").arg(windowCount)) {
            state.SkipWithError(qPrintable(model.lastResult()->summary));
            break;
        }
        model.undoLastRestore();
        RestoredWindowFlashService &flash = road.program->flash();
        if (!runUntil([&] {
                return results > before + 1 && !model.busy() && flash.panels().isEmpty()
                    && !flash.isTracking();
            })) {
            state.SkipWithError("the undo or the flash did not end");
            break;
        }
    }
    state.counters["windows"] = windowCount;
    state.counters["loop_free_ms"] = benchmark::Counter(loopFree, benchmark::Counter::kAvgIterations);
}
BENCHMARK(shortcutToResult)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// The save button's capture of the 20 windows on both monitors, until the preview is published.
void capture(benchmark::State &state)
{
    Road &road = *theRoad;
    if (!road.problem.empty()) {
        state.SkipWithError(road.problem.c_str());
        return;
    }
    AppModel &model = road.program->model();
    for (auto _ : state) {
        if (!QCoro::waitFor(model.beginSave()) || model.pendingCapture()->entries.size() != windowCount) {
            state.SkipWithError("the capture did not see the 20 windows");
            break;
        }
        model.discardPendingCapture(model.pendingCapture()->id);
    }
    state.counters["windows"] = windowCount;
}
BENCHMARK(capture)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    theRoad = std::make_unique<Road>(); // exports DISPLAY for the application
    // The program's own windows (the restore flash) live on the same server as the clients.
    qputenv("QT_QPA_PLATFORM", "xcb");
    {
        QApplication application(argc, argv);
        theRoad->start();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        theRoad->program.reset();
    }
    theRoad.reset();
    return 0;
}
