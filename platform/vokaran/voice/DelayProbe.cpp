#include "voice/DelayProbe.h"

#include "voice/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>

namespace vokaran {

namespace {
// Below this the microphone heard nothing at all (a muted or missing input reads 0).
constexpr double kSilentDb = -70;
// A capture with more than this share of samples at full scale is clipped.
constexpr double kClippedShare = 0.0005;
constexpr float kFullScale = 0.999f;
// A clear echo stands this far above the other lags (rms). With nothing but noise the
// highest of ~50,000 lags lies near 4.5; a burst at 20 dB SNR gives several hundred.
constexpr double kClearPeak = 12;
// An earlier peak this close to the highest one is the direct path (a room adds later ones).
constexpr double kDirectShare = 0.6;
// Lags this close to the peak belong to it.
constexpr int kPeakWidth = 8;
} // namespace

std::vector<float> delayProbeSignal(int sampleRate, int frames) {
    std::vector<float> s(std::size_t(std::max(0, frames)));
    // A fixed linear congruential sequence: the same burst on every run and platform.
    std::uint32_t state = 0x2545F491u;
    const int fade = std::max(1, sampleRate / 200);
    for (std::size_t i = 0; i < s.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const float u = float(state >> 8) / float(1u << 24) * 2.0f - 1.0f;  // -1..1
        float gain = 1.0f;
        const auto n = static_cast<int>(i), left = frames - 1 - n;
        if (n < fade) gain = float(n) / fade;
        else if (left < fade) gain = float(left) / fade;
        s[i] = 0.35f * u * gain;  // uniform: rms 0.35 / sqrt(3) = -13.9 dBFS, peak -9 dBFS
    }
    return s;
}

DelayEstimate estimateDelay(const std::vector<float>& probe, const std::vector<float>& captured, int maxDelayFrames) {
    DelayEstimate r;
    if (captured.empty() || probe.empty()) return r;
    double energy = 0;
    std::size_t clipped = 0;
    for (float x : captured) {
        energy += double(x) * x;
        clipped += std::fabs(x) >= kFullScale;
    }
    const double rms = std::sqrt(energy / double(captured.size()));
    r.captureDb = rms > 0 ? 20 * std::log10(rms) : -200;
    r.clippedShare = double(clipped) / double(captured.size());
    if (r.captureDb < kSilentDb) return r;  // Silent
    if (r.clippedShare > kClippedShare) {
        r.verdict = DelayVerdict::Clipped;
        return r;
    }

    // Generalised cross-correlation with the phase transform: every frequency counts alike, so
    // music or a hum in the room (strong at a few frequencies) cannot pull the peak, and the
    // burst's echo shows as one sharp peak at its delay.
    std::size_t n = 1;
    while (n < captured.size() + probe.size()) n <<= 1;
    std::vector<std::complex<double>> a(n), b(n);
    for (std::size_t i = 0; i < captured.size(); ++i) a[i] = captured[i];
    for (std::size_t i = 0; i < probe.size(); ++i) b[i] = probe[i];
    fft(a, false);
    fft(b, false);
    double floor = 0;
    for (std::size_t k = 0; k < n; ++k) {
        a[k] *= std::conj(b[k]);
        floor = std::max(floor, std::abs(a[k]));
    }
    floor *= 1e-9;  // keeps empty bins from dividing by zero
    for (std::size_t k = 0; k < n; ++k) a[k] /= std::abs(a[k]) + floor;
    fft(a, true);

    const auto lags = static_cast<int>(std::min<std::size_t>(std::size_t(std::max(0, maxDelayFrames)) + 1,
                                                             captured.size()));
    int best = 0;
    double bestValue = -1;
    for (int lag = 0; lag < lags; ++lag)
        if (a[std::size_t(lag)].real() > bestValue) {
            bestValue = a[std::size_t(lag)].real();
            best = lag;
        }
    double rest = 0;
    int counted = 0;
    for (int lag = 0; lag < lags; ++lag) {
        if (std::abs(lag - best) <= kPeakWidth) continue;
        rest += a[std::size_t(lag)].real() * a[std::size_t(lag)].real();
        ++counted;
    }
    const double restRms = counted ? std::sqrt(rest / counted) : 0;
    r.peakQuality = restRms > 0 ? bestValue / restRms : 0;
    if (bestValue <= 0 || r.peakQuality < kClearPeak) {
        r.verdict = DelayVerdict::Unclear;
        return r;
    }
    // The direct sound arrives first; a reflection may be as strong, never earlier.
    auto at = [&](int lag) { return a[std::size_t(lag)].real(); };
    int direct = best;
    for (int lag = 0; lag + kPeakWidth < best; ++lag) {
        const double v = at(lag);
        if (v >= kDirectShare * bestValue && (lag == 0 || v >= at(lag - 1)) && v >= at(lag + 1)) {
            direct = lag;
            break;
        }
    }
    r.verdict = DelayVerdict::Measured;
    r.delayFrames = direct;
    return r;
}

} // namespace vokaran
