// The panel with a library of thousands of layouts: rows exist only where the list shows them,
// and each row made as it scrolls in is the row the layout always had.

#include "PanelFixture.h"
#include "AppModelTestSeam.h"
#include "Child.h"

#include "ui/panel/LayoutHover.h"
#include "ui/panel/LayoutRow.h"
#include "ui/panel/LayoutsListSection.h"
#include "ui/panel/LazyRows.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ShortcutBadge.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace ostrel;
using namespace ostrel::test;

namespace {

constexpr int libraryCount = 2000;

struct LargeLibraryTest : PanelTest {
    QList<Layout> library;

    // As many layouts as the library holds, each a copy of one saved layout under its own
    // identifier and name; every hundredth has a shortcut of its own.
    void openWithLibrary()
    {
        openPanel();
        const Layout saved = saveLayout(QStringLiteral("Saved"));
        for (int i = 0; i < libraryCount; ++i) {
            Layout layout = saved;
            layout.id = QUuid::createUuid();
            layout.name = QStringLiteral("Layout %1").arg(i);
            if (i % 100 == 50) {
                layout.shortcut = Shortcut{12, 0x100 | 0x800};
            }
            library.append(layout);
        }
        AppModelTestSeam(model).setLayouts(library);
        model->selectLayout(library[1500].id);
        refresh();
        showPanel();
    }

    LazyRows *rows() const { return child<LazyRows>(panel.get(), "layout-rows"); }
    QScrollArea *list() const { return child<QScrollArea>(panel.get(), "layout-list"); }
    LayoutRow *row(int index) const { return static_cast<LayoutRow *>(rows()->row(index)); }
    int rowsAlive() const { return int(panel->findChildren<LayoutRow *>().size()); }

    void scrollTo(int index)
    {
        list()->verticalScrollBar()->setValue(rows()->showRow(index)->y());
        refresh();
    }

    static QAbstractButton *selectButton(const LayoutRow *row)
    {
        const QByteArray name =
            "layout-row-" + row->layout().id.toString(QUuid::WithoutBraces).toUpper().toLatin1();
        return child<QAbstractButton>(row, name.constData());
    }

    QString focusName() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }

    void press(Qt::Key key)
    {
        QTest::keyClick(QApplication::focusWidget(), key);
        refresh();
    }
};

} // namespace

TEST_F(LargeLibraryTest, OnlyTheRowsInViewExistAndEachIsItsLayoutsRow)
{
    openWithLibrary();
    EXPECT_EQ(child<PlainLabel>(panel.get(), "layout-count")->text(), "2000");
    EXPECT_EQ(list()->height(), 228);
    EXPECT_LT(rowsAlive(), 30);
    ASSERT_NE(row(0), nullptr);
    EXPECT_EQ(row(0)->layout(), library[0]);
    EXPECT_EQ(row(libraryCount - 1)->layout(), library[libraryCount - 1]);
    // The list scrolls over every row: its content is as tall as all of them.
    EXPECT_GE(rows()->height(), libraryCount * row(0)->height());
    EXPECT_EQ(rows()->height(), row(libraryCount - 1)->geometry().bottom() + 1);

    // Rows made as they come into view show their layout, its shortcut and the selection.
    for (int index : {1500, 1550, 1999}) {
        SCOPED_TRACE(index);
        scrollTo(index);
        EXPECT_LT(rowsAlive(), 30);
        LayoutRow *shown = row(index);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->layout(), library[index]);
        EXPECT_EQ(child<LineLimitedLabel>(shown, "layout-row-name")->text(), library[index].name);
        EXPECT_EQ(shown->findChild<ShortcutBadge *>() != nullptr, index == 1550);
        EXPECT_EQ(shown->isSelected(), index == 1500);
        EXPECT_EQ(selectButton(shown)->accessibleName(),
                  library[index].name
                      + (index == 1500 ? ", 2 windows, selected" : ", 2 windows, not selected"));
    }
    EXPECT_EQ(row(5), nullptr);

    // A click on a row made late selects its layout, and the rows follow.
    scrollTo(700);
    selectButton(row(700))->click();
    refresh();
    EXPECT_EQ(model->settings().selectedLayoutID, library[700].id);
    EXPECT_TRUE(row(700)->isSelected());
    scrollTo(1500);
    EXPECT_FALSE(row(1500)->isSelected());
}

TEST_F(LargeLibraryTest, ARowWithItsMenuOpenOrThePointerOnItStaysOrLetsGo)
{
    openWithLibrary();
    LayoutHover *hover = child<LayoutHover>(panel.get(), "layout-hover");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(selectButton(row(2)), &enter);
    EXPECT_EQ(hover->hoveredLayoutID(), library[2].id);

    LayoutRow *withMenu = row(3);
    withMenu->openMenu();
    refresh();
    ASSERT_TRUE(withMenu->isMenuOpen());
    scrollTo(1000);
    // The row under the pointer went with the rest; the one with its menu open is still there.
    EXPECT_EQ(row(2), nullptr);
    EXPECT_EQ(hover->hoveredLayoutID(), std::nullopt);
    EXPECT_EQ(row(3), withMenu);
    EXPECT_TRUE(withMenu->isMenuOpen());

    withMenu->findChild<QMenu *>("layout-row-menu")->close();
    refresh();
    scrollTo(1100);
    EXPECT_EQ(row(3), nullptr);
}

TEST_F(LargeLibraryTest, TabVisitsEveryLayoutInOrderWhereverTheListIs)
{
    openWithLibrary();
    panel->activateWindow();
    QApplication::setActiveWindow(panel.get());
    refresh();
    scrollTo(1000);

    // Into the list from the save button: the first layout, brought into view.
    child<QWidget>(panel.get(), "save-layout-button")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    EXPECT_EQ(focusName(), selectButton(row(0))->objectName());
    EXPECT_EQ(list()->verticalScrollBar()->value(), 0);
    // Row after row, each with its menu, beyond the rows made at first.
    for (int index = 0; index < 15; ++index) {
        SCOPED_TRACE(index);
        ASSERT_NE(row(index), nullptr);
        EXPECT_EQ(focusName(), selectButton(row(index))->objectName());
        press(Qt::Key_Tab);
        EXPECT_EQ(focusName(), "layout-row-actions");
        EXPECT_TRUE(row(index)->isAncestorOf(QApplication::focusWidget()));
        press(Qt::Key_Tab);
    }

    // Back into the list from the footer: the last layout's menu.
    child<QWidget>(panel.get(), "settings-button")->setFocus(Qt::BacktabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    refresh();
    EXPECT_EQ(focusName(), "layout-row-actions");
    EXPECT_TRUE(row(libraryCount - 1)->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(list()->verticalScrollBar()->value(), list()->verticalScrollBar()->maximum());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    refresh();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    refresh();
    EXPECT_EQ(focusName(), "layout-row-actions");
    EXPECT_TRUE(row(libraryCount - 2)->isAncestorOf(QApplication::focusWidget()));
}
