#pragma once

#include <QColor>
#include <QPalette>

namespace ostrel {

// The one palette of the views: they name these colours and never literal ones. Each is read
// from the palette of the widget being painted, at paint time, so a window whose appearance
// switches repaints in the new colours without being rebuilt.
namespace Theme {

// Whether the palette paints dark (the dark variants of the system colours then apply).
bool isDark(const QPalette &palette);

// The accent: the tint of prominent buttons and the checkmark of the selected row.
QColor accent(const QPalette &palette);
// The system green, orange and red of the palette's appearance.
QColor success(const QPalette &palette);
QColor warning(const QPalette &palette);
QColor danger(const QPalette &palette);
// The warning colour for words: the light appearance's orange is too pale for text on the light
// surfaces (1.7 : 1), so text takes a deeper orange that reads at 4.5 : 1 there.
QColor warningText(const QPalette &palette);
// The same for the red of destructive actions: deeper in the light appearance, lighter in the
// dark one, so that words in it read at 4.5 : 1 on the window and its cards.
QColor dangerText(const QPalette &palette);

// The primary colour at 9 %: black on a light surface, white on a dark one.
QColor hoverBackground(const QPalette &palette);
// The accent at 14 %.
QColor selectedBackground(const QPalette &palette);
QColor liveBackground(const QPalette &palette);
// The accent at 55 %.
QColor liveBorder(const QPalette &palette);

// The hierarchical text styles: the label colour, dimmed, and dimmed further.
QColor primary(const QPalette &palette);
QColor secondary(const QPalette &palette);
QColor tertiary(const QPalette &palette);
// The primary colour at an opacity, for the faint fills and outlines of the controls.
QColor primary(const QPalette &palette, qreal opacity);

// The background of content controls (lists, cards).
QColor controlBackground(const QPalette &palette);

} // namespace Theme

} // namespace ostrel
