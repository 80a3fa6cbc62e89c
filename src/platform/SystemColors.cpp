#include "platform/SystemColors.h"

namespace ostrel {

QColor SystemColors::color(HighlightColor highlight)
{
    switch (highlight) {
    case HighlightColor::blue:
        return QColor(0x00, 0x7A, 0xFF);
    case HighlightColor::indigo:
        return QColor(0x58, 0x56, 0xD6);
    case HighlightColor::purple:
        return QColor(0xAF, 0x52, 0xDE);
    case HighlightColor::pink:
        return QColor(0xFF, 0x2D, 0x55);
    case HighlightColor::red:
        return QColor(0xFF, 0x3B, 0x30);
    case HighlightColor::orange:
        return QColor(0xFF, 0x95, 0x00);
    case HighlightColor::yellow:
        return QColor(0xFF, 0xCC, 0x00);
    case HighlightColor::green:
        return green();
    case HighlightColor::teal:
        return QColor(0x30, 0xB0, 0xC7);
    case HighlightColor::graphite:
        return gray();
    }
    return QColor(0x00, 0x7A, 0xFF);
}

QColor SystemColors::green()
{
    return QColor(0x34, 0xC7, 0x59);
}

QColor SystemColors::gray()
{
    return QColor(0x8E, 0x8E, 0x93);
}

} // namespace ostrel
