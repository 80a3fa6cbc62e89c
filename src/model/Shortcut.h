#pragma once

#include <QByteArray>
#include <QHash>
#include <QHashFunctions>
#include <QString>

#include <optional>

namespace ostrel {

class KeyLabelSource;

// One key combination: a virtual key code (0 is the key in the A position of a US layout) and
// a Carbon modifier mask. Stored in this form, so the codes never change.
struct Shortcut {
    static constexpr quint32 command = 0x100;
    static constexpr quint32 shift = 0x200;
    static constexpr quint32 option = 0x800;
    static constexpr quint32 control = 0x1000;
    // A hot key needs at least one of these; the hot-key service and the recorder check it.
    static constexpr quint32 modifierMask = command | shift | option | control;

    quint32 keyCode = 0;
    quint32 modifiers = 0;

    friend bool operator==(const Shortcut &, const Shortcut &) = default;

    // The JSON object {"keyCode": …, "modifiers": …} as UTF-8 bytes.
    QByteArray toJson() const;
    // Nothing unless both members are present as integers within 0…2^32−1; other members are
    // ignored.
    static std::optional<Shortcut> fromJson(const QByteArray &json);

    // When the exact combination is a standard system command, the message that refuses it,
    // naming the command and showing the keys with `labels` (the fixed names when null);
    // otherwise nothing.
    std::optional<QString> reservedSystemCommandMessage(KeyLabelSource *labels) const;

    // "keyCode-modifiers" in decimal → command name.
    static const QHash<QString, QString> &standardSystemCommands();
};

inline size_t qHash(const Shortcut &shortcut, size_t seed = 0) noexcept
{
    return qHashMulti(seed, shortcut.keyCode, shortcut.modifiers);
}

} // namespace ostrel
