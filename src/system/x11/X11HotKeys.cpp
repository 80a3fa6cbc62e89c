#include "system/x11/X11HotKeys.h"

#include "system/KeyPositions.h"
#include "system/x11/X11Log.h"

#include <QList>
#include <QMetaObject>

namespace ostrel::x11 {

namespace {

constexpr xcb_keysym_t numLockKeysym = 0xff7f;
constexpr uint16_t hotKeyModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr double replyTimeout = 1.0;

// ⌘ is Super (Mod4), ⌥ Alt (Mod1), ⌃ Control, ⇧ Shift.
uint16_t xModifiers(quint32 carbon)
{
    uint16_t mask = 0;
    if (carbon & 0x100) {
        mask |= XCB_MOD_MASK_4;
    }
    if (carbon & 0x200) {
        mask |= XCB_MOD_MASK_SHIFT;
    }
    if (carbon & 0x800) {
        mask |= XCB_MOD_MASK_1;
    }
    if (carbon & 0x1000) {
        mask |= XCB_MOD_MASK_CONTROL;
    }
    return mask;
}

} // namespace

X11HotKeys::X11HotKeys(std::shared_ptr<X11Connection> connection, QObject *parent)
    : QObject(parent)
    , connection_(std::move(connection))
{
    if (connection_) {
        pump_ = X11EventPump::forConnection(connection_);
        numLockMask_ = readNumLockMask();
    }
}

X11HotKeys::~X11HotKeys()
{
    if (!connection_) {
        return;
    }
    if (subscription_) {
        connection_->unsubscribe(subscription_);
    }
    for (const Grab &g : std::as_const(grabs_)) {
        ungrab(g.keycode, g.modifiers);
    }
    connection_->flush();
}

HotKeyRegistry::Installation X11HotKeys::installHandler(Pressed pressed)
{
    if (!connection_ || connection_->hasError()) {
        return {HotKeyStatus::noServer, std::nullopt};
    }
    pressed_ = std::move(pressed);
    if (!subscription_) {
        subscription_ =
            connection_->subscribe([this](const xcb_generic_event_t &event) { handle(event); });
    }
    handler_ = 1;
    return {HotKeyStatus::success, handler_};
}

void X11HotKeys::removeHandler(quint64 handler)
{
    if (handler_ == handler) {
        handler_.reset();
        pressed_ = nullptr;
    }
}

void X11HotKeys::handle(const xcb_generic_event_t &event)
{
    const uint8_t type = event.response_type & 0x7F;
    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
        const auto &key = reinterpret_cast<const xcb_key_press_event_t &>(event);
        if (key.event != connection_->root()) {
            return;
        }
        const bool press = type == XCB_KEY_PRESS;
        const xcb_keycode_t keycode = key.detail;
        const uint16_t state = key.state;
        const xcb_timestamp_t time = key.time;
        QMetaObject::invokeMethod(
            this, [this, press, keycode, state, time] { keyEvent(press, keycode, state, time); },
            Qt::QueuedConnection);
    } else if (type == XCB_MAPPING_NOTIFY) {
        const auto &mapping = reinterpret_cast<const xcb_mapping_notify_event_t &>(event);
        if (mapping.request != XCB_MAPPING_POINTER) {
            QMetaObject::invokeMethod(this, &X11HotKeys::mappingChanged, Qt::QueuedConnection);
        }
    }
}

void X11HotKeys::keyEvent(bool press, xcb_keycode_t keycode, uint16_t state, xcb_timestamp_t time)
{
    if (!press) {
        releasedKey_ = keycode;
        releasedAt_ = time;
        return;
    }
    const bool repeat = keycode == releasedKey_ && time == releasedAt_;
    releasedKey_ = 0;
    if (repeat || !handler_ || !pressed_) {
        return;
    }
    const uint16_t held = state & hotKeyModifiers;
    for (const Grab &g : std::as_const(grabs_)) {
        if (g.keycode == keycode && g.modifiers == held) {
            // A copy: the handler may remove itself.
            const Pressed pressed = pressed_;
            pressed(g.id);
            return;
        }
    }
}

void X11HotKeys::mappingChanged()
{
    // Num Lock may now be another modifier: grab every hot key again with the new variants.
    for (const Grab &g : std::as_const(grabs_)) {
        ungrab(g.keycode, g.modifiers);
    }
    numLockMask_ = readNumLockMask();
    for (const Grab &g : std::as_const(grabs_)) {
        grab(g.keycode, g.modifiers);
    }
}

QList<uint16_t> X11HotKeys::lockVariants() const
{
    QList<uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (numLockMask_ != 0 && numLockMask_ != XCB_MOD_MASK_LOCK) {
        variants.append(numLockMask_);
        variants.append(uint16_t(numLockMask_ | XCB_MOD_MASK_LOCK));
    }
    return variants;
}

