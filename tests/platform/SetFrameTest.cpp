#include "DesktopFixture.h"

#include "Await.h"
#include "DeferredWrites.h"
#include "TestApplication.h"

#include "system/AXAttribute.h"

using namespace ostrel;

namespace {

constexpr RectD initial{100, 100, 400, 300};
constexpr RectD target{200, 150, 500, 350};

// A gate that gives the listed answers in turn (true once they run out) and counts the asks.
struct ScriptedGate {
    QList<bool> answers;
    int asked = 0;
    std::function<void()> whileAsked;
};

QCoro::Task<bool> answer(std::shared_ptr<ScriptedGate> gate)
{
    ++gate->asked;
    if (gate->whileAsked) {
        gate->whileAsked();
    }
    co_return gate->answers.isEmpty() ? true : gate->answers.takeFirst();
}

WriteGate gateOf(const std::shared_ptr<ScriptedGate> &gate)
{
    return [gate] { return answer(gate); };
}

// What a write reported, for comparing two ways of making it.
QString described(const FrameApplyResult &r)
{
    const auto rect = [](const std::optional<RectD> &f) {
        return f ? QStringLiteral("%1,%2 %3x%4").arg(f->x).arg(f->y).arg(f->width).arg(f->height)
                 : QStringLiteral("none");
    };
    QStringList failures;
    for (const AXWriteFailure &f : r.allFailures()) {
        failures.append(QString::number(f.code));
    }
    return QStringLiteral("before %1 after %2 failures [%3] flags %4%5%6%7")
        .arg(rect(r.before), rect(r.after), failures.join(','))
        .arg(int(r.attemptedWrite))
        .arg(int(r.cancelled))
        .arg(int(r.permissionDenied))
        .arg(int(r.gestureBlocked));
}

} // namespace

class MoveEach : public test::DesktopFixture {
protected:
    void SetUp() override { test::ensureApplication(); }
};

// Several windows moved in one pass: every window's write goes out before any answer is
// awaited, the repeats go out together in turn, and each window ends as its own write alone
// ends it.
TEST_F(MoveEach, WritesGoOutTogetherAndEachWindowEndsAsItWouldAlone)
{
    desktop.setWritesFramesInOneRequest(true);
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement lands = desktop.addWindow(pid, initial);
    const AXElement offBy5 = desktop.addWindow(pid, initial);
    const AXElement clamped = desktop.addWindow(pid, initial);
    const AXElement refuses = desktop.addWindow(pid, initial);
    const QList<AXElement> windows{lands, offBy5, clamped, refuses};
    FakeWindowBehaviour five;
    five.positionOffset = AXPoint{5, 0};
    desktop.setBehaviour(offBy5, five);
    FakeWindowBehaviour small;
    small.maximumSize = AXSize{450, 300};
    desktop.setBehaviour(clamped, small);
    desktop.failWrites(refuses, AXAttribute::position, {AXError::notEnoughPrecision});
    test::DeferredWrites noting(*desktop.backend().elements);
    noting.names = {{lands.handle, "lands"},
                    {offBy5.handle, "offBy5"},
                    {clamped.handle, "clamped"},
                    {refuses.handle, "refuses"}};
    SystemBackend backend = desktop.backend();
    backend.elements = &noting;
    WindowService noted(backend);
    QList<WindowReference> references;
    for (const AXElement w : windows) {
        references.append(
            reference(w, pid, "com.example.editor", "Editor", initial, desktop.windowNumber(w)));
    }
    auto flag = std::make_shared<CancellationFlag>();
    QHash<qsizetype, FrameApplyResult> together;
    QList<qsizetype> answerOrder;
    WindowService::MoveSteps steps;
    steps.prepare = [&](qsizetype i) { return MoveDecision::writing(target, references[i]); };
    steps.answered = [&](qsizetype i, const FrameApplyResult &applied) {
        together.insert(i, applied);
        answerOrder.append(i);
    };

    test::await(noted.moveEach(windows.size(), flag, steps));
    EXPECT_EQ(noting.noted,
              (QStringList{"send lands", "send offBy5", "send clamped", "send refuses",
                           "await 1 of 4", "send offBy5", "send clamped", "await 1 of 2"}));
    ASSERT_EQ(together.size(), 4);
    EXPECT_EQ(answerOrder, (QList<qsizetype>{0, 3, 1, 2}));

    // The same writes one window at a time, from the same places.
    for (const AXElement w : windows) {
        desktop.setFrame(w, initial);
    }
    desktop.failWrites(refuses, AXAttribute::position, {AXError::notEnoughPrecision});
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const FrameApplyResult alone =
            test::await(service.setFrame(target, references[i], flag, WriteGate{}));
        EXPECT_EQ(described(together[i]), described(alone)) << i;
    }

    // A window the pass stops at ends the moves; a cancellation between two windows' writes
    // leaves the later window unwritten while the earlier one is still answered.
    for (const AXElement w : windows) {
        desktop.setFrame(w, initial);
    }
    noting.noted.clear();
    together.clear();
    answerOrder.clear();
    steps.prepare = [&](qsizetype i) {
        if (i == 1) {
            flag->cancel();
        }
        return i < 2 ? MoveDecision::writing(target, references[i]) : MoveDecision::stopping();
    };
    test::await(noted.moveEach(windows.size(), flag, steps));
    EXPECT_EQ(noting.noted, (QStringList{"send lands", "await 1 of 1"}));
    EXPECT_EQ(answerOrder, (QList<qsizetype>{1, 0}));
    EXPECT_EQ(together[0].after, target);
    EXPECT_FALSE(together[0].cancelled);
    EXPECT_TRUE(together[1].cancelled);
    EXPECT_FALSE(together[1].attemptedWrite);
    EXPECT_EQ(direct.readFrameNow(references[1]), initial);
}

