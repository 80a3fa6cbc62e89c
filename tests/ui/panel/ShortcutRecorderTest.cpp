#include "UiTest.h"
#include "Child.h"

#include "Await.h"

#include "platform/ShortcutRecordingSession.h"
#include "ui/panel/LiveShortcutBadge.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/panel/ShortcutRecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::test {
namespace {

constexpr quint32 cmd = Shortcut::command;
constexpr quint32 shift = Shortcut::shift;
constexpr quint32 opt = Shortcut::option;
constexpr quint32 ctrl = Shortcut::control;

const QString pressPrompt = "Press the key combination you want to use.";

// A window holding recorders, as a host would: it notes every change they report.
class RecorderHost : public QWidget {
public:
    RecorderHost(ShortcutRecordings &recordings, KeyboardLayoutObserver *keyboardLayout)
        : recordings_(recordings)
        , keyboardLayout_(keyboardLayout)
    {
        new QVBoxLayout(this);
        resize(480, 160);
    }

    ShortcutRecorder *add(const QString &label, std::optional<Shortcut> shortcut)
    {
        auto *recorder = new ShortcutRecorder(
            label, shortcut,
            [this, label](std::optional<Shortcut> chosen) {
                reports.append({label, chosen});
            },
            recordings_, keyboardLayout_, this);
        layout()->addWidget(recorder);
        return recorder;
    }

    struct Report {
        QString label;
        std::optional<Shortcut> shortcut;
        bool operator==(const Report &) const = default;
    };
    QList<Report> reports;

private:
    ShortcutRecordings &recordings_;
    KeyboardLayoutObserver *keyboardLayout_;
};

void showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

void press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &event);
}

template <class T>
T *part(const ShortcutRecorder *recorder, const char *name)
{
    T *found = recorder->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

bool shown(const QWidget *widget)
{
    return widget && widget->isVisibleTo(widget->parentWidget());
}

class ShortcutRecorderTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        host = std::make_unique<RecorderHost>(shortcutRecordings, keyboardObserver.get());
    }
    void TearDown() override
    {
        host.reset();
        UiTest::TearDown();
    }

    std::unique_ptr<RecorderHost> host;
};

TEST_F(ShortcutRecorderTest, TheRowFollowsWhatIsPressed)
{
    struct Case {
        const char *what;
        QList<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;
        std::optional<QString> preview; // the live badge, when shown
        bool live;                      // the badge's colours
        bool saveEnabled;
        bool warning; // the hint's symbol and colour
        QString hint;
        QString badgeLabel;
    };
    auto reserved = [](const QString &keys, const QString &command) {
        return keys + " is the desktop's " + command
            + " shortcut. Choose a combination the desktop does not already use.";
    };
    const Case cases[] = {
        {"nothing yet", {}, std::nullopt, false, false, true, pressPrompt, {}},
        {"Super held",
         {{Qt::Key_Meta, Qt::NoModifier}},
         "Super",
         false,
         false,
         true,
         "Now press a key.",
         "Pressed Super, needs a modifier"},
        {"Shift held",
         {{Qt::Key_Shift, Qt::NoModifier}},
         "Shift",
         false,
         false,
         true,
         "Shift alone replaces ordinary typing or selection. Press a key only if you accept that.",
         "Pressed Shift, needs a modifier"},
        {"Ctrl+C, the desktop's Copy",
         {{Qt::Key_C, Qt::ControlModifier}},
         "Ctrl+C",
         false,
         false,
         true,
         reserved("Ctrl+C", "Copy"),
         "Pressed Ctrl+C, reserved for the desktop"},
        {"Alt+Tab, the desktop's window switcher",
         {{Qt::Key_Tab, Qt::AltModifier}},
         "Alt+Tab",
         false,
         false,
         true,
         reserved("Alt+Tab", "Switch Windows"),
         "Pressed Alt+Tab, reserved for the desktop"},
        {"Super+Q, free on Linux",
         {{Qt::Key_Q, Qt::MetaModifier}},
         "Super+Q",
         true,
         true,
         false,
         "Press Save to keep this shortcut.",
         "New shortcut Super+Q"},
        {"Ctrl+Alt+R",
         {{Qt::Key_R, Qt::ControlModifier | Qt::AltModifier}},
         "Ctrl+Alt+R",
         true,
         true,
         false,
         "Press Save to keep this shortcut.",
         "New shortcut Ctrl+Alt+R"},
        {"A without a modifier",
         {{Qt::Key_A, Qt::NoModifier}},
         "A",
         false,
         false,
         true,
         "Add Shift, Super, Ctrl, or Alt.",
         "Pressed A, needs a modifier"},
        {"Shift+A, Shift alone",
         {{Qt::Key_A, Qt::ShiftModifier}},
         "Shift+A",
         false,
         true,
         true,
         "Shift-only shortcuts replace ordinary typing or selection. Save only if you accept that.",
         "New shortcut Shift+A, replaces ordinary typing or selection"},
        {"Ctrl+Alt+K",
         {{Qt::Key_K, Qt::ControlModifier | Qt::AltModifier}},
         "Ctrl+Alt+K",
         true,
         true,
         false,
         "Press Save to keep this shortcut.",
         "New shortcut Ctrl+Alt+K"},
        {"Ctrl+Alt+Shift+Super+L",
         {{Qt::Key_L,
           Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier}},
         "Ctrl+Alt+Shift+Super+L",
         true,
         true,
         false,
         "Press Save to keep this shortcut.",
         "New shortcut Ctrl+Alt+Shift+Super+L"},
    };
    ShortcutRecorder *recorder = host->add("Restore this layout", std::nullopt);
    showActive(*host);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        recorder->record();
        ASSERT_TRUE(recorder->isRecording());
        for (const auto &[key, modifiers] : c.keys) {
            press(recorder, key, modifiers);
        }
        auto *badge = part<LiveShortcutBadge>(recorder, "live-shortcut-badge");
        EXPECT_EQ(shown(badge), c.preview.has_value());
        if (c.preview) {
            EXPECT_EQ(badge->text(), *c.preview);
            EXPECT_EQ(badge->isLive(), c.live);
            EXPECT_EQ(badge->accessibleName(), c.badgeLabel);
        }
        auto *save = part<QAbstractButton>(recorder, "shortcut-save-button");
        EXPECT_TRUE(shown(save));
        EXPECT_EQ(save->isEnabled(), c.saveEnabled);
        EXPECT_EQ(recorder->showsWarning(), c.warning);
        EXPECT_EQ(shown(part<QWidget>(recorder, "shortcut-hint-row")), true);
        EXPECT_EQ(part<QLabel>(recorder, "shortcut-hint")->text(), c.hint);
        EXPECT_FALSE(shown(part<QAbstractButton>(recorder, "shortcut-record-button")));
        recorder->cancel();
        EXPECT_FALSE(recorder->isRecording());
    }
    EXPECT_TRUE(host->reports.isEmpty()) << "nothing was saved";
}

