#include "system/x11/XkbKeyboardLayout.h"

#include "system/KeyPositions.h"

#include <xkbcommon/xkbcommon.h>

namespace ostrel {

namespace {

// A dead key prints nothing by itself; its label is the accent it adds, written on its own.
std::optional<QString> deadKeyAccent(xkb_keysym_t keysym)
{
    struct Accent {
        xkb_keysym_t keysym;
        char16_t accent;
    };
    // clang-format off
    static constexpr Accent accents[] = {
        {XKB_KEY_dead_grave, u'`'},        {XKB_KEY_dead_acute, u'\u00B4'},
        {XKB_KEY_dead_circumflex, u'^'},   {XKB_KEY_dead_tilde, u'~'},
        {XKB_KEY_dead_macron, u'\u00AF'},  {XKB_KEY_dead_breve, u'\u02D8'},
        {XKB_KEY_dead_abovedot, u'\u02D9'}, {XKB_KEY_dead_diaeresis, u'\u00A8'},
        {XKB_KEY_dead_abovering, u'\u02DA'}, {XKB_KEY_dead_doubleacute, u'\u02DD'},
        {XKB_KEY_dead_caron, u'\u02C7'},   {XKB_KEY_dead_cedilla, u'\u00B8'},
        {XKB_KEY_dead_ogonek, u'\u02DB'},
    };
    // clang-format on
    for (const Accent &a : accents) {
        if (a.keysym == keysym) {
            return QString(QChar(a.accent));
        }
    }
    return std::nullopt;
}

} // namespace

XkbKeyboardLayout::XkbKeyboardLayout()
    // The environment's XKB_DEFAULT_* must not change which layout names mean.
    : context_(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES))
{
}

XkbKeyboardLayout::~XkbKeyboardLayout()
{
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

bool XkbKeyboardLayout::compile(const QString &layouts, const QString &variants,
                                const QString &model)
{
    if (!context_) {
        return false;
    }
    const QByteArray layoutNames = layouts.toUtf8();
    const QByteArray variantNames = variants.toUtf8();
    const QByteArray modelName = model.toUtf8();
    xkb_rule_names names{};
    names.rules = "evdev";
    names.model = modelName.constData();
    names.layout = layoutNames.constData();
    names.variant = variantNames.constData();
    xkb_keymap *keymap = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        return false;
    }
    setKeymap(keymap);
    return true;
}

void XkbKeyboardLayout::setKeymap(xkb_keymap *keymap)
{
    if (!keymap) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        xkb_keymap_unref(keymap_);
        keymap_ = keymap;
    }
    notifyChanged();
}

void XkbKeyboardLayout::setLayoutIndex(quint32 index)
{
    {
        std::lock_guard lock(mutex_);
        if (index == layoutIndex_) {
            return;
        }
        layoutIndex_ = index;
    }
    notifyChanged();
}

quint32 XkbKeyboardLayout::layoutIndex()
{
    std::lock_guard lock(mutex_);
    return layoutIndex_;
}

quint32 XkbKeyboardLayout::layoutCount()
{
    std::lock_guard lock(mutex_);
    return keymap_ ? xkb_keymap_num_layouts(keymap_) : 0;
}

std::optional<QString> XkbKeyboardLayout::print(quint32 keyCode)
{
    const std::optional<quint32> xKeyCode = KeyPositions::xKeyCode(keyCode);
    if (!xKeyCode) {
        return std::nullopt;
    }
    xkb_keysym_t keysym = XKB_KEY_NoSymbol;
    {
        std::lock_guard lock(mutex_);
        if (!keymap_) {
            return std::nullopt;
        }
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap_, *xKeyCode);
        if (layouts == 0) {
            return std::nullopt;
        }
        // A key with fewer layouts than the keymap wraps around, as the server does.
        const xkb_layout_index_t layout = layoutIndex_ % layouts;
        const xkb_keysym_t *keysyms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap_, *xKeyCode, layout, 0, &keysyms) < 1) {
            return std::nullopt;
        }
        keysym = keysyms[0];
    }
    if (const std::optional<QString> accent = deadKeyAccent(keysym)) {
        return accent;
    }
    char text[64];
    const int size = xkb_keysym_to_utf8(keysym, text, sizeof text);
    if (size <= 1) {
        return std::nullopt; // no text: arrows, function keys, modifiers
    }
    return QString::fromUtf8(text, size - 1);
}

int XkbKeyboardLayout::subscribe(std::function<void()> changed)
{
    return subscribers_.subscribe(std::move(changed));
}

void XkbKeyboardLayout::unsubscribe(int subscription)
{
    subscribers_.unsubscribe(subscription);
}

void XkbKeyboardLayout::notifyChanged()
{
    subscribers_.notify();
}

} // namespace ostrel
