#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QLatin1StringView>

namespace ostrel::TrayIcon {

// The name the tray icon goes by in the icon theme (installed with the program): a StatusNotifier
// host that finds it draws the monochrome drawing in its panel's own colours.
inline constexpr QLatin1StringView themeName{"ostrel-tray-symbolic"};

// The window glyph for a tray that shows pixels as they are (XEmbed), `pixels` square, snapped
// to whole pixels: drawn in `glyph` and ringed by an outline in `outline` (one pixel wide, two
// from 32 pixels on), so that it keeps its contrast on a light panel and on a dark one alike.
QImage image(int pixels, const QColor &glyph, const QColor &outline);

// The icon handed to the tray: named `themeName`, with the outlined glyph at the sizes panels ask
// for. The glyph is light on a dark outline when the desktop is dark, dark on a light one
// otherwise; the panel's own colour is unknown, and the outline keeps either readable on it.
QIcon icon(bool dark);

} // namespace ostrel::TrayIcon
