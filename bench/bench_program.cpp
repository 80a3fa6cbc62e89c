// The real `ostrel` executable on a private X server (Xorg dummy with two monitors, openbox,
// trayer as the tray host), with a store of 200 layouts of 30 windows each in its own home folder:
// - start-up: from the moment the process is started until the program is ready, that is until
//   its model has opened the store and loaded every layout and its panel's content is built; the
//   program then starts answering later starts on its socket, which this benchmark watches;
// - idle: with the panel hidden, how often the process is woken over 10 seconds (voluntary and
//   involuntary context switches of all its threads, from /proc) and its resident memory.

#include "BenchLibrary.h"
#include "XSession.h"

#include "model/DisplaySnapshot.h"
#include "model/StorePaths.h"
#include "model/WindowEntry.h"
#include "storage/LayoutStore.h"
#include "storage/StoreEnvironment.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

using namespace ostrel;

#ifndef OSTREL_EXECUTABLE
#error "OSTREL_EXECUTABLE must name the ostrel executable"
#endif

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int layoutCount = 200;
constexpr int windowsPerLayout = 30;

// The home folder of the benchmark's user, with the store filled once.
struct Home {
    QTemporaryDir dir;
    std::string runtime;
    std::vector<std::string> environment;

    explicit Home(const std::string &display)
    {
        const QString data = dir.filePath(QStringLiteral("data"));
        const StorePaths paths = StorePaths::inFolder(data);
        StorageOpenResult opened = LayoutStore::open(paths, StoreEnvironment{});
        CurrentDisplay primary;
        primary.identity = {16, 32, 0, 0};
        primary.frame = {0, 0, 1920, 1080};
        primary.visibleFrame = {0, 0, 1920, 1080};
        primary.pixelWidth = 1920;
        primary.pixelHeight = 1080;
        primary.isPrimary = true;
        const QList<DisplaySnapshot> displays{DisplaySnapshot::fromCurrent(primary)};
        bench::fillLibrary(*opened.store, displays, layoutCount, windowsPerLayout);
        opened.store.reset();

        runtime = dir.filePath(QStringLiteral("runtime")).toStdString();
        QDir().mkpath(QString::fromStdString(runtime));
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        const std::string home = dir.path().toStdString();
        environment = {
            "PATH=/usr/bin:/bin",
            "DISPLAY=" + display,
            "HOME=" + home,
            "XDG_DATA_HOME=" + data.toStdString(),
            "XDG_CONFIG_HOME=" + home + "/config",
            "XDG_CACHE_HOME=" + home + "/cache",
            "XDG_RUNTIME_DIR=" + runtime,
            "QT_QPA_PLATFORM=xcb",
            // No buses: nothing of the machine's own session takes part.
            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/no-session-bus",
            "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + home + "/no-system-bus",
        };
    }

    std::string socketPath() const { return runtime + "/ostrel.socket"; }
};

struct Bench {
    test::XSession session;
    std::unique_ptr<Home> home;
    std::string problem;

    Bench()
    {
        try {
            session.startStandardClient({"trayer", "--edge", "top", "--align", "right", "--monitor",
                                         "primary", "--widthtype", "pixel", "--width", "100",
                                         "--height", "24"},
                                        "panel");
        } catch (const std::exception &failure) {
            problem = std::string("no tray host: ") + failure.what();
        }
    }
};

std::unique_ptr<Bench> theBench;

pid_t startProgram(const Home &home)
{
    std::vector<char *> env;
    for (const std::string &entry : home.environment) {
        env.push_back(const_cast<char *>(entry.c_str()));
    }
    env.push_back(nullptr);
    char *argv[] = {const_cast<char *>(OSTREL_EXECUTABLE), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, OSTREL_EXECUTABLE, nullptr, nullptr, argv, env.data()) != 0) {
        return 0;
    }
    return pid;
}

bool answers(const std::string &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// Until the program answers; false when it ended or did not answer within a minute.
bool waitUntilReady(pid_t pid, const Home &home)
{
    const auto deadline = SteadyClock::now() + std::chrono::minutes(1);
    while (SteadyClock::now() < deadline) {
        if (answers(home.socketPath())) {
            return true;
        }
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

int stopProgram(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// Context switches of every thread of the process so far.
long long contextSwitches(pid_t pid)
{
    long long total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto &task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0
                || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
                total += std::stoll(line.substr(line.find(':') + 1));
            }
        }
    }
    return total;
}

double residentMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            std::istringstream value(line.substr(6));
            double kilobytes = 0;
            value >> kilobytes;
            return kilobytes / 1024.0;
        }
    }
    return 0;
}

void startUp(benchmark::State &state)
{
    Bench &bench = *theBench;
    if (!bench.problem.empty()) {
        state.SkipWithError(bench.problem.c_str());
        return;
    }
    for (auto _ : state) {
        const auto started = SteadyClock::now();
        const pid_t pid = startProgram(*bench.home);
        if (pid == 0 || !waitUntilReady(pid, *bench.home)) {
            state.SkipWithError("the program did not get ready");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(SteadyClock::now() - started).count());
        state.PauseTiming();
        if (stopProgram(pid) != 0) {
            state.SkipWithError("the program did not quit with status 0");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["layouts"] = layoutCount;
    state.counters["windows_per_layout"] = windowsPerLayout;
}
BENCHMARK(startUp)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Ten seconds of the program at rest, its panel hidden, a few seconds after it got ready.
void idle(benchmark::State &state)
{
    Bench &bench = *theBench;
    if (!bench.problem.empty()) {
        state.SkipWithError(bench.problem.c_str());
        return;
    }
    constexpr auto settle = std::chrono::seconds(3);
    constexpr auto period = std::chrono::seconds(10);
    long long wakes = 0;
    double resident = 0;
    for (auto _ : state) {
        const pid_t pid = startProgram(*bench.home);
        if (pid == 0 || !waitUntilReady(pid, *bench.home)) {
            state.SkipWithError("the program did not get ready");
            break;
        }
        std::this_thread::sleep_for(settle);
        const long long before = contextSwitches(pid);
        std::this_thread::sleep_for(period);
        wakes = contextSwitches(pid) - before;
        resident = residentMegabytes(pid);
        state.SetIterationTime(std::chrono::duration<double>(period).count());
        if (stopProgram(pid) != 0) {
            state.SkipWithError("the program did not quit with status 0");
            break;
        }
    }
    state.counters["context_switches_10s"] = double(wakes);
    state.counters["resident_MB"] = resident;
}
BENCHMARK(idle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    theBench = std::make_unique<Bench>();
    {
        QCoreApplication application(argc, argv);
        // Storing the layouts needs the application object.
        theBench->home = std::make_unique<Home>(theBench->session.display());
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        theBench->home.reset();
    }
    theBench.reset();
    return 0;
}
