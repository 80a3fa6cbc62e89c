#include "UiTest.h"
#include "Child.h"

#include "platform/AppearancePalettes.h"
#include "ui/panel/ScreenReader.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/RouteFootnote.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/TraySection.h"

#include <QAccessible>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class LayoutControlsTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }
};

TEST_F(LayoutControlsTest, ATraySectionPadsOnlyAboveAndBelowAndSpansTheWidth)
{
    for (const int padding : {0, 4}) {
        SCOPED_TRACE(padding);
        QWidget panel;
        auto *layout = new QVBoxLayout(&panel);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *wide = new QLabel("grows");
        auto *narrow = new QWidget;
        narrow->setFixedSize(40, 10);
        layout->addWidget(new TraySection(padding, wide));
        layout->addWidget(new TraySection(padding, narrow));
        panel.resize(320, 200);
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        EXPECT_EQ(wide->width(), 320);
        EXPECT_EQ(wide->y(), padding);
        EXPECT_EQ(narrow->x(), 0);
        EXPECT_EQ(narrow->y(), padding);
    }
    EXPECT_EQ(trayContentPadding(24), QMargins(12, 24, 12, 24));
}

TEST_F(LayoutControlsTest, OverlayScrollingDrawsNoBackgroundAndKeepsATrailingStrip)
{
    QWidget window;
    window.setPalette(AppearancePalettes::light());
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *area = new QScrollArea;
    area->setWidgetResizable(true);
    auto *content = new QWidget;
    content->setMinimumHeight(1000);
    area->setWidget(content);
    overlayScrolling(area);
    overlayScrolling(area);
    layout->addWidget(area);
    window.resize(200, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_TRUE(hasOverlayScrolling(area));
    EXPECT_EQ(area->frameShape(), QFrame::NoFrame);
    EXPECT_FALSE(area->viewport()->autoFillBackground());
    EXPECT_FALSE(content->autoFillBackground());
    EXPECT_EQ(area->verticalScrollBar()->width(), 10);
    EXPECT_EQ(area->viewport()->width(), 190);

    // The strip shows the window through it, but for the thin knob at its trailing side.
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    window.render(&image);
    const QColor page = AppearancePalettes::light().color(QPalette::Window);
    EXPECT_EQ(image.pixelColor(100, 150), page);
    EXPECT_EQ(image.pixelColor(191, 250), page);
    EXPECT_NE(image.pixelColor(196, 20), page);

    // Nothing to scroll: no knob, the strip stays.
    content->setMinimumHeight(10);
    QApplication::processEvents();
    image.fill(Qt::red);
    window.render(&image);
    EXPECT_EQ(image.pixelColor(196, 20), page);
    EXPECT_EQ(area->viewport()->width(), 190);
}

TEST_F(LayoutControlsTest, TheIntroductionIsOneElementAndItsTitleStopsAtTwoLines)
{
    RouteIntroduction introduction("square.stack.3d.up", "Save This Arrangement",
                                   QString("Name the layout and choose the windows to keep."));
    QAccessibleInterface *card = QAccessible::queryAccessibleInterface(
        test::child<QWidget>(&introduction, "route-introduction"));
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->text(QAccessible::Name),
              "Save This Arrangement, Name the layout and choose the windows to keep.");
    EXPECT_TRUE(ScreenReader::isHidden(
        test::child<SymbolView>(&introduction, "route-introduction-symbol")));
    EXPECT_TRUE(ScreenReader::isHidden(
        test::child<LineLimitedLabel>(&introduction, "route-introduction-title")));

    RouteIntroduction bare("rectangle.3.group", "Restore Layout");
    EXPECT_EQ(bare.detailLabel(), nullptr);

    LineLimitedLabel title(QString("word ").repeated(40).trimmed(), 2);
    EXPECT_EQ(title.linesAt(200).size(), 2);
    EXPECT_TRUE(title.isTruncatedAt(200));
    EXPECT_TRUE(title.linesAt(200).last().endsWith(QChar(0x2026)));
    LineLimitedLabel shortTitle("Short", 2);
    EXPECT_EQ(shortTitle.linesAt(200), QStringList({"Short"}));
    EXPECT_FALSE(shortTitle.isTruncatedAt(200));
}

TEST_F(LayoutControlsTest, TheIntroductionsDetailIsShownWholeAndCentredAtMost460Wide)
{
    for (const QString &detail :
         {QString("Choose a destination."),
          QString("Choose where “Studio with three displays, a projector and the long name it "
                  "was given” should restore.")}) {
        SCOPED_TRACE(detail.toStdString());
        QWidget window;
        window.resize(640, 400);
        auto *column = new QVBoxLayout(&window);
        column->setContentsMargins(0, 0, 0, 0);
        auto *introduction = new RouteIntroduction("display", "Display Not Connected", detail);
        column->addWidget(introduction);
        column->addStretch(1);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QLabel *label = introduction->detailLabel();
        EXPECT_LE(label->width(), 460);
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        // Every word is on a line that fits.
        const QFontMetrics metrics(label->font());
        const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 10000),
                                                  Qt::TextWordWrap | Qt::AlignHCenter, detail);
        EXPECT_LE(needed.height(), label->height());
        const int middle = label
                               ->mapTo(test::child<QWidget>(introduction, "route-introduction"),
                                       label->rect().center())
                               .x();
        EXPECT_NEAR(middle, test::child<QWidget>(introduction, "route-introduction")->width() / 2,
                    1);
    }
}

} // namespace
} // namespace ostrel
