#include "ui/panel/LayoutDetailsForm.h"

#include "ui/panel/CompactMessageSlot.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ShortcutRecorder.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ostrel {

namespace {

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

CompactMessageSlot *messageSlot(const QString &summary, const QString &objectName, QWidget *parent)
{
    auto *slot = new CompactMessageSlot(summary, parent);
    slot->setObjectName(objectName);
    return slot;
}

PanelButton *borderedButton(const QString &title, const QString &objectName, QWidget *parent)
{
    auto *button = new PanelButton(title, PanelButton::Look::bordered,
                                   PanelButton::ControlSize::regular, parent);
    button->setObjectName(objectName);
    return button;
}

} // namespace

void LayoutDetailsForm::build(QWidget *view, ShortcutRecordings &recordings,
                              KeyboardLayoutObserver *keyboardLayout)
{
    auto *root = new QVBoxLayout(view);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    content = new QWidget(view);
    content->setObjectName(QStringLiteral("layout-details-content"));
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    introductionSlot = new QVBoxLayout;
    introductionSlot->setContentsMargins(0, 0, 0, 0);
    column->addLayout(introductionSlot);

    scrollArea = new QScrollArea(content);
    scrollArea->setObjectName(QStringLiteral("layout-details-form"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *sections = new QWidget;
    sections->setObjectName(QStringLiteral("layout-details-sections"));
    auto *sectionColumn = new QVBoxLayout(sections);
    sectionColumn->setContentsMargins(20, 12, 20, 20);
    sectionColumn->setSpacing(18);
    sectionColumn->addWidget(buildNameSection(view));
    sectionColumn->addWidget(buildWindowsSection(view));
    sectionColumn->addWidget(buildShortcutSection(view, recordings, keyboardLayout));
    sectionColumn->addWidget(buildAutomationSection(view));
    sectionColumn->addWidget(buildManageSection(view));
    sectionColumn->addWidget(buildErrorSection(view));
    sectionColumn->addStretch(1);
    scrollArea->setWidget(sections);
    overlayScrolling(scrollArea);
    column->addWidget(scrollArea, 1);

    root->addWidget(content);
    unavailable = buildUnavailable(view);
    root->addWidget(unavailable);
}

QWidget *LayoutDetailsForm::buildNameSection(QWidget *parent)
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    nameField = new QLineEdit(body);
    nameField->setObjectName(QStringLiteral("layout-name-field"));
    nameField->setPlaceholderText(QStringLiteral("Layout name"));
    nameField->setAccessibleName(QStringLiteral("Layout name"));
    nameField->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    // The same field as the save window's, so that a name looks the same where it is given and
    // where it is changed.
    nameField->setFont(UiFont::body());
    nameField->setTextMargins(4, 1, 4, 1);
    row->addWidget(nameField, 1);
    renameButton =
        borderedButton(QStringLiteral("Rename"), QStringLiteral("rename-layout-button"), body);
    renameButton->setAccessibleName(QStringLiteral("Rename"));
    row->addWidget(renameButton);
    column->addLayout(row);

    duplicateRow = new QWidget(body);
    duplicateRow->setObjectName(QStringLiteral("duplicate-name-warning"));
    auto *warning = new QHBoxLayout(duplicateRow);
    warning->setContentsMargins(0, 0, 0, 0);
    warning->setSpacing(7);
    warning->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle"), 12, QFont::Normal,
                                      ThemeColor::warning(), duplicateRow),
                       0, Qt::AlignTop);
    duplicateText = new PlainLabel(QString(), duplicateRow);
    duplicateText->setFont(UiFont::subheadline());
    duplicateText->setWordWrap(true);
    warning->addWidget(duplicateText, 1);
    duplicateRow->hide();
    column->addWidget(duplicateRow);

    return formSection(new FormSectionHeader(QStringLiteral("Name"),
                                             QStringLiteral("The name shown in the panel."),
                                             std::nullopt, std::nullopt),
                       body, parent);
}

QWidget *LayoutDetailsForm::buildWindowsSection(QWidget *parent)
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    noWindows = secondaryText(QStringLiteral("No saved windows."), UiFont::subheadline(), body);
    noWindows->setObjectName(QStringLiteral("no-saved-windows"));
    column->addWidget(noWindows);
    windowRows = new QWidget(body);
    windowRows->setObjectName(QStringLiteral("layout-window-rows"));
    windowRowsLayout = new QVBoxLayout(windowRows);
    windowRowsLayout->setContentsMargins(0, 0, 0, 0);
    windowRowsLayout->setSpacing(6);
    column->addWidget(windowRows);

    return formSection(
        new FormSectionHeader(QStringLiteral("Windows"),
                              QStringLiteral("Apps and window positions kept in this layout."),
                              std::nullopt, std::nullopt),
        body, parent);
}

