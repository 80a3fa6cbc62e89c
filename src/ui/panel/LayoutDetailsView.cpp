#include "ui/panel/LayoutDetailsView.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "platform/AppIconView.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/CompactMessage.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/ShortcutRecorder.h"
#include "ui/panel/SymbolButton.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/PanelButton.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

namespace {

constexpr int windowWidth = 640;
constexpr int windowHeightCap = 875;

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

PlainLabel *secondaryText(const QString &text, const QFont &font, QWidget *parent)
{
    auto *label = new PlainLabel(text, parent);
    label->setFont(font);
    label->setTone(ThemeColor::secondary());
    label->setWordWrap(true);
    return label;
}

// One section of the form: its header, then its rows on a grouped surface.
QWidget *formSection(FormSectionHeader *header, QWidget *body, QWidget *parent)
{
    auto *section = new QWidget(parent);
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    header->setParent(section);
    column->addWidget(header);
    auto *surface = new GroupedSurface(12, section);
    surface->addWidget(body, {});
    column->addWidget(surface);
    return section;
}

// Where a CompactMessage of one kind is shown; empty and hidden while there is none.
QWidget *messageSlot(const QString &objectName, QWidget *parent)
{
    auto *slot = new QWidget(parent);
    slot->setObjectName(objectName);
    auto *column = new QVBoxLayout(slot);
    column->setContentsMargins(0, 0, 0, 0);
    slot->setFont(UiFont::callout());
    slot->hide();
    return slot;
}

// A message is made anew only when its text changes, so a refresh keeps its details open.
void showMessage(QWidget *slot, CompactMessage *&shown, const std::optional<QString> &message,
                 const QString &summary)
{
    if (shown && (!message || shown->message() != *message)) {
        delete shown;
        shown = nullptr;
    }
    if (message && !shown) {
        shown = new CompactMessage(*message, summary, false, slot);
        slot->layout()->addWidget(shown);
    }
    slot->setVisible(message.has_value());
}

PanelButton *borderedButton(const QString &title, const QString &objectName, QWidget *parent)
{
    auto *button =
        new PanelButton(title, PanelButton::Look::bordered, PanelButton::ControlSize::regular, parent);
    button->setObjectName(objectName);
    return button;
}

} // namespace

LayoutDetailsView::LayoutDetailsView(ViewEnvironment environment, QWidget *parent)
    : QWidget(parent)
    , environment_(std::move(environment))
    , model_(environment_.model)
{
    setObjectName(QStringLiteral("layout-details-window"));
    setAccessibleName(QStringLiteral("Layout Details"));
    const int height = WindowPresenter::windowHeight(
        windowHeightCap,
        environment_.presenter ? environment_.presenter->mainScreenHeight() : std::nullopt);
    setFixedSize(windowWidth, height);

    buildContent();

    if (model_) {
        AppModel *model = model_;
        connect(model, &AppModel::manageLayoutIDChanged, this, [this] {
            followManagedLayout();
            scheduleRefresh();
        });
        for (auto signal : {&AppModel::layoutsChanged, &AppModel::pendingMutationsChanged,
                            &AppModel::permissionTrustedChanged,
                            &AppModel::automationEnabledChanged}) {
            connect(model, signal, this, &LayoutDetailsView::scheduleRefresh);
        }
    }
    subject_ = model_ ? model_->manageLayoutID() : std::nullopt;
    didResetEditor();
    refresh();
}

LayoutDetailsView::~LayoutDetailsView() = default;

void LayoutDetailsView::registerContent(const ViewEnvironment &environment)
{
    if (!environment.presenter) {
        return;
    }
    environment.presenter->setContentFactory(WindowID::layoutDetails, [environment]() -> QWidget * {
        return new LayoutDetailsView(environment);
    });
}

std::optional<Layout> LayoutDetailsView::layout() const
{
    if (!model_) {
        return std::nullopt;
    }
    const std::optional<QUuid> managed = model_->manageLayoutID();
    if (!managed) {
        return std::nullopt;
    }
    return model_->layout(*managed);
}