class SetFrame : public test::DesktopFixture {
protected:
    void SetUp() override { test::ensureApplication(); }

    qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    AXElement window = desktop.addWindow(pid, initial);
    std::shared_ptr<CancellationFlag> flag = std::make_shared<CancellationFlag>();

    WindowReference reference()
    {
        return DesktopFixture::reference(window, pid, QStringLiteral("com.example.editor"),
                                         QStringLiteral("Editor"), initial,
                                         desktop.windowNumber(window));
    }

    FrameApplyResult run(WriteGate gate = {}, const RectD &to = target)
    {
        return test::await(service.setFrame(to, reference(), flag, std::move(gate)));
    }

    QStringList writes()
    {
        QStringList list;
        for (const FakeCall &call : desktop.calls()) {
            if (call.kind == FakeCall::Kind::write) {
                list.append(call.attribute == AXAttribute::size ? "size" : "position");
            }
        }
        return list;
    }

    // Runs `action` when the n-th write (1-based) is made, before it takes effect.
    void atWrite(int n, std::function<void()> action)
    {
        auto count = std::make_shared<int>(0);
        desktop.setHook([count, n, action](const FakeCall &call) {
            if (call.kind == FakeCall::Kind::write && ++*count == n) {
                action();
            }
        });
    }

    void landFivePointsOff()
    {
        FakeWindowBehaviour behaviour;
        behaviour.positionOffset = AXPoint{5, 0};
        desktop.setBehaviour(window, behaviour);
    }
};

TEST_F(SetFrame, WritesSizeThenPositionAndStopsWhenInPlace)
{
    const FrameApplyResult result = run();
    EXPECT_EQ(writes(), (QStringList{"size", "position"}));
    EXPECT_EQ(result.target, target);
    EXPECT_EQ(result.before, initial);
    EXPECT_EQ(result.after, target);
    EXPECT_TRUE(result.allFailures().isEmpty());
    EXPECT_TRUE(result.attemptedWrite);
    EXPECT_FALSE(result.cancelled || result.permissionDenied || result.gestureBlocked);
    EXPECT_EQ(desktop.messagingTimeout(window), 0.6);
    EXPECT_EQ(result.message(), std::nullopt);
}

