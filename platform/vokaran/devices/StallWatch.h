#pragma once
// When a device that stopped calling back counts as lost. An unplugged or failed device stops
// calling back; so does every device while the system sleeps, and after waking the sound
// server takes a few seconds to bring the devices back. A stall is measured on a clock that
// stands still during a sleep (`awakeMs`, CLOCK_MONOTONIC); a sleep shows as the difference to
// a clock that runs on (`bootMs`, CLOCK_BOOTTIME). Right after a sleep the device gets a longer
// grace before a stall counts. Plain arithmetic on the values given, so tests drive it with
// made-up clocks. One thread (the device's watchdog).
#include <cstdint>

namespace vokaran {

class StallWatch {
public:
    static constexpr std::int64_t kStallMs = 2000;       // no callback for this long: lost
    static constexpr std::int64_t kWakeGraceMs = 12000;  // after a sleep: this long
    static constexpr std::int64_t kSleepMs = 500;        // boot clock ahead by this much: a sleep

    void start(std::uint64_t callbacks, std::int64_t awakeMs, std::int64_t bootMs) {
        callbacks_ = callbacks;
        lastChange_ = awakeMs;
        lastAwake_ = awakeMs;
        lastBoot_ = bootMs;
        graceUntil_ = awakeMs;
    }

    // True when the device counts as lost: no callback for the stall time (the wake grace
    // after a sleep), or `stopped` (the device says it stopped) outside the wake grace.
    bool check(std::uint64_t callbacks, bool stopped, std::int64_t awakeMs, std::int64_t bootMs) {
        const std::int64_t slept = (bootMs - lastBoot_) - (awakeMs - lastAwake_);
        lastAwake_ = awakeMs;
        lastBoot_ = bootMs;
        if (slept > kSleepMs) {
            sleeps_++;
            graceUntil_ = awakeMs + kWakeGraceMs;
            lastChange_ = awakeMs;
        }
        if (callbacks != callbacks_) {
            callbacks_ = callbacks;
            lastChange_ = awakeMs;
        }
        const bool waking = awakeMs < graceUntil_;
        if (stopped && !waking) return true;
        return awakeMs - lastChange_ > (waking ? kWakeGraceMs : kStallMs);
    }

    // How many sleeps were seen (for the log).
    int sleeps() const { return sleeps_; }

private:
    std::uint64_t callbacks_ = 0;
    std::int64_t lastChange_ = 0, lastAwake_ = 0, lastBoot_ = 0, graceUntil_ = 0;
    int sleeps_ = 0;
};

} // namespace vokaran