QString LayoutDetailsView::name() const
{
    return nameField_->text();
}

bool LayoutDetailsView::canRename() const
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return false;
    }
    const QString trimmed = name().trimmed();
    return !trimmed.isEmpty() && trimmed != current->name;
}

QString LayoutDetailsView::introductionDetail(const Layout &layout)
{
    return counted(layout.entries.size(), QStringLiteral("window"), QStringLiteral("windows"))
        + QStringLiteral(" · ")
        + counted(layout.displays.size(), QStringLiteral("display"), QStringLiteral("displays"));
}

// --- Building ------------------------------------------------------------------------------------

void LayoutDetailsView::buildContent()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("layout-details-content"));
    auto *column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    introductionSlot_ = new QVBoxLayout;
    introductionSlot_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(introductionSlot_);

    form_ = new QScrollArea(content_);
    form_->setObjectName(QStringLiteral("layout-details-form"));
    form_->setWidgetResizable(true);
    form_->setFrameShape(QFrame::NoFrame);
    form_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *sections = new QWidget;
    sections->setObjectName(QStringLiteral("layout-details-sections"));
    auto *sectionColumn = new QVBoxLayout(sections);
    sectionColumn->setContentsMargins(20, 12, 20, 20);
    sectionColumn->setSpacing(18);
    sectionColumn->addWidget(buildNameSection());
    sectionColumn->addWidget(buildWindowsSection());
    sectionColumn->addWidget(buildShortcutSection());
    sectionColumn->addWidget(buildAutomationSection());
    sectionColumn->addWidget(buildManageSection());
    sectionColumn->addWidget(buildErrorSection());
    sectionColumn->addStretch(1);
    form_->setWidget(sections);
    overlayScrolling(form_);
    column->addWidget(form_, 1);

    root->addWidget(content_);
    unavailable_ = buildUnavailable();
    root->addWidget(unavailable_);
}

QWidget *LayoutDetailsView::buildNameSection()
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    nameField_ = new QLineEdit(body);
    nameField_->setObjectName(QStringLiteral("layout-name-field"));
    nameField_->setPlaceholderText(QStringLiteral("Layout name"));
    nameField_->setAccessibleName(QStringLiteral("Layout name"));
    nameField_->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    connect(nameField_, &QLineEdit::returnPressed, this, &LayoutDetailsView::rename);
    // The field's own controls follow every keystroke at once.
    connect(nameField_, &QLineEdit::textChanged, this, [this] {
        refreshDuplicateWarning();
        refreshRenameButton();
    });
    row->addWidget(nameField_, 1);
    renameButton_ = borderedButton(QStringLiteral("Rename"), QStringLiteral("rename-layout-button"),
                                   body);
    renameButton_->setAccessibleName(QStringLiteral("Rename"));
    connect(renameButton_, &QAbstractButton::clicked, this, &LayoutDetailsView::rename);
    row->addWidget(renameButton_);
    column->addLayout(row);

    duplicateRow_ = new QWidget(body);
    duplicateRow_->setObjectName(QStringLiteral("duplicate-name-warning"));
    auto *warning = new QHBoxLayout(duplicateRow_);
    warning->setContentsMargins(0, 0, 0, 0);
    warning->setSpacing(7);
    warning->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle"), 12, QFont::Normal,
                                      ThemeColor::warning(), duplicateRow_),
                       0, Qt::AlignTop);
    duplicateText_ = new PlainLabel(QString(), duplicateRow_);
    duplicateText_->setFont(UiFont::subheadline());
    duplicateText_->setWordWrap(true);
    warning->addWidget(duplicateText_, 1);
    duplicateRow_->hide();
    column->addWidget(duplicateRow_);

    return formSection(new FormSectionHeader(QStringLiteral("Name"),
                                             QStringLiteral("The name shown in the panel."),
                                             std::nullopt, std::nullopt),
                       body, this);
}

