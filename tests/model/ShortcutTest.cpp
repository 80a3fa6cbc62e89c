#include "model/KeyLabelSource.h"
#include "model/Shortcut.h"
#include "model/ShortcutFormatter.h"
#include "model/ShortcutTarget.h"

#include "ModifierKeys.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

using namespace test::modifiers;

// A keyboard layout under test: fixed labels, and a record of the keys it was asked about.
class TableLabels : public KeyLabelSource {
public:
    explicit TableLabels(QHash<quint32, QString> labels)
        : labels_(std::move(labels))
    {
    }
    std::optional<QString> label(quint32 keyCode) override
    {
        asked.append(keyCode);
        const auto found = labels_.constFind(keyCode);
        return found == labels_.constEnd() ? std::nullopt : std::optional<QString>(*found);
    }
    QList<quint32> asked;

private:
    QHash<quint32, QString> labels_;
};

QString refusal(const QString &text, const QString &command)
{
    return text + " is the desktop's " + command
        + " shortcut. Choose a combination the desktop does not already use.";
}

} // namespace

TEST(ShortcutTest, ReservedCombinationsAreTheLinuxDesktopsOwnAndMatchTheExactMask)
{
    struct Case {
        Shortcut shortcut;
        std::optional<QString> message;
    };
    const Case cases[] = {
        // The editing and window commands of Linux programs.
        {{0, ctrl}, refusal("Ctrl+A", "Select All")},
        {{8, ctrl}, refusal("Ctrl+C", "Copy")},
        {{9, ctrl}, refusal("Ctrl+V", "Paste")},
        {{7, ctrl}, refusal("Ctrl+X", "Cut")},
        {{6, ctrl}, refusal("Ctrl+Z", "Undo")},
        {{6, ctrl | shift}, refusal("Ctrl+Shift+Z", "Redo")},
        {{16, ctrl}, refusal("Ctrl+Y", "Redo")},
        {{1, ctrl}, refusal("Ctrl+S", "Save")},
        {{31, ctrl}, refusal("Ctrl+O", "Open")},
        {{35, ctrl}, refusal("Ctrl+P", "Print")},
        {{3, ctrl}, refusal("Ctrl+F", "Find")},
        {{45, ctrl}, refusal("Ctrl+N", "New")},
        {{13, ctrl}, refusal("Ctrl+W", "Close Window")},
        {{12, ctrl}, refusal("Ctrl+Q", "Quit")},
        {{17, ctrl}, refusal("Ctrl+T", "New Tab")},
        {{11, ctrl}, refusal("Ctrl+B", "Bold")},
        {{34, ctrl}, refusal("Ctrl+I", "Italic")},
        {{32, ctrl}, refusal("Ctrl+U", "Underline")},
        // The desktop's own keys.
        {{48, opt}, refusal("Alt+Tab", "Switch Windows")},
        {{48, opt | shift}, refusal("Alt+Shift+Tab", "Switch Windows")},
        {{118, opt}, refusal("Alt+F4", "Close Window")},
        {{120, opt}, refusal("Alt+F2", "Run")},
        {{117, ctrl | opt}, refusal("Ctrl+Alt+Delete", "Log Out")},
        {{51, ctrl | opt}, refusal("Ctrl+Alt+Backspace", "Restart the Display Server")},
        {{122, ctrl | opt}, refusal("Ctrl+Alt+F1", "Switch Console")},
        {{96, ctrl | opt}, refusal("Ctrl+Alt+F5", "Switch Console")},
        {{111, ctrl | opt}, refusal("Ctrl+Alt+F12", "Switch Console")},
        {{37, cmd}, refusal("Super+L", "Lock Screen")},
        {{37, ctrl | opt}, refusal("Ctrl+Alt+L", "Lock Screen")},
        // Free: the Mac's own commands, an extra modifier, a bit outside the four, no modifier.
        {{12, cmd}, std::nullopt},
        {{0, cmd}, std::nullopt},
        {{48, cmd}, std::nullopt},
        {{48, shift}, std::nullopt},
        {{15, ctrl | opt}, std::nullopt},
        {{8, ctrl | shift}, std::nullopt},
        {{12, ctrl | opt}, std::nullopt},
        {{113, ctrl | opt}, std::nullopt},
        {{8, ctrl | 0x4000}, std::nullopt},
        {{0, 0}, std::nullopt},
        {{48, 0}, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.shortcut.keyCode << "-" << c.shortcut.modifiers);
        EXPECT_EQ(c.shortcut.reservedSystemCommandMessage(nullptr), c.message);
    }
    EXPECT_EQ(Shortcut::standardSystemCommands().value("0-4096"), "Select All");
    // Every row names a command, and every message reads in the Linux notation.
    const QHash<QString, QString> &table = Shortcut::standardSystemCommands();
    EXPECT_EQ(table.size(), 38);
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        const QStringList parts = it.key().split('-');
        const Shortcut shortcut{parts[0].toUInt(), parts[1].toUInt()};
        const std::optional<QString> message = shortcut.reservedSystemCommandMessage(nullptr);
        ASSERT_TRUE(message) << it.key().toStdString();
        EXPECT_TRUE(message->contains(" is the desktop's " + it.value() + " shortcut."));
        EXPECT_FALSE(message->contains(QRegularExpression("[⌘⌥⌃⇧]|macOS|Key ")))
            << message->toStdString();
    }
}

