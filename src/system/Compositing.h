#pragma once

namespace ostrel {

// Whether the desktop blends translucent windows over what lies below them. Without it, a
// window's transparent pixels show as black, so overlays cut themselves to shape instead.
//
// A backend must answer at once on the main thread, reflecting a compositor started or stopped
// since the last call.
class Compositing {
public:
    virtual ~Compositing() = default;
    virtual bool isActive() = 0;
};

} // namespace ostrel
