#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace ostrel::test {

// The words and signs of the platform the program was first designed for, which say something
// false to a user on Linux: "Mac", "macOS", "menu bar", "System Settings", "Privacy & Security",
// "Universal" and the modifier glyphs ⌘ ⌥ ⌃ ⇧. Empty when the text has none.
inline QStringList foreignWords(const QString &text)
{
    static const QRegularExpression words(
        QStringLiteral("\\bMac\\b|\\bmacOS\\b|menu bar|System Settings|Privacy & Security|"
                       "\\bUniversal\\b|[⌘⌥⌃⇧]"));
    QStringList found;
    for (auto it = words.globalMatch(text); it.hasNext();) {
        found.append(it.next().captured());
    }
    return found;
}

} // namespace ostrel::test
