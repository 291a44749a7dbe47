#include "devices/AudioDevice.h"

#include "core/SpscRing.h"

#include <SDL.h>

#include <algorithm>
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
    explicit SdlDevice(const AudioConfig& config) : config_(config), capture_(std::size_t(config.sampleRate)) {}
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
        out_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (out_ == 0) {
            error = std::string("SDL_OpenAudioDevice (playback): ") + SDL_GetError();
            subsystem_.reset();
            return false;
        }
        SDL_AudioSpec wantIn = want, haveIn{};
        wantIn.channels = 1;
        wantIn.callback = &SdlDevice::captureCallback;
        in_dev_ = SDL_OpenAudioDevice(nullptr, 1, &wantIn, &haveIn, 0);
        // No microphone is not an error: the engine records silence then.
        if (in_dev_ != 0) SDL_PauseAudioDevice(in_dev_, 0);
        SDL_PauseAudioDevice(out_, 0);
        return true;
    }

    void stop() override {
        if (in_dev_) SDL_CloseAudioDevice(in_dev_);
        if (out_) SDL_CloseAudioDevice(out_);
        in_dev_ = out_ = 0;
        subsystem_.reset();
    }

    std::string description() const override {
        const char* driver = SDL_GetCurrentAudioDriver();
        return std::string("SDL audio (") + (driver ? driver : "?") + (in_dev_ ? ", with capture)" : ", no capture)");
    }

private:
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
    }

    AudioConfig config_;
    std::unique_ptr<SdlAudioSubsystem> subsystem_;
    SDL_AudioDeviceID out_ = 0;
    SDL_AudioDeviceID in_dev_ = 0;
    AudioClient* client_ = nullptr;
    SpscRing<float> capture_;
    std::vector<float> in_;
};

} // namespace

std::unique_ptr<AudioDevice> createSdlDevice(const AudioConfig& config) { return std::make_unique<SdlDevice>(config); }

} // namespace vokaran
