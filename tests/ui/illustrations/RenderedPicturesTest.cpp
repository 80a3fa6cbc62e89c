// Renders every illustration at rest in light and dark into the build folder, so that a
// person can look at them.
#include "Rendering.h"
#include "TestApplication.h"

#include "ui/illustrations/HairlineDrawerCanvas.h"
#include "ui/illustrations/HairlineKeyboardCanvas.h"
#include "ui/illustrations/HairlineLayoutsCanvas.h"
#include "ui/illustrations/HairlineRiffleCanvas.h"
#include "ui/illustrations/HairlinePalette.h"

#include <gtest/gtest.h>

#include <QDir>

#include <memory>

namespace ostrel {
namespace {

void save(const HairlineCanvas &canvas, const QString &name, bool dark, QSize size = {400, 320})
{
    const QColor page = HairlinePalette::forAppearance(dark).surface;
    const QImage image =
        test::render([&](QPainter &p, QSizeF s) { canvas.paintDrawing(p, s); }, size, 2, page);
    ASSERT_GT(test::paintedPixels(image, page), 1000) << name.toStdString();
    const QDir folder(QStringLiteral(OSTREL_ILLUSTRATION_RENDERS));
    ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
    const QString file =
        folder.filePath(QStringLiteral("%1-%2.png")
                            .arg(name, dark ? QStringLiteral("dark") : QStringLiteral("light")));
    ASSERT_TRUE(image.save(file)) << file.toStdString();
}

template <class Canvas, class Setup>
void renderBoth(const QString &name, Setup setup, QSize size = {400, 320})
{
    test::ensureApplication();
    for (bool dark : {false, true}) {
        Canvas canvas;
        setup(canvas);
        canvas.setDark(dark);
        save(canvas, name, dark, size);
    }
}

TEST(RenderedPictures, Drawer)
{
    renderBoth<HairlineDrawerCanvas>(QStringLiteral("drawer"), [](auto &) {});
}

TEST(RenderedPictures, Layouts)
{
    renderBoth<HairlineLayoutsCanvas>(QStringLiteral("layouts"), [](auto &) {});
    renderBoth<HairlineLayoutsCanvas>(
        QStringLiteral("layouts-viewbox"),
        [](HairlineLayoutsCanvas &c) { c.setViewBox(QRectF(50, 60, 300, 240)); }, {300, 240});
}

TEST(RenderedPictures, Riffle)
{
    renderBoth<HairlineRiffleCanvas>(QStringLiteral("riffle-windows"), [](auto &) {});
    for (bool dark : {false, true}) {
        HairlineRiffleCanvas canvas(HairlineRiffleStyle::cards);
        canvas.setDark(dark);
        save(canvas, QStringLiteral("riffle-cards"), dark);
    }
}

TEST(RenderedPictures, Keyboard)
{
    renderBoth<HairlineKeyboardCanvas>(QStringLiteral("keyboard"), [](auto &) {});
    for (bool dark : {false, true}) {
        HairlineKeyboardCanvas canvas(HairlineKeyboardCamera::front);
        canvas.setDark(dark);
        save(canvas, QStringLiteral("keyboard-front"), dark);
    }
}

} // namespace
} // namespace ostrel
