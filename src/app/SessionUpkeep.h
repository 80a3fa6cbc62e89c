#pragma once

#include "app/Published.h"
#include "app/SessionStatus.h"
#include "app/SessionWindows.h"
#include "model/WindowReference.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QUuid>

#include <memory>

namespace ostrel {

class AppModel;
class AutomationService;
class RestoreCoordinator;
class SessionEligibilityGate;
class SessionHost;
class WindowService;
struct AppEnvironment;
struct SessionEligibility;

namespace test {
class AppModelTestSeam;
}

// The model's upkeep of the window access, the login session and the windows it remembers for
// the rest of the session: the trust read again when the panel appears or the desktop says it
// changed, the session's eligibility for automatic restores as the session comes and goes, and
// the remembered windows pruned and checked again. It keeps the session status, which the model
// publishes, and lives exactly as long as that model, so its coroutines look at the model before
// they touch anything after an await.
class SessionUpkeep {
public:
    struct Links {
        AppModel &model; // read through its public face
        SessionHost &host;
        Published<SessionStatus> &status;
        SessionWindows &sessionWindows;
        const AppEnvironment &environment;
        WindowService &windows;
        AutomationService &automation;
        std::shared_ptr<SessionEligibilityGate> eligibility;
        RestoreCoordinator &restores;
    };

    explicit SessionUpkeep(Links links);
    SessionUpkeep(const SessionUpkeep &) = delete;
    SessionUpkeep &operator=(const SessionUpkeep &) = delete;

    // Reads the trust again (the desktop has no prompt to show), then the undo information.
    QCoro::Task<void> refreshPermission(bool prompt);
    void requestAccessibility();
    // Opens the desktop's settings for window access where it has them; nothing on X11.
    void openAccessibilitySettings();
    // The panel appeared or the program became active: trust, undo information, session,
    // remembered windows. Loads nothing from the store.
    QCoro::Task<void> refresh();
    void dismissAutomationNotice();

    void setPermissionTrusted(bool value);
    // The trust read without a prompt, then the undo information; false when the model went
    // away meanwhile.
    QCoro::Task<bool> refreshPermissionAndUndoInfo();

    // The session's own report alone, before the last session signal is taken into account.
    SessionEligibility currentSessionEligibility() const;
    void updateSessionEligibility();
    // The session signals: going away cancels a running restore or undo.
    void sessionWentAway();
    void sessionCameBack();
    void handleScreenParametersChanged();
    void handleTrustChanged();

    // Forgets remembered windows whose entry or application is gone.
    void pruneSessionReferences();
    void rememberReferences(const QHash<QUuid, WindowReference> &references);

private:
    friend class test::AppModelTestSeam;

    void cancelActiveWorkForSessionChange();
    QCoro::Task<void> revalidateSessionReferences();

    AppModel &model_;
    SessionHost &host_;
    Published<SessionStatus> &status_;
    SessionWindows &sessionWindows_;
    const AppEnvironment &environment_;
    WindowService &windows_;
    AutomationService &automation_;
    std::shared_ptr<SessionEligibilityGate> eligibility_;
    RestoreCoordinator &restores_;
    bool sessionSignalActive_ = true;
};

} // namespace ostrel
