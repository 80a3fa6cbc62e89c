#include "platform/OverlayWindowRegistry.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(OverlayWindowRegistry, KeepsPositiveWindowNumbersOnly)
{
    OverlayWindowRegistry::add(0);
    OverlayWindowRegistry::add(-7);
    OverlayWindowRegistry::add(qint64(1) << 33);
    OverlayWindowRegistry::add(41);
    OverlayWindowRegistry::add(42);
    EXPECT_EQ(OverlayWindowRegistry::windowNumbers(), (QSet<quint32>{41, 42}));

    OverlayWindowRegistry::remove(41);
    OverlayWindowRegistry::remove(99);
    OverlayWindowRegistry::remove(-1);
    EXPECT_EQ(OverlayWindowRegistry::windowNumbers(), QSet<quint32>{42});
    OverlayWindowRegistry::remove(42);
    EXPECT_TRUE(OverlayWindowRegistry::windowNumbers().isEmpty());
}
