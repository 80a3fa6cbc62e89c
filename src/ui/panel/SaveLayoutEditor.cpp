#include "ui/panel/SaveLayoutEditor.h"

#include "app/WindowPresenter.h"
#include "ui/panel/NaturalHeight.h"

#include "app/AppModel.h"
#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/CapturedWindowRow.h"
#include "ui/panel/CompactMessage.h"
#include "ui/panel/Divider.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/GraphemeText.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/RouteFootnote.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/UiFont.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int editorWidth = 640;
constexpr int sectionSpacing = 18;
constexpr int headerSpacing = 8;
constexpr int surfacePadding = 10;
constexpr qreal footerDividerOpacity = 0.55;
constexpr int saveSpinnerSize = 12;

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

// A form section: its header (when it has one) above a grouped surface, and an optional footer
// line below.
QWidget *section(FormSectionHeader *header, GroupedSurface *surface, QWidget *footer = nullptr)
{
    auto *widget = new QWidget;
    auto *column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(headerSpacing);
    if (header) {
        column->addWidget(header);
    }
    column->addWidget(surface);
    if (footer) {
        column->addWidget(footer);
    }
    return widget;
}

} // namespace

SaveLayoutEditor::SaveLayoutEditor(std::optional<QUuid> captureID, AppModel &model,
                                   AppIconProvider *icons, int height, QWidget *parent)
    : QWidget(parent)
    , captureID_(captureID)
    , model_(&model)
    , icons_(icons)
{
    setObjectName(QStringLiteral("save-layout-window"));
    cap_ = height;
    setFixedSize(editorWidth, height);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The editor has one height: the body takes what the introduction and the footer leave.
    QWidget *introduction = makeIntroduction();
    introduction->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(introduction);

    auto *body = new QWidget;
    body->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    body_ = new QStackedLayout(body);
    waiting_ = makeWaitingState();
    form_ = makeForm();
    body_->addWidget(waiting_);
    body_->addWidget(form_);
    column->addWidget(body, 1);

    // The last save's error stands right above the buttons, outside the scrolling form: below a
    // long list of windows it was out of sight, and a save that failed seemed to do nothing.
    auto *error = new QWidget;
    error->setObjectName(QStringLiteral("save-layout-error-area"));
    auto *errorColumn = new QVBoxLayout(error);
    errorColumn->setContentsMargins(20, 8, 20, 12);
    errorColumn->addWidget(makeErrorSection());
    error->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    errorArea_ = error;
    column->addWidget(error);

    column->addWidget(new Divider(footerDividerOpacity));
    QWidget *footer = makeFooter();
    footer->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(footer);

    NaturalHeight::follow(this, [this] { fitToContent(); });
    connect(&model, &AppModel::windowRequestsChanged, this, &SaveLayoutEditor::scheduleRefresh);
    connect(&model, &AppModel::savedDataChanged, this, &SaveLayoutEditor::scheduleRefresh);
    refresh();
}

QWidget *SaveLayoutEditor::makeIntroduction()
{
    return new RouteIntroduction(QStringLiteral("square.stack.3d.up"),
                                 QStringLiteral("Save This Arrangement"),
                                 QStringLiteral("Name the layout and choose the windows to keep."));
}