HotKeyRegistry::Registration X11HotKeys::registerHotKey(quint32 keyCode, quint32 modifiers,
                                                        HotKeyID id)
{
    if (!connection_ || connection_->hasError()) {
        return {HotKeyStatus::noServer, std::nullopt};
    }
    const std::optional<quint32> xKeyCode = KeyPositions::xKeyCode(keyCode);
    if (!xKeyCode || *xKeyCode > 255) {
        return {HotKeyStatus::invalidArgument, std::nullopt};
    }
    const xcb_keycode_t keycode = xcb_keycode_t(*xKeyCode);
    const uint16_t mask = xModifiers(modifiers);
    if (!grab(keycode, mask)) {
        qCWarning(x11Log,
                  "The X server refused the grab of key %u with modifiers 0x%x: another "
                  "program holds it, or the server did not answer.",
                  unsigned(keycode), unsigned(mask));
        return {HotKeyStatus::inUse, std::nullopt};
    }
    const quint64 reference = nextReference_++;
    grabs_.insert(reference, {keycode, mask, id});
    return {HotKeyStatus::success, reference};
}

HotKeyStatus X11HotKeys::unregisterHotKey(quint64 hotKey)
{
    const auto found = grabs_.constFind(hotKey);
    if (found == grabs_.constEnd()) {
        return HotKeyStatus::invalidArgument;
    }
    ungrab(found->keycode, found->modifiers);
    connection_->flush();
    grabs_.erase(found);
    return HotKeyStatus::success;
}

bool X11HotKeys::grab(xcb_keycode_t keycode, uint16_t modifiers)
{
    xcb_connection_t *c = connection_->raw();
    const QList<uint16_t> variants = lockVariants();
    QList<xcb_void_cookie_t> cookies;
    for (const uint16_t lock : variants) {
        // Not owner events: every press comes to the root, whatever window of this client exists.
        cookies.append(xcb_grab_key_checked(c, 0, connection_->root(), uint16_t(modifiers | lock),
                                            keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // After one round trip every grab has been answered, so the checks below need no more.
    if (!connection_->sync(deadlineIn(replyTimeout))) {
        for (const xcb_void_cookie_t &cookie : cookies) {
            connection_->discard(cookie.sequence);
        }
        for (const uint16_t lock : variants) {
            xcb_ungrab_key(c, keycode, connection_->root(), uint16_t(modifiers | lock));
        }
        connection_->flush();
        return false;
    }
    bool refused = false;
    QList<uint16_t> held;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t *error = xcb_request_check(c, cookies[i])) {
            // BadAccess: another client holds the key with these modifiers.
            refused = true;
            std::free(error);
        } else {
            held.append(variants[i]);
        }
    }
    if (refused) {
        // Half a hot key would fire only with some lock keys on: give back what was taken.
        for (const uint16_t lock : held) {
            xcb_ungrab_key(c, keycode, connection_->root(), uint16_t(modifiers | lock));
        }
        connection_->flush();
        return false;
    }
    return true;
}

void X11HotKeys::ungrab(xcb_keycode_t keycode, uint16_t modifiers)
{
    for (const uint16_t lock : lockVariants()) {
        xcb_ungrab_key(connection_->raw(), keycode, connection_->root(),
                       uint16_t(modifiers | lock));
    }
}

uint16_t X11HotKeys::readNumLockMask()
{
    xcb_connection_t *c = connection_->raw();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const Deadline deadline = deadlineIn(replyTimeout);
    const uint8_t count = uint8_t(setup->max_keycode - setup->min_keycode + 1);
    auto keyboard = connection_->reply<xcb_get_keyboard_mapping_reply_t>(
        xcb_get_keyboard_mapping(c, setup->min_keycode, count), deadline);
    auto modifiers =
        connection_->reply<xcb_get_modifier_mapping_reply_t>(xcb_get_modifier_mapping(c), deadline);
    if (!keyboard.ok() || !modifiers.ok()) {
        return XCB_MOD_MASK_2; // where Num Lock sits on nearly every keyboard
    }
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(keyboard.reply.get());
    const int perKey = keyboard->keysyms_per_keycode;
    const int total = xcb_get_keyboard_mapping_keysyms_length(keyboard.reply.get());
    QList<xcb_keycode_t> numLockKeys;
    for (int i = 0; i < total; ++i) {
        if (keysyms[i] == numLockKeysym && perKey > 0) {
            numLockKeys.append(xcb_keycode_t(setup->min_keycode + i / perKey));
        }
    }
    const xcb_keycode_t *modifierKeys = xcb_get_modifier_mapping_keycodes(modifiers.reply.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int k = 0; k < perModifier; ++k) {
            if (numLockKeys.contains(modifierKeys[modifier * perModifier + k])) {
                return uint16_t(1u << modifier);
            }
        }
    }
    return 0;
}

} // namespace ostrel::x11
