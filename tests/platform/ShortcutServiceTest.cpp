#include "platform/KeyboardLayoutLabels.h"
#include "platform/ShortcutService.h"
#include "system/fake/FakeHotKeyRegistry.h"
#include "system/fake/FakeKeyboardLayout.h"

#include "ModifierKeys.h"
#include "TestApplication.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

using namespace test::modifiers;
constexpr quint32 layo = ShortcutService::signature;

const Shortcut ctrlOptP{35, ctrl | opt};   // Ctrl+Alt+P
const Shortcut ctrlOptK{40, ctrl | opt};   // Ctrl+Alt+K
const Shortcut ctrlOptJ{38, ctrl | opt};   // Ctrl+Alt+J
const Shortcut shiftCmdE{14, shift | cmd}; // Shift+Super+E

const QUuid digitFirst("{0A000000-0000-0000-0000-000000000000}");
const QUuid letterFirst("{A0000000-0000-0000-0000-000000000000}");
const QUuid letterSecond("{B0000000-0000-0000-0000-000000000000}");

using Registered = FakeHotKeyRegistry::Registered;

class HotKeys : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }

    FakeHotKeyRegistry registry;
};

QString inUse(const QString &keys)
{
    return keys + " is in use or reserved. Choose another shortcut.";
}

} // namespace

TEST_F(HotKeys, RegistersTheGlobalShortcutAsOneAndLayoutsFromTwoInIdentifierOrder)
{
    ShortcutService service(registry, nullptr);
    // Whatever order the map gives, digits sort before letters.
    const QHash<QUuid, Shortcut> perLayout = {
        {letterSecond, ctrlOptJ}, {letterFirst, ctrlOptK}, {digitFirst, ctrlOptP}};
    EXPECT_EQ(service.apply(shiftCmdE, perLayout, std::nullopt).message, std::nullopt);
    EXPECT_EQ(registry.registered(),
              (QList<Registered>{
                  {14, shift | cmd, {layo, 1}},
                  {35, ctrl | opt, {layo, 2}},
                  {40, ctrl | opt, {layo, 3}},
                  {38, ctrl | opt, {layo, 4}},
              }));
    EXPECT_EQ(service.activeGlobal(), shiftCmdE);

    QList<ShortcutTarget> triggered;
    service.onTrigger = [&](const ShortcutTarget &target) { triggered.append(target); };
    registry.press(14, shift | cmd);
    registry.press(40, ctrl | opt);
    EXPECT_EQ(triggered,
              (QList<ShortcutTarget>{ShortcutTarget::selectedLayout(),
                                     ShortcutTarget::layout(letterFirst)}));
}

TEST_F(HotKeys, PressesOfForeignOrStaleHotKeysCallNothing)
{
    ShortcutService service(registry, nullptr);
    service.apply(shiftCmdE, {}, std::nullopt);
    int calls = 0;
    service.onTrigger = [&](const ShortcutTarget &) { ++calls; };
    registry.deliver({0x41424344, 1}); // another signature
    registry.deliver({layo, 2});       // no longer registered
    EXPECT_EQ(calls, 0);
    registry.deliver({layo, 1});
    EXPECT_EQ(calls, 1);

    service.onTrigger = nullptr;
    registry.deliver({layo, 1}); // nothing set: nothing happens
}

TEST_F(HotKeys, AnEmptySetUnregistersEverythingAndClearsTheActiveGlobal)
{
    ShortcutService service(registry, nullptr);
    service.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt);
    EXPECT_EQ(service.apply(std::nullopt, {}, std::nullopt).message, std::nullopt);
    EXPECT_TRUE(registry.registered().isEmpty());
    EXPECT_EQ(service.activeGlobal(), std::nullopt);
}

