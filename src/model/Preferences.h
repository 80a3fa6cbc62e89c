#pragma once

#include "model/AppearancePreference.h"
#include "model/HighlightColor.h"
#include "model/Shortcut.h"

#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// The program's settings, and nothing else, in QSettings("Ostrel", "Ostrel") (INI,
// ~/.config/Ostrel/Ostrel.conf). Every write reaches the file when the setting changes; a stored
// value of the wrong kind reads as the key's default and stays stored until it is next written.
// Booleans are stored as the text "true" or "false" so that false survives a restart.
// Only a regular file is read: anything else in its place (a FIFO would block the start for
// good) gives the defaults and is never written over. The folder is made 0700 and the file 0600.
// Tests point the file elsewhere with QSettings::setPath (native format, user scope).
namespace Preferences {

inline const QString selectedLayoutIDKey = QStringLiteral("selectedLayoutID");
inline const QString globalShortcutKey = QStringLiteral("globalShortcut");
inline const QString automationEnabledKey = QStringLiteral("automationEnabled");
inline const QString restoreFlashEnabledKey = QStringLiteral("restoreFlashEnabled");
inline const QString highlightColorKey = QStringLiteral("highlightColor");
inline const QString appearanceKey = QStringLiteral("appearance");
// Never read or written; only removed by reset().
inline const QString didPromptForAccessibilityKey = QStringLiteral("didPromptForAccessibility");

// What a write that did not reach the file tells the user: that the change holds only until the
// program ends, where the file is and why it was not written (the disk is full, the folder is
// read-only, …). Nothing when the write is on the disk.
using WriteProblem = std::optional<QString>;

// Nothing when absent or not a UUID text (which stays stored).
std::optional<QUuid> selectedLayoutID();
// Nothing removes the key.
WriteProblem setSelectedLayoutID(const std::optional<QUuid> &id);

bool automationEnabled(); // absent or not a Boolean: false
WriteProblem setAutomationEnabled(bool enabled);

bool restoreFlashEnabled(); // absent or not a Boolean: true
WriteProblem setRestoreFlashEnabled(bool enabled);

HighlightColor highlightColor(); // absent or no colour name: blue
WriteProblem setHighlightColor(HighlightColor color);

AppearancePreference appearance(); // absent or any other text: system
WriteProblem setAppearance(AppearancePreference appearance);

// Stores the shortcut's JSON bytes as data under the key; nothing removes the key.
WriteProblem encodeShortcut(const std::optional<Shortcut> &shortcut, const QString &key);
// Nothing when the key is absent, holds no data, or the data does not decode.
std::optional<Shortcut> decodeShortcut(const QString &key);

// Removes all seven keys.
WriteProblem reset();

// Why the settings file cannot be used, for the user: it names the file and the reason. Nothing
// when it can (also when it does not exist yet).
std::optional<QString> settingsFileProblem();

} // namespace Preferences

} // namespace ostrel
