#include "ui/panel/ShortcutRecorder.h"

#include "model/ShortcutFormatter.h"
#include "platform/KeyboardLayoutObserver.h"
#include "platform/ShortcutRecordingSession.h"
#include "ui/panel/HoverHighlight.h"
#include "ui/panel/LiveShortcutBadge.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/panel/SymbolButton.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QApplication>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWindow>

namespace ostrel {

namespace {

const QString pressPrompt = QStringLiteral("Press the key combination you want to use.");

bool isReserved(const std::optional<Shortcut> &candidate)
{
    return candidate
        && Shortcut::standardSystemCommands().contains(
            QStringLiteral("%1-%2").arg(candidate->keyCode).arg(candidate->modifiers));
}

PanelButton *smallButton(const QString &title, PanelButton::Look look, QFont::Weight weight,
                         int minimumWidth, const QString &objectName, const QString &help,
                         QWidget *parent)
{
    auto *button = new PanelButton(title, look, PanelButton::ControlSize::small, parent);
    button->setObjectName(objectName);
    button->setTitleFont(UiFont::system(11.5, weight));
    button->setMinimumContentWidth(minimumWidth);
    button->setToolTip(help);
    return button;
}

} // namespace

ShortcutRecorder::ShortcutRecorder(const QString &label, std::optional<Shortcut> shortcut,
                                   ChangeHandler onChange, ShortcutRecordings &recordings,
                                   KeyboardLayoutObserver *keyboardLayout, QWidget *parent)
    : QWidget(parent)
    , label_(label)
    , shortcut_(shortcut)
    , onChange_(std::move(onChange))
    , keyboardLayout_(keyboardLayout)
    , session_(new ShortcutRecordingSession(recordings, keyboardLayout, this))
{
    setObjectName(QStringLiteral("shortcut-recorder"));
    session_->setObjectName(QStringLiteral("shortcut-recording-session"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);

    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    column->addLayout(row);

    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("shortcut-recorder-label"));
    title_->setTextFormat(Qt::PlainText);
    title_->setFont(UiFont::system(13));
    // The label gives way to the buttons: it takes the free width and is cut at its end.
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    title_->setMinimumWidth(24);
    row->addWidget(title_, 1);

    const Shortcut shown = shortcut_.value_or(Shortcut{});
    badge_ = new ShortcutBadge(shown, keyboardLayout, this);
    badge_->setObjectName(QStringLiteral("shortcut-badge"));
    row->addWidget(badge_);

    recordButton_ =
        smallButton(QStringLiteral("Record"), PanelButton::Look::bordered, QFont::Normal, 52,
                    QStringLiteral("shortcut-record-button"), QString(), this);
    row->addWidget(recordButton_);

    removeButton_ = new SymbolButton(QStringLiteral("xmark.circle.fill"), 12.5,
                                     ThemeColor::secondary(), QSize(22, 22), this);
    removeButton_->setObjectName(QStringLiteral("shortcut-remove-button"));
    removeButton_->setToolTip(QStringLiteral("Remove shortcut"));
    ostrelHover(removeButton_, 5);
    row->addWidget(removeButton_);

    currentSummary_ = new QWidget(this);
    currentSummary_->setObjectName(QStringLiteral("shortcut-current-summary"));
    auto *summaryRow = new QHBoxLayout(currentSummary_);
    summaryRow->setContentsMargins(0, 0, 0, 0);
    summaryRow->setSpacing(4);
    auto *currentText = new PlainLabel(QStringLiteral("Current"), currentSummary_);
    currentText->setFont(UiFont::system(11));
    currentText->setTone(ThemeColor::secondary());
    summaryRow->addWidget(currentText);
    currentBadge_ = new ShortcutBadge(shown, keyboardLayout, currentSummary_);
    currentBadge_->setObjectName(QStringLiteral("shortcut-current-badge"));
    auto *faded = new QGraphicsOpacityEffect(currentBadge_);
    faded->setOpacity(0.75);
    currentBadge_->setGraphicsEffect(faded);
    summaryRow->addWidget(currentBadge_);
    row->addWidget(currentSummary_);

    liveBadge_ = new LiveShortcutBadge(QString(), false, false, false, this);
    liveBadge_->setObjectName(QStringLiteral("live-shortcut-badge"));
    row->addWidget(liveBadge_);

    saveButton_ = smallButton(QStringLiteral("Save"), PanelButton::Look::prominent, QFont::Medium,
                              46, QStringLiteral("shortcut-save-button"),
                              QStringLiteral("Save this shortcut"), this);
    row->addWidget(saveButton_);

    cancelButton_ = smallButton(QStringLiteral("Cancel"), PanelButton::Look::bordered,
                                QFont::Normal, 0, QStringLiteral("shortcut-cancel-button"),
                                QStringLiteral("Keep the previous shortcut"), this);
    row->addWidget(cancelButton_);

    hintRow_ = new QWidget(this);
    hintRow_->setObjectName(QStringLiteral("shortcut-hint-row"));
    auto *hintLayout = new QHBoxLayout(hintRow_);
    hintLayout->setContentsMargins(0, 0, 0, 0);
    hintLayout->setSpacing(4);
    hintSymbol_ = new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 11, QFont::Normal,
                                 ThemeColor::warning(), hintRow_);
    hintLayout->addWidget(hintSymbol_, 0, Qt::AlignTop);
    hint_ = new PlainLabel(QString(), hintRow_);
    hint_->setObjectName(QStringLiteral("shortcut-hint"));
    hint_->setFont(UiFont::system(11));
    hint_->setWordWrap(true);
    hintLayout->addWidget(hint_, 1);
    column->addWidget(hintRow_);

