#include "UiTest.h"
#include "Child.h"

#include "ui/panel/CompactMessage.h"
#include "ui/panel/DisclosureButton.h"
#include "ui/panel/FormRowLabel.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/InfoButton.h"
#include "ui/panel/Theme.h"
#include "ui/panel/ThemeColor.h"
#include "platform/AppearancePalettes.h"

#include <QAccessible>
#include <QFrame>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class MessageControlsTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }
};

TEST_F(MessageControlsTest, CompactMessageFoldsByCharactersLineFeedsAndRequest)
{
    // A family emoji is one character built of seven code points (eleven UTF-16 units).
    const QString family = QString::fromUtf8(
        "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
    const QString accented = QString::fromUtf8("e\xCC\x81"); // e + combining acute: one character
    struct Case {
        const char *what;
        QString message;
        bool alwaysSummarize;
        bool folded;
        bool details;
    };
    const std::vector<Case> cases{
        {"120 characters", QString(120, 'x'), false, false, false},
        {"121 characters", QString(121, 'x'), false, true, true},
        {"119 letters and an emoji sequence", QString(119, 'x') + family, false, false, false},
        {"119 letters and two emoji sequences", QString(119, 'x') + family + family, false, true,
         true},
        {"120 accented letters", accented.repeated(120), false, false, false},
        {"a line feed in 10 characters", "line one\nx", false, true, true},
        {"a carriage return alone", "line one\rx", false, false, false},
        {"short, always summarized", "Short.", true, true, true},
        {"empty, always summarized", QString(), true, true, false},
        {"empty", QString(), false, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CompactMessage::folds(c.message, c.alwaysSummarize), c.folded);
        CompactMessage message(c.message, "Couldn’t save.", c.alwaysSummarize);
        EXPECT_EQ(message.isFolded(), c.folded);
        EXPECT_EQ(message.hasDetails(), c.details);
        EXPECT_EQ(test::child<QLabel>(&message, "compact-message-text")->text(),
                  c.folded ? QString("Couldn’t save.") : c.message);
        EXPECT_EQ(test::child<QLabel>(&message, "compact-message-text")->textFormat(),
                  Qt::PlainText);
        // The plain form is not made selectable.
        EXPECT_EQ(test::child<QLabel>(&message, "compact-message-text")->textInteractionFlags()
                      & Qt::TextSelectableByMouse,
                  Qt::TextInteractionFlags());
        EXPECT_EQ(message.findChild<DisclosureButton *>("compact-message-details") != nullptr,
                  c.details);
        EXPECT_EQ(message.findChild<QLabel *>("compact-message-details-text") != nullptr,
                  c.details);
    }
    EXPECT_EQ(CompactMessage::characterCount(family + accented + "ab"), 4);
}

TEST_F(MessageControlsTest, DetailsRevealTheWholeSelectableMessageInTheirOwnStyle)
{
    QWidget window;
    auto *message = new CompactMessage("first line\nsecond <b>line</b> & more", "Couldn’t save.",
                                       false, &window);
    window.setFont(QFont(window.font().family(), 20));
    window.setPalette(AppearancePalettes::light());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(message->hasDetails());
    EXPECT_EQ(test::child<DisclosureButton>(message, "compact-message-details")->text(), "Details");
    EXPECT_FALSE(message->isExpanded());
    EXPECT_FALSE(test::child<QLabel>(message, "compact-message-details-text")->isVisible());

    QTest::mouseClick(test::child<DisclosureButton>(message, "compact-message-details"),
                      Qt::LeftButton);
    EXPECT_TRUE(message->isExpanded());
    EXPECT_TRUE(test::child<QLabel>(message, "compact-message-details-text")->isVisible());
    EXPECT_EQ(test::child<QLabel>(message, "compact-message-details-text")->text(),
              "first line\nsecond <b>line</b> & more");
    EXPECT_EQ(test::child<QLabel>(message, "compact-message-details-text")->textFormat(),
              Qt::PlainText);
    EXPECT_TRUE(test::child<QLabel>(message, "compact-message-details-text")->textInteractionFlags()
                & Qt::TextSelectableByMouse);

    // The caller's font reaches the summary; the disclosure keeps 11 points, secondary.
    EXPECT_EQ(test::child<QLabel>(message, "compact-message-text")->font().pointSizeF(), 20);
    EXPECT_EQ(
        QFontInfo(test::child<QLabel>(message, "compact-message-details-text")->font()).pixelSize(),
        11);
    EXPECT_EQ(QFontInfo(test::child<DisclosureButton>(message, "compact-message-details")->font())
                  .pixelSize(),
              11);
    EXPECT_LT(test::child<QLabel>(message, "compact-message-details-text")
                  ->palette()
                  .color(QPalette::WindowText)
                  .alphaF(),
              1.0);

    QTest::mouseClick(test::child<DisclosureButton>(message, "compact-message-details"),
                      Qt::LeftButton);
    EXPECT_FALSE(test::child<QLabel>(message, "compact-message-details-text")->isVisible());
}

TEST_F(MessageControlsTest, LabelsAndHeadersNameTheirInformationButtonAfterTheTitle)
{
    FormRowLabel bare("Restore flash");
    EXPECT_EQ(bare.findChild<InfoButton *>("info-button"), nullptr);
    EXPECT_EQ(bare.findChild<QLabel *>("form-row-subtitle"), nullptr);

    FormRowLabel row("R&D <b>", QString("Below"), QString("Explains."));
    ASSERT_NE(row.findChild<InfoButton *>("info-button"), nullptr);
    EXPECT_EQ(row.titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(test::child<InfoButton>(&row, "info-button")->accessibleName(),
              "More information about R&D <b>");
    EXPECT_EQ(test::child<QLabel>(&row, "form-row-subtitle")->text(), "Below");
    row.setTitle("Renamed");
    EXPECT_EQ(test::child<InfoButton>(&row, "info-button")->accessibleName(),
              "More information about Renamed");

    FormSectionHeader plain("Windows", QString("Detail"), QString("Why."));
    plain.setPalette(AppearancePalettes::dark());
    EXPECT_EQ(
        test::child<QLabel>(&plain, "form-section-title")->palette().color(QPalette::WindowText),
        AppearancePalettes::dark().color(QPalette::WindowText));
    EXPECT_EQ(plain.infoButton()->accessibleName(), "More information about Windows");
    EXPECT_EQ(QFontInfo(test::child<QLabel>(&plain, "form-section-title")->font()).pixelSize(), 13);
    QAccessibleInterface *title =
        QAccessible::queryAccessibleInterface(test::child<QLabel>(&plain, "form-section-title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->role(), QAccessible::Heading);
    EXPECT_EQ(title->text(QAccessible::Name), "Windows");

    FormSectionHeader tinted("Danger", std::nullopt, std::nullopt, ThemeColor::danger());
    tinted.setPalette(AppearancePalettes::light());
    EXPECT_EQ(
        test::child<QLabel>(&tinted, "form-section-title")->palette().color(QPalette::WindowText),
        Theme::danger(AppearancePalettes::light()));
    EXPECT_EQ(tinted.detailLabel(), nullptr);
}

TEST_F(MessageControlsTest, InfoButtonOpensAndClosesItsPopover)
{
    QWidget window;
    window.resize(400, 300);
    auto *info = new InfoButton("Only <i>this</i> & that.", "More information about X", &window);
    info->move(100, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(info->accessibleName(), "More information about X");
    EXPECT_TRUE(Qt::mightBeRichText(info->toolTip()));
    EXPECT_FALSE(info->isShown());

    QTest::mouseClick(info, Qt::LeftButton);
    ASSERT_TRUE(info->isShown());
    QFrame *popover = info->popover();
    const QLabel *text = popover->findChild<QLabel *>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "Only <i>this</i> & that.");
    EXPECT_EQ(text->width(), InfoButton::popoverWidth);
    // Below the button.
    EXPECT_GE(popover->geometry().top(), info->mapToGlobal(QPoint(0, info->height())).y());

    info->setShown(false);
    QApplication::processEvents();
    EXPECT_FALSE(info->isShown());
    QTest::mouseClick(info, Qt::LeftButton);
    EXPECT_TRUE(info->isShown());
    info->popover()->close();
    QApplication::processEvents();
    EXPECT_FALSE(info->isShown());
}

} // namespace
} // namespace ostrel
