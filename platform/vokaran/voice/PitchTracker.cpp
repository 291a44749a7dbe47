#include "voice/PitchTracker.h"

#include <algorithm>
#include <cmath>

namespace vokaran {

PitchTracker::PitchTracker(int sampleRate, int hop)
    : rate_(sampleRate),
      hop_(std::max(1, hop)),
      minLag_(std::max(2, static_cast<int>(std::floor(sampleRate / kMaxHz)))),
      maxLag_(static_cast<int>(std::ceil(sampleRate / kMinHz))),
      buf_(std::size_t(std::max(kFrameSize, hop_)), 0.0f),
      x_(kFrameSize),
      xh_(kFrameSize / 2),
      diff_(std::size_t(maxLag_) + 3, 0.0f),
      diffh_(std::size_t(maxLag_) / 2 + 3, 0.0f),
      cmnd_(std::size_t(maxLag_) / 2 + 3, 1.0) {
    // Very low rates leave no room for the longest period inside a frame.
    maxLag_ = std::min(maxLag_, kFrameSize / 2);
    minLag_ = std::min(minLag_, maxLag_ - 1);
    // Butterworth low-pass (bilinear transform, Q = 1/sqrt 2).
    const double w0 = 2 * M_PI * std::min(kLowPassHz, 0.45 * sampleRate) / sampleRate;
    const double alpha = std::sin(w0) / std::sqrt(2.0), c = std::cos(w0), a0 = 1 + alpha;
    b0_ = (1 - c) / 2 / a0;
    b1_ = (1 - c) / a0;
    b2_ = b0_;
    a1_ = -2 * c / a0;
    a2_ = (1 - alpha) / a0;
}

void PitchTracker::reset() {
    std::fill(buf_.begin(), buf_.end(), 0.0f);
    pending_ = 0;
    z1_ = z2_ = 0;
}

PitchFrame PitchTracker::analyse(const float* frame) {
    PitchFrame r;
    double mean = 0;
    for (int i = 0; i < kFrameSize; ++i) mean += frame[i];
    mean /= kFrameSize;
    double energy = 0;
    for (int i = 0; i < kFrameSize; ++i) {
        x_[i] = static_cast<float>(frame[i] - mean);
        energy += double(x_[i]) * x_[i];
    }
    const double variance = energy / kFrameSize;
    r.levelDb = static_cast<float>(10.0 * std::log10(variance + 1e-12));
    if (r.levelDb < kLevelFloorDb) return r;

    // The period is searched on the frame at half the rate (the low-pass leaves nothing
    // above a quarter of it), a quarter of the work, then refined at the full rate.
    const int half = kFrameSize / 2;
    for (int i = 0; i < half; ++i) xh_[std::size_t(i)] = 0.5f * (x_[std::size_t(2 * i)] + x_[std::size_t(2 * i + 1)]);
    const int hMin = std::max(2, minLag_ / 2), hMax = (maxLag_ + 1) / 2;
    differences(xh_.data(), half, hMax, 1, hMax + 1, diffh_.data());
    double running = 0;
    cmnd_[0] = 1;
    for (int tau = 1; tau <= hMax + 1; ++tau) {
        running += diffh_[std::size_t(tau)];
        cmnd_[std::size_t(tau)] = running > 0 ? diffh_[std::size_t(tau)] * tau / running : 1.0;
    }

    int best = -1;
    for (int tau = hMin; tau <= hMax; ++tau) {
        if (cmnd_[std::size_t(tau)] < kThreshold) {
            // The deepest point of the whole dip below the threshold.
            best = tau;
            while (tau + 1 <= hMax && cmnd_[std::size_t(tau + 1)] < kThreshold) {
                ++tau;
                if (cmnd_[std::size_t(tau)] < cmnd_[std::size_t(best)]) best = tau;
            }
            break;
        }
    }
    if (best < 0) {
        int g = hMin;
        for (int tau = hMin + 1; tau <= hMax; ++tau)
            if (cmnd_[std::size_t(tau)] < cmnd_[std::size_t(g)]) g = tau;
        if (cmnd_[std::size_t(g)] >= kFallbackThreshold) {
            r.aperiodicity = static_cast<float>(std::min(1.0, cmnd_[std::size_t(g)]));
            return r;
        }
        best = g;
    }
    r.aperiodicity = static_cast<float>(cmnd_[std::size_t(best)]);

    // Full rate around twice the coarse period: the smallest difference, then a parabola
    // through the raw difference function places the minimum between lags.
    const int lo = std::max(minLag_, 2 * best - 2), hi = std::min(maxLag_, 2 * best + 2);
    differences(x_.data(), kFrameSize, maxLag_, lo - 1, hi + 1, diff_.data());
    int fine = lo;
    for (int tau = lo + 1; tau <= hi; ++tau)
        if (diff_[std::size_t(tau)] < diff_[std::size_t(fine)]) fine = tau;
    const double a = diff_[std::size_t(fine - 1)], b = diff_[std::size_t(fine)], c = diff_[std::size_t(fine + 1)];
    const double den = a - 2 * b + c;
    const double shift = den > 0 ? std::clamp(0.5 * (a - c) / den, -1.0, 1.0) : 0.0;
    const double period = fine + shift;
    r.voiced = true;
    r.hz = static_cast<float>(rate_ / period);
    r.midi = static_cast<float>(hzToMidi(rate_ / period));
    return r;
}

void PitchTracker::differences(const float* x, int size, int maxLag, int from, int to, float* d) {
    // Each lag compares samples around the frame's centre, so the result describes the centre
    // whatever the period (a window fixed at the frame's start would lag behind a moving pitch
    // by a few milliseconds). The window leaves room for the longest lag.
    const int w = size - maxLag - 1;
    for (int tau = from; tau <= to; ++tau) {
        const float* a = x + (maxLag + 1 - tau) / 2;
        const float* b = a + tau;
        float s = 0;
#pragma omp simd reduction(+ : s)
        for (int i = 0; i < w; ++i) {
            const float v = a[i] - b[i];
            s += v * v;
        }
        d[tau] = s;
    }
}

} // namespace vokaran
