#include "devices/AudioDevice.h"

#include "core/Wav.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace vokaran {
namespace {

using Clock = std::chrono::steady_clock;

// A device thread that calls the client block by block, in real time or as fast as allowed.
class ThreadDevice : public AudioDevice {
public:
    ThreadDevice(const AudioConfig& config, FileDeviceOptions options, bool isNull)
        : config_(config), options_(std::move(options)), null_(isNull) {}
    ~ThreadDevice() override { stop(); }

    bool start(AudioClient& client, std::string& error) override {
        stop();
        input_.clear();
        inputPos_ = 0;
        if (!options_.inputPath.empty() && !loadInput(error)) return false;
        if (!options_.outputPath.empty()) {
            const auto& p = options_.outputPath;
            wavOut_ = p.size() > 4 && (p.compare(p.size() - 4, 4, ".wav") == 0 || p.compare(p.size() - 4, 4, ".WAV") == 0);
            if (wavOut_) {
                wav_ = std::make_unique<WavWriter>();
                if (!wav_->open(p, config_.sampleRate, 2, error)) return false;
            } else {
                raw_.reset(std::fopen(p.c_str(), "wb"));
                if (!raw_) {
                    error = "fopen " + p + ": " + std::strerror(errno);
                    return false;
                }
            }
        }
        running_.store(true);
        thread_ = std::thread([this, &client] { loop(client); });
        return true;
    }

    void stop() override {
        running_.store(false);
        if (thread_.joinable()) thread_.join();
        std::string ignored;
        if (wav_) wav_->close(ignored);
        wav_.reset();
        raw_.reset();
    }

    bool hasInput() const override { return !null_; }

    std::string description() const override {
        if (null_) return "null device (no sound card: output discarded, silent microphone)";
        return std::string("file device (in: ") + (options_.inputPath.empty() ? "silence" : options_.inputPath) +
               ", out: " + (options_.outputPath.empty() ? "discarded" : options_.outputPath) +
               (options_.fast ? ", fast)" : ", real time)");
    }

private:
    bool loadInput(std::string& error) {
        const auto& p = options_.inputPath;
        if (p.size() > 4 && (p.compare(p.size() - 4, 4, ".wav") == 0 || p.compare(p.size() - 4, 4, ".WAV") == 0)) {
            WavData wav;
            if (!readWav(p, wav, error)) return false;
            if (wav.sampleRate != config_.sampleRate) {
                error = p + ": sample rate " + std::to_string(wav.sampleRate) + " differs from the engine's " +
                        std::to_string(config_.sampleRate);
                return false;
            }
            input_.resize(wav.samples.size() / wav.channels);
            for (std::size_t i = 0; i < input_.size(); ++i) {
                float s = 0;
                for (int c = 0; c < wav.channels; ++c) s += wav.samples[i * wav.channels + c];
                input_[i] = s / wav.channels;
            }
            return true;
        }
        FilePtr f(std::fopen(p.c_str(), "rb"));
        if (!f) {
            error = "fopen " + p + ": " + std::strerror(errno);
            return false;
        }
        std::uint8_t b[2];
        while (std::fread(b, 1, 2, f.get()) == 2) input_.push_back(static_cast<std::int16_t>(b[0] | b[1] << 8) / 32768.0f);
        return true;
    }

    void loop(AudioClient& client) {
        const int frames = config_.bufferFrames;
        std::vector<float> out(2 * frames), in(frames);
        std::vector<std::int16_t> s16(2 * frames);
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(double(frames) / config_.sampleRate));
        auto next = Clock::now();
        std::int64_t processed = 0;
        // The loop-back line holds the last loopbackFrames output frames (mono): slot n % L is
        // output frame n - L until frame n overwrites it.
        const auto loopFrames = static_cast<std::size_t>(std::max(0, options_.loopbackFrames));
        std::vector<float> loop(loopFrames, 0.0f);
        std::minstd_rand noise(12345);
        std::normal_distribution<float> gauss(0.0f, 1.0f);
        while (running_.load(std::memory_order_relaxed)) {
            const bool fast = options_.fast && client.isActive();
            if (fast && !client.canRunAhead()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const std::size_t avail = inputPos_ < input_.size() ? input_.size() - inputPos_ : 0;
            const std::size_t take = std::min<std::size_t>(avail, frames);
            std::copy_n(input_.begin() + inputPos_, take, in.begin());
            std::fill(in.begin() + take, in.end(), 0.0f);
            inputPos_ += take;
            if (loopFrames || options_.noiseRms > 0) {
                for (int i = 0; i < frames; ++i) {
                    float x = in[i];
                    if (loopFrames) x += options_.loopbackGain * loop[std::size_t(processed + i) % loopFrames];
                    if (options_.noiseRms > 0) x += options_.noiseRms * gauss(noise);
                    in[i] = std::clamp(x, -1.0f, 1.0f);  // as a converter would
                }
            }
            if (options_.failAfterFrames >= 0 && processed >= options_.failAfterFrames) {
                client.deviceLost();  // as if unplugged: the client is not called any more
                return;
            }
            client.process(out.data(), in.data(), frames);
            if (loopFrames)
                for (int i = 0; i < frames; ++i)
                    loop[std::size_t(processed + i) % loopFrames] = std::clamp(0.5f * (out[2 * i] + out[2 * i + 1]), -1.0f, 1.0f);
            processed += frames;
            if (wav_ || raw_) {
                for (int i = 0; i < 2 * frames; ++i)
                    s16[i] = static_cast<std::int16_t>(std::lrint(std::clamp(out[i], -1.0f, 1.0f) * 32767.0f));
                if (wav_) {
                    wav_->write(s16.data(), frames);
                } else {
                    std::uint8_t bytes[2];
                    for (auto v : s16) {
                        bytes[0] = static_cast<std::uint16_t>(v) & 0xFF;
                        bytes[1] = static_cast<std::uint16_t>(v) >> 8;
                        std::fwrite(bytes, 1, 2, raw_.get());
                    }
                }
            }
            if (fast) {
                next = Clock::now();
            } else {
                next += period;
                const auto now = Clock::now();
                if (next < now - std::chrono::milliseconds(200)) next = now;  // after a stall, do not race
                std::this_thread::sleep_until(next);
            }
        }
    }

