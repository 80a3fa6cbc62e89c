#include "ui/panel/UiFont.h"

#include <QGuiApplication>

namespace ostrel {

QFont UiFont::system(double pt, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(pt * 72.0 / 96.0);
    font.setWeight(weight);
    return font;
}

QFont UiFont::rounded(double pt, QFont::Weight weight)
{
    return system(pt, weight);
}

QFont UiFont::headline()
{
    return system(13, QFont::Bold);
}

QFont UiFont::subheadline()
{
    return system(11);
}

QFont UiFont::callout()
{
    return system(12);
}

QFont UiFont::title3()
{
    return system(15);
}

QFont UiFont::body()
{
    return system(13);
}

QFont UiFont::menu()
{
    return system(13);
}

QFont UiFont::caption()
{
    return system(10);
}

} // namespace ostrel
