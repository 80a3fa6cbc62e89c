// The tray panel's placement, hiding and reopening, and the panel window of a desktop without a
// tray, on the offscreen platform (one 800 × 800 screen).

#include "program/PanelShell.h"

#include "TestApplication.h"

#include "system/fake/FakeClock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMenu>
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
            QIcon(), PanelShell::Commands{}, &clock);
        shell->setIconGeometrySource([this] { return icon; });
        shell->setPointerSource([this] { return pointer; });
        shell->setWorkAreaSource([this](QPoint) { return area; });
        shell->setPrimaryScreenSource([this] { return std::pair(screen, area); });
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
    QRect screen{0, 0, 800, 800};
    QRect area{0, 0, 800, 800};
};

TEST_F(PanelShellTest, TheTrayPanelOpensAgainstTheIconOrThePointerOnAPanelInsideTheScreen)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
    const QRect topBar(0, 24, 800, 776);
    struct Case {
        const char *what;
        QRect icon;
        QPoint pointer;
        QRect area;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"icon at the top right", {700, 0, 24, 24}, {}, topBar, {404, 24}},
        {"icon at the bottom left", {10, 776, 24, 24}, {}, {0, 0, 800, 776}, {10, 576}},
        // A StatusNotifier tray says nothing of its icon: the click was where the pointer is.
        {"no icon geometry: at the pointer on the top bar", {}, {700, 10}, topBar, {381, 24}},
        {"no icon geometry: at the pointer on a bottom bar",
         {},
         {30, 790},
         {0, 0, 800, 776},
         {30, 576}},
        // A pointer in mid-screen is not on the tray: the corner of the bar instead.
        {"no icon geometry, pointer in mid-screen", {}, {100, 100}, topBar, {480, 24}},
        {"no icon geometry, no bar", {}, {790, 790}, {0, 0, 800, 800}, {480, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        icon = c.icon;
        pointer = c.pointer;
        area = c.area;
        auto shell = makeShell(PanelShell::Mode::tray);
        QWidget *panel = shell->panel();
        EXPECT_EQ(panel->windowType(), Qt::Tool); // no taskbar entry, and not a popup's grab
        EXPECT_TRUE(panel->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_FALSE(panel->isVisible());
        shell->toggle();
        settle();
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(panel->geometry(), QRect(c.topLeft, QSize(PanelShell::panelWidth, 200)));
        shell->toggle();
        EXPECT_FALSE(panel->isVisible());
    }
}

TEST_F(PanelShellTest, WithoutAnIconPositionALaterStartOpensWhereTheTrayLastPlacedThePanel)
{
    area = QRect(0, 0, 800, 770); // a bottom bar
    screen = QRect(0, 0, 800, 800);
    auto shell = makeShell(PanelShell::Mode::tray);
    QWidget *panel = shell->panel();

    // Before the tray ever placed it: the bar's corner, whatever the pointer does.
    pointer = QPoint(300, 300);
    shell->showPanel();
    settle();
    EXPECT_EQ(panel->geometry(), QRect(480, 570, 320, 200));
    shell->hidePanel();

    // A click on the icon in the bar, then a later start with the pointer in mid-screen.
    pointer = QPoint(650, 785);
    shell->toggle();
    settle();
    EXPECT_EQ(panel->geometry(), QRect(331, 570, 320, 200));
    shell->hidePanel();
    pointer = QPoint(100, 100);
    shell->showPanel();
    settle();
    EXPECT_EQ(panel->geometry(), QRect(331, 570, 320, 200));
    shell->hidePanel();
    // The same from the keyboard in the tray: never at the pointer in mid-screen.
    shell->toggle();
    settle();
    EXPECT_EQ(panel->geometry(), QRect(331, 570, 320, 200));
}

TEST_F(PanelShellTest, WithoutAnyPositionThePanelOpensAtTheCornerOfTheBarThatReservesTheMostRoom)
{
    struct Case {
        const char *what;
        QRect area;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"no bar: the top right", {0, 0, 800, 800}, {480, 0}},
        {"a top bar", {0, 24, 800, 776}, {480, 24}},
        {"a bottom bar", {0, 0, 800, 770}, {480, 570}},
        {"a left bar: its bottom", {48, 0, 752, 800}, {48, 600}},
        {"a right bar: its bottom", {0, 0, 752, 800}, {432, 600}},
        {"bars as deep at the top and bottom: the top", {0, 24, 800, 752}, {480, 24}},
        {"a deeper bottom bar", {0, 24, 800, 736}, {480, 560}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        area = c.area;
        pointer = QPoint(400, 400);
        auto shell = makeShell(PanelShell::Mode::tray);
        shell->showPanel();
        settle();
        EXPECT_EQ(shell->panel()->geometry(), QRect(c.topLeft, QSize(PanelShell::panelWidth, 200)));
    }
}

TEST_F(PanelShellTest, TheTrayPanelHasABorderAndUnderACompositorAShadowBeyondIt)
{
    icon = QRect(700, 0, 24, 24);
    area = QRect(0, 24, 800, 776);
    struct Case {
        const char *what;
        PanelShell::Frame frame;
        QRect window;
        QRect panel; // in the window
    };
    const Case cases[] = {
        {"a border", PanelShell::Frame::border, {402, 24, 322, 202}, {0, 0, 322, 202}},
        {"a shadow", PanelShell::Frame::shadow, {388, 13, 350, 230}, {14, 11, 322, 202}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto shell = makeShell(PanelShell::Mode::tray);
        shell->setFrame(c.frame);
        shell->toggle();
        settle();
        QWidget *panel = shell->panel();
        EXPECT_EQ(panel->geometry(), c.window);
        EXPECT_EQ(shell->panelRect(), c.panel);
        // The panel's own edge right under the icon, its right edge at the icon's.
        EXPECT_EQ(shell->panelRect().translated(panel->pos()).topRight(), QPoint(723, 24));
        EXPECT_EQ(content->geometry(), c.panel.adjusted(1, 1, -1, -1));
        EXPECT_EQ(panel->testAttribute(Qt::WA_TranslucentBackground),
                  c.frame == PanelShell::Frame::shadow);
        // The border is drawn a shade off the panel's colour.
        const QImage drawn = panel->grab().toImage();
        const QPoint edge = c.panel.topLeft() + QPoint(c.panel.width() / 2, 0);
        const QPoint inside = edge + QPoint(0, 10);
        EXPECT_NE(drawn.pixel(edge), drawn.pixel(inside));
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
    shell->focusWindowChanged(shell->panel()->windowHandle());
    shell->focusWindowChanged(nullptr);
    clock.advance(std::chrono::seconds(1));
    shell->toggle();
    EXPECT_TRUE(shell->panel()->isVisible());
}

TEST_F(PanelShellTest, ADeactivationThatComesAfterThePanelWasAskedBackLeavesItShown)
{
    auto shell = makeShell(PanelShell::Mode::tray);
    icon = QRect(700, 0, 24, 24);
    shell->toggle();
    shell->focusWindowChanged(shell->panel()->windowHandle());

    // Escape, and at once a second start asks for the panel; only then does the deactivation of
    // the panel that Escape hid arrive.
    shell->hidePanel();
    shell->showPanel();
    shell->focusWindowChanged(nullptr);
    EXPECT_TRUE(shell->panel()->isVisible());

    // Once it has been active, losing the activation hides it as ever.
    shell->focusWindowChanged(shell->panel()->windowHandle());
    shell->focusWindowChanged(nullptr);
    EXPECT_FALSE(shell->panel()->isVisible());
}

TEST_F(PanelShellTest, AfterAWindowItOpenedClosesThePanelTakesTheFocusBackAndStillHides)
{
    auto shell = makeShell(PanelShell::Mode::tray);
    icon = QRect(700, 0, 24, 24);
    shell->toggle();
    QWidget *panel = shell->panel();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));

    // The panel opens a window (Settings, Save Layout, …), which takes the focus; the user closes
    // it. Qt forgets a focused window that goes without a word: nothing says the focus moved.
    auto *opened = new QWidget;
    opened->resize(200, 100);
    opened->show();
    opened->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(opened));
    EXPECT_TRUE(panel->isVisible());
    delete opened;
    settle();

    // The panel has the focus again, so that Escape reaches it and losing it hides the panel.
    EXPECT_TRUE(QTest::qWaitForWindowActive(panel));
    EXPECT_EQ(QGuiApplication::focusWindow(), panel->windowHandle());
    QTest::keyClick(panel, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(panel->isVisible());

    // Once more, and then another application takes the activation.
    clock.advance(std::chrono::seconds(1));
    shell->toggle();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    auto *another = new QWidget;
    another->show();
    another->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(another));
    another->hide();
    delete another;
    settle();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    shell->focusWindowChanged(nullptr);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(PanelShellTest, TheTrayIconsMenuHoldsThePanelsCommands)
{
    int settingsOpened = 0;
    int quits = 0;
    auto shell = std::make_unique<PanelShell>(
        PanelShell::Mode::tray, [] { return new QWidget; }, QIcon(),
        PanelShell::Commands{[&] { ++settingsOpened; }, [&] { ++quits; }}, &clock);
    ASSERT_NE(shell->trayMenu(), nullptr);
    EXPECT_EQ(shell->trayIcon()->contextMenu(), shell->trayMenu());
    QStringList texts;
    for (QAction *action : shell->trayMenu()->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("—") : action->text());
    }
    EXPECT_EQ(texts, (QStringList{"Open Ostrel", "—", "Settings…", "Quit Ostrel"}));

    const auto trigger = [&](const QString &text) {
        for (QAction *action : shell->trayMenu()->actions()) {
            if (action->text() == text) {
                action->trigger();
            }
        }
    };
    trigger(QStringLiteral("Open Ostrel"));
    settle();
    EXPECT_TRUE(shell->panel()->isVisible());
    trigger(QStringLiteral("Settings…"));
    trigger(QStringLiteral("Quit Ostrel"));
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(quits, 1);

    auto window = makeShell(PanelShell::Mode::window);
    EXPECT_EQ(window->trayMenu(), nullptr);
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
