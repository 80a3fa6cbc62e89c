#pragma once

namespace ostrel {

// The ease of every illustration's movement: the timing curve cubic-bezier(0.32, 0.72, 0, 1),
// exactly 0 at progress 0 and exactly 1 at progress 1.
double hairlineEase(double progress);

// One eased movement of a value over 0.7 s of simulation time.
struct HairlineTween
{
    static constexpr double duration = 0.7;

    double from = 0;
    double target = 0;
    double start = 0; // simulation time the movement began; a later time holds `from`

    double value(double time) const;
    bool inFlight(double time) const;

    friend bool operator==(const HairlineTween &, const HairlineTween &) = default;
};

} // namespace ostrel
