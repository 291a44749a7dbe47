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
      diff_(std::size_t(maxLag_) + 2, 0.0f),
      cmnd_(std::size_t(maxLag_) + 2, 1.0) {
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

    // Difference function over a window that leaves room for the longest lag.
    const int w = kFrameSize - maxLag_ - 1;
    diff_[0] = 0;
    for (int tau = 1; tau <= maxLag_ + 1; ++tau) {
        // Each lag compares samples around the frame's centre, so the result describes the
        // centre whatever the period (a window fixed at the frame's start would lag behind
        // a moving pitch by a few milliseconds).
        const float* x = x_.data() + (maxLag_ + 1 - tau) / 2;
        const float* y = x + tau;
        float s = 0;
#pragma omp simd reduction(+ : s)
        for (int i = 0; i < w; ++i) {
            const float d = x[i] - y[i];
            s += d * d;
        }
        diff_[tau] = s;
    }
    double running = 0;
    cmnd_[0] = 1;
    for (int tau = 1; tau <= maxLag_ + 1; ++tau) {
        running += diff_[tau];
        cmnd_[tau] = running > 0 ? diff_[tau] * tau / running : 1.0;
    }

    int best = -1;
    for (int tau = minLag_; tau <= maxLag_; ++tau) {
        if (cmnd_[tau] < kThreshold) {
            // The deepest point of the whole dip below the threshold.
            best = tau;
            while (tau + 1 <= maxLag_ && cmnd_[tau + 1] < kThreshold) {
                ++tau;
                if (cmnd_[tau] < cmnd_[best]) best = tau;
            }
            break;
        }
    }
    if (best < 0) {
        int g = minLag_;
        for (int tau = minLag_ + 1; tau <= maxLag_; ++tau)
            if (cmnd_[tau] < cmnd_[g]) g = tau;
        if (cmnd_[g] >= kFallbackThreshold) {
            r.aperiodicity = static_cast<float>(std::min(1.0, cmnd_[g]));
            return r;
        }
        best = g;
    }
    // A parabola through the raw difference function places the minimum between lags.
    const double a = diff_[best - 1], b = diff_[best], c = diff_[best + 1];
    const double den = a - 2 * b + c;
    double shift = den > 0 ? 0.5 * (a - c) / den : 0.0;
    shift = std::clamp(shift, -1.0, 1.0);
    const double period = best + shift;
    r.voiced = true;
    r.aperiodicity = static_cast<float>(cmnd_[best]);
    r.hz = static_cast<float>(rate_ / period);
    r.midi = static_cast<float>(hzToMidi(rate_ / period));
    return r;
}

} // namespace vokaran