TEST_F(SetFrame, RepeatsOnceWhenTheFirstAttemptFallsShort)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        QStringList writes;
        std::optional<RectD> after;
        std::optional<AXWriteFailure> sizeFailure;
        std::optional<AXWriteFailure> positionFailure;
    };
    const RectD nearTarget{target.x - 3, target.y + 2, 400, 300};
    const Case cases[] = {
        {"lands within 4 points: no repeat",
         [&] {
             FakeWindowBehaviour b;
             b.positionOffset = AXPoint{4, -4};
             desktop.setBehaviour(window, b);
         },
         {"size", "position"},
         RectD{target.x + 4, target.y - 4, target.width, target.height},
         std::nullopt,
         std::nullopt},
        {"position lands 5 points off: both written again",
         [&] { landFivePointsOff(); },
         {"size", "position", "size", "position"},
         RectD{target.x + 5, target.y, target.width, target.height},
         std::nullopt,
         std::nullopt},
        {"the size applies only after the move",
         [&] {
             FakeWindowBehaviour b;
             b.sizeOnlyAfterMove = true;
             desktop.setBehaviour(window, b);
         },
         {"size", "position", "size", "position"},
         target,
         std::nullopt,
         std::nullopt},
        {"clamped by the application: repeated once, then reported as it is",
         [&] {
             FakeWindowBehaviour b;
             b.maximumSize = AXSize{450, 300};
             desktop.setBehaviour(window, b);
         },
         {"size", "position", "size", "position"},
         RectD{target.x, target.y, 450, 300},
         std::nullopt,
         std::nullopt},
        {"transient size failure: both repeated",
         [&] { desktop.failWrites(window, AXAttribute::size, {AXError::cannotComplete}); },
         {"size", "position", "size", "position"},
         target,
         AXWriteFailure::make(-25204),
         std::nullopt},
        {"transient position failure while already in place: only the position again",
         [&] {
             desktop.setFrame(window, nearTarget);
             desktop.failWrites(window, AXAttribute::position, {AXError::cannotComplete});
         },
         {"size", "position", "position"},
         target,
         std::nullopt,
         AXWriteFailure::make(-25204)},
        {"rejected position: never repeated",
         [&] { desktop.failWrites(window, AXAttribute::position, {AXError::notEnoughPrecision}); },
         {"size", "position"},
         RectD{initial.x, initial.y, target.width, target.height},
         std::nullopt,
         AXWriteFailure::make(-25214)},
        {"unsupported size: never repeated",
         [&] { desktop.failWrites(window, AXAttribute::size, {AXError::attributeUnsupported}); },
         {"size", "position"},
         RectD{target.x, target.y, initial.width, initial.height},
         AXWriteFailure::make(-25205),
         std::nullopt},
        {"the window vanishes at the size write",
         [&] { atWrite(1, [&] { desktop.removeElement(window); }); },
         {"size", "position"},
         std::nullopt,
         AXWriteFailure::make(-25202),
         AXWriteFailure::make(-25202)},
    };
    for (const Case &c : cases) {
        desktop.setFrame(window, initial);
        desktop.setBehaviour(window, {});
        desktop.failWrites(window, AXAttribute::size, {});
        desktop.failWrites(window, AXAttribute::position, {});
        desktop.setHook({});
        c.arrange();
        desktop.clearCalls();
        const FrameApplyResult result = run();
        EXPECT_EQ(writes(), c.writes) << c.name;
        EXPECT_EQ(result.after, c.after) << c.name;
        EXPECT_EQ(result.sizeFailure, c.sizeFailure) << c.name;
        EXPECT_EQ(result.positionFailure, c.positionFailure) << c.name;
        EXPECT_EQ(result.retrySizeFailure, std::nullopt) << c.name;
        EXPECT_EQ(result.retryPositionFailure, std::nullopt) << c.name;
        EXPECT_FALSE(result.permissionDenied) << c.name;
        EXPECT_EQ(result.readbackFailure.has_value(), !c.after.has_value()) << c.name;
    }
}

TEST_F(SetFrame, ALateAnswerCostsTheTimeoutAndCountsAsTransient)
{
    desktop.setWriteLatency(window, AXAttribute::size, 1.0);
    const Clock::TimePoint start = desktop.clock().now();
    const FrameApplyResult result = run();
    EXPECT_EQ(desktop.clock().now() - start, seconds(1.2)); // two size writes of 0.6 s each
    EXPECT_EQ(writes(), (QStringList{"size", "position", "size", "position"}));
    EXPECT_EQ(result.sizeFailure, AXWriteFailure::make(-25204));
    EXPECT_EQ(result.retrySizeFailure, AXWriteFailure::make(-25204));
    EXPECT_EQ(result.after, (RectD{target.x, target.y, initial.width, initial.height}));
    EXPECT_EQ(result.message(), "The app did not respond");
}

