#pragma once

#include <QWidget>

class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace ostrel {

class CompactMessageSlot;
class KeyboardLayoutObserver;
class PanelButton;
class PlainLabel;
class ShortcutRecorder;
class ShortcutRecordings;

// The widgets of the layout-details window, laid out once: the layout's content (a slot for the
// introduction card above the scrolling form with its sections Name, Windows, Shortcut,
// Automation, Manage and the error section) and the unavailable state. The form has no
// behaviour of its own, in the way of a form built by Qt Designer: LayoutDetailsView connects
// the controls and brings them up to date. Every control is found by its object name.
struct LayoutDetailsForm {
    // Builds the widgets into `view`, which must not have a layout yet.
    void build(QWidget *view, ShortcutRecordings &recordings,
               KeyboardLayoutObserver *keyboardLayout);

    QWidget *content = nullptr;
    QVBoxLayout *introductionSlot = nullptr;
    QScrollArea *scrollArea = nullptr;

    // Name.
    QLineEdit *nameField = nullptr;
    PanelButton *renameButton = nullptr;
    QWidget *duplicateRow = nullptr;
    PlainLabel *duplicateText = nullptr;

    // Windows: one LayoutWindowRow per saved window goes into `windowRowsLayout`.
    PlainLabel *noWindows = nullptr;
    QWidget *windowRows = nullptr;
    QVBoxLayout *windowRowsLayout = nullptr;

    // Shortcut.
    ShortcutRecorder *recorder = nullptr;
    CompactMessageSlot *shortcutMessage = nullptr;

    // Automation.
    PlainLabel *automationDescription = nullptr;
    PlainLabel *olderLayoutHint = nullptr;
    PanelButton *linkButton = nullptr;
    QWidget *automationOffRow = nullptr;
    PanelButton *openSettingsButton = nullptr;
    CompactMessageSlot *automationMessage = nullptr;

    // Manage.
    PanelButton *replaceButton = nullptr;
    PanelButton *deleteButton = nullptr;

    // The error section, last in the form.
    QWidget *errorSection = nullptr;
    CompactMessageSlot *errorMessage = nullptr;

    // The unavailable state.
    QWidget *unavailable = nullptr;
    PanelButton *closeButton = nullptr;

private:
    QWidget *buildNameSection(QWidget *parent);
    QWidget *buildWindowsSection(QWidget *parent);
    QWidget *buildShortcutSection(QWidget *parent, ShortcutRecordings &recordings,
                                  KeyboardLayoutObserver *keyboardLayout);
    QWidget *buildAutomationSection(QWidget *parent);
    QWidget *buildManageSection(QWidget *parent);
    QWidget *buildErrorSection(QWidget *parent);
    QWidget *buildUnavailable(QWidget *parent);
};

} // namespace ostrel
