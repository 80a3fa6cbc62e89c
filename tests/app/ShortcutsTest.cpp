#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"

#include "model/Preferences.h"
#include "model/ShortcutFormatter.h"
#include "model/StorageError.h"
#include "platform/ShortcutRecordingSession.h"

#include <QMessageBox>
#include <QSettings>
#include <QWidget>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Alt+Super+K and friends (stored as ⌥⌘K): key code 40 is the K position.
const Shortcut commandOptionK{40, Shortcut::command | Shortcut::option};
const Shortcut controlOptionP{35, Shortcut::control | Shortcut::option};
const Shortcut controlShiftJ{38, Shortcut::control | Shortcut::shift};

QList<Shortcut> registeredShortcuts(const FakeHotKeyRegistry &registry)
{
    QList<Shortcut> shortcuts;
    for (const FakeHotKeyRegistry::Registered &r : registry.registered()) {
        shortcuts.append({r.keyCode, r.modifiers});
    }
    return shortcuts;
}

} // namespace

class Shortcuts : public EditorModelTest {
protected:
    void startWithLayout()
    {
        start();
        work = saveCurrentWindows("Work");
    }

    QString alertText() const
    {
        QMessageBox *alert = presenter->activeAlert();
        return alert ? alert->text() + " / " + alert->informativeText() : QString();
    }
};

TEST_F(Shortcuts, StoredShortcutsAreRegisteredAtStartAndFollowDeletions)
{
    startWithLayout();
    model.reset();
    Preferences::encodeShortcut(commandOptionK, Preferences::globalShortcutKey);
    execute(QStringLiteral("UPDATE layouts SET shortcut_key_code = 35, shortcut_modifiers = %1")
                .arg(Shortcut::control | Shortcut::option));

    start();
    EXPECT_EQ(registeredShortcuts(hotKeys), (QList<Shortcut>{commandOptionK, controlOptionP}));
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, commandOptionK);
    EXPECT_EQ(model->shortcutStatus().shortcutsError, std::nullopt);
    EXPECT_EQ(model->perLayoutShortcuts(), (QHash<QUuid, Shortcut>{{work.id, controlOptionP}}));

    ASSERT_EQ(await(model->deleteLayout(work.id)), std::nullopt);
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{commandOptionK});
}

TEST_F(Shortcuts, AGlobalShortcutFromAnOlderSettingsFileReadsAsLinuxWritesItAndStillRestores)
{
    startWithLayout();
    model.reset();
    // ⌃⌥R, as the settings file of an earlier version holds it: the R position, control + option.
    {
        QSettings settings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"));
        settings.setValue(Preferences::globalShortcutKey,
                          QByteArray(R"({"keyCode":15,"modifiers":6144})"));
    }
    start();
    const Shortcut stored{15, Shortcut::control | Shortcut::option};
    EXPECT_EQ(model->settings().globalShortcut, stored);
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, stored);
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{stored});
    EXPECT_EQ(ShortcutFormatter::text(stored, nullptr), "Ctrl+Alt+R");

    desktop.setFrame(editor[0], {300, 300, 400, 300});
    ASSERT_TRUE(hotKeys.press(15, 6144));
    settle();
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));
}

TEST_F(Shortcuts, APressRestoresItsTargetOrOpensTheChooser)
{
    startWithLayout();
    ASSERT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)), std::nullopt);
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);

    // The global shortcut with nothing selected opens the chooser.
    AppModelTestSeam(model).setSelectedLayoutID(std::nullopt);
    ASSERT_TRUE(hotKeys.press(commandOptionK.keyCode, commandOptionK.modifiers));
    settle();
    ASSERT_TRUE(isOpen(WindowID::chooser));
    EXPECT_EQ(presenter->window(QString(WindowID::chooser))->windowTitle(), "Restore Layout");
    EXPECT_EQ(presenter->window(QString(WindowID::chooser))->size(), QSize(440, 575));
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);

    // A layout's own shortcut selects and restores it.
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    ASSERT_TRUE(hotKeys.press(controlOptionP.keyCode, controlOptionP.modifiers));
    settle();
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));

    // The global one restores the selection.
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    ASSERT_TRUE(hotKeys.press(commandOptionK.keyCode, commandOptionK.modifiers));
    settle();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));
}