TEST_F(SetFrame, RejectedPositionNamesTheRejection)
{
    desktop.failWrites(window, AXAttribute::position, {AXError::notEnoughPrecision});
    EXPECT_EQ(run().message(), "The app rejected the position or size");
}

TEST_F(SetFrame, UnreadableResultIsReportedAsUnverified)
{
    atWrite(2, [&] { desktop.failReads(window, AXAttribute::size, AXError::cannotComplete); });
    const FrameApplyResult result = run();
    EXPECT_EQ(writes(), (QStringList{"size", "position", "size", "position"}));
    EXPECT_EQ(result.after, std::nullopt);
    EXPECT_EQ(result.readbackFailure,
              (AXWriteFailure{AXWriteFailure::Kind::transient, 0,
                              QStringLiteral("Couldn’t verify the window’s position or size")}));
    EXPECT_EQ(result.message(),
              "The window’s position could not be read back. "
              "Couldn’t verify the window’s position or size");
}

TEST_F(SetFrame, AWindowThatIsGoneOrChangedIsNotTouched)
{
    const AXWriteFailure unavailable{AXWriteFailure::Kind::invalidElement, 0,
                                     QStringLiteral("The window is no longer available")};
    desktop.setAttribute(window, AXAttribute::role, QStringLiteral("AXSheet"));
    FrameApplyResult result = run();
    EXPECT_EQ(result.sizeFailure, unavailable);
    EXPECT_FALSE(result.attemptedWrite);
    EXPECT_EQ(result.before, std::nullopt);
    EXPECT_EQ(result.after, std::nullopt);
    EXPECT_TRUE(writes().isEmpty());

    desktop.removeElement(window);
    result = run();
    EXPECT_EQ(result.sizeFailure, unavailable);
    EXPECT_EQ(result.readbackFailure, std::nullopt);
}

TEST_F(SetFrame, BeforeFallsBackToTheReferencesFrame)
{
    desktop.failReads(window, AXAttribute::position, AXError::cannotComplete);
    atWrite(1, [&] { desktop.failReads(window, AXAttribute::position, AXError::success); });
    desktop.setFrame(window, {0, 0, 640, 480});
    EXPECT_EQ(run().before, initial);
}

TEST_F(SetFrame, TrustLostAtEachStep)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        QStringList writes;
        bool attemptedWrite;
        bool before;
        bool sizeFailure;
        bool permissionDenied;
    };
    const Case cases[] = {
        {"before the call", [&] { desktop.setTrusted(false); }, {}, false, false, false, true},
        {"at the role read: the window cannot be checked",
         [&] {
             desktop.setHook([&](const FakeCall &call) {
                 if (call.attribute == AXAttribute::role) {
                     desktop.setTrusted(false);
                 }
             });
         },
         {},
         false,
         false,
         true,
         false},
        {"at the size write: no position write follows",
         [&] { atWrite(1, [&] { desktop.setTrusted(false); }); },
         {"size"},
         true,
         true,
         true,
         true},
        {"at the position write",
         [&] { atWrite(2, [&] { desktop.setTrusted(false); }); },
         {"size", "position"},
         true,
         true,
         false,
         true},
        {"at the repeated size write",
         [&] {
             landFivePointsOff();
             atWrite(3, [&] { desktop.setTrusted(false); });
         },
         {"size", "position", "size"},
         true,
         true,
         false,
         true},
        {"at the repeated position write",
         [&] {
             landFivePointsOff();
             atWrite(4, [&] { desktop.setTrusted(false); });
         },
         {"size", "position", "size", "position"},
         true,
         true,
         false,
         true},
    };
    for (const Case &c : cases) {
        desktop.setTrusted(true);
        desktop.setFrame(window, initial);
        desktop.setBehaviour(window, {});
        desktop.setHook({});
        c.arrange();
        desktop.clearCalls();
        const FrameApplyResult result = run();
        EXPECT_EQ(writes(), c.writes) << c.name;
        EXPECT_EQ(result.attemptedWrite, c.attemptedWrite) << c.name;
        EXPECT_EQ(result.before.has_value(), c.before) << c.name;
        EXPECT_EQ(result.sizeFailure.has_value(), c.sizeFailure) << c.name;
        // A failed role read looks like a vanished window; every other step names the permission.
        EXPECT_EQ(result.permissionDenied, c.permissionDenied) << c.name;
        EXPECT_EQ(result.after, std::nullopt) << c.name; // nothing can be read without trust
    }
}

