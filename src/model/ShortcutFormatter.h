#pragma once

#include <QHash>
#include <QString>

namespace ostrel {

class KeyLabelSource;
struct Shortcut;

// The one formatter of shortcut text: modifier glyphs in the order ⌃ ⌥ ⇧ ⌘, then the key's
// label in the current keyboard layout (from `labels`, when there are any), else its fixed
// name, else "Key " and the code.
namespace ShortcutFormatter {

QString modifierSymbols(quint32 modifiers);
QString keyName(quint32 keyCode, KeyLabelSource *labels);
// The display text everywhere: the glyphs directly followed by the key name ("⇧Tab").
QString text(const Shortcut &shortcut, KeyLabelSource *labels);

// Fixed names by virtual key code, for keys the layout gives no printable label.
const QHash<quint32, QString> &names();

} // namespace ShortcutFormatter

} // namespace ostrel
