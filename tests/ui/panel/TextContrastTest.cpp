// The contrast the screenshot tests measure: what it reads off a picture must be the contrast of
// the text's colour on its background, so that a pale text fails and a dark one passes.
#include "TextContrast.h"
#include "UiTest.h"

#include "ui/panel/PlainLabel.h"
#include "ui/panel/ThemeColor.h"
#include "ui/panel/UiFont.h"

#include <QImage>
#include <QPainter>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

TEST(TextContrast, TheRatioOfKnownPairs)
{
    EXPECT_NEAR(contrastRatio(qRgb(0, 0, 0), qRgb(255, 255, 255)), 21, 1e-9);
    EXPECT_NEAR(contrastRatio(qRgb(0x77, 0x77, 0x77), qRgb(255, 255, 255)), 4.48, 0.01);
    EXPECT_NEAR(contrastRatio(qRgb(0xfe, 0x97, 0x06), qRgb(0xe1, 0xe1, 0xe1)), 1.67, 0.01);
    EXPECT_EQ(contrastRatio(qRgb(10, 20, 30), qRgb(10, 20, 30)), 1);
}

TEST(TextContrast, ALabelOnAPictureMeasuresAsItsColours)
{
    ensureUiApplication();
    struct Case {
        QColor text;
        QColor background;
        bool passes;
    };
    const Case cases[] = {
        {QColor(0xfe, 0x97, 0x06), QColor(0xe1, 0xe1, 0xe1), false}, // the recorder's old hint
        {QColor(0x9f, 0x47, 0x00), QColor(0xe1, 0xe1, 0xe1), true},
        {QColor(0x1d, 0x1d, 0x1f), QColor(0xec, 0xec, 0xec), true},
        {QColor(0x8a, 0x8a, 0x8e), QColor(0xff, 0xff, 0xff), false},
        {QColor(0xf0, 0xf0, 0xf0), QColor(0x2b, 0x2b, 0x2b), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.name().toStdString());
        QWidget window;
        window.setAutoFillBackground(true);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, c.background);
        window.setPalette(palette);
        auto *column = new QVBoxLayout(&window);
        auto *label = new PlainLabel(QStringLiteral("Press the key combination you want to use."));
        label->setFont(UiFont::system(11));
        label->setTone(ThemeColor::fixed(c.text));
        column->addWidget(label);
        window.resize(320, 40);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        QImage picture(window.size() * 2, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(2);
        window.render(&picture);

        const QList<TextContrast> found = textContrasts(picture, &window);
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found[0].background, c.background.rgb());
        const double expected = contrastRatio(c.text.rgb(), c.background.rgb());
        EXPECT_NEAR(found[0].ratio, expected, expected * 0.05);
        EXPECT_EQ(found[0].passes(), c.passes);
    }
}

} // namespace
} // namespace ostrel::test
