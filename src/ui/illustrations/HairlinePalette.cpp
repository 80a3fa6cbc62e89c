#include "ui/illustrations/HairlinePalette.h"

namespace ostrel {

HairlinePalette HairlinePalette::forAppearance(bool dark, std::optional<QColor> surface)
{
    HairlinePalette palette = dark
        ? HairlinePalette{QColor(0x08, 0x09, 0x0A), QColor(0xD0, 0xD6, 0xE0),
                          QColor(0x5B, 0x5D, 0x64), QColor(0x29, 0x29, 0x2D),
                          QColor(0x96, 0x98, 0xA0)}
        : HairlinePalette{QColor(0xFF, 0xFF, 0xFF), QColor(0x23, 0x23, 0x27),
                          QColor(0xA4, 0xA4, 0xAC), QColor(0xE0, 0xE0, 0xE4),
                          QColor(0x73, 0x73, 0x7B)};
    if (surface) {
        palette.surface = *surface;
    }
    return palette;
}

} // namespace ostrel
