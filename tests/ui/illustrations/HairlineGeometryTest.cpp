#include "ui/illustrations/HairlineGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace ostrel {
namespace {

using HairlineGeometry::Sample;

QList<Sample> normals(const QList<QPointF> &directions)
{
    QList<Sample> ring;
    for (QPointF d : directions) {
        ring.push_back({0, 0, d.x(), d.y()});
    }
    return ring;
}

TEST(HairlineGeometryHull, DegenerateSets)
{
    EXPECT_TRUE(HairlineGeometry::hull({}).isEmpty());
    EXPECT_TRUE(HairlineGeometry::hull({{3, 4}}).isEmpty());
    EXPECT_EQ(HairlineGeometry::hull({{5, 1}, {2, 7}}), (QList<QPointF>{{2, 7}, {5, 1}}));
    EXPECT_EQ(HairlineGeometry::hull({{2, 2}, {2, 2}}), (QList<QPointF>{{2, 2}, {2, 2}}));
    EXPECT_EQ(HairlineGeometry::hull({{1, 1}, {3, 3}, {0, 0}, {2, 2}}),
              (QList<QPointF>{{0, 0}, {3, 3}}));
}

TEST(HairlineGeometryHull, RectangleStartsAtSmallestCornerAndDropsInnerAndEdgePoints)
{
    const QList<QPointF> expected = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
    for (const QList<QPointF> &input :
         {QList<QPointF>{{4, 3}, {0, 0}, {0, 3}, {4, 0}},
          QList<QPointF>{{0, 3}, {4, 0}, {2, 1}, {4, 3}, {0, 0}},
          QList<QPointF>{{2, 0}, {4, 3}, {0, 0}, {4, 0}, {0, 3}, {0, 3}, {4, 1.5}}}) {
        EXPECT_EQ(HairlineGeometry::hull(input), expected);
    }
}

TEST(HairlineGeometryFrontRun, AllNoneAndWrappingRuns)
{
    // Looking along (sin 0, cos 0) = (0, 1): normals with a positive v component face.
    const QList<Sample> all = normals({{0, 1}, {1, 1}, {-1, 1}});
    EXPECT_EQ(HairlineGeometry::frontRun(all, 0), all);
    EXPECT_TRUE(HairlineGeometry::frontRun(normals({{0, -1}, {1, -1}}), 0).isEmpty());
    EXPECT_TRUE(HairlineGeometry::frontRun({}, 0).isEmpty());

    // The last two and the first three face: the run starts at the first of the last two.
    const QList<Sample> ring =
        normals({{0, 1}, {0.1, 1}, {0.2, 1}, {0, -1}, {0, -1}, {-0.2, 1}, {-0.1, 1}});
    const QList<Sample> run = HairlineGeometry::frontRun(ring, 0);
    EXPECT_EQ(run, (QList<Sample>{ring[5], ring[6], ring[0], ring[1], ring[2]}));

    // Of two separate runs, the one whose start has the lower index.
    const QList<Sample> two = normals({{0, -1}, {0, 1}, {0, -1}, {0, 1}, {0, 1}});
    EXPECT_EQ(HairlineGeometry::frontRun(two, 0), (QList<Sample>{two[1]}));
}

TEST(HairlineGeometryFrontRun, PerpendicularNormalFacesAndSlightlyBehindDoesNot)
{
    const double azimuth = std::numbers::pi / 4;
    const double s = std::sin(azimuth);
    const double c = std::cos(azimuth);
    // Dot products with (s, c): 0 (perpendicular) and −0.00001.
    const Sample perpendicular{0, 0, c, -s};
    const Sample behind{0, 0, c - 0.00001 * s, -s - 0.00001 * c};
    const Sample back{0, 0, -s, -c};
    EXPECT_EQ(HairlineGeometry::frontRun({back, perpendicular, back}, azimuth).size(), 1);
    EXPECT_TRUE(HairlineGeometry::frontRun({back, behind, back}, azimuth).isEmpty());
}

TEST(HairlineGeometryPath, OpenClosedAndEmpty)
{
    const QList<QPointF> points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const QPainterPath open = HairlineGeometry::path(points, false);
    EXPECT_EQ(open.elementCount(), 4); // a move and three lines
    EXPECT_EQ(open.currentPosition(), QPointF(0, 10));
    const QPainterPath closed = HairlineGeometry::path(points, true);
    EXPECT_EQ(closed.currentPosition(), QPointF(0, 0));
    EXPECT_EQ(closed.fillRule(), Qt::WindingFill);
    EXPECT_TRUE(HairlineGeometry::path({}, true).isEmpty());
    EXPECT_EQ(HairlineGeometry::path({{2, 3}}, true).elementCount(), 1);
}

TEST(HairlineGeometryRing, CornersRunCounterClockwiseFromHighCorner)
{
    const auto ring = HairlineGeometry::ring(0, 10, 0, 6, 2, 3);
    ASSERT_EQ(ring.size(), 12);
    EXPECT_EQ(ring[0], (Sample{10, 4, 1, 0}));
    EXPECT_NEAR(ring[2].u, 8, 1e-12); // the 90° sample of the first corner
    EXPECT_NEAR(ring[2].v, 6, 1e-12);
    EXPECT_NEAR(ring[3].u, 2, 1e-12); // the next corner repeats the normal
    EXPECT_NEAR(ring[3].nv, 1, 1e-12);
    EXPECT_NEAR(ring[11].u, 10, 1e-12);
    EXPECT_NEAR(ring[11].v, 2, 1e-12);
}

TEST(HairlineGeometryTangentArc, TouchesBothLegsAndStaysOnTheCircle)
{
    QPainterPath path;
    path.moveTo(0, 10);
    HairlineGeometry::addTangentArc(path, {0, 0}, {10, 0}, 3);
    EXPECT_EQ(path.elementAt(1).x, 0);
    EXPECT_DOUBLE_EQ(path.elementAt(1).y, 3);
    EXPECT_NEAR(path.currentPosition().x(), 3, 1e-12);
    EXPECT_NEAR(path.currentPosition().y(), 0, 1e-12);
    // The middle of the arc lies on the circle around (3, 3).
    const double t = 0.5;
    const QPointF p0(0, 3), p1 = path.elementAt(2), p2 = path.elementAt(3), p3(3, 0);
    const QPointF mid = p0 * std::pow(1 - t, 3) + p1 * 3 * std::pow(1 - t, 2) * t
        + p2 * 3 * (1 - t) * t * t + p3 * std::pow(t, 3);
    EXPECT_NEAR(std::hypot(mid.x() - 3, mid.y() - 3), 3, 0.01);

    // Collinear legs and a zero radius are a straight line to the corner.
    QPainterPath straight;
    straight.moveTo(0, 0);
    HairlineGeometry::addTangentArc(straight, {5, 0}, {10, 0}, 2);
    HairlineGeometry::addTangentArc(straight, {5, 5}, {0, 5}, 0);
    EXPECT_EQ(straight.elementCount(), 3);
    EXPECT_EQ(straight.currentPosition(), QPointF(5, 5));
}

} // namespace
} // namespace ostrel