TEST(ShortcutTest, ReservedLookupIgnoresTheLayoutButTheMessageFollowsIt)
{
    TableLabels layout({{0, "Q"}, {12, "A"}});
    // The A position is reserved whatever it prints; the message shows what it prints.
    EXPECT_EQ((Shortcut{0, ctrl}).reservedSystemCommandMessage(&layout),
              refusal("Ctrl+Q", "Select All"));
    EXPECT_EQ((Shortcut{12, ctrl}).reservedSystemCommandMessage(&layout),
              refusal("Ctrl+A", "Quit"));
}

TEST(ShortcutTest, JsonRoundTrip)
{
    EXPECT_EQ((Shortcut{15, 4352}).toJson(), QByteArray(R"({"keyCode":15,"modifiers":4352})"));
    for (const Shortcut s : {Shortcut{0, 256}, Shortcut{4294967295u, 4294967295u}, Shortcut{0, 0},
                             Shortcut{123, 0x1B00}}) {
        EXPECT_EQ(Shortcut::fromJson(s.toJson()), s);
    }
}

TEST(ShortcutTest, JsonDecodingRejectsWhatIsNotTwoUnsigned32BitIntegers)
{
    struct Case {
        const char *json;
        std::optional<Shortcut> decoded;
    };
    const Case cases[] = {
        {R"({"modifiers":256,"keyCode":3,"extra":"x"})", Shortcut{3, 256}},
        {R"({"keyCode":3.0,"modifiers":256})", Shortcut{3, 256}},
        {R"({"keyCode":3})", std::nullopt},
        {R"({"keyCode":-1,"modifiers":256})", std::nullopt},
        {R"({"keyCode":4294967296,"modifiers":256})", std::nullopt},
        {R"({"keyCode":1e300,"modifiers":256})", std::nullopt},
        {R"({"keyCode":3.5,"modifiers":256})", std::nullopt},
        {R"({"keyCode":"3","modifiers":256})", std::nullopt},
        {R"({"keyCode":null,"modifiers":256})", std::nullopt},
        {R"([3,256])", std::nullopt},
        {R"({"keyCode":3,"modifiers":)", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(Shortcut::fromJson(QByteArray(c.json)), c.decoded);
    }
}

TEST(ShortcutFormatterTest, ModifierNamesInLinuxOrderJoinedByPlus)
{
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(0x1B00), "Ctrl+Alt+Shift+Super");
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(0), "");
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(cmd | 0x4000), "Super");
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(cmd | ctrl), "Ctrl+Super");
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(opt | ctrl), "Ctrl+Alt");
}

