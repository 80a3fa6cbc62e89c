#include "SettingsFixture.h"
#include "AppModelTestSeam.h"
#include "Child.h"
#include "KeyboardWalk.h"

#include "Screenshots.h"

#include "ui/panel/PanelButton.h"
#include "ui/windows/AboutSettingsPage.h"
#include "ui/windows/ApplicationPicker.h"
#include "ui/windows/ApplicationsSettingsPage.h"
#include "ui/windows/SettingsTabBar.h"
#include "ui/windows/ShortcutsSettingsPage.h"
#include "ui/windows/StorageSettingsPage.h"

#include <QDir>
#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace ostrel::test {
namespace {

TEST(SettingsWindowSize, FollowsTheMainScreensHeightWithinItsCapAndFloor)
{
    struct Case {
        std::optional<double> visibleHeight;
        int height;
    };
    const Case cases[] = {
        {900, 750},
        {800, 700},
        {std::nullopt, 750},
        // A tiny or oddly reported screen still gets a usable window.
        {300, WindowPresenter::minimumWindowHeight},
        {-50, WindowPresenter::minimumWindowHeight},
        {std::numeric_limits<double>::quiet_NaN(), 750},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(SettingsView::windowSize(c.visibleHeight), QSize(640, c.height))
            << c.visibleHeight.value_or(-1);
    }
}

TEST(AboutVersion, ShowsTheVersionAndBuildOrTheirFallbacks)
{
    struct Case {
        std::optional<QString> version;
        std::optional<QString> build;
        QString line;
    };
    const Case cases[] = {
        {"2.3", "41", "Version 2.3 (41)"},
        {std::nullopt, std::nullopt, "Version 1.0.0 (1)"},
        {"", " ", "Version 1.0.0 (1)"},
        {"0.1.0", std::nullopt, "Version 0.1.0 (1)"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(AboutSettingsPage::versionLine(c.version, c.build), c.line);
    }
}

class SettingsViewTest : public SettingsTest {};

TEST_F(SettingsViewTest, OpensOnGeneralWithTheFiveTabsInOrderAtItsFixedSize)
{
    presenter->setMainScreenHeight([] { return std::optional<double>(800); });
    startSettings();
    SettingsView *settings = open();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->objectName(), "settings-window");
    EXPECT_EQ(settings->size(), QSize(640, 700));
    EXPECT_EQ(settings->window()->size(), QSize(640, 700));
    SettingsTabBar *tabs = child<SettingsTabBar>(settings, "settings-tabs");
    QStringList titles;
    QStringList symbols;
    for (int i = 0; i < tabs->count(); ++i) {
        titles << tabs->tabText(i);
        symbols << tabs->symbol(i);
    }
    EXPECT_EQ(titles, (QStringList{"General", "Shortcuts", "Applications", "Storage", "About"}));
    EXPECT_EQ(symbols,
              (QStringList{"gearshape", "keyboard", "app.badge", "externaldrive", "info.circle"}));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(child<QStackedWidget>(settings, "settings-pages")->currentWidget()->objectName(),
              "settings-general");
    tabs->setCurrentIndex(3);
    EXPECT_EQ(child<QStackedWidget>(settings, "settings-pages")->currentWidget()->objectName(),
              "settings-storage");

    // Asked for again, the open window comes forward as it is.
    presenter->showSettings();
    settle();
    EXPECT_EQ(view(), settings);
    EXPECT_EQ(child<SettingsTabBar>(view(), "settings-tabs")->currentIndex(), 3);
    // A window made anew starts on General.
    close();
    EXPECT_EQ(child<SettingsTabBar>(open(), "settings-tabs")->currentIndex(), 0);
}

TEST_F(SettingsViewTest, EscapeClosesTheWindowAsItClosesEveryOther)
{
    startSettings();
    SettingsView *settings = open(SettingsView::storage);
    ASSERT_NE(settings, nullptr);
    QWidget *window = settings->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(settings, Qt::Key_Escape);
    settle();
    EXPECT_EQ(view(), nullptr);
}

TEST_F(SettingsViewTest, TabFollowsTheReadingOrderOnEveryPageWithNoInvisibleStops)
{
    addApplication("org.example.Editor", "Editor", {{100, 100, 600, 400}});
    startSettings();
    saveCurrentWindows("Desk");
    for (const SettingsView::Page page :
         {SettingsView::general, SettingsView::shortcuts, SettingsView::applications,
          SettingsView::storage, SettingsView::about}) {
        SCOPED_TRACE(int(page));
        SettingsView *settings = open(page);
        ASSERT_NE(settings, nullptr);
        const QList<QWidget *> stops = tabWalk(settings->window());
        ASSERT_FALSE(stops.isEmpty());
        EXPECT_TRUE(stops.contains(child<SettingsTabBar>(settings, "settings-tabs")))
            << "the tabs are reached";
        for (QWidget *stop : stops) {
            EXPECT_TRUE(showsFocus(stop)) << stopName(stop).toStdString();
            EXPECT_TRUE(stop == child<SettingsTabBar>(settings, "settings-tabs")
                        || child<QStackedWidget>(settings, "settings-pages")
                               ->currentWidget()
                               ->isAncestorOf(stop))
                << stopName(stop).toStdString() << " is on another page";
        }
        // From the tabs on, down the page.
        QList<QWidget *> fromTabs = stops;
        std::rotate(fromTabs.begin(),
                    fromTabs.begin()
                        + fromTabs.indexOf(child<SettingsTabBar>(settings, "settings-tabs")),
                    fromTabs.end());
        EXPECT_EQ(readingOrderFaults(fromTabs), QList<QString>{});
        close();
    }
}

TEST_F(SettingsViewTest, AboutTellsWhatTheProgramIs)
{
    startSettings();
    open(SettingsView::about);
    EXPECT_EQ(part<QLabel>("about-name")->text(), "Ostrel");
    EXPECT_EQ(part<QLabel>("about-version")->text(), AboutSettingsPage::currentVersionLine());
    EXPECT_TRUE(part<QLabel>("about-version")->text().startsWith("Version 0.1.0 ("));
    EXPECT_EQ(part<QLabel>("about-description")->text(),
              "Save the arrangement of open windows and bring it back when you need it.");
    EXPECT_EQ(part<QLabel>("about-requirements")->text(),
              "X11 desktop with an EWMH window manager · " + QSysInfo::buildCpuArchitecture());
    EXPECT_EQ(part<QLabel>("about-footer")->text(),
              "Everything stays on this computer. No account, tracking, or cloud sync.");
    // The description wraps within 360, whole and centred.
    QLabel *description = part<QLabel>("about-description");
    EXPECT_LE(description->width(), 360);
    EXPECT_GE(description->height(), description->heightForWidth(description->width()));
    EXPECT_GT(description->height(), description->fontMetrics().height());
    EXPECT_NEAR(description->geometry().center().x(),
                child<AboutSettingsPage>(view(), "settings-about")->width() / 2, 1);
    // The footer sits on the page's bottom edge, 28 in.
    QWidget *page = child<AboutSettingsPage>(view(), "settings-about");
    const QRect footer = part("about-footer")->geometry();
    EXPECT_EQ(page->height() - footer.bottom() - 1, 28);
}

// Every page in both appearances, and the longer pages scrolled to their end.
TEST_F(SettingsViewTest, Screenshots)
{
    installed.install("org.example.Markup", "<b>Bold</b> & Co", "/apps/markup.desktop");
    startSettings();
    addApplication("org.example.Editor", "Editor", {{100, 100, 600, 400}});
    const Layout desk = saveCurrentWindows("Desk");
    saveCurrentWindows("Evening — reading, mail and the long list of everything else");
    ASSERT_EQ(await(model->setLayoutShortcut(Shortcut{12, Shortcut::command | Shortcut::option},
                                             desk.id)),
              std::nullopt);
    ASSERT_EQ(await(model->associateAutomation(desk.id)), std::nullopt);
    AppModelTestSeam(model).setShortcutsError(
        QStringLiteral("Ctrl+Alt+A is in use or reserved. Choose another shortcut."));
    state->addApplications({"/apps/org.example.Editor.desktop", "/apps/markup.desktop"});
    ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
    open();

    const auto scrollToEnd = [&] {
        for (QScrollArea *area : child<QStackedWidget>(view(), "settings-pages")
                                     ->currentWidget()
                                     ->findChildren<QScrollArea *>()) {
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
        }
        settle();
    };
    renderToPng(view(), "settings-general");
    scrollToEnd();
    renderToPng(view(), "settings-general-end");

    view()->showPage(SettingsView::shortcuts);
    settle();
    renderToPng(view(), "settings-shortcuts");
    scrollToEnd();
    renderToPng(view(), "settings-shortcuts-end");

    view()->showPage(SettingsView::applications);
    settle();
    scrollToEnd();
    renderToPng(view(), "settings-applications");
    state->addApplications({"/somewhere/stray.desktop"});
    ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
    settle();
    scrollToEnd();
    renderToPng(view(), "settings-applications-error");
    child<ApplicationsSettingsPage>(view(), "settings-applications")->showPicker();
    settle();
    ASSERT_NE(child<ApplicationsSettingsPage>(view(), "settings-applications")->picker(), nullptr);
    renderToPng(child<ApplicationsSettingsPage>(view(), "settings-applications")->picker(),
                "settings-application-picker");
    child<ApplicationsSettingsPage>(view(), "settings-applications")->picker()->reject();
    settle();

    view()->showPage(SettingsView::storage);
    settle();
    renderToPng(view(), "settings-storage");
    QFile::remove(paths.backup);
    QDir().mkpath(paths.backup + "/blocked");
    child<PanelButton>(child<StorageSettingsPage>(view(), "settings-storage"), "back-up-now")
        ->click();
    ASSERT_TRUE(waitUntil([&] { return !state->isBackingUp(); }));
    settle();
    scrollToEnd();
    renderToPng(view(), "settings-storage-end");

    view()->showPage(SettingsView::about);
    settle();
    renderToPng(view(), "settings-about");
}

} // namespace
} // namespace ostrel::test
