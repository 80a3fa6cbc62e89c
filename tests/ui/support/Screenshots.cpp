#include "Screenshots.h"

#include "TextContrast.h"
#include "UserTexts.h"

#include "platform/AppearancePalettes.h"

#include <QApplication>
#include <QDir>
#include <QLayout>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace ostrel::test {

namespace {

constexpr qreal ratio = 2;

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
}

QImage paint(QWidget *window, const QPalette &palette)
{
    window->setPalette(palette);
    settle();
    QImage image(window->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(palette.color(QPalette::Window));
    window->render(&image);
    return image;
}

// Every text the picture shows meets WCAG AA: 4.5 : 1, or 3 : 1 for large text.
void expectReadable(const QImage &picture, QWidget *window, const QString &name)
{
    for (const TextContrast &text : textContrasts(picture, window)) {
        if (!text.passes()) {
            ADD_FAILURE() << name.toStdString() << ": “" << text.text.toStdString() << "” "
                          << text.ratio << " : 1, " << QColor(text.colour).name().toStdString()
                          << " on " << QColor(text.background).name().toStdString();
        }
    }
}

} // namespace

QString screenshotFolder()
{
    return QStringLiteral(OSTREL_SCREENSHOT_DIR);
}

Screenshots renderToPng(QWidget *topLevel, const QString &name)
{
    const bool wasVisible = topLevel->isVisible();
    if (!wasVisible) {
        // Shown without reaching the screen, so that layouts and polish run as they do for a
        // real window.
        topLevel->setAttribute(Qt::WA_DontShowOnScreen, true);
        if (topLevel->size().isEmpty() || !topLevel->testAttribute(Qt::WA_Resized)) {
            topLevel->adjustSize();
        }
        topLevel->show();
    }
    if (QLayout *layout = topLevel->layout()) {
        layout->activate();
    }
    settle();

    const bool ownPalette = topLevel->testAttribute(Qt::WA_SetPalette);
    const QPalette previous = topLevel->palette();
    Screenshots shots;
    shots.light = paint(topLevel, AppearancePalettes::light());
    expectReadable(shots.light, topLevel, name + QStringLiteral("-light"));
    shots.dark = paint(topLevel, AppearancePalettes::dark());
    expectReadable(shots.dark, topLevel, name + QStringLiteral("-dark"));
    topLevel->setPalette(ownPalette ? previous : QPalette());
    // What the picture shows is read on Linux: no word of another platform, no Mac glyph.
    expectLinuxWords(topLevel, name);
    if (!wasVisible) {
        topLevel->hide();
        topLevel->setAttribute(Qt::WA_DontShowOnScreen, false);
    }

    QDir().mkpath(screenshotFolder());
    shots.light.save(QDir(screenshotFolder()).filePath(name + QStringLiteral("-light.png")));
    shots.dark.save(QDir(screenshotFolder()).filePath(name + QStringLiteral("-dark.png")));
    return shots;
}

} // namespace ostrel::test