TEST(ShortcutFormatterTest, ShortcutsReadAsLinuxWritesThem)
{
    // Stored as always (virtual key code, Carbon mask): what the settings and layouts of older
    // versions hold reads in the new notation.
    struct Case {
        Shortcut shortcut;
        QString text;
    };
    const Case cases[] = {
        {{15, ctrl | opt}, "Ctrl+Alt+R"},
        {{96, shift | cmd}, "Shift+Super+F5"},
        {{12, cmd}, "Super+Q"},
        {{40, 0x1B00}, "Ctrl+Alt+Shift+Super+K"},
        {{48, shift}, "Shift+Tab"},
        {{43, ctrl}, "Ctrl+,"},
        {{69, ctrl}, "Ctrl++"},
        {{51, ctrl | opt}, "Ctrl+Alt+Backspace"},
        {{117, ctrl | opt}, "Ctrl+Alt+Delete"},
        {{123, opt | cmd}, "Alt+Super+←"},
        {{10, ctrl}, "Ctrl+Key 10"},
        {{0, 0}, "A"},
        {{0, cmd | 0x4000}, "Super+A"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ShortcutFormatter::text(c.shortcut, nullptr), c.text) << c.text.toStdString();
    }
    // The key's label follows the layout; the modifiers keep their names.
    TableLabels layout({{15, "P"}});
    EXPECT_EQ(ShortcutFormatter::text({15, ctrl | opt}, &layout), "Ctrl+Alt+P");
}

TEST(ShortcutFormatterTest, FixedNamesAndFallback)
{
    // clang-format off
    const std::pair<quint32, QString> cases[] = {
        {0, "A"},        {22, "6"},        {23, "5"},          {39, "'"},
        {42, "\\"},      {49, "Space"},    {36, "Return"},     {50, "`"},
        {53, "Escape"},  {65, "."},        {76, "Enter"},      {117, "Delete"},
        {51, "Backspace"}, {114, "Insert"}, {122, "F1"},      {123, "←"},
        {126, "↑"},      {44, "/"},        {45, "N"},          {46, "M"},
        {47, "."},       {10, "Key 10"},   {52, "Key 52"},     {127, "Key 127"},
        {70000, "Key 70000"},
    };
    // clang-format on
    for (const auto &[code, name] : cases) {
        EXPECT_EQ(ShortcutFormatter::keyName(code, nullptr), name) << code;
    }
}

TEST(ShortcutFormatterTest, CurrentLayoutLabelsComeFirst)
{
    TableLabels layout({{0, "Q"}, {10, "<"}});
    EXPECT_EQ(ShortcutFormatter::keyName(0, &layout), "Q");
    EXPECT_EQ(ShortcutFormatter::keyName(10, &layout), "<");
    // No label from the layout: the fixed table, then the code.
    EXPECT_EQ(ShortcutFormatter::keyName(49, &layout), "Space");
    EXPECT_EQ(ShortcutFormatter::keyName(52, &layout), "Key 52");
    // A code beyond 16 bits is never handed to the layout.
    layout.asked.clear();
    EXPECT_EQ(ShortcutFormatter::keyName(70000, &layout), "Key 70000");
    EXPECT_TRUE(layout.asked.isEmpty());
}

TEST(ShortcutTargetTest, EqualByCaseAndLayout)
{
    const QUuid a = QUuid::createUuid();
    EXPECT_EQ(ShortcutTarget::layout(a), ShortcutTarget::layout(a));
    EXPECT_FALSE(ShortcutTarget::layout(a) == ShortcutTarget::layout(QUuid::createUuid()));
    EXPECT_FALSE(ShortcutTarget::layout(QUuid()) == ShortcutTarget::selectedLayout());
    EXPECT_EQ(ShortcutTarget::selectedLayout(), ShortcutTarget::selectedLayout());
}
