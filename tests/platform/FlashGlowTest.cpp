#include "platform/RestoredWindowFlashGlow.h"

#include "TestApplication.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

QImage painted(RestoredWindowFlashGlow &glow, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    glow.paint(painter, size);
    return image;
}

} // namespace

// However a panel's glow is put together, it looks as if it had been stroked for that panel.
TEST(FlashGlow, LooksTheSameAsTheGlowStrokedForThePanel)
{
    test::ensureApplication();
    const QColor accent(0x00, 0x7A, 0xFF);
    RestoredWindowFlashGlow glow(accent);
    const QSize sizes[] = {{20, 20},   {150, 90},  {203, 600},  {204, 204},
                           {205, 205}, {640, 480}, {1000, 210}, {333, 1111}};
    for (const QSize size : sizes) {
        EXPECT_TRUE(painted(glow, size) == RestoredWindowFlashGlow::render(size, accent))
            << size.width() << " × " << size.height();
    }
    const QColor red(0xFF, 0x3B, 0x30);
    RestoredWindowFlashGlow redGlow(red);
    EXPECT_TRUE(painted(redGlow, {640, 480}) == RestoredWindowFlashGlow::render({640, 480}, red))
        << "another colour";
}

// The glow fades from the window's edge inwards without visible steps, and turns the window's
// own square corners instead of cutting across them.
TEST(FlashGlow, FadesWithoutStepsAndKeepsTheWindowsSquareCorners)
{
    test::ensureApplication();
    const QColor accent(0x00, 0x7A, 0xFF);
    const QSize size(640, 480);
    const QImage glow = RestoredWindowFlashGlow::render(size, accent);
    // Down from the middle of the top edge: the crisp edge, then a fade to nothing. A blur
    // faked by a handful of strokes falls in steps, flat runs ending in a drop; a real blur has
    // none.
    QList<int> alphas;
    for (int y = 0; y < RestoredWindowFlashGlow::reach; ++y) {
        alphas.append(qAlpha(glow.pixel(size.width() / 2, y)));
    }
    EXPECT_EQ(alphas[0], 255) << "the crisp edge";
    EXPECT_EQ(alphas[1], 255);
    EXPECT_GT(alphas[2], 100) << "the glow starts right at the edge";
    EXPECT_LE(alphas.last(), 2) << "and fades out within its reach";
    EXPECT_EQ(qAlpha(glow.pixel(size.width() / 2, size.height() / 2)), 0) << "the middle is clear";
    for (int y = 2; y + 3 < alphas.size(); ++y) {
        const bool flat = alphas[y] == alphas[y + 1] && alphas[y + 1] == alphas[y + 2];
        EXPECT_FALSE(flat && alphas[y + 2] - alphas[y + 3] > 2) << "a step at " << y + 3;
        EXPECT_LE(std::abs(alphas[y + 1] - alphas[y]), 16) << "a jump at " << y + 1;
    }

    // The corners: the window's own corner pixel is as covered as its edges, and the fade turns
    // the corner along the diagonal.
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(size.width() - 1, 0), QPoint(0, size.height() - 1),
          QPoint(size.width() - 1, size.height() - 1)}) {
        EXPECT_EQ(glow.pixel(corner), glow.pixel(size.width() / 2, 0));
    }
    for (int d = 0; d < 60; d += 7) {
        EXPECT_EQ(glow.pixel(d, d), glow.pixel(size.width() / 2, d)) << d;
    }
}
