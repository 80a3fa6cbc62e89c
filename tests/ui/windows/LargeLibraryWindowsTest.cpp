// The layout chooser and the settings' list of layout shortcuts with a library of thousands of
// layouts: only the rows in view exist, and a row made as it scrolls in is its layout's row.

#include "AppModelTestSeam.h"
#include "SettingsFixture.h"

#include "ui/panel/HoverRowButton.h"
#include "ui/panel/LazyRows.h"
#include "ui/panel/ShortcutRecorder.h"
#include "ui/windows/DecisionWindows.h"
#include "ui/windows/LayoutChooserView.h"
#include "ui/windows/ShortcutsSettingsPage.h"

#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

constexpr int libraryCount = 2000;

struct LargeLibraryWindowsTest : SettingsTest {
    QList<Layout> library;

    void SetUp() override
    {
        SettingsTest::SetUp();
        addApplication("org.example.Editor", "Editor", {{100, 100, 600, 400}});
    }

    void makeLibrary()
    {
        const Layout saved = saveCurrentWindows(QStringLiteral("Saved"));
        for (int i = 0; i < libraryCount; ++i) {
            Layout layout = saved;
            layout.id = QUuid::createUuid();
            layout.name = QStringLiteral("Layout %1").arg(i);
            library.append(layout);
        }
        AppModelTestSeam(model).setLayouts(library);
        settle();
    }

    static void scrollToEnd(QScrollArea *area)
    {
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }
};

} // namespace

TEST_F(LargeLibraryWindowsTest, TheChooserMakesTheRowsInViewAndEachRestoresItsLayout)
{
    startSettings();
    registerDecisionWindows(*presenter, viewEnvironment());
    makeLibrary();
    presenter->showChooser();
    settle();
    QWidget *window = presenter->window(QString(WindowID::chooser));
    ASSERT_NE(window, nullptr);
    const auto rows = [&] { return window->findChildren<HoverRowButton *>("chooser-row"); };
    EXPECT_LT(rows().size(), 40);
    // The first row stands alone; the others below a hairline.
    LazyRows *column = window->findChild<LazyRows *>("chooser-rows");
    ASSERT_NE(column, nullptr);
    EXPECT_LT(column->row(0)->height(), column->row(1)->height());

    scrollToEnd(window->findChild<QScrollArea *>("chooser-list"));
    EXPECT_LT(rows().size(), 40);
    HoverRowButton *last = nullptr;
    for (HoverRowButton *row : rows()) {
        if (row->accessibleName() == "Restore Layout 1999") {
            last = row;
        }
    }
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->isEnabled());
    last->click();
    EXPECT_EQ(model->settings().selectedLayoutID, library[libraryCount - 1].id);
    EXPECT_FALSE(isOpen(WindowID::chooser));
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    EXPECT_EQ(model->restoreStatus().lastResult->layoutID, library[libraryCount - 1].id);
}

TEST_F(LargeLibraryWindowsTest, TheShortcutsPageMakesTheRecordersInView)
{
    startSettings();
    makeLibrary();
    open(SettingsView::shortcuts);
    QWidget *section = part(QStringLiteral("layout-shortcuts"));
    const auto recorders = [&] {
        return section->findChildren<ShortcutRecorder *>("layout-shortcut-recorder");
    };
    EXPECT_LT(recorders().size(), 60);
    ASSERT_FALSE(recorders().isEmpty());
    EXPECT_EQ(recorders().first()->label(), "Layout 0");

    QScrollArea *form = nullptr;
    for (QScrollArea *area : view()->findChildren<QScrollArea *>("form-scroll")) {
        if (area->isVisible()) {
            form = area;
        }
    }
    ASSERT_NE(form, nullptr);
    scrollToEnd(form);
    EXPECT_LT(recorders().size(), 60);
    EXPECT_EQ(recorders().last()->label(), "Layout 1999");
}