    AudioConfig config_;
    FileDeviceOptions options_;
    bool null_;
    std::vector<float> input_;
    std::size_t inputPos_ = 0;
    bool wavOut_ = false;
    std::unique_ptr<WavWriter> wav_;
    FilePtr raw_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

} // namespace

std::unique_ptr<AudioDevice> createNullDevice(const AudioConfig& config) {
    return std::make_unique<ThreadDevice>(config, FileDeviceOptions{}, true);
}

std::unique_ptr<AudioDevice> createFileDevice(const AudioConfig& config, const FileDeviceOptions& options) {
    return std::make_unique<ThreadDevice>(config, options, false);
}

std::unique_ptr<AudioDevice> createDeviceFromEnvironment(const AudioConfig& config, std::string& error) {
    return createDeviceFromEnvironment(config, DeviceSelection{}, error);
}

namespace {
std::string audioKind() {
    const char* kind = std::getenv("VOKARAN_AUDIO");
    const std::string k = kind ? kind : "sdl";
    return k.empty() ? "sdl" : k;
}
std::string badKind(const std::string& k) { return "VOKARAN_AUDIO must be \"sdl\", \"file\" or \"null\", not \"" + k + "\""; }
} // namespace

bool listDevices(bool capture, std::vector<std::string>& names, std::string& error) {
    const std::string k = audioKind();
    names.clear();
    if (k == "sdl") names = listSdlDevices(capture);
    else if (k == "file") names.push_back(capture ? "File microphone" : "File output");
    else if (k == "null") { if (!capture) names.push_back("No sound card (output discarded)"); }
    else {
        error = badKind(k);
        return false;
    }
    return true;
}

std::unique_ptr<AudioDevice> createDeviceFromEnvironment(const AudioConfig& config, const DeviceSelection& selection,
                                                         std::string& error) {
    const std::string k = audioKind();
    if (k == "sdl") return createSdlDevice(config, selection);
    if (k == "null") return createNullDevice(config);
    if (k == "file") {
        FileDeviceOptions o;
        if (const char* v = std::getenv("VOKARAN_AUDIO_IN")) o.inputPath = v;
        if (const char* v = std::getenv("VOKARAN_AUDIO_OUT")) o.outputPath = v;
        const char* pace = std::getenv("VOKARAN_AUDIO_PACE");
        const std::string p = pace ? pace : "realtime";
        if (p != "realtime" && p != "fast") {
            error = "VOKARAN_AUDIO_PACE must be \"realtime\" or \"fast\", not \"" + p + "\"";
            return nullptr;
        }
        o.fast = p == "fast";
        if (const char* f = std::getenv("VOKARAN_AUDIO_FAIL_AFTER"); f && *f) {
            char* end = nullptr;
            const double seconds = std::strtod(f, &end);
            if (*end || !(seconds >= 0)) {
                error = std::string("VOKARAN_AUDIO_FAIL_AFTER must be seconds, not \"") + f + "\"";
                return nullptr;
            }
            o.failAfterFrames = static_cast<std::int64_t>(seconds * config.sampleRate);
        }
        auto number = [&](const char* name, double& value) {
            const char* v = std::getenv(name);
            if (!v || !*v) return true;
            char* end = nullptr;
            value = std::strtod(v, &end);
            if (*end || !std::isfinite(value)) {
                error = std::string(name) + " must be a number, not \"" + v + "\"";
                return false;
            }
            return true;
        };
        double loopMs = 0, gain = o.loopbackGain, noiseDb = -1000;
        if (!number("VOKARAN_AUDIO_LOOPBACK_MS", loopMs) || !number("VOKARAN_AUDIO_LOOPBACK_GAIN", gain) ||
            !number("VOKARAN_AUDIO_NOISE_DB", noiseDb))
            return nullptr;
        if (loopMs != 0) {
            const double blockMs = 1000.0 * config.bufferFrames / config.sampleRate;
            if (loopMs < blockMs || loopMs > 10000) {
                error = "VOKARAN_AUDIO_LOOPBACK_MS must lie between one block (" + std::to_string(blockMs) +
                        " ms) and 10000, not " + std::to_string(loopMs);
                return nullptr;
            }
            o.loopbackFrames = static_cast<int>(std::lround(loopMs * config.sampleRate / 1000.0));
        }
        if (gain < 0 || gain > 1) {
            error = "VOKARAN_AUDIO_LOOPBACK_GAIN must lie between 0 and 1";
            return nullptr;
        }
        o.loopbackGain = static_cast<float>(gain);
        if (noiseDb > 0) {
            error = "VOKARAN_AUDIO_NOISE_DB must be at most 0 (dBFS)";
            return nullptr;
        }
        o.noiseRms = noiseDb <= -200 ? 0.0f : static_cast<float>(std::pow(10.0, noiseDb / 20.0));
        return createFileDevice(config, o);
    }
    error = badKind(k);
    return nullptr;
}

} // namespace vokaran
