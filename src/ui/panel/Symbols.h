#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace ostrel {

// The program's monochrome symbols, one small SVG of our own per system symbol name the views
// use ("macwindow", "gearshape", …), tinted with a colour given when drawn. A symbol at point size
// P fills a square of `side(P)` points; the weight thickens its strokes as a heavier font weight
// would. An unknown name draws nothing. Main thread only (the drawings are cached).
namespace Symbols {

bool exists(const QString &name);
QStringList names();

// The side of the square a symbol of this point size takes.
int side(double pointSize);

// A pixmap of `side(pointSize)` points at `devicePixelRatio`; a null pixmap for an unknown name.
QPixmap pixmap(const QString &name, double pointSize, const QColor &colour, qreal devicePixelRatio,
               QFont::Weight weight = QFont::Normal);
// The same as an icon with pixmaps at ratios 1 and 2 (the tray, buttons).
QIcon icon(const QString &name, double pointSize, const QColor &colour,
           QFont::Weight weight = QFont::Normal);

// The "macwindow" symbol drawn for the tray, snapped to whole pixels at each size a panel
// asks for (16 to 48), so that it stays crisp where a scaled drawing would blur.
QIcon trayIcon(const QColor &colour);
QPixmap trayPixmap(int pixels, const QColor &colour);

// Draws the symbol into `target` with the painter's transformation (a spinner turns it).
void paint(QPainter &painter, const QRectF &target, const QString &name, const QColor &colour,
           QFont::Weight weight = QFont::Normal);

} // namespace Symbols

} // namespace ostrel
