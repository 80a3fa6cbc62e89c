#include "UiTest.h"

#include "platform/AppearancePalettes.h"
#include "ui/panel/Announcer.h"
#include "ui/panel/Theme.h"
#include "ui/panel/ThemeColor.h"
#include "ui/panel/UiFont.h"

#include <QFontInfo>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }
};

TEST_F(ThemeTest, ColoursFollowThePaletteTheyAreReadFrom)
{
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        const QPalette palette = AppearancePalettes::forDark(dark);
        EXPECT_EQ(Theme::isDark(palette), dark);

        // The hover veil is the primary colour at 9 %: dark on light, light on dark.
        const QColor hover = Theme::hoverBackground(palette);
        EXPECT_NEAR(hover.alphaF(), 0.09, 0.005);
        EXPECT_EQ(hover.lightness() > 128, dark);

        const QColor accent = Theme::accent(palette);
        EXPECT_EQ(accent.alpha(), 255);
        for (const QColor &c :
             {Theme::selectedBackground(palette), Theme::liveBackground(palette)}) {
            EXPECT_EQ(c.rgb(), accent.rgb());
            EXPECT_NEAR(c.alphaF(), 0.14, 0.005);
        }
        EXPECT_NEAR(Theme::liveBorder(palette).alphaF(), 0.55, 0.005);

        // The dimmed styles keep the label's hue and step down in opacity.
        const QColor primary = Theme::primary(palette);
        EXPECT_EQ(primary.alpha(), 255);
        EXPECT_EQ(Theme::secondary(palette).rgb(), primary.rgb());
        EXPECT_LT(Theme::secondary(palette).alphaF(), 1.0);
        EXPECT_LT(Theme::tertiary(palette).alphaF(), Theme::secondary(palette).alphaF());

        // Each state colour is the system colour of the appearance; dark takes the brighter one.
        for (const auto &[name, colour] : {std::pair{"success", Theme::success(palette)},
                                           {"warning", Theme::warning(palette)},
                                           {"danger", Theme::danger(palette)}}) {
            SCOPED_TRACE(name);
            EXPECT_EQ(colour.alpha(), 255);
        }
        EXPECT_GT(Theme::success(palette).green(), Theme::success(palette).red());
        EXPECT_GT(Theme::danger(palette).red(), Theme::danger(palette).green());
        EXPECT_EQ(Theme::controlBackground(palette), palette.color(QPalette::Base));
    }
    EXPECT_NE(Theme::warning(AppearancePalettes::light()),
              Theme::warning(AppearancePalettes::dark()));
}

TEST_F(ThemeTest, AChangedAccentReachesEveryColourBuiltOnIt)
{
    QPalette palette = AppearancePalettes::light();
    palette.setColor(QPalette::Highlight, QColor(0xaf, 0x52, 0xde));
    EXPECT_EQ(Theme::accent(palette), QColor(0xaf, 0x52, 0xde));
    EXPECT_EQ(Theme::selectedBackground(palette).rgb(), QColor(0xaf, 0x52, 0xde).rgb());
    EXPECT_EQ(Theme::liveBorder(palette).rgb(), QColor(0xaf, 0x52, 0xde).rgb());
    EXPECT_EQ(ThemeColor::accent().resolve(palette), Theme::accent(palette));
    EXPECT_EQ(ThemeColor::fixed(Qt::white).resolve(palette), QColor(Qt::white));
    EXPECT_EQ(ThemeColor::role(QPalette::HighlightedText).resolve(palette),
              palette.color(QPalette::HighlightedText));
}

TEST_F(ThemeTest, FontSizesAreDeviceIndependentPixels)
{
    struct Case {
        QFont font;
        int pixels;
    };
    for (const Case &c : {Case{UiFont::body(), 13}, Case{UiFont::subheadline(), 11},
                          Case{UiFont::callout(), 12}, Case{UiFont::title3(), 15},
                          Case{UiFont::system(22), 22}, Case{UiFont::rounded(11), 11}}) {
        EXPECT_EQ(QFontInfo(c.font).pixelSize(), c.pixels);
    }
    EXPECT_EQ(UiFont::headline().weight(), QFont::Bold);
    EXPECT_EQ(UiFont::system(11, QFont::Medium).weight(), QFont::Medium);
}

TEST_F(ThemeTest, TheAnnouncerKeepsWhatItSaidInOrder)
{
    Announcer announcer;
    QStringList heard;
    QObject::connect(&announcer, &Announcer::announced,
                     [&](const QString &text) { heard << text; });
    announcer.announce("Restore finished. 3 windows restored.");
    announcer.announce(QString());
    announcer.announce("Undo finished. <b>2</b> windows & more");
    const QStringList expected{"Restore finished. 3 windows restored.",
                               "Undo finished. <b>2</b> windows & more"};
    EXPECT_EQ(announcer.announcements(), expected);
    EXPECT_EQ(heard, expected);
}

} // namespace
} // namespace ostrel
