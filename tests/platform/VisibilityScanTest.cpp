#include "platform/VisibilityScan.h"

#include "model/CaptureError.h"
#include "system/fake/FakeClock.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace std::chrono_literals;

namespace {

constexpr qint32 pid = 700;

AXWindowIdentity window(quint64 handle)
{
    return {pid, AXElement{handle}};
}

CGWindowEntry row(quint32 number, const RectD &frame)
{
    return {pid, number, frame};
}

struct PairingCase {
    const char *name;
    QHash<AXWindowIdentity, RectD> frames;
    QList<CGWindowEntry> rows;
    QHash<AXWindowIdentity, VisibilityEvidence> evidence;
    bool ambiguous;
};

} // namespace

TEST(VisibilityScan, PairsWindowsWithRowsOneToOne)
{
    const RectD a{100, 100, 800, 600};
    const RectD b{400, 300, 800, 600};
    const RectD far{2000, 2000, 300, 300};
    const PairingCase cases[] = {
        {"single window within 8 points on every value",
         {{window(1), a}},
         {row(11, {108, 92, 808, 592})},
         {{window(1), {11}}},
         false},
        {"8.01 points off on one value",
         {{window(1), a}},
         {row(11, {108.01, 100, 800, 600})},
         {},
         false},
        {"no matching row: no evidence and no doubt", {{window(1), a}}, {row(11, far)}, {}, false},
        {"two look-alikes and two rows: both visible, neither numbered",
         {{window(1), a}, {window(2), a}},
         {row(11, a), row(12, {101, 101, 800, 600})},
         {{window(1), {}}, {window(2), {}}},
         false},
        {"two look-alikes and one row: neither proven",
         {{window(1), a}, {window(2), a}},
         {row(11, a)},
         {},
         true},
        {"one window and two look-alike rows",
         {{window(1), a}},
         {row(11, a), row(12, a)},
         {},
         true},
        {"separate groups are judged apart",
         {{window(1), a}, {window(2), a}, {window(3), b}},
         {row(11, a), row(13, b)},
         {{window(3), {13}}},
         true},
        {"three in a chain: each row fits two windows, pairing needs an augmenting path",
         // w1 fits r1, r2; w2 fits r1 only; w3 fits r2, r3.
         {{window(1), {100, 100, 800, 600}},
          {window(2), {94, 100, 800, 600}},
          {window(3), {110, 100, 800, 600}}},
         {row(21, {100, 100, 800, 600}), row(22, {106, 100, 800, 600}),
          row(23, {117, 100, 800, 600})},
         {{window(1), {}}, {window(2), {}}, {window(3), {}}},
         false},
        {"three windows and three rows, but two windows fit only the same one row",
         {{window(1), {100, 100, 800, 600}},
          {window(2), {93, 100, 800, 600}},
          {window(3), {92, 100, 800, 600}}},
         {row(21, {100, 100, 800, 600}), row(22, {107, 100, 800, 600}),
          row(23, {108, 100, 800, 600})},
         {},
         true},
    };
    for (const PairingCase &c : cases) {
        FakeClock clock;
        const VisibilityScan scan = VisibilityScan::pair(c.frames, c.rows, clock.now() + 1s, clock);
        EXPECT_EQ(scan.evidence, c.evidence) << c.name;
        EXPECT_EQ(scan.ambiguous, c.ambiguous) << c.name;
    }
}

TEST(VisibilityScan, AReachedDeadlineThrowsTimedOut)
{
    FakeClock clock;
    const QHash<AXWindowIdentity, RectD> frames{{window(1), {0, 0, 100, 100}}};
    try {
        VisibilityScan::pair(frames, {row(11, {0, 0, 100, 100})}, clock.now(), clock);
        FAIL() << "no throw";
    } catch (const CaptureError &error) {
        EXPECT_EQ(error.kind(), CaptureError::Kind::timedOut);
    }
    // Nothing to pair tests no clock.
    EXPECT_TRUE(VisibilityScan::pair({}, {}, clock.now(), clock).evidence.isEmpty());
}
