// Where a frame on the accessibility bus stands against its window on the X server.
#include "system/x11/X11PageAddresses.h"

#include <gtest/gtest.h>

using namespace ostrel;
using Fit = x11::X11PageAddresses::Fit;

TEST(PageAddressFit, EqualOrEqualAtOneScale)
{
    const struct {
        const char *name;
        RectD extents;
        RectD client;
        Fit fit;
    } cases[] = {
        {"equal", {1400, 100, 600, 400}, {1400, 100, 600, 400}, Fit::exact},
        {"a pixel off", {1401, 99, 601, 399}, {1400, 100, 600, 400}, Fit::exact},
        {"moved", {1440, 100, 600, 400}, {1400, 100, 600, 400}, Fit::none},
        {"resized", {1400, 100, 640, 400}, {1400, 100, 600, 400}, Fit::none},
        {"halved", {700, 50, 300, 200}, {1400, 100, 600, 400}, Fit::scaled},
        {"at 1.5, rounded", {933, 67, 400, 267}, {1400, 100, 600, 400}, Fit::scaled},
        {"at 1.5 far right", {2400, 700, 501, 333}, {3600, 1050, 751, 500}, Fit::scaled},
        {"at the origin", {0, 0, 300, 200}, {0, 0, 600, 400}, Fit::scaled},
        {"size at one scale, place at another",
         {700, 50, 300, 200},
         {2100, 100, 600, 400},
         Fit::none},
        {"width and height at two scales", {700, 50, 300, 100}, {1400, 100, 600, 400}, Fit::none},
        {"larger than the window", {1400, 100, 1200, 800}, {700, 50, 600, 400}, Fit::none},
        {"empty", {1400, 100, 0, 0}, {1400, 100, 600, 400}, Fit::none},
        {"mirrored", {-700, 50, 300, 200}, {1400, 100, 600, 400}, Fit::none},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(x11::X11PageAddresses::fit(c.extents, c.client), c.fit) << c.name;
    }
}
