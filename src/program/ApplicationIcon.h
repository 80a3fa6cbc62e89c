#pragma once

#include <QIcon>

namespace ostrel::ApplicationIcon {

// The program's own icon at every size it is drawn in (rendered at build time from the one SVG
// that is also installed). Set as the application's window icon, it is what every window, the
// About page and the taskbar show.
QIcon icon();

} // namespace ostrel::ApplicationIcon
