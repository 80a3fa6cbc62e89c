#include "model/HighlightColor.h"

namespace ostrel {

QString rawValue(HighlightColor color)
{
    switch (color) {
    case HighlightColor::blue:
        return QStringLiteral("blue");
    case HighlightColor::indigo:
        return QStringLiteral("indigo");
    case HighlightColor::purple:
        return QStringLiteral("purple");
    case HighlightColor::pink:
        return QStringLiteral("pink");
    case HighlightColor::red:
        return QStringLiteral("red");
    case HighlightColor::orange:
        return QStringLiteral("orange");
    case HighlightColor::yellow:
        return QStringLiteral("yellow");
    case HighlightColor::green:
        return QStringLiteral("green");
    case HighlightColor::teal:
        return QStringLiteral("teal");
    case HighlightColor::graphite:
        return QStringLiteral("graphite");
    }
    return {};
}

QString label(HighlightColor color)
{
    QString text = rawValue(color);
    text[0] = text[0].toUpper();
    return text;
}

template <>
QList<HighlightColor> allCases<HighlightColor>()
{
    using C = HighlightColor;
    return {C::blue,   C::indigo, C::purple, C::pink, C::red,
            C::orange, C::yellow, C::green,  C::teal, C::graphite};
}

template <>
std::optional<HighlightColor> fromRawValue<HighlightColor>(const QString &text)
{
    return findRawValue<HighlightColor>(text);
}

} // namespace ostrel
