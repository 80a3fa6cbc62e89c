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

// What a hot-key call answers. The numbers are the Mac's, which the services were written
// against; only `success` means that the call did what was asked.
enum class HotKeyStatus : qint32 {
    success = 0,
    // No X server to ask.
    noServer = -1,
    // The key has no position on an X keyboard, or the reference names no registered hot key.
    invalidArgument = -50,
    // Another program holds the combination, or the server did not answer the grab.
    inUse = -9878,
};

// System-wide hot keys: a key combination that reaches the program while any application is in
// front.
//
// A backend must:
// - take key codes as virtual key codes (the US key positions) and modifiers as the Carbon
//   mask (command 0x100, shift 0x200, option 0x800, control 0x1000; other bits are ignored);
// - refuse a combination that another program already holds with `HotKeyStatus::inUse` from
//   `registerHotKey` at once, never with a late error;
// - call the installed handler on the main thread, once per press of a registered combination,
//   with the identity it was registered under, whatever lock keys (Caps Lock, Num Lock) are on;
// - be used from the main thread only.
class HotKeyRegistry {
public:
    using Pressed = std::function<void(HotKeyID)>;

    // A successful installation normally comes with a handler reference.
    struct Installation {
        HotKeyStatus status = HotKeyStatus::success;
        std::optional<quint64> handler;
    };

    struct Registration {
        HotKeyStatus status = HotKeyStatus::success;
        std::optional<quint64> hotKey;
    };

    virtual ~HotKeyRegistry() = default;

    virtual Installation installHandler(Pressed pressed) = 0;
    virtual void removeHandler(quint64 handler) = 0;
    virtual Registration registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) = 0;
    virtual HotKeyStatus unregisterHotKey(quint64 hotKey) = 0;
};

} // namespace ostrel