    connect(recordButton_, &QAbstractButton::clicked, this, &ShortcutRecorder::record);
    connect(removeButton_, &QAbstractButton::clicked, this, &ShortcutRecorder::remove);
    connect(saveButton_, &QAbstractButton::clicked, this, &ShortcutRecorder::save);
    connect(cancelButton_, &QAbstractButton::clicked, this, &ShortcutRecorder::cancel);
    connect(session_, &ShortcutRecordingSession::changed, this, &ShortcutRecorder::refresh);
    if (keyboardLayout) {
        connect(keyboardLayout, &KeyboardLayoutObserver::revisionChanged, this,
                &ShortcutRecorder::refresh);
    }

    updateLabel();
    updateAccessibleNames();
    refresh();
}

ShortcutRecorder::~ShortcutRecorder()
{
    stopWaitingForActivation();
    // The session goes first, while the recorder is whole: ending its recording gives the hot
    // keys back and must not reach a half-destroyed recorder.
    disconnect(session_, nullptr, this, nullptr);
    delete session_;
}

void ShortcutRecorder::setLabel(const QString &label)
{
    if (label == label_) {
        return;
    }
    label_ = label;
    updateLabel();
    updateAccessibleNames();
}

void ShortcutRecorder::setShortcut(std::optional<Shortcut> shortcut)
{
    if (shortcut == shortcut_) {
        return;
    }
    shortcut_ = shortcut;
    if (shortcut_) {
        badge_->setShortcut(*shortcut_);
        currentBadge_->setShortcut(*shortcut_);
    }
    updateAccessibleNames();
    refresh();
}

void ShortcutRecorder::setOnChange(ChangeHandler onChange)
{
    onChange_ = std::move(onChange);
}

bool ShortcutRecorder::isRecording() const
{
    return session_->isRecording();
}

bool ShortcutRecorder::candidateIsValid() const
{
    return session_->candidate() && !session_->validationMessage();
}

bool ShortcutRecorder::showsWarning() const
{
    return !session_->candidate() || session_->validationMessage() || session_->warnsAboutTyping();
}

void ShortcutRecorder::record()
{
    if (!isEnabled() || session_->isRecording()) {
        return;
    }
    // The session records in the window that has the keyboard, so that window must be this
    // recorder's: a recorder pressed from outside (assistive technology) activates its window
    // first and begins once it is active.
    QWidget *top = window();
    QWindow *handle = top->windowHandle();
    if (!handle || QGuiApplication::focusWindow() == handle) {
        beginRecording();
        return;
    }
    stopWaitingForActivation();
    waitingForActivation_ =
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focus) {
            stopWaitingForActivation();
            if (focus && focus == window()->windowHandle() && isVisible() && isEnabled()) {
                beginRecording();
            }
        });
    top->raise();
    top->activateWindow();
}

void ShortcutRecorder::beginRecording()
{
    session_->begin(onChange_);
}

void ShortcutRecorder::stopWaitingForActivation()
{
    if (waitingForActivation_) {
        disconnect(waitingForActivation_);
        waitingForActivation_ = {};
    }
}

