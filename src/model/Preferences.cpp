#include "model/Preferences.h"

#include <QSettings>
#include <QVariant>

namespace ostrel {

namespace {

// One settings object per operation: it reads the file as it is now and writes it back when it
// goes away, so every change is on disk when the call returns.
QSettings openSettings()
{
    return QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"));
}

// INI files keep no types: a Boolean comes back as the text "true" or "false" (or as a bool
// before the file was re-read). Anything else is not a Boolean.
std::optional<bool> readBoolean(const QString &key)
{
    QSettings settings = openSettings();
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true")) {
            return true;
        }
        if (text == QLatin1String("false")) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<QString> readText(const QString &key)
{
    QSettings settings = openSettings();
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

void write(const QString &key, const QVariant &value)
{
    QSettings settings = openSettings();
    settings.setValue(key, value);
    settings.sync();
}

void writeBoolean(const QString &key, bool value)
{
    write(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace

std::optional<QUuid> Preferences::selectedLayoutID()
{
    const std::optional<QString> text = readText(selectedLayoutIDKey);
    if (!text || text->size() != 36) {
        return std::nullopt;
    }
    const QUuid id = QUuid::fromString(*text);
    if (id.isNull()) {
        return std::nullopt;
    }
    return id;
}

void Preferences::setSelectedLayoutID(const std::optional<QUuid> &id)
{
    if (!id) {
        QSettings settings = openSettings();
        settings.remove(selectedLayoutIDKey);
        settings.sync();
        return;
    }
    write(selectedLayoutIDKey, id->toString(QUuid::WithoutBraces).toUpper());
}

bool Preferences::automationEnabled()
{
    return readBoolean(automationEnabledKey).value_or(false);
}

void Preferences::setAutomationEnabled(bool enabled)
{
    writeBoolean(automationEnabledKey, enabled);
}

bool Preferences::restoreFlashEnabled()
{
    return readBoolean(restoreFlashEnabledKey).value_or(true);
}

void Preferences::setRestoreFlashEnabled(bool enabled)
{
    writeBoolean(restoreFlashEnabledKey, enabled);
}

HighlightColor Preferences::highlightColor()
{
    const std::optional<QString> text = readText(highlightColorKey);
    return (text ? fromRawValue<HighlightColor>(*text) : std::nullopt).value_or(HighlightColor::blue);
}

void Preferences::setHighlightColor(HighlightColor color)
{
    write(highlightColorKey, rawValue(color));
}

AppearancePreference Preferences::appearance()
{
    const std::optional<QString> text = readText(appearanceKey);
    return (text ? fromRawValue<AppearancePreference>(*text) : std::nullopt)
        .value_or(AppearancePreference::system);
}

void Preferences::setAppearance(AppearancePreference appearance)
{
    write(appearanceKey, rawValue(appearance));
}

void Preferences::encodeShortcut(const std::optional<Shortcut> &shortcut, const QString &key)
{
    QSettings settings = openSettings();
    if (shortcut) {
        settings.setValue(key, shortcut->toJson());
    } else {
        settings.remove(key);
    }
    settings.sync();
}

std::optional<Shortcut> Preferences::decodeShortcut(const QString &key)
{
    QSettings settings = openSettings();
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QByteArray) {
        return std::nullopt;
    }
    return Shortcut::fromJson(value.toByteArray());
}

void Preferences::reset()
{
    QSettings settings = openSettings();
    for (const QString &key : {selectedLayoutIDKey, globalShortcutKey, automationEnabledKey,
                               restoreFlashEnabledKey, highlightColorKey, appearanceKey,
                               didPromptForAccessibilityKey}) {
        settings.remove(key);
    }
    settings.sync();
}

} // namespace ostrel
