#pragma once

#include "system/HotKeyRegistry.h"

#include <QHash>
#include <QList>

namespace ostrel {

// Hot keys in memory: records what is registered, refuses the combinations a test says another
// program holds, and lets a test press keys.
class FakeHotKeyRegistry final : public HotKeyRegistry {
public:
    struct Registered {
        quint32 keyCode = 0;
        quint32 modifiers = 0;
        HotKeyID id;

        friend bool operator==(const Registered &, const Registered &) = default;
    };

    // The next installation fails with this status.
    void failInstallation(HotKeyStatus status) { installationStatus_ = status; }
    // The next installation reports success but hands back no reference.
    void installWithoutReference() { installationFailsWithoutReference_ = true; }
    // Registering this combination fails as though another program held it.
    void refuse(quint32 keyCode, quint32 modifiers)
    {
        refused_.insert(key(keyCode, modifiers), true);
    }
    void allow(quint32 keyCode, quint32 modifiers) { refused_.remove(key(keyCode, modifiers)); }

    // What is registered now, in the order it was registered.
    QList<Registered> registered() const;
    // Every register and unregister call so far, successful or not.
    int calls() const { return calls_; }
    bool handlerInstalled() const { return handler_.has_value(); }

    // A press of the combination: the handler hears of it when the combination is registered.
    // Returns whether the handler was called.
    bool press(quint32 keyCode, quint32 modifiers);
    // A press with an arbitrary identity, as a foreign or stale hot key would arrive.
    void deliver(HotKeyID id);

    Installation installHandler(Pressed pressed) override;
    void removeHandler(quint64 handler) override;
    Registration registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) override;
    HotKeyStatus unregisterHotKey(quint64 hotKey) override;

private:
    static quint64 key(quint32 keyCode, quint32 modifiers)
    {
        return (quint64(keyCode) << 32) | modifiers;
    }

    HotKeyStatus installationStatus_ = HotKeyStatus::success;
    bool installationFailsWithoutReference_ = false;
    std::optional<quint64> handler_;
    Pressed pressed_;
    QHash<quint64, bool> refused_;
    // hot-key reference → registration, plus the order of registration.
    QHash<quint64, Registered> byReference_;
    QList<quint64> order_;
    quint64 nextReference_ = 1;
    int calls_ = 0;
};

} // namespace ostrel
