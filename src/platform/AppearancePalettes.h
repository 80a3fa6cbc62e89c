#pragma once

#include <QPalette>

namespace ostrel {

// The two palettes the program's windows are painted with under the Fusion style. Every window
// gets one of them explicitly (from the user's appearance choice), so the program looks the same
// whatever the desktop's Qt theme is, and the colours of the views are read from it at paint time.
namespace AppearancePalettes {

QPalette light();
QPalette dark();
QPalette forDark(bool dark);

// Whether a palette paints dark: its window is darker than its text.
bool isDark(const QPalette &palette);

} // namespace AppearancePalettes

} // namespace ostrel
