#pragma once

#include <QFont>

namespace ostrel {

// The one font helper. Sizes are in points, as the views pass them; one point is one
// device-independent pixel at scale 1, so a size becomes pt × 72 / 96 typographic points, which
// Qt turns back into pt pixels at the standard 96 dpi (and scales with the desktop's font DPI).
// The family is the application's (the desktop's UI font).
namespace UiFont {

QFont system(double pt, QFont::Weight weight = QFont::Normal);
// The rounded design of the system font; the desktop has none, so it is the same family.
QFont rounded(double pt, QFont::Weight weight = QFont::Normal);

// The text styles the views name, at the macOS sizes they stand for:
QFont headline();    // 13, bold
QFont subheadline(); // 11
QFont callout();     // 12
QFont title3();      // 15
QFont body();        // 13, the panel's default
QFont menu();        // 13, the standard menu font
QFont caption();     // 10

} // namespace UiFont

} // namespace ostrel