QWidget *LayoutDetailsView::buildWindowsSection()
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    noWindows_ = secondaryText(QStringLiteral("No saved windows."), UiFont::subheadline(), body);
    noWindows_->setObjectName(QStringLiteral("no-saved-windows"));
    column->addWidget(noWindows_);
    windowRows_ = new QWidget(body);
    windowRows_->setObjectName(QStringLiteral("layout-window-rows"));
    windowRowsLayout_ = new QVBoxLayout(windowRows_);
    windowRowsLayout_->setContentsMargins(0, 0, 0, 0);
    windowRowsLayout_->setSpacing(6);
    column->addWidget(windowRows_);

    return formSection(
        new FormSectionHeader(QStringLiteral("Windows"),
                              QStringLiteral("Apps and window positions kept in this layout."),
                              std::nullopt, std::nullopt),
        body, this);
}

QWidget *LayoutDetailsView::buildShortcutSection()
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    recorder_ = new ShortcutRecorder(
        QStringLiteral("Restore this layout"), std::nullopt,
        [this](std::optional<Shortcut> shortcut) { changeShortcut(shortcut); },
        environment_.keyboardLayout, body);
    column->addWidget(recorder_);
    shortcutMessageSlot_ = messageSlot(QStringLiteral("shortcut-error"), body);
    column->addWidget(shortcutMessageSlot_);

    return formSection(
        new FormSectionHeader(
            QStringLiteral("Shortcut"), QStringLiteral("Restore this layout from anywhere."),
            QStringLiteral("At least one modifier is required. Shift-only shortcuts can replace "
                           "ordinary typing or selection. Standard macOS commands such as ⌘A are "
                           "not available."),
            std::nullopt),
        body, this);
}

QWidget *LayoutDetailsView::buildAutomationSection()
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    automationDescription_ = new PlainLabel(QString(), body);
    automationDescription_->setObjectName(QStringLiteral("automation-description"));
    automationDescription_->setFont(UiFont::body());
    texts->addWidget(automationDescription_);
    texts->addWidget(secondaryText(
        QStringLiteral("Restore this layout when its display setup is connected."),
        UiFont::subheadline(), body));
    olderLayoutHint_ = secondaryText(
        QStringLiteral("Link this older layout on its original displays. Saved windows won’t change."),
        UiFont::subheadline(), body);
    olderLayoutHint_->setObjectName(QStringLiteral("older-layout-hint"));
    texts->addWidget(olderLayoutHint_);
    column->addLayout(texts);

    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    linkButton_ = borderedButton(QStringLiteral("Link Displays"),
                                 QStringLiteral("link-displays-button"), body);
    connect(linkButton_, &QAbstractButton::clicked, this, &LayoutDetailsView::updateAutomation);
    row->addWidget(linkButton_);
    automationOffRow_ = new QWidget(body);
    automationOffRow_->setObjectName(QStringLiteral("automation-off-hint"));
    auto *offRow = new QHBoxLayout(automationOffRow_);
    offRow->setContentsMargins(0, 0, 0, 0);
    offRow->setSpacing(8);
    PlainLabel *turnOn = secondaryText(QStringLiteral("Turn on Restore automatically in Settings."),
                                       UiFont::subheadline(), automationOffRow_);
    turnOn->setWordWrap(false);
    offRow->addWidget(turnOn);
    auto *openSettings = new PanelButton(QStringLiteral("Open Settings"), PanelButton::Look::link,
                                         PanelButton::ControlSize::small, automationOffRow_);
    openSettings->setObjectName(QStringLiteral("open-settings-button"));
    openSettings->setTitleFont(UiFont::subheadline());
    connect(openSettings, &QAbstractButton::clicked, this, [this] {
        if (environment_.openSettings) {
            environment_.openSettings();
        }
    });
    offRow->addWidget(openSettings);
    row->addWidget(automationOffRow_);
    row->addStretch(1);
    column->addLayout(row);

    automationMessageSlot_ = messageSlot(QStringLiteral("automation-error"), body);
    column->addWidget(automationMessageSlot_);

    return formSection(
        new FormSectionHeader(
            QStringLiteral("Automation"),
            QStringLiteral("Bring this layout back when your displays change."),
            QStringLiteral("Automation waits for the display setup to settle before restoring "
                           "anything."),
            std::nullopt),
        body, this);
}

