#include "model/AXWindowIdentity.h"
#include "model/AXWriteFailure.h"
#include "model/FrameApplyResult.h"
#include "model/WindowReference.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

WindowReference reference(std::optional<QString> hostname, std::optional<quint32> windowID)
{
    return {
        QUuid::createUuid(), AXElement{42}, 1234,     "org.mozilla.firefox", "Firefox", "AXWindow",
        "AXStandardWindow",  windowID,      hostname, {10, 20, 300, 200}};
}

AXWriteFailure failure(AXWriteFailure::Kind kind, const QString &message)
{
    return {kind, -1, message};
}

} // namespace

TEST(WindowReferenceTest, SafeLabelNamesTheHostOnlyWhenThereIsOne)
{
    EXPECT_EQ(reference(std::nullopt, {}).safeLabel(), "Firefox");
    EXPECT_EQ(reference(QString(), {}).safeLabel(), "Firefox");
    EXPECT_EQ(reference("example.org", {}).safeLabel(), "Firefox — example.org");
}

TEST(WindowReferenceTest, UpdatingKeepsAbsentValuesRevalidatingClearsTheHost)
{
    const WindowReference original = reference("example.org", 7u);
    const RectD moved{50, 60, 300, 200};

    const WindowReference kept = original.updating(moved, std::nullopt, std::nullopt);
    EXPECT_EQ(kept.id, original.id);
    EXPECT_EQ(kept.element, original.element);
    EXPECT_EQ(kept.frame, moved);
    EXPECT_EQ(kept.hostname, QString("example.org"));
    EXPECT_EQ(kept.windowID, 7u);

    const WindowReference replaced = original.updating(moved, QString("other.net"), 9u);
    EXPECT_EQ(replaced.hostname, QString("other.net"));
    EXPECT_EQ(replaced.windowID, 9u);

    const WindowReference revalidated = original.revalidated(moved, std::nullopt);
    EXPECT_EQ(revalidated.id, original.id);
    EXPECT_EQ(revalidated.frame, moved);
    EXPECT_EQ(revalidated.hostname, std::nullopt);
    EXPECT_EQ(revalidated.windowID, 7u);
    // The original is untouched.
    EXPECT_EQ(original.frame, (RectD{10, 20, 300, 200}));
}

TEST(AXWindowIdentityTest, EqualWhenProcessAndElementAreEqual)
{
    const QSet<AXWindowIdentity> set{
        {1, AXElement{5}}, {1, AXElement{5}}, {2, AXElement{5}}, {1, AXElement{6}}};
    EXPECT_EQ(set.size(), 3);
}

TEST(AXWriteFailureTest, ClassifiesErrorCodes)
{
    using K = AXWriteFailure::Kind;
    const QString notMoved = "The window could not be moved";
    struct Case {
        qint32 code;
        K kind;
        QString message;
    };
    const Case cases[] = {
        {-25200, K::transient, notMoved},
        {-25201, K::rejected, notMoved},
        {-25202, K::invalidElement, "The window is no longer available"},
        {-25203, K::invalidElement, "The window is no longer available"},
        {-25204, K::transient, "The app did not respond"},
        {-25205, K::unsupported, "The app does not allow this change"},
        {-25206, K::unsupported, notMoved},
        {-25207, K::unsupported, notMoved},
        {-25208, K::unsupported, "The app does not support moving this window"},
        {-25209, K::other, notMoved},
        {-25210, K::other, notMoved},
        {-25211, K::permission, "Accessibility access is off"},
        {-25212, K::other, notMoved},
        {-25213, K::unsupported, "The app does not allow this change"},
        {-25214, K::rejected, "The app rejected the position or size"},
        {-25215, K::other, notMoved},
        {-25199, K::other, notMoved},
        {1, K::other, notMoved},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(AXWriteFailure::make(c.code), (AXWriteFailure{c.kind, c.code, c.message}));
    }
    EXPECT_EQ(AXWriteFailure::make(0), std::nullopt);
}

TEST(FrameApplyResultTest, FreshResultHasNothingToReport)
{
    const FrameApplyResult result(RectD{1, 2, 3, 4});
    EXPECT_EQ(result.target, (RectD{1, 2, 3, 4}));
    EXPECT_TRUE(result.allFailures().isEmpty());
    EXPECT_FALSE(result.hasPermissionFailure());
    EXPECT_FALSE(result.hasUnsupportedFailure());
    EXPECT_FALSE(result.initialWriteFailed());
    EXPECT_FALSE(result.changed());
    EXPECT_EQ(result.message(), std::nullopt);
}

TEST(FrameApplyResultTest, MessagePriority)
{
    using K = AXWriteFailure::Kind;
    FrameApplyResult readback;
    readback.readbackFailure = AXWriteFailure::readbackUnverified();
    EXPECT_EQ(readback.message(),
              QString("The window’s position could not be read back. "
                      "Couldn’t verify the window’s position or size"));

    FrameApplyResult both = readback;
    both.sizeFailure = failure(K::transient, "size");
    EXPECT_EQ(both.message(), QString("size"));
    both.positionFailure = failure(K::transient, "position");
    EXPECT_EQ(both.message(), QString("position"));
    both.permissionDenied = true;
    EXPECT_EQ(both.message(), QString("Accessibility access is off"));

    FrameApplyResult retriesOnly;
    retriesOnly.retrySizeFailure = failure(K::transient, "retry size");
    retriesOnly.retryPositionFailure = failure(K::transient, "retry position");
    EXPECT_EQ(retriesOnly.message(), std::nullopt);
    EXPECT_FALSE(retriesOnly.initialWriteFailed());
}

TEST(FrameApplyResultTest, FailuresInFixedOrderAndTheirFlags)
{
    using K = AXWriteFailure::Kind;
    FrameApplyResult result;
    result.readbackFailure = failure(K::transient, "e");
    result.retryPositionFailure = failure(K::rejected, "d");
    result.positionFailure = failure(K::other, "b");
    QStringList order;
    for (const AXWriteFailure &f : result.allFailures()) {
        order.append(f.message);
    }
    EXPECT_EQ(order, (QStringList{"b", "d", "e"}));
    // A rejection found only in a retry still counts as unsupported.
    EXPECT_TRUE(result.hasUnsupportedFailure());
    EXPECT_FALSE(result.hasPermissionFailure());
    EXPECT_TRUE(result.initialWriteFailed());

    FrameApplyResult permission;
    permission.retrySizeFailure = AXWriteFailure::make(-25211);
    EXPECT_TRUE(permission.hasPermissionFailure());
    EXPECT_FALSE(permission.initialWriteFailed());
}

TEST(FrameApplyResultTest, ChangedNeedsBothFramesAndMoreThanHalfAPoint)
{
    FrameApplyResult result;
    result.before = RectD{10, 10, 100, 100};
    EXPECT_FALSE(result.changed());
    result.after = RectD{10.5, 9.5, 100.5, 99.5};
    EXPECT_FALSE(result.changed());
    result.after = RectD{10, 10, 100, 100.51};
    EXPECT_TRUE(result.changed());
    result.before.reset();
    EXPECT_FALSE(result.changed());
}