TEST_F(Shortcuts, AWindowManagerArrivingAfterTheStartMakesTheFirstPressRestore)
{
    startWithLayout();
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    model.reset();

    // A login that starts the program before the window manager.
    desktop.setTrusted(false);
    start();
    ASSERT_FALSE(model->session().permissionTrusted);
    const int callsBefore = hotKeys.calls();

    desktop.setTrusted(true);
    trustEvents.changeTrust();
    settle();
    EXPECT_TRUE(model->session().permissionTrusted);
    EXPECT_GT(hotKeys.calls(), callsBefore) << "the keys were not grabbed again";
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{commandOptionK});

    desktop.setFrame(editor[0], {300, 300, 400, 300});
    ASSERT_TRUE(hotKeys.press(commandOptionK.keyCode, commandOptionK.modifiers));
    settle();
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    EXPECT_EQ(alertText(), QString());
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));

    // The window manager leaves: the model follows that too.
    desktop.setTrusted(false);
    trustEvents.changeTrust();
    settle();
    EXPECT_FALSE(model->session().permissionTrusted);
}

TEST_F(Shortcuts, APressAlertsForStorageBeforeAccess)
{
    startWithLayout();
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    setTrust(false);
    AppModelTestSeam(model).setStorageProblem(
        StorageProblem{QUuid::createUuid(), "t", "The folder is gone.", "", {}, true, {}});
    hotKeys.press(commandOptionK.keyCode, commandOptionK.modifiers);
    settle();
    EXPECT_EQ(alertText(), "Ostrel Storage Is Unavailable / The folder is gone.");
    presenter->answerAlert("OK");

    AppModelTestSeam(model).setStorageProblem(std::nullopt);
    hotKeys.press(commandOptionK.keyCode, commandOptionK.modifiers);
    settle();
    EXPECT_EQ(alertText(),
              "Accessibility Access Needed / Run a window manager that supports EWMH, then "
              "retry.");
    presenter->answerAlert("OK");
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);
}

TEST_F(Shortcuts, APressWhileAShortcutIsRecordedDoesNothingAndTheKeysAreOff)
{
    startWithLayout();
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    QWidget window;
    window.show();
    window.activateWindow();
    window.setFocus();
    settle();
    ShortcutRecordingSession recording(shortcutRecordings, nullptr);
    recording.begin([](std::optional<Shortcut>) {});
    ASSERT_EQ(shortcutRecordings.active(), &recording);
    EXPECT_TRUE(hotKeys.registered().isEmpty());
    // A press that still arrives is ignored.
    hotKeys.deliver(HotKeyID{0x6C61796F, 1});
    settle();
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::chooser));

    // Changing a shortcut ends the recording first.
    ASSERT_EQ(model->setGlobalShortcut(controlShiftJ), std::nullopt);
    EXPECT_EQ(shortcutRecordings.active(), nullptr);
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{controlShiftJ});
}

TEST_F(Shortcuts, EveryModelHoldsItsKeysOffWhileRecordingAndOneGoneLeavesTheOthers)
{
    startWithLayout();
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    {
        // A second model, built later and gone again, must not take the first one's place.
        FakeHotKeyRegistry otherKeys;
        AppEnvironment other = environment();
        other.hotKeys = &otherKeys;
        other.openStore = []() -> StorageOpenResult {
            throw StorageError::openFailed(QStringLiteral("elsewhere"));
        };
        AppModel second(other);
        ASSERT_TRUE(waitUntil([&] { return !second.storageStatus().isBootstrapping; }));
    }
    QWidget window;
    window.show();
    window.activateWindow();
    window.setFocus();
    settle();
    ShortcutRecordingSession recording(shortcutRecordings, nullptr);
    recording.begin([](std::optional<Shortcut>) {});
    EXPECT_TRUE(hotKeys.registered().isEmpty());
    recording.stop();
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{commandOptionK});
}

