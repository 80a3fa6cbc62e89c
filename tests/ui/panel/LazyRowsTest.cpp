#include "UiTest.h"

#include "ui/panel/LazyRows.h"
#include "ui/panel/ReadingOrder.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace ostrel {
namespace {

constexpr int viewHeight = 200;

// A row of `height` with two buttons side by side, named after its index.
QWidget *buttonRow(int index, int height)
{
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("row-%1").arg(index));
    row->setFixedHeight(height);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    for (const char *part : {"select", "menu"}) {
        auto *button = new QPushButton(QStringLiteral("%1 %2").arg(QLatin1String(part)).arg(index));
        button->setObjectName(QStringLiteral("%1-%2").arg(QLatin1String(part)).arg(index));
        button->setFocusPolicy(Qt::TabFocus);
        button->setFixedHeight(height);
        line->addWidget(button);
    }
    return row;
}

// A window whose Tab follows the reading order, as the program's windows do.
class ReadingWindow final : public QWidget {
protected:
    bool focusNextPrevChild(bool next) override
    {
        return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
    }
};

struct Window {
    ReadingWindow window;
    QPushButton *above;
    QScrollArea *scroll;
    LazyRows *rows;
    QPushButton *below;
    int made = 0;
    std::set<int> kept;

    // `count` rows, 20 high and every tenth 30, in a view 200 high between two buttons.
    explicit Window(int count)
    {
        auto *column = new QVBoxLayout(&window);
        above = new QPushButton(QStringLiteral("above"));
        above->setObjectName(QStringLiteral("above"));
        above->setFocusPolicy(Qt::TabFocus);
        column->addWidget(above);
        LazyRows::Source source;
        source.make = [this](int index) {
            ++made;
            return buttonRow(index, heightOf(index));
        };
        source.kind = [](int index) { return index % 10 == 9 ? 1 : 0; };
        source.keep = [this](QWidget *row) {
            return kept.contains(row->objectName().mid(4).toInt());
        };
        rows = new LazyRows(std::move(source), count);
        scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFixedHeight(viewHeight);
        scroll->setWidget(rows);
        column->addWidget(scroll);
        below = new QPushButton(QStringLiteral("below"));
        below->setObjectName(QStringLiteral("below"));
        below->setFocusPolicy(Qt::TabFocus);
        column->addWidget(below);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.resize(300, 400);
        window.show();
        settle();
    }

    static int heightOf(int index) { return index % 10 == 9 ? 30 : 20; }
    static int topOf(int index) { return index * 20 + index / 10 * 10; }

    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
        }
    }

    std::set<int> existing() const
    {
        std::set<int> indices;
        for (const auto &[index, row] : rows->rows()) {
            indices.insert(index);
        }
        return indices;
    }

    void scrollTo(int y)
    {
        scroll->verticalScrollBar()->setValue(y);
        settle();
    }

    // Whether the row lies wholly inside the view.
    bool inView(int index) const
    {
        const QWidget *row = rows->row(index);
        if (!row) {
            return false;
        }
        const QRect place(row->mapTo(scroll->viewport(), QPoint(0, 0)), row->size());
        return scroll->viewport()->rect().contains(place);
    }

    QString focused() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        settle();
    }
};

class LazyRowsTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }
};