QWidget *SaveLayoutEditor::makeWaitingState()
{
    auto *waiting = new QWidget;
    waiting->setObjectName(QStringLiteral("save-layout-waiting"));
    auto *column = new QVBoxLayout(waiting);
    column->setSpacing(8);
    column->addStretch(1);
    column->addWidget(new ActivityIndicator(24), 0, Qt::AlignHCenter);
    auto *text = new PlainLabel(QStringLiteral("Capturing open windows…"));
    text->setFont(UiFont::callout());
    text->setTone(ThemeColor::secondary());
    column->addWidget(text, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return waiting;
}

QWidget *SaveLayoutEditor::makeForm()
{
    auto *area = new QScrollArea;
    area->setObjectName(QStringLiteral("save-layout-form"));
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overlayScrolling(area);

    auto *content = new QWidget;
    content->setAutoFillBackground(false);
    auto *column = new QVBoxLayout(content);
    // The scroll content's trailing 10 are the scroll bar's strip.
    column->setContentsMargins(20, 6, 10, 20);
    column->setSpacing(sectionSpacing);
    column->addWidget(makeNameSection());
    column->addWidget(makeWindowSection());
    column->addWidget(makePrivacySection());
    column->addStretch(1);
    area->setWidget(content);
    return area;
}

QWidget *SaveLayoutEditor::makeNameSection()
{
    auto *surface = new GroupedSurface(surfacePadding);
    auto *rows = surface->contentLayout();
    rows->setSpacing(8);

    auto *fieldRow = new QHBoxLayout;
    fieldRow->setSpacing(12);
    auto *label = new PlainLabel(QStringLiteral("Name"));
    label->setFont(UiFont::body());
    fieldRow->addWidget(label);
    nameField_ = new QLineEdit;
    nameField_->setObjectName(QStringLiteral("layout-name-field"));
    nameField_->setAccessibleName(QStringLiteral("Name"));
    nameField_->setPlaceholderText(QStringLiteral("e.g. Focus"));
    nameField_->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    nameField_->setFont(UiFont::body());
    nameField_->setTextMargins(4, 1, 4, 1);
    label->setBuddy(nameField_);
    fieldRow->addWidget(nameField_, 1);
    rows->addLayout(fieldRow);
    connect(nameField_, &QLineEdit::textChanged, this, &SaveLayoutEditor::nameEdited);

    duplicateWarning_ = new QWidget;
    duplicateWarning_->setObjectName(QStringLiteral("duplicate-name-warning"));
    auto *warning = new QVBoxLayout(duplicateWarning_);
    warning->setContentsMargins(0, 1, 0, 1);
    warning->setSpacing(6);
    auto *line = new QHBoxLayout;
    line->setSpacing(7);
    line->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle"), 12.5, QFont::Normal,
                                   ThemeColor::warning()),
                    0, Qt::AlignTop);
    duplicateText_ = new PlainLabel;
    duplicateText_->setObjectName(QStringLiteral("duplicate-name-text"));
    duplicateText_->setFont(UiFont::callout());
    duplicateText_->setWordWrap(true);
    line->addWidget(duplicateText_, 1, Qt::AlignTop);
    warning->addLayout(line);
    replaceBox_ = new QCheckBox(QStringLiteral("Replace it with this capture"));
    replaceBox_->setObjectName(QStringLiteral("replace-existing-checkbox"));
    replaceBox_->setFont(UiFont::callout());
    warning->addWidget(replaceBox_, 0, Qt::AlignLeft);
    connect(replaceBox_, &QCheckBox::toggled, this, &SaveLayoutEditor::replaceToggled);
    rows->addWidget(duplicateWarning_);

    return section(new FormSectionHeader(
                       QStringLiteral("Name"),
                       QStringLiteral("Give the layout a short name you’ll recognize later.")),
                   surface);
}

QWidget *SaveLayoutEditor::makeWindowSection()
{
    auto *surface = new GroupedSurface(surfacePadding);
    windowRows_ = new QWidget;
    windowRowsLayout_ = new QVBoxLayout(windowRows_);
    windowRowsLayout_->setContentsMargins(0, 0, 0, 0);
    windowRowsLayout_->setSpacing(6);
    surface->addWidget(windowRows_, {});

    windowHeader_ = new FormSectionHeader(QStringLiteral("Included Windows"), QString());
    windowHeader_->setObjectName(QStringLiteral("included-windows-header"));
    exclusionFooter_ = new PlainLabel;
    exclusionFooter_->setObjectName(QStringLiteral("exclusion-summary"));
    exclusionFooter_->setFont(UiFont::system(10));
    exclusionFooter_->setTone(ThemeColor::secondary());
    exclusionFooter_->setContentsMargins(surfacePadding, 0, 0, 0);
    return section(windowHeader_, surface, exclusionFooter_);
}

QWidget *SaveLayoutEditor::makePrivacySection()
{
    auto *surface = new GroupedSurface(surfacePadding);
    auto *footnote = new RouteFootnote(
        QStringLiteral("hand.raised.fill"),
        QStringLiteral("Saved on this computer. No window titles, file paths, or full URLs."));
    footnote->setContentsMargins(0, 2, 0, 2);
    surface->addWidget(footnote, {});
    return section(nullptr, surface);
}

QWidget *SaveLayoutEditor::makeErrorSection()
{
    auto *surface = new GroupedSurface(surfacePadding);
    surface->setObjectName(QStringLiteral("save-layout-error"));
    auto *line = new QWidget;
    auto *row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 13, QFont::Normal,
                                  ThemeColor::danger()),
                   0, Qt::AlignTop);
    errorRow_ = row;
    surface->addWidget(line, {});
    errorSection_ = section(nullptr, surface);
    return errorSection_;
}

