#pragma once

#include "ui/panel/ThemeColor.h"

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

namespace ostrel {

class LineLimitedLabel;
class PlainLabel;

// The panel's texts come in a handful of shapes: a plain label at a size, weight and tone that
// either keeps to its line or wraps onto as many lines as it needs (its height follows), or a
// text held to a number of lines and cut with "…".
enum class Wrapping { none, wraps };

PlainLabel *sectionLabel(const QString &text, double pointSize,
                         QFont::Weight weight = QFont::Normal,
                         std::optional<ThemeColor> tone = std::nullopt,
                         Wrapping wrapping = Wrapping::none, QWidget *parent = nullptr);

LineLimitedLabel *limitedLabel(const QString &text, int lines, double pointSize,
                               QFont::Weight weight = QFont::Normal,
                               ThemeColor tone = ThemeColor::primary(), QWidget *parent = nullptr);

// Lets the user select and copy a label's text.
void makeSelectable(PlainLabel *label);

} // namespace ostrel