TEST_F(HotKeys, ClashesAreRefusedBeforeAnythingIsUnregistered)
{
    struct Case {
        const char *what;
        std::optional<Shortcut> global;
        QHash<QUuid, Shortcut> perLayout;
        std::optional<ShortcutTarget> editing;
        QString message;
    };
    const Case cases[] = {
        {"global set to a layout's shortcut",
         ctrlOptP,
         {{letterFirst, ctrlOptP}},
         ShortcutTarget::selectedLayout(),
         "Ctrl+Alt+P is used by another layout. Choose another shortcut."},
        {"the same pair registered again",
         ctrlOptP,
         {{letterFirst, ctrlOptP}},
         std::nullopt,
         "Ctrl+Alt+P is used by the global shortcut. Choose another shortcut."},
        {"a layout set to the global shortcut",
         ctrlOptP,
         {{letterFirst, ctrlOptP}},
         ShortcutTarget::layout(letterFirst),
         "Ctrl+Alt+P is used by the global shortcut. Choose another shortcut."},
        {"two layouts, reported for the later one",
         std::nullopt,
         {{letterSecond, ctrlOptK}, {letterFirst, ctrlOptK}},
         std::nullopt,
         "Ctrl+Alt+K is used by another layout. Choose another shortcut."},
    };
    for (const Case &c : cases) {
        FakeHotKeyRegistry fresh;
        ShortcutService service(fresh, nullptr);
        service.apply(shiftCmdE, {{digitFirst, ctrlOptJ}}, std::nullopt);
        const QList<Registered> before = fresh.registered();
        const int calls = fresh.calls();

        EXPECT_EQ(service.apply(c.global, c.perLayout, c.editing).message, c.message) << c.what;
        EXPECT_EQ(fresh.registered(), before) << c.what;
        EXPECT_EQ(fresh.calls(), calls) << c.what;
        EXPECT_EQ(service.activeGlobal(), shiftCmdE) << c.what;
    }
}

TEST_F(HotKeys, ARefusedKeyRollsBackToThePreviousSet)
{
    ShortcutService service(registry, nullptr);
    service.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt);
    const QList<Registered> previous = registry.registered();

    // Another program holds Ctrl+Alt+J: the new set fails at the layout, after its global
    // registered.
    registry.refuse(38, ctrl | opt);
    const ShortcutApplyResult result =
        service.apply(ctrlOptP, {{letterFirst, ctrlOptJ}}, ShortcutTarget::layout(letterFirst));
    EXPECT_EQ(result.message, inUse("Ctrl+Alt+J"));
    EXPECT_EQ(registry.registered(), previous);
    EXPECT_EQ(service.activeGlobal(), shiftCmdE)
        << "the restored global shortcut is the active one";

    // The set registered before the failure is what the next rollback restores.
    registry.refuse(35, ctrl | opt);
    EXPECT_EQ(service.apply(ctrlOptP, {}, ShortcutTarget::selectedLayout()).message,
              inUse("Ctrl+Alt+P"));
    EXPECT_EQ(registry.registered(), previous);
}

TEST_F(HotKeys, ARollbackThatFailsToo)
{
    ShortcutService service(registry, nullptr);
    service.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt);

    // Both the new global shortcut and the previous one are taken by now.
    registry.refuse(35, ctrl | opt);
    registry.refuse(14, shift | cmd);
    EXPECT_EQ(service.apply(ctrlOptP, {}, ShortcutTarget::selectedLayout()).message,
              inUse("Ctrl+Alt+P") + " Previous shortcut also failed: " + inUse("Shift+Super+E"));
    EXPECT_TRUE(registry.registered().isEmpty()) << "the rollback stops at its first failure";
    EXPECT_EQ(service.activeGlobal(), std::nullopt);

    // A rollback that restores the global shortcut but fails at a layout keeps what registered.
    registry.allow(14, shift | cmd);
    registry.allow(35, ctrl | opt);
    ShortcutService second(registry, nullptr);
    second.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt);
    second.unregisterAll();
    registry.refuse(38, ctrl | opt);
    registry.refuse(40, ctrl | opt);
    EXPECT_EQ(second.apply(shiftCmdE, {{letterFirst, ctrlOptJ}}, std::nullopt).message,
              inUse("Ctrl+Alt+J") + " Previous shortcut also failed: " + inUse("Ctrl+Alt+K"));
    EXPECT_EQ(registry.registered(), (QList<Registered>{{14, shift | cmd, {layo, 1}}}));
    EXPECT_EQ(second.activeGlobal(), shiftCmdE);
}

TEST_F(HotKeys, ReservedCombinationsAndMissingModifiersFailWhileRegistering)
{
    ShortcutService service(registry, nullptr);
    service.apply(ctrlOptP, {}, std::nullopt);
    EXPECT_EQ(service.apply(Shortcut{12, ctrl}, {}, ShortcutTarget::selectedLayout()).message,
              "Ctrl+Q is the desktop's Quit shortcut. Choose a combination the desktop does not "
              "already use.");
    EXPECT_EQ(service.apply(Shortcut{0, 0}, {}, ShortcutTarget::selectedLayout()).message,
              "A needs at least one modifier.");
    EXPECT_EQ(registry.registered(), (QList<Registered>{{35, ctrl | opt, {layo, 1}}}));
    EXPECT_EQ(service.activeGlobal(), ctrlOptP);
}