void ShortcutRecorder::save()
{
    const std::optional<Shortcut> candidate = session_->candidate();
    if (!candidate || (candidate->modifiers & Shortcut::modifierMask) == 0
        || session_->validationMessage()) {
        return;
    }
    // Taken before `stop`, which clears the handler; the handler may delete this recorder.
    const ChangeHandler handler = session_->onChange();
    const Shortcut chosen = *candidate;
    session_->stop();
    if (handler) {
        handler(chosen);
    }
}

void ShortcutRecorder::cancel()
{
    session_->stop();
}

void ShortcutRecorder::remove()
{
    QPointer<ShortcutRecorder> self(this);
    const ChangeHandler handler = onChange_;
    if (handler) {
        handler(std::nullopt);
    }
    if (self) {
        self->session_->stop();
    }
}

void ShortcutRecorder::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    stopWaitingForActivation();
    session_->stop();
}

void ShortcutRecorder::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        // A disabled recorder takes no keys: its buttons could not end the recording.
        if (!isEnabled()) {
            stopWaitingForActivation();
            session_->stop();
        }
        break;
    default:
        break;
    }
}

void ShortcutRecorder::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateLabel();
}

void ShortcutRecorder::updateLabel()
{
    const QString elided =
        title_->fontMetrics().elidedText(label_, Qt::ElideRight, std::max(0, title_->width()));
    title_->setText(elided);
    PlainText::setToolTip(title_, elided == label_ ? QString() : label_);
    title_->setAccessibleName(label_);
}

void ShortcutRecorder::updateAccessibleNames()
{
    recordButton_->setTitle(shortcut_ ? QStringLiteral("Change") : QStringLiteral("Record"));
    recordButton_->setToolTip(shortcut_ ? QStringLiteral("Change the keyboard shortcut")
                                        : QStringLiteral("Record a keyboard shortcut"));
    recordButton_->setAccessibleName((shortcut_ ? QStringLiteral("Change shortcut for ")
                                                : QStringLiteral("Record shortcut for "))
                                     + label_);
    removeButton_->setAccessibleName(QStringLiteral("Remove ") + label_
                                     + QStringLiteral(" shortcut"));
    saveButton_->setAccessibleName(QStringLiteral("Save shortcut for ") + label_);
    cancelButton_->setAccessibleName(QStringLiteral("Cancel recording for ") + label_);
    currentSummary_->setAccessibleName(
        shortcut_ ? QStringLiteral("Current shortcut ")
                + ShortcutFormatter::text(*shortcut_, labelsOf(keyboardLayout_))
                  : QString());
}

void ShortcutRecorder::refresh()
{
    const bool recording = session_->isRecording();
    const bool hasShortcut = shortcut_.has_value();
    const std::optional<Shortcut> candidate = session_->candidate();
    const bool valid = candidateIsValid();
    const bool warning = showsWarning();
    const std::optional<QString> preview = session_->previewText();
    const bool focusInside = isAncestorOf(QApplication::focusWidget());

    badge_->setVisible(!recording && hasShortcut);
    recordButton_->setVisible(!recording);
    removeButton_->setVisible(!recording && hasShortcut);

    currentSummary_->setVisible(recording && hasShortcut);
    if (hasShortcut) {
        // Relabels the key after a change of the keyboard layout.
        currentSummary_->setAccessibleName(
            QStringLiteral("Current shortcut ")
            + ShortcutFormatter::text(*shortcut_, labelsOf(keyboardLayout_)));
    }
    liveBadge_->setVisible(recording && preview.has_value());
    liveBadge_->setState(preview.value_or(QString()), valid, session_->warnsAboutTyping(),
                         isReserved(candidate));

    saveButton_->setVisible(recording);
    saveButton_->setEnabled(valid);
    // Filled with the accent while it can save, grey otherwise.
    saveButton_->setTint(valid ? ThemeColor::accent() : ThemeColor::secondary());
    cancelButton_->setVisible(recording);

    hintRow_->setVisible(recording);
    hintSymbol_->setVisible(warning);
    hint_->setText(session_->hint().value_or(pressPrompt));
    hint_->setTone(warning ? ThemeColor::warningText() : ThemeColor::secondary());

    if (recording != wasRecording_) {
        wasRecording_ = recording;
        // Keyboard users stay on the recorder: on Cancel while recording, on Record after it.
        if (focusInside) {
            (recording ? static_cast<QWidget *>(cancelButton_) : recordButton_)
                ->setFocus(Qt::OtherFocusReason);
        }
        emit recordingChanged(recording);
    }
}

} // namespace ostrel
