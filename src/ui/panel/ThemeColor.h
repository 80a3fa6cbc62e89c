#pragma once

#include <QColor>
#include <QPalette>

namespace ostrel {

// A colour named the way the views name it (a hierarchical style, a theme colour, or a fixed
// colour such as the white of the Restore button's spinner), resolved against the palette of
// the widget at paint time so that an appearance switch reaches it.
class ThemeColor {
public:
    enum class Kind {
        primary,
        secondary,
        tertiary,
        accent,
        success,
        warning,
        warningText,
        danger,
        dangerText,
        role,
        fixed
    };

    static ThemeColor primary() { return ThemeColor(Kind::primary); }
    static ThemeColor secondary() { return ThemeColor(Kind::secondary); }
    static ThemeColor tertiary() { return ThemeColor(Kind::tertiary); }
    static ThemeColor accent() { return ThemeColor(Kind::accent); }
    static ThemeColor success() { return ThemeColor(Kind::success); }
    static ThemeColor warning() { return ThemeColor(Kind::warning); }
    // The warning colour of words (see Theme::warningText).
    static ThemeColor warningText() { return ThemeColor(Kind::warningText); }
    static ThemeColor danger() { return ThemeColor(Kind::danger); }
    // The danger colour of words (see Theme::dangerText).
    static ThemeColor dangerText() { return ThemeColor(Kind::dangerText); }
    // A colour of the palette by role, such as the text on a highlight.
    static ThemeColor role(QPalette::ColorRole role) { return ThemeColor(Kind::role, {}, role); }
    static ThemeColor fixed(const QColor &colour) { return ThemeColor(Kind::fixed, colour); }

    Kind kind() const { return kind_; }
    QColor resolve(const QPalette &palette) const;

    bool operator==(const ThemeColor &) const = default;

private:
    explicit ThemeColor(Kind kind, QColor colour = {},
                        QPalette::ColorRole role = QPalette::WindowText)
        : kind_(kind)
        , colour_(colour)
        , role_(role)
    {
    }

    Kind kind_;
    QColor colour_;
    QPalette::ColorRole role_;
};

} // namespace ostrel
