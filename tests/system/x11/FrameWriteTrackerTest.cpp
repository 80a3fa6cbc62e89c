// When a frame write has its answer, on a virtual clock: each row scripts what a window manager
// does with the requests (moves, notifications, a question answered, a window gone) and checks
// how and when each write ended. No X server: the loop below feeds the tracker as the writer's
// xcb loop does.
#include "system/fake/FakeClock.h"
#include "system/x11/FrameWriteTracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace ostrel::x11 {
namespace {

using State = FrameWriteTracker::State;
using Ending = FrameWriteTracker::Ending;
using Geometry = FrameWriteTracker::Geometry;
using std::chrono::milliseconds;

constexpr RectD before{100, 100, 400, 300};
constexpr RectD asked{700, 200, 640, 480};
constexpr RectD sizedOnly{100, 100, 640, 480};
constexpr RectD placedOnly{700, 200, 400, 300};
constexpr RectD elsewhere{650, 180, 600, 450};

// What the window manager does with one window's request, in milliseconds from the start.
struct Window {
    std::vector<std::pair<int, RectD>> moves = {}; // from then on the client stands there
    std::vector<int> notifications = {};           // configure notifications
    std::optional<int> gone = std::nullopt;        // destroyed then
    bool sizeAllowed = true;                       // its size hints allow the size asked
    RectD expected = asked;

    RectD at(int t) const
    {
        RectD now = before;
        for (const auto &[when, where] : moves) {
            if (when <= t) {
                now = where;
            }
        }
        return now;
    }
};

struct Expected {
    Ending ending;
    int at; // ms
    AXError position = AXError::success;
    AXError size = AXError::success;
};

struct StateAt {
    int at;
    size_t window;
    State state;
};

struct Row {
    const char *name;
    std::vector<Window> windows; // sent in this order at the start
    std::optional<int> probeAnswered;
    std::vector<Expected> expected;
    std::vector<StateAt> states = {};
    // The window manager answered a question before these writes.
    bool answersQuestions = false;
};

// Feeds the tracker what the script says happened by now, reads what it asks, and moves the
// clock to whatever comes first: the tracker's next look or the script's next event.
struct Player {
    FakeClock clock;
    FrameWriteTiming timing;
    FrameWriteTracker tracker{clock, timing};
    Clock::TimePoint start = clock.now();
    std::vector<FrameWriteTracker::Id> ids;
    std::map<size_t, std::pair<FrameWriteTracker::Answer, int>> answers;
    std::vector<size_t> notified; // notifications fed so far, per window
    std::optional<int> probeSentAt;
    bool probeFed = false;

    int now() const
    {
        return int(
            std::chrono::duration_cast<milliseconds>(const_cast<FakeClock &>(clock).now() - start)
                .count());
    }

