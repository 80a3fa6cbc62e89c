// The whole program end to end on a private X server with two monitors, openbox and real X clients:
// the model on the real clock with its own settle times, a store in a temporary folder and a
// settings file of its own. Save a layout, bring it back with the global shortcut pressed on the
// keyboard, undo, let a reconnected monitor setup restore it by itself, then quit and start again.

#include "X11Environment.h"

#include "AppModelTestSeam.h"
#include "Await.h"
#include "TestApplication.h"

#include "app/AppModel.h"
#include "app/AutomationService.h"
#include "model/Topology.h"
#include "program/X11Program.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace ostrel {
namespace {

constexpr double tolerance = 4.0;
const Shortcut globalShortcut{40, Shortcut::control | Shortcut::option}; // Ctrl+Alt+K

class X11AcceptanceTest : public test::X11Test {
protected:
    // The program's own windows (the restore flash, the decision windows) live on the same
    // server as the windows it arranges.
    static void SetUpTestSuite()
    {
        test::xsession(); // exports DISPLAY for the Qt application
        qputenv("QT_QPA_PLATFORM", "xcb");
        test::ensureApplication();
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
        paths = StorePaths::inFolder(dir.filePath("data"));
    }

    void TearDown() override
    {
        program.reset();
        test::X11Test::TearDown();
    }

    // Starts the program and waits until its bootstrap ended.
    AppModel &startProgram()
    {
        X11Program::Setup setup;
        setup.display = x.display();
        setup.storePaths = paths;
        program = std::make_unique<X11Program>(setup);
        AppModel &model = program->model();
        // The restore status changes for any of its values: each result and each start of a
        // restore is taken once, when it appears.
        QObject::connect(&model, &AppModel::restoreStatusChanged, [this, &model] {
            const RestoreStatus &status = model.restoreStatus();
            if (status.lastResult
                && (results.isEmpty() || results.last().id != status.lastResult->id)) {
                results.append(*status.lastResult);
            }
            if (status.busy == OperationKind::restoring && !restoring) {
                restoreStarts.append(clock.elapsed());
            }
            restoring = status.busy == OperationKind::restoring;
        });
        EXPECT_TRUE(test::waitUntil([&] { return !model.storageStatus().isBootstrapping; }));
        return model;
    }

    // Waits for the next published result after `before` results and for the model to be idle.
    const RestoreResult *awaitResult(qsizetype before)
    {
        AppModel &model = program->model();
        if (!test::waitUntil(
                [&] { return results.size() > before && !model.restoreStatus().busy; })) {
            ADD_FAILURE() << "no result was published";
            return nullptr;
        }
        return &results.last();
    }

    std::map<uint32_t, RectD> framesFromX()
    {
        std::map<uint32_t, RectD> frames;
        for (uint32_t w : windows) {
            frames[w] = frameFromX(w);
        }
        return frames;
    }

    void pressGlobalShortcut() { x.xdotool({"key", "ctrl+alt+k"}); }

    QTemporaryDir dir;
    StorePaths paths;
    std::unique_ptr<X11Program> program;
    std::vector<uint32_t> windows;
    QList<RestoreResult> results;
    QElapsedTimer clock;
    QList<qint64> restoreStarts; // milliseconds on `clock`
    bool restoring = false;      // whether the model was restoring at its last change
};

TEST_F(X11AcceptanceTest, SaveShortcutUndoAutomationAndRestart)
{
    clock.start();
    // Two clients of the harness, one on each monitor, and a standard X client on the primary.
    windows.push_back(x.openWindow(test::windowOf("Editor", 1500, 200, 700, 500)).window());
    windows.push_back(x.openWindow(test::windowOf("Terminal", 150, 150, 600, 400)).window());
    windows.push_back(x.startXlogo("300x250+2500+500").window());
    const uint32_t editor = windows[0];
    const uint32_t terminal = windows[1];
    const uint32_t logo = windows[2];

    // 1. First start on an empty folder; capture; save as "Work".
    AppModel *model = &startProgram();
    ASSERT_TRUE(test::AppModelTestSeam(model).hasStore());
    ASSERT_EQ(model->storageStatus().storageProblem, std::nullopt);
    ASSERT_TRUE(model->savedData().layouts.isEmpty());
    ASSERT_TRUE(model->session().permissionTrusted);
    ASSERT_TRUE(model->session().sessionEligible);
    ASSERT_EQ(model->currentDisplays().size(), 2);

    ASSERT_TRUE(test::await(model->beginSave()));
    ASSERT_TRUE(model->windowRequests().pendingCapture);
    const CapturePreview preview = *model->windowRequests().pendingCapture;
    ASSERT_EQ(preview.entries.size(), 3);
    const std::map<uint32_t, RectD> saved = framesFromX();
    for (const WindowEntry &entry : preview.entries) {
        const WindowReference reference = preview.references.value(entry.id);
        const uint32_t number = reference.windowID.value_or(0);
        ASSERT_TRUE(saved.count(number)) << entry.appName.toStdString();
        // The program and X agree on where the window is.
        EXPECT_TRUE(reference.frame.isApproximatelyEqual(saved.at(number), 1.0))
            << entry.appName.toStdString();
    }
    ASSERT_EQ(test::await(model->savePendingLayout(QStringLiteral("Work"), false)), std::nullopt);
    ASSERT_EQ(model->savedData().layouts.size(), 1);
    const Layout work = model->savedData().layouts.first();
    EXPECT_EQ(work.name, QStringLiteral("Work"));
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(model->windowRequests().pendingCapture, std::nullopt);
    ASSERT_EQ(model->setGlobalShortcut(globalShortcut), std::nullopt);
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, globalShortcut);

