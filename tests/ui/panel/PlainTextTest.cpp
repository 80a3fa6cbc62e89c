#include "UiTest.h"

#include "ui/panel/PlainLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/ThemeColor.h"
#include "platform/AppearancePalettes.h"

#include <QCheckBox>
#include <QKeySequence>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextDocument>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class PlainTextTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }
};

const QStringList dataTexts{"<img src=x>",    "R&D", "<b>Bold</b> & Co",    "a&&b",
                            "Tab\tand\nline", "&",   "Ünïcode “quotes” · …"};

TEST_F(PlainTextTest, DataTextsShowLiterallyInLabelsButtonsAndTooltips)
{
    for (const QString &text : dataTexts) {
        SCOPED_TRACE(text.toStdString());

        std::unique_ptr<QLabel> label(PlainText::label(text));
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), text);

        // A button shows the text with `&&` turned back into `&`, and takes no mnemonic from it.
        const QString buttonText = PlainText::forButton(text);
        QPushButton button(buttonText);
        QCheckBox check(buttonText);
        QRadioButton radio(buttonText);
        QTabBar tabs;
        tabs.addTab(buttonText);
        for (const QString &shown : {button.text(), check.text(), radio.text(), tabs.tabText(0)}) {
            EXPECT_TRUE(QKeySequence::mnemonic(shown).isEmpty());
            QString unescaped = shown;
            unescaped.replace("&&", "&");
            EXPECT_EQ(unescaped, text);
        }

        // A tooltip is rich text whose visible text is the data text.
        const QString tip = PlainText::toolTip(text);
        EXPECT_TRUE(Qt::mightBeRichText(tip));
        QTextDocument document;
        document.setHtml(tip);
        QString visible = document.toPlainText();
        visible.replace(QChar::LineSeparator, '\n').replace(QChar::ParagraphSeparator, '\n');
        EXPECT_EQ(visible, text);
    }
    EXPECT_EQ(PlainText::toolTip(QString()), QString());
}

TEST_F(PlainTextTest, AToneFollowsThePaletteAroundTheLabel)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *plain = new PlainLabel("Plain");
    auto *dimmed = new PlainLabel("Secondary");
    dimmed->setTone(ThemeColor::secondary());
    layout->addWidget(plain);
    layout->addWidget(dimmed);
    for (const bool dark : {false, true, false}) {
        SCOPED_TRACE(dark);
        const QPalette palette = AppearancePalettes::forDark(dark);
        window.setPalette(palette);
        EXPECT_EQ(plain->palette().color(QPalette::WindowText),
                  palette.color(QPalette::WindowText));
        const QColor secondary = dimmed->palette().color(QPalette::WindowText);
        EXPECT_EQ(secondary.rgb(), palette.color(QPalette::WindowText).rgb());
        EXPECT_LT(secondary.alphaF(), 1.0);
    }
    dimmed->setTone(std::nullopt);
    EXPECT_EQ(dimmed->palette().color(QPalette::WindowText).alpha(), 255);
}

} // namespace
} // namespace ostrel
