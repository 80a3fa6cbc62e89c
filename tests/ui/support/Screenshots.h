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
// back afterwards. Every text the pictures show must read: a text below WCAG AA's contrast
// (4.5 : 1, 3 : 1 when large) in either appearance fails the test, and so does a text of the
// window that names the Mac or writes a shortcut with its glyphs (`expectLinuxWords`).
Screenshots renderToPng(QWidget *topLevel, const QString &name);

// Where the pictures go.
QString screenshotFolder();

} // namespace ostrel::test
