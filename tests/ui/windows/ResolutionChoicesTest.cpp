#include "Printing.h"

#include "ui/windows/CandidateDescription.h"
#include "ui/windows/ResolutionChoices.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ostrel;

namespace {

WindowReference window(const QString &appName, const RectD &frame,
                       std::optional<QString> hostname = std::nullopt)
{
    WindowReference reference;
    reference.id = QUuid::createUuid();
    reference.appName = appName;
    reference.hostname = std::move(hostname);
    reference.frame = frame;
    return reference;
}

CurrentDisplay display(quint32 unit, const RectD &frame)
{
    CurrentDisplay d;
    d.identity = {16, 32, 0, unit};
    d.frame = frame;
    d.visibleFrame = frame;
    d.pixelWidth = qint64(frame.width);
    d.pixelHeight = qint64(frame.height);
    return d;
}

AmbiguousEntry entry(const QString &label, QList<WindowReference> candidates)
{
    return {QUuid::createUuid(), label, label, std::move(candidates)};
}

ResolutionRequest request(const QString &name, QList<AmbiguousEntry> ambiguous)
{
    return {QUuid::createUuid(), QUuid::createUuid(), name, std::move(ambiguous), {}};
}

// Three saved Notes windows and three open ones to choose from.
struct ThreeEntries {
    WindowReference a = window("Notes", {0, 0, 300, 200});
    WindowReference b = window("Notes", {400, 0, 300, 200});
    WindowReference c = window("Notes", {800, 0, 300, 200});
    ResolutionRequest request = ::request(
        "Work", {entry("Notes", {a, b, c}), entry("Notes", {a, b, c}), entry("Notes", {a, b, c})});
    QUuid first() const { return request.ambiguous[0].entryID; }
    QUuid second() const { return request.ambiguous[1].entryID; }
    QUuid third() const { return request.ambiguous[2].entryID; }
};

} // namespace

TEST(ResolutionChoicesTest, TheHeaderCountsTheSavedWindowsThatNeedADecision)
{
    const WindowReference w = window("Notes", {0, 0, 300, 200});
    EXPECT_EQ(ResolutionChoices::headerDetail(std::nullopt), "Restore needs a decision.");
    EXPECT_EQ(ResolutionChoices::headerDetail(request("Work", {entry("Notes", {w})})),
              "“Work” · 1 saved window needs a decision.");
    EXPECT_EQ(ResolutionChoices::headerDetail(
                  request("Work", {entry("A", {w}), entry("B", {w}), entry("C", {w})})),
              "“Work” · 3 saved windows need a decision.");
    // A name is shown as it is, placeholders included.
    EXPECT_EQ(ResolutionChoices::headerDetail(request("100%2 <b>R&D</b>", {})),
              "“100%2 <b>R&D</b>” · 0 saved windows need a decision.");
    EXPECT_EQ(ResolutionChoices::candidatesDetail(1), "1 possible window");
    EXPECT_EQ(ResolutionChoices::candidatesDetail(2), "2 possible windows");
}

TEST(ResolutionChoicesTest, TheStatusCountsChoicesSkipsAndDuplicates)
{
    ThreeEntries three;
    ResolutionChoices choices;
    struct Step {
        std::function<void()> change;
        const char *status;
        bool complete;
        bool applicable;
    };
    const Step steps[] = {
        {[] {}, "0 of 3 chosen", false, false},
        {[&] { choices.select(three.first(), three.a.id); }, "1 of 3 chosen", false, false},
        {[&] { choices.setSkipped(three.second(), true); }, "1 of 3 chosen · 1 skipped", false,
         false},
        {[&] { choices.select(three.third(), three.a.id); },
         "2 of 3 chosen · 1 skipped · duplicate choice", true, false},
        {[&] { choices.select(three.third(), three.c.id); }, "2 of 3 chosen · 1 skipped", true,
         true},
        {[&] { choices.setSkipped(three.first(), true); }, "1 of 3 chosen · 2 skipped", true, true},
    };
    for (const Step &step : steps) {
        step.change();
        EXPECT_EQ(choices.statusText(three.request), step.status);
        EXPECT_EQ(choices.isComplete(three.request), step.complete) << step.status;
        EXPECT_EQ(choices.canApply(three.request, std::nullopt), step.applicable) << step.status;
        EXPECT_FALSE(choices.canApply(three.request, OperationKind::undoing)) << step.status;
    }

    // A request with nothing to decide is complete and answers with nothing.
    const ResolutionRequest empty = request("Work", {});
    ResolutionChoices none;
    EXPECT_TRUE(none.canApply(empty, std::nullopt));
    const auto answer = none.answer(empty);
    ASSERT_TRUE(std::holds_alternative<ResolutionAnswer>(answer));
    EXPECT_TRUE(std::get<ResolutionAnswer>(answer).choices.isEmpty());
}

