#pragma once

#include "ui/illustrations/HairlineFrameClock.h"

#include <optional>

namespace ostrel::test {

// A frame clock that moves only when the test says so.
class ManualFrameClock : public HairlineFrameClock {
public:
    double uptime() const override { return now_; }
    void wakeAfter(std::chrono::milliseconds delay) override
    {
        due_ = now_ + std::chrono::duration<double>(delay).count();
    }
    void cancelWake() override { due_.reset(); }

    bool pending() const { return due_.has_value(); }
    void setUptime(double now) { now_ = now; }

    // Moves the clock by `seconds` and delivers the wake-up when it falls due.
    void advance(double seconds)
    {
        now_ += seconds;
        if (due_ && *due_ <= now_ + 1e-12) {
            due_.reset();
            emit woke();
        }
    }

    // Delivers `count` frames `seconds` apart; stops early when the loop ends.
    int frames(int count, double seconds = 0.033)
    {
        int delivered = 0;
        while (delivered < count && pending()) {
            advance(seconds);
            ++delivered;
        }
        return delivered;
    }

private:
    double now_ = 1000;
    std::optional<double> due_;
};

} // namespace ostrel::test