QWidget *SaveLayoutEditor::makeFooter()
{
    auto *footer = new QWidget;
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(20, 14, 20, 14);
    row->setSpacing(10);

    cancelButton_ = new PanelButton(QStringLiteral("Cancel"), PanelButton::Look::bordered,
                                    PanelButton::ControlSize::regular);
    cancelButton_->setObjectName(QStringLiteral("save-layout-cancel"));
    row->addWidget(cancelButton_);
    connect(cancelButton_, &QAbstractButton::clicked, this, &SaveLayoutEditor::cancelRequested);

    row->addStretch(1);

    replacesText_ = new PlainLabel;
    replacesText_->setObjectName(QStringLiteral("replaces-text"));
    replacesText_->setFont(UiFont::subheadline());
    replacesText_->setTone(ThemeColor::secondary());
    row->addWidget(replacesText_);

    saveButton_ = new PanelButton(QStringLiteral("Save Layout"), PanelButton::Look::prominent,
                                  PanelButton::ControlSize::regular);
    saveButton_->setObjectName(QStringLiteral("save-layout-confirm"));
    saveButton_->setTint(ThemeColor::accent());
    saveButton_->setSpacing(6);
    // Shown before the title while a save runs; the button is disabled then, so the indicator
    // takes the colour of a disabled title.
    saveSpinner_ = new ActivityIndicator(saveSpinnerSize, ThemeColor::secondary());
    saveSpinner_->setObjectName(QStringLiteral("save-layout-saving"));
    saveSpinner_->hide();
    saveButton_->setLeadingWidget(saveSpinner_);
    row->addWidget(saveButton_);
    connect(saveButton_, &QAbstractButton::clicked, this, &SaveLayoutEditor::save);
    return footer;
}

QString SaveLayoutEditor::name() const
{
    return nameField_->text();
}

std::optional<Layout> SaveLayoutEditor::existingLayout() const
{
    return model_ ? model_->layoutNamed(name()) : std::nullopt;
}

bool SaveLayoutEditor::canSave() const
{
    if (!model_ || !model_->windowRequests().pendingCapture) {
        return false;
    }
    if (model_->windowRequests().pendingCapture->entries.isEmpty()) {
        return false;
    }
    if (name().trimmed().isEmpty()) {
        return false;
    }
    if (existingLayout() && !replaceExisting_) {
        return false;
    }
    return !isSaving_;
}

QString SaveLayoutEditor::saveTitle() const
{
    return existingLayout() && replaceExisting_ ? QStringLiteral("Replace Layout")
                                                : QStringLiteral("Save Layout");
}

QString SaveLayoutEditor::windowSummary(const CapturePreview &preview)
{
    return counted(preview.entries.size(), QStringLiteral("window"), QStringLiteral("windows"))
        + QStringLiteral(" · ")
        + counted(preview.displays.size(), QStringLiteral("display"), QStringLiteral("displays"))
        + QStringLiteral(". Remove any you don’t need.");
}

QString SaveLayoutEditor::exclusionSummary(const CapturePreview &preview)
{
    QStringList parts;
    if (preview.excludedWindowCount > 0) {
        parts.append(QString::number(preview.excludedWindowCount) + QStringLiteral(" excluded"));
    }
    if (preview.unsupportedWindowCount > 0) {
        parts.append(QString::number(preview.unsupportedWindowCount) + QStringLiteral(" skipped"));
    }
    return parts.join(QStringLiteral(" · "));
}

void SaveLayoutEditor::nameEdited(const QString &text)
{
    if (capping_) {
        return;
    }
    if (GraphemeText::count(text) > longestName) {
        // Cut at a character boundary, so that no emoji or accented letter is split in two.
        const int cursor = nameField_->cursorPosition();
        const QString kept = GraphemeText::leading(text, longestName);
        capping_ = true;
        nameField_->setText(kept);
        nameField_->setCursorPosition(qMin(cursor, int(kept.size())));
        capping_ = false;
    }
    if (!existingLayout()) {
        replaceExisting_ = false;
    }
    refresh();
}

void SaveLayoutEditor::replaceToggled(bool checked)
{
    replaceExisting_ = checked;
    refresh();
}