TEST_F(SetFrame, TheGateIsAskedBeforeEveryWriteAndStopsThemWhenClosed)
{
    struct Case {
        const char *name;
        QList<bool> answers;
        bool fivePointsOff;
        QStringList writes;
        int asked;
        bool attemptedWrite;
        bool after;
    };
    const Case cases[] = {
        {"open throughout", {}, false, {"size", "position"}, 2, true, true},
        {"open throughout, with a repeat",
         {},
         true,
         {"size", "position", "size", "position"},
         4,
         true,
         true},
        {"closed before the first write", {false}, false, {}, 1, false, false},
        {"closed before the position write", {true, false}, false, {"size"}, 2, true, true},
        {"closed before the repeated writes",
         {true, true, false},
         true,
         {"size", "position"},
         3,
         true,
         true},
        {"closed before the repeated position write",
         {true, true, true, false},
         true,
         {"size", "position", "size"},
         4,
         true,
         true},
    };
    for (const Case &c : cases) {
        desktop.setFrame(window, initial);
        desktop.setBehaviour(window, {});
        if (c.fivePointsOff) {
            landFivePointsOff();
        }
        desktop.clearCalls();
        auto gate = std::make_shared<ScriptedGate>();
        gate->answers = c.answers;
        const FrameApplyResult result = run(gateOf(gate));
        EXPECT_EQ(writes(), c.writes) << c.name;
        EXPECT_EQ(gate->asked, c.asked) << c.name;
        EXPECT_EQ(result.gestureBlocked, c.answers.contains(false)) << c.name;
        EXPECT_EQ(result.attemptedWrite, c.attemptedWrite) << c.name;
        EXPECT_EQ(result.after.has_value(), c.after) << c.name;
        EXPECT_FALSE(result.cancelled) << c.name;
        EXPECT_EQ(result.readbackFailure, std::nullopt) << c.name;
    }
}

TEST_F(SetFrame, CancellationAtEachCheckpoint)
{
    struct Case {
        const char *name;
        int cancelAtWrite; // 0: before the call
        bool withGate;
        QStringList writes;
        bool cancelled;
        bool after;
    };
    const Case cases[] = {
        {"before the size write", 0, false, {}, true, false},
        {"before the position write", 1, false, {"size"}, true, true},
        {"before the repeated writes: the first attempt stands",
         2,
         false,
         {"size", "position"},
         false,
         true},
        {"before the repeated position write", 3, false, {"size", "position", "size"}, true, true},
        {"before the size write, with a gate", 0, true, {}, true, false},
        {"before the position write, with a gate", 1, true, {"size"}, true, true},
        {"before the repeated writes, with a gate", 2, true, {"size", "position"}, false, true},
    };
    for (const Case &c : cases) {
        flag = std::make_shared<CancellationFlag>();
        desktop.setFrame(window, initial);
        landFivePointsOff();
        desktop.setHook({});
        if (c.cancelAtWrite == 0) {
            flag->cancel();
        } else {
            atWrite(c.cancelAtWrite, [f = flag] { f->cancel(); });
        }
        desktop.clearCalls();
        auto gate = std::make_shared<ScriptedGate>();
        const FrameApplyResult result = run(c.withGate ? gateOf(gate) : WriteGate{});
        EXPECT_EQ(writes(), c.writes) << c.name;
        EXPECT_EQ(result.cancelled, c.cancelled) << c.name;
        EXPECT_EQ(result.after.has_value(), c.after) << c.name;
        EXPECT_EQ(result.attemptedWrite, !c.writes.isEmpty()) << c.name;
        // A cancellation seen before the gate is asked leaves it unasked.
        if (c.withGate) {
            EXPECT_EQ(gate->asked, c.cancelAtWrite) << c.name;
        }
    }
}

