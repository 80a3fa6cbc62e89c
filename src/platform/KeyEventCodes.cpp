#include "platform/KeyEventCodes.h"

#include "model/Shortcut.h"
#include "model/ShortcutFormatter.h"
#include "system/KeyPositions.h"

#include <QGuiApplication>
#include <QHash>

namespace ostrel {

namespace {

// The unshifted key of each shifted character on a US keyboard.
constexpr char16_t shiftedPairs[] = u"!1@2#3$4%5^6&7*8(9)0_-+={[}]|\\:;\"'<,>.?/~`";

// Virtual key codes of the keys Qt names rather than prints.
const QHash<int, quint32> &namedKeys()
{
    // clang-format off
    static const QHash<int, quint32> table = {
        {Qt::Key_Return, 36},   {Qt::Key_Enter, 76},     {Qt::Key_Tab, 48},
        {Qt::Key_Backtab, 48},  {Qt::Key_Space, 49},     {Qt::Key_Backspace, 51},
        {Qt::Key_Escape, 53},   {Qt::Key_Delete, 117},   {Qt::Key_Home, 115},
        {Qt::Key_End, 119},     {Qt::Key_PageUp, 116},   {Qt::Key_PageDown, 121},
        {Qt::Key_Left, 123},    {Qt::Key_Right, 124},    {Qt::Key_Down, 125},
        {Qt::Key_Up, 126},      {Qt::Key_Help, 114},     {Qt::Key_Insert, 114},
        {Qt::Key_Clear, 71},
    };
    // clang-format on
    return table;
}

std::optional<quint32> codeOfLabel(const QString &label, bool keypad)
{
    // The keypad repeats labels of the main keys (codes 65 and up).
    std::optional<quint32> found;
    const QHash<quint32, QString> &names = ShortcutFormatter::names();
    for (auto it = names.constBegin(); it != names.constEnd(); ++it) {
        if (it.value() != label || (it.key() >= 65) != keypad) {
            continue;
        }
        if (!found || it.key() < *found) {
            found = it.key();
        }
    }
    return found;
}

std::optional<quint32> fromQtKey(int key, bool keypad)
{
    const auto named = namedKeys().constFind(key);
    if (named != namedKeys().constEnd()) {
        return *named;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F15) {
        return codeOfLabel(QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1), false);
    }
    if (key <= Qt::Key_Space || key > Qt::Key_AsciiTilde) {
        return std::nullopt;
    }
    QChar character{char16_t(key)};
    for (size_t i = 0; shiftedPairs[i] != 0; i += 2) {
        if (shiftedPairs[i] == character.unicode()) {
            character = QChar(shiftedPairs[i + 1]);
            break;
        }
    }
    const QString label = QString(character).toUpper();
    if (const auto code = codeOfLabel(label, keypad)) {
        return code;
    }
    return codeOfLabel(label, !keypad);
}

Qt::KeyboardModifiers modifierOfKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    default:
        return Qt::NoModifier;
    }
}

} // namespace

quint32 KeyEventCodes::carbonModifiers(Qt::KeyboardModifiers modifiers)
{
    quint32 mask = 0;
    if (modifiers & Qt::MetaModifier) {
        mask |= Shortcut::command;
    }
    if (modifiers & Qt::ShiftModifier) {
        mask |= Shortcut::shift;
    }
    if (modifiers & Qt::AltModifier) {
        mask |= Shortcut::option;
    }
    if (modifiers & Qt::ControlModifier) {
        mask |= Shortcut::control;
    }
    return mask;
}

std::optional<quint32> KeyEventCodes::virtualKeyCode(const QKeyEvent &event)
{
    // On X the native scan code is the X key code, which names the key's position whatever the
    // layout prints on it.
    if (event.nativeScanCode() != 0 && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (const auto code = KeyPositions::virtualKeyCodeFromX(event.nativeScanCode())) {
            return code;
        }
    }
    return fromQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
}

bool KeyEventCodes::isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

Qt::KeyboardModifiers KeyEventCodes::modifiersAfter(const QKeyEvent &event)
{
    Qt::KeyboardModifiers modifiers = event.modifiers();
    const Qt::KeyboardModifiers own = modifierOfKey(event.key());
    if (event.type() == QEvent::KeyPress) {
        modifiers |= own;
    } else {
        modifiers &= ~own;
    }
    return modifiers;
}

} // namespace ostrel
