// The tray panel's placement, hiding and reopening, and the panel window of a desktop without a
// tray, on the offscreen platform (one 800 × 800 screen).

#include "program/PanelShell.h"

#include "TestApplication.h"

#include "system/fake/FakeClock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QWidget>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel {
namespace {

class PanelShellTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }

    std::unique_ptr<PanelShell> makeShell(PanelShell::Mode mode)
    {
        auto shell = std::make_unique<PanelShell>(
            mode,
            [this] {
                content = new QWidget;
                content->setObjectName(QStringLiteral("content"));
                content->setFixedHeight(200);
                return content;
            },
            QIcon(), &clock);
        shell->setIconGeometrySource([this] { return icon; });
        shell->setPointerSource([this] { return pointer; });
        return shell;
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }

    FakeClock clock;
    QWidget *content = nullptr;
    QRect icon;
    QPoint pointer;
};

TEST_F(PanelShellTest, TheTrayPanelOpensAgainstTheIconOrThePointerInsideTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(area, QRect(0, 0, 800, 800));
    struct Case {
        const char *what;
        QRect icon;
        QPoint pointer;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"icon at the top right", {700, 0, 24, 24}, {}, {404, 24}},
        {"icon at the bottom left", {10, 776, 24, 24}, {}, {10, 576}},
        {"no icon geometry: at the pointer", {}, {100, 100}, {100, 101}},
        {"pointer in a corner: inside the screen", {}, {790, 790}, {471, 590}},
    };
    auto shell = makeShell(PanelShell::Mode::tray);
    QWidget *panel = shell->panel();
    EXPECT_EQ(panel->windowType(), Qt::Tool); // no taskbar entry, and not a popup with its grab
    EXPECT_TRUE(panel->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(panel->isVisible());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        icon = c.icon;
        pointer = c.pointer;
        shell->toggle();
        settle();
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(panel->geometry(), QRect(c.topLeft, QSize(PanelShell::panelWidth, 200)));
        shell->toggle();
        EXPECT_FALSE(panel->isVisible());
    }
}

TEST_F(PanelShellTest, TheTrayPanelFollowsItsContentsHeightFromTheSameAnchor)
{
    auto shell = makeShell(PanelShell::Mode::tray);
    icon = QRect(10, 776, 24, 24); // a bottom bar: the panel grows upwards
    shell->toggle();
    settle();
    ASSERT_EQ(shell->panel()->geometry(), QRect(10, 576, 320, 200));

    content->setFixedHeight(300);
    settle();
    EXPECT_EQ(shell->panel()->geometry(), QRect(10, 476, 320, 300));

    content->setFixedHeight(900); // taller than the screen: cut to it
    settle();
    EXPECT_EQ(shell->panel()->geometry(), QRect(10, 0, 320, 800));
}

TEST_F(PanelShellTest, TheTrayPanelHidesWhenAnotherApplicationTakesActivationOnly)
{
    auto shell = makeShell(PanelShell::Mode::tray);
    icon = QRect(700, 0, 24, 24);
    shell->toggle();
    ASSERT_TRUE(shell->panel()->isVisible());

    // A window the panel opened comes to the front: the panel stays.
    QWidget opened;
    opened.show();
    shell->focusWindowChanged(opened.windowHandle());
    EXPECT_TRUE(shell->panel()->isVisible());

    shell->focusWindowChanged(nullptr);
    EXPECT_FALSE(shell->panel()->isVisible());

    // The click on the icon that took the activation away arrives next: it does not reopen.
    clock.advance(std::chrono::milliseconds(100));
    shell->toggle();
    EXPECT_FALSE(shell->panel()->isVisible());
    // The next click does.
    shell->toggle();
    EXPECT_TRUE(shell->panel()->isVisible());

    // A click long after the panel went away opens it at once.
    shell->focusWindowChanged(nullptr);
    clock.advance(std::chrono::seconds(1));
    shell->toggle();
    EXPECT_TRUE(shell->panel()->isVisible());
}

TEST_F(PanelShellTest, EscapePutsTheTrayPanelAwayAndTheNextClickOpensIt)
{
    auto shell = makeShell(PanelShell::Mode::tray);
    icon = QRect(700, 0, 24, 24);
    shell->toggle();
    ASSERT_TRUE(shell->panel()->isVisible());
    QApplication::setActiveWindow(shell->panel());
    settle();
    QTest::keyClick(shell->panel(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(shell->panel()->isVisible());
    shell->toggle();
    EXPECT_TRUE(shell->panel()->isVisible()) << "put away by the user, not by a click elsewhere";
}

TEST_F(PanelShellTest, WithoutATrayThePanelIsAWindowThatMinimizesWhenClosed)
{
    auto shell = makeShell(PanelShell::Mode::window);
    EXPECT_EQ(shell->trayIcon(), nullptr);
    QWidget *panel = shell->panel();
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Ostrel"));
    EXPECT_EQ(panel->windowType(), Qt::Window); // a taskbar entry, unlike a tool window
    EXPECT_FALSE(panel->windowFlags() & Qt::FramelessWindowHint);

    shell->showPanel();
    settle();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->size(), QSize(PanelShell::panelWidth, 200));

    EXPECT_FALSE(panel->close());
    settle();
    EXPECT_TRUE(panel->isMinimized());
    EXPECT_EQ(shell->panel(), panel);
    EXPECT_EQ(panel->findChild<QWidget *>(QStringLiteral("content")), content);

    // Losing activation changes nothing for a window; asking for the panel brings it back.
    shell->focusWindowChanged(nullptr);
    shell->showPanel();
    settle();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isMinimized());
}

} // namespace
} // namespace ostrel
