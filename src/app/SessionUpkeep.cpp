#include "app/SessionUpkeep.h"

#include "app/AppEnvironment.h"
#include "app/AppModel.h"
#include "app/AutomationService.h"
#include "app/RestoreCoordinator.h"
#include "app/SessionEligibility.h"
#include "app/SessionHost.h"
#include "platform/WindowService.h"
#include "restore/SessionEligibilityGate.h"

#include <QPointer>

namespace ostrel {

SessionUpkeep::SessionUpkeep(Links links)
    : model_(links.model)
    , host_(links.host)
    , status_(links.status)
    , sessionWindows_(links.sessionWindows)
    , environment_(links.environment)
    , windows_(links.windows)
    , automation_(links.automation)
    , eligibility_(std::move(links.eligibility))
    , restores_(links.restores)
{
}

void SessionUpkeep::setPermissionTrusted(bool value)
{
    status_.set(&SessionStatus::permissionTrusted, value);
}

void SessionUpkeep::dismissAutomationNotice()
{
    status_.set(&SessionStatus::automationNotice, std::nullopt);
}

QCoro::Task<void> SessionUpkeep::refreshPermission(bool /*prompt*/)
{
    // The desktop has no prompt to show: asking with or without one reads the same answer.
    setPermissionTrusted(environment_.system.trust->isProcessTrusted());
    if (!status_->permissionTrusted) {
        restores_.cancelPass();
        co_return;
    }
    QCoro::Task<void> publishing = restores_.publishUndoInfo();
    co_await publishing;
}

void SessionUpkeep::requestAccessibility()
{
    status_.set(&SessionStatus::permissionPrompted, true);
    setPermissionTrusted(environment_.system.trust->isProcessTrusted());
    openAccessibilitySettings();
}

void SessionUpkeep::openAccessibilitySettings()
{
    if (environment_.openAccessibilitySettings) {
        environment_.openAccessibilitySettings();
    }
}

QCoro::Task<bool> SessionUpkeep::refreshPermissionAndUndoInfo()
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<void> refreshing = refreshPermission(false);
    co_await refreshing;
    if (!self) {
        co_return false;
    }
    // Also when the trust was lost: the panel shows what an undo would revert either way.
    QCoro::Task<void> publishing = restores_.publishUndoInfo();
    co_await publishing;
    co_return bool(self);
}

QCoro::Task<void> SessionUpkeep::refresh()
{
    QCoro::Task<bool> refreshing = refreshPermissionAndUndoInfo();
    if (!co_await refreshing) {
        co_return;
    }
    updateSessionEligibility();
    QCoro::Task<void> revalidating = revalidateSessionReferences();
    co_await revalidating;
}

SessionEligibility SessionUpkeep::currentSessionEligibility() const
{
    return sessionEligibility(environment_.session->sessionState());
}

void SessionUpkeep::updateSessionEligibility()
{
    const SessionEligibility session = currentSessionEligibility();
    const bool eligible = session.eligible && sessionSignalActive_;
    status_.set(&SessionStatus::sessionEligible, eligible);
    eligibility_->set(eligible,
                      eligible ? std::nullopt
                               : std::optional<QString>(session.reason.value_or(QStringLiteral(
                                   "Automation paused. It resumes when the session is "
                                   "active."))));
    automation_.setEligible(eligible);
    if (!eligible) {
        automation_.cancelSettling();
    }
}

void SessionUpkeep::sessionWentAway()
{
    sessionSignalActive_ = false;
    cancelActiveWorkForSessionChange();
}

void SessionUpkeep::cancelActiveWorkForSessionChange()
{
    updateSessionEligibility();
    restores_.cancelRestoreOrUndo();
}

void SessionUpkeep::sessionCameBack()
{
    sessionSignalActive_ = true;
    updateSessionEligibility();
}

void SessionUpkeep::handleScreenParametersChanged()
{
    restores_.cancelRestoreOrUndo();
    updateSessionEligibility();
    refreshPermission(false);
}

void SessionUpkeep::handleTrustChanged()
{
    const bool wasTrusted = status_->permissionTrusted;
    refreshPermission(false);
    // A window manager that arrives after the program must find the shortcuts working at its
    // first press: the keys are grabbed once more under it.
    if (!wasTrusted && status_->permissionTrusted) {
        host_.configureShortcuts();
    }
}

void SessionUpkeep::pruneSessionReferences()
{
    if (sessionWindows_.references.isEmpty() && sessionWindows_.resolutions.isEmpty()) {
        return;
    }
    // Of the entries, only those a reference names: a large library holds many more.
    QSet<QUuid> entryIDs;
    for (const Layout &saved : model_.savedData().layouts) {
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

QCoro::Task<void> SessionUpkeep::revalidateSessionReferences()
{
    if (model_.restoreStatus().busy || !status_->permissionTrusted) {
        co_return;
    }
    QList<WindowReference> references = sessionWindows_.references.values();
    references.append(sessionWindows_.resolutions.values());
    if (references.isEmpty()) {
        co_return;
    }
    QPointer<AppModel> self(&model_);
    QSet<QUuid> examined;
    QSet<QUuid> confirmed;
    for (const WindowReference &reference : references) {
        // On the window service, so that no check overlaps a scan or a window move.
        QCoro::Task<bool> checking = windows_.isStillPresent(reference);
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

void SessionUpkeep::rememberReferences(const QHash<QUuid, WindowReference> &references)
{
    for (auto it = references.begin(); it != references.end(); ++it) {
        sessionWindows_.references.insert(it.key(), it.value());
    }
}

} // namespace ostrel