QWidget *LayoutDetailsView::buildManageSection()
{
    auto *body = new QWidget;
    auto *row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    replaceButton_ = borderedButton(QStringLiteral("Replace…"),
                                    QStringLiteral("replace-layout-button"), body);
    connect(replaceButton_, &QAbstractButton::clicked, this, &LayoutDetailsView::confirmReplace);
    row->addWidget(replaceButton_);
    row->addStretch(1);
    deleteButton_ = borderedButton(QStringLiteral("Delete Layout…"),
                                   QStringLiteral("delete-layout-button"), body);
    deleteButton_->setTint(ThemeColor::danger());
    connect(deleteButton_, &QAbstractButton::clicked, this, &LayoutDetailsView::confirmDelete);
    row->addWidget(deleteButton_);

    return formSection(
        new FormSectionHeader(QStringLiteral("Manage"),
                              QStringLiteral("Replace uses the windows open now. Delete keeps "
                                             "them open."),
                              std::nullopt, std::nullopt),
        body, this);
}

QWidget *LayoutDetailsView::buildErrorSection()
{
    errorSection_ = new QWidget(this);
    errorSection_->setObjectName(QStringLiteral("layout-details-error"));
    auto *surface = new GroupedSurface(12, errorSection_);
    auto *outer = new QVBoxLayout(errorSection_);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(surface);
    auto *body = new QWidget;
    auto *row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 13, QFont::Normal,
                                  ThemeColor::danger(), body),
                   0, Qt::AlignTop);
    errorMessageSlot_ = messageSlot(QStringLiteral("layout-error-message"), body);
    row->addWidget(errorMessageSlot_, 1);
    surface->addWidget(body, {});
    errorSection_->hide();
    return errorSection_;
}

QWidget *LayoutDetailsView::buildUnavailable()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("layout-unavailable"));
    auto *column = new QVBoxLayout(page);
    column->setSpacing(8);
    column->addStretch(1);
    column->addWidget(new SymbolView(QStringLiteral("questionmark.folder"), 26, QFont::Normal,
                                     ThemeColor::secondary(), page),
                      0, Qt::AlignHCenter);
    auto *text = secondaryText(QStringLiteral("This layout is no longer available."),
                               UiFont::callout(), page);
    // Across the whole width, centred inside: a wrapping label given only its own width would
    // break after a word or two.
    text->setAlignment(Qt::AlignHCenter);
    column->addWidget(text);
    auto *close = borderedButton(QStringLiteral("Close"), QStringLiteral("close-unavailable-button"),
                                 page);
    connect(close, &QAbstractButton::clicked, this, [this] { window()->close(); });
    column->addWidget(close, 0, Qt::AlignHCenter);
    column->addStretch(1);
    page->hide();
    return page;
}

// --- Following the model -------------------------------------------------------------------------

void LayoutDetailsView::followManagedLayout()
{
    const std::optional<QUuid> managed = model_ ? model_->manageLayoutID() : std::nullopt;
    // A layout that goes away (deleted here or elsewhere) leaves the window about it.
    if (managed && managed != subject_) {
        subject_ = managed;
        didResetEditor();
    }
}

void LayoutDetailsView::didResetEditor()
{
    ++generation_;
    const std::optional<Layout> current = layout();
    lastStoredName_ = current ? std::optional<QString>(current->name) : std::nullopt;
    nameField_->setText(current ? current->name : QString());
    errorMessage_.reset();
    shortcutError_.reset();
    automationError_.reset();
    isWorking_ = false;
    closeOpenConfirmations();
    scheduleRefresh();
}

void LayoutDetailsView::closeOpenConfirmations()
{
    // A question asked about the previous layout must not be answered for the next one.
    confirmingDelete_ = false;
    confirmingReplace_ = false;
    const auto alerts = window()->findChildren<QMessageBox *>(Qt::FindDirectChildrenOnly);
    for (QMessageBox *alert : alerts) {
        if (alert->isVisible()) {
            alert->done(QMessageBox::Cancel);
        }
    }
}

