#include "UiTest.h"
#include "Child.h"

#include "Screenshots.h"

#include "model/RawValue.h"
#include "ui/panel/HighlightColorPicker.h"

#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

QAbstractButton *tileOf(const HighlightColorPicker &picker, HighlightColor color)
{
    const QByteArray name = ("highlight-color-" + rawValue(color)).toLatin1();
    return child<QAbstractButton>(&picker, name.constData());
}

class HighlightColorPickerTest : public ::testing::Test {
protected:
    void SetUp() override { ensureUiApplication(); }
};

TEST_F(HighlightColorPickerTest, TenSwatchesInTwoRowsOfFive)
{
    HighlightColorPicker picker(HighlightColor::graphite);
    picker.show();
    EXPECT_EQ(picker.size(), QSize(176, 68));
    struct Case {
        HighlightColor color;
        QPoint origin;
        QString name;
    };
    // clang-format off
    const Case cases[] = {
        {HighlightColor::blue, {0, 0}, "Blue"},       {HighlightColor::red, {144, 0}, "Red"},
        {HighlightColor::orange, {0, 36}, "Orange"},  {HighlightColor::teal, {108, 36}, "Teal"},
        {HighlightColor::graphite, {144, 36}, "Graphite"},
    };
    // clang-format on
    for (const Case &c : cases) {
        QAbstractButton *tile = tileOf(picker, c.color);
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->geometry(), QRect(c.origin, QSize(32, 32))) << c.name.toStdString();
        EXPECT_EQ(tile->accessibleName(), c.name);
        EXPECT_EQ(tile->toolTip(), c.name);
        EXPECT_EQ(tile->isChecked(), c.color == HighlightColor::graphite) << c.name.toStdString();
    }
    EXPECT_EQ(picker.accessibleName(), "Highlight color");
    QAccessibleInterface *group = QAccessible::queryAccessibleInterface(&picker);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->role(), QAccessible::Grouping);
    EXPECT_EQ(group->childCount(), 10);
    QAccessibleInterface *selected =
        QAccessible::queryAccessibleInterface(tileOf(picker, HighlightColor::graphite));
    EXPECT_TRUE(selected->state().checked);
}

// The picker shows what its host passes back, never a colour of its own.
TEST_F(HighlightColorPickerTest, AClickReportsTheColourAndTheHostDecides)
{
    HighlightColorPicker picker(HighlightColor::blue);
    picker.show();
    QList<HighlightColor> picked;
    QObject::connect(&picker, &HighlightColorPicker::picked,
                     [&](HighlightColor color) { picked.append(color); });
    QTest::mouseClick(tileOf(picker, HighlightColor::teal), Qt::LeftButton);
    ASSERT_EQ(picked, QList<HighlightColor>{HighlightColor::teal});
    EXPECT_TRUE(tileOf(picker, HighlightColor::blue)->isChecked());
    EXPECT_FALSE(tileOf(picker, HighlightColor::teal)->isChecked());
    picker.setSelection(HighlightColor::teal);
    EXPECT_FALSE(tileOf(picker, HighlightColor::blue)->isChecked());
    EXPECT_TRUE(tileOf(picker, HighlightColor::teal)->isChecked());
    // The chosen one again is reported again, and stays chosen.
    QTest::mouseClick(tileOf(picker, HighlightColor::teal), Qt::LeftButton);
    EXPECT_EQ(picked.size(), 2);
    EXPECT_TRUE(tileOf(picker, HighlightColor::teal)->isChecked());

    picker.setEnabled(false);
    QTest::mouseClick(tileOf(picker, HighlightColor::red), Qt::LeftButton);
    EXPECT_EQ(picked.size(), 2);
    EXPECT_TRUE(tileOf(picker, HighlightColor::teal)->isChecked());
    renderToPng(&picker, "highlight-color-picker-disabled");
    picker.setEnabled(true);
    renderToPng(&picker, "highlight-color-picker");
}

// A screen reader hears which colour is the current one as a state, not only as a check mark,
// and can still press any of them.
TEST_F(HighlightColorPickerTest, TheCurrentColourCarriesTheSelectedState)
{
    HighlightColorPicker picker(HighlightColor::blue);
    picker.show();
    QList<HighlightColor> picked;
    QObject::connect(&picker, &HighlightColorPicker::picked,
                     [&](HighlightColor color) { picked.append(color); });
    const auto state = [&](HighlightColor color) {
        return QAccessible::queryAccessibleInterface(tileOf(picker, color))->state();
    };
    for (const HighlightColor selection : {HighlightColor::blue, HighlightColor::teal}) {
        picker.setSelection(selection);
        for (const HighlightColor color : {HighlightColor::blue, HighlightColor::red,
                                           HighlightColor::teal, HighlightColor::graphite}) {
            EXPECT_TRUE(state(color).selectable) << rawValue(color).toStdString();
            EXPECT_EQ(state(color).selected, color == selection) << rawValue(color).toStdString();
        }
    }
    QAccessibleInterface *red =
        QAccessible::queryAccessibleInterface(tileOf(picker, HighlightColor::red));
    ASSERT_NE(red->actionInterface(), nullptr);
    EXPECT_EQ(red->role(), QAccessible::Button);
    EXPECT_EQ(red->text(QAccessible::Name), "Red");
    ASSERT_TRUE(
        red->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    red->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(picked, QList<HighlightColor>{HighlightColor::red});
}

} // namespace
} // namespace ostrel::test
