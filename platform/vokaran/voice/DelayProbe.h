#pragma once
// The round-trip delay of the audio path, from a sample leaving the output to its sound coming
// back through the microphone, found with a test signal: a short burst of white noise is
// played, the microphone is recorded from the burst's first sample on, and the delay is the
// lag at which the phase-transform cross-correlation of the two peaks (docs/mic-delay.md).
// Pure computation, any thread.
#include <cstddef>
#include <vector>

namespace vokaran {

enum class DelayVerdict {
    Measured,  // one clear echo of the burst: its delay is the result
    Silent,    // nothing came back (headphones, no microphone, the output muted)
    Clipped,   // the microphone overloaded: the shape of the burst is lost
    Unclear,   // sound came back but no clear echo of the burst in it (noise, feedback)
};

struct DelayEstimate {
    DelayVerdict verdict = DelayVerdict::Silent;
    int delayFrames = 0;     // valid when measured
    double peakQuality = 0;  // the correlation's peak over the rms of the other lags
    double captureDb = -200; // rms level of the capture, dBFS
    double clippedShare = 0; // share of the captured samples at full scale
};

// The test signal: `frames` of deterministic white noise at about -14 dBFS rms (no sample
// beyond -5 dBFS), faded in and out over 5 ms so it starts and ends without a click.
std::vector<float> delayProbeSignal(int sampleRate, int frames);

// `captured`: the microphone from the probe's first output sample on, at least
// probe.size() + maxDelayFrames samples long (a shorter capture only searches the lags it
// covers). Looks for delays from 0 to maxDelayFrames.
DelayEstimate estimateDelay(const std::vector<float>& probe, const std::vector<float>& captured, int maxDelayFrames);

} // namespace vokaran
