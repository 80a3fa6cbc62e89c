#include "model/WindowReference.h"
#include "platform/MarkerOverlayService.h"
#include "platform/OverlayWindowRegistry.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/SystemColors.h"
#include "system/fake/FakeClock.h"
#include "system/fake/FakeCompositing.h"
#include "system/fake/FakeReduceMotion.h"

#include "Await.h"
#include "TestApplication.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

using namespace ostrel;
using namespace std::chrono_literals;

namespace {

// Other applications' windows are numbered 0x4000…, far from the numbers the offscreen platform
// gives the program's own panels, as the window ids of different X clients are.

// A window list a test writes row by row, front to back.
class ScriptedWindowList : public WindowServerList {
public:
    void set(std::optional<QList<WindowServerRow>> rows)
    {
        std::lock_guard lock(mutex_);
        rows_ = std::move(rows);
    }
    void set(const QList<OrderedWindow> &windows)
    {
        QList<WindowServerRow> rows;
        for (const OrderedWindow &w : windows) {
            rows.append({1234, w.id, 0, 1.0, w.bounds});
        }
        set(std::optional(rows));
    }
    std::optional<QList<WindowServerRow>> windowList() override
    {
        std::lock_guard lock(mutex_);
        return rows_;
    }

private:
    std::mutex mutex_;
    std::optional<QList<WindowServerRow>> rows_ = QList<WindowServerRow>{};
};

NumberedCandidate candidate(int number, RectD frame)
{
    WindowReference reference;
    reference.id = QUuid::createUuid();
    reference.frame = frame;
    return {number, reference};
}

QRect screenGeometry(const RectD &frame)
{
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
    return QRect(int(std::round(frame.x)) + origin.x(), int(std::round(frame.y)) + origin.y(),
                 int(std::round(frame.width)), int(std::round(frame.height)));
}

class Overlays : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    void TearDown() override
    {
        // Let every waiting task wake and find its service gone.
        markers.reset();
        flash.reset();
        clock.advance(1h);
        QCoreApplication::processEvents();
    }

    // One tracking cycle: its sleep ends and its read is applied before it sleeps again.
    void trackOnce()
    {
        const int waiting = clock.pendingSleeps();
        clock.advance(RestoredWindowFlashService::trackingPeriod);
        ASSERT_TRUE(test::waitUntil([&] { return clock.pendingSleeps() == waiting; }));
    }

    FakeClock clock;
    FakeCompositing compositing;
    FakeReduceMotion reduceMotion;
    ScriptedWindowList windowList;
    OverlayWindowRegistry overlays;
    std::unique_ptr<MarkerOverlayService> markers =
        std::make_unique<MarkerOverlayService>(clock, overlays, &compositing);
    std::unique_ptr<RestoredWindowFlashService> flash = [this] {
        auto service = std::make_unique<RestoredWindowFlashService>(windowList, clock, overlays,
                                                                    &reduceMotion, &compositing);
        service->setFadeDurations(0ms, 0ms);
        return service;
    }();
};

} // namespace

// --- candidate markers

TEST_F(Overlays, MarkersCoverCandidatesLargerThanTenPointsInsetByTwo)
{
    markers->show({candidate(1, {100, 100, 400, 300}), candidate(2, {600, 100, 10, 300}),
                   candidate(3, {600, 100, 300, 10}), candidate(4, {50, -500, 10.5, 200})});
    const QList<MarkerContentView *> panels = markers->panels();
    ASSERT_EQ(panels.size(), 2) << "a window 10 points wide or high gets no marker";
    EXPECT_EQ(panels[0]->number(), 1);
    EXPECT_EQ(panels[0]->frame(), (RectD{102, 102, 396, 296}));
    EXPECT_EQ(panels[0]->geometry(), screenGeometry({102, 102, 396, 296}));
    EXPECT_TRUE(panels[0]->isVisible());
    EXPECT_EQ(panels[1]->number(), 4);
    // Above the primary display: only the primary display's origin enters the placement.
    EXPECT_EQ(panels[1]->frame(), (RectD{52, -498, 6.5, 196}));
    EXPECT_EQ(panels[1]->geometry().top(), screenGeometry({52, -498, 6.5, 196}).top());

    for (MarkerContentView *panel : panels) {
        EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowTransparentForInput));
        EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(overlays.windowNumbers().contains(quint32(panel->windowNumber())));
    }
}

