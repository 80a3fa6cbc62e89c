// The real `ostrel` executable on a private X server (Xorg dummy with two monitors and openbox, no
// tray host: the panel is the ordinary window titled "Ostrel", shown at start), with a store of
// 200, 1,000 and 10,000 layouts of 30 windows each in its own home folder, the rows as the program
// writes them:
// - start-up: from the moment the process is started until its panel is usable: the program
//   answers a later start's "show-panel" only once its model has loaded the layouts and the
//   panel has taken them in. Also when it starts listening for later starts, and its resident
//   memory then (and at its peak so far);
// - idle: with 200 layouts, how often the process is woken over 10 seconds (voluntary and
//   involuntary context switches of all its threads, from /proc) and its resident memory.
// The growth per layout between 200 and 10,000 layouts is printed at the end.
//
// With OSTREL_BENCH_HOMES set to a folder, the home folders are made there and kept, for a
// profiler to start the program on them (HOME, XDG_DATA_HOME=<home>/data and
// XDG_RUNTIME_DIR=<home>/runtime, as below).

#include "BenchLibrary.h"
#include "XSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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

constexpr int idleLayouts = 200;

// A home folder of the benchmark's user with a store of `layoutCount` layouts.
struct Home {
    QTemporaryDir dir;
    std::string runtime;
    std::vector<std::string> environment;

    Home(const std::string &display, int layoutCount)
        : dir(keptIn().isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_program-XXXXXX")
                                 : keptIn() + QStringLiteral("/layouts-%1-XXXXXX").arg(layoutCount))
    {
        if (!keptIn().isEmpty()) {
            dir.setAutoRemove(false);
            std::printf("home of %d layouts: %s\n", layoutCount, qPrintable(dir.path()));
        }
        const QString data = dir.filePath(QStringLiteral("data"));
        bench::makeLibrary(data, layoutCount);

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

    static QString keptIn() { return qEnvironmentVariable("OSTREL_BENCH_HOMES"); }
};

std::unique_ptr<test::XSession> theSession;
std::map<int, std::unique_ptr<Home>> homes;

Home &home(int layoutCount)
{
    std::unique_ptr<Home> &made = homes[layoutCount];
    if (!made) {
        made = std::make_unique<Home>(theSession->display(), layoutCount);
    }
    return *made;
}

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

// A connection to the program's socket, or -1 while it does not listen.
int connectTo(const std::string &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Start {
    bool ready = false;
    SteadyClock::time_point listening;
    SteadyClock::time_point panelShown;
};

// Until the program answers "show-panel" as a later start asks it; not ready when it ended or
// did not answer within three minutes.
Start waitUntilReady(pid_t pid, const Home &home)
{
    Start start;
    const auto deadline = SteadyClock::now() + std::chrono::minutes(3);
    while (SteadyClock::now() < deadline) {
        const int fd = connectTo(home.socketPath());
        if (fd < 0) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                return start;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        start.listening = SteadyClock::now();
        const char request[] = "show-panel\n";
        std::string answer;
        if (::write(fd, request, sizeof request - 1) == ssize_t(sizeof request - 1)) {
            char c = 0;
            while (::read(fd, &c, 1) == 1 && c != '\n') {
                answer += c;
            }
        }
        start.panelShown = SteadyClock::now();
        ::close(fd);
        start.ready = !answer.empty();
        return start;
    }
    return start;
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

// A "VmRSS:" or "VmHWM:" line of the process's status, in megabytes.
double memoryMegabytes(pid_t pid, const std::string &field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            std::istringstream value(line.substr(field.size()));
            double kilobytes = 0;
            value >> kilobytes;
            return kilobytes / 1024.0;
        }
    }
    return 0;
}

struct Figures {
    double panelMilliseconds = 0;
    double residentMegabytes = 0;
};
std::map<int, Figures> figures;

void startUp(benchmark::State &state)
{
    const int layoutCount = int(state.range(0));
    const Home &user = home(layoutCount);
    double listening = 0;
    double panel = 0;
    double resident = 0;
    double peak = 0;
    int runs = 0;
    for (auto _ : state) {
        const auto started = SteadyClock::now();
        const pid_t pid = startProgram(user);
        const Start start = pid == 0 ? Start{} : waitUntilReady(pid, user);
        if (!start.ready) {
            state.SkipWithError("the program did not get ready");
            break;
        }
        const double seconds = std::chrono::duration<double>(start.panelShown - started).count();
        state.SetIterationTime(seconds);
        state.PauseTiming();
        ++runs;
        listening += std::chrono::duration<double, std::milli>(start.listening - started).count();
        panel += seconds * 1000;
        resident += memoryMegabytes(pid, "VmRSS:");
        peak += memoryMegabytes(pid, "VmHWM:");
        if (stopProgram(pid) != 0) {
            state.SkipWithError("the program did not quit with status 0");
            break;
        }
        state.ResumeTiming();
    }
    if (runs == 0) {
        return;
    }
    state.counters["layouts"] = layoutCount;
    state.counters["listening_ms"] = listening / runs;
    state.counters["panel_ms"] = panel / runs;
    state.counters["resident_MB"] = resident / runs;
    state.counters["peak_MB"] = peak / runs;
    figures[layoutCount] = {panel / runs, resident / runs};
}
BENCHMARK(startUp)->Arg(200)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(3)->Unit(
    benchmark::kMillisecond);

// Ten seconds of the program at rest a few seconds after it got ready, its panel shown.
void idle(benchmark::State &state)
{
    const Home &user = home(idleLayouts);
    constexpr auto settle = std::chrono::seconds(3);
    constexpr auto period = std::chrono::seconds(10);
    long long wakes = 0;
    double resident = 0;
    for (auto _ : state) {
        const pid_t pid = startProgram(user);
        if (pid == 0 || !waitUntilReady(pid, user).ready) {
            state.SkipWithError("the program did not get ready");
            break;
        }
        std::this_thread::sleep_for(settle);
        const long long before = contextSwitches(pid);
        std::this_thread::sleep_for(period);
        wakes = contextSwitches(pid) - before;
        resident = memoryMegabytes(pid, "VmRSS:");
        state.SetIterationTime(std::chrono::duration<double>(period).count());
        if (stopProgram(pid) != 0) {
            state.SkipWithError("the program did not quit with status 0");
            break;
        }
    }
    state.counters["layouts"] = idleLayouts;
    state.counters["context_switches_10s"] = double(wakes);
    state.counters["resident_MB"] = resident;
}
BENCHMARK(idle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// What one more layout costs, between the smallest and the largest library.
void printGrowth()
{
    if (!figures.contains(200) || !figures.contains(10000)) {
        return;
    }
    const Figures &small = figures[200];
    const Figures &large = figures[10000];
    const double layouts = 10000 - 200;
    std::printf("growth per layout, 200 to 10,000 layouts: %.4f ms and %.2f KB resident\n",
                (large.panelMilliseconds - small.panelMilliseconds) / layouts,
                (large.residentMegabytes - small.residentMegabytes) * 1024 / layouts);
}

} // namespace

int main(int argc, char **argv)
{
    theSession = std::make_unique<test::XSession>();
    {
        // Storing the layouts needs the application object.
        QCoreApplication application(argc, argv);
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        printGrowth();
        homes.clear();
    }
    theSession.reset();
    return 0;
}
