#include "voice/EchoCanceller.h"

#include "core/Pcm.h"
#include "voice/Fft.h"

#include <speex/speex_echo.h>

#include <algorithm>
#include <cmath>

namespace vokaran {

namespace {
constexpr int kBadFramesBeforeRestart = 8;  // ~93 ms of misbehaviour
// A window's correlation peak shows a leak when it stands this far above the rest (rms).
// Measured on a demo song (bench/vokaran/fair_bench.cpp): a leak of -30..-6 dB gives 65 or
// more, under a singer too; a voice singing the guide melody without a leak at most 18.
constexpr double kPeakQuality = 30;
constexpr double kPeakQualityNearDevice = 25;
constexpr double kCarry = 0.6;        // share of the averaged correlation carried to the next window
constexpr int kNearDevice = 2;        // decimated samples (0.36 ms) counted as the same delay
constexpr int kAgreeing = 2;          // decimated samples a found delay may move without a restart
constexpr int kWindowsToForget = 3;   // windows without a peak before the leak counts as gone
constexpr double kGainCarry = 0.5;    // share of the path's gain carried to the next window

} // namespace

struct EchoCanceller::State {
    SpeexEchoState* echo = nullptr;
    ~State() {
        if (echo) speex_echo_state_destroy(echo);
    }
};

EchoCanceller::EchoCanceller(int sampleRate, int deviceDelay)
    : st_(std::make_unique<State>()),
      rate_(sampleRate),
      deviceDelay_(std::max(0, deviceDelay)),
      maxLag_(static_cast<int>(kMaxDelaySeconds * sampleRate / kDecimation)),
      history_(std::size_t(maxLag_ + 1) * kDecimation + kFrame, 0.0f),
      winMic_(kWindow), winRef_(kWindow),
      fa_(2 * kWindow), fb_(2 * kWindow),
      corr_(std::size_t(maxLag_ + 1), 0.0),
      mic_(kFrame), ref_(kFrame), residual_(kFrame), removed_(kFrame),
      mic16_(kFrame), ref16_(kFrame), out16_(kFrame) {
    st_->echo = speex_echo_state_init(kFrame, kTail);
    int rate = sampleRate;
    speex_echo_ctl(st_->echo, SPEEX_ECHO_SET_SAMPLING_RATE, &rate);
}

EchoCanceller::~EchoCanceller() = default;

void EchoCanceller::findLeak() {
    // Phase-transform cross-correlation: every frequency weighs alike, so a fixed delay shows
    // as one sharp peak whatever the music's spectrum.
    for (int i = 0; i < kWindow; ++i) {
        fa_[std::size_t(i)] = winMic_[std::size_t(i)];
        fb_[std::size_t(i)] = winRef_[std::size_t(i)];
    }
    std::fill(fa_.begin() + kWindow, fa_.end(), 0.0);
    std::fill(fb_.begin() + kWindow, fb_.end(), 0.0);
    fft(fa_, false);
    fft(fb_, false);
    double mean = 0;
    for (std::size_t k = 0; k < fa_.size(); ++k) {
        fa_[k] *= std::conj(fb_[k]);
        mean += std::abs(fa_[k]);
    }
    mean /= double(fa_.size());
    double quality = 0;
    int peak = 0;
    if (mean > 0) {
        for (auto& x : fa_) x /= std::abs(x) + 1e-3 * mean;
        fft(fa_, true);
        // Lag L: the microphone at t holds the output of t - L. The windows' correlations are
        // averaged: a fixed delay adds up, the chance peaks of a voice do not.
        double best = -1e300, sum = 0;
        for (int l = 0; l <= maxLag_; ++l) {
            double& v = corr_[std::size_t(l)];
            v = kCarry * v + fa_[std::size_t(l)].real();
            sum += v * v;
            if (v > best) {
                best = v;
                peak = l;
            }
        }
        double rest = sum;
        int restCount = maxLag_ + 1;
        for (int l = std::max(0, peak - 4); l <= std::min(maxLag_, peak + 4); ++l) {
            rest -= corr_[std::size_t(l)] * corr_[std::size_t(l)];
            --restCount;
        }
        const double rms = std::sqrt(std::max(rest, 0.0) / std::max(1, restCount));
        quality = rms > 0 ? best / rms : 0;
        bestQuality_ = std::max(bestQuality_, quality);
    } else {
        for (auto& v : corr_) v *= kCarry;  // nothing played or sung: the evidence fades
    }
    // The device latency is the first guess: a peak there needs less evidence.
    const bool nearDevice = std::abs(peak - deviceDelay_ / kDecimation) <= kNearDevice;
    if (quality < (nearDevice ? kPeakQualityNearDevice : kPeakQuality)) {
        if (found_ && ++missed_ >= kWindowsToForget) found_ = false;
        return;
    }
    missed_ = 0;
    // The path's gain at the peak: the least-squares fit of the microphone by the delayed
    // output over this window (a singer, uncorrelated with the output, does not bias it).
    double cross = 0, refEnergy = 0;
    for (int i = peak; i < kWindow; ++i) {
        cross += double(winMic_[std::size_t(i)]) * winRef_[std::size_t(i - peak)];
        refEnergy += double(winRef_[std::size_t(i - peak)]) * winRef_[std::size_t(i - peak)];
    }
    const double gain = refEnergy > 0 ? std::max(0.0, cross / refEnergy) : 0.0;
    pathGain_ = found_ ? kGainCarry * pathGain_ + (1 - kGainCarry) * gain * gain : gain * gain;
    if (found_ && std::abs(peak * kDecimation - delay_) <= kAgreeing * kDecimation) return;
    // A new delay: the filter starts afresh there.
    delay_ = peak * kDecimation;
    found_ = true;
    speex_echo_state_reset(st_->echo);
    badRun_ = 0;
}

void EchoCanceller::passThrough() {
    for (int i = 0; i < kFrame; ++i) {
        residual_[std::size_t(i)] = fromPcm16(mic16_[std::size_t(i)]);
        removed_[std::size_t(i)] = 0;
    }
}

void EchoCanceller::run() {
    double micEnergy = 0;
    for (int i = 0; i < kFrame; ++i) {
        mic16_[std::size_t(i)] = toPcm16(mic_[std::size_t(i)]);
        micEnergy += double(mic16_[std::size_t(i)]) * mic16_[std::size_t(i)];
    }
    micTotal_ += micEnergy;
    leakEnergy_ = 0;
    if (!found_) {
        passThrough();
        return;
    }
    // The reference as it was the found delay (less the slack) before each of these samples.
    const int size = int(history_.size());
    const int lag = std::max(0, delay_ - kEarlySlack);
    for (int i = 0; i < kFrame; ++i) {
        const int at = ((write_ - kFrame + i - lag) % size + size) % size;
        ref16_[std::size_t(i)] = toPcm16(history_[std::size_t(at)]);
    }
    speex_echo_cancellation(st_->echo, mic16_.data(), ref16_.data(), out16_.data());
    double outEnergy = 0, refEnergy = 0;  // 16-bit scale
    for (int i = 0; i < kFrame; ++i) {
        outEnergy += double(out16_[std::size_t(i)]) * out16_[std::size_t(i)];
        refEnergy += double(ref16_[std::size_t(i)]) * ref16_[std::size_t(i)];
    }
    leakEnergy_ = pathGain_ * refEnergy / (32768.0 * 32768.0);
    // A filter that adds energy is not removing an echo: pass the microphone through.
    if (outEnergy > 1.26 * micEnergy + 1e3) {  // +1 dB, and not on near silence
        passThrough();
        ++failSafe_;
        if (++badRun_ >= kBadFramesBeforeRestart) {
            speex_echo_state_reset(st_->echo);
            badRun_ = 0;
        }
        return;
    }
    badRun_ = 0;
    ++cancelled_;
    for (int i = 0; i < kFrame; ++i) {
        residual_[std::size_t(i)] = fromPcm16(out16_[std::size_t(i)]);
        removed_[std::size_t(i)] = fromPcm16(mic16_[std::size_t(i)]) - residual_[std::size_t(i)];
        removedTotal_ += double(mic16_[std::size_t(i)] - out16_[std::size_t(i)]) * (mic16_[std::size_t(i)] - out16_[std::size_t(i)]);
    }
}

} // namespace vokaran
