#include "ui/panel/Theme.h"

#include "platform/AppearancePalettes.h"
#include "platform/SystemColors.h"

namespace ostrel {

namespace {

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(colour.alphaF() * opacity);
    return colour;
}

// The dimmed label colours keep their hue and lose opacity, so they read on any surface
// (window, card, hover veil) and not only on the window background. At 68 % the secondary text
// keeps WCAG's 4.5 : 1 on the light cards and the selected row, where 62 % fell just short.
constexpr qreal secondaryOpacity = 0.68;
constexpr qreal tertiaryOpacity = 0.40;

} // namespace

bool Theme::isDark(const QPalette &palette)
{
    return AppearancePalettes::isDark(palette);
}

QColor Theme::accent(const QPalette &palette)
{
    QColor colour = palette.color(QPalette::Active, QPalette::Highlight);
    colour.setAlpha(255);
    return colour;
}

QColor Theme::success(const QPalette &palette)
{
    return isDark(palette) ? QColor(0x30, 0xd1, 0x58) : SystemColors::green();
}

QColor Theme::warning(const QPalette &palette)
{
    return isDark(palette) ? QColor(0xff, 0x9f, 0x0a) : SystemColors::color(HighlightColor::orange);
}

QColor Theme::warningText(const QPalette &palette)
{
    return isDark(palette) ? warning(palette) : QColor(0x9f, 0x47, 0x00);
}

QColor Theme::dangerText(const QPalette &palette)
{
    return isDark(palette) ? QColor(0xff, 0x80, 0x77) : QColor(0xc0, 0x1c, 0x12);
}

QColor Theme::danger(const QPalette &palette)
{
    return isDark(palette) ? QColor(0xff, 0x45, 0x3a) : SystemColors::color(HighlightColor::red);
}

QColor Theme::hoverBackground(const QPalette &palette)
{
    return primary(palette, 0.09);
}

QColor Theme::selectedBackground(const QPalette &palette)
{
    return withOpacity(accent(palette), 0.14);
}

QColor Theme::liveBackground(const QPalette &palette)
{
    return withOpacity(accent(palette), 0.14);
}

QColor Theme::liveBorder(const QPalette &palette)
{
    return withOpacity(accent(palette), 0.55);
}

QColor Theme::primary(const QPalette &palette)
{
    return palette.color(QPalette::WindowText);
}

QColor Theme::primary(const QPalette &palette, qreal opacity)
{
    return withOpacity(primary(palette), opacity);
}

QColor Theme::secondary(const QPalette &palette)
{
    return primary(palette, secondaryOpacity);
}

QColor Theme::tertiary(const QPalette &palette)
{
    return primary(palette, tertiaryOpacity);
}

QColor Theme::controlBackground(const QPalette &palette)
{
    return palette.color(QPalette::Base);
}

} // namespace ostrel