TEST(ResolutionChoicesTest, ChoosingTakesBackTheSkipAndSkippingTakesBackTheChoice)
{
    ThreeEntries three;
    ResolutionChoices choices;
    choices.errorMessage = "Wait for the current operation to finish.";
    choices.select(three.first(), three.b.id);
    EXPECT_EQ(choices.errorMessage, std::nullopt);
    EXPECT_EQ(choices.selection(three.first()), three.b.id);

    choices.errorMessage = "Wait for the current operation to finish.";
    choices.setSkipped(three.first(), true);
    EXPECT_EQ(choices.errorMessage, std::nullopt);
    EXPECT_TRUE(choices.isSkipped(three.first()));
    EXPECT_EQ(choices.selection(three.first()), std::nullopt);

    // Clearing the skip leaves the entry with no choice at all.
    choices.setSkipped(three.first(), false);
    EXPECT_FALSE(choices.isSkipped(three.first()));
    EXPECT_EQ(choices.selection(three.first()), std::nullopt);

    choices.setSkipped(three.first(), true);
    choices.select(three.first(), three.c.id);
    EXPECT_FALSE(choices.isSkipped(three.first()));
    choices.select(three.first(), std::nullopt);
    EXPECT_EQ(choices.selection(three.first()), std::nullopt);

    choices.select(three.second(), three.a.id);
    choices.setSkipped(three.third(), true);
    choices.errorMessage = "x";
    choices.reset();
    EXPECT_TRUE(choices.selections.isEmpty());
    EXPECT_TRUE(choices.skipped.isEmpty());
    EXPECT_EQ(choices.errorMessage, std::nullopt);
}

TEST(ResolutionChoicesTest, TheDialogRefusesWithItsOwnTextsBeforeAskingTheModel)
{
    ThreeEntries three;
    ResolutionChoices choices;
    choices.select(three.first(), three.a.id);
    choices.select(three.second(), three.a.id);
    choices.setSkipped(three.third(), true);
    auto answer = choices.answer(three.request);
    ASSERT_TRUE(std::holds_alternative<QString>(answer));
    EXPECT_EQ(std::get<QString>(answer), "Choose a different window for each saved window.");
    EXPECT_EQ(choices.conflictingEntryIDs(three.request),
              (QSet<QUuid>{three.first(), three.second()}));

    choices.select(three.second(), std::nullopt);
    answer = choices.answer(three.request);
    ASSERT_TRUE(std::holds_alternative<QString>(answer));
    EXPECT_EQ(std::get<QString>(answer), "Choose a window or skip every saved window.");

    // A chosen window that is not among the entry's candidates is no answer either.
    choices.select(three.second(), QUuid::createUuid());
    answer = choices.answer(three.request);
    ASSERT_TRUE(std::holds_alternative<QString>(answer));
    EXPECT_EQ(std::get<QString>(answer), "Choose a window or skip every saved window.");

    choices.select(three.second(), three.c.id);
    answer = choices.answer(three.request);
    ASSERT_TRUE(std::holds_alternative<ResolutionAnswer>(answer));
    const ResolutionAnswer &given = std::get<ResolutionAnswer>(answer);
    EXPECT_EQ(given.choices.size(), 2);
    EXPECT_EQ(given.choices.value(three.first()).frame, three.a.frame);
    EXPECT_EQ(given.choices.value(three.second()).id, three.c.id);
    EXPECT_EQ(given.skipped, QSet<QUuid>{three.third()});
}

TEST(ResolutionChoicesTest, ACandidateIsDescribedByItsDisplayAndRoundedSize)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const CurrentDisplay left = display(1, {0, 0, 1440, 900});
    const CurrentDisplay right = display(2, {1440, 0, 1920, 1080});
    CurrentDisplay twin = right; // a second display of the same make without a serial
    twin.frame = {3360, 0, 1920, 1080};
    struct Case {
        const char *name;
        RectD frame;
        QList<CurrentDisplay> displays;
        const char *expected;
    };
    const Case cases[] = {
        {"halves round away from zero",
         {10, 10, 1279.5, 799.5},
         {left, right},
         "Display 1 · 1280 × 800"},
        {"mostly on the second", {1300, 100, 800, 600}, {left, right}, "Display 2 · 800 × 600"},
        {"no displays", {10, 10, 300, 200}, {}, "Display · 300 × 200"},
        {"outside every display", {-5000, -5000, 300, 200}, {left, right}, "Display 1 · 300 × 200"},
        {"a tie names the earlier", {1340, 0, 200, 100}, {left, right}, "Display 1 · 200 × 100"},
        {"equal keys name the first",
         {3400, 0, 300, 200},
         {left, right, twin},
         "Display 2 · 300 × 200"},
        {"a width that is NaN", {10, 10, nan, 200}, {left, right}, "Display 1"},
        {"an infinite height", {10, 10, 300, infinity}, {left, right}, "Display 1"},
        {"too wide for a number", {10, 10, 1e300, 200}, {left, right}, "Display 2"},
        {"NaN everywhere", {nan, nan, nan, nan}, {left, right}, "Display 1"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(candidateDescription(window("Notes", c.frame), c.displays), c.expected) << c.name;
    }

    const NumberedCandidate browser{2, window("Browser", {1500, 0, 300, 200}, "example.org")};
    EXPECT_EQ(ResolutionChoices::candidateText(browser, {left, right}),
              "2. Browser — example.org — Display 2 · 300 × 200");
}
