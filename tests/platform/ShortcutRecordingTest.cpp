#include "platform/ShortcutRecordingSession.h"

#include "ModifierKeys.h"
#include "TestApplication.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

using namespace test::modifiers;

// A window of the program that notes the keys that reach it.
class KeyTarget : public QWidget {
public:
    KeyTarget() { setFocusPolicy(Qt::StrongFocus); }
    QList<int> received;

protected:
    void keyPressEvent(QKeyEvent *event) override { received.append(event->key()); }
};

// One key event as the window system delivers it, with the modifiers held before it took effect
// (QTest's own helpers press and release the listed modifiers around the key).
void send(QWidget &target, QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event(type, key, modifiers);
    QApplication::sendEvent(&target, &event);
}

void showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

class Recording : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }
    void SetUp() override
    {
        listening = QObject::connect(&recordings, &ShortcutRecordings::recordingStateChanged,
                                     [this](bool recording) { states.append(recording); });
        showActive(window);
    }
    void TearDown() override { QObject::disconnect(listening); }

    ShortcutRecordings recordings;
    QMetaObject::Connection listening;
    QList<bool> states;
    KeyTarget window;
};

const QString shiftAlone =
    "Shift alone replaces ordinary typing or selection. Press a key only if you accept that.";
const QString shiftOnly =
    "Shift-only shortcuts replace ordinary typing or selection. Save only if you accept that.";

} // namespace

TEST_F(Recording, AKeyPressBecomesTheCandidateWithItsGuidance)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Shortcut candidate;
        std::optional<QString> validation;
        bool warns;
        QString hint;
        QString preview;
    };
    auto reserved = [](const QString &keys, const QString &command) {
        return keys + " is the desktop's " + command
            + " shortcut. Choose a combination the desktop does not already use.";
    };
    const QString copy = reserved("Ctrl+C", "Copy");
    const QString switchWindows = reserved("Alt+Tab", "Switch Windows");
    const QString quit = reserved("Ctrl+Q", "Quit");
    const Case cases[] = {
        // The desktop's own combinations are refused, with the command they run.
        {Qt::Key_C, Qt::ControlModifier, {8, ctrl}, copy, false, copy, "Ctrl+C"},
        {Qt::Key_Tab, Qt::AltModifier, {48, opt}, switchWindows, false, switchWindows, "Alt+Tab"},
        {Qt::Key_Q, Qt::ControlModifier, {12, ctrl}, quit, false, quit, "Ctrl+Q"},
        // Super+Q is free on Linux desktops, and so is Ctrl+Alt+R.
        {Qt::Key_Q,
         Qt::MetaModifier,
         {12, cmd},
         std::nullopt,
         false,
         "Press Save to keep this shortcut.",
         "Super+Q"},
        {Qt::Key_R,
         Qt::ControlModifier | Qt::AltModifier,
         {15, ctrl | opt},
         std::nullopt,
         false,
         "Press Save to keep this shortcut.",
         "Ctrl+Alt+R"},
        {Qt::Key_A,
         Qt::NoModifier,
         {0, 0},
         "Add Shift, Super, Ctrl, or Alt.",
         false,
         "Add Shift, Super, Ctrl, or Alt.",
         "A"},
        {Qt::Key_A, Qt::ShiftModifier, {0, shift}, std::nullopt, true, shiftOnly, "Shift+A"},
        {Qt::Key_Tab, Qt::ShiftModifier, {48, shift}, std::nullopt, true, shiftOnly, "Shift+Tab"},
        {Qt::Key_Exclam,
         Qt::ShiftModifier | Qt::MetaModifier,
         {18, shift | cmd},
         std::nullopt,
         false,
         "Press Save to keep this shortcut.",
         "Shift+Super+1"},
        {Qt::Key_Left,
         Qt::ControlModifier | Qt::MetaModifier | Qt::KeypadModifier,
         {123, ctrl | cmd},
         std::nullopt,
         false,
         "Press Save to keep this shortcut.",
         "Ctrl+Super+←"},
    };
    for (const Case &c : cases) {
        ShortcutRecordingSession session{recordings, nullptr};
        session.begin([](std::optional<Shortcut>) {});
        QTest::keyClick(&window, c.key, c.modifiers);
        const std::string what = QKeySequence(c.key | c.modifiers).toString().toStdString();
        EXPECT_EQ(session.candidate(), c.candidate) << what;
        EXPECT_EQ(session.validationMessage(), c.validation) << what;
        EXPECT_EQ(session.warnsAboutTyping(), c.warns) << what;
        EXPECT_EQ(session.hint(), c.hint) << what;
        EXPECT_EQ(session.previewText(), c.preview) << what;
        EXPECT_TRUE(session.isRecording()) << what;
    }
    EXPECT_TRUE(window.received.isEmpty()) << "every recorded key is swallowed";
}