TEST_F(SetFrame, CancellationWhileTheGateIsAskedStopsBeforeTheNextWrite)
{
    for (int askedAt : {1, 2, 3, 4}) {
        flag = std::make_shared<CancellationFlag>();
        desktop.setFrame(window, initial);
        landFivePointsOff();
        desktop.clearCalls();
        auto gate = std::make_shared<ScriptedGate>();
        gate->whileAsked = [g = gate.get(), askedAt, f = flag] {
            if (g->asked == askedAt) {
                f->cancel();
            }
        };
        const FrameApplyResult result = run(gateOf(gate));
        EXPECT_TRUE(result.cancelled) << askedAt;
        EXPECT_EQ(writes().size(), askedAt - 1) << askedAt;
        EXPECT_EQ(result.attemptedWrite, askedAt > 1) << askedAt;
        EXPECT_EQ(result.after.has_value(), askedAt > 1) << askedAt;
    }
}

// Where the backend can send size and position as one request, a write without a gate does so:
// the same writes, in the same order, with the same outcomes, and one wait instead of two.
TEST_F(SetFrame, SizeAndPositionGoAsOneRequestWhereTheBackendCanAndNoGateWaits)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        bool withGate;
        QStringList writes;
        int requests;
        bool permissionDenied;
        bool cancelled;
        bool after;
    };
    const Case cases[] = {
        {"lands", [] {}, false, {"size", "position"}, 1, false, false, true},
        {"lands five points off: the repeat is one request too",
         [&] { landFivePointsOff(); },
         false,
         {"size", "position", "size", "position"},
         2,
         false,
         false,
         true},
        {"transient position failure while in place: only the position again",
         [&] {
             desktop.setFrame(window, {target.x - 3, target.y + 2, 400, 300});
             desktop.failWrites(window, AXAttribute::position, {AXError::cannotComplete});
         },
         false,
         {"size", "position", "position"},
         1,
         false,
         false,
         true},
        {"with a gate, each write waits for it in turn",
         [] {},
         true,
         {"size", "position"},
         0,
         false,
         false,
         true},
        {"access off at the size: the position is not written",
         [&] { atWrite(1, [&] { desktop.setTrusted(false); }); },
         false,
         {"size"},
         1,
         true,
         false,
         false},
        {"access off at the position: the operation ends there",
         [&] { atWrite(2, [&] { desktop.setTrusted(false); }); },
         false,
         {"size", "position"},
         1,
         true,
         false,
         false},
        {"a cancellation while the request runs: the first attempt stands",
         [&] { atWrite(1, [f = flag] { f->cancel(); }); },
         false,
         {"size", "position"},
         1,
         false,
         false,
         true},
    };
    desktop.setWritesFramesInOneRequest(true);
    for (const Case &c : cases) {
        flag = std::make_shared<CancellationFlag>();
        desktop.setTrusted(true);
        desktop.setFrame(window, initial);
        desktop.setBehaviour(window, {});
        desktop.failWrites(window, AXAttribute::position, {});
        desktop.setHook({});
        c.arrange();
        desktop.clearCalls();
        const FrameApplyResult result =
            run(c.withGate ? gateOf(std::make_shared<ScriptedGate>()) : WriteGate{});
        const QList<FakeCall> calls = desktop.calls();
        const auto requests = std::count_if(calls.begin(), calls.end(), [](const FakeCall &call) {
            return call.kind == FakeCall::Kind::frameWrite;
        });
        EXPECT_EQ(writes(), c.writes) << c.name;
        EXPECT_EQ(requests, c.requests) << c.name;
        EXPECT_EQ(result.permissionDenied, c.permissionDenied) << c.name;
        EXPECT_EQ(result.cancelled, c.cancelled) << c.name;
        EXPECT_EQ(result.after.has_value(), c.after) << c.name;
        EXPECT_EQ(result.readbackFailure, std::nullopt) << c.name;
    }
}

TEST_F(SetFrame, MouseButtonGateHoldsWritesWhileAButtonIsPressed)
{
    desktop.setPressedMouseButtons(1);
    FrameApplyResult result = run(mouseButtonWriteGate(desktop));
    EXPECT_TRUE(result.gestureBlocked);
    EXPECT_FALSE(result.attemptedWrite);

    desktop.setPressedMouseButtons(0);
    result = run(mouseButtonWriteGate(desktop));
    EXPECT_FALSE(result.gestureBlocked);
    EXPECT_EQ(result.after, target);
}
