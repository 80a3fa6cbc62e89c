#include "Rendering.h"

#include "ui/illustrations/HairlineFit.h"
#include "ui/illustrations/HairlinePalette.h"
#include "ui/illustrations/HairlineTween.h"

#include <gtest/gtest.h>

#include <QPainterPath>

#include <cmath>
#include <limits>

namespace ostrel {
namespace {

TEST(HairlineEase, ExactEndsAndTheCurvesShape)
{
    EXPECT_EQ(hairlineEase(0), 0);
    EXPECT_EQ(hairlineEase(1), 1);
    EXPECT_EQ(hairlineEase(-0.5), 0);
    EXPECT_EQ(hairlineEase(1.5), 1);
    EXPECT_EQ(hairlineEase(std::nan("")), 0);
    // A fast start and a long settle: cubic-bezier(0.32, 0.72, 0, 1) at x = 0.5 is about 0.955.
    EXPECT_NEAR(hairlineEase(0.5), 0.954809, 0.000001);
    double previous = 0;
    for (int i = 1; i <= 100; ++i) {
        const double y = hairlineEase(i / 100.0);
        EXPECT_GE(y, previous);
        previous = y;
    }
}

TEST(HairlineTweenTest, ValueAndFlight)
{
    const HairlineTween tween{2, 12, 1};
    EXPECT_EQ(tween.value(0.5), 2); // before its start it holds `from`
    EXPECT_EQ(tween.value(1), 2);
    EXPECT_EQ(tween.value(1.7), 12);
    EXPECT_NEAR(tween.value(1.35), 2 + 10 * hairlineEase(0.5), 1e-12);
    EXPECT_TRUE(tween.inFlight(0.5));
    EXPECT_TRUE(tween.inFlight(1.69));
    EXPECT_FALSE(tween.inFlight(1.7));
    EXPECT_FALSE((HairlineTween{3, 3, 1}.inFlight(1.2)));
    EXPECT_EQ(tween.value(std::nan("")), 2); // a progress that is not a number counts as 0
}

TEST(HairlineFitTest, FitsUniformlyAndCentres)
{
    const HairlineFit wide = HairlineFit::of({800, 320}, HairlineFit::designBox());
    EXPECT_EQ(wide.scale, 1);
    EXPECT_EQ(wide.margin, QPointF(200, 0));
    EXPECT_EQ(wide.toDesign({200, 0}), QPointF(0, 0));
    EXPECT_EQ(wide.toDesign({400, 160}), QPointF(200, 160));

    const HairlineFit box = HairlineFit::of({620, 180}, {45, 75, 310, 180});
    EXPECT_EQ(box.scale, 1);
    EXPECT_EQ(box.toDesign({10, 20}), QPointF(10 - 110, 20 + 75));

    for (const auto &[size, rect] : {std::pair{QSizeF(0, 0), HairlineFit::designBox()},
                                     std::pair{QSizeF(0, 300), HairlineFit::designBox()},
                                     std::pair{QSizeF(300, 300), QRectF(0, 0, 0, 10)},
                                     std::pair{QSizeF(300, 300), QRectF(0, 0, 10, -1)}}) {
        EXPECT_FALSE(HairlineFit::of(size, rect).valid());
    }
}

TEST(HairlinePaletteTest, SurfaceDefaultsAndOverride)
{
    EXPECT_EQ(HairlinePalette::forAppearance(true).surface, QColor(0x08, 0x09, 0x0A));
    EXPECT_EQ(HairlinePalette::forAppearance(false).ink, QColor(0x23, 0x23, 0x27));
    EXPECT_EQ(HairlinePalette::forAppearance(false, QColor(Qt::black)).surface, QColor(Qt::black));
}

// Coverage summed across a horizontal hairline, in device pixels.
double coverageAcross(double scale, double ratio)
{
    const QImage image = test::render(
        [&](QPainter &painter, QSizeF) {
            painter.scale(scale, scale);
            QPainterPath line;
            line.moveTo(10 / scale, 20.3 / scale);
            line.lineTo(90 / scale, 20.3 / scale);
            painter.strokePath(line, hairlinePen(Qt::black, scale));
        },
        {100, 40}, ratio, Qt::white);
    const int column = static_cast<int>(50 * ratio);
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        sum += 1 - image.pixelColor(column, y).redF();
    }
    return sum;
}

TEST(HairlinePen, IsPointNineOfAPointAtAnyScaleAndRatio)
{
    for (double scale : {0.5, 1.0, 2.75}) {
        for (double ratio : {1.0, 2.0}) {
            EXPECT_NEAR(coverageAcross(scale, ratio), 0.9 * ratio, 0.1 * ratio)
                << "scale " << scale << " ratio " << ratio;
        }
    }
    const QPen pen = hairlinePen(Qt::black, 2);
    EXPECT_EQ(pen.capStyle(), Qt::RoundCap);
    EXPECT_EQ(pen.joinStyle(), Qt::RoundJoin);
    EXPECT_FALSE(pen.isCosmetic());
}

TEST(HairlinePen, DashesRepeatEveryFourPoints)
{
    for (double scale : {0.5, 2.0}) {
        const double ratio = 2;
        const QImage image = test::render(
            [&](QPainter &painter, QSizeF) {
                painter.scale(scale, scale);
                QPainterPath line;
                line.moveTo(4 / scale, 10 / scale);
                line.lineTo(196 / scale, 10 / scale);
                painter.strokePath(line, hairlinePen(Qt::black, scale, 1, 3));
            },
            {200, 20}, ratio, Qt::white);
        QList<int> starts;
        bool inked = false;
        for (int x = 0; x < image.width(); ++x) {
            const bool now = image.pixelColor(x, static_cast<int>(10 * ratio)).redF() < 0.8;
            if (now && !inked) {
                starts.push_back(x);
            }
            inked = now;
        }
        ASSERT_GT(starts.size(), 40) << "scale " << scale;
        for (qsizetype i = 1; i < starts.size(); ++i) {
            EXPECT_NEAR(starts[i] - starts[i - 1], 4 * ratio, 1.01) << "scale " << scale;
        }
    }
}

} // namespace
} // namespace ostrel
