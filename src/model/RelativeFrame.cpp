#include "model/RelativeFrame.h"

#include <cmath>

namespace ostrel {

namespace {

constexpr double storableBound = 16.0;

bool allFinite(const RectD &r)
{
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width)
        && std::isfinite(r.height);
}

} // namespace

RelativeFrame RelativeFrame::fromFrame(const RectD &frame, const RectD &visibleFrame)
{
    if (!allFinite(frame) || !allFinite(visibleFrame) || !(visibleFrame.width > 0)
        || !(visibleFrame.height > 0)) {
        return {0, 0, 0.5, 0.5};
    }
    return {(frame.x - visibleFrame.x) / visibleFrame.width,
            (frame.y - visibleFrame.y) / visibleFrame.height, frame.width / visibleFrame.width,
            frame.height / visibleFrame.height};
}

RectD RelativeFrame::absolute(const RectD &visibleFrame) const
{
    if (!visibleFrame.isUsableFrame()) {
        return {x, y, width > 0 ? width : 0, height > 0 ? height : 0};
    }
    return {x * visibleFrame.width + visibleFrame.x, y * visibleFrame.height + visibleFrame.y,
            width * visibleFrame.width, height * visibleFrame.height};
}

bool RelativeFrame::isStorable() const
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height)
        && width > 0 && height > 0 && std::abs(x) <= storableBound && std::abs(y) <= storableBound
        && width <= storableBound && height <= storableBound;
}

size_t qHash(const RelativeFrame &frame, size_t seed) noexcept
{
    return qHashMulti(seed, frame.x, frame.y, frame.width, frame.height);
}

} // namespace ostrel
