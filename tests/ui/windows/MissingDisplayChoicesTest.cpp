#include "Printing.h"

#include "ui/windows/MissingDisplayChoices.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

CurrentDisplay display(quint32 unit, qint64 pixelWidth, qint64 pixelHeight)
{
    CurrentDisplay d;
    d.identity = {16, 32, 0, unit};
    d.name = QStringLiteral("Monitor %1").arg(unit);
    d.frame = {1000.0 * unit, 0, double(pixelWidth), double(pixelHeight)};
    d.visibleFrame = d.frame;
    d.pixelWidth = pixelWidth;
    d.pixelHeight = pixelHeight;
    return d;
}

MissingDisplayPrompt prompt(QList<QString> missingKeys, QList<CurrentDisplay> available)
{
    MissingDisplayPrompt p;
    p.id = QUuid::createUuid();
    p.layoutID = QUuid::createUuid();
    p.layoutName = QStringLiteral("Work");
    for (const QString &key : missingKeys) {
        p.missing.append({key, QStringLiteral("Display ?")});
    }
    p.available = std::move(available);
    return p;
}

} // namespace

TEST(MissingDisplayChoicesTest, PrimingFillsOnlyMissingKeysAndNeverOverwrites)
{
    const CurrentDisplay first = display(1, 1440, 900);
    const CurrentDisplay second = display(2, 2560, 1440);
    MissingDisplayChoices choices;
    choices.fallbacks.insert("7-7-7", "16-32-2"); // left from an earlier prompt
    const MissingDisplayPrompt two = prompt({"1-1-1", "2-2-2"}, {first, second});
    choices.prime(two);
    // Both start on the first connected display; nothing asks for distinct choices.
    EXPECT_EQ(choices.fallbacks,
              (QHash<QString, QString>{
                  {"1-1-1", "16-32-1"}, {"2-2-2", "16-32-1"}, {"7-7-7", "16-32-2"}}));

    choices.choose("2-2-2", "16-32-2");
    // A later prompt keeps the choices it shares with the earlier one and presets the rest.
    const MissingDisplayPrompt later = prompt({"2-2-2", "3-3-3"}, {first, second});
    choices.prime(later);
    EXPECT_EQ(choices.fallbacks.value("2-2-2"), "16-32-2");
    EXPECT_EQ(choices.fallbacks.value("3-3-3"), "16-32-1");

    // With nothing connected a missing display without a choice gets none, and reads as empty.
    MissingDisplayChoices empty;
    const MissingDisplayPrompt none = prompt({"1-1-1"}, {});
    empty.prime(none);
    EXPECT_TRUE(empty.fallbacks.isEmpty());
    EXPECT_EQ(empty.selection(none.missing.first(), none), "");
    EXPECT_EQ(empty.selection(two.missing.first(), two), "16-32-1");
}

TEST(MissingDisplayChoicesTest, RestoreNeedsADisplayAChoiceAmongThemAndAnIdleModel)
{
    const CurrentDisplay first = display(1, 1440, 900);
    const MissingDisplayPrompt one = prompt({"1-1-1", "2-2-2"}, {first});
    const MissingDisplayPrompt nothingConnected = prompt({"1-1-1"}, {});
    struct Case {
        const char *name;
        MissingDisplayPrompt prompt;
        QHash<QString, QString> fallbacks;
        std::optional<OperationKind> busy;
        bool enabled;
    };
    const Case cases[] = {
        {"both on the one display", one, {{"1-1-1", "16-32-1"}, {"2-2-2", "16-32-1"}}, {}, true},
        {"one without a choice", one, {{"1-1-1", "16-32-1"}}, {}, false},
        {"a choice not connected", one, {{"1-1-1", "16-32-1"}, {"2-2-2", "16-32-9"}}, {}, false},
        {"restoring",
         one,
         {{"1-1-1", "16-32-1"}, {"2-2-2", "16-32-1"}},
         OperationKind::restoring,
         false},
        {"capturing",
         one,
         {{"1-1-1", "16-32-1"}, {"2-2-2", "16-32-1"}},
         OperationKind::capturing,
         false},
        {"nothing connected", nothingConnected, {{"1-1-1", "16-32-1"}}, {}, false},
    };
    for (const Case &c : cases) {
        MissingDisplayChoices choices{c.fallbacks};
        EXPECT_EQ(choices.canRestore(c.prompt, c.busy), c.enabled) << c.name;
    }
}

TEST(MissingDisplayChoicesTest, ConfirmingPassesOnlyThisPromptsDisplays)
{
    MissingDisplayChoices choices;
    choices.fallbacks = {{"7-7-7", "16-32-2"}, {"1-1-1", "16-32-1"}};
    const MissingDisplayPrompt current = prompt({"1-1-1", "2-2-2"}, {display(1, 1440, 900)});
    choices.prime(current);
    EXPECT_EQ(choices.confirmed(current),
              (QHash<QString, QString>{{"1-1-1", "16-32-1"}, {"2-2-2", "16-32-1"}}));
    // The earlier prompt's choice stays for a prompt that asks about its display again.
    EXPECT_EQ(choices.fallbacks.value("7-7-7"), "16-32-2");
}

TEST(MissingDisplayChoicesTest, ADisplayIsNamedByItsPlaceAndPixelSize)
{
    EXPECT_EQ(MissingDisplayChoices::itemText(2, display(2, 2560, 1440)),
              "Display 2 · 2560 × 1440");
    EXPECT_EQ(MissingDisplayChoices::itemText(1, display(1, 0, 0)), "Display 1 · 0 × 0");
}
