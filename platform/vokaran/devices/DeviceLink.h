#pragma once
// Stands between one opened device and the engine core. Every device the engine opens gets a
// link with a number of its own; a loss the device reports is written down with that number,
// so that a loss reported by a device that has since been replaced (the report was still on
// its way to the event thread when a new device was chosen) can be told from a loss of the
// device in use, and does not switch the new device off.
#include "devices/AudioDevice.h"

#include <atomic>
#include <cstdint>

namespace vokaran {

class DeviceLink final : public AudioClient {
public:
    // `lostDevice` receives the number of the last device that reported a loss.
    DeviceLink(AudioClient& core, std::atomic<std::uint64_t>& lostDevice, std::uint64_t number)
        : core_(core), lostDevice_(lostDevice), number_(number) {}

    std::uint64_t number() const { return number_; }

    void process(float* out, const float* in, int frames) override { core_.process(out, in, frames); }
    bool canRunAhead() const override { return core_.canRunAhead(); }
    bool isActive() const override { return core_.isActive(); }
    // A device thread: written down before the core raises the event, so whoever handles the
    // event finds the number.
    void deviceLost() override {
        lostDevice_.store(number_, std::memory_order_release);
        core_.deviceLost();
    }

private:
    AudioClient& core_;
    std::atomic<std::uint64_t>& lostDevice_;
    const std::uint64_t number_;
};

} // namespace vokaran
