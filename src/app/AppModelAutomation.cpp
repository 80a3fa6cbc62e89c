#include "app/AppModel.h"

#include "app/AppLog.h"
#include "app/AutomationService.h"
#include "app/RestoreCoordinator.h"
#include "model/Topology.h"
#include "restore/DisplayMapper.h"
#include "system/PointerButtons.h"

namespace ostrel {

namespace {

QString automationNoticeFor(AutomationDeferral deferral)
{
    switch (deferral) {
    case AutomationDeferral::noAssociation:
        return QStringLiteral("The displays changed, but no layout is linked to this setup.");
    case AutomationDeferral::multipleAssociations:
        return QStringLiteral("More than one layout is linked to these displays.");
    default:
        return reason(deferral);
    }
}

} // namespace

// --- What a settled display setup restores ------------------------------------------------------

bool AppModel::dropsAutomationSilently() const
{
    return !settings_->automationEnabled || storageStatus_->isBootstrapping
        || storageStatus_->storageProblem.has_value();
}

void AppModel::handleDeferral(AutomationDeferral deferral)
{
    // A deferral while automation is off or storage is not ready says nothing, exactly like a
    // settled setup would.
    if (dropsAutomationSilently()) {
        return;
    }
    deferAutomation(deferral);
}

void AppModel::handleAutomation(const QList<CurrentDisplay> &displays)
{
    session_.set(&SessionStatus::lastAutomationDeferral, std::nullopt);
    const auto refuse = [this](AutomationDeferral deferral) {
        qCDebug(appLog).noquote() << "Automation did not restore:" << reason(deferral);
        session_.update([&](SessionStatus &session) {
            session.lastAutomationDeferral = deferral;
            session.automationNotice = automationNoticeFor(deferral);
        });
    };
    [&] {
        if (dropsAutomationSilently()) {
            return;
        }
        // An exclusion being saved holds automation back like a running operation does.
        const OperationGuard checks = guard(&displays);
        if (checks.first({Obstacle::pendingExclusion, Obstacle::busy})) {
            refuse(AutomationDeferral::busy);
            return;
        }
        if (checks.blocks(Obstacle::permission)) {
            refuse(AutomationDeferral::permissionMissing);
            return;
        }
        if (!session_->sessionEligible || !eligibilityGate_->eligible()) {
            refuse(AutomationDeferral::sessionInactive);
            return;
        }
        if (checks.blocks(Obstacle::noDisplays)) {
            refuse(AutomationDeferral::displaysUnsettled);
            return;
        }
        if (environment_.system.pointer->pressedMouseButtons() != 0) {
            refuse(AutomationDeferral::activeGesture);
            return;
        }
        const QString signature = Topology::signature(displays);
        QList<Layout> linked;
        for (const Layout &candidate : savedData_->layouts) {
            if (candidate.automationEnabled && candidate.automationTopologySignature == signature) {
                linked.append(candidate);
            }
        }
        if (linked.isEmpty()) {
            refuse(AutomationDeferral::noAssociation);
            return;
        }
        if (linked.size() > 1) {
            refuse(AutomationDeferral::multipleAssociations);
            return;
        }
        const Layout &only = linked.first();
        const DisplayMapping mapping = DisplayMapper::map(only.displays, displays, {}, false);
        if (!DisplayMapper::missingDisplays(only.displays, mapping).isEmpty()) {
            refuse(AutomationDeferral::missingDisplay);
            return;
        }
        qCDebug(appLog).noquote() << "Automation restores" << only.name << "for the displays"
                                  << signature;
        selectLayout(only.id);
        automationService_->didAcceptTrigger(signature);
        restores_->startRestore(ManualRestoreContext::fresh(only.id), displays, true);
    }();
    automationService_->setInFlight(false);
}

} // namespace ostrel