TEST_F(ShortcutRecorderTest, SaveReportsAValidCandidateOnlyAndRemoveReportsNone)
{
    ShortcutRecorder *recorder = host->add("Desk", Shortcut{40, ctrl | opt});
    showActive(*host);

    // Idle with a shortcut: its badge, "Change" and the remove button.
    auto *record = part<PanelButton>(recorder, "shortcut-record-button");
    EXPECT_EQ(record->title(), "Change");
    EXPECT_EQ(record->accessibleName(), "Change shortcut for Desk");
    EXPECT_EQ(part<QWidget>(recorder, "shortcut-remove-button")->accessibleName(),
              "Remove Desk shortcut");
    EXPECT_TRUE(shown(part<ShortcutBadge>(recorder, "shortcut-badge")));

    QTest::mouseClick(record, Qt::LeftButton);
    ASSERT_TRUE(recorder->isRecording());
    auto *summary = part<QWidget>(recorder, "shortcut-current-summary");
    EXPECT_TRUE(shown(summary));
    EXPECT_EQ(summary->accessibleName(), "Current shortcut Ctrl+Alt+K");

    // A reserved candidate cannot be saved, by the button or by the action.
    press(recorder, Qt::Key_C, Qt::ControlModifier);
    auto *save = part<QAbstractButton>(recorder, "shortcut-save-button");
    EXPECT_FALSE(save->isEnabled());
    recorder->save();
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_TRUE(host->reports.isEmpty());

    // A Shift-only one can, although it keeps the warning look.
    press(recorder, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(recorder->showsWarning());
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(host->reports, (QList<RecorderHost::Report>{{"Desk", Shortcut{0, shift}}}));
    // The idle row shows what the host passes, not what was saved.
    EXPECT_EQ(recorder->shortcut(), (Shortcut{40, ctrl | opt}));

    host->reports.clear();
    QTest::mouseClick(part<QWidget>(recorder, "shortcut-remove-button"), Qt::LeftButton);
    EXPECT_EQ(host->reports, (QList<RecorderHost::Report>{{"Desk", std::nullopt}}));

    // Cancel reports nothing.
    host->reports.clear();
    recorder->record();
    press(recorder, Qt::Key_K, Qt::ControlModifier);
    QTest::mouseClick(part<QAbstractButton>(recorder, "shortcut-cancel-button"), Qt::LeftButton);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(host->reports.isEmpty());

    // Without a shortcut: no badge, no remove button, no "Current" summary.
    recorder->setShortcut(std::nullopt);
    EXPECT_EQ(record->title(), "Record");
    EXPECT_EQ(record->accessibleName(), "Record shortcut for Desk");
    EXPECT_FALSE(shown(part<ShortcutBadge>(recorder, "shortcut-badge")));
    EXPECT_FALSE(shown(part<QWidget>(recorder, "shortcut-remove-button")));
    recorder->record();
    EXPECT_FALSE(shown(summary));
}

TEST_F(ShortcutRecorderTest, AHostMayDeleteTheRecorderFromItsHandler)
{
    // Hosts that rebuild on the model's signals delete the recorder while it reports.
    showActive(*host);
    for (const bool saving : {true, false}) {
        SCOPED_TRACE(saving ? "Save" : "Remove");
        QPointer<ShortcutRecorder> recorder;
        int reports = 0;
        recorder = new ShortcutRecorder(
            "Desk", Shortcut{40, ctrl},
            [&](std::optional<Shortcut>) {
                ++reports;
                delete recorder.data();
            },
            shortcutRecordings, keyboardObserver.get(), host.get());
        host->layout()->addWidget(recorder);
        recorder->show();
        if (saving) {
            recorder->record();
            press(recorder, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
            recorder->save();
        } else {
            recorder->remove();
        }
        EXPECT_EQ(reports, 1);
        EXPECT_TRUE(recorder.isNull());
        EXPECT_EQ(shortcutRecordings.active(), nullptr);
    }
}

TEST_F(ShortcutRecorderTest, StartingASecondRecorderEndsTheFirst)
{
    ShortcutRecorder *first = host->add("Desk", std::nullopt);
    ShortcutRecorder *second = host->add("Couch", std::nullopt);
    showActive(*host);
    first->record();
    press(first, Qt::Key_K, Qt::ControlModifier);
    second->record();
    EXPECT_FALSE(first->isRecording());
    EXPECT_TRUE(second->isRecording());
    EXPECT_TRUE(shown(part<QAbstractButton>(first, "shortcut-record-button")));
    EXPECT_EQ(child<ShortcutRecordingSession>(first, "shortcut-recording-session")->candidate(),
              std::nullopt);
}

TEST_F(ShortcutRecorderTest, ARecorderPressedFromOutsideRecordsOnceItsWindowIsActive)
{
    ShortcutRecorder *recorder = host->add("Desk", std::nullopt);
    host->show();
    QWidget other;
    showActive(other);
    recorder->record();
    EXPECT_FALSE(recorder->isRecording()) << "not while another window has the keyboard";
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(recorder->isRecording());
    press(recorder, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(child<ShortcutRecordingSession>(recorder, "shortcut-recording-session")->candidate(),
              (Shortcut{40, ctrl}));
}

TEST_F(ShortcutRecorderTest, RecordingEndsWithTheWindowAndTheHotKeysComeBack)
{
    start();
    const Layout desk = [&] {
        addApplication("org.example.editor", "Editor", {{100, 100, 600, 400}});
        return saveCurrentWindows("Desk");
    }();
    ASSERT_EQ(await(model->setLayoutShortcut(Shortcut{40, ctrl | opt}, desk.id)), std::nullopt);
    ASSERT_EQ(hotKeys.registered().size(), 1);

    enum class End { closed, hidden, disabled, escape };
    for (const End end : {End::closed, End::hidden, End::disabled, End::escape}) {
        SCOPED_TRACE(static_cast<int>(end));
        RecorderHost window(shortcutRecordings, keyboardObserver.get());
        ShortcutRecorder *recorder = window.add("Desk", Shortcut{40, ctrl | opt});
        showActive(window);
        recorder->record();
        ASSERT_TRUE(recorder->isRecording());
        EXPECT_TRUE(hotKeys.registered().isEmpty()) << "held off while recording";
        switch (end) {
        case End::closed:
            window.close();
            break;
        case End::hidden:
            recorder->hide();
            break;
        case End::disabled:
            recorder->setEnabled(false);
            break;
        case End::escape:
            press(recorder, Qt::Key_Escape);
            break;
        }
        settle();
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_EQ(hotKeys.registered().size(), 1) << "registered again";
        EXPECT_TRUE(window.reports.isEmpty());
    }
}

} // namespace
} // namespace ostrel::test
