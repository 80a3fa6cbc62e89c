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
