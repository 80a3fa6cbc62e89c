// The desktop's animation switch from its portal: no X server needed.
#include "PortalOnPrivateBus.h"
#include "TestApplication.h"

#include "system/x11/X11ReduceMotion.h"

#include <QDeadlineTimer>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::x11;

namespace {

const QString gnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString enableAnimations = QStringLiteral("enable-animations");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString reducedMotion = QStringLiteral("reduced-motion");

class ReduceMotionFromPortal : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }
    void SetUp() override { ASSERT_TRUE(portal.started()); }

    test::PortalOnPrivateBus portal;
};

} // namespace

TEST_F(ReduceMotionFromPortal, NoBusAndNoPortalMeanMotionAllowed)
{
    X11ReduceMotion detached{QDBusConnection(QStringLiteral("nothing"))};
    EXPECT_FALSE(detached.reduceMotion());

    X11ReduceMotion unanswered{portal.client()};
    QDeadlineTimer settle(200);
    test::waitUntil([&] { return settle.hasExpired(); });
    EXPECT_FALSE(unanswered.reduceMotion());
}

TEST_F(ReduceMotionFromPortal, ReadsAndFollowsTheDesktopSetting)
{
    portal.set(gnomeInterface, enableAnimations, false);
    ASSERT_TRUE(portal.publish());
    X11ReduceMotion reduce{portal.client()};
    QList<bool> seen;
    QObject context;
    reduce.onChanged(&context, [&](bool value) { seen.push_back(value); });
    ASSERT_TRUE(test::waitUntil([&] { return reduce.reduceMotion(); }));

    portal.change(gnomeInterface, enableAnimations, true);
    ASSERT_TRUE(test::waitUntil([&] { return !reduce.reduceMotion(); }));

    // The portal's own preference wins over GNOME's animation switch.
    portal.change(appearance, reducedMotion, QVariant::fromValue(1u));
    ASSERT_TRUE(test::waitUntil([&] { return reduce.reduceMotion(); }));
    portal.change(gnomeInterface, enableAnimations, true);
    portal.change(appearance, reducedMotion, QVariant::fromValue(0u));
    ASSERT_TRUE(test::waitUntil([&] { return !reduce.reduceMotion(); }));
    EXPECT_EQ(seen, (QList<bool>{true, false, true, false}));

    // Values of the wrong kind change nothing.
    portal.change(gnomeInterface, enableAnimations, QStringLiteral("no"));
    QDeadlineTimer settle(100);
    test::waitUntil([&] { return settle.hasExpired(); });
    EXPECT_FALSE(reduce.reduceMotion());
}
