#include "model/ShortcutFormatter.h"
#include "platform/KeyboardLayoutLabels.h"
#include "platform/KeyboardLayoutObserver.h"
#include "system/fake/FakeKeyboardLayout.h"

#include "TestApplication.h"

#include <QCoreApplication>
#include <thread>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QHash<quint32, QString> us = {
    {0, "a"}, {12, "q"}, {36, "\r"}, {48, "\t"}, {49, " "}, {51, "\b"}, {53, "\x1b"}, {18, "1"},
};
const QHash<quint32, QString> french = {{0, "q"}, {12, "a"}, {18, "&"}, {33, "^"}, {49, " "}};

class KeyLabels : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }

    FakeKeyboardLayout layout{us};
    std::shared_ptr<KeyboardLayoutLabels> labels = KeyboardLayoutLabels::create(layout);
};

} // namespace

TEST_F(KeyLabels, ShortcutTextTakesThePrintedKeyElseTheFixedNameElseTheCode)
{
    struct Case {
        quint32 keyCode;
        QString text;
    };
    const Case cases[] = {
        {0, "A"}, // letters in upper case
        {18, "1"},
        {36, "Return"}, // control characters fall through to the fixed table
        {48, "Tab"},
        {51, "Backspace"},
        {53, "Escape"},
        {49, "Space"},  // a blank too
        {123, "←"},     // keys that print nothing
        {10, "Key 10"}, // nothing printed, no fixed name
        {70000, "Key 70000"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ShortcutFormatter::keyName(c.keyCode, labels.get()), c.text) << c.keyCode;
    }
    EXPECT_EQ(layout.printCount(70000), 0) << "a key code above 16 bits is never translated";
}

TEST_F(KeyLabels, TranslationTrimsAndRefusesControlCharactersAndNewlines)
{
    struct Case {
        QString printed;
        std::optional<QString> label;
    };
    const Case cases[] = {
        {" ß ", "SS"},          {"é", "É"},
        {"\n", std::nullopt},   {"\u2028", std::nullopt},
        {"\x7f", std::nullopt}, {"\t", std::nullopt},
        {"  ", std::nullopt},   {"", std::nullopt},
    };
    for (const Case &c : cases) {
        FakeKeyboardLayout single({{7, c.printed}});
        EXPECT_EQ(KeyboardLayoutLabels::translate(single, 7), c.label) << c.printed.toStdString();
    }
}

TEST_F(KeyLabels, EveryAnswerIsCachedUntilTheLayoutChanges)
{
    EXPECT_EQ(labels->name(0), "A");
    EXPECT_EQ(labels->name(0), "A");
    EXPECT_EQ(labels->name(10), std::nullopt);
    EXPECT_EQ(labels->name(10), std::nullopt);
    EXPECT_EQ(layout.printCount(0), 1);
    EXPECT_EQ(layout.printCount(10), 1) << "a key without a label is not asked again";

    layout.switchLayout(french);
    EXPECT_EQ(ShortcutFormatter::keyName(0, labels.get()), "Q");
    EXPECT_EQ(ShortcutFormatter::keyName(33, labels.get()), "^");
    EXPECT_EQ(labels->name(10), std::nullopt);
    EXPECT_EQ(layout.printCount(0), 2);
    EXPECT_EQ(layout.printCount(10), 2);
}

TEST_F(KeyLabels, ALabelOfTheOldLayoutIsNotKeptAfterASwitch)
{
    // The layout changes while key 0 is being translated for the old layout.
    bool switched = false;
    layout.setAfterLookup([&](quint32) {
        if (!switched) {
            switched = true;
            layout.switchLayout(french);
        }
    });
    EXPECT_EQ(labels->name(0), "A") << "the caller that asked before the switch gets its answer";
    EXPECT_EQ(labels->name(0), "Q") << "but it was not stored for the new layout";
}

TEST_F(KeyLabels, ObserverRevisionMovesAfterTheCacheWasEmptied)
{
    KeyboardLayoutObserver observer(layout, labels);
    EXPECT_EQ(observer.revision(), 0);
    EXPECT_EQ(ShortcutFormatter::keyName(0, observer.labels()), "A");

    std::optional<QString> seenAtRevision;
    QObject::connect(&observer, &KeyboardLayoutObserver::revisionChanged,
                     [&] { seenAtRevision = ShortcutFormatter::keyName(0, observer.labels()); });
    layout.switchLayout(french);
    EXPECT_EQ(observer.revision(), 0) << "the revision moves on the main thread's next turn";
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.revision(), 1);
    EXPECT_EQ(seenAtRevision, "Q");

    layout.switchLayout(us);
    layout.switchLayout(french);
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.revision(), 3);
}

TEST_F(KeyLabels, AChangeReportedOnAnotherThreadEmptiesTheCacheThere)
{
    KeyboardLayoutObserver observer(layout, labels);
    EXPECT_EQ(labels->name(0), "A");
    std::thread other([&] { layout.switchLayout(french); });
    other.join();
    EXPECT_EQ(labels->name(0), "Q");
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.revision(), 1);
}

TEST_F(KeyLabels, ObserverThatIsGoneIgnoresLaterChanges)
{
    {
        KeyboardLayoutObserver observer(layout, labels);
        layout.switchLayout(french);
    }
    QCoreApplication::processEvents(); // the queued bump dies with the observer
    layout.switchLayout(us);
    EXPECT_EQ(labels->name(0), "A");
}
