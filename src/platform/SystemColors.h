#pragma once

#include "model/HighlightColor.h"

#include <QColor>

namespace ostrel {

// The desktop colours the program names after their system counterparts: the highlight colours
// of the restore flash and the settings, and the green of the candidate markers.
namespace SystemColors {

QColor color(HighlightColor highlight);
QColor green();
QColor gray();

} // namespace SystemColors

} // namespace ostrel
