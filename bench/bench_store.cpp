// How long the layout store takes to open and read a large library, to save one capture into it
// and to back it up, and what the file checks behind opening and backups cost on their own; and
// what reading the whole library costs at 200, 1,000 and 10,000 layouts of 30 windows.

#include "BenchLibrary.h"

#include "storage/LayoutStore.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteStatement.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace ostrel;

namespace {

constexpr int layoutCount = 200;
constexpr int displaysPerLayout = 3;
constexpr int windowsPerLayout = 30;

QList<DisplaySnapshot> displays()
{
    QList<DisplaySnapshot> result;
    for (int i = 0; i < displaysPerLayout; ++i) {
        DisplaySnapshot display;
        display.identity =
            DisplayIdentity{16, 32, static_cast<quint32>(100 + i), static_cast<quint32>(i)};
        display.frame = RectD{1920.0 * i, 0, 1920, 1080};
        display.visibleFrame = RectD{1920.0 * i, 25, 1920, 1055};
        display.pixelWidth = 1920;
        display.pixelHeight = 1080;
        display.isPrimary = i == 0;
        result << display;
    }
    return result;
}

QList<WindowEntry> entries(const QList<DisplaySnapshot> &onDisplays)
{
    QList<WindowEntry> result;
    for (int i = 0; i < windowsPerLayout; ++i) {
        WindowEntry entry;
        entry.id = QUuid::createUuid();
        entry.bundleID = QStringLiteral("org.example.app%1").arg(i);
        entry.appName = QStringLiteral("App %1").arg(i);
        entry.role = QStringLiteral("AXWindow");
        entry.subrole = QStringLiteral("AXStandardWindow");
        entry.hostname =
            i % 5 == 0 ? std::optional<QString>(QStringLiteral("example.org")) : std::nullopt;
        entry.displayKey = onDisplays[i % onDisplays.size()].identity.key();
        entry.relativeFrame = RelativeFrame{0.01 * i, 0.02, 0.5, 0.75};
        result << entry;
    }
    return result;
}

// A store of 200 layouts on a real file in a temporary folder.
struct LargeStore {
    QTemporaryDir dir;
    StorePaths paths = StorePaths::inFolder(dir.path());
    std::unique_ptr<LayoutStore> store;

    LargeStore()
    {
        QDir().mkpath(paths.directory);
        auto database = std::make_unique<SQLiteDatabase>(
            paths.database, SQLiteOpenMode::readWriteCreate, SQLiteJournalPolicy::wal, 2000);
        LayoutStore::migrate(*database, 0);
        store = std::make_unique<LayoutStore>(paths, std::nullopt, std::move(database));
        const QList<DisplaySnapshot> layoutDisplays = displays();
        for (int i = 0; i < layoutCount; ++i) {
            QCoro::waitFor(store->createLayout(QStringLiteral("Layout %1").arg(i), layoutDisplays,
                                               entries(layoutDisplays), std::nullopt));
        }
    }
};

// Opening an existing store at start-up: the check connection reads and validates every row
// once, the working connection only runs its quick check.
void openStore(benchmark::State &state)
{
    LargeStore large;
    large.store.reset();
    for (auto _ : state) {
        StorageOpenResult result = LayoutStore::open(large.paths, StoreEnvironment{});
        benchmark::DoNotOptimize(result.store.get());
        state.PauseTiming();
        result.store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(openStore)->Unit(benchmark::kMillisecond);

void loadLayouts(benchmark::State &state)
{
    LargeStore large;
    qsizetype loaded = 0;
    for (auto _ : state) {
        loaded = QCoro::waitFor(large.store->loadLayouts()).size();
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["layouts"] = static_cast<double>(loaded);
}
BENCHMARK(loadLayouts)->Unit(benchmark::kMillisecond);

void createLayout(benchmark::State &state)
{
    LargeStore large;
    const QList<DisplaySnapshot> layoutDisplays = displays();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QList<WindowEntry> captured = entries(layoutDisplays);
        const QString name = QStringLiteral("New %1").arg(round++);
        state.ResumeTiming();
        const Layout layout =
            QCoro::waitFor(large.store->createLayout(name, layoutDisplays, captured, std::nullopt));
        state.PauseTiming();
        // Keeps the store at 200 layouts for every round.
        QCoro::waitFor(large.store->deleteLayout(layout.id));
        state.ResumeTiming();
    }
}
BENCHMARK(createLayout)->Unit(benchmark::kMillisecond);

// The smallest edit, one row changed: what a durable commit costs, since every edit waits until
// its change is on the disk (the commit and the checkpoint that copies it into the database
// file). The figure depends on the disk under the temporary folder and on its load.
void renameLayout(benchmark::State &state)
{
    LargeStore large;
    const QUuid id = QCoro::waitFor(large.store->loadLayouts()).constFirst().id;
    int round = 0;
    for (auto _ : state) {
        QCoro::waitFor(
            large.store->renameLayout(id, QStringLiteral("Renamed %1").arg(round++ % 2)));
    }
}
BENCHMARK(renameLayout)->Unit(benchmark::kMillisecond);

// A backup on request: the online copy, its verification and the replacement of the previous one.
void backupNow(benchmark::State &state)
{
    LargeStore large;
    for (auto _ : state) {
        benchmark::DoNotOptimize(QCoro::waitFor(large.store->backupNow()));
    }
}
BENCHMARK(backupNow)->Unit(benchmark::kMillisecond);

// The two checks of a whole file that opening and backups choose between: SQLite's quick check
// reads every page, the integrity check also compares every index with its table.
void fileCheck(benchmark::State &state, const char *pragma)
{
    LargeStore large;
    large.store.reset();
    SQLiteDatabase database(large.paths.database, SQLiteOpenMode::readOnly,
                            SQLiteJournalPolicy::unchanged, 2000);
    for (auto _ : state) {
        SQLiteStatement statement(database, pragma);
        benchmark::DoNotOptimize(statement.step());
    }
}
BENCHMARK_CAPTURE(fileCheck, quick, "PRAGMA quick_check;")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fileCheck, integrity, "PRAGMA integrity_check;")->Unit(benchmark::kMillisecond);

// Every layout with its displays and windows, as the model reads them at start and after every
// edit, from a library whose rows are the program's own.
void loadLibrary(benchmark::State &state)
{
    QTemporaryDir dir;
    const StorePaths paths =
        bench::makeLibrary(dir.filePath(QStringLiteral("data")), int(state.range(0)));
    SQLiteDatabase database(paths.database, SQLiteOpenMode::readOnly,
                            SQLiteJournalPolicy::unchanged, 2000);
    qsizetype loaded = 0;
    for (auto _ : state) {
        loaded = LayoutStore::loadLayouts(database).size();
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["layouts"] = static_cast<double>(loaded);
}
BENCHMARK(loadLibrary)->Arg(200)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
