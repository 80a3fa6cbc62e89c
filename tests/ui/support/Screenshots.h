#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace ostrel::test {

struct Screenshots {
    QImage light;
    QImage dark;
};

// Lays `topLevel` out at its size (its size hint when it has none yet), paints it with the light
// and with the dark palette, and writes <build>/screenshots/<name>-light.png and -dark.png, at
// twice the resolution, so that the pictures can be looked at. The window's own palette is put
// back afterwards.
Screenshots renderToPng(QWidget *topLevel, const QString &name);

// Where the pictures go.
QString screenshotFolder();

} // namespace ostrel::test
