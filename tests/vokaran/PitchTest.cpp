// The voice pitch tracker: accuracy in cents and gross errors across the singing range, clean
// and in noise; no notes read from silence, offsets or noise; results independent of how the
// samples arrive.
#include "VoiceSynth.h"

#include "voice/PitchTracker.h"

#include <algorithm>

using namespace vokaran;
using namespace vktest;

namespace {

constexpr int kRate = 44100;

struct Accuracy {
    double medianCents = 0;
    double grossRate = 0;  // share of frames off by more than 50 cents (or unvoiced)
};

Accuracy measure(const SyntheticVoice& v, int hop = 512) {
    PitchTracker t(kRate, hop);
    std::vector<double> errors;
    std::size_t gross = 0, frames = 0;
    std::size_t end = 0;
    t.feed(v.samples.data(), v.samples.size(), [&](const PitchFrame& f) {
        end += std::size_t(hop);
        const std::size_t centre = end - PitchTracker::delaySamples();
        // Only frames lying wholly inside the sung stretch are judged.
        if (end < std::size_t(PitchTracker::frameSize()) || v.truth[end - PitchTracker::frameSize()] == 0 || v.truth[end - 1] == 0) return;
        ++frames;
        const double err = f.voiced ? std::abs(100.0 * (f.midi - v.truth[centre])) : 1e9;
        if (err > 50) ++gross;
        else errors.push_back(err);
    });
    Accuracy a;
    std::sort(errors.begin(), errors.end());
    a.medianCents = errors.empty() ? 1e9 : errors[errors.size() / 2];
    a.grossRate = frames ? double(gross) / frames : 1.0;
    return a;
}

struct Case {
    double hz;
    double snrDb;
};

class TrackerAccuracy : public ::testing::TestWithParam<Case> {};

} // namespace

// Wrong octaves, noise ripples on low voices and poor interpolation all show up here: the
// median error and the share of frames more than half a semitone off.
TEST_P(TrackerAccuracy, MedianErrorAndGrossErrors) {
    const auto c = GetParam();
    VoiceStyle style;
    style.vibratoCents = 0;
    style.snrDb = c.snrDb;
    style.seed = static_cast<unsigned>(c.hz);
    const auto v = singVoice({{0.0, 1.5, hzToMidi(c.hz)}}, 1.5, style);
    const auto a = measure(v);
    EXPECT_LE(a.medianCents, 3.0) << c.hz << " Hz";
    EXPECT_LE(a.grossRate, 0.005) << c.hz << " Hz";
}

INSTANTIATE_TEST_SUITE_P(SingingRange, TrackerAccuracy,
    ::testing::Values(Case{82, 99}, Case{82, 10}, Case{110, 10}, Case{131, 10}, Case{165, 10}, Case{196, 99},
                      Case{247, 10}, Case{330, 10}, Case{440, 99}, Case{523, 10}, Case{698, 10}, Case{880, 10},
                      Case{1000, 99}, Case{1000, 10}));

// A voice with vibrato is followed frame by frame.
TEST(PitchTracker, FollowsVibrato) {
    VoiceStyle style;
    style.vibratoCents = 80;
    style.snrDb = 20;
    const auto a = measure(singVoice({{0.0, 2.0, 57}}, 2.0, style));
    EXPECT_LE(a.medianCents, 6.0);
    EXPECT_LE(a.grossRate, 0.01);
}

// Silence, a DC offset, hiss and hum-free noise never read as a note; a hard-clipped voice
// still gives its pitch.
TEST(PitchTracker, BadMicrophoneSignals) {
    auto voicedShare = [](const std::vector<float>& x) {
        PitchTracker t(kRate, 512);
        int voiced = 0, frames = 0;
        t.feed(x.data(), x.size(), [&](const PitchFrame& f) { ++frames; voiced += f.voiced; });
        return double(voiced) / frames;
    };
    std::vector<float> silence(kRate, 0.0f), dc(kRate, 0.4f), noise(kRate);
    std::mt19937 rng(7);
    std::normal_distribution<float> g(0.0f, 0.2f);
    for (auto& x : noise) x = g(rng);
    // Noise through a low-pass (a rumbling room): periodic-looking at a glance, but no pitch.
    std::vector<float> rumble(noise);
    for (std::size_t i = 1; i < rumble.size(); ++i) rumble[i] = 0.95f * rumble[i - 1] + 0.05f * noise[i];
    EXPECT_EQ(voicedShare(silence), 0.0);
    EXPECT_EQ(voicedShare(dc), 0.0);
    EXPECT_LT(voicedShare(noise), 0.01);
    EXPECT_LT(voicedShare(rumble), 0.02);

    VoiceStyle style;
    style.vibratoCents = 0;
    auto v = singVoice({{0.0, 1.0, 60}}, 1.0, style);
    for (auto& x : v.samples) x = std::clamp(x + 0.3f, 0.0f, 0.4f);  // offset and clipped
    const auto a = measure(v);
    EXPECT_LE(a.medianCents, 5.0);
    EXPECT_LE(a.grossRate, 0.01);
}

// Frames depend on the samples only, not on how they are split into blocks.
TEST(PitchTracker, ResultsIndependentOfBlockSizes) {
    VoiceStyle style;
    const auto v = singVoice({{0.1, 0.6, 64}, {0.6, 1.2, 67}}, 1.3, style);
    std::vector<PitchFrame> whole, pieces;
    PitchTracker a(kRate, 441), b(kRate, 441);
    a.feed(v.samples.data(), v.samples.size(), [&](const PitchFrame& f) { whole.push_back(f); });
    std::mt19937 rng(3);
    for (std::size_t at = 0; at < v.samples.size();) {
        const std::size_t n = std::min<std::size_t>(v.samples.size() - at, rng() % 1500 + 1);
        b.feed(v.samples.data() + at, n, [&](const PitchFrame& f) { pieces.push_back(f); });
        at += n;
    }
    ASSERT_EQ(whole.size(), pieces.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        ASSERT_EQ(whole[i].voiced, pieces[i].voiced) << i;
        ASSERT_EQ(whole[i].midi, pieces[i].midi) << i;
        ASSERT_EQ(whole[i].levelDb, pieces[i].levelDb) << i;
    }
}
