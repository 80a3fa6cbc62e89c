#include "ui/windows/MissingDisplayChoices.h"

#include <algorithm>

namespace ostrel {

void MissingDisplayChoices::prime(const MissingDisplayPrompt &prompt)
{
    for (const MissingDisplay &missing : prompt.missing) {
        if (fallbacks.contains(missing.savedDisplayKey)) {
            continue;
        }
        if (prompt.available.isEmpty()) {
            fallbacks.remove(missing.savedDisplayKey);
        } else {
            fallbacks.insert(missing.savedDisplayKey, prompt.available.first().identity.key());
        }
    }
}

QString MissingDisplayChoices::selection(const MissingDisplay &missing,
                                         const MissingDisplayPrompt &prompt) const
{
    if (const auto it = fallbacks.constFind(missing.savedDisplayKey); it != fallbacks.cend()) {
        return *it;
    }
    return prompt.available.isEmpty() ? QString() : prompt.available.first().identity.key();
}

void MissingDisplayChoices::choose(const QString &savedDisplayKey, const QString &currentDisplayKey)
{
    fallbacks.insert(savedDisplayKey, currentDisplayKey);
}

bool MissingDisplayChoices::canRestore(const MissingDisplayPrompt &prompt,
                                       std::optional<OperationKind> busy) const
{
    if (prompt.available.isEmpty()) {
        return false;
    }
    for (const MissingDisplay &missing : prompt.missing) {
        const auto it = fallbacks.constFind(missing.savedDisplayKey);
        if (it == fallbacks.cend()) {
            return false;
        }
        const bool available = std::any_of(
            prompt.available.cbegin(), prompt.available.cend(),
            [&](const CurrentDisplay &display) { return display.identity.key() == *it; });
        if (!available) {
            return false;
        }
    }
    return !busy.has_value();
}

QHash<QString, QString> MissingDisplayChoices::confirmed(const MissingDisplayPrompt &prompt) const
{
    QHash<QString, QString> chosen;
    for (const MissingDisplay &missing : prompt.missing) {
        if (const auto it = fallbacks.constFind(missing.savedDisplayKey); it != fallbacks.cend()) {
            chosen.insert(missing.savedDisplayKey, *it);
        }
    }
    return chosen;
}

QString MissingDisplayChoices::itemText(qsizetype position, const CurrentDisplay &display)
{
    return QStringLiteral("Display %1 · %2 × %3")
        .arg(position)
        .arg(display.pixelWidth)
        .arg(display.pixelHeight);
}

} // namespace ostrel
