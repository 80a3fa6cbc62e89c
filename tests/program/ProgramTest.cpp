// The program as a whole on the offscreen platform, without an X server: it still starts, on
// the unavailable desktop, and quits in order on "Quit Ostrel" and on the signals that end a
// process.

#include "program/Program.h"

#include "Await.h"
#include "Screenshots.h"
#include "UiTest.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "program/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QAbstractButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <signal.h>

#include <future>

using namespace std::chrono_literals;

namespace ostrel {
namespace {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureUiApplication();
        QApplication::setQuitOnLastWindowClosed(false);
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
        setup.display = "unix:/nonexistent/X0"; // no X server answers there
        setup.storePaths = StorePaths::inFolder(dir.filePath("data"));
    }

    std::unique_ptr<Program> start(SingleInstance *instance = nullptr)
    {
        auto program = std::make_unique<Program>(setup, PanelShell::Mode::window, instance);
        EXPECT_TRUE(test::waitUntil([&] { return program->isReady(); }));
        return program;
    }

    QTemporaryDir dir;
    X11Program::Setup setup;
};

TEST_F(ProgramTest, WithoutAnXServerItStartsWithNoAccessNoScreensAndItsPanel)
{
    auto program = start();
    X11Program &wiring = program->wiring();
    EXPECT_FALSE(wiring.hasXServer());
    AppModel &model = wiring.model();
    EXPECT_FALSE(model.storageStatus().isBootstrapping);
    EXPECT_FALSE(model.session().permissionTrusted);
    EXPECT_FALSE(model.storageStatus().storageProblem.has_value());
    EXPECT_TRUE(model.currentDisplays().isEmpty());
    EXPECT_TRUE(wiring.system().applications->runningApplications().isEmpty());
    EXPECT_TRUE(QFile::exists(setup.storePaths.database));
    EXPECT_TRUE(program->shell().panel()->isVisible());
    EXPECT_EQ(program->shell().panel()->windowTitle(), QStringLiteral("Ostrel"));
    // Nothing was written to the settings at start.
    EXPECT_FALSE(QFile::exists(dir.filePath("settings/Ostrel/Ostrel.conf")));
}

TEST_F(ProgramTest, QuitOstrelEndsTheEventLoopWithStatusZeroThoughThePanelWindowRefusesToClose)
{
    auto program = start();
    auto *quit =
        program->shell().content()->findChild<QAbstractButton *>(QStringLiteral("quit-button"));
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->accessibleName(), QStringLiteral("Quit Ostrel"));
    QTimer::singleShot(0, quit, &QAbstractButton::click);
    EXPECT_EQ(QApplication::exec(), 0);
    program.reset();

    // Qt's own quit (the session ending, a view asking the application) takes the same way
    // instead of closing windows first, which the panel window would refuse.
    program = start();
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(program->shell().panel()->isVisible());
}

TEST_F(ProgramTest, EachQuitSignalEndsTheEventLoopWithStatusZero)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        auto program = start();
        QTimer::singleShot(0, [signal] { ::raise(signal); });
        EXPECT_EQ(QApplication::exec(), 0);
        program.reset();
    }
    // Back to the defaults once the program is gone.
    struct sigaction action = {};
    ::sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
}

TEST_F(ProgramTest, ALaterStartIsAnsweredOnceReadyAndShowsThePanel)
{
    ASSERT_TRUE(QDir().mkpath(dir.filePath("runtime")));
    SingleInstance instance(dir.filePath("runtime"));
    ASSERT_TRUE(instance.isRunningInstance());
    auto program = start(&instance);
    QWidget *panel = program->shell().panel();
    panel->showMinimized();
    ASSERT_TRUE(test::waitUntil([&] { return panel->isMinimized(); }));

    auto asked = std::async(std::launch::async, [folder = dir.filePath("runtime")] {
        return SingleInstance::askToShowPanel(folder, 10s);
    });
    ASSERT_TRUE(test::waitUntil([&] { return asked.wait_for(0ms) == std::future_status::ready; }));
    EXPECT_TRUE(asked.get());
    EXPECT_FALSE(panel->isMinimized());
    EXPECT_TRUE(panel->isVisible());

    // Quitting stops the answers.
    program->shutDown();
    EXPECT_FALSE(QFile::exists(SingleInstance::socketPath(dir.filePath("runtime"))));
}

TEST_F(ProgramTest, SettingsOpensOnceAtTheSettingsSize)
{
    auto program = start();
    WindowPresenter &presenter = program->wiring().presenter();
    presenter.setMainScreenHeight([] { return std::optional<double>(800.0); });
    auto *settings =
        program->shell().content()->findChild<QAbstractButton *>(QStringLiteral("settings-button"));
    ASSERT_NE(settings, nullptr);
    settings->click();
    QWidget *window = presenter.window(QString(WindowID::settings));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(640, 700));
    EXPECT_NE(window->findChild<QWidget *>(QStringLiteral("settings-window")), nullptr);
    settings->click();
    EXPECT_EQ(presenter.window(QString(WindowID::settings)), window);
}

TEST_F(ProgramTest, PicturesOfThePanelAndTheSettingsWindow)
{
    auto program = start();
    const test::Screenshots panel =
        test::renderToPng(program->shell().panel(), QStringLiteral("program-panel"));
    EXPECT_EQ(panel.light.size(),
              QSize(2 * PanelShell::panelWidth, 2 * program->shell().panel()->height()));
    // The settings window takes the appearance chosen in the program.
    program->wiring().presenter().showSettings();
    QWidget *settings = program->wiring().presenter().window(QString(WindowID::settings));
    program->wiring().model().setAppearance(AppearancePreference::dark);
    test::renderToPng(settings, QStringLiteral("program-settings-chosen-dark"));
    EXPECT_LT(settings->findChild<QWidget *>(QStringLiteral("settings-window"))
                  ->palette()
                  .color(QPalette::Window)
                  .lightness(),
              128);
}

} // namespace
} // namespace ostrel