QWidget *LayoutDetailsForm::buildShortcutSection(QWidget *parent, ShortcutRecordings &recordings,
                                                 KeyboardLayoutObserver *keyboardLayout)
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    recorder = new ShortcutRecorder(QStringLiteral("Restore this layout"), std::nullopt, {},
                                    recordings, keyboardLayout, body);
    column->addWidget(recorder);
    shortcutMessage = messageSlot(QStringLiteral("Couldn’t save the shortcut."),
                                  QStringLiteral("shortcut-error"), body);
    column->addWidget(shortcutMessage);

    return formSection(
        new FormSectionHeader(
            QStringLiteral("Shortcut"), QStringLiteral("Restore this layout from anywhere."),
            QStringLiteral("At least one modifier is required. Shift-only shortcuts can replace "
                           "ordinary typing or selection. Standard desktop commands such as "
                           "Ctrl+A are not available."),
            std::nullopt),
        body, parent);
}

QWidget *LayoutDetailsForm::buildAutomationSection(QWidget *parent)
{
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    automationDescription = new PlainLabel(QString(), body);
    automationDescription->setObjectName(QStringLiteral("automation-description"));
    automationDescription->setFont(UiFont::body());
    texts->addWidget(automationDescription);
    texts->addWidget(
        secondaryText(QStringLiteral("Restore this layout when its display setup is connected."),
                      UiFont::subheadline(), body));
    olderLayoutHint = secondaryText(
        QStringLiteral(
            "Link this older layout on its original displays. Saved windows won’t change."),
        UiFont::subheadline(), body);
    olderLayoutHint->setObjectName(QStringLiteral("older-layout-hint"));
    texts->addWidget(olderLayoutHint);
    column->addLayout(texts);

    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    linkButton = borderedButton(QStringLiteral("Link Displays"),
                                QStringLiteral("link-displays-button"), body);
    row->addWidget(linkButton);
    automationOffRow = new QWidget(body);
    automationOffRow->setObjectName(QStringLiteral("automation-off-hint"));
    auto *offRow = new QHBoxLayout(automationOffRow);
    offRow->setContentsMargins(0, 0, 0, 0);
    offRow->setSpacing(8);
    PlainLabel *turnOn = secondaryText(QStringLiteral("Turn on Restore automatically in Settings."),
                                       UiFont::subheadline(), automationOffRow);
    turnOn->setWordWrap(false);
    offRow->addWidget(turnOn);
    openSettingsButton = new PanelButton(QStringLiteral("Open Settings"), PanelButton::Look::link,
                                         PanelButton::ControlSize::small, automationOffRow);
    openSettingsButton->setObjectName(QStringLiteral("open-settings-button"));
    openSettingsButton->setTitleFont(UiFont::subheadline());
    offRow->addWidget(openSettingsButton);
    row->addWidget(automationOffRow);
    row->addStretch(1);
    column->addLayout(row);

    automationMessage = messageSlot(QStringLiteral("Couldn’t update the display link."),
                                    QStringLiteral("automation-error"), body);
    column->addWidget(automationMessage);

    return formSection(
        new FormSectionHeader(
            QStringLiteral("Automation"),
            QStringLiteral("Bring this layout back when your displays change."),
            QStringLiteral("Automation waits for the display setup to settle before restoring "
                           "anything."),
            std::nullopt),
        body, parent);
}

QWidget *LayoutDetailsForm::buildManageSection(QWidget *parent)
{
    auto *body = new QWidget;
    auto *row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    replaceButton =
        borderedButton(QStringLiteral("Replace…"), QStringLiteral("replace-layout-button"), body);
    row->addWidget(replaceButton);
    row->addStretch(1);
    deleteButton = borderedButton(QStringLiteral("Delete Layout…"),
                                  QStringLiteral("delete-layout-button"), body);
    deleteButton->setTint(ThemeColor::dangerText());
    row->addWidget(deleteButton);

    return formSection(
        new FormSectionHeader(QStringLiteral("Manage"),
                              QStringLiteral("Replace uses the windows open now. Delete keeps "
                                             "them open."),
                              std::nullopt, std::nullopt),
        body, parent);
}

QWidget *LayoutDetailsForm::buildErrorSection(QWidget *parent)
{
    errorSection = new QWidget(parent);
    errorSection->setObjectName(QStringLiteral("layout-details-error"));
    auto *surface = new GroupedSurface(12, errorSection);
    auto *outer = new QVBoxLayout(errorSection);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(surface);
    auto *body = new QWidget;
    auto *row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 13, QFont::Normal,
                                  ThemeColor::danger(), body),
                   0, Qt::AlignTop);
    errorMessage = messageSlot(QStringLiteral("Couldn’t update the layout."),
                               QStringLiteral("layout-error-message"), body);
    row->addWidget(errorMessage, 1);
    surface->addWidget(body, {});
    errorSection->hide();
    return errorSection;
}

QWidget *LayoutDetailsForm::buildUnavailable(QWidget *parent)
{
    auto *page = new QWidget(parent);
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
    closeButton =
        borderedButton(QStringLiteral("Close"), QStringLiteral("close-unavailable-button"), page);
    column->addWidget(closeButton, 0, Qt::AlignHCenter);
    column->addStretch(1);
    page->hide();
    return page;
}

} // namespace ostrel
