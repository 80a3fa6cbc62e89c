#pragma once

#include <QKeyEvent>

#include <optional>

namespace ostrel {

// A Qt key event in the terms shortcuts are stored in: the virtual key code of the key's
// position and the Carbon modifier mask.
namespace KeyEventCodes {

// ⌘ is the Super (Meta) key, ⌥ Alt, ⌃ Control, ⇧ Shift; every other flag is dropped.
quint32 carbonModifiers(Qt::KeyboardModifiers modifiers);

// The position of the pressed key: from the X key code where the event carries one, else (events
// made by the program itself) from the key as a US keyboard would produce it. Nothing for keys
// without a position.
std::optional<quint32> virtualKeyCode(const QKeyEvent &event);

// Whether the key is a modifier key; its press or release changes the held modifiers only.
bool isModifierKey(int key);

// The modifiers held once this press or release of a modifier key has taken effect (the event
// itself may report them from before or after, depending on where it came from).
Qt::KeyboardModifiers modifiersAfter(const QKeyEvent &event);

} // namespace KeyEventCodes

} // namespace ostrel
