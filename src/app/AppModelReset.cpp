#include "app/AppModel.h"

#include "app/AutomationService.h"
#include "app/RestoreCoordinator.h"
#include "app/WindowPresenter.h"
#include "model/Preferences.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/ShortcutRecordingSession.h"

#include <QPointer>

namespace ostrel {

QCoro::Task<bool> AppModel::forgetSavedData()
{
    if (ShortcutRecordingSession *recording = environment_.shortcutRecordings->active()) {
        recording->stop();
    }
    // No setup accepted before the reset may hold back the next automatic restore.
    automationService_->cancelSettling();
    automationService_->setLastAcceptedSignature(std::nullopt);
    automationService_->setLastAcceptedAt(std::nullopt);
    automationService_->setInFlight(false);

    // Each group is cleared in one step, so a view sees it once, already empty. The settings go
    // back to their first-start values; their stored keys all go with the reset below.
    windowRequests_.update([](WindowRequests &requests) { requests = {}; });
    restoreStatus_.update([](RestoreStatus &status) {
        RestoreStatus cleared;
        cleared.busy = status.busy;
        status = std::move(cleared);
    });
    // Kept out of line: inlined into this coroutine, GCC 12 takes the cleared notice for an
    // uninitialised string in the comparison that follows (-Wmaybe-uninitialized).
    session_.update([](SessionStatus & session) __attribute__((noinline)) {
        session.automationNotice.reset();
        session.lastAutomationDeferral.reset();
        session.permissionPrompted = false;
    });
    shortcutStatus_.set(&ShortcutStatus::shortcutsError, std::nullopt);
    savedData_.update([](SavedData &data) {
        data.layouts.clear();
        data.exclusions.clear();
    });
    settings_.update([](AppSettings &settings) { settings = {}; });
    noteSettingsWrite(Preferences::reset());

    configureShortcuts();

    QPointer<AppModel> self(this);
    QCoro::Task<void> forgetting = restores_->forgetEverything();
    co_await forgetting;
    if (!self) {
        co_return false;
    }
    sessionWindows_.references.clear();
    sessionWindows_.resolutions.clear();
    environment_.flash->removePanels();
    for (const QLatin1StringView id :
         {WindowID::saveLayout, WindowID::layoutDetails, WindowID::chooser,
          WindowID::missingDisplays, WindowID::resolution}) {
        environment_.presenter->close(QString(id));
    }
    co_return true;
}

} // namespace ostrel