void SaveLayoutEditor::save()
{
    if (!canSave() || isSaving_) {
        return;
    }
    isSaving_ = true;
    errorMessage_.reset();
    setErrorText(std::nullopt);
    refresh();
    emit saveRequested(name(), replaceExisting_);
}

void SaveLayoutEditor::saveFailed(const QString &message)
{
    isSaving_ = false;
    errorMessage_ = message;
    setErrorText(message);
    refresh();
}

void SaveLayoutEditor::markSaved()
{
    isSaving_ = false;
    didSave_ = true;
    refresh();
}

void SaveLayoutEditor::pressSave()
{
    saveButton_->click();
}

void SaveLayoutEditor::pressCancel()
{
    cancelButton_->click();
}

void SaveLayoutEditor::focusName()
{
    nameField_->setFocus(Qt::OtherFocusReason);
}

void SaveLayoutEditor::setErrorText(const std::optional<QString> &message)
{
    // A new message is a new control, so its details start collapsed again.
    delete errorText_;
    errorText_ = nullptr;
    if (message) {
        errorText_ = new CompactMessage(*message, QStringLiteral("Couldn’t save the layout."));
        errorText_->setObjectName(QStringLiteral("save-layout-error-message"));
        errorText_->setFont(UiFont::callout());
        errorRow_->addWidget(errorText_, 1);
    }
}

void SaveLayoutEditor::scheduleRefresh()
{
    if (refreshScheduled_) {
        return;
    }
    refreshScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshScheduled_ = false;
        refresh();
    });
}

void SaveLayoutEditor::refresh()
{
    const std::optional<CapturePreview> preview =
        model_ ? model_->windowRequests().pendingCapture : std::nullopt;
    body_->setCurrentWidget(preview ? form_ : waiting_);
    if (preview) {
        windowHeader_->detailLabel()->setText(windowSummary(*preview));
        refreshRows(*preview);
        const QString exclusions = exclusionSummary(*preview);
        exclusionFooter_->setText(exclusions);
        exclusionFooter_->setVisible(!exclusions.isEmpty());
    }

    const std::optional<Layout> existing = existingLayout();
    duplicateWarning_->setVisible(existing.has_value());
    if (existing) {
        duplicateText_->setText(QStringLiteral("A layout named “") + existing->name
                                + QStringLiteral("” already exists."));
    }
    {
        const QSignalBlocker quiet(replaceBox_);
        replaceBox_->setChecked(replaceExisting_);
    }
    errorArea_->setVisible(errorMessage_.has_value());

    const bool replacing = existing && replaceExisting_;
    replacesText_->setVisible(replacing);
    if (replacing) {
        replacesText_->setText(QStringLiteral("Replaces “") + existing->name + QStringLiteral("”"));
    }
    saveButton_->setTitle(saveTitle());
    saveSpinner_->setVisible(isSaving_);
    saveButton_->setEnabled(canSave());
    fitToContent();
}

void SaveLayoutEditor::fitToContent()
{
    // Twice: the first pass may change what the scroll area's content wraps to.
    for (int pass = 0; pass < 2; ++pass) {
        setFixedHeight(NaturalHeight::within(
            this, editorWidth, std::min(cap_, WindowPresenter::minimumWindowHeight), cap_));
    }
}

void SaveLayoutEditor::refreshRows(const CapturePreview &preview)
{
    if (shownEntries_ == preview.entries && shownDisplays_ == preview.displays) {
        return;
    }
    shownEntries_ = preview.entries;
    shownDisplays_ = preview.displays;
    while (QLayoutItem *item = windowRowsLayout_->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            // Later: the click that removed a window may still be on its way out of its button.
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (qsizetype i = 0; i < preview.entries.size(); ++i) {
        if (i > 0) {
            windowRowsLayout_->addWidget(new Divider);
        }
        auto *row = new CapturedWindowRow(preview.entries[i], preview.displays, icons_);
        connect(row, &CapturedWindowRow::removeRequested, this, [this](const QUuid &entryID) {
            if (model_) {
                model_->removePendingEntry(entryID);
            }
        });
        windowRowsLayout_->addWidget(row);
    }
    if (preview.entries.isEmpty()) {
        auto *none =
            new PlainLabel(QStringLiteral("No windows left. Close this editor and capture again."));
        none->setObjectName(QStringLiteral("no-windows-left"));
        none->setFont(UiFont::subheadline());
        none->setTone(ThemeColor::secondary());
        none->setWordWrap(true);
        windowRowsLayout_->addWidget(none);
    }
}

} // namespace ostrel
