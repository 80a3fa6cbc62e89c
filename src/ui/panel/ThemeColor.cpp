#include "ui/panel/ThemeColor.h"

#include "ui/panel/Theme.h"

namespace ostrel {

QColor ThemeColor::resolve(const QPalette &palette) const
{
    switch (kind_) {
    case Kind::primary:
        return Theme::primary(palette);
    case Kind::secondary:
        return Theme::secondary(palette);
    case Kind::tertiary:
        return Theme::tertiary(palette);
    case Kind::accent:
        return Theme::accent(palette);
    case Kind::success:
        return Theme::success(palette);
    case Kind::warning:
        return Theme::warning(palette);
    case Kind::warningText:
        return Theme::warningText(palette);
    case Kind::danger:
        return Theme::danger(palette);
    case Kind::dangerText:
        return Theme::dangerText(palette);
    case Kind::role:
        return palette.color(role_);
    case Kind::fixed:
        return colour_;
    }
    return Theme::primary(palette);
}

} // namespace ostrel
