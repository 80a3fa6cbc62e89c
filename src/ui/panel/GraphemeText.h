#pragma once

#include <QString>

namespace ostrel {

// Lengths the user sees: a character is a grapheme cluster (an emoji family, a letter with its
// accents), never a UTF-16 unit, so a cut never splits a surrogate pair or a sequence.
namespace GraphemeText {

qsizetype count(const QString &text);
// The first `limit` characters of `text`; the text itself when it has no more than that.
QString leading(const QString &text, qsizetype limit);

} // namespace GraphemeText

} // namespace ostrel
