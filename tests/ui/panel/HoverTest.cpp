#include "UiTest.h"
#include "Child.h"

#include "platform/AppearancePalettes.h"
#include "ui/panel/HoverHighlight.h"
#include "ui/panel/HoverRowButton.h"
#include "ui/panel/PanelActionRow.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class HoverTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }

    static QImage paint(QWidget &widget, const QPalette &palette)
    {
        widget.setPalette(palette);
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(palette.color(QPalette::Window));
        widget.render(&image, {}, {}, QWidget::DrawChildren);
        return image;
    }

    static void enter(QWidget *widget)
    {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(widget, &event);
    }
    static void leave(QWidget *widget)
    {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(widget, &event);
    }
};

TEST_F(HoverTest, TheRowHighlightLiesInsideTheRowByItsInsets)
{
    struct Case {
        HoverRowButtonStyle style;
        QRectF expected;
    };
    const QRectF row(0, 0, 300, 32);
    for (const Case &c :
         {Case{{12, 0, 0}, QRectF(0, 0, 300, 32)}, Case{{12, 4, 1}, QRectF(4, 1, 292, 30)}}) {
        EXPECT_EQ(c.style.highlightRect(row), c.expected);
    }

    struct Opacity {
        bool pressed;
        bool hovering;
        qreal opacity;
    };
    for (const Opacity o : {Opacity{true, true, 0.16}, Opacity{true, false, 0.16},
                            Opacity{false, true, 0.09}, Opacity{false, false, 0}}) {
        EXPECT_EQ(HoverRowButtonStyle::opacity(o.pressed, o.hovering), o.opacity);
    }
}

TEST_F(HoverTest, ARowShowsItsHighlightWhileHoveredAndPressedWins)
{
    HoverRowButton button(HoverRowButtonStyle{12, 4, 1});
    button.resize(200, 32);
    const QPalette light = AppearancePalettes::light();
    const QColor page = light.color(QPalette::Window);

    EXPECT_EQ(paint(button, light).pixelColor(100, 16), page);
    enter(&button);
    EXPECT_TRUE(button.isHovering());
    EXPECT_EQ(button.highlightOpacity(), 0.09);
    QImage hovered = paint(button, light);
    // Inside the insets the veil darkens the page; in the inset strip nothing is drawn.
    EXPECT_LT(hovered.pixelColor(100, 16).lightness(), page.lightness());
    EXPECT_EQ(hovered.pixelColor(1, 16), page);
    EXPECT_EQ(hovered.pixelColor(100, 0), page);
    const int hoverDarkening = page.lightness() - hovered.pixelColor(100, 16).lightness();

    button.setDown(true);
    EXPECT_EQ(button.highlightOpacity(), 0.16);
    const int pressDarkening =
        page.lightness() - paint(button, light).pixelColor(100, 16).lightness();
    EXPECT_GT(pressDarkening, hoverDarkening);
    leave(&button);
    EXPECT_EQ(button.highlightOpacity(), 0.16);
    button.setDown(false);
    EXPECT_EQ(button.highlightOpacity(), 0);

    // In the dark appearance the veil is light.
    enter(&button);
    const QPalette dark = AppearancePalettes::dark();
    EXPECT_GT(paint(button, dark).pixelColor(100, 16).lightness(),
              dark.color(QPalette::Window).lightness());
}

TEST_F(HoverTest, HoverHighlightShowsOnlyWhileHoveredAndEnabled)
{
    QPushButton control("×");
    control.setFlat(true);
    control.resize(22, 22);
    HoverHighlight *highlight = ostrelHover(&control, 5);
    EXPECT_EQ(ostrelHover(&control, 5), highlight);
    EXPECT_EQ(HoverHighlight::of(&control), highlight);
    const QPalette light = AppearancePalettes::light();

    EXPECT_FALSE(highlight->isShowing());
    enter(&control);
    EXPECT_TRUE(highlight->isShowing());
    // The rounded background covers the control's own bounds, corners excluded.
    const QImage shown = paint(control, light);
    EXPECT_NE(shown.pixelColor(11, 3), light.color(QPalette::Window));
    EXPECT_EQ(shown.pixelColor(0, 0), light.color(QPalette::Window));

    control.setEnabled(false);
    EXPECT_FALSE(highlight->isShowing());
    EXPECT_EQ(paint(control, light).pixelColor(11, 3), light.color(QPalette::Window));
    control.setEnabled(true);
    leave(&control);
    EXPECT_FALSE(highlight->isShowing());
}

TEST_F(HoverTest, AnActionRowBrightensItsSymbolAndHintAndAnswersItsShortcut)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    int quits = 0;
    int settings = 0;
    auto *quit = new PanelActionRow("Quit Ostrel", QString("power"), QString("Ctrl+Q"), Qt::Key_Q,
                                    [&] { ++quits; });
    auto *plain = new PanelActionRow("R&D <b>", std::nullopt, std::nullopt, std::nullopt,
                                     [&] { ++settings; });
    layout->addWidget(quit);
    layout->addWidget(plain);
    window.resize(320, 80);
    window.setPalette(AppearancePalettes::light());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // Wherever the pointer was when the window appeared, it is away from the rows now.
    leave(quit);
    leave(plain);

    EXPECT_GE(quit->height(), 32);
    EXPECT_EQ(test::child<SymbolView>(quit, "action-row-symbol")->width(), 18);
    EXPECT_EQ(test::child<SymbolView>(quit, "action-row-symbol")->colour(),
              ThemeColor::secondary());
    const QColor tertiary =
        test::child<QLabel>(quit, "action-row-detail")->palette().color(QPalette::WindowText);
    enter(quit);
    EXPECT_EQ(test::child<SymbolView>(quit, "action-row-symbol")->colour(), ThemeColor::primary());
    EXPECT_GT(test::child<QLabel>(quit, "action-row-detail")
                  ->palette()
                  .color(QPalette::WindowText)
                  .alphaF(),
              tertiary.alphaF());
    leave(quit);
    EXPECT_EQ(test::child<SymbolView>(quit, "action-row-symbol")->colour(),
              ThemeColor::secondary());
    EXPECT_EQ(test::child<QLabel>(quit, "action-row-detail")->palette().color(QPalette::WindowText),
              tertiary);

    // Without a symbol the title starts at the 12-point inset; the text is shown literally.
    EXPECT_EQ(plain->findChild<SymbolView *>("action-row-symbol"), nullptr);
    EXPECT_EQ(test::child<QLabel>(plain, "action-row-title")->x(), 12);
    EXPECT_EQ(test::child<QLabel>(plain, "action-row-title")->text(), "R&D <b>");
    EXPECT_EQ(test::child<QLabel>(plain, "action-row-title")->textFormat(), Qt::PlainText);
    EXPECT_EQ(plain->shortcut(), QKeySequence());
    EXPECT_EQ(plain->keyEquivalent(), QKeySequence());
    // Ctrl is the command key of Linux programs; Super+Q is left to the desktop.
    EXPECT_EQ(quit->keyEquivalent(), QKeySequence(Qt::ControlModifier | Qt::Key_Q));

    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    QTest::keyClick(&window, Qt::Key_Q, Qt::MetaModifier);
    EXPECT_EQ(quits, 1);
    QTest::mouseClick(plain, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(settings, 1);
    QTest::mouseClick(test::child<QLabel>(quit, "action-row-title"), Qt::LeftButton);
    EXPECT_EQ(quits, 2);
}

} // namespace
} // namespace ostrel
