#pragma once

#include "system/HotKeyRegistry.h"
#include "system/x11/X11Connection.h"
#include "system/x11/X11EventPump.h"

#include <QHash>
#include <QObject>

#include <memory>

namespace ostrel::x11 {

// Hot keys as passive key grabs on the root window. A grab covers one exact modifier state, so
// each hot key is grabbed four times: plain and with Caps Lock, Num Lock or both on. Every grab is
// checked before `registerHotKey` returns, so a key that another client holds is refused there
// (BadAccess) and never turns up later as a stray X error. The grabs follow a change of the
// keyboard mapping, which may move Num Lock to another modifier. Main thread only.
class X11HotKeys : public QObject, public HotKeyRegistry {
    Q_OBJECT

public:
    explicit X11HotKeys(std::shared_ptr<X11Connection> connection, QObject *parent = nullptr);
    // Gives up every grab it holds.
    ~X11HotKeys() override;

    Installation installHandler(Pressed pressed) override;
    void removeHandler(quint64 handler) override;
    Registration registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) override;
    HotKeyStatus unregisterHotKey(quint64 hotKey) override;

private:
    struct Grab {
        xcb_keycode_t keycode = 0;
        uint16_t modifiers = 0;
        HotKeyID id;
    };

    // Any thread: hands key events and mapping changes to the main thread.
    void handle(const xcb_generic_event_t &event);
    void keyEvent(bool press, xcb_keycode_t keycode, uint16_t state, xcb_timestamp_t time);
    void mappingChanged();
    QList<uint16_t> lockVariants() const;
    bool grab(xcb_keycode_t keycode, uint16_t modifiers);
    void ungrab(xcb_keycode_t keycode, uint16_t modifiers);
    uint16_t readNumLockMask();

    std::shared_ptr<X11Connection> connection_;
    std::shared_ptr<X11EventPump> pump_;
    int subscription_ = 0;
    Pressed pressed_;
    std::optional<quint64> handler_;
    QHash<quint64, Grab> grabs_;
    quint64 nextReference_ = 1;
    uint16_t numLockMask_ = 0;
    // Auto-repeat sends a release and a press at the same moment; only the first press counts.
    xcb_keycode_t releasedKey_ = 0;
    xcb_timestamp_t releasedAt_ = 0;
};

} // namespace ostrel::x11
