#pragma once

#include "system/KeyboardLayoutSource.h"
#include "system/Subscribers.h"

#include <mutex>

struct xkb_context;
struct xkb_keymap;

namespace ostrel {

// Key labels from an xkb keymap and the layout (xkb "group") chosen in it. The keymap may come
// from the X server or be compiled from layout names; whoever follows the keyboard replaces the
// keymap or picks another layout, and the subscribers hear of it.
class XkbKeyboardLayout : public KeyboardLayoutSource {
public:
    XkbKeyboardLayout();
    ~XkbKeyboardLayout() override;
    XkbKeyboardLayout(const XkbKeyboardLayout &) = delete;
    XkbKeyboardLayout &operator=(const XkbKeyboardLayout &) = delete;

    // Compiles the keymap of these layout names ("us", "fr", or "us,fr" for two layouts) from
    // the system's keyboard data; false when it cannot be compiled (the keymap is then unchanged).
    bool compile(const QString &layouts, const QString &variants = {},
                 const QString &model = QStringLiteral("pc105"));
    // Takes over one reference of the keymap (null is ignored) and keeps the chosen layout.
    void setKeymap(xkb_keymap *keymap);
    void setLayoutIndex(quint32 index);
    quint32 layoutIndex();
    quint32 layoutCount();

    std::optional<QString> print(quint32 keyCode) override;
    int subscribe(std::function<void()> changed) override;
    void unsubscribe(int subscription) override;

protected:
    xkb_context *context() const { return context_; }
    // Tells every subscriber that the layout changed.
    void notifyChanged();

private:
    xkb_context *context_ = nullptr;
    std::mutex mutex_;
    xkb_keymap *keymap_ = nullptr;
    quint32 layoutIndex_ = 0;
    Subscribers subscribers_;
};

} // namespace ostrel