void LayoutDetailsView::scheduleRefresh()
{
    if (refreshScheduled_) {
        return;
    }
    refreshScheduled_ = true;
    QMetaObject::invokeMethod(this, &LayoutDetailsView::refresh, Qt::QueuedConnection);
}

bool LayoutDetailsView::pending(const MutationScope &scope) const
{
    return model_ && model_->pendingMutations().contains(scope);
}

void LayoutDetailsView::refresh()
{
    refreshScheduled_ = false;
    const std::optional<Layout> current = layout();
    content_->setVisible(current.has_value());
    unavailable_->setVisible(!current.has_value());
    if (!current) {
        return;
    }
    const QUuid id = current->id;

    // The field follows a change of the stored name, not every reload of the layouts.
    if (current->name != lastStoredName_) {
        lastStoredName_ = current->name;
        if (nameField_->text() != current->name) {
            nameField_->setText(current->name);
        }
    }

    const QString detail = introductionDetail(*current);
    if (!introduction_ || current->name != introductionTitle_ || detail != introductionDetail_) {
        // The card is made anew for a new title or count: it is laid out once, by its texts.
        delete introduction_;
        introductionTitle_ = current->name;
        introductionDetail_ = detail;
        introduction_ = new RouteIntroduction(QStringLiteral("rectangle.3.group"), current->name,
                                              detail, content_);
        introduction_->setObjectName(QStringLiteral("layout-details-introduction"));
        introductionSlot_->addWidget(introduction_);
    }

    refreshRenameButton();
    refreshDuplicateWarning();

    refreshWindows(*current);

    recorder_->setShortcut(current->shortcut);
    recorder_->setEnabled(!isWorking_ && !pending(MutationScope::shortcut(id)));
    showMessage(shortcutMessageSlot_, shortcutMessage_, shortcutError_,
                QStringLiteral("Couldn’t save the shortcut."));

    automationDescription_->setText(model_->automationDescription(*current));
    olderLayoutHint_->setVisible(std::any_of(current->displays.begin(), current->displays.end(),
                                             [](const DisplaySnapshot &d) { return d.frameInferred; }));
    linkButton_->setTitle(current->automationTopologySignature ? QStringLiteral("Unlink Displays")
                                                               : QStringLiteral("Link Displays"));
    linkButton_->setEnabled(!isWorking_ && !pending(MutationScope::automation(id)));
    automationOffRow_->setVisible(!model_->automationEnabled());
    showMessage(automationMessageSlot_, automationMessage_, automationError_,
                QStringLiteral("Couldn’t update the display link."));

    replaceButton_->setEnabled(model_->permissionTrusted() && !isWorking_
                               && !model_->hasPendingExclusionMutation()
                               && !pending(MutationScope::replace(id)));
    deleteButton_->setEnabled(!isWorking_ && !pending(MutationScope::deleteLayout(id)));

    errorSection_->setVisible(errorMessage_.has_value());
    showMessage(errorMessageSlot_, errorText_, errorMessage_,
                QStringLiteral("Couldn’t update the layout."));
}

void LayoutDetailsView::refreshRenameButton()
{
    const std::optional<Layout> current = layout();
    renameButton_->setEnabled(current && canRename() && !isWorking_
                              && !pending(MutationScope::rename(current->id)));
}

void LayoutDetailsView::refreshDuplicateWarning()
{
    const std::optional<Layout> current = layout();
    const std::optional<Layout> named =
        model_ && current ? model_->layoutNamed(name()) : std::nullopt;
    const bool duplicate = named && named->id != current->id;
    if (duplicate) {
        duplicateText_->setText(QStringLiteral("A layout named “") + named->name
                                + QStringLiteral("” already exists."));
    }
    duplicateRow_->setVisible(duplicate);
}