    // 2. The user rearranges: each window to another place, one to the other monitor, all at
    // other sizes. The shortcut, pressed on the keyboard, brings the layout back.
    // Each moved and resized with X requests of another client, as a user's drag through the
    // window manager would.
    x.moveResize(editor, 100, 500, 640, 400);
    x.moveResize(terminal, 2000, 300, 500, 350);
    x.moveResize(logo, 1400, 700, 250, 200);
    const std::map<uint32_t, RectD> moved = framesFromX();
    for (uint32_t w : windows) {
        ASSERT_FALSE(moved.at(w).isApproximatelyEqual(saved.at(w), tolerance));
    }

    pressGlobalShortcut();
    const RestoreResult *restored = awaitResult(0);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->kind, ResultKind::restore);
    EXPECT_EQ(restored->layoutID, work.id);
    EXPECT_EQ(restored->summary, QStringLiteral("3 restored"));
    EXPECT_EQ(restored->movedWindowCount, 3);
    EXPECT_FALSE(restored->wasCancelled);
    expectFrames(saved);
    ASSERT_TRUE(model->restoreStatus().undoInfo);
    EXPECT_EQ(model->restoreStatus().undoInfo->entryCount, 3);

    // 3. Undo puts the windows back where the user had moved them.
    model->undoLastRestore();
    const RestoreResult *undone = awaitResult(1);
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->kind, ResultKind::undo);
    EXPECT_EQ(undone->summary, QStringLiteral("3 restored"));
    expectFrames(moved);
    EXPECT_EQ(model->restoreStatus().undoInfo, std::nullopt);

    // 4. Automation on and "Work" linked to these two monitors.
    model->setAutomationEnabled(true);
    ASSERT_EQ(test::await(model->associateAutomation(work.id)), std::nullopt);
    const QString signature = Topology::signature(model->currentDisplays());
    ASSERT_EQ(model->savedData().layouts.first().automationTopologySignature, signature);
    EXPECT_EQ(model->automationDescription(model->savedData().layouts.first()),
              QStringLiteral("Linked to these displays"));
    model->dismissAutomationNotice();

    // The left monitor goes off: a setup no layout is linked to, which settles and says so.
    x.xrandr({"--output", "DUMMY1", "--off"});
    ASSERT_TRUE(test::waitUntil([&] { return model->session().automationNotice.has_value(); }));
    EXPECT_EQ(model->session().automationNotice,
              QStringLiteral("The displays changed, but no layout is linked to this setup."));
    EXPECT_EQ(model->session().lastAutomationDeferral, AutomationDeferral::noAssociation);
    EXPECT_EQ(model->currentDisplays().size(), 1);
    EXPECT_EQ(results.size(), 2); // nothing was restored

    // Back on: the linked setup settles and "Work" is restored by itself, once.
    model->dismissAutomationNotice();
    // (xrandr moved the primary to the root's origin when the other went off; reconnecting puts
    // both where they were.)
    x.xrandr({"--output", "DUMMY1", "--mode", "1280x1024", "--pos", "0x0", "--output", "DUMMY0",
              "--mode", "1920x1080", "--pos", "1280x0", "--primary"});
    const qint64 reconnectedAt = clock.elapsed();
    const RestoreResult *automatic = awaitResult(2);
    ASSERT_TRUE(automatic) << model->session().automationNotice.value_or("no notice").toStdString();
    ASSERT_EQ(restoreStarts.size(), 2);
    EXPECT_GE(
        restoreStarts.last() - reconnectedAt,
        std::chrono::duration_cast<std::chrono::milliseconds>(AutomationService::quietInterval)
            .count())
        << "the restore did not wait for the displays to settle";
    EXPECT_EQ(Topology::signature(model->currentDisplays()), signature);
    EXPECT_EQ(automatic->layoutID, work.id);
    EXPECT_EQ(automatic->summary, QStringLiteral("3 restored"));
    EXPECT_EQ(model->session().automationNotice, automatic->summary);
    EXPECT_EQ(model->session().lastAutomationDeferral, std::nullopt);
    expectFrames(saved);
    // Later looks at the same setup restore nothing more.
    test::keepRunning(std::chrono::duration_cast<std::chrono::milliseconds>(
        AutomationService::quietInterval + 2 * AutomationService::pollInterval));
    EXPECT_EQ(results.size(), 3);
    EXPECT_EQ(restoreStarts.size(), 2);

    // 5. Quit, and start again on the same folder and settings.
    program.reset();
    model = &startProgram();
    ASSERT_EQ(model->storageStatus().storageProblem, std::nullopt);
    ASSERT_EQ(model->savedData().layouts.size(), 1);
    const Layout again = model->savedData().layouts.first();
    EXPECT_EQ(again.id, work.id);
    EXPECT_EQ(again.name, QStringLiteral("Work"));
    EXPECT_EQ(again.entries.size(), 3);
    EXPECT_TRUE(again.automationEnabled);
    EXPECT_EQ(again.automationTopologySignature, signature);
    EXPECT_TRUE(model->settings().automationEnabled);
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(model->settings().globalShortcut, globalShortcut);
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, globalShortcut);
    EXPECT_EQ(model->shortcutStatus().shortcutsError, std::nullopt);

    // The shortcut is grabbed again and restores from the saved entries alone: this run has
    // captured nothing.
    x.moveResize(terminal, 2100, 400, 520, 360);
    const qsizetype before = results.size();
    pressGlobalShortcut();
    const RestoreResult *afterRestart = awaitResult(before);
    ASSERT_TRUE(afterRestart);
    EXPECT_EQ(afterRestart->layoutID, work.id);
    EXPECT_EQ(afterRestart->summary, QStringLiteral("3 restored"));
    expectFrames(saved);
}

