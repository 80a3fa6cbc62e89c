#include "ui/illustrations/HairlineTween.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr double x1 = 0.32;
constexpr double y1 = 0.72;
constexpr double x2 = 0.0;
constexpr double y2 = 1.0;

double bezier(double t, double p1, double p2)
{
    const double u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double bezierSlope(double t, double p1, double p2)
{
    const double u = 1 - t;
    return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

} // namespace

double hairlineEase(double progress)
{
    if (!(progress > 0)) {
        return 0;
    }
    if (progress >= 1) {
        return 1;
    }
    // The curve's x is monotonic in t: Newton's method, with bisection where the slope is flat.
    double t = progress;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(t, x1, x2) - progress;
        if (std::abs(error) < 1e-12) {
            return bezier(t, y1, y2);
        }
        const double slope = bezierSlope(t, x1, x2);
        if (std::abs(slope) < 1e-9) {
            break;
        }
        t -= error / slope;
        if (t < 0 || t > 1) {
            break;
        }
    }
    double low = 0;
    double high = 1;
    t = progress;
    for (int i = 0; i < 60; ++i) {
        const double x = bezier(t, x1, x2);
        if (std::abs(x - progress) < 1e-12) {
            break;
        }
        (x < progress ? low : high) = t;
        t = (low + high) / 2;
    }
    return bezier(t, y1, y2);
}

double HairlineTween::value(double time) const
{
    double progress = (time - start) / duration;
    if (std::isnan(progress)) {
        progress = 0;
    }
    progress = std::clamp(progress, 0.0, 1.0);
    return from + (target - from) * hairlineEase(progress);
}

bool HairlineTween::inFlight(double time) const
{
    return from != target && time < start + duration;
}

int hairlineTourPick(double tourTime, int first, int second, int third)
{
    if (tourTime < 1.2) {
        return -1;
    }
    if (tourTime < 3.3) {
        return first;
    }
    if (tourTime < 5.4) {
        return second;
    }
    if (tourTime < 7.5) {
        return third;
    }
    return -1;
}

} // namespace ostrel
