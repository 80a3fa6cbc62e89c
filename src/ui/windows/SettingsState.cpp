#include "ui/windows/SettingsState.h"

#include "app/AppModel.h"
#include "app/EditCoordinator.h"
#include "app/ShortcutCoordinator.h"
#include "app/StorageUpkeep.h"
#include "ui/panel/ViewEnvironment.h"

#include <QFileInfo>

#include <algorithm>

namespace ostrel {

namespace {

const QString leftQuote = QStringLiteral("“");

bool isExcluded(const AppModel &model, const QString &bundleID)
{
    const QList<AppExclusion> &exclusions = model.savedData().exclusions;
    return std::any_of(exclusions.begin(), exclusions.end(),
                       [&](const AppExclusion &e) { return e.bundleID == bundleID; });
}

} // namespace

SettingsState::SettingsState(const ViewEnvironment &environment, QObject *parent)
    : QObject(parent)
    , model_(environment.model)
    , edits_(environment.edits)
    , shortcuts_(environment.shortcuts)
    , storage_(environment.storage)
    , installed_(environment.installedApplications)
{
}

AppModel *SettingsState::model() const
{
    return model_;
}

// --- Shortcuts ----------------------------------------------------------------------------------

std::optional<QString> SettingsState::shortcutsPageMessage() const
{
    if (shortcutMessage_) {
        return shortcutMessage_;
    }
    return model_ ? model_->shortcutStatus().shortcutsError : std::nullopt;
}

void SettingsState::changeGlobalShortcut(std::optional<Shortcut> shortcut)
{
    if (!model_) {
        return;
    }
    shortcutMessage_ = textOf(shortcuts_->setGlobalShortcut(shortcut));
    emit changed();
}

void SettingsState::changeLayoutShortcut(std::optional<Shortcut> shortcut, QUuid layoutID)
{
    if (shortcuts_) {
        runLayoutShortcut(this, shortcuts_, shortcut, layoutID);
    }
}

QCoro::Task<void> SettingsState::runLayoutShortcut(QPointer<SettingsState> self,
                                                   CoordinatorHandle<ShortcutCoordinator> shortcuts,
                                                   std::optional<Shortcut> shortcut, QUuid layoutID)
{
    const std::optional<Refusal> refusal =
        co_await shortcuts->setLayoutShortcut(shortcut, layoutID);
    if (!self) {
        co_return;
    }
    self->shortcutMessage_ = textOf(refusal);
    emit self->changed();
}

// --- Applications -------------------------------------------------------------------------------

bool SettingsState::canChangeExclusions() const
{
    return model_ && !model_->restoreStatus().busy && !isAdding_
        && !model_->savedData().hasPendingExclusionMutation();
}

void SettingsState::addApplications(const QStringList &locations)
{
    if (locations.isEmpty() || !model_) {
        return;
    }
    exclusionError_.reset();
    exclusionMessage_.reset();
    emit changed();
    runBatch(this, model_, edits_, locations);
}

QString SettingsState::applicationName(const InstalledApplication &application,
                                       const QString &location)
{
    if (!application.name.trimmed().isEmpty()) {
        return application.name;
    }
    return QFileInfo(location).completeBaseName();
}

QString SettingsState::batchMessage(int added, int alreadyExcluded)
{
    if (added == 1) {
        return QStringLiteral("1 app added.");
    }
    if (added == 0) {
        return alreadyExcluded > 0 ? QStringLiteral("These apps are already excluded.")
                                   : QStringLiteral("No apps added.");
    }
    return QString::number(added) + QStringLiteral(" apps added.");
}

QCoro::Task<void> SettingsState::runBatch(QPointer<SettingsState> self, QPointer<AppModel> model,
                                          CoordinatorHandle<EditCoordinator> edits,
                                          QStringList locations)
{
    self->isAdding_ = true;
    emit self->changed();
    QStringList failures;
    int added = 0;
    int alreadyExcluded = 0;
    // One after another: each addition is in the model's list before the next is looked at, so
    // the same application chosen twice is added once.
    for (const QString &location : std::as_const(locations)) {
        const std::optional<InstalledApplication> application =
            self->installed_ ? self->installed_->identify(location) : std::nullopt;
        if (!application || application->bundleID.isEmpty()) {
            failures.append(leftQuote + QFileInfo(location).fileName()
                            + QStringLiteral("” has no app ID. Choose another app."));
            continue;
        }
        if (isExcluded(*model, application->bundleID)) {
            ++alreadyExcluded;
            continue;
        }
        const QString name = applicationName(*application, location);
        const std::optional<Refusal> refusal =
            co_await edits->excludeApp(application->bundleID, name);
        if (!self) {
            co_return;
        }
        if (!model) {
            break;
        }
        if (refusal) {
            failures.append(leftQuote + name + QStringLiteral("” was not added. ") + refusal->text);
        } else {
            ++added;
        }
    }
    if (!failures.isEmpty()) {
        self->exclusionError_ = failures.join(QLatin1Char('\n'));
    } else {
        self->exclusionMessage_ = batchMessage(added, alreadyExcluded);
    }
    self->isAdding_ = false;
    emit self->changed();
}

void SettingsState::removeExclusion(const QString &bundleID)
{
    if (edits_) {
        runRemoval(this, edits_, bundleID);
    }
}

QCoro::Task<void> SettingsState::runRemoval(QPointer<SettingsState> self,
                                            CoordinatorHandle<EditCoordinator> edits,
                                            QString bundleID)
{
    self->exclusionError_.reset();
    self->exclusionMessage_.reset();
    emit self->changed();
    const std::optional<Refusal> refusal = co_await edits->removeExclusion(bundleID);
    if (!self || !refusal) {
        // The row goes by itself: the model publishes the exclusions again.
        co_return;
    }
    self->exclusionError_ = refusal->text;
    emit self->changed();
}

// --- Storage ------------------------------------------------------------------------------------

bool SettingsState::canBackUp() const
{
    return model_ && !isBackingUp_ && !isResetting_ && !model_->restoreStatus().busy;
}

bool SettingsState::canResetDatabase() const
{
    if (!model_ || isResetting_ || isBackingUp_ || model_->restoreStatus().busy
        || model_->storageStatus().isBootstrapping
        || !model_->savedData().pendingMutations.isEmpty()) {
        return false;
    }
    return !model_->storageStatus().storageProblem;
}

void SettingsState::backUp()
{
    if (canBackUp()) {
        runBackup(this, storage_);
    }
}

QCoro::Task<void> SettingsState::runBackup(QPointer<SettingsState> self,
                                           CoordinatorHandle<StorageUpkeep> storage)
{
    self->isBackingUp_ = true;
    emit self->changed();
    const std::optional<Refusal> refusal = co_await storage->backupNow();
    if (!self) {
        co_return;
    }
    self->isBackingUp_ = false;
    self->backupIsError_ = refusal.has_value();
    if (refusal) {
        self->backupMessage_ = refusal->text;
    } else {
        self->backupMessage_ = QStringLiteral("Backup saved.");
        // A good backup answers the report of a reset that failed or did not finish; a reset
        // that went through keeps its text.
        if (self->resetIsError_) {
            self->resetMessage_.reset();
            self->resetIsError_ = false;
            self->resetWasRejected_ = false;
        }
    }
    emit self->changed();
}

void SettingsState::performReset()
{
    if (!canResetDatabase()) {
        return;
    }
    isResetting_ = true;
    resetMessage_.reset();
    resetIsError_ = false;
    resetWasRejected_ = false;
    emit changed();
    runReset(this, storage_);
}

QCoro::Task<void> SettingsState::runReset(QPointer<SettingsState> self,
                                          CoordinatorHandle<StorageUpkeep> storage)
{
    const DatabaseResetOutcome outcome = co_await storage->resetDatabase();
    if (!self) {
        co_return;
    }
    self->isResetting_ = false;
    switch (outcome.kind) {
    case DatabaseResetOutcome::Kind::clearedWithWarning:
        self->resetIsError_ = true;
        self->resetMessage_ = outcome.text;
        break;
    case DatabaseResetOutcome::Kind::failed:
        self->resetIsError_ = true;
        self->resetWasRejected_ = true;
        self->resetMessage_ = outcome.text;
        break;
    case DatabaseResetOutcome::Kind::cleared:
        self->resetMessage_ =
            QStringLiteral("Layouts and settings were cleared. Your windows stay open.");
        break;
    }
    // Whatever those pages said was about data that is gone or about to go.
    self->backupMessage_.reset();
    self->backupIsError_ = false;
    self->exclusionMessage_.reset();
    self->exclusionError_.reset();
    self->shortcutMessage_.reset();
    emit self->changed();
}

} // namespace ostrel
