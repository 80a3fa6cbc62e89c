#include "platform/OverlayWindowRegistry.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(OverlayWindowRegistry, KeepsPositiveWindowNumbersOnly)
{
    OverlayWindowRegistry overlays;
    overlays.add(0);
    overlays.add(-7);
    overlays.add(qint64(1) << 33);
    overlays.add(41);
    overlays.add(42);
    EXPECT_EQ(overlays.windowNumbers(), (QSet<quint32>{41, 42}));

    overlays.remove(41);
    overlays.remove(99);
    overlays.remove(-1);
    EXPECT_EQ(overlays.windowNumbers(), QSet<quint32>{42});
    overlays.remove(42);
    EXPECT_TRUE(overlays.windowNumbers().isEmpty());
}
