#include "model/HighlightColor.h"

namespace ostrel {

QString label(HighlightColor color)
{
    QString text = rawValue(color);
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return text;
}

} // namespace ostrel
