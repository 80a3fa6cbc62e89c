#include "AppModelFixture.h"

#include "Await.h"
#include "TestApplication.h"

#include "model/Preferences.h"
#include "model/StorageError.h"
#include "storage/SQLiteDatabase.h"
#include "storage/StoreEnvironment.h"
#include "storage/SQLiteStatement.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QThread>

#include <atomic>

#include <sqlite3.h>

#include <ostream>

void ostrel::PrintTo(const Refusal &refusal, std::ostream *out)
{
    ::PrintTo(refusal.text, out);
}

namespace ostrel::test {

void AppModelTest::SetUp()
{
    ensureApplication();
    ASSERT_TRUE(dir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
    paths = StorePaths::inFolder(dir.filePath("data"));
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
    makeWindowServices();
    presenter->setMainScreenHeight([] { return std::optional<double>(875); });
}

void AppModelTest::TearDown()
{
    model.reset();
    dropWindowServices();
    // Waits that were still sleeping on the virtual clock wake up and find their owners gone.
    desktop.clock().advance(std::chrono::minutes(1));
    // Let tasks that were still waiting on a thread see that the model is gone.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

AppEnvironment AppModelTest::environment()
{
    AppEnvironment environment = FakeAppServices::environment(paths);
    environment.openStore = [this]() {
        ++openCount;
        if (openFailure) {
            openFailure();
        }
        StorageOpenResult opened = LayoutStore::open(paths, StoreEnvironment{});
        openedStore = opened.store.get();
        if (afterOpen) {
            afterOpen();
        }
        return opened;
    };
    environment.revealFolder = [this](const QString &folder, std::function<void()> unopened) {
        revealedFolders.append(folder);
        if (!folderOpens) {
            unopened();
        }
    };
    environment.openAccessibilitySettings = [this] { ++accessibilitySettingsOpened; };
    return environment;
}

void AppModelTest::startWithoutWaiting()
{
    model = std::make_unique<AppModel>(environment());
    seenBusy.reset();
    seenProgress.reset();
    QObject::connect(model.get(), &AppModel::restoreStatusChanged, [this] {
        const RestoreStatus &status = model->restoreStatus();
        if (status.busy != seenBusy) {
            seenBusy = status.busy;
            busyHistory.append(status.busy);
        }
        if (status.progress != seenProgress) {
            seenProgress = status.progress;
            progressHistory.append(status.progress);
        }
    });
}

AppModel &AppModelTest::start()
{
    startWithoutWaiting();
    EXPECT_TRUE(waitUntil([this] { return !model->storageStatus().isBootstrapping; }));
    return *model;
}

void AppModelTest::settle()
{
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
}

void AppModelTest::advance(double seconds)
{
    const int steps = int(seconds * 10 + 0.5);
    for (int i = 0; i < steps; ++i) {
        desktop.clock().advance(std::chrono::milliseconds(100));
        settle();
    }
}

bool AppModelTest::isOpen(QLatin1StringView id) const
{
    QWidget *window = presenter->window(QString(id));
    return window && window->isVisible();
}

Screen AppModelTest::screen(quint32 number, const RectD &frame, quint32 unit)
{
    Screen s;
    s.displayNumber = number;
    s.name = QStringLiteral("Display %1").arg(unit);
    s.frame = frame;
    s.visibleFrame = {frame.x, frame.y + 25, frame.width, frame.height - 25};
    s.identity = {16, 32, 0, unit};
    s.pixelWidth = qint64(frame.width);
    s.pixelHeight = qint64(frame.height);
    return s;
}

QList<AXElement> AppModelTest::addApplication(const QString &bundleID, const QString &name,
                                              const QList<RectD> &frames)
{
    const qint32 pid = desktop.addApplication(bundleID, name);
    QList<AXElement> windows;
    for (const RectD &frame : frames) {
        windows.append(desktop.addWindow(pid, frame));
    }
    return windows;
}

Layout AppModelTest::saveCurrentWindows(const QString &name)
{
    EXPECT_TRUE(await(model->beginSave()));
    EXPECT_EQ(await(model->savePendingLayout(name, false)), std::nullopt);
    const std::optional<Layout> saved = model->layoutNamed(name);
    EXPECT_TRUE(saved.has_value());
    return saved.value_or(Layout{});
}

void AppModelTest::setTrust(bool trusted)
{
    desktop.setTrusted(trusted);
    await(model->refreshPermission(false));
}

void AppModelTest::dismissError()
{
    if (model->windowRequests().activeError) {
        model->dismissActiveError(model->windowRequests().activeError->id);
    }
}

namespace {

// Holds the first call the services make on the desktop from a thread of theirs (never the
// main thread, which the test itself runs on) once `begin` has run.
std::function<void()> holdFirstServiceCall(FakeDesktop &desktop, const std::function<void()> &begin,
                                           const std::function<bool()> &done)
{
    auto gate = std::make_shared<QSemaphore>(0);
    auto held = std::make_shared<std::atomic<bool>>(false);
    QThread *main = QCoreApplication::instance()->thread();
    desktop.setHook([gate, held, main](const FakeCall &) {
        if (QThread::currentThread() != main && !held->exchange(true)) {
            gate->acquire();
        }
    });
    begin();
    EXPECT_TRUE(waitUntil([&] { return bool(*held); }));
    return [&desktop, gate, done] {
        desktop.setHook({});
        gate->release();
        ASSERT_TRUE(waitUntil(done));
    };
}

} // namespace

std::function<void()> AppModelTest::holdRestore()
{
    return holdRestore([this] { model->restoreSelectedLayout(); });
}

std::function<void()> AppModelTest::holdRestore(const std::function<void()> &begin)
{
    return holdFirstServiceCall(desktop, begin, [this] { return !model->restoreStatus().busy; });
}

std::function<void()> AppModelTest::holdCapture()
{
    return holdFirstServiceCall(
        desktop, [this] { (void)model->beginSave(); },
        [this] { return !model->restoreStatus().busy; });
}

std::function<void()> AppModelTest::holdEdit(const std::function<void()> &begin)
{
    const std::function<void()> releaseStore = holdStore();
    begin();
    return [this, releaseStore] {
        releaseStore();
        ASSERT_TRUE(waitUntil([this] { return model->savedData().pendingMutations.isEmpty(); }));
    };
}

std::function<void()> AppModelTest::breakStorage()
{
    openFailure = [] { throw StorageError::openFailed(QStringLiteral("The disk went away.")); };
    model->retryStorage();
    EXPECT_TRUE(waitUntil([this] { return !model->storageStatus().isBootstrapping; }));
    return [this] {
        openFailure = {};
        model->retryStorage();
        ASSERT_TRUE(waitUntil([this] { return !model->storageStatus().isBootstrapping; }));
    };
}

std::function<void()> AppModelTest::holdStore()
{
    auto gate = std::make_shared<QSemaphore>(0);
    auto started = std::make_shared<QSemaphore>(0);
    LayoutStore *store = openedStore;
    // The task runs to its end on its own; only the semaphores tie it to the test.
    (void)store->executor().run([gate, started] {
        started->release();
        gate->acquire();
    });
    started->acquire();
    return [gate] { gate->release(); };
}

QStringList AppModelTest::rows(const QString &sql)
{
    SQLiteDatabase database(paths.database, SQLiteOpenMode::readOnly,
                            SQLiteJournalPolicy::unchanged, 2000);
    SQLiteStatement statement(database, sql.toUtf8().constData());
    QStringList result;
    while (statement.step()) {
        QStringList columns;
        for (int column = 0; column < sqlite3_column_count(statement.get()); ++column) {
            columns.append(statement.isNull(column) ? QStringLiteral("NULL")
                                                    : statement.text(column));
        }
        result.append(columns.join('|'));
    }
    return result;
}

void AppModelTest::execute(const QString &sql)
{
    SQLiteDatabase database(paths.database, SQLiteOpenMode::readWrite,
                            SQLiteJournalPolicy::unchanged, 2000);
    database.execute(sql);
}

} // namespace ostrel::test
