#pragma once

#include <gtest/gtest.h>

#include <QPointF>

namespace ostrel::test {

inline void expectNear(QPointF actual, QPointF expected, double tolerance = 0.0001)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
}

} // namespace ostrel::test