void LayoutDetailsView::refreshWindows(const Layout &layout)
{
    noWindows_->setVisible(layout.entries.isEmpty());
    windowRows_->setVisible(!layout.entries.isEmpty());
    if (layout.entries != shownEntries_ || layout.displays != shownDisplays_) {
        shownEntries_ = layout.entries;
        shownDisplays_ = layout.displays;
        removeButtons_.clear();
        while (QLayoutItem *item = windowRowsLayout_->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        for (const WindowEntry &entry : layout.entries) {
            auto *row = new QWidget(windowRows_);
            row->setObjectName(QStringLiteral("layout-window-row"));
            auto *line = new QHBoxLayout(row);
            line->setContentsMargins(0, 1, 0, 1);
            line->setSpacing(9);
            line->addWidget(new AppIconView(entry.bundleID, 18, row));
            auto *texts = new QVBoxLayout;
            texts->setSpacing(1);
            // One line each, cut with "…": a long host name must not widen the window.
            auto *label = new LineLimitedLabel(entry.label(), 1, row);
            label->setObjectName(QStringLiteral("layout-window-label"));
            label->setFont(UiFont::body());
            label->setAccessibleName(entry.label());
            label->setToolTip(PlainText::toolTip(entry.label()));
            texts->addWidget(label);
            const QString place = AppModel::displayDescription(entry.displayKey, layout.displays)
                + QStringLiteral(" · ") + entry.geometryDescription();
            auto *where = new LineLimitedLabel(place, 1, row);
            where->setObjectName(QStringLiteral("layout-window-place"));
            where->setFont(UiFont::subheadline());
            where->setTone(ThemeColor::secondary());
            where->setAccessibleName(place);
            texts->addWidget(where);
            line->addLayout(texts, 1);
            line->addSpacing(6);

            auto *remove = new SymbolButton(QStringLiteral("minus.circle"), 15,
                                            ThemeColor::danger(), QSize(22, 24), row);
            remove->setObjectName(QStringLiteral("remove-window-button"));
            remove->setToolTip(QStringLiteral("Remove this window from the layout"));
            remove->setAccessibleName(QStringLiteral("Remove ") + entry.label());
            const QUuid entryID = entry.id;
            connect(remove, &QAbstractButton::clicked, this, [this, entryID] { removeEntry(entryID); });
            line->addWidget(remove);
            removeButtons_.insert(entry.id, remove);
            windowRowsLayout_->addWidget(row);
        }
    }
    for (auto it = removeButtons_.cbegin(); it != removeButtons_.cend(); ++it) {
        it.value()->setEnabled(!pending(MutationScope::removeEntry(layout.id, it.key())));
    }
}

// --- Operations ----------------------------------------------------------------------------------

void LayoutDetailsView::rename()
{
    const std::optional<Layout> current = layout();
    if (!current || !canRename() || isWorking_) {
        return;
    }
    isWorking_ = true;
    errorMessage_.reset();
    scheduleRefresh();
    runRename(this, generation_, current->id, name());
}

QCoro::Task<void> LayoutDetailsView::runRename(QPointer<LayoutDetailsView> view, quint64 generation,
                                               QUuid id, QString name)
{
    QCoro::Task<std::optional<QString>> renaming = view->model_->renameLayout(id, name);
    const std::optional<QString> message = co_await renaming;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->errorMessage_ = message;
    view->isWorking_ = false;
    view->scheduleRefresh();
}

void LayoutDetailsView::removeEntry(const QUuid &entryID)
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return;
    }
    errorMessage_.reset();
    scheduleRefresh();
    runRemoveEntry(this, generation_, current->id, entryID);
}

QCoro::Task<void> LayoutDetailsView::runRemoveEntry(QPointer<LayoutDetailsView> view,
                                                    quint64 generation, QUuid layoutID,
                                                    QUuid entryID)
{
    QCoro::Task<std::optional<QString>> removing = view->model_->removeEntry(layoutID, entryID);
    const std::optional<QString> message = co_await removing;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->errorMessage_ = message;
    view->scheduleRefresh();
}

void LayoutDetailsView::changeShortcut(std::optional<Shortcut> shortcut)
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return;
    }
    runShortcutChange(this, generation_, current->id, shortcut);
}