TEST_F(LazyRowsTest, OnlyTheRowsNearTheViewExistInAColumnAsTallAsAllOfThem)
{
    Window shown(1000);
    // 100 rows of each ten: nine of 20 and one of 30.
    EXPECT_EQ(shown.rows->height(), 100 * (9 * 20 + 30));
    EXPECT_EQ(shown.scroll->verticalScrollBar()->maximum(),
              shown.rows->height() - shown.scroll->viewport()->height());
    const std::set<int> rows = shown.existing();
    // The view and as much again below it, and the last row.
    EXPECT_TRUE(rows.contains(0));
    EXPECT_TRUE(rows.contains(999));
    EXPECT_GE(rows.size(), 20u);
    EXPECT_LE(rows.size(), 40u);
    EXPECT_LT(shown.made, 45);
    for (int index : rows) {
        SCOPED_TRACE(index);
        EXPECT_EQ(shown.rows->row(index)->geometry(),
                  QRect(0, Window::topOf(index), shown.rows->width(), Window::heightOf(index)));
    }
    // Children in the order of their rows.
    QList<int> order;
    for (QObject *child : shown.rows->children()) {
        order.append(child->objectName().mid(4).toInt());
    }
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST_F(LazyRowsTest, ScrollingMakesTheRowsComingIntoViewAndDropsThoseLeftFarBehind)
{
    Window shown(1000);
    shown.scrollTo(Window::topOf(500));
    std::set<int> rows = shown.existing();
    for (int index = 500; index < 510; ++index) {
        EXPECT_TRUE(rows.contains(index)) << index;
    }
    EXPECT_TRUE(rows.contains(0));
    EXPECT_TRUE(rows.contains(999));
    EXPECT_FALSE(rows.contains(5));
    EXPECT_FALSE(rows.contains(600));
    EXPECT_LE(rows.size(), 40u);
    EXPECT_TRUE(shown.inView(500));

    shown.scrollTo(shown.scroll->verticalScrollBar()->maximum());
    rows = shown.existing();
    EXPECT_TRUE(rows.contains(998));
    EXPECT_TRUE(shown.inView(999));
    EXPECT_FALSE(rows.contains(500));
    EXPECT_LE(rows.size(), 40u);
}

TEST_F(LazyRowsTest, RowsWithTheFocusOrKeptByTheSourceStayOutOfView)
{
    Window shown(1000);
    shown.window.activateWindow();
    QApplication::setActiveWindow(&shown.window);
    QWidget *focused = shown.window.findChild<QWidget *>(QStringLiteral("menu-3"));
    focused->setFocus(Qt::TabFocusReason);
    shown.kept = {7};
    QWidget *keptRow = shown.rows->row(7);
    shown.scrollTo(Window::topOf(500));
    EXPECT_EQ(shown.rows->row(3), focused->parentWidget());
    EXPECT_EQ(shown.rows->row(7), keptRow);
    EXPECT_FALSE(shown.existing().contains(8));

    shown.kept.clear();
    shown.above->setFocus(Qt::TabFocusReason);
    shown.scrollTo(Window::topOf(600));
    EXPECT_FALSE(shown.existing().contains(3));
    EXPECT_FALSE(shown.existing().contains(7));
}

TEST_F(LazyRowsTest, TabGoesThroughEveryRowInOrderMakingEachAndScrollingToIt)
{
    Window shown(1000);
    shown.window.activateWindow();
    QApplication::setActiveWindow(&shown.window);
    shown.above->setFocus(Qt::TabFocusReason);
    QStringList walked;
    for (int press = 0; press < 2 * 40; ++press) {
        shown.press(Qt::Key_Tab);
        walked.append(shown.focused());
        const int index = shown.focused().section('-', 1).toInt();
        ASSERT_TRUE(shown.inView(index)) << walked.join(", ").toStdString();
    }
    QStringList expected;
    for (int index = 0; index < 40; ++index) {
        expected << QStringLiteral("select-%1").arg(index) << QStringLiteral("menu-%1").arg(index);
    }
    EXPECT_EQ(walked, expected);

    // Back the same way, and out above the column.
    shown.press(Qt::Key_Backtab);
    EXPECT_EQ(shown.focused(), "select-39");
    shown.rows->showRow(1)->findChild<QWidget *>(QStringLiteral("select-1"))->setFocus();
    shown.press(Qt::Key_Backtab);
    EXPECT_EQ(shown.focused(), "menu-0");
    shown.press(Qt::Key_Backtab);
    EXPECT_EQ(shown.focused(), "select-0");
    shown.press(Qt::Key_Backtab);
    EXPECT_EQ(shown.focused(), "above");

    // From below the column, Shift+Tab lands on the last row however far the view is from it.
    shown.scrollTo(0);
    shown.below->setFocus(Qt::TabFocusReason);
    shown.press(Qt::Key_Backtab);
    EXPECT_EQ(shown.focused(), "menu-999");
    EXPECT_TRUE(shown.inView(999));
    shown.press(Qt::Key_Backtab);
    EXPECT_EQ(shown.focused(), "select-999");
    shown.press(Qt::Key_Backtab);
    EXPECT_EQ(shown.focused(), "menu-998");
    shown.press(Qt::Key_Tab);
    shown.press(Qt::Key_Tab);
    shown.press(Qt::Key_Tab);
    EXPECT_EQ(shown.focused(), "below");
}

TEST_F(LazyRowsTest, OutOfAScrollAreaEveryRowExistsWithItsSpacing)
{
    test::ensureUiApplication();
    QWidget window;
    auto *column = new QVBoxLayout(&window);
    LazyRows::Source source;
    source.make = [](int index) { return buttonRow(index, 20); };
    auto *rows = new LazyRows(std::move(source), 6, 5);
    column->addWidget(rows);
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    Window::settle();
    ASSERT_EQ(rows->rows().size(), 6u);
    EXPECT_EQ(rows->height(), 6 * 20 + 5 * 5);
    for (int index = 0; index < 6; ++index) {
        EXPECT_EQ(rows->row(index)->y(), index * 25);
    }
}

} // namespace
} // namespace ostrel
