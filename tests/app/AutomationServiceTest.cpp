#include "app/AutomationService.h"

#include "model/Topology.h"
#include "system/fake/FakeDisplayEvents.h"
#include "system/fake/FakePowerEvents.h"

#include "TestApplication.h"
#include "VirtualTime.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace ostrel {
namespace {

CurrentDisplay display(quint32 serial, double x, double width, bool primary)
{
    CurrentDisplay d;
    d.identity = {0x10AC, 0xA0C1, serial, 0};
    d.name = QStringLiteral("Display %1").arg(serial);
    d.frame = {x, 0, width, 1080};
    d.visibleFrame = {x, 25, width, 1055};
    d.pixelWidth = qint64(width);
    d.pixelHeight = 1080;
    d.isPrimary = primary;
    return d;
}

const QList<CurrentDisplay> desk = {display(1, 0, 1920, true), display(2, 1920, 1280, false)};
const QList<CurrentDisplay> laptop = {display(1, 0, 1920, true)};

// Displays compare by what automation recognises them by.
QString setup(const QList<CurrentDisplay> &displays)
{
    return Topology::signature(displays);
}

struct Report {
    Clock::Duration at;
    QList<CurrentDisplay> displays;
};

struct Deferral {
    Clock::Duration at;
    AutomationDeferral deferral;
};

class AutomationServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        start_ = clock_.now();
        service_ = std::make_unique<AutomationService>(
            clock_, [this] { return readDisplays_ ? readDisplays_() : connected_; }, power_,
            displayEvents_);
        service_->onStableDisplays = [this](const QList<CurrentDisplay> &displays) {
            reports_.append({elapsed(), displays});
        };
        service_->onDeferred = [this](AutomationDeferral deferral) {
            deferrals_.append({elapsed(), deferral});
        };
        service_->start();
    }

    void TearDown() override
    {
        service_.reset();
        // A wait still sleeping on the clock finds the service gone and ends.
        test::advance(clock_, 1s);
    }

    Clock::Duration elapsed() { return clock_.now() - start_; }

    // Runs virtual time until `moment` after the start of the test.
    void runUntil(Clock::Duration moment) { test::advance(clock_, moment - elapsed()); }

    // What the model does when it starts an automatic restore for a reported setup.
    void accept(const QList<CurrentDisplay> &displays)
    {
        service_->didAcceptTrigger(Topology::signature(displays));
        service_->setInFlight(false);
    }

    FakeClock clock_;
    FakePowerEvents power_;
    FakeDisplayEvents displayEvents_;
    QList<CurrentDisplay> connected_ = desk;
    std::function<QList<CurrentDisplay>()> readDisplays_;
    std::unique_ptr<AutomationService> service_;
    Clock::TimePoint start_;
    QList<Report> reports_;
    QList<Deferral> deferrals_;
};

TEST_F(AutomationServiceTest, OneChangeIsReportedOnceAbout2point4SecondsLater)
{
    const std::pair<const char *, std::function<void()>> triggers[] = {
        {"display change", [this] { displayEvents_.changeScreenParameters(); }},
        {"wake", [this] { power_.wake(); }},
        {"screens wake", [this] { power_.wakeScreens(); }},
    };
    Clock::Duration begin{0};
    for (const auto &[name, trigger] : triggers) {
        SCOPED_TRACE(name);
        reports_.clear();
        service_->setInFlight(false);
        trigger();
        EXPECT_TRUE(service_->isSettling());
        runUntil(begin + 2390ms);
        EXPECT_TRUE(reports_.isEmpty());
        runUntil(begin + 2400ms);
        ASSERT_EQ(reports_.size(), 1);
        EXPECT_EQ(reports_[0].at, begin + 2400ms);
        EXPECT_EQ(setup(reports_[0].displays), setup(desk));
        EXPECT_TRUE(service_->inFlight());
        EXPECT_FALSE(service_->isSettling());
        runUntil(begin + 10s);
        EXPECT_EQ(reports_.size(), 1);
        begin += 10s;
    }
    EXPECT_TRUE(deferrals_.isEmpty());
}

TEST_F(AutomationServiceTest, EveryChangeRestartsTheQuietTimeButNotTheBurst)
{
    // Changes every second for 15 s: given up 10 s after the first; the change at 10 s starts
    // a new burst, which settles 2 s after the last change.
    for (int second = 0; second < 15; ++second) {
        runUntil(std::chrono::seconds(second));
        displayEvents_.changeScreenParameters();
    }
    runUntil(20s);
    ASSERT_EQ(deferrals_.size(), 1);
    EXPECT_EQ(deferrals_[0].at, 10s);
    EXPECT_EQ(deferrals_[0].deferral, AutomationDeferral::displaysUnsettled);
    ASSERT_EQ(reports_.size(), 1);
    EXPECT_EQ(reports_[0].at, 16s);
}

