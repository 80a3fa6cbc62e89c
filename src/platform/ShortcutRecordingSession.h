#pragma once

#include "model/Shortcut.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWindow>

#include <functional>
#include <optional>

class QKeyEvent;

namespace ostrel {

class KeyboardLayoutObserver;
class ShortcutRecordingSession;

// The sessions that share one keyboard: at most one of them records at a time. Says when a
// recording begins (true) and ends (false), whichever session records. The program keeps one
// for all its recorders and the model; it must outlive every session made with it.
class ShortcutRecordings : public QObject {
    Q_OBJECT

public:
    // The session that records now, if any.
    ShortcutRecordingSession *active() const { return active_; }

signals:
    void recordingStateChanged(bool recording);

private:
    friend class ShortcutRecordingSession;
    QPointer<ShortcutRecordingSession> active_;
};

// Records one new shortcut from the next key press in the program's own window, with guidance
// while modifiers are held. A recorder control owns one session; only one session of its
// `ShortcutRecordings` records at a time. Main thread only.
class ShortcutRecordingSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY changed)

public:
    using ChangeHandler = std::function<void(std::optional<Shortcut>)>;

    // The texts name the keys with the labels of `keyboardLayout` (the fixed names without one).
    ShortcutRecordingSession(ShortcutRecordings &recordings, KeyboardLayoutObserver *keyboardLayout,
                             QObject *parent = nullptr);
    // A session that goes away while recording (its window closed) stops first, so the hot keys
    // held off for the recording come back.
    ~ShortcutRecordingSession() override;

    // Starts recording in the window that has the keyboard focus, stopping any other recording.
    void begin(ChangeHandler onChange);
    // Ends recording without saving; does nothing when not recording.
    void stop();

    bool isRecording() const { return isRecording_; }
    std::optional<Shortcut> candidate() const { return candidate_; }
    std::optional<QString> hint() const { return hint_; }
    quint32 liveModifiers() const { return liveModifiers_; }
    // The handler given to `begin`; the owner takes it on Save, before calling `stop`.
    ChangeHandler onChange() const { return onChange_; }

    std::optional<QString> previewText() const;
    std::optional<QString> validationMessage() const;
    bool warnsAboutTyping() const;

signals:
    // Any of the published values changed.
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // True when the event is swallowed.
    bool handle(QObject *receiver, QKeyEvent *event);
    void updateModifiers(quint32 mask);
    bool belongsToRecordingWindow(QObject *receiver) const;

    ShortcutRecordings &recordings_;
    QPointer<KeyboardLayoutObserver> keyboardLayout_;
    bool isRecording_ = false;
    std::optional<Shortcut> candidate_;
    std::optional<QString> hint_;
    quint32 liveModifiers_ = 0;
    bool monitoring_ = false;
    QList<QMetaObject::Connection> observers_;
    QPointer<QWindow> ownerWindow_;
    ChangeHandler onChange_;
};

} // namespace ostrel
