#include "platform/ShortcutRecordingSession.h"

#include "model/ShortcutFormatter.h"
#include "platform/KeyEventCodes.h"
#include "platform/KeyboardLayoutObserver.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

namespace ostrel {

namespace {

constexpr quint32 escapeKeyCode = 53;

QWindow *windowOf(QObject *receiver)
{
    if (auto *window = qobject_cast<QWindow *>(receiver)) {
        return window;
    }
    if (auto *widget = qobject_cast<QWidget *>(receiver)) {
        return widget->window()->windowHandle();
    }
    return nullptr;
}

} // namespace

ShortcutRecordingSession::ShortcutRecordingSession(ShortcutRecordings &recordings,
                                                   KeyboardLayoutObserver *keyboardLayout,
                                                   QObject *parent)
    : QObject(parent)
    , recordings_(recordings)
    , keyboardLayout_(keyboardLayout)
{
}

ShortcutRecordingSession::~ShortcutRecordingSession()
{
    stop();
}

void ShortcutRecordingSession::begin(ChangeHandler onChange)
{
    if (ShortcutRecordingSession *current = recordings_.active()) {
        current->stop();
    }
    recordings_.active_ = this;
    onChange_ = std::move(onChange);

    candidate_.reset();
    liveModifiers_ = 0;
    hint_.reset();
    isRecording_ = true;
    ownerWindow_ = QGuiApplication::focusWindow();

    emit recordings_.recordingStateChanged(true);

    // Every key event of the program passes here first while recording.
    QCoreApplication::instance()->installEventFilter(this);
    monitoring_ = true;

    // Switching to another application, or the recording window losing the keyboard, ends the
    // recording. The stop is queued so it never runs inside Qt's focus handling.
    auto stopLater = [this] {
        QMetaObject::invokeMethod(this, &ShortcutRecordingSession::stop, Qt::QueuedConnection);
    };
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (application) {
        observers_.append(connect(application, &QGuiApplication::applicationStateChanged, this,
                                  [stopLater](Qt::ApplicationState state) {
                                      if (state != Qt::ApplicationActive) {
                                          stopLater();
                                      }
                                  }));
        if (ownerWindow_) {
            QPointer<QWindow> owner = ownerWindow_;
            observers_.append(connect(application, &QGuiApplication::focusWindowChanged, this,
                                      [stopLater, owner](QWindow *focus) {
                                          if (owner && focus != owner) {
                                              stopLater();
                                          }
                                      }));
        }
    }
    emit changed();
}

void ShortcutRecordingSession::stop()
{
    if (!isRecording_) {
        return;
    }
    const bool wasActive = recordings_.active() == this;

    if (monitoring_) {
        QCoreApplication::instance()->removeEventFilter(this);
        monitoring_ = false;
    }
    for (const QMetaObject::Connection &observer : std::as_const(observers_)) {
        disconnect(observer);
    }
    observers_.clear();

    isRecording_ = false;
    candidate_.reset();
    liveModifiers_ = 0;
    hint_.reset();
    onChange_ = nullptr;
    ownerWindow_ = nullptr;

    if (wasActive) {
        recordings_.active_ = nullptr;
        emit recordings_.recordingStateChanged(false);
    }
    emit changed();
}

bool ShortcutRecordingSession::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return handle(watched, static_cast<QKeyEvent *>(event));
    default:
        return false;
    }
}

bool ShortcutRecordingSession::handle(QObject *receiver, QKeyEvent *event)
{
    if (!isRecording_) {
        return false;
    }
    const bool modifierKey = KeyEventCodes::isModifierKey(event->key());
    // Only presses and changes of the held modifiers are recorded; other releases pass.
    if (event->type() == QEvent::KeyRelease && !modifierKey) {
        return false;
    }
    if (!belongsToRecordingWindow(receiver)) {
        stop();
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim the key, so that no shortcut of the window fires and the press comes here.
        event->accept();
        return true;
    }
    if (modifierKey) {
        updateModifiers(KeyEventCodes::carbonModifiers(KeyEventCodes::modifiersAfter(*event)));
        return true;
    }
    const std::optional<quint32> keyCode = KeyEventCodes::virtualKeyCode(*event);
    if (keyCode == escapeKeyCode) {
        // Escape ends recording and keeps the shortcut the control had, whatever is held.
        stop();
        return true;
    }
    if (!keyCode) {
        // A key without a position cannot be stored; it is swallowed like any other key.
        return true;
    }
    liveModifiers_ = KeyEventCodes::carbonModifiers(event->modifiers());
    candidate_ = Shortcut{*keyCode & 0xFFFF, liveModifiers_ & Shortcut::modifierMask};
    if (const std::optional<QString> message = validationMessage()) {
        hint_ = message;
    } else if (warnsAboutTyping()) {
        hint_ = QStringLiteral("Shift-only shortcuts replace ordinary typing or selection. Save "
                               "only if you accept that.");
    } else {
        hint_ = QStringLiteral("Press Save to keep this shortcut.");
    }
    emit changed();
    return true;
}

void ShortcutRecordingSession::updateModifiers(quint32 mask)
{
    if (candidate_) {
        return;
    }
    liveModifiers_ = mask;
    if (mask == Shortcut::shift) {
        hint_ = QStringLiteral("Shift alone replaces ordinary typing or selection. Press a key "
                               "only if you accept that.");
    } else if (mask & (Shortcut::command | Shortcut::option | Shortcut::control)) {
        hint_ = QStringLiteral("Now press a key.");
    } else {
        hint_.reset();
    }
    emit changed();
}

bool ShortcutRecordingSession::belongsToRecordingWindow(QObject *receiver) const
{
    if (!ownerWindow_) {
        return true;
    }
    QWindow *window = windowOf(receiver);
    if (window && window != ownerWindow_) {
        return false;
    }
    return QGuiApplication::focusWindow() == ownerWindow_;
}

std::optional<QString> ShortcutRecordingSession::validationMessage() const
{
    if (!candidate_) {
        return std::nullopt;
    }
    if (std::optional<QString> reserved =
            candidate_->reservedSystemCommandMessage(labelsOf(keyboardLayout_))) {
        return reserved;
    }
    if ((candidate_->modifiers & Shortcut::modifierMask) == 0) {
        return QStringLiteral("Add Shift, Super, Ctrl, or Alt.");
    }
    return std::nullopt;
}

bool ShortcutRecordingSession::warnsAboutTyping() const
{
    return candidate_ && !validationMessage()
        && (candidate_->modifiers & Shortcut::modifierMask) == Shortcut::shift;
}

std::optional<QString> ShortcutRecordingSession::previewText() const
{
    if (candidate_) {
        return ShortcutFormatter::text(*candidate_, labelsOf(keyboardLayout_));
    }
    if (liveModifiers_ != 0) {
        return ShortcutFormatter::modifierSymbols(liveModifiers_);
    }
    return std::nullopt;
}

} // namespace ostrel
