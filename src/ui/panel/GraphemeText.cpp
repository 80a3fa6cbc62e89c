#include "ui/panel/GraphemeText.h"

#include <QTextBoundaryFinder>

namespace ostrel::GraphemeText {

qsizetype count(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype characters = 0;
    while (finder.toNextBoundary() >= 0) {
        ++characters;
    }
    return characters;
}

QString leading(const QString &text, qsizetype limit)
{
    if (limit <= 0) {
        return QString();
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype characters = 0; characters < limit; ++characters) {
        if (finder.toNextBoundary() < 0) {
            return text;
        }
    }
    return text.first(finder.position());
}

} // namespace ostrel::GraphemeText
