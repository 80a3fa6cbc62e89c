#pragma once

#include "ForeignWords.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace ostrel::test {

// Every text a user reads or hears in `window` as it is now: of each widget shown in it, its
// text (labels, buttons, fields, tabs, list entries), tooltip, accessible name and description,
// and what the accessibility tree says of each object shown (name, description, value, help),
// which reaches what widgets only paint.
QStringList userTexts(QWidget *window);

// Fails the running test once for every text of `window` that holds a word of another platform
// (`foreignWords`), naming `what` (the window or picture) and the text.
void expectLinuxWords(QWidget *window, const QString &what);

} // namespace ostrel::test