TEST_F(HotKeys, AStoredLayoutShortcutWithoutModifiersLeavesTheOthersRegistered)
{
    ShortcutService service(registry, nullptr);
    const QHash<QUuid, Shortcut> perLayout = {
        {digitFirst, Shortcut{0, 0}}, {letterFirst, ctrlOptK}, {letterSecond, Shortcut{1, 0}}};
    EXPECT_EQ(service.apply(shiftCmdE, perLayout, std::nullopt).message,
              "A needs at least one modifier.");
    // The unusable ones keep their numbers, so the others' numbers do not depend on them.
    EXPECT_EQ(registry.registered(),
              (QList<Registered>{
                  {14, shift | cmd, {layo, 1}},
                  {40, ctrl | opt, {layo, 3}},
              }));
    EXPECT_EQ(service.activeGlobal(), shiftCmdE);

    // It is also left out of a later rollback.
    registry.refuse(35, ctrl | opt);
    EXPECT_EQ(service.apply(ctrlOptP, perLayout, ShortcutTarget::selectedLayout()).message,
              inUse("Ctrl+Alt+P"));
    EXPECT_EQ(registry.registered().size(), 2);
    EXPECT_EQ(service.activeGlobal(), shiftCmdE);
}

TEST_F(HotKeys, StoredShortcutsThatCanNeverBeHotKeysLeaveTheOthersRegistered)
{
    const Shortcut noModifier{0, 0}; // A
    const Shortcut quit{12, ctrl};   // Ctrl+Q
    const QString quitMessage = "Ctrl+Q is the desktop's Quit shortcut. Choose a combination the "
                                "desktop does not already use.";
    struct Case {
        const char *what;
        std::optional<Shortcut> global;
        QHash<QUuid, Shortcut> perLayout;
        QString message;
        QList<Registered> registered;
    };
    const Case cases[] = {
        {"a global shortcut without modifiers",
         noModifier,
         {{letterFirst, ctrlOptK}},
         "A needs at least one modifier.",
         {{40, ctrl | opt, {layo, 2}}}},
        {"a reserved global shortcut",
         quit,
         {{letterFirst, ctrlOptK}},
         quitMessage,
         {{40, ctrl | opt, {layo, 2}}}},
        {"a reserved layout shortcut",
         shiftCmdE,
         {{digitFirst, quit}, {letterFirst, ctrlOptK}},
         quitMessage,
         {{14, shift | cmd, {layo, 1}}, {40, ctrl | opt, {layo, 3}}}},
        {"two equal ones that never register do not clash",
         std::nullopt,
         {{digitFirst, quit}, {letterFirst, quit}, {letterSecond, ctrlOptK}},
         quitMessage,
         {{40, ctrl | opt, {layo, 4}}}},
        {"the global shortcut is named first",
         noModifier,
         {{digitFirst, quit}},
         "A needs at least one modifier.",
         {}},
    };
    for (const Case &c : cases) {
        FakeHotKeyRegistry fresh;
        ShortcutService service(fresh, nullptr);
        EXPECT_EQ(service.apply(c.global, c.perLayout, std::nullopt).message, c.message) << c.what;
        EXPECT_EQ(fresh.registered(), c.registered) << c.what;
        // The settings show what is registered.
        const bool globalRegistered = !c.registered.isEmpty() && c.registered.first().id.id == 1;
        EXPECT_EQ(service.activeGlobal(), globalRegistered ? c.global : std::nullopt) << c.what;

        // A later rollback leaves them out too.
        fresh.refuse(35, ctrl | opt);
        EXPECT_EQ(
            service.apply(c.global, {{letterFirst, ctrlOptP}}, ShortcutTarget::layout(letterFirst))
                .message,
            inUse("Ctrl+Alt+P"))
            << c.what;
        EXPECT_EQ(fresh.registered(), c.registered) << c.what;
    }
}

TEST_F(HotKeys, TheShortcutBeingSetIsNeverLeftOut)
{
    ShortcutService service(registry, nullptr);
    service.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt);
    const QList<Registered> previous = registry.registered();

    // Set by the user, a shortcut that can never be a hot key fails the set, which rolls back.
    EXPECT_EQ(service
                  .apply(shiftCmdE, {{letterFirst, ctrlOptK}, {letterSecond, Shortcut{1, 0}}},
                         ShortcutTarget::layout(letterSecond))
                  .message,
              "S needs at least one modifier.");
    EXPECT_EQ(registry.registered(), previous);
    EXPECT_EQ(
        service
            .apply(Shortcut{12, ctrl}, {{letterFirst, ctrlOptK}}, ShortcutTarget::selectedLayout())
            .message,
        "Ctrl+Q is the desktop's Quit shortcut. Choose a combination the desktop does not already "
        "use.");
    EXPECT_EQ(registry.registered(), previous);

    // An edit that registers succeeds, even beside a stored one that stays out: the answer is
    // about the edit alone.
    EXPECT_EQ(service
                  .apply(ctrlOptP, {{digitFirst, Shortcut{12, ctrl}}, {letterFirst, ctrlOptK}},
                         ShortcutTarget::selectedLayout())
                  .message,
              std::nullopt);
    EXPECT_EQ(registry.registered(),
              (QList<Registered>{
                  {35, ctrl | opt, {layo, 1}},
                  {40, ctrl | opt, {layo, 3}},
              }));
    EXPECT_EQ(service.activeGlobal(), ctrlOptP);
}

