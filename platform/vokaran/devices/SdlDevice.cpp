#include "devices/AudioDevice.h"

#include "core/SpscRing.h"
#include "devices/StallWatch.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace vokaran {
namespace {

// Keeps SDL's audio subsystem initialised for the device's lifetime.
struct SdlAudioSubsystem {
    bool ok = false;
    SdlAudioSubsystem() { ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }
    ~SdlAudioSubsystem() { if (ok) SDL_QuitSubSystem(SDL_INIT_AUDIO); }
};

class SdlDevice final : public AudioDevice {
public:
    SdlDevice(const AudioConfig& config, const DeviceSelection& selection)
        : config_(config), selection_(selection), capture_(std::size_t(config.sampleRate)) {}
    ~SdlDevice() override { stop(); }

    bool start(AudioClient& client, std::string& error) override {
        stop();
        subsystem_ = std::make_unique<SdlAudioSubsystem>();
        if (!subsystem_->ok) {
            error = std::string("SDL_InitSubSystem(SDL_INIT_AUDIO): ") + SDL_GetError();
            subsystem_.reset();
            return false;
        }
        client_ = &client;
        in_.assign(std::size_t(config_.bufferFrames) * 4, 0.0f);
        SDL_AudioSpec want{}, have{};
        want.freq = config_.sampleRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = static_cast<Uint16>(config_.bufferFrames);
        want.callback = &SdlDevice::playbackCallback;
        want.userdata = this;
        // A chosen device by its name; the list may have changed since it was chosen, so an
        // index past its end falls back to the default device.
        const char* outName = selection_.output >= 0 ? SDL_GetAudioDeviceName(selection_.output, 0) : nullptr;
        const std::string outChosen = outName ? outName : "";
        const char* inName = selection_.input >= 0 ? SDL_GetAudioDeviceName(selection_.input, 1) : nullptr;
        const std::string inChosen = inName ? inName : "";
        out_ = SDL_OpenAudioDevice(outChosen.empty() ? nullptr : outChosen.c_str(), 0, &want, &have, 0);
        if (out_ == 0) {
            error = std::string("SDL_OpenAudioDevice (playback): ") + SDL_GetError();
            subsystem_.reset();
            return false;
        }
        SDL_AudioSpec wantIn = want, haveIn{};
        wantIn.channels = 1;
        wantIn.callback = &SdlDevice::captureCallback;
        in_dev_ = SDL_OpenAudioDevice(inChosen.empty() ? nullptr : inChosen.c_str(), 1, &wantIn, &haveIn, 0);
        // No microphone is not an error: the engine records silence then.
        if (in_dev_ != 0) SDL_PauseAudioDevice(in_dev_, 0);
        // The output buffer being played, the one queued behind it and the capture buffer.
        latency_ = 2 * int(have.samples) + (in_dev_ ? int(haveIn.samples) : 0);
        SDL_PauseAudioDevice(out_, 0);
        callbacks_.store(0);
        stopWatch_ = false;
        watchdog_ = std::thread([this] { watch(); });
        return true;
    }

    void stop() override {
        if (watchdog_.joinable()) {
            {
                std::lock_guard g(watchMutex_);
                stopWatch_ = true;
            }
            watchCv_.notify_all();
            watchdog_.join();
        }
        if (in_dev_) SDL_CloseAudioDevice(in_dev_);
        if (out_) SDL_CloseAudioDevice(out_);
        in_dev_ = out_ = 0;
        subsystem_.reset();
    }

    bool hasInput() const override { return in_dev_ != 0; }
    int latencyFrames() const override { return latency_; }

    std::string description() const override {
        const char* driver = SDL_GetCurrentAudioDriver();
        return std::string("SDL audio (") + (driver ? driver : "?") + (in_dev_ ? ", with capture)" : ", no capture)");
    }

private:
    int latency_ = 0;
    // Watchdog thread: a device that was unplugged or failed stops calling back (or SDL says
    // it stopped); the client hears of it once, so the engine can go on without it. A system
    // sleep stops the callbacks too: that is no loss (StallWatch).
    void watch() {
        std::unique_lock g(watchMutex_);
        StallWatch stall;
        stall.start(callbacks_.load(), clockMs(CLOCK_MONOTONIC), clockMs(CLOCK_BOOTTIME));
        int sleepsLogged = 0;
        while (!watchCv_.wait_for(g, std::chrono::milliseconds(100), [&] { return stopWatch_; })) {
            const bool stopped = SDL_GetAudioDeviceStatus(out_) == SDL_AUDIO_STOPPED;
            const bool lost = stall.check(callbacks_.load(), stopped, clockMs(CLOCK_MONOTONIC), clockMs(CLOCK_BOOTTIME));
            if (stall.sleeps() != sleepsLogged) {
                sleepsLogged = stall.sleeps();
                std::fprintf(stderr, "vokaran: the system slept; the audio device gets time to come back\n");
            }
            if (lost) {
                client_->deviceLost();
                return;
            }
        }
    }

    static std::int64_t clockMs(clockid_t clock) {
        timespec t{};
        clock_gettime(clock, &t);
        return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    }

    static void SDLCALL captureCallback(void* self, Uint8* stream, int len) {
        auto* d = static_cast<SdlDevice*>(self);
        d->capture_.push(reinterpret_cast<const float*>(stream), std::size_t(len) / sizeof(float));
    }

    static void SDLCALL playbackCallback(void* self, Uint8* stream, int len) {
        auto* d = static_cast<SdlDevice*>(self);
        const int frames = len / int(2 * sizeof(float));
        const float* in = nullptr;
        if (d->in_dev_ && std::size_t(frames) <= d->in_.size()) {
            // Keep the capture latency low: skip what piled up beyond two blocks.
            while (d->capture_.readable() > std::size_t(frames) * 3) {
                float skip[256];
                d->capture_.pop(skip, std::min<std::size_t>(256, d->capture_.readable() - std::size_t(frames) * 3));
            }
            const std::size_t got = d->capture_.pop(d->in_.data(), frames);
            std::fill(d->in_.begin() + got, d->in_.begin() + frames, 0.0f);
            in = d->in_.data();
        }
        d->client_->process(reinterpret_cast<float*>(stream), in, frames);
        d->callbacks_.fetch_add(1, std::memory_order_relaxed);
    }

    AudioConfig config_;
    DeviceSelection selection_;
    std::unique_ptr<SdlAudioSubsystem> subsystem_;
    SDL_AudioDeviceID out_ = 0;
    SDL_AudioDeviceID in_dev_ = 0;
    AudioClient* client_ = nullptr;
    SpscRing<float> capture_;
    std::vector<float> in_;
    std::atomic<std::uint64_t> callbacks_{0};
    std::thread watchdog_;
    std::mutex watchMutex_;
    std::condition_variable watchCv_;
    bool stopWatch_ = false;
};

} // namespace

std::unique_ptr<AudioDevice> createSdlDevice(const AudioConfig& config, const DeviceSelection& selection) {
    return std::make_unique<SdlDevice>(config, selection);
}

std::vector<std::string> listSdlDevices(bool capture) {
    SdlAudioSubsystem audio;
    std::vector<std::string> names;
    if (!audio.ok) return names;
    const int n = SDL_GetNumAudioDevices(capture ? 1 : 0);
    for (int i = 0; i < n; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, capture ? 1 : 0);
        names.push_back(name ? name : "");
    }
    return names;
}

} // namespace vokaran
