#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

namespace ostrel {

// The identity a hot key is registered under: a four-character signature and a number.
struct HotKeyID {
    quint32 signature = 0;
    quint32 id = 0;

    friend bool operator==(const HotKeyID &, const HotKeyID &) = default;
};

// System-wide hot keys: a key combination that reaches the program while any application is in
// front.
//
// A backend must:
// - take key codes as virtual key codes (the US key positions) and modifiers as the Carbon
//   mask (command 0x100, shift 0x200, option 0x800, control 0x1000; other bits are ignored);
// - refuse a combination that another program already holds with a non-zero status from
//   `registerHotKey` at once, never with a late error;
// - call the installed handler on the main thread, once per press of a registered combination,
//   with the identity it was registered under, whatever lock keys (Caps Lock, Num Lock) are on;
// - be used from the main thread only.
class HotKeyRegistry {
public:
    using Pressed = std::function<void(HotKeyID)>;

    // Status 0 is success; a successful installation normally comes with a handler reference.
    struct Installation {
        qint32 status = 0;
        std::optional<quint64> handler;
    };

    struct Registration {
        qint32 status = 0;
        std::optional<quint64> hotKey;
    };

    virtual ~HotKeyRegistry() = default;

    virtual Installation installHandler(Pressed pressed) = 0;
    virtual void removeHandler(quint64 handler) = 0;
    virtual Registration registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) = 0;
    virtual qint32 unregisterHotKey(quint64 hotKey) = 0;
};

} // namespace ostrel