TEST_F(Overlays, MarkersGoAfterFourSecondsCountedFromTheLastShow)
{
    markers->show({candidate(1, {100, 100, 400, 300})});
    // The new panels may well take the old one's memory, so only a guarded pointer says it is gone.
    const QPointer<MarkerContentView> first = markers->panels().value(0);
    ASSERT_TRUE(first);
    const qint64 firstNumber = first->windowNumber();
    clock.advance(2s);
    markers->show({candidate(1, {100, 100, 400, 300}), candidate(2, {600, 100, 400, 300})});
    EXPECT_TRUE(first.isNull()) << "the first markers vanish at once";
    EXPECT_FALSE(overlays.windowNumbers().contains(quint32(firstNumber)));

    clock.advance(2500ms); // the first hide task wakes, cancelled
    QCoreApplication::processEvents();
    EXPECT_EQ(markers->panels().size(), 2);
    clock.advance(1500ms);
    QCoreApplication::processEvents();
    EXPECT_TRUE(markers->panels().isEmpty());
}

TEST_F(Overlays, ClearingMarkersLeavesTheFlashPanelsRegistered)
{
    overlays.add(777001); // a flash panel's number
    markers->show({candidate(1, {100, 100, 400, 300}), candidate(2, {600, 100, 400, 300})});
    QList<quint32> numbers;
    for (MarkerContentView *panel : markers->panels()) {
        numbers.append(quint32(panel->windowNumber()));
    }
    markers->clear();
    EXPECT_TRUE(markers->panels().isEmpty());
    for (quint32 number : numbers) {
        EXPECT_FALSE(overlays.windowNumbers().contains(number));
    }
    EXPECT_TRUE(overlays.windowNumbers().contains(777001));
}

TEST_F(Overlays, AnEmptyCandidateListClearsAndStillSchedulesTheHide)
{
    markers->show({candidate(1, {100, 100, 400, 300})});
    markers->show({});
    EXPECT_TRUE(markers->panels().isEmpty());
    EXPECT_EQ(clock.pendingSleeps(), 1)
        << "the cancelled hide ended at once; only the new one waits";
}

