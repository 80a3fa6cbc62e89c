#include "system/x11/X11KeyboardLayout.h"

// xcb's XKB header names a field `explicit`, a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

namespace ostrel::x11 {

X11KeyboardLayout::X11KeyboardLayout(std::shared_ptr<X11Connection> connection, QObject *parent)
    : QObject(parent)
    , connection_(std::move(connection))
{
    if (!connection_ || !context()) {
        return;
    }
    xcb_connection_t *c = connection_->raw();
    uint8_t firstError = 0;
    const bool xkb = xkb_x11_setup_xkb_extension(
        c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &firstEvent_, &firstError);
    deviceID_ = xkb ? xkb_x11_get_core_keyboard_device_id(c) : -1;
    // Both wait for their replies on their own, as the keymap's reading does.
    connection_->pumpEvents();
    if (deviceID_ < 0) {
        return;
    }

    // Another layout picked (a group lock or latch), or the keymap replaced.
    const uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY
        | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    const uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS
        | XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS
        | XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS
        | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH
        | XCB_XKB_STATE_PART_GROUP_LOCK | XCB_XKB_STATE_PART_GROUP_STATE;
    details.stateDetails = details.affectState;
    xcb_xkb_select_events_aux(c, xcb_xkb_device_spec_t(deviceID_), events, 0, 0, mapParts, mapParts,
                              &details);
    connection_->flush();

    pump_ = X11EventPump::forConnection(connection_);
    subscription_ =
        connection_->subscribe([this](const xcb_generic_event_t &event) { handle(event); });
    readKeymap();
}

X11KeyboardLayout::~X11KeyboardLayout()
{
    if (subscription_) {
        connection_->unsubscribe(subscription_);
    }
}

void X11KeyboardLayout::handle(const xcb_generic_event_t &event)
{
    if ((event.response_type & 0x7F) != firstEvent_) {
        return;
    }
    // Every XKB event carries its own kind in the second byte.
    const auto &state = reinterpret_cast<const xcb_xkb_state_notify_event_t &>(event);
    if (state.deviceID != deviceID_) {
        return;
    }
    switch (state.xkbType) {
    case XCB_XKB_STATE_NOTIFY:
        setLayoutIndex(state.group);
        break;
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY:
        QMetaObject::invokeMethod(this, &X11KeyboardLayout::readKeymap, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

void X11KeyboardLayout::readKeymap()
{
    xcb_connection_t *c = connection_->raw();
    xkb_keymap *keymap =
        xkb_x11_keymap_new_from_device(context(), c, deviceID_, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state *state = keymap ? xkb_x11_state_new_from_device(keymap, c, deviceID_) : nullptr;
    // xkbcommon waits for its replies on its own and takes whatever came before them off the
    // socket: a key press of a hot key typed meanwhile, for one. A new keyboard's map is read
    // just as its first key is pressed, so this is common.
    connection_->pumpEvents();
    if (!keymap) {
        return;
    }
    if (state) {
        setLayoutIndex(xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
        xkb_state_unref(state);
    }
    setKeymap(keymap);
}

} // namespace ostrel::x11
