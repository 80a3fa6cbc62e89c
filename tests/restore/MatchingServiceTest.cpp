#include "restore/MatchingService.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QRandomGenerator>

#include <algorithm>
#include <optional>

using namespace ostrel;

namespace {

const QString standard = QStringLiteral("AXStandardWindow");

// Entries are named by their index in the table row; windows by their element handle.
struct E {
    QString bundle;
    std::optional<QString> host = std::nullopt;
    QString subrole = standard;
};

struct W {
    quint64 element;
    QString bundle;
    double x = 0;
    double y = 0;
    std::optional<QString> host = std::nullopt;
    QString subrole = standard;
    QString appName = QStringLiteral("App");
};

WindowEntry makeEntry(int index, const E &e)
{
    WindowEntry entry;
    entry.id = QUuid(0x1000 + index, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    entry.bundleID = e.bundle;
    entry.appName = e.bundle;
    entry.role = QStringLiteral("AXWindow");
    entry.subrole = e.subrole;
    entry.hostname = e.host;
    entry.displayKey = QStringLiteral("1-1-1");
    entry.relativeFrame = RelativeFrame{0, 0, 0.5, 0.5};
    return entry;
}

WindowReference makeWindow(const W &w)
{
    WindowReference ref;
    ref.id = QUuid::createUuid();
    ref.element = AXElement{w.element};
    ref.pid = 100;
    ref.bundleID = w.bundle;
    ref.appName = w.appName;
    ref.role = QStringLiteral("AXWindow");
    ref.subrole = w.subrole;
    ref.hostname = w.host;
    ref.frame = RectD{w.x, w.y, 400, 300};
    return ref;
}

struct Outcome {
    QMap<int, quint64> matches;
    QMap<int, QList<quint64>> candidates;
    QList<int> unavailable;

    bool operator==(const Outcome &) const = default;
};

void PrintTo(const Outcome &o, std::ostream *os)
{
    *os << "matches {";
    for (auto it = o.matches.begin(); it != o.matches.end(); ++it) {
        *os << it.key() << "→" << it.value() << " ";
    }
    *os << "} candidates {";
    for (auto it = o.candidates.begin(); it != o.candidates.end(); ++it) {
        *os << it.key() << "→[";
        for (quint64 w : it.value()) {
            *os << w << " ";
        }
        *os << "] ";
    }
    *os << "} unavailable [";
    for (int i : o.unavailable) {
        *os << i << " ";
    }
    *os << "]";
}

struct Row {
    const char *name;
    QList<E> entries = {};
    QList<W> windows = {};
    QMap<int, W> preferred = {};
    QSet<int> explicitEntries = {};
    QSet<QString> excluded = {};
    Outcome expected = {};
};

Outcome run(const Row &row)
{
    QList<WindowEntry> entries;
    for (int i = 0; i < row.entries.size(); ++i) {
        entries.append(makeEntry(i, row.entries[i]));
    }
    QList<WindowReference> windows;
    for (const W &w : row.windows) {
        windows.append(makeWindow(w));
    }
    QHash<QUuid, WindowReference> preferred;
    for (auto it = row.preferred.begin(); it != row.preferred.end(); ++it) {
        preferred.insert(entries[it.key()].id, makeWindow(it.value()));
    }
    QSet<QUuid> explicitIDs;
    for (int i : row.explicitEntries) {
        explicitIDs.insert(entries[i].id);
    }
    const MatchResolution r =
        MatchingService::resolve(entries, windows, preferred, explicitIDs, row.excluded);

    Outcome out;
    for (int i = 0; i < entries.size(); ++i) {
        const QUuid id = entries[i].id;
        if (r.matches.contains(id)) {
            out.matches.insert(i, r.matches.value(id).element.handle);
        }
        if (r.candidates.contains(id)) {
            QList<quint64> list;
            for (const WindowReference &w : r.candidates.value(id)) {
                list.append(w.element.handle);
            }
            out.candidates.insert(i, list);
        }
    }
    for (const QUuid &id : r.unavailableEntryIDs) {
        for (int i = 0; i < entries.size(); ++i) {
            if (entries[i].id == id) {
                out.unavailable.append(i);
            }
        }
    }
    return out;
}

const QString app = QStringLiteral("org.example.app");
const QString other = QStringLiteral("org.example.other");
const QString browser = QStringLiteral("org.example.browser");

} // namespace

TEST(MatchingService, ResolvesByPreferenceSoleClaimantAndHost)
{
    const QList<Row> rows = {
        {"nothing to match", {}, {{1, app}}},
        {"excluded entries and windows take no part", {{app}}, {{1, app}}, {}, {}, {app}, {}},
        {"one entry, one window: relaxed pass",
         {{app}},
         {{1, app}},
         {},
         {},
         {},
         {{{0, 1}}, {}, {}}},
        {"two entries, one window: both get the window as candidate",
         {{app}, {app}},
         {{1, app}},
         {},
         {},
         {},
         {{}, {{0, {1}}, {1, {1}}}, {}}},
        {"two entries, two windows: neither matched, both offered in candidate order",
         {{app}, {app}},
         {{1, app, 0, 50}, {2, app, 0, 10}},
         {},
         {},
         {},
         {{}, {{0, {2, 1}}, {1, {2, 1}}}, {}}},
        {"two entries with one host and one window showing it: two claimants, no match",
         {{browser, QStringLiteral("a.example")}, {browser, QStringLiteral("a.example")}},
         {{1, browser, 0, 50, QStringLiteral("a.example")},
          {2, browser, 0, 10, QStringLiteral("b.example")}},
         {},
         {},
         {},
         {{}, {{0, {2, 1}}, {1, {2, 1}}}, {}}},
        {"a preferred window leaves the other one to the second entry",
         {{app}, {app}},
         {{1, app}, {2, app}},
         {{0, {1, app}}},
         {},
         {},
         {{{0, 1}, {1, 2}}, {}, {}}},
        {"browser entries go to the windows showing their hosts, in any letter case",
         {{browser, QStringLiteral("a.example")}, {browser, QStringLiteral("B.example")}},
         {{1, browser, 0, 0, QStringLiteral("b.EXAMPLE")},
          {2, browser, 0, 0, QStringLiteral("A.example")}},
         {},
         {},
         {},
         {{{0, 2}, {1, 1}}, {}, {}}},
        {"a host that no window shows still matches through the relaxed pass",
         {{browser, QStringLiteral("a.example")}},
         {{1, browser, 0, 0, QStringLiteral("z.example")}},
         {},
         {},
         {},
         {{{0, 1}}, {}, {}}},
        {"an entry without a host does not block a strict match",
         {{browser, QStringLiteral("a.example")}, {browser}},
         {{1, browser, 0, 0, QStringLiteral("a.example")}, {2, browser}},
         {},
         {},
         {},
         {{{0, 1}, {1, 2}}, {}, {}}},
        {"an incompatible preferred window is ignored",
         {{app}},
         {{1, app}},
         {{0, {9, other}}},
         {},
         {},
         {{{0, 1}}, {}, {}}},
        {"an explicit entry whose choice is gone is never matched automatically",
         {{app}},
         {{1, app}},
         {},
         {0},
         {},
         {{}, {{0, {1}}}, {}}},
        {"an explicit entry keeps its compatible choice",
         {{app}},
         {{1, app}, {2, app}},
         {{0, {2, app}}},
         {0},
         {},
         {{{0, 2}}, {}, {}}},
        {"one window preferred by two entries goes to the earlier",
         {{app}, {app}},
         {{1, app}},
         {{0, {1, app}}, {1, {1, app}}},
         {},
         {},
         {{{0, 1}}, {}, {1}}},
        {"windows taken or of another subrole leave an entry unavailable",
         {{app}, {app}},
         {{1, app}, {2, app, 0, 0, std::nullopt, QStringLiteral("AXDialog")}},
         {{0, {1, app}}},
         {},
         {},
         {{{0, 1}}, {}, {1}}},
        {"canonically equivalent identifiers are compatible",
         {{QStringLiteral("org.caf\u00e9")}},
         {{1, QStringLiteral("org.cafe\u0301")}},
         {},
         {},
         {},
         {{{0, 1}}, {}, {}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(run(row), row.expected);
    }
}

TEST(MatchingService, CandidatesAreOrderedTopToBottomLeftToRightThenByName)
{
    const Row row{"ordering",
                  {{app}, {app}},
                  {{1, app, 50, 10, std::nullopt, standard, QStringLiteral("b")},
                   {2, app, 10, 10, std::nullopt, standard, QStringLiteral("b")},
                   {3, app, 10, 10, std::nullopt, standard, QStringLiteral("B")},
                   {4, app, 0, 5, std::nullopt, standard, QStringLiteral("z")},
                   {5, app, 10, 10, std::nullopt, standard, QStringLiteral("B")},
                   {6, app, 10, 10, std::nullopt, standard, QStringLiteral("\U0001F600")},
                   {7, app, 10, 10, std::nullopt, standard, QStringLiteral("\uFF21")}}};
    // y first (4), then x (10 before 50), then names by scalar: "B" < "b" < U+FF21 < U+1F600
    // (UTF-16 code units would put the emoji's surrogates before U+FF21); equal keep scan order.
    const QList<quint64> expected = {4, 3, 5, 2, 7, 6, 1};
    const Outcome outcome = run(row);
    EXPECT_EQ(outcome.candidates.value(0), expected);
    EXPECT_EQ(outcome.candidates.value(1), expected);
}

TEST(MatchingService, DuplicateChoicesAreFoundByWindowIdentity)
{
    const WindowReference w1 = makeWindow({1, app});
    WindowReference w1again = makeWindow({1, app}); // another reference to the same window
    const WindowReference w2 = makeWindow({2, app});
    WindowReference samePidOtherProcess = makeWindow({2, app});
    samePidOtherProcess.pid = 200;
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid(), c = QUuid::createUuid(),
                d = QUuid::createUuid();
    EXPECT_EQ(MatchingService::duplicateExplicitEntryIDs({{a, w1}, {b, w1again}, {c, w2}}),
              (QSet<QUuid>{a, b}));
    EXPECT_TRUE(
        MatchingService::duplicateExplicitEntryIDs({{c, w2}, {d, samePidOtherProcess}}).isEmpty());
    EXPECT_TRUE(MatchingService::duplicateExplicitEntryIDs({}).isEmpty());
}

TEST(MatchingService, OutcomeDoesNotDependOnEntryOrder)
{
    // Random applications, subroles and hosts; every permutation of the entries must give each
    // entry the same match or candidates.
    QRandomGenerator random(20240611);
    const QStringList bundles = {app, other, browser};
    const QStringList hosts = {QStringLiteral("a.example"), QStringLiteral("b.example")};
    const QStringList subroles = {standard, QStringLiteral("AXDialog")};
    for (int round = 0; round < 200; ++round) {
        Row row{"random"};
        const int entryCount = 1 + int(random.bounded(6));
        const int windowCount = int(random.bounded(7));
        const auto maybeHost = [&]() -> std::optional<QString> {
            const int pick = int(random.bounded(3));
            return pick == 2 ? std::nullopt : std::optional<QString>(hosts[pick]);
        };
        for (int i = 0; i < entryCount; ++i) {
            row.entries.append(
                {bundles[random.bounded(3)], maybeHost(), subroles[random.bounded(2)]});
        }
        for (int i = 0; i < windowCount; ++i) {
            row.windows.append({quint64(i + 1), bundles[random.bounded(3)],
                                double(random.bounded(3)), double(random.bounded(3)), maybeHost(),
                                subroles[random.bounded(2)]});
        }
        const Outcome reference = run(row);

        // Reverse and rotate: each entry keeps its index name, so outcomes are comparable.
        QList<int> order;
        for (int i = 0; i < entryCount; ++i) {
            order.append(i);
        }
        for (int shuffle = 0; shuffle < 4; ++shuffle) {
            std::shuffle(order.begin(), order.end(), random);
            QList<WindowEntry> entries;
            for (int i : order) {
                entries.append(makeEntry(i, row.entries[i]));
            }
            QList<WindowReference> windows;
            for (const W &w : row.windows) {
                windows.append(makeWindow(w));
            }
            const MatchResolution r = MatchingService::resolve(entries, windows, {}, {}, {});
            for (const WindowEntry &entry : entries) {
                const int i = int(entry.id.data1 - 0x1000);
                SCOPED_TRACE(i);
                ASSERT_EQ(r.matches.contains(entry.id), reference.matches.contains(i));
                if (r.matches.contains(entry.id)) {
                    EXPECT_EQ(r.matches.value(entry.id).element.handle, reference.matches.value(i));
                }
                QList<quint64> candidates;
                for (const WindowReference &w : r.candidates.value(entry.id)) {
                    candidates.append(w.element.handle);
                }
                EXPECT_EQ(candidates, reference.candidates.value(i));
                EXPECT_EQ(r.unavailableEntryIDs.contains(entry.id),
                          reference.unavailable.contains(i));
            }
        }
    }
}