TEST_F(Overlays, WithoutACompositorAMarkerIsCutToWhatItPaints)
{
    compositing.set(false);
    markers->show({candidate(1, {100, 100, 400, 300})});
    MarkerContentView *panel = markers->panels().value(0);
    ASSERT_TRUE(panel);
    const QRegion mask = panel->mask();
    EXPECT_FALSE(mask.isEmpty());
    EXPECT_TRUE(mask.contains(QPoint(3, 150))) << "the outline";
    EXPECT_TRUE(mask.contains(QPoint(25, 25))) << "the badge";
    EXPECT_FALSE(mask.contains(QPoint(200, 150))) << "the window below shows through";
    EXPECT_FALSE(mask.contains(QPoint(8, 150))) << "just inside the outline";
    EXPECT_FALSE(panel->testAttribute(Qt::WA_TranslucentBackground));

    // What shows is drawn flat, with no edge blended into black, and the badge keeps its
    // number.
    const QImage drawn = panel->grab().toImage();
    const QColor green = SystemColors::green();
    for (const QPoint at : {QPoint(2, 150), QPoint(3, 150), QPoint(200, 3), QPoint(12, 25)}) {
        EXPECT_EQ(drawn.pixelColor(at).rgb(), green.rgb()) << at.x() << "," << at.y();
    }
    int white = 0;
    for (int y = 11; y < 39; ++y) {
        for (int x = 11; x < 39; ++x) {
            white += mask.contains(QPoint(x, y)) && qGray(drawn.pixel(x, y)) > 220 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 10) << "the number in the badge";
}

// --- restore flash

TEST_F(Overlays, FlashMakesPanelsForUsableTargetsOfTwentyPointsOrMore)
{
    flash->flash({{{100, 100, 20, 20}, std::nullopt},
                  {{100, 100, 19.9, 40}, std::nullopt},
                  {{100, 100, qInf(), 40}, std::nullopt},
                  {{300, 200, 640, 480}, std::nullopt}},
                 HighlightColor::teal);
    ASSERT_EQ(flash->panels().size(), 2);
    EXPECT_EQ(flash->panels()[0].panel->frame(), (RectD{100, 100, 20, 20}));
    EXPECT_EQ(flash->panels()[1].panel->geometry(), screenGeometry({300, 200, 640, 480}));
    EXPECT_EQ(flash->panels()[1].region->rects(), (QList<RectD>{{0, 0, 640, 480}}));
    EXPECT_EQ(flash->panels()[1].panel->accent(), QColor(0x30, 0xB0, 0xC7));
    EXPECT_FALSE(flash->isTracking()) << "no window numbers: nothing to track";

    flash->flash({{{0, 0, 10, 10}, 0x400005}}, HighlightColor::blue);
    EXPECT_TRUE(flash->panels().isEmpty());
    EXPECT_EQ(flash->generation(), 2u);
    EXPECT_EQ(clock.pendingSleeps(), 0)
        << "the first flash's dismissal ended with it, and no panel waits";
}

TEST_F(Overlays, FlashFollowsItsWindowAndShowsOnlyTheUncoveredPart)
{
    windowList.set(
        QList<OrderedWindow>{{0x400011, {300, 0, 500, 600}}, {0x400010, {100, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    const RestoredWindowFlashService::TrackedPanel tracked = flash->panels().value(0);
    ASSERT_TRUE(tracked.panel);
    // The first correction happens at once.
    EXPECT_EQ(tracked.region->rects(), (QList<RectD>{{-0.5, -0.5, 201, 301}}));
    EXPECT_TRUE(flash->isTracking());

    // Moved by half a point: ignored. Moved further: the panel follows within one cycle.
    windowList.set(QList<OrderedWindow>{{0x400010, {100.5, 100, 400, 300}}});
    trackOnce();
    EXPECT_EQ(tracked.panel->frame(), (RectD{100, 100, 400, 300}));
    EXPECT_EQ(tracked.region->rects(), (QList<RectD>{{-0.5, -0.5, 401, 301}}));
    windowList.set(QList<OrderedWindow>{{0x400010, {150, 120, 400, 300}}});
    trackOnce();
    EXPECT_EQ(tracked.panel->frame(), (RectD{150, 120, 400, 300}));
    EXPECT_EQ(tracked.panel->geometry(), screenGeometry({150, 120, 400, 300}));
    windowList.set(QList<OrderedWindow>{{0x400010, {150, 120, 500, 350}}});
    trackOnce();
    EXPECT_EQ(tracked.panel->geometry(), screenGeometry({150, 120, 500, 350}));

    // Fully covered: nothing is drawn but the panel stays.
    windowList.set(
        QList<OrderedWindow>{{0x400012, {0, 0, 1000, 1000}}, {0x400010, {150, 120, 500, 350}}});
    trackOnce();
    EXPECT_TRUE(tracked.region->rects().isEmpty());
    EXPECT_TRUE(tracked.panel->isVisible());

    // An unreadable list changes nothing.
    windowList.set(std::optional<QList<WindowServerRow>>());
    trackOnce();
    EXPECT_TRUE(tracked.region->rects().isEmpty());
    EXPECT_EQ(tracked.panel->geometry(), screenGeometry({150, 120, 500, 350}));
}

TEST_F(Overlays, AMinimisedWindowsPanelIsOrderedOutUntilItComesBack)
{
    windowList.set(
        QList<OrderedWindow>{{0x400010, {100, 100, 400, 300}}, {0x400020, {600, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}, {{600, 100, 400, 300}, 0x400020}},
                 HighlightColor::blue);
    ASSERT_EQ(flash->panels().size(), 2);
    windowList.set(QList<OrderedWindow>{{0x400020, {600, 100, 400, 300}}});
    trackOnce();
    EXPECT_FALSE(flash->panels()[0].panel->isVisible());
    EXPECT_TRUE(flash->panels()[1].panel->isVisible());
    windowList.set(
        QList<OrderedWindow>{{0x400010, {100, 100, 400, 300}}, {0x400020, {600, 100, 400, 300}}});
    trackOnce();
    EXPECT_TRUE(flash->panels()[0].panel->isVisible());
}

TEST_F(Overlays, TheProgramsOwnOverlaysNeverCoverARestoredWindow)
{
    markers->show({candidate(1, {100, 100, 400, 300})});
    const quint32 marker = quint32(markers->panels().value(0)->windowNumber());
    windowList.set(
        QList<OrderedWindow>{{marker, {100, 100, 400, 300}}, {0x400010, {100, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    EXPECT_EQ(flash->panels().value(0).region->rects(), (QList<RectD>{{-0.5, -0.5, 401, 301}}));
    trackOnce();
    EXPECT_EQ(flash->panels().value(0).region->rects(), (QList<RectD>{{-0.5, -0.5, 401, 301}}));
}

TEST_F(Overlays, FlashFadesOutAndGoesAfterItsTime)
{
    windowList.set(QList<OrderedWindow>{{0x400010, {100, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    RestoredWindowFlashView *panel = flash->panels().value(0).panel;
    const quint32 number = quint32(panel->windowNumber());
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0) << "faded in";

    clock.advance(1s);
    QCoreApplication::processEvents();
    EXPECT_EQ(flash->panels().size(), 1);
    clock.advance(50ms);
    ASSERT_TRUE(test::waitUntil([&] { return flash->panels().isEmpty(); }));
    EXPECT_FALSE(flash->isTracking());
    EXPECT_FALSE(overlays.windowNumbers().contains(number));
}

TEST_F(Overlays, ASecondFlashReplacesTheFirstWhoseTasksThenDoNothing)
{
    windowList.set(QList<OrderedWindow>{{0x400010, {100, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    const QPointer<RestoredWindowFlashView> first = flash->panels().value(0).panel;
    clock.advance(500ms);
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::red);
    ASSERT_EQ(flash->panels().size(), 1);
    EXPECT_TRUE(!first || !first->isVisible()) << "the first flash is taken down";
    EXPECT_EQ(flash->panels()[0].panel->accent(), QColor(0xFF, 0x3B, 0x30))
        << "in the second flash's colour";
    EXPECT_EQ(flash->generation(), 2u);

    clock.advance(600ms); // the first dismissal wakes at 1.05 s
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(flash->panels().size(), 1);
    clock.advance(500ms); // the second at 1.55 s
    ASSERT_TRUE(test::waitUntil([&] { return flash->panels().isEmpty(); }));
}

TEST_F(Overlays, PanelsTakenDownVanishAtOnceAndAreDestroyedSoonAfter)
{
    flash->flash({{{100, 100, 400, 300}, std::nullopt}, {{600, 100, 400, 300}, std::nullopt}},
                 HighlightColor::blue);
    QList<QPointer<RestoredWindowFlashView>> first;
    for (const RestoredWindowFlashService::TrackedPanel &tracked : flash->panels()) {
        first.append(tracked.panel);
    }
    flash->flash({{{100, 100, 400, 300}, std::nullopt}}, HighlightColor::red);
    for (const QPointer<RestoredWindowFlashView> &panel : first) {
        EXPECT_TRUE(!panel || !panel->isVisible());
    }
    ASSERT_TRUE(test::waitUntil([&] {
        return std::none_of(first.cbegin(), first.cend(),
                            [](const auto &panel) { return bool(panel); });
    }));
    ASSERT_EQ(flash->panels().size(), 1);
    EXPECT_TRUE(flash->panels()[0].panel->isVisible());
}

TEST_F(Overlays, UnderReducedMotionThePanelsShowAtOnceAndGoAtOnePointFourSeconds)
{
    reduceMotion.set(true);
    windowList.set(QList<OrderedWindow>{{0x400010, {100, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    RestoredWindowFlashView *panel = flash->panels().value(0).panel;
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);

    clock.advance(1100ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(flash->panels().size(), 1);
    EXPECT_TRUE(flash->isTracking()) << "tracking goes on until the removal";
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
    clock.advance(300ms);
    QCoreApplication::processEvents();
    EXPECT_TRUE(flash->panels().isEmpty());
}

TEST_F(Overlays, RemovePanelsEndsEverythingAtOnce)
{
    windowList.set(QList<OrderedWindow>{{0x400010, {100, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    flash->removePanels();
    EXPECT_TRUE(flash->panels().isEmpty());
    EXPECT_FALSE(flash->isTracking());
    EXPECT_EQ(flash->generation(), 1u);
    clock.advance(2s);
    QCoreApplication::processEvents();
    EXPECT_TRUE(flash->panels().isEmpty());
}

// The program takes the overlays down at its end, and its event loop runs no more: a task still
// waiting then would never wake, and nothing of it may be left.
TEST_F(Overlays, OverlayServicesThatGoEndTheirPanelsAndTasksAtOnce)
{
    windowList.set(QList<OrderedWindow>{{0x400010, {100, 100, 400, 300}}});
    markers->show({candidate(1, {100, 100, 400, 300})});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    const QPointer<MarkerContentView> marker = markers->panels().value(0);
    const QPointer<RestoredWindowFlashView> panel = flash->panels().value(0).panel;
    ASSERT_TRUE(marker && panel && flash->isTracking());
    const quint32 number = quint32(panel->windowNumber());
    ASSERT_EQ(clock.pendingSleeps(), 3) << "the markers' hide, the dismissal and the tracking";

    markers.reset();
    flash.reset();
    EXPECT_TRUE(marker.isNull());
    EXPECT_TRUE(panel.isNull());
    EXPECT_FALSE(overlays.windowNumbers().contains(number));
    EXPECT_EQ(clock.pendingSleeps(), 0) << "every task ended with its service";
}

TEST_F(Overlays, WithoutACompositorTheFlashIsCutToTheVisibleBand)
{
    compositing.set(false);
    windowList.set(
        QList<OrderedWindow>{{0x400011, {300, 0, 500, 600}}, {0x400010, {100, 100, 400, 300}}});
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    const QRegion mask = flash->panels().value(0).panel->mask();
    EXPECT_TRUE(mask.contains(QPoint(2, 150))) << "the left edge, uncovered";
    EXPECT_FALSE(mask.contains(QPoint(398, 150))) << "the right edge, covered";
    EXPECT_FALSE(mask.contains(QPoint(100, 150))) << "the middle of the window";
    EXPECT_FALSE(mask.contains(QPoint(6, 150))) << "no glow inside the rim";

    // The rim is drawn flat in the highlight colour: no glow faded into black.
    const QImage drawn = flash->panels().value(0).panel->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(1, 150).rgb(), SystemColors::color(HighlightColor::blue).rgb());
}
