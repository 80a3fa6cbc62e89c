#pragma once

#include "model/Layout.h"

#include <QString>

namespace ostrel::test {

// What the crash-loop child tells its parent, one line each on its standard output:
//   "open"                          the store is open and its layouts are loaded
//   "begin <layout> <content>"      an edit starts; <layout> is the layout's identifier, or "new"
//                                   for a layout yet to be made; <content> is what the layout
//                                   holds afterwards, or "gone" when the edit deletes it
//   "done <layout>"                 the edit begun last has been committed; <layout> is the
//                                   identifier, also of a layout just made
// An edit acknowledged with "done" must survive any kill that comes later.

// The saved content of a layout as one word: its name, displays and windows, not its identifier
// or times.
QString contentOf(const Layout &layout);

inline const QString newLayout = QStringLiteral("new");
inline const QString goneLayout = QStringLiteral("gone");

} // namespace ostrel::test
