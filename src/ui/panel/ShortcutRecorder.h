#pragma once

#include "model/Shortcut.h"

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;

namespace ostrel {

class KeyboardLayoutObserver;
class LiveShortcutBadge;
class PanelButton;
class PlainLabel;
class ShortcutBadge;
class ShortcutRecordingSession;
class ShortcutRecordings;
class SymbolButton;
class SymbolView;

// The one-row control that records, saves, cancels or removes a keyboard shortcut. It never
// touches the model: Save reports the new shortcut and Remove reports none through the host's
// handler, and the host hands the model's answer back with `setShortcut` (the idle row shows
// only what the host passes). Hosts keep one recorder per shortcut and update it in place; a
// host may delete the recorder from inside its handler.
//
// Recording reads the key presses of the recorder's own window, which is made active first; it
// ends with Save, Cancel, Escape, a key or focus elsewhere, another recorder starting, and when
// the recorder is hidden or disabled (the hot keys held off meanwhile then come back).
//
// Accessible names of the buttons: "Record shortcut for " / "Change shortcut for " + label,
// "Remove " + label + " shortcut", "Save shortcut for " + label, "Cancel recording for " + label.
// Object names: "shortcut-recorder", "shortcut-record-button", "shortcut-remove-button",
// "shortcut-save-button", "shortcut-cancel-button", "shortcut-badge", "live-shortcut-badge",
// "shortcut-current-summary", "shortcut-hint"; a host with several recorders sets its own name.
// The recording itself is the child "shortcut-recording-session".
class ShortcutRecorder : public QWidget {
    Q_OBJECT

public:
    using ChangeHandler = std::function<void(std::optional<Shortcut>)>;

    // A recording stops any other of `recordings`, which must outlive the recorder.
    // `keyboardLayout` (may be null) relabels the keys when the keyboard layout changes.
    ShortcutRecorder(const QString &label, std::optional<Shortcut> shortcut, ChangeHandler onChange,
                     ShortcutRecordings &recordings, KeyboardLayoutObserver *keyboardLayout,
                     QWidget *parent = nullptr);
    ~ShortcutRecorder() override;

    QString label() const { return label_; }
    void setLabel(const QString &label);
    std::optional<Shortcut> shortcut() const { return shortcut_; }
    void setShortcut(std::optional<Shortcut> shortcut);
    void setOnChange(ChangeHandler onChange);

    bool isRecording() const;

    // A candidate that can be saved: present and without a validation message.
    bool candidateIsValid() const;
    // The recorder shows its warning look: nothing savable yet, a refused candidate, or Shift
    // alone.
    bool showsWarning() const;

    // The actions of the buttons.
    void record();
    void save();
    void cancel();
    void remove();

signals:
    // Recording began or ended.
    void recordingChanged(bool recording);

protected:
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void beginRecording();
    void stopWaitingForActivation();
    void refresh();
    void updateLabel();
    void updateAccessibleNames();

    QString label_;
    std::optional<Shortcut> shortcut_;
    ChangeHandler onChange_;
    QPointer<KeyboardLayoutObserver> keyboardLayout_;
    ShortcutRecordingSession *session_;
    QMetaObject::Connection waitingForActivation_;
    bool wasRecording_ = false;

    QLabel *title_;
    ShortcutBadge *badge_;
    PanelButton *recordButton_;
    SymbolButton *removeButton_;
    QWidget *currentSummary_;
    ShortcutBadge *currentBadge_;
    LiveShortcutBadge *liveBadge_;
    PanelButton *saveButton_;
    PanelButton *cancelButton_;
    QWidget *hintRow_;
    SymbolView *hintSymbol_;
    PlainLabel *hint_;
};

} // namespace ostrel