TEST_F(AutomationServiceTest, ASetupThatNeverHoldsStillIsGivenUpAfter10Seconds)
{
    int looks = 0;
    const std::pair<const char *, std::function<QList<CurrentDisplay>()>> setups[] = {
        {"alternating on every look", [&looks] { return ++looks % 2 ? desk : laptop; }},
        {"no display connected", [] { return QList<CurrentDisplay>(); }},
    };
    Clock::Duration begin{0};
    for (const auto &[name, setup] : setups) {
        SCOPED_TRACE(name);
        deferrals_.clear();
        readDisplays_ = setup;
        displayEvents_.changeScreenParameters();
        runUntil(begin + 9990ms);
        EXPECT_TRUE(deferrals_.isEmpty());
        runUntil(begin + 10s);
        ASSERT_EQ(deferrals_.size(), 1);
        EXPECT_EQ(deferrals_[0].deferral, AutomationDeferral::displaysUnsettled);
        EXPECT_FALSE(service_->isSettling());
        begin += 11s;
        runUntil(begin);
    }
    EXPECT_TRUE(reports_.isEmpty());
}

TEST_F(AutomationServiceTest, AnAcceptedSetupIsIgnoredFor30SecondsFromTheEndOfItsPass)
{
    displayEvents_.changeScreenParameters();
    runUntil(2400ms);
    ASSERT_EQ(reports_.size(), 1);
    accept(reports_[0].displays);

    // Settles again 7.4 s after the accept: silently ignored.
    runUntil(5s);
    displayEvents_.changeScreenParameters();
    runUntil(10s);
    EXPECT_EQ(reports_.size(), 1);
    EXPECT_FALSE(service_->isSettling());

    // The pass ended at 20 s: suppression counts from there, so a settle at 49.9 s is ignored.
    runUntil(20s);
    service_->setLastAcceptedAt(clock_.now());
    runUntil(47500ms);
    displayEvents_.changeScreenParameters();
    runUntil(49900ms);
    EXPECT_EQ(reports_.size(), 1);
    EXPECT_FALSE(service_->isSettling());

    // A settle exactly 30 s after the end of a pass is reported.
    runUntil(50s);
    service_->setLastAcceptedAt(clock_.now());
    runUntil(77600ms);
    displayEvents_.changeScreenParameters();
    runUntil(80s);
    ASSERT_EQ(reports_.size(), 2);
    EXPECT_EQ(reports_[1].at, 80s);

    // Another setup is never suppressed by the accepted one.
    service_->setInFlight(false);
    accept(desk);
    connected_ = laptop;
    displayEvents_.changeScreenParameters();
    runUntil(83s);
    ASSERT_EQ(reports_.size(), 3);
    EXPECT_EQ(setup(reports_[2].displays), setup(laptop));
    EXPECT_TRUE(deferrals_.isEmpty());
}

TEST_F(AutomationServiceTest, ASetupTheModelRefusedIsReportedAgain)
{
    displayEvents_.changeScreenParameters();
    runUntil(2400ms);
    service_->setInFlight(false); // refused: no trigger accepted
    displayEvents_.changeScreenParameters();
    runUntil(4800ms);
    EXPECT_EQ(reports_.size(), 2);
}

TEST_F(AutomationServiceTest, ASettleWhileTheModelStillHandlesThePreviousOneIsDropped)
{
    displayEvents_.changeScreenParameters();
    runUntil(2400ms);
    ASSERT_EQ(reports_.size(), 1);
    connected_ = laptop;
    displayEvents_.changeScreenParameters();
    runUntil(10s);
    EXPECT_EQ(reports_.size(), 1);
    EXPECT_TRUE(deferrals_.isEmpty());
    EXPECT_FALSE(service_->isSettling());

    service_->setInFlight(false);
    displayEvents_.changeScreenParameters();
    runUntil(12400ms);
    ASSERT_EQ(reports_.size(), 2);
    EXPECT_EQ(setup(reports_[1].displays), setup(laptop));
}

TEST_F(AutomationServiceTest, NothingIsFollowedWhileTheSessionIsNotEligible)
{
    service_->setEligible(false);
    displayEvents_.changeScreenParameters();
    EXPECT_FALSE(service_->isSettling());
    runUntil(5s);

    // Going ineligible during a wait ends it at the next look at the latest, silently.
    AutomationService other(
        clock_, [] { return desk; }, power_, displayEvents_);
    QList<Clock::Duration> otherReports;
    other.onStableDisplays = [&](const QList<CurrentDisplay> &) { otherReports.append(elapsed()); };
    other.start();
    displayEvents_.changeScreenParameters();
    runUntil(6s);
    other.setEligible(false);
    runUntil(6400ms);
    EXPECT_FALSE(other.isSettling());
    runUntil(20s);
    EXPECT_TRUE(otherReports.isEmpty());
    EXPECT_TRUE(reports_.isEmpty());
    EXPECT_TRUE(deferrals_.isEmpty());
}

