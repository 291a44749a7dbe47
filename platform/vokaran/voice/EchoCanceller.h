#pragma once
// Removes from the microphone what the engine itself played (the accompaniment and the guide
// melody leaking from the speakers), so that the contest analysis hears the singer only.
//
// Two parts, both fed with the microphone and the output as rendered (mono), sample for
// sample from the song's start:
// - A leak finder: every window of about 1.5 s, a phase-transform cross-correlation of the two
//   (both averaged down to 1/8 of the rate) over delays of 0..0.7 s, averaged with the
//   previous windows'. A leak through speakers is a fixed path: the correlation has one sharp
//   peak at its delay, which grows window by window. A voice that merely sings the guide
//   melody's notes has no such peak (its phases drift against the guide's). The device
//   latency is the first guess: a peak near it needs less evidence than one elsewhere.
//   Without a peak for three windows the leak counts as gone.
// - While a leak is found, an adaptive filter (libspeexdsp's echo canceller, 93 ms of tail)
//   fed with the output delayed by the found delay (less a little slack) removes it.
//   Otherwise the microphone passes through unchanged: with headphones, or before a leak is
//   found, the analysis hears exactly the microphone.
//
// Fail-safe: a frame in which the filter would add energy (diverged) passes the microphone
// through, and a run of such frames restarts the filter. A wrong device latency never lets
// the filter work on the singer: it works only at a delay where the output was found.
//
// Works in fixed frames and windows counted from the song's start, so the result depends only
// on the samples, never on how they were split into calls: the live analysis and
// vokaran-score get the same residual.
//
// Threads: one thread at a time (the analysis thread, or a tool). Allocates only when built.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vokaran {

class EchoCanceller {
public:
    static constexpr int kFrame = 512;       // samples per canceller frame (11.6 ms at 44.1 kHz)
    static constexpr int kTail = 4096;       // samples of echo path modelled (93 ms at 44.1 kHz)
    static constexpr int kEarlySlack = 256;  // the filter starts this much before the found delay
    static constexpr int kDecimation = 8;
    static constexpr int kWindow = 8192;     // decimated samples per leak-finding window
    static constexpr double kMaxDelaySeconds = 0.7;

    // deviceDelay: the device latency, output to input, in samples (0 for a file device).
    EchoCanceller(int sampleRate, int deviceDelay);
    ~EchoCanceller();
    EchoCanceller(const EchoCanceller&) = delete;
    EchoCanceller& operator=(const EchoCanceller&) = delete;

    // Mic and reference of the same song samples (the reference as rendered at that sample,
    // null = silence). Each completed frame calls onFrame(const float* residual,
    // const float* removed, double leak, int n) with the frame's samples in order and the
    // energy its leak should have (the output's at the found delay times the path's gain;
    // 0 while no leak is found).
    template <typename OnFrame>
    void feed(const float* mic, const float* ref, std::size_t n, OnFrame&& onFrame) {
        for (std::size_t i = 0; i < n; ++i) {
            const float r = ref ? ref[i] : 0.0f;
            mic_[std::size_t(pending_)] = mic[i];
            history_[std::size_t(write_)] = r;
            write_ = (write_ + 1) % int(history_.size());
            decimate(mic[i], r);
            if (++pending_ == kFrame) {
                run();
                onFrame(residual_.data(), removed_.data(), leakEnergy_, kFrame);
                pending_ = 0;
            }
        }
    }

    // Whether a leak is found now, and at which delay (samples).
    bool leakFound() const { return found_; }
    int leakDelay() const { return delay_; }
    // The sharpest correlation peak of any window so far (peak over the rms of the rest).
    double bestPeakQuality() const { return bestQuality_; }
    // Frames that passed the microphone through because the filter misbehaved.
    std::uint64_t failSafeFrames() const { return failSafe_; }
    // Frames the filter worked on.
    std::uint64_t cancelledFrames() const { return cancelled_; }
    // Energy of the microphone and of what was removed from it, over everything fed.
    double micEnergy() const { return micTotal_; }
    double removedEnergy() const { return removedTotal_; }

private:
    void decimate(float mic, float ref) {
        decMic_ += mic;
        decRef_ += ref;
        if (++decCount_ == kDecimation) {
            winMic_[std::size_t(winFill_)] = decMic_;
            winRef_[std::size_t(winFill_)] = decRef_;
            decMic_ = decRef_ = 0;
            decCount_ = 0;
            if (++winFill_ == kWindow) {
                findLeak();
                winFill_ = 0;
            }
        }
    }
    void findLeak();
    void run();
    void passThrough();

    struct State;
    std::unique_ptr<State> st_;
    int rate_;
    int deviceDelay_;
    int maxLag_;                  // decimated samples
    std::vector<float> history_;  // the reference's last samples, a ring
    int write_ = 0;
    int pending_ = 0;

    // Leak finding.
    float decMic_ = 0, decRef_ = 0;
    int decCount_ = 0, winFill_ = 0;
    std::vector<float> winMic_, winRef_;
    std::vector<std::complex<double>> fa_, fb_;
    std::vector<double> corr_;    // the windows' correlations, averaged
    bool found_ = false;
    int delay_ = 0;
    int missed_ = 0;              // windows in a row without a peak
    double bestQuality_ = 0;

    int badRun_ = 0;
    std::uint64_t failSafe_ = 0, cancelled_ = 0;
    double micTotal_ = 0, removedTotal_ = 0;
    // The path's energy gain at the found delay, fitted on the leak-finding windows; the last
    // frame's expected leak energy (full scale 1).
    double pathGain_ = 0;
    double leakEnergy_ = 0;
    std::vector<float> mic_, ref_, residual_, removed_;
    std::vector<std::int16_t> mic16_, ref16_, out16_;
};

} // namespace vokaran
