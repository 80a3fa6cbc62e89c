#pragma once

#include "model/CapturePreview.h"
#include "model/Layout.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <optional>

class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class QStackedLayout;
class QVBoxLayout;

namespace ostrel {

class AppIconProvider;
class AppModel;
class CompactMessage;
class FormSectionHeader;
class PlainLabel;
class PanelButton;

// The editing state of one pending capture in the save window: the name, the "Replace it with
// this capture" choice, the last save's error, and the captured windows with their remove
// buttons. It shows whatever the model's pending capture is now; its window replaces it when the
// capture's identity changes, so its state lives exactly as long as one capture.
//
// It runs no save itself: `saveRequested` asks the window, which owns the save (it outlives the
// editor) and reports back through `saveFailed` and `markSaved` while this editor is still shown.
class SaveLayoutEditor : public QWidget {
    Q_OBJECT

public:
    // The longest name the field keeps, in user-perceived characters.
    static constexpr int longestName = 80;

    // `icons` (may be null) draws the windows' applications.
    SaveLayoutEditor(std::optional<QUuid> captureID, AppModel &model, AppIconProvider *icons,
                     int height, QWidget *parent = nullptr);

    // The capture this editor was made for; absent for the waiting state.
    const std::optional<QUuid> &captureID() const { return captureID_; }

    QString name() const;
    bool replaceExisting() const { return replaceExisting_; }
    const std::optional<QString> &errorMessage() const { return errorMessage_; }
    bool isSaving() const { return isSaving_; }
    bool didSave() const { return didSave_; }

    // Whether a save may start: a capture with windows, a name that is not blank, the replace
    // choice made when the name is taken, and no save running.
    bool canSave() const;
    // "Replace Layout" while the name is taken and replacing is chosen, else "Save Layout".
    QString saveTitle() const;

    // "3 windows · 2 displays. Remove any you don’t need."
    static QString windowSummary(const CapturePreview &preview);
    // "2 excluded · 3 skipped", each part only when its count is above 0.
    static QString exclusionSummary(const CapturePreview &preview);

    // The save button's action (Return in the window presses it too): nothing unless a save
    // may start.
    void save();
    // The window's save ended for this editor.
    void saveFailed(const QString &message);
    void markSaved();

    // The window's keyboard shortcuts press these buttons; a disabled button does nothing.
    void pressSave();
    void pressCancel();
    // The name field takes the keyboard focus (when the editor comes on screen).
    void focusName();

    // The editor has left the screen (replaced, or its window closed). Its window discards the
    // capture then, once.
    bool isRetired() const { return retired_; }
    void setRetired() { retired_ = true; }

signals:
    void saveRequested(const QString &name, bool replaceExisting);
    void cancelRequested();

private:
    // As tall as what it shows, up to the height it was given.
    void fitToContent();
    QWidget *makeIntroduction();
    QWidget *makeWaitingState();
    QWidget *makeForm();
    QWidget *makeNameSection();
    QWidget *makeWindowSection();
    QWidget *makePrivacySection();
    QWidget *makeErrorSection();
    QWidget *makeFooter();

    void nameEdited(const QString &text);
    void replaceToggled(bool checked);
    void setErrorText(const std::optional<QString> &message);
    // Recomputes what depends on the model once per turn of the event loop, however many of its
    // signals arrived.
    void scheduleRefresh();
    void refresh();
    void refreshRows(const CapturePreview &preview);

    std::optional<Layout> existingLayout() const;

    const std::optional<QUuid> captureID_;
    QPointer<AppModel> model_;
    AppIconProvider *icons_;

    bool replaceExisting_ = false;
    std::optional<QString> errorMessage_;
    bool isSaving_ = false;
    bool didSave_ = false;
    bool refreshScheduled_ = false;
    bool capping_ = false;
    bool retired_ = false;

    QStackedLayout *body_ = nullptr;
    QWidget *waiting_ = nullptr;
    QWidget *form_ = nullptr;
    QLineEdit *nameField_ = nullptr;
    QWidget *duplicateWarning_ = nullptr;
    PlainLabel *duplicateText_ = nullptr;
    QCheckBox *replaceBox_ = nullptr;
    FormSectionHeader *windowHeader_ = nullptr;
    QWidget *windowRows_ = nullptr;
    QVBoxLayout *windowRowsLayout_ = nullptr;
    PlainLabel *exclusionFooter_ = nullptr;
    QWidget *errorSection_ = nullptr;
    QWidget *errorArea_ = nullptr;
    QHBoxLayout *errorRow_ = nullptr;
    CompactMessage *errorText_ = nullptr;
    PlainLabel *replacesText_ = nullptr;
    PanelButton *cancelButton_ = nullptr;
    PanelButton *saveButton_ = nullptr;
    QWidget *saveSpinner_ = nullptr;

    // What the rows show now, so that they are rebuilt only when it changes.
    std::optional<QList<WindowEntry>> shownEntries_;
    QList<DisplaySnapshot> shownDisplays_;
    int cap_ = 0;
};

} // namespace ostrel
