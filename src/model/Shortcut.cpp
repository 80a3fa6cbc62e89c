#include "model/Shortcut.h"

#include "model/ShortcutFormatter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace ostrel {

namespace {

const QString keyCodeMember = QStringLiteral("keyCode");
const QString modifiersMember = QStringLiteral("modifiers");

std::optional<quint32> unsigned32(const QJsonValue &value)
{
    if (!value.isDouble()) {
        return std::nullopt;
    }
    // JSON numbers arrive as doubles; every 32-bit value is exact in one.
    const double number = value.toDouble();
    if (!(number >= 0 && number <= 4294967295.0) || std::trunc(number) != number) {
        return std::nullopt;
    }
    return static_cast<quint32>(number);
}

QString reservedKey(quint32 keyCode, quint32 modifiers)
{
    return QString::number(keyCode) + QLatin1Char('-') + QString::number(modifiers);
}

} // namespace

QByteArray Shortcut::toJson() const
{
    const QJsonObject object{{keyCodeMember, qint64(keyCode)},
                             {modifiersMember, qint64(modifiers)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Shortcut> Shortcut::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const std::optional<quint32> keyCode = unsigned32(object.value(keyCodeMember));
    const std::optional<quint32> modifiers = unsigned32(object.value(modifiersMember));
    if (!keyCode || !modifiers) {
        return std::nullopt;
    }
    return Shortcut{*keyCode, *modifiers};
}

std::optional<QString> Shortcut::reservedSystemCommandMessage(KeyLabelSource *labels) const
{
    // The lookup is by key position and the exact mask; only the text follows the layout.
    const auto found = standardSystemCommands().constFind(reservedKey(keyCode, modifiers));
    if (found == standardSystemCommands().constEnd()) {
        return std::nullopt;
    }
    return ShortcutFormatter::text(*this, labels) + QStringLiteral(" is the desktop's ") + *found
        + QStringLiteral(" shortcut. Choose a combination the desktop does not already use.");
}

const QHash<QString, QString> &Shortcut::standardSystemCommands()
{
    static const QHash<QString, QString> table = [] {
        struct Row {
            quint32 keyCode;
            quint32 modifiers;
            const char *name;
        };
        constexpr quint32 ctrl = control;
        constexpr quint32 alt = option;
        constexpr quint32 super = command;
        // The editing and window commands of Linux programs, and the keys the desktop itself
        // answers: switching and closing windows, the session, the consoles, screenshots. Key
        // codes are positions: 12 is Q, 51 Backspace, 117 Delete, 122 … 111 the function keys.
        // Print, the screenshot key (also with Shift or Alt), has no position among the stored
        // key codes, so it can be neither recorded nor grabbed and needs no row.
        // clang-format off
        const Row rows[] = {
            {0, ctrl, "Select All"},
            {8, ctrl, "Copy"},
            {9, ctrl, "Paste"},
            {7, ctrl, "Cut"},
            {6, ctrl, "Undo"},
            {6, shift | ctrl, "Redo"},
            {16, ctrl, "Redo"},
            {1, ctrl, "Save"},
            {31, ctrl, "Open"},
            {35, ctrl, "Print"},
            {3, ctrl, "Find"},
            {45, ctrl, "New"},
            {13, ctrl, "Close Window"},
            {12, ctrl, "Quit"},
            {17, ctrl, "New Tab"},
            {11, ctrl, "Bold"},
            {34, ctrl, "Italic"},
            {32, ctrl, "Underline"},
            {48, alt, "Switch Windows"},
            {48, shift | alt, "Switch Windows"},
            {118, alt, "Close Window"},
            {120, alt, "Run"},
            {117, ctrl | alt, "Log Out"},
            {51, ctrl | alt, "Restart the Display Server"},
            {122, ctrl | alt, "Switch Console"},  // F1
            {120, ctrl | alt, "Switch Console"},  // F2
            {99, ctrl | alt, "Switch Console"},   // F3
            {118, ctrl | alt, "Switch Console"},  // F4
            {96, ctrl | alt, "Switch Console"},   // F5
            {97, ctrl | alt, "Switch Console"},   // F6
            {98, ctrl | alt, "Switch Console"},   // F7
            {100, ctrl | alt, "Switch Console"},  // F8
            {101, ctrl | alt, "Switch Console"},  // F9
            {109, ctrl | alt, "Switch Console"},  // F10
            {103, ctrl | alt, "Switch Console"},  // F11
            {111, ctrl | alt, "Switch Console"},  // F12
            {37, super, "Lock Screen"},
            {37, ctrl | alt, "Lock Screen"},
        };
        // clang-format on
        QHash<QString, QString> built;
        for (const Row &row : rows) {
            built.insert(reservedKey(row.keyCode, row.modifiers), QString::fromUtf8(row.name));
        }
        return built;
    }();
    return table;
}

} // namespace ostrel