    void play(const Row &row, const std::function<void(int)> &onStep = {})
    {
        if (row.answersQuestions) {
            tracker.probeSent();
            tracker.probeAnswered();
        }
        for (size_t i = 0; i < row.windows.size(); ++i) {
            const Window &w = row.windows[i];
            ids.push_back(tracker.sent(quint32(0x400000 + i), before, w.expected, milliseconds(600),
                                       [w] { return w.sizeAllowed; }));
        }
        notified.assign(row.windows.size(), 0);
        for (int step = 0; step < 10000 && answers.size() < row.windows.size(); ++step) {
            const int t = now();
            for (size_t i = 0; i < row.windows.size(); ++i) {
                const Window &w = row.windows[i];
                if (w.gone && *w.gone <= t) {
                    tracker.destroyed(ids[i]);
                }
                while (notified[i] < w.notifications.size() && w.notifications[notified[i]] <= t) {
                    ++notified[i];
                    tracker.configureSeen(ids[i]);
                }
            }
            if (probeSentAt && !probeFed && row.probeAnswered && *row.probeAnswered <= t) {
                probeFed = true;
                tracker.probeAnswered();
            }
            for (const FrameWriteTracker::Id id : tracker.toRead()) {
                const size_t i = size_t(std::find(ids.begin(), ids.end(), id) - ids.begin());
                const Window &w = row.windows[i];
                Geometry g;
                if (w.gone && *w.gone <= t) {
                    g.status = Geometry::Status::gone;
                } else {
                    g.status = Geometry::Status::ok;
                    g.client = w.at(t);
                }
                tracker.geometryRead(id, g);
            }
            for (size_t i = 0; i < ids.size(); ++i) {
                if (!answers.count(i)) {
                    if (const auto answer = tracker.answer(ids[i])) {
                        answers[i] = {*answer, t};
                    }
                }
            }
            if (onStep) {
                onStep(t);
            }
            if (!probeSentAt && tracker.wantsProbe()) {
                probeSentAt = t;
                tracker.probeSent();
            }
            // The next thing due: the tracker's wake-up or the script's next event.
            const Clock::TimePoint wake = tracker.wakeAt();
            int next = wake == Clock::TimePoint::max()
                ? 1000000
                : int(std::chrono::duration_cast<milliseconds>(wake - start).count());
            for (const Window &w : row.windows) {
                for (const int n : w.notifications) {
                    if (n > t) {
                        next = std::min(next, n);
                    }
                }
                if (w.gone && *w.gone > t) {
                    next = std::min(next, *w.gone);
                }
            }
            if (row.probeAnswered && !probeFed && *row.probeAnswered > t) {
                next = std::min(next, *row.probeAnswered);
            }
            if (next > t) {
                clock.advance(milliseconds(next - t));
            }
        }
    }
};

const char *name(Ending ending)
{
    switch (ending) {
    case Ending::landed:
        return "landed";
    case Ending::settled:
        return "settled";
    case Ending::timedOut:
        return "timedOut";
    case Ending::unreadable:
        return "unreadable";
    case Ending::gone:
        return "gone";
    }
    return "?";
}

TEST(FrameWriteTracker, EndsEachWriteAsTheWindowManagerAnswersIt)
{
    constexpr auto nep = AXError::notEnoughPrecision;
    const std::vector<Row> rows = {
        {"told at once", {{{{30, asked}}, {30}}}, std::nullopt, {{Ending::landed, 30}}},
        {"a late notification: the regular look finds the window in place",
         {{{{10, asked}}, {200}}},
         std::nullopt,
         {{Ending::landed, 20}}},
        {"no notification at all, and no answer to the question: the regular look",
         {{{{3, asked}}, {}}},
         std::nullopt,
         {{Ending::landed, 20}}},
        {"no notification at all, but the question asked after the write is answered",
         {{{{3, asked}}, {}}},
         5,
         {{Ending::landed, 5}}},
        {"a later write notified: the silent one before it is looked at then",
         {{{{4, asked}}, {}}, {{{8, asked}}, {8}}},
         std::nullopt,
         {{Ending::landed, 8}, {Ending::landed, 8}}},
        {"half a request applied (the size), the move long after: no early end",
         {{{{10, sizedOnly}, {300, asked}}, {10, 300}}},
         std::nullopt,
         {{Ending::landed, 300}},
         {{50, 0, State::heard}}},
        {"half a request applied (the place), the size later while the hints allow it",
         {{{{10, placedOnly}, {250, asked}}, {10, 250}}},
         std::nullopt,
         {{Ending::landed, 250}}},
        {"a size the hints refuse: the move is the whole answer after a quiet period",
         {{{{10, placedOnly}}, {10}, std::nullopt, false}},
         std::nullopt,
         {{Ending::settled, 70, AXError::success, nep}},
         {{10, 0, State::settling}}},
        {"put elsewhere by the window manager: ends after a quiet period",
         {{{{10, elsewhere}}, {10}}},
         std::nullopt,
         {{Ending::settled, 70}}},
        {"a notification that leaves the window where it was starts no quiet period",
         {{{{100, asked}}, {10, 100}}},
         std::nullopt,
         {{Ending::landed, 100}},
         {{50, 0, State::heard}}},
        {"the window gone while the write waits",
         {{{}, {}, 40}},
         std::nullopt,
         {{Ending::gone, 40, AXError::invalidUIElement, AXError::invalidUIElement}}},
        {"nothing at all: the wait ends before the deadline, the window as it was",
         {{{}, {}}},
         std::nullopt,
         {{Ending::timedOut, 550, nep, nep}}},
        // Three requests answered together only at the end: each one's timeout runs from its
        // turn, 5 ms later for each request ahead of it, so the later ones outlast the first.
        {"a burst answered only at its end: the timeout counts from each request's turn",
         {{{{560, asked}}, {560}}, {{{560, asked}}, {560}}, {{{560, asked}}, {560}}},
         std::nullopt,
         {{Ending::timedOut, 550, nep, nep},
          {Ending::timedOut, 555, nep, nep},
          {Ending::landed, 560}},
         {{0, 0, State::sent}, {0, 1, State::queued}, {0, 2, State::queued}}},
        // Once the window manager says anything about one request it is at work on them: those
        // it has said nothing about yet get their whole timeout again from then on.
        {"the first word about one request gives the others their time again",
         {{{{500, asked}}, {500}}, {{{900, asked}}, {900}}, {{{1000, asked}}, {1000}}},
         std::nullopt,
         {{Ending::landed, 500}, {Ending::landed, 900}, {Ending::landed, 1000}},
         {{600, 1, State::sent}, {600, 2, State::queued}}},
        // A window manager known to answer questions that has not answered the one asked after
        // the requests is still working through them (Muffin under load, a whole burst at once
        // after 800 ms): no request's turn is known to have come.
        {"a burst answered only at its end, the question after it too: no request ends before",
         {{{{700, asked}}, {700}}, {{{700, asked}}, {700}}, {{{700, asked}}, {700}}},
         700,
         {{Ending::landed, 700}, {Ending::landed, 700}, {Ending::landed, 700}},
         {},
         true},
        {"a window manager that answers neither the requests nor the question: each request ends "
         "its time for a busy window manager after its deadline",
         {{{}, {}}},
         std::nullopt,
         {{Ending::timedOut, 1750, nep, nep}},
         {},
         true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Player run;
        std::vector<StateAt> pending = row.states;
        run.play(row, [&](int t) {
            for (auto it = pending.begin(); it != pending.end();) {
                if (it->at <= t) {
                    EXPECT_EQ(int(run.tracker.state(run.ids[it->window])), int(it->state))
                        << "window " << it->window << " at " << t << " ms";
                    it = pending.erase(it);
                } else {
                    ++it;
                }
            }
        });
        ASSERT_EQ(run.answers.size(), row.expected.size());
        for (size_t i = 0; i < row.expected.size(); ++i) {
            const auto &[answer, at] = run.answers[i];
            EXPECT_STREQ(name(answer.ending), name(row.expected[i].ending)) << "window " << i;
            EXPECT_EQ(at, row.expected[i].at) << "window " << i;
            EXPECT_EQ(answer.position, row.expected[i].position) << "window " << i;
            EXPECT_EQ(answer.size, row.expected[i].size) << "window " << i;
        }
    }
}

TEST(FrameWriteTracker, TheTimingComesFromOnePlace)
{
    Player run;
    run.timing.look = milliseconds(5);
    run.play({"", {{{{3, asked}}, {}}}, std::nullopt, {}});
    ASSERT_EQ(run.answers.size(), 1u);
    EXPECT_EQ(run.answers[0].second, 5);
}

TEST(FrameWriteTracker, SaysHowEachWriteEnded)
{
    Player run;
    run.play({"", {{{{10, elsewhere}}, {10}}}, std::nullopt, {}});
    EXPECT_EQ(run.tracker.describe(run.ids[0]),
              QStringLiteral("frame write to window 0x400000, turn 0: settled elsewhere after "
                             "70 ms (asked 700,200 640×480, stands at 650,180 600×450)"));
}

} // namespace
} // namespace ostrel::x11
