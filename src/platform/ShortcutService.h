#pragma once

#include "model/Shortcut.h"
#include "model/ShortcutTarget.h"
#include "platform/ShortcutApplyResult.h"
#include "system/HotKeyRegistry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUuid>

#include <functional>
#include <optional>

namespace ostrel {

class KeyLabelSource;

// The global shortcut and every layout's own shortcut as system-wide hot keys: registers the
// whole set at once, refuses a set that clashes with itself, rolls back to the previous set when
// the system refuses a key, and turns each press into the target it stands for. Main thread only.
class ShortcutService : public QObject {
    Q_OBJECT

public:
    // "layo": the signature every hot key of the program is registered under.
    static constexpr quint32 signature = 0x6C61796F;
    static constexpr quint32 globalID = 1;
    static constexpr quint32 firstLayoutID = 2;

    // Installs the press handler at once. The registry, and the key labels its refusals name the
    // keys with (the fixed names when null), must outlive the service.
    ShortcutService(HotKeyRegistry &registry, KeyLabelSource *labels, QObject *parent = nullptr);
    // Unregisters its hot keys and removes the press handler.
    ~ShortcutService() override;

    // Called on the main thread with the target of a pressed hot key.
    std::function<void(const ShortcutTarget &)> onTrigger;

    // The global shortcut the settings show as registered.
    std::optional<Shortcut> activeGlobal() const { return activeGlobal_; }

    // Registers `global` (when given) and the layouts' shortcuts in place of everything registered
    // before. `editing` names the shortcut the user is changing, if any.
    ShortcutApplyResult apply(const std::optional<Shortcut> &global,
                              const QHash<QUuid, Shortcut> &perLayout,
                              const std::optional<ShortcutTarget> &editing);

    // Unregisters every hot key (while a shortcut is recorded). The last registered set is kept
    // for the next `apply`.
    void unregisterAll();

private:
    struct LayoutShortcut {
        QUuid layout;
        Shortcut shortcut;
    };

    static QList<LayoutShortcut> sorted(const QHash<QUuid, Shortcut> &perLayout);
    std::optional<QString> registerShortcut(const Shortcut &shortcut, quint32 id,
                                            const ShortcutTarget &target);
    // Registers the global shortcut under 1 and the layouts' under 2, 3, …, leaving out stored
    // ones that can never be hot keys; the first failure ends it.
    std::optional<QString> registerSet(const std::optional<Shortcut> &global,
                                       const QList<LayoutShortcut> &layouts,
                                       const std::optional<ShortcutTarget> &editing);
    std::optional<QString> restorePrevious();
    void installHandler();
    void pressed(HotKeyID id);

    HotKeyRegistry &registry_;
    KeyLabelSource *labels_;
    QHash<quint32, quint64> registrations_;
    QHash<quint32, ShortcutTarget> targets_;
    std::optional<Shortcut> lastGlobal_;
    QHash<QUuid, Shortcut> lastPerLayout_;
    std::optional<Shortcut> activeGlobal_;
    std::optional<quint64> handler_;
    std::optional<QString> handlerError_;
};

} // namespace ostrel