TEST_F(AutomationServiceTest, AChangeDuringSleepSettlesOnceTheSessionIsBack)
{
    // The session goes away, the displays change during sleep, the wake arrives before the
    // session counts as back: the setup is waited for from the moment eligibility returns.
    service_->setEligible(false);
    runUntil(1s);
    connected_ = laptop;
    displayEvents_.changeScreenParameters();
    runUntil(60s);
    power_.wake();
    runUntil(61s);
    EXPECT_TRUE(reports_.isEmpty());
    service_->setEligible(true);
    EXPECT_TRUE(service_->isSettling());
    runUntil(63400ms);
    ASSERT_EQ(reports_.size(), 1);
    EXPECT_EQ(reports_[0].at, 63400ms);
    EXPECT_EQ(setup(reports_[0].displays), setup(laptop));

    // Eligibility coming back with nothing missed starts no wait.
    service_->setInFlight(false);
    service_->setEligible(false);
    service_->setEligible(true);
    EXPECT_FALSE(service_->isSettling());
}

TEST_F(AutomationServiceTest, AWaitCutShortByTheSessionGoingAwayResumesWhenItReturns)
{
    displayEvents_.changeScreenParameters();
    runUntil(1s);
    // The model's session update: ineligible, then the settling is cancelled.
    service_->setEligible(false);
    service_->cancelSettling();
    runUntil(30s);
    EXPECT_TRUE(reports_.isEmpty());
    service_->setEligible(true);
    runUntil(32400ms);
    EXPECT_EQ(reports_.size(), 1);
}

TEST_F(AutomationServiceTest, CancellingEndsTheWaitAndKeepsWhatTheModelWrote)
{
    displayEvents_.changeScreenParameters();
    runUntil(2400ms);
    accept(desk);
    service_->setInFlight(true);
    connected_ = laptop;
    displayEvents_.changeScreenParameters();
    runUntil(3s);
    service_->cancelSettling();
    EXPECT_FALSE(service_->isSettling());
    runUntil(15s);
    EXPECT_EQ(reports_.size(), 1);
    EXPECT_TRUE(deferrals_.isEmpty());
    EXPECT_TRUE(service_->inFlight());
    EXPECT_EQ(service_->lastAcceptedSignature(), Topology::signature(desk));
    EXPECT_EQ(service_->lastAcceptedAt(), start_ + 2400ms);
}

TEST(AutomationServiceStart, ChangesBeforeStartAreIgnored)
{
    test::ensureApplication();
    FakeClock clock;
    FakePowerEvents power;
    FakeDisplayEvents displays;
    int reports = 0;
    {
        AutomationService service(
            clock, [] { return desk; }, power, displays);
        service.onStableDisplays = [&](const QList<CurrentDisplay> &) { ++reports; };
        displays.changeScreenParameters();
        power.wake();
        EXPECT_FALSE(service.isSettling());
        test::advance(clock, 5s);
    }
    EXPECT_EQ(reports, 0);
}

// Tells how many connections a signal has, which a second start must not add to.
class ListenedDisplayEvents : public FakeDisplayEvents {
public:
    int listeners() const { return receivers(SIGNAL(screenParametersChanged())); }
};

class ListenedPowerEvents : public FakePowerEvents {
public:
    int wakeListeners() const { return receivers(SIGNAL(didWake())); }
    int screensWakeListeners() const { return receivers(SIGNAL(screensDidWake())); }
};

TEST(AutomationServiceStart, StartingTwiceListensOnce)
{
    test::ensureApplication();
    FakeClock clock;
    ListenedPowerEvents power;
    ListenedDisplayEvents displays;
    int reports = 0;
    AutomationService service(
        clock, [] { return desk; }, power, displays);
    service.onStableDisplays = [&](const QList<CurrentDisplay> &) { ++reports; };
    service.start();
    service.start();
    EXPECT_EQ(displays.listeners(), 1);
    EXPECT_EQ(power.wakeListeners(), 1);
    EXPECT_EQ(power.screensWakeListeners(), 1);
    displays.changeScreenParameters();
    test::advance(clock, 5s);
    EXPECT_EQ(reports, 1);
}

} // namespace
} // namespace ostrel
