// The tray icon keeps its contrast on any panel: drawn as an XEmbed tray shows it, on light and
// dark panels, and handed by name to the StatusNotifier hosts that recolour symbolic icons.

#include "program/TrayIcon.h"

#include "TestApplication.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace ostrel {
namespace {

double luminance(QRgb colour)
{
    const auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour))
        + 0.0722 * channel(qBlue(colour));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How the glyph reads on a panel of one colour: of the pixels the icon covers at least half,
// the share that keeps 3 : 1 against the panel, and how many those are.
struct Legibility {
    double share = 0;
    int pixels = 0;
};

Legibility onPanel(const QImage &icon, QColor panel)
{
    QImage shown(icon.size(), QImage::Format_RGB32);
    shown.fill(panel);
    QPainter(&shown).drawImage(0, 0, icon);
    int covered = 0;
    int legible = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            if (qAlpha(icon.pixel(x, y)) < 128) {
                continue;
            }
            ++covered;
            if (contrast(shown.pixel(x, y), panel.rgb()) >= 3.0) {
                ++legible;
            }
        }
    }
    return {covered ? double(legible) / covered : 0.0, legible};
}

TEST(TrayIcon, KeepsThreeToOneOnLightAndDarkPanelsAtEverySize)
{
    test::ensureApplication();
    // Panels as the desktops draw them: white and light grey bars, Xfce's and LXDE's dark ones,
    // Breeze Dark, tint2's black, and a mid grey.
    const QColor panels[] = {QColor(0xff, 0xff, 0xff), QColor(0xf0, 0xf0, 0xf0),
                             QColor(0xd6, 0xd6, 0xd6), QColor(0x80, 0x80, 0x80),
                             QColor(0x3c, 0x3c, 0x3c), QColor(0x2b, 0x2b, 0x2b),
                             QColor(0x31, 0x36, 0x3b), QColor(0x00, 0x00, 0x00)};
    for (const bool dark : {false, true}) {
        const QIcon icon = TrayIcon::icon(dark);
        for (const int side : {16, 22, 24, 32, 48}) {
            const QImage image =
                icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(image.size(), QSize(side, side));
            for (const QColor &panel : panels) {
                SCOPED_TRACE(::testing::Message()
                             << (dark ? "dark" : "light") << " desktop, " << side << " px on "
                             << panel.name().toStdString());
                const Legibility legibility = onPanel(image, panel);
                // A third of what it draws reads at 3 : 1 or better, enough pixels to trace the
                // window's outline all round.
                EXPECT_GE(legibility.share, 1.0 / 3.0);
                EXPECT_GE(legibility.pixels, 2 * side);
            }
        }
    }
}

TEST(TrayIcon, GoesByItsThemeNameWithPixelsForTheHostsThatDoNotFindIt)
{
    test::ensureApplication();
    for (const bool dark : {false, true}) {
        const QIcon icon = TrayIcon::icon(dark);
        EXPECT_EQ(icon.name(), QStringLiteral("ostrel-tray-symbolic"));
        EXPECT_TRUE(icon.availableSizes().contains(QSize(22, 22)));
        EXPECT_FALSE(icon.pixmap(22, 22).isNull());
    }
    // The same drawing ringed by its outline: the corner pixels stay clear, the ring shows.
    const QImage image = TrayIcon::image(24, Qt::black, Qt::white);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    bool white = false;
    bool black = false;
    for (int x = 0; x < 24; ++x) {
        const QRgb p = image.pixel(x, 12);
        white = white || (qAlpha(p) == 255 && qRed(p) == 255);
        black = black || (qAlpha(p) == 255 && qRed(p) == 0);
    }
    EXPECT_TRUE(white && black);
}

} // namespace
} // namespace ostrel
