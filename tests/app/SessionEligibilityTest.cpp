#include "app/SessionEligibility.h"

#include "system/fake/FakeSessionEvents.h"

#include "TestApplication.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

const QString paused = QStringLiteral("Automation paused. It resumes when the session is active.");

struct EligibilityCase {
    const char *name;
    std::optional<SessionState> state;
    bool eligible;
};

TEST(SessionEligibility, FollowsTheSessionReport)
{
    const std::optional<bool> none;
    const EligibilityCase cases[] = {
        {"no report at all", std::nullopt, false},
        {"empty report", SessionState{}, true},
        {"unlocked console session, login done", SessionState{false, true, true}, true},
        {"screen locked", SessionState{true, true, true}, false},
        {"away from the console", SessionState{false, false, true}, false},
        {"login not done", SessionState{false, true, false}, false},
        {"without the login-done answer", SessionState{false, true, none}, true},
        {"only the lock known, unlocked", SessionState{false, none, none}, true},
        {"only the console known, away", SessionState{none, false, none}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const SessionEligibility verdict = sessionEligibility(c.state);
        EXPECT_EQ(verdict.eligible, c.eligible);
        if (c.eligible) {
            EXPECT_FALSE(verdict.reason.has_value());
        } else {
            EXPECT_EQ(verdict.reason, paused);
        }
    }
}

TEST(SessionEligibility, AnObserverOfTheFakeSessionReadsTheNewStateInItsSignal)
{
    test::ensureApplication();
    FakeSessionEvents session;
    QList<bool> seen;
    const auto record = [&] { seen.append(sessionEligibility(session.sessionState()).eligible); };
    QObject::connect(&session, &SessionEvents::screenLocked, record);
    QObject::connect(&session, &SessionEvents::screenUnlocked, record);
    QObject::connect(&session, &SessionEvents::sessionDidResignActive, record);
    QObject::connect(&session, &SessionEvents::sessionDidBecomeActive, record);

    EXPECT_TRUE(sessionEligibility(session.sessionState()).eligible);
    session.lockScreen();
    session.unlockScreen();
    session.resignActive();
    session.becomeActive();
    EXPECT_EQ(seen, (QList<bool>{false, true, false, true}));

    session.setSessionState(std::nullopt);
    EXPECT_FALSE(sessionEligibility(session.sessionState()).eligible);
}

} // namespace
} // namespace ostrel
