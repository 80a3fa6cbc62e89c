#pragma once

#include "system/x11/X11Connection.h"
#include "system/x11/X11EventPump.h"
#include "system/x11/XkbKeyboardLayout.h"

#include <QObject>

#include <memory>

namespace ostrel::x11 {

// The X server's keyboard: its keymap and the layout chosen in it, followed through the XKB
// extension's events (another layout picked, the keymap replaced). Without XKB it stays empty and
// every key falls back to its fixed name. Created on the main thread.
class X11KeyboardLayout : public QObject, public XkbKeyboardLayout {
    Q_OBJECT

public:
    explicit X11KeyboardLayout(std::shared_ptr<X11Connection> connection,
                               QObject *parent = nullptr);
    ~X11KeyboardLayout() override;

    // Whether the server's keyboard is followed.
    bool isFollowing() const { return deviceID_ >= 0; }

private:
    // Any thread: a group change is taken at once, a new keymap is read on the main thread.
    void handle(const xcb_generic_event_t &event);
    void readKeymap();

    std::shared_ptr<X11Connection> connection_;
    std::shared_ptr<X11EventPump> pump_;
    int subscription_ = 0;
    uint8_t firstEvent_ = 0;
    int32_t deviceID_ = -1;
};

} // namespace ostrel::x11
