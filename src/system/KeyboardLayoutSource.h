#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace ostrel {

// The keyboard layout the user types with now, as far as shortcut labels need it.
//
// A backend must:
// - answer `print` from any thread, also concurrently, for virtual key codes (the US key
//   positions): the text the key types in the current layout with no modifier held, where a dead
//   key gives its accent on its own ("^"); absent when the key types nothing. The text is raw:
//   it may be a control character or blank, and letters keep their case;
// - call every subscribed handler after the current layout changed (another layout chosen, or
//   the keyboard's mapping replaced), on whatever thread notices it, so handlers must be quick and
//   thread-safe. A handler is never called after `unsubscribe` has returned.
class KeyboardLayoutSource {
public:
    virtual ~KeyboardLayoutSource() = default;

    virtual std::optional<QString> print(quint32 keyCode) = 0;

    virtual int subscribe(std::function<void()> changed) = 0;
    virtual void unsubscribe(int subscription) = 0;
};

} // namespace ostrel
