#include "model/DisplaySnapshot.h"

#include <cmath>

namespace ostrel {

namespace {

constexpr double maximumCoordinate = 1'000'000.0;
constexpr qint64 maximumPixels = 100'000;

bool isStorableFrame(const RectD &r)
{
    return r.isUsableFrame() && std::abs(r.x) <= maximumCoordinate
        && std::abs(r.y) <= maximumCoordinate && r.width <= maximumCoordinate
        && r.height <= maximumCoordinate;
}

} // namespace

DisplaySnapshot DisplaySnapshot::fromCurrent(const CurrentDisplay &display)
{
    return {display.identity,    display.frame, display.visibleFrame, display.pixelWidth,
            display.pixelHeight, display.scale, display.isPrimary,    false};
}

bool DisplaySnapshot::isStorable() const
{
    return isStorableFrame(frame) && isStorableFrame(visibleFrame) && pixelWidth >= 1
        && pixelWidth <= maximumPixels && pixelHeight >= 1 && pixelHeight <= maximumPixels
        && std::isfinite(scale) && scale >= 0.5 && scale <= 4.0;
}

size_t qHash(const DisplaySnapshot &s, size_t seed) noexcept
{
    return qHashMulti(seed, s.identity, s.frame, s.visibleFrame, s.pixelWidth, s.pixelHeight,
                      s.scale, s.isPrimary, s.frameInferred);
}

} // namespace ostrel
