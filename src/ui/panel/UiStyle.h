#pragma once

class QApplication;

namespace ostrel {

// The one widget style of the program and of its UI tests: Fusion, which paints every control
// from the palette the window was given, so the appearance the user chose shows the same on every
// desktop theme. Its check box and radio button indicators are outlined so that they stay
// readable on the dark appearance too.
namespace UiStyle {

// Sets the style on the application once; later calls do nothing.
void install(QApplication &application);

} // namespace UiStyle

} // namespace ostrel
