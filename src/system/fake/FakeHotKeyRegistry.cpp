#include "system/fake/FakeHotKeyRegistry.h"

namespace ostrel {

QList<FakeHotKeyRegistry::Registered> FakeHotKeyRegistry::registered() const
{
    QList<Registered> out;
    for (quint64 reference : order_) {
        out.append(byReference_.value(reference));
    }
    return out;
}

bool FakeHotKeyRegistry::press(quint32 keyCode, quint32 modifiers)
{
    for (quint64 reference : order_) {
        const Registered &r = byReference_[reference];
        if (r.keyCode == keyCode && r.modifiers == modifiers) {
            deliver(r.id);
            return handler_.has_value();
        }
    }
    return false;
}

void FakeHotKeyRegistry::deliver(HotKeyID id)
{
    if (handler_ && pressed_) {
        pressed_(id);
    }
}

HotKeyRegistry::Installation FakeHotKeyRegistry::installHandler(Pressed pressed)
{
    if (installationStatus_ != HotKeyStatus::success) {
        return {installationStatus_, std::nullopt};
    }
    if (installationFailsWithoutReference_) {
        return {HotKeyStatus::success, std::nullopt};
    }
    pressed_ = std::move(pressed);
    handler_ = nextReference_++;
    return {HotKeyStatus::success, handler_};
}

void FakeHotKeyRegistry::removeHandler(quint64 handler)
{
    if (handler_ == handler) {
        handler_.reset();
        pressed_ = nullptr;
    }
}

HotKeyRegistry::Registration FakeHotKeyRegistry::registerHotKey(quint32 keyCode, quint32 modifiers,
                                                                HotKeyID id)
{
    ++calls_;
    if (refused_.contains(key(keyCode, modifiers))) {
        return {HotKeyStatus::inUse, std::nullopt};
    }
    for (quint64 reference : order_) {
        const Registered &r = byReference_[reference];
        if (r.keyCode == keyCode && r.modifiers == modifiers) {
            return {HotKeyStatus::inUse, std::nullopt};
        }
    }
    const quint64 reference = nextReference_++;
    byReference_.insert(reference, {keyCode, modifiers, id});
    order_.append(reference);
    return {HotKeyStatus::success, reference};
}

HotKeyStatus FakeHotKeyRegistry::unregisterHotKey(quint64 hotKey)
{
    ++calls_;
    if (!byReference_.remove(hotKey)) {
        return HotKeyStatus::invalidArgument; // not a registered hot key, as on X11
    }
    order_.removeOne(hotKey);
    return HotKeyStatus::success;
}

} // namespace ostrel