TEST_F(Shortcuts, TheGlobalShortcutIsTriedBeforeItIsKept)
{
    startWithLayout();
    ASSERT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)), std::nullopt);
    const QString keysP = ShortcutFormatter::text(controlOptionP, nullptr);

    const std::function<void()> releaseCapture = holdCapture();
    EXPECT_EQ(model->setGlobalShortcut(commandOptionK),
              "Wait for the current operation before changing shortcuts.");
    releaseCapture();
    AppModelTestSeam(model).setPendingMutations({MutationScope::reset()});
    EXPECT_EQ(model->setGlobalShortcut(commandOptionK),
              "Wait for the current operation before changing shortcuts.");
    AppModelTestSeam(model).setPendingMutations({MutationScope::shortcut(QUuid::createUuid())});
    EXPECT_EQ(model->setGlobalShortcut(commandOptionK),
              "Wait for the current shortcut change to finish.");
    AppModelTestSeam(model).setPendingMutations({});

    EXPECT_EQ(model->setGlobalShortcut(controlOptionP),
              keysP + " is used by another layout. Choose another shortcut.");
    EXPECT_EQ(model->shortcutStatus().shortcutsError,
              keysP + " is used by another layout. Choose another shortcut.");
    EXPECT_EQ(model->settings().globalShortcut, std::nullopt);
    EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey), std::nullopt);

    // Storage does not matter to the global shortcut.
    AppModelTestSeam(model).setStorageProblem(
        StorageProblem{QUuid::createUuid(), "t", "m", "", {}, true, {}});
    EXPECT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    EXPECT_EQ(model->shortcutStatus().shortcutsError, std::nullopt);
    EXPECT_EQ(model->shortcutStatus().activeGlobalShortcut, commandOptionK);
    EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey), commandOptionK);
    EXPECT_EQ(await(model->setLayoutShortcut(controlShiftJ, work.id)), "Storage is unavailable.");
    AppModelTestSeam(model).setStorageProblem(std::nullopt);

    // A key another program holds is refused; the previous set is registered again.
    hotKeys.refuse(controlShiftJ.keyCode, controlShiftJ.modifiers);
    const std::optional<Refusal> refused = model->setGlobalShortcut(controlShiftJ);
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->text.endsWith("is in use or reserved. Choose another shortcut."));
    EXPECT_EQ(model->settings().globalShortcut, commandOptionK);
    EXPECT_EQ(registeredShortcuts(hotKeys), (QList<Shortcut>{commandOptionK, controlOptionP}));

    EXPECT_EQ(model->setGlobalShortcut(std::nullopt), std::nullopt);
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{controlOptionP});
    EXPECT_FALSE(QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"))
                     .contains(Preferences::globalShortcutKey));
}

TEST_F(Shortcuts, ALayoutShortcutIsRegisteredThenStored)
{
    startWithLayout();
    ASSERT_EQ(model->setGlobalShortcut(commandOptionK), std::nullopt);
    const QString keysK = ShortcutFormatter::text(commandOptionK, nullptr);

    EXPECT_EQ(await(model->setLayoutShortcut(commandOptionK, work.id)),
              keysK + " is used by the global shortcut. Choose another shortcut.");
    EXPECT_EQ(rows("SELECT shortcut_key_code FROM layouts"), QStringList{"NULL"});
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());

    EXPECT_EQ(await(model->setLayoutShortcut(controlOptionP, QUuid::createUuid())),
              "That layout is no longer available.");
    const std::function<void()> releaseCapture = holdCapture();
    EXPECT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)),
              "Wait for the current operation to finish.");
    releaseCapture();
    AppModelTestSeam(model).setPendingMutations({MutationScope::shortcut(QUuid::createUuid())});
    EXPECT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)),
              "Wait for the current shortcut change to finish.");
    AppModelTestSeam(model).setPendingMutations({});

    EXPECT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)), std::nullopt);
    EXPECT_EQ(rows("SELECT shortcut_key_code, shortcut_modifiers FROM layouts"),
              QStringList{QStringLiteral("35|%1").arg(Shortcut::control | Shortcut::option)});
    EXPECT_EQ(model->layout(work.id)->shortcut, controlOptionP);
    // The same value again is no clash with itself.
    EXPECT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)), std::nullopt);
    EXPECT_EQ(await(model->setLayoutShortcut(std::nullopt, work.id)), std::nullopt);
    EXPECT_EQ(rows("SELECT shortcut_key_code, shortcut_modifiers FROM layouts"),
              QStringList{"NULL|NULL"});
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{commandOptionK});
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}

TEST_F(Shortcuts, AFailedWriteOrReloadLeavesTheHotKeysMatchingTheStore)
{
    startWithLayout();
    execute("CREATE TRIGGER refuse BEFORE UPDATE OF shortcut_key_code ON layouts "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_EQ(await(model->setLayoutShortcut(controlOptionP, work.id)),
              "Couldn’t save changes. refused");
    EXPECT_TRUE(registeredShortcuts(hotKeys).isEmpty());
    EXPECT_EQ(model->layout(work.id)->shortcut, std::nullopt);
    execute("DROP TRIGGER refuse");

    // The write is stored but the list cannot be read back: the hot keys follow what was stored.
    execute("CREATE TRIGGER damage AFTER UPDATE OF shortcut_key_code ON layouts "
            "BEGIN UPDATE layouts SET created_at = -1e300; END;");
    const std::optional<Refusal> failure = await(model->setLayoutShortcut(controlOptionP, work.id));
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(rows("SELECT shortcut_key_code FROM layouts"), QStringList{"35"});
    EXPECT_EQ(registeredShortcuts(hotKeys), QList<Shortcut>{controlOptionP});
    EXPECT_EQ(model->layout(work.id)->shortcut, controlOptionP);
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}