TEST_F(Recording, HeldModifiersGuideUntilAKeyIsPressed)
{
    ShortcutRecordingSession session{recordings, nullptr};
    session.begin([](std::optional<Shortcut>) {});
    EXPECT_EQ(session.hint(), std::nullopt);
    EXPECT_EQ(session.previewText(), std::nullopt);

    send(window, QEvent::KeyPress, Qt::Key_Shift);
    EXPECT_EQ(session.hint(), shiftAlone);
    EXPECT_EQ(session.previewText(), "Shift");
    send(window, QEvent::KeyPress, Qt::Key_Meta, Qt::ShiftModifier);
    EXPECT_EQ(session.hint(), "Now press a key.");
    EXPECT_EQ(session.liveModifiers(), shift | cmd);
    EXPECT_EQ(session.previewText(), "Shift+Super");
    send(window, QEvent::KeyRelease, Qt::Key_Meta, Qt::ShiftModifier | Qt::MetaModifier);
    EXPECT_EQ(session.hint(), shiftAlone);
    EXPECT_EQ(session.previewText(), "Shift");
    send(window, QEvent::KeyPress, Qt::Key_Alt, Qt::ShiftModifier);
    EXPECT_EQ(session.hint(), "Now press a key.");
    EXPECT_EQ(session.previewText(), "Alt+Shift");
    send(window, QEvent::KeyRelease, Qt::Key_Alt, Qt::ShiftModifier | Qt::AltModifier);
    send(window, QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(session.hint(), std::nullopt);
    EXPECT_EQ(session.liveModifiers(), 0u);
    EXPECT_EQ(session.previewText(), std::nullopt);

    send(window, QEvent::KeyPress, Qt::Key_Control);
    send(window, QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(session.candidate(), (Shortcut{40, ctrl}));
    EXPECT_EQ(session.hint(), "Press Save to keep this shortcut.");
    // With a candidate, modifiers change nothing any more.
    send(window, QEvent::KeyPress, Qt::Key_Shift, Qt::ControlModifier);
    send(window, QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(session.liveModifiers(), ctrl);
    EXPECT_EQ(session.hint(), "Press Save to keep this shortcut.");
    EXPECT_EQ(session.previewText(), "Ctrl+K");
    EXPECT_TRUE(window.received.isEmpty());
}

TEST_F(Recording, EscapeEndsRecordingWithoutSavingWhateverIsHeld)
{
    for (Qt::KeyboardModifiers held :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::MetaModifier | Qt::AltModifier)}) {
        ShortcutRecordingSession session{recordings, nullptr};
        int saved = 0;
        session.begin([&](std::optional<Shortcut>) { ++saved; });
        QTest::keyClick(&window, Qt::Key_A, Qt::ShiftModifier);
        QTest::keyClick(&window, Qt::Key_Escape, held);
        EXPECT_FALSE(session.isRecording());
        EXPECT_EQ(session.candidate(), std::nullopt);
        EXPECT_EQ(session.hint(), std::nullopt);
        EXPECT_FALSE(session.onChange());
        EXPECT_EQ(saved, 0);
    }
    EXPECT_TRUE(window.received.isEmpty()) << "Escape is swallowed too";
    EXPECT_EQ(states, (QList<bool>{true, false, true, false}));
    EXPECT_EQ(recordings.active(), nullptr);
}

TEST_F(Recording, OnlyOneSessionRecordsAtATime)
{
    ShortcutRecordingSession first{recordings, nullptr};
    ShortcutRecordingSession second{recordings, nullptr};
    first.begin([](std::optional<Shortcut>) {});
    QTest::keyClick(&window, Qt::Key_A, Qt::ShiftModifier);
    second.begin([](std::optional<Shortcut>) {});
    EXPECT_FALSE(first.isRecording());
    EXPECT_EQ(first.candidate(), std::nullopt);
    EXPECT_EQ(first.hint(), std::nullopt);
    EXPECT_EQ(recordings.active(), &second);
    EXPECT_EQ(states, (QList<bool>{true, false, true}));

    QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(first.candidate(), std::nullopt);
    EXPECT_EQ(second.candidate(), (Shortcut{40, ctrl}));

    // Beginning again restarts the same session with a clean slate.
    second.begin([](std::optional<Shortcut>) {});
    EXPECT_EQ(second.candidate(), std::nullopt);
    EXPECT_EQ(states, (QList<bool>{true, false, true, false, true}));
}

TEST_F(Recording, ASessionDestroyedWhileRecordingGivesTheHotKeysBack)
{
    {
        auto *session = new ShortcutRecordingSession(recordings, nullptr);
        session->begin([](std::optional<Shortcut>) {});
        delete session; // its window closed
    }
    EXPECT_EQ(states, (QList<bool>{true, false}));
    EXPECT_EQ(recordings.active(), nullptr);
    QTest::keyClick(&window, Qt::Key_B);
    EXPECT_EQ(window.received, QList<int>{Qt::Key_B}) << "keys reach the window again";
}

TEST_F(Recording, AKeyForAnotherWindowEndsRecordingAndReachesThatWindow)
{
    KeyTarget other;
    other.show();
    ShortcutRecordingSession session{recordings, nullptr};
    session.begin([](std::optional<Shortcut>) {});
    QTest::keyClick(&other, Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(session.isRecording());
    // The press of Ctrl already ends it; both keys reach the other window.
    EXPECT_EQ(other.received, (QList<int>{Qt::Key_Control, Qt::Key_K}));
    EXPECT_EQ(states, (QList<bool>{true, false}));
}

TEST_F(Recording, AnotherWindowTakingTheKeyboardEndsRecording)
{
    ShortcutRecordingSession session{recordings, nullptr};
    session.begin([](std::optional<Shortcut>) {});
    KeyTarget other;
    showActive(other);
    QCoreApplication::processEvents();
    EXPECT_FALSE(session.isRecording());
    EXPECT_EQ(states, (QList<bool>{true, false}));
}

TEST_F(Recording, ShortcutsOfTheWindowDoNotFireWhileRecording)
{
    int fired = 0;
    auto *action = new QAction(&window);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    window.addAction(action);
    QObject::connect(action, &QAction::triggered, [&] { ++fired; });

    ShortcutRecordingSession session{recordings, nullptr};
    session.begin([](std::optional<Shortcut>) {});
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(session.candidate(), (Shortcut{1, ctrl}));
    EXPECT_EQ(fired, 0);

    session.stop();
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fired, 1);
}
