#include "app/AppModel.h"

#include "app/AutomationService.h"
#include "app/RestoreCoordinator.h"
#include "app/SessionEligibility.h"
#include "system/ApplicationEvents.h"
#include "system/DisplayEvents.h"
#include "system/PowerEvents.h"
#include "system/SessionEvents.h"
#include "system/TrustEvents.h"

#include <QPointer>

namespace ostrel {

QCoro::Task<void> AppModel::refreshPermission(bool /*prompt*/)
{
    // The desktop has no prompt to show: asking with or without one reads the same answer.
    setPermissionTrusted(environment_.system.trust->isProcessTrusted());
    if (!session_->permissionTrusted) {
        restores_->cancelPass();
        co_return;
    }
    QCoro::Task<void> publishing = restores_->publishUndoInfo();
    co_await publishing;
}

void AppModel::requestAccessibility()
{
    session_.set(&SessionStatus::permissionPrompted, true);
    setPermissionTrusted(environment_.system.trust->isProcessTrusted());
    openAccessibilitySettings();
}

void AppModel::openAccessibilitySettings()
{
    if (environment_.openAccessibilitySettings) {
        environment_.openAccessibilitySettings();
    }
}

QCoro::Task<bool> AppModel::refreshPermissionAndUndoInfo()
{
    QPointer<AppModel> self(this);
    QCoro::Task<void> refreshing = refreshPermission(false);
    co_await refreshing;
    if (!self) {
        co_return false;
    }
    // Also when the trust was lost: the panel shows what an undo would revert either way.
    QCoro::Task<void> publishing = restores_->publishUndoInfo();
    co_await publishing;
    co_return bool(self);
}

QCoro::Task<void> AppModel::refresh()
{
    QCoro::Task<bool> refreshing = refreshPermissionAndUndoInfo();
    if (!co_await refreshing) {
        co_return;
    }
    updateSessionEligibility();
    QCoro::Task<void> revalidating = revalidateSessionReferences();
    co_await revalidating;
}

SessionEligibility AppModel::currentSessionEligibility() const
{
    return sessionEligibility(environment_.session->sessionState());
}

void AppModel::updateSessionEligibility()
{
    const SessionEligibility session = currentSessionEligibility();
    const bool eligible = session.eligible && sessionSignalActive_;
    session_.set(&SessionStatus::sessionEligible, eligible);
    eligibilityGate_->set(eligible,
                          eligible ? std::nullopt
                                   : std::optional<QString>(session.reason.value_or(QStringLiteral(
                                       "Automation paused. It resumes when the session is "
                                       "active."))));
    automationService_->setEligible(eligible);
    if (!eligible) {
        automationService_->cancelSettling();
    }
}

// --- System events ---------------------------------------------------------------------------

void AppModel::observeSystemEvents()
{
    // Each signal is handled on a later turn of the event loop, and not at all once the model
    // is gone.
    const auto observe = [this](auto *sender, auto signal, auto handler) {
        notifications_.add(QObject::connect(sender, signal, this, handler, Qt::QueuedConnection));
    };
    ApplicationEvents *applications = environment_.applicationEvents;
    SessionEvents *session = environment_.session;
    PowerEvents *power = environment_.power;
    observe(applications, &ApplicationEvents::applicationDidBecomeActive, [this] { refresh(); });
    observe(environment_.displayEvents, &DisplayEvents::screenParametersChanged,
            [this] { handleScreenParametersChanged(); });
    observe(session, &SessionEvents::sessionDidResignActive, [this] { sessionWentAway(); });
    observe(session, &SessionEvents::sessionDidBecomeActive, [this] { sessionCameBack(); });
    observe(power, &PowerEvents::screensDidSleep, [this] { sessionWentAway(); });
    observe(power, &PowerEvents::screensDidWake, [this] { sessionCameBack(); });
    observe(power, &PowerEvents::willSleep, [this] { sessionWentAway(); });
    observe(power, &PowerEvents::didWake, [this] { sessionCameBack(); });
    observe(session, &SessionEvents::screenLocked, [this] { sessionWentAway(); });
    observe(session, &SessionEvents::screenUnlocked, [this] { sessionCameBack(); });
    observe(applications, &ApplicationEvents::applicationTerminated,
            [this] { pruneSessionReferences(); });
    if (environment_.trustEvents) {
        observe(environment_.trustEvents, &TrustEvents::trustChanged,
                [this] { handleTrustChanged(); });
    }
}

void AppModel::sessionWentAway()
{
    sessionSignalActive_ = false;
    cancelActiveWorkForSessionChange();
}

void AppModel::sessionCameBack()
{
    sessionSignalActive_ = true;
    updateSessionEligibility();
}

void AppModel::cancelActiveWorkForSessionChange()
{
    updateSessionEligibility();
    restores_->cancelRestoreOrUndo();
}

void AppModel::handleScreenParametersChanged()
{
    restores_->cancelRestoreOrUndo();
    updateSessionEligibility();
    refreshPermission(false);
}

void AppModel::handleTrustChanged()
{
    const bool wasTrusted = session_->permissionTrusted;
    refreshPermission(false);
    // A window manager that arrives after the program must find the shortcuts working at its
    // first press: the keys are grabbed once more under it.
    if (!wasTrusted && session_->permissionTrusted) {
        configureShortcuts();
    }
}

void AppModel::pruneSessionReferences()
{
    if (sessionWindows_.references.isEmpty() && sessionWindows_.resolutions.isEmpty()) {
        return;
    }
    // Of the entries, only those a reference names: a large library holds many more.
    QSet<QUuid> entryIDs;
    for (const Layout &saved : savedData_->layouts) {
        for (const WindowEntry &entry : saved.entries) {
            if (sessionWindows_.references.contains(entry.id)
                || sessionWindows_.resolutions.contains(entry.id)) {
                entryIDs.insert(entry.id);
            }
        }
    }
    QSet<qint32> running;
    for (const RunningApplication &application :
         environment_.system.applications->runningApplications()) {
        if (!application.isTerminated) {
            running.insert(application.pid);
        }
    }
    const auto prune = [&](QHash<QUuid, WindowReference> &references) {
        for (auto it = references.begin(); it != references.end();) {
            if (entryIDs.contains(it.key()) && running.contains(it.value().pid)) {
                ++it;
            } else {
                it = references.erase(it);
            }
        }
    };
    prune(sessionWindows_.references);
    prune(sessionWindows_.resolutions);
}

QCoro::Task<void> AppModel::revalidateSessionReferences()
{
    if (restoreStatus_->busy || !session_->permissionTrusted) {
        co_return;
    }
    QList<WindowReference> references = sessionWindows_.references.values();
    references.append(sessionWindows_.resolutions.values());
    if (references.isEmpty()) {
        co_return;
    }
    QPointer<AppModel> self(this);
    QSet<QUuid> examined;
    QSet<QUuid> confirmed;
    for (const WindowReference &reference : references) {
        // On the window service, so that no check overlaps a scan or a window move.
        QCoro::Task<bool> checking = windowService_->isStillPresent(reference);
        const bool present = co_await checking;
        if (!self) {
            co_return;
        }
        examined.insert(reference.id);
        if (present) {
            confirmed.insert(reference.id);
        }
    }
    // Windows remembered while the checks ran were not examined and stay.
    const auto filter = [&](QHash<QUuid, WindowReference> &remembered) {
        for (auto it = remembered.begin(); it != remembered.end();) {
            const QUuid id = it.value().id;
            if (examined.contains(id) && !confirmed.contains(id)) {
                it = remembered.erase(it);
            } else {
                ++it;
            }
        }
    };
    filter(sessionWindows_.references);
    filter(sessionWindows_.resolutions);
}

void AppModel::rememberReferences(const QHash<QUuid, WindowReference> &references)
{
    for (auto it = references.begin(); it != references.end(); ++it) {
        sessionWindows_.references.insert(it.key(), it.value());
    }
}

} // namespace ostrel
