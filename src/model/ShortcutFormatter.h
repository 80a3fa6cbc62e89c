#pragma once

#include <QHash>
#include <QString>

namespace ostrel {

class KeyLabelSource;
struct Shortcut;

// The one formatter of shortcut text, written as Linux desktops write shortcuts: the modifiers'
// names in the order Ctrl, Alt, Shift, Super, then the key's label in the current keyboard
// layout (from `labels`, when there are any), else its fixed name, else "Key " and the code,
// all joined by "+".
namespace ShortcutFormatter {

// The held modifiers alone ("Ctrl+Alt"); empty for none.
QString modifierSymbols(quint32 modifiers);
QString keyName(quint32 keyCode, KeyLabelSource *labels);
// The display text everywhere: "Ctrl+Alt+R", "Shift+Super+F5", "Shift+Tab".
QString text(const Shortcut &shortcut, KeyLabelSource *labels);

// Fixed names by virtual key code, for keys the layout gives no printable label.
const QHash<quint32, QString> &names();

} // namespace ShortcutFormatter

} // namespace ostrel
