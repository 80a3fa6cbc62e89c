#include "platform/ShortcutService.h"

#include "model/ShortcutFormatter.h"
#include "platform/PlatformLog.h"

#include <QPointer>

#include <algorithm>

namespace ostrel {

namespace {

QString conflictKey(const Shortcut &shortcut)
{
    return QString::number(shortcut.keyCode) + QLatin1Char('-')
        + QString::number(shortcut.modifiers);
}

bool hasModifier(const Shortcut &shortcut)
{
    return (shortcut.modifiers & Shortcut::modifierMask) != 0;
}

QString needsModifier(const Shortcut &shortcut, KeyLabelSource *labels)
{
    return ShortcutFormatter::text(shortcut, labels)
        + QStringLiteral(" needs at least one modifier.");
}

// Why a shortcut can never be a hot key, whatever else is registered.
std::optional<QString> unusableReason(const Shortcut &shortcut, KeyLabelSource *labels)
{
    if (std::optional<QString> reserved = shortcut.reservedSystemCommandMessage(labels)) {
        return reserved;
    }
    if (!hasModifier(shortcut)) {
        return needsModifier(shortcut, labels);
    }
    return std::nullopt;
}

// A stored shortcut that can never be a hot key stays unregistered instead of failing the whole
// set: a value read from the settings or the store would otherwise take every other hot key
// with it, at every start. The shortcut the user is setting fails the set as any refusal does.
bool leftOut(const Shortcut &shortcut, const ShortcutTarget &target,
             const std::optional<ShortcutTarget> &editing)
{
    // Only whether there is a reason counts here, not its text.
    return editing != target && unusableReason(shortcut, nullptr).has_value();
}

QString identifierText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

ShortcutService::ShortcutService(HotKeyRegistry &registry, KeyLabelSource *labels, QObject *parent)
    : QObject(parent)
    , registry_(registry)
    , labels_(labels)
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
    if (installation.status != HotKeyStatus::success) {
        qCCritical(platformLog, "Hot key handler installation failed with status %d.",
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

QList<ShortcutService::LayoutShortcut>
ShortcutService::sorted(const QHash<QUuid, Shortcut> &perLayout)
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
    if (std::optional<QString> unusable = unusableReason(shortcut, labels_)) {
        return unusable;
    }
    const HotKeyRegistry::Registration registration =
        registry_.registerHotKey(shortcut.keyCode, shortcut.modifiers, {signature, id});
    if (registration.status == HotKeyStatus::success && registration.hotKey) {
        registrations_.insert(id, *registration.hotKey);
        targets_.insert(id, target);
        return std::nullopt;
    }
    return ShortcutFormatter::text(shortcut, labels_)
        + QStringLiteral(" is in use or reserved. Choose another shortcut.");
}

std::optional<QString> ShortcutService::registerSet(const std::optional<Shortcut> &global,
                                                    const QList<LayoutShortcut> &layouts,
                                                    const std::optional<ShortcutTarget> &editing)
{
    const ShortcutTarget selected = ShortcutTarget::selectedLayout();
    if (global && !leftOut(*global, selected, editing)) {
        if (std::optional<QString> failure = registerShortcut(*global, globalID, selected)) {
            return failure;
        }
    }
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        // One left out keeps its number, so the others' numbers do not depend on it.
        const ShortcutTarget target = ShortcutTarget::layout(layouts[i].layout);
        if (leftOut(layouts[i].shortcut, target, editing)) {
            continue;
        }
        if (std::optional<QString> failure =
                registerShortcut(layouts[i].shortcut, firstLayoutID + quint32(i), target)) {
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

    // What stays unregistered is named only when the stored set is registered again: with an
    // edit the answer is about the edit, which the model keeps only when there is none.
    std::optional<QString> leftOutMessage;
    const auto noteLeftOut = [&](const Shortcut &shortcut, const ShortcutTarget &target) {
        if (!leftOut(shortcut, target, editing)) {
            return false;
        }
        if (!editing && !leftOutMessage) {
            leftOutMessage = unusableReason(shortcut, labels_);
        }
        return true;
    };

    // Clashes are found before anything is unregistered, so they leave the registered set alone.
    QHash<QString, QString> owners;
    if (global) {
        if (editing == ShortcutTarget::selectedLayout()) {
            for (const LayoutShortcut &entry : layouts) {
                if (entry.shortcut == *global) {
                    return {
                        ShortcutFormatter::text(*global, labels_)
                        + QStringLiteral(" is used by another layout. Choose another shortcut.")};
                }
            }
        }
        if (!noteLeftOut(*global, ShortcutTarget::selectedLayout())) {
            owners.insert(conflictKey(*global), QStringLiteral("the global shortcut"));
        }
    }
    for (const LayoutShortcut &entry : layouts) {
        if (noteLeftOut(entry.shortcut, ShortcutTarget::layout(entry.layout))) {
            continue;
        }
        const QString key = conflictKey(entry.shortcut);
        const auto owner = owners.constFind(key);
        if (owner != owners.constEnd()) {
            return {ShortcutFormatter::text(entry.shortcut, labels_)
                    + QStringLiteral(" is used by ") + *owner
                    + QStringLiteral(". Choose another shortcut.")};
        }
        owners.insert(key, QStringLiteral("another layout"));
    }

    unregisterAll();
    const std::optional<QString> failure = registerSet(global, layouts, editing);
    if (!failure) {
        lastGlobal_ = global;
        // What the settings show must be what is registered.
        activeGlobal_ = registrations_.contains(globalID) ? global : std::nullopt;
        lastPerLayout_ = perLayout;
        return {leftOutMessage};
    }

    unregisterAll();
    const std::optional<QString> rollback = restorePrevious();
    // The previous global shortcut when the rollback brought it back, none when it could not.
    activeGlobal_ = registrations_.contains(globalID) ? lastGlobal_ : std::nullopt;
    if (!rollback) {
        return {failure};
    }
    return {*failure + QStringLiteral(" Previous shortcut also failed: ") + *rollback};
}

std::optional<QString> ShortcutService::restorePrevious()
{
    // The last set registered completely but for what was left out of it, which stays out.
    return registerSet(lastGlobal_, sorted(lastPerLayout_), std::nullopt);
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
