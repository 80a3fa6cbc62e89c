#pragma once

#include <QMargins>

class QLayout;

namespace ostrel {

// The panel's content inset: 12 on the left and right, `vertical` above and below.
QMargins trayContentPadding(int vertical);
// Sets that inset as the layout's contents margins.
void trayContentPadding(QLayout *layout, int vertical);

} // namespace ostrel