// A login that starts the program before the window manager: the program starts without access,
// follows the window manager's arrival, and the first press of the shortcut restores.
TEST_F(X11AcceptanceTest, AWindowManagerArrivingAfterTheProgramFindsTheShortcutWorking)
{
    windows.push_back(x.openWindow(test::windowOf("Editor", 1500, 200, 700, 500)).window());
    const uint32_t editor = windows[0];
    windows.push_back(x.openWindow(test::windowOf("Terminal", 150, 150, 600, 400)).window());
    AppModel *model = &startProgram();
    ASSERT_TRUE(test::await(model->beginSave()))
        << (model->windowRequests().activeError
                ? model->windowRequests().activeError->message.toStdString()
                : std::string("no error"));
    ASSERT_EQ(test::await(model->savePendingLayout(QStringLiteral("Work"), false)), std::nullopt);
    ASSERT_EQ(model->setGlobalShortcut(globalShortcut), std::nullopt);
    const std::map<uint32_t, RectD> saved = framesFromX();
    program.reset();

    x.stopWindowManager();
    model = &startProgram();
    ASSERT_FALSE(model->session().permissionTrusted);
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, globalShortcut);

    x.startWindowManager();
    ASSERT_TRUE(test::waitUntil([&] { return model->session().permissionTrusted; }))
        << "the program did not follow the window manager's arrival";
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, globalShortcut);
    EXPECT_EQ(model->shortcutStatus().shortcutsError, std::nullopt);

    x.moveResize(editor, 100, 500, 640, 400);
    ASSERT_FALSE(frameFromX(editor).isApproximatelyEqual(saved.at(editor), tolerance));
    pressGlobalShortcut();
    const RestoreResult *restored = awaitResult(0);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->kind, ResultKind::restore);
    // Only the editor is this test's: a window manager may show windows of its own (fluxbox's
    // xmessage about a wallpaper setter), which the capture took too.
    EXPECT_GE(restored->movedWindowCount, 1) << restored->summary.toStdString();
    expectFrames(saved);
}

} // namespace
} // namespace ostrel
