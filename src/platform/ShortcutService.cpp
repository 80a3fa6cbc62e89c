#include "platform/ShortcutService.h"

#include "model/ShortcutFormatter.h"
#include "platform/AppLog.h"

#include <QPointer>

#include <algorithm>

namespace ostrel {

namespace {

QString conflictKey(const Shortcut &shortcut)
{
    return QString::number(shortcut.keyCode) + QLatin1Char('-') + QString::number(shortcut.modifiers);
}

bool hasModifier(const Shortcut &shortcut)
{
    return (shortcut.modifiers & Shortcut::modifierMask) != 0;
}

QString needsModifier(const Shortcut &shortcut)
{
    return ShortcutFormatter::text(shortcut) + QStringLiteral(" needs at least one modifier.");
}

QString identifierText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

ShortcutService::ShortcutService(HotKeyRegistry &registry, QObject *parent)
    : QObject(parent), registry_(registry)
{
    installHandler();
}

ShortcutService::~ShortcutService()
{
    // A grab outlives its owner on the X connection: left behind, it would keep swallowing the
    // combination for every other program while nothing here acts on it any more.
    unregisterAll();
    if (handler_) {
        registry_.removeHandler(*handler_);
    }
}

void ShortcutService::installHandler()
{
    // The registration must not keep the service alive: a press after it is gone does nothing.
    QPointer<ShortcutService> self = this;
    const HotKeyRegistry::Installation installation = registry_.installHandler([self](HotKeyID id) {
        if (self) {
            self->pressed(id);
        }
    });
    if (installation.status != 0) {
        qCCritical(appLog, "Hot key handler installation failed with status %d.",
                   int(installation.status));
        handlerError_ = QStringLiteral("Shortcuts are unavailable. Restart Ostrel to try again.");
    } else if (installation.handler) {
        handler_ = installation.handler;
        handlerError_.reset();
    } else {
        handlerError_ = QStringLiteral("Couldn’t enable shortcuts. Restart Ostrel to retry.");
    }
}

void ShortcutService::pressed(HotKeyID id)
{
    if (id.signature != signature) {
        return;
    }
    const auto found = targets_.constFind(id.id);
    if (found == targets_.constEnd() || !onTrigger) {
        return;
    }
    const ShortcutTarget target = *found;
    onTrigger(target);
}

QList<ShortcutService::LayoutShortcut> ShortcutService::sorted(const QHash<QUuid, Shortcut> &perLayout)
{
    QList<LayoutShortcut> entries;
    for (auto it = perLayout.constBegin(); it != perLayout.constEnd(); ++it) {
        entries.append({it.key(), it.value()});
    }
    // Plain character order of the upper-case identifier text: digits before letters.
    std::sort(entries.begin(), entries.end(), [](const LayoutShortcut &a, const LayoutShortcut &b) {
        return identifierText(a.layout) < identifierText(b.layout);
    });
    return entries;
}

std::optional<QString> ShortcutService::registerShortcut(const Shortcut &shortcut, quint32 id,
                                                         const ShortcutTarget &target)
{
    if (std::optional<QString> reserved = shortcut.reservedSystemCommandMessage()) {
        return reserved;
    }
    if (!hasModifier(shortcut)) {
        return needsModifier(shortcut);
    }
    const HotKeyRegistry::Registration registration =
        registry_.registerHotKey(shortcut.keyCode, shortcut.modifiers, {signature, id});
    if (registration.status == 0 && registration.hotKey) {
        registrations_.insert(id, *registration.hotKey);
        targets_.insert(id, target);
        return std::nullopt;
    }
    return ShortcutFormatter::text(shortcut) + QStringLiteral(" is in use or reserved. Choose another shortcut.");
}

std::optional<QString> ShortcutService::registerLayouts(const QList<LayoutShortcut> &layouts)
{
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        // A stored shortcut without modifiers can never be a hot key; it keeps its number so the
        // others keep theirs, and stays unregistered instead of failing the whole set.
        if (!hasModifier(layouts[i].shortcut)) {
            continue;
        }
        const quint32 id = firstLayoutID + quint32(i);
        if (std::optional<QString> failure =
                registerShortcut(layouts[i].shortcut, id, ShortcutTarget::layout(layouts[i].layout))) {
            return failure;
        }
    }
    return std::nullopt;
}

ShortcutApplyResult ShortcutService::apply(const std::optional<Shortcut> &global,
                                           const QHash<QUuid, Shortcut> &perLayout,
                                           const std::optional<ShortcutTarget> &editing)
{
    if (handlerError_) {
        return {handlerError_};
    }

    const QList<LayoutShortcut> layouts = sorted(perLayout);

    // Clashes are found before anything is unregistered, so they leave the registered set alone.
    QHash<QString, QString> owners;
    if (global) {
        if (editing == ShortcutTarget::selectedLayout()) {
            for (const LayoutShortcut &entry : layouts) {
                if (entry.shortcut == *global) {
                    return {ShortcutFormatter::text(*global)
                            + QStringLiteral(" is used by another layout. Choose another shortcut.")};
                }
            }
        }
        owners.insert(conflictKey(*global), QStringLiteral("the global shortcut"));
    }
    std::optional<QString> unusable;
    for (const LayoutShortcut &entry : layouts) {
        if (!hasModifier(entry.shortcut)) {
            if (!unusable) {
                unusable = needsModifier(entry.shortcut);
            }
            continue;
        }
        const QString key = conflictKey(entry.shortcut);
        const auto owner = owners.constFind(key);
        if (owner != owners.constEnd()) {
            return {ShortcutFormatter::text(entry.shortcut) + QStringLiteral(" is used by ") + *owner
                    + QStringLiteral(". Choose another shortcut.")};
        }
        owners.insert(key, QStringLiteral("another layout"));
    }

    unregisterAll();
    std::optional<QString> failure;
    if (global) {
        failure = registerShortcut(*global, globalID, ShortcutTarget::selectedLayout());
    }
    if (!failure) {
        failure = registerLayouts(layouts);
    }
    if (!failure) {
        lastGlobal_ = global;
        activeGlobal_ = global;
        lastPerLayout_ = perLayout;
        return {unusable};
    }

    unregisterAll();
    const std::optional<QString> rollback = restorePrevious();
    // What the settings show must be what is registered: the previous global shortcut when the
    // rollback brought it back, none when it could not.
    activeGlobal_ = registrations_.contains(globalID) ? lastGlobal_ : std::nullopt;
    if (!rollback) {
        return {failure};
    }
    return {*failure + QStringLiteral(" Previous shortcut also failed: ") + *rollback};
}

std::optional<QString> ShortcutService::restorePrevious()
{
    if (lastGlobal_) {
        if (std::optional<QString> failure =
                registerShortcut(*lastGlobal_, globalID, ShortcutTarget::selectedLayout())) {
            return failure;
        }
    }
    return registerLayouts(sorted(lastPerLayout_));
}

void ShortcutService::unregisterAll()
{
    for (const quint64 hotKey : std::as_const(registrations_)) {
        registry_.unregisterHotKey(hotKey);
    }
    registrations_.clear();
    targets_.clear();
}

} // namespace ostrel
