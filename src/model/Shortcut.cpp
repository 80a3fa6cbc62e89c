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
    return ShortcutFormatter::text(*this, labels) + QStringLiteral(" is the macOS ") + *found
        + QStringLiteral(" shortcut. Choose a combination macOS does not already use.");
}

const QHash<QString, QString> &Shortcut::standardSystemCommands()
{
    static const QHash<QString, QString> table = [] {
        struct Row {
            quint32 keyCode;
            quint32 modifiers;
            const char *name;
        };
        constexpr quint32 cmd = command;
        const Row rows[] = {
            {0, cmd, "Select All"},
            {8, cmd, "Copy"},
            {9, cmd, "Paste"},
            {7, cmd, "Cut"},
            {6, cmd, "Undo"},
            {6, shift | cmd, "Redo"},
            {1, cmd, "Save"},
            {31, cmd, "Open"},
            {35, cmd, "Print"},
            {11, cmd, "Bold"},
            {34, cmd, "Italic"},
            {32, cmd, "Underline"},
            {3, cmd, "Find"},
            {5, cmd, "Find Next"},
            {45, cmd, "New"},
            {13, cmd, "Close Window"},
            {12, cmd, "Quit"},
            {4, cmd, "Hide"},
            {46, cmd, "Minimize"},
            {43, cmd, "Settings"},
            {50, cmd, "Next Window"},
            {48, cmd, "App Switcher"},
            {49, cmd, "Spotlight"},
            {53, option | cmd, "Force Quit"},
            {12, shift | cmd, "Log Out"},
            {12, control | cmd, "Lock Screen"},
            {20, shift | cmd, "Screenshot"},
            {21, shift | cmd, "Screenshot"},
            {23, shift | cmd, "Screenshot"},
            {3, control | cmd, "Full Screen"},
            {49, control | cmd, "Emoji & Symbols"},
            {123, cmd, "Beginning of Line"},
            {124, cmd, "End of Line"},
            {126, cmd, "Beginning of Document"},
            {125, cmd, "End of Document"},
            {48, shift, "Focus Previous"},
            {126, control, "Mission Control"},
            {125, control, "Application Windows"},
            {123, control, "Move Left a Space"},
            {124, control, "Move Right a Space"},
        };
        QHash<QString, QString> built;
        for (const Row &row : rows) {
            built.insert(reservedKey(row.keyCode, row.modifiers), QString::fromUtf8(row.name));
        }
        return built;
    }();
    return table;
}

} // namespace ostrel
