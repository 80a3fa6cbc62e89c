#pragma once

namespace ostrel {

// The ease of every illustration's movement: the timing curve cubic-bezier(0.32, 0.72, 0, 1),
// exactly 0 at progress 0 and exactly 1 at progress 1.
double hairlineEase(double progress);

// One eased movement of a value over 0.7 s of simulation time.
struct HairlineTween {
    static constexpr double duration = 0.7;

    double from = 0;
    double target = 0;
    double start = 0; // simulation time the movement began; a later time holds `from`

    double value(double time) const;
    bool inFlight(double time) const;

    friend bool operator==(const HairlineTween &, const HairlineTween &) = default;
};

// True when some tween of the given collections is in flight at `time`.
template <class... Tweens>
bool anyInFlight(double time, const Tweens &...collections)
{
    const auto inCollection = [time](const auto &tweens) {
        for (const HairlineTween &tween : tweens) {
            if (tween.inFlight(time)) {
                return true;
            }
        }
        return false;
    };
    return (inCollection(collections) || ...);
}

// The slow tour of the drawer and the tray: 9.3 s, resting for its first 1.2 s and its last
// 1.8 s, between them three picks of 2.1 s each; −1 while resting.
int hairlineTourPick(double tourTime, int first, int second, int third);

} // namespace ostrel
