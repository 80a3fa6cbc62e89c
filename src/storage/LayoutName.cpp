#include "storage/LayoutName.h"

#include <QTextBoundaryFinder>

namespace ostrel::LayoutName {

namespace {

// Where the given number of user-perceived characters ends, or -1 when the text is shorter.
qsizetype endOfCharacters(const QString &text, int characters)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int count = 0; count < characters; ++count) {
        if (finder.toNextBoundary() < 0) {
            return -1;
        }
    }
    return finder.position();
}

} // namespace

std::optional<QString> normalized(const QString &requested)
{
    QString name = requested.trimmed();
    if (name.contains(QChar(0))) {
        return std::nullopt;
    }
    const qsizetype end = endOfCharacters(name, longestCharacters);
    if (end >= 0 && end < name.size()) {
        name.truncate(end);
    }
    if (name.isEmpty()) {
        return std::nullopt;
    }
    return name;
}

} // namespace ostrel::LayoutName
