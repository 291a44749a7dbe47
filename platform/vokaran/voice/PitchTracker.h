#pragma once
// Pitch of a single voice: YIN (the cumulative-mean-normalised difference function) over
// 2048-sample frames, one frame every `hop` samples, periods of 70 to 1100 Hz.
//
// The period is the deepest point of the first dip below 0.15 (the whole dip, not its first
// local minimum, which picks a noise ripple on low voices); without such a dip the global
// minimum is taken when it lies below 0.35, otherwise the frame is unvoiced. The search runs at
// half the sample rate; the period is then refined at the full rate, by a parabola through the
// raw difference function. The samples pass a low-pass at 3 kHz
// first: a voice's period lives in its lower harmonics, and hiss above them only adds error. A frame is voiced only when it is
// also above the level floor, so silence, hiss and a DC offset never read as a note.
//
// A frame describes the samples around its centre: its result lags the newest sample by half a
// frame (delaySamples()), which the scoring subtracts. Frame j ends at sample (j + 1) * hop and
// covers the frameSize() samples before; samples before the first are zeros. The results depend
// only on the samples, never on how they were split into calls.
//
// Threads: one thread at a time (the engine's analysis thread, or a tool).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vokaran {

struct PitchFrame {
    bool voiced = false;
    float hz = 0;              // 0 when unvoiced
    float midi = 0;            // fractional MIDI note number (69 = A4 = 440 Hz); 0 when unvoiced
    float levelDb = -120;      // RMS level with the DC removed, dB of full scale
    float aperiodicity = 1;    // normalised difference at the period: 0 periodic .. 1 noise
};

class PitchTracker {
public:
    static constexpr int kFrameSize = 2048;
    static constexpr double kMinHz = 70;
    static constexpr double kMaxHz = 1100;
    static constexpr double kThreshold = 0.15;
    static constexpr double kFallbackThreshold = 0.35;
    static constexpr float kLevelFloorDb = -60;
    static constexpr double kLowPassHz = 3000;

    PitchTracker(int sampleRate, int hop);

    int sampleRate() const { return rate_; }
    int hop() const { return hop_; }
    static constexpr int frameSize() { return kFrameSize; }
    // How far a frame's result lags its newest sample.
    static constexpr int delaySamples() { return kFrameSize / 2; }

    // Forgets the past: the next frame starts from zeros.
    void reset();

    // Feeds samples; calls onFrame(const PitchFrame&) once per completed hop, in order.
    template <typename OnFrame>
    void feed(const float* x, std::size_t n, OnFrame&& onFrame) {
        while (n > 0) {
            const std::size_t take = std::min<std::size_t>(n, std::size_t(hop_ - pending_));
            float* dst = buf_.data() + (buf_.size() - std::size_t(hop_) + std::size_t(pending_));
            for (std::size_t i = 0; i < take; ++i) dst[i] = lowPass(x[i]);
            pending_ += static_cast<int>(take);
            x += take;
            n -= take;
            if (pending_ == hop_) {
                onFrame(analyse(buf_.data() + (buf_.size() - kFrameSize)));
                std::copy(buf_.begin() + hop_, buf_.end(), buf_.begin());
                pending_ = 0;
            }
        }
    }

    // One frame of kFrameSize samples.
    PitchFrame analyse(const float* frame);

private:
    // Second-order low-pass (the voice's lower harmonics carry its period; hiss above them
    // only blurs the difference function).
    float lowPass(float x) {
        const double y = b0_ * x + z1_;
        z1_ = b1_ * x - a1_ * y + z2_;
        z2_ = b2_ * x - a2_ * y;
        return static_cast<float>(y);
    }

    int rate_;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0, z1_ = 0, z2_ = 0;
    int hop_;
    int minLag_, maxLag_;
    std::vector<float> buf_;    // the last max(frame, hop) samples, newest at the end
    int pending_ = 0;           // samples of the current hop already in buf_
    // Difference function of x (size samples, windows centred as for lags up to maxLag) for
    // lags from..to, into d[from..to].
    static void differences(const float* x, int size, int maxLag, int from, int to, float* d);

    std::vector<float> x_;      // the frame with its mean removed
    std::vector<float> xh_;     // the same at half the rate
    std::vector<float> diff_;   // full-rate difference function around the period
    std::vector<float> diffh_;  // half-rate difference function, lags 0 .. maxLag / 2 + 1
    std::vector<double> cmnd_;  // its cumulative-mean-normalised form
};

// MIDI note number (fractional) of a frequency.
inline double hzToMidi(double hz) { return 69.0 + 12.0 * std::log2(hz / 440.0); }

} // namespace vokaran