TEST_F(HotKeys, WithoutAHandlerEveryApplyReturnsItsErrorAndRegistersNothing)
{
    struct Case {
        bool withStatus;
        QString message;
    };
    const Case cases[] = {
        {true, "Shortcuts are unavailable. Restart Ostrel to try again."},
        {false, "Couldn’t enable shortcuts. Restart Ostrel to retry."},
    };
    for (const Case &c : cases) {
        FakeHotKeyRegistry refusing;
        if (c.withStatus) {
            refusing.failInstallation(HotKeyStatus::invalidArgument);
        } else {
            refusing.installWithoutReference();
        }
        ShortcutService service(refusing, nullptr);
        EXPECT_EQ(service.apply(std::nullopt, {}, std::nullopt).message, c.message);
        EXPECT_EQ(service.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt).message,
                  c.message);
        EXPECT_EQ(refusing.calls(), 0);
    }
}

namespace {

QStringList logged;
QtMessageHandler previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    logged.append(QString::number(type) + " " + context.category + " " + message);
}

} // namespace

TEST_F(HotKeys, AFailedInstallationIsLoggedOnce)
{
    logged.clear();
    previousHandler = qInstallMessageHandler(recordMessage);
    {
        registry.failInstallation(HotKeyStatus{-9870}); // one no backend names
        ShortcutService service(registry, nullptr);
        service.apply(shiftCmdE, {}, std::nullopt);
    }
    qInstallMessageHandler(previousHandler);
    EXPECT_EQ(
        logged,
        QStringList{QString::number(QtCriticalMsg)
                    + " ostrel.platform Hot key handler installation failed with status -9870."});
}

TEST_F(HotKeys, RefusalsNameTheKeysWithTheLabelsTheServiceWasGiven)
{
    // A layout that prints "a" on the key in the Q position.
    FakeKeyboardLayout layout{{{12, "a"}}};
    const std::shared_ptr<KeyboardLayoutLabels> labels = KeyboardLayoutLabels::create(layout);
    ShortcutService service(registry, labels.get());
    registry.refuse(12, ctrl | opt);
    EXPECT_EQ(service.apply(Shortcut{12, ctrl | opt}, {}, std::nullopt).message,
              inUse("Ctrl+Alt+A"));
    // The reserved combination is found by the key's position; only its text follows the layout.
    EXPECT_EQ(service.apply(Shortcut{12, ctrl}, {}, std::nullopt).message,
              "Ctrl+A is the desktop's Quit shortcut. Choose a combination the desktop does not "
              "already use.");
}

TEST_F(HotKeys, TheHandlerAndItsHotKeysGoWithTheService)
{
    ShortcutService staying(registry, nullptr);
    staying.apply(ctrlOptP, {}, std::nullopt);
    {
        ShortcutService service(registry, nullptr);
        service.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt);
        EXPECT_TRUE(registry.handlerInstalled());
    }
    EXPECT_FALSE(registry.handlerInstalled());
    // Only what it registered itself goes.
    EXPECT_EQ(registry.registered(), (QList<Registered>{{35, ctrl | opt, {layo, 1}}}));
}

TEST_F(HotKeys, UnregisterAllKeepsTheLastSetForTheNextApply)
{
    ShortcutService service(registry, nullptr);
    service.apply(shiftCmdE, {{letterFirst, ctrlOptK}}, std::nullopt);
    service.unregisterAll();
    EXPECT_TRUE(registry.registered().isEmpty());
    EXPECT_EQ(service.activeGlobal(), shiftCmdE);
    EXPECT_FALSE(registry.press(14, shift | cmd));

    // A failing set afterwards rolls back to the set from before the recording.
    registry.refuse(35, ctrl | opt);
    service.apply(ctrlOptP, {{letterFirst, ctrlOptK}}, ShortcutTarget::selectedLayout());
    EXPECT_EQ(registry.registered().size(), 2);
}
