#pragma once

#include "model/Shortcut.h"

// The modifier bits under the names of their keys, so that a test writes a shortcut as its
// label reads: {40, ctrl | opt} is Ctrl+Alt+K.
namespace ostrel::test::modifiers {

inline constexpr quint32 cmd = Shortcut::command;
inline constexpr quint32 shift = Shortcut::shift;
inline constexpr quint32 opt = Shortcut::option;
inline constexpr quint32 ctrl = Shortcut::control;

} // namespace ostrel::test::modifiers