QCoro::Task<void> LayoutDetailsView::runShortcutChange(QPointer<LayoutDetailsView> view,
                                                       quint64 generation, QUuid layoutID,
                                                       std::optional<Shortcut> shortcut)
{
    QCoro::Task<std::optional<QString>> changing =
        view->model_->setLayoutShortcut(shortcut, layoutID);
    const std::optional<QString> message = co_await changing;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->shortcutError_ = message;
    view->scheduleRefresh();
}

void LayoutDetailsView::updateAutomation()
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return;
    }
    automationError_.reset();
    scheduleRefresh();
    // Decided by the layout as it is at the click.
    runAutomation(this, generation_, current->id, !current->automationTopologySignature);
}

QCoro::Task<void> LayoutDetailsView::runAutomation(QPointer<LayoutDetailsView> view,
                                                   quint64 generation, QUuid layoutID, bool link)
{
    QCoro::Task<std::optional<QString>> updating =
        link ? view->model_->associateAutomation(layoutID)
             : view->model_->clearAutomation(layoutID);
    const std::optional<QString> message = co_await updating;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->automationError_ = message;
    view->scheduleRefresh();
}

void LayoutDetailsView::confirmReplace()
{
    if (!layout() || confirmingReplace_ || !environment_.presenter) {
        return;
    }
    confirmingReplace_ = true;
    runConfirmation(this, generation_, Managing::replace);
}

void LayoutDetailsView::confirmDelete()
{
    if (!layout() || confirmingDelete_ || !environment_.presenter) {
        return;
    }
    confirmingDelete_ = true;
    runConfirmation(this, generation_, Managing::deleteLayout);
}

QCoro::Task<void> LayoutDetailsView::runConfirmation(QPointer<LayoutDetailsView> view,
                                                     quint64 generation, Managing kind)
{
    const bool deleting = kind == Managing::deleteLayout;
    QCoro::Task<bool> asking = view->environment_.presenter->confirmDestructiveAction(
        deleting ? QStringLiteral("Delete Layout?") : QStringLiteral("Replace Layout?"),
        deleting ? QStringLiteral("Deletes the saved layout. Your windows stay open.")
                 : QStringLiteral("Replace the saved windows with the ones open now? This can’t "
                                  "be undone."),
        deleting ? QStringLiteral("Delete") : QStringLiteral("Replace"), view.data());
    const bool confirmed = co_await asking;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    (deleting ? view->confirmingDelete_ : view->confirmingReplace_) = false;
    if (confirmed) {
        view->runManaged(kind);
    }
}

void LayoutDetailsView::runManaged(Managing kind)
{
    const std::optional<Layout> current = layout();
    if (!current || isWorking_) {
        return;
    }
    isWorking_ = true;
    errorMessage_.reset();
    scheduleRefresh();
    runManagedOperation(this, generation_, current->id, kind);
}

QCoro::Task<void> LayoutDetailsView::runManagedOperation(QPointer<LayoutDetailsView> view,
                                                         quint64 generation, QUuid layoutID,
                                                         Managing kind)
{
    QCoro::Task<std::optional<QString>> running =
        kind == Managing::deleteLayout ? view->model_->deleteLayout(layoutID)
                                       : view->model_->replaceLayoutWithCurrentWindows(layoutID);
    const std::optional<QString> message = co_await running;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->errorMessage_ = message;
    view->isWorking_ = false;
    if (kind == Managing::deleteLayout && !message) {
        view->window()->close();
        co_return;
    }
    view->scheduleRefresh();
}

// --- Events --------------------------------------------------------------------------------------

void LayoutDetailsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window the view sits in follows the appearance setting, switching live.
    if (!AppAppearance::of(window())) {
        AppAppearance::attach(window(), environment_);
    }
    if (!event->spontaneous()) {
        // Appearing again starts afresh on the layout managed now.
        subject_ = model_ ? model_->manageLayoutID() : std::nullopt;
        didResetEditor();
        refresh();
    }
}

void LayoutDetailsView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // The link description depends on the displays connected now, which the model does not
        // publish: looked at again whenever the window comes forward.
        scheduleRefresh();
    }
}

} // namespace ostrel
