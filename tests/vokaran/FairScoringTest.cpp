// Contest scoring with the song leaking from the speakers into the microphone: the leak is
// found at its delay and removed, a silent singer scores nothing at any leak level, a singer
// keeps their score, and without a leak (headphones) the analysis hears exactly the
// microphone. Generated here: a voice, the rendered song and their mixes.
#include "VoiceSynth.h"

#include "scoring/VoiceScoring.h"
#include "voice/EchoCanceller.h"

#include <cmath>

using namespace vokaran;
using namespace vktest;

namespace {

constexpr int kRate = 44100;

struct Song {
    SongData data;
    std::vector<SungNote> melody;
    std::vector<float> guideOn, guideOff;  // the output as the music recording keeps it, mono
};

const Song& song() {
    static const Song s = [] {
        Song x;
        x.data = melodySong(&x.melody, true);
        x.guideOn = renderOutput(x.data, 127);
        x.guideOff = renderOutput(x.data, 0);
        return x;
    }();
    return s;
}

std::vector<float> voice(double transpose = 0) {
    VoiceStyle style;
    style.vowel = true;
    style.jitterCents = 15;
    style.scatter = 0.03;
    style.transpose = transpose;
    auto v = singVoice(song().melody, double(song().guideOn.size()) / kRate, style).samples;
    v.resize(song().guideOn.size(), 0.0f);
    return v;
}

std::vector<float> silence() { return std::vector<float>(song().guideOn.size(), 0.0f); }

std::vector<float> leak(std::vector<float> mic, const std::vector<float>& out, double db, double delaySeconds) {
    return withLeak(std::move(mic), out, db, delaySeconds);
}

struct Events : VoiceListener {
    std::vector<WordScore> words;
    std::vector<LineScore> lines;
    void word(const WordScore& w, const ScoreTotals&) override { words.push_back(w); }
    void line(const LineScore& l, const ScoreTotals&) override { lines.push_back(l); }
};

struct Result {
    ScoreTotals totals;
    Events events;
    bool found = false;
    int delay = 0;
    double quality = 0;
};

// Scored as the engine scores live: reference = the output, unless null (no cancellation).
Result score(const std::vector<float>& mic, const std::vector<float>* ref, bool guide = true, int deviceDelay = 0,
             std::size_t chunk = 512) {
    VoiceScoring vs(kRate, 512, ScoreSettings{}, buildScoreSong(song().data));
    if (ref) vs.enableEchoCancellation(deviceDelay);
    Result r;
    VoiceBlock block;
    block.guide = guide;
    for (std::size_t at = 0; at < mic.size(); at += chunk) {
        const std::size_t n = std::min(chunk, mic.size() - at);
        vs.feed(mic.data() + at, ref ? ref->data() + at : nullptr, n, block, r.events);
    }
    vs.finish(r.events);
    r.totals = vs.totals();
    if (const auto* e = vs.echoCanceller()) {
        r.found = e->leakFound();
        r.delay = e->leakDelay();
        r.quality = e->bestPeakQuality();
    }
    return r;
}

const Result& clean() {
    static const Result r = score(voice(), nullptr);
    return r;
}

void expectSameScores(const Result& a, const Result& b) {
    ASSERT_EQ(a.events.words.size(), b.events.words.size());
    for (std::size_t i = 0; i < a.events.words.size(); ++i) {
        EXPECT_EQ(a.events.words[i].pitch, b.events.words[i].pitch) << "word " << i;
        EXPECT_EQ(a.events.words[i].rhythm, b.events.words[i].rhythm) << "word " << i;
    }
    ASSERT_EQ(a.events.lines.size(), b.events.lines.size());
    for (std::size_t i = 0; i < a.events.lines.size(); ++i) EXPECT_EQ(a.events.lines[i].expression, b.events.lines[i].expression);
    EXPECT_EQ(a.totals.total, b.totals.total);
}

struct Leak {
    const char* name;
    double db, delay;   // the leak's level against the output and its delay
    int deviceDelay;    // what the device says its latency is (samples)
};

class LeakRejection : public ::testing::TestWithParam<Leak> {};

// A silent singer whose speakers play the song scores nothing, whatever the leak's level and
// delay, and whether or not the device's latency is right; the leak is found at its delay.
TEST_P(LeakRejection, SilentSingerScoresNothing) {
    const Leak& k = GetParam();
    const auto r = score(leak(silence(), song().guideOn, k.db, k.delay), &song().guideOn, true, k.deviceDelay);
    EXPECT_LE(r.totals.total, 5);
    EXPECT_TRUE(r.found);
    EXPECT_NEAR(r.delay, k.delay * kRate, 2 * EchoCanceller::kDecimation);
}

INSTANTIATE_TEST_SUITE_P(Leaks, LeakRejection,
    ::testing::Values(Leak{"Minus30dBAt10ms", -30, 0.01, 0}, Leak{"Minus15dBAt10ms", -15, 0.01, 0},
                      Leak{"Minus6dBAt10ms", -6, 0.01, 0}, Leak{"Minus15dBAt250ms", -15, 0.25, 0},
                      Leak{"DeviceLatencyRight", -15, 0.05, 2205}, Leak{"DeviceLatency300msTooLong", -15, 0.01, 13671}),
    [](const auto& info) { return std::string(info.param.name); });

// The output arriving `delay(i)` samples late (linear interpolation), at `db`: the leak of a
// microphone and speakers on two clocks, whose delay wanders.
template <typename Delay>
std::vector<float> wanderingLeak(std::vector<float> mic, const std::vector<float>& out, double db, Delay delay) {
    const float g = float(std::pow(10.0, db / 20.0));
    for (std::size_t i = 0; i < mic.size(); ++i) {
        const double at = double(i) - delay(i);
        if (at < 0 || at + 1 >= double(out.size())) continue;
        const auto k = std::size_t(at);
        const double f = at - double(k);
        mic[i] = std::clamp(mic[i] + g * float((1 - f) * out[k] + f * out[k + 1]), -1.0f, 1.0f);
    }
    return mic;
}

struct Wander {
    const char* name;
    double ppm;        // the clocks' drift: the delay grows by this share of the time played
    double jumpEvery;  // seconds between jumps of a block (512 samples) forth and back; 0: none
};

class WanderingLeak : public ::testing::TestWithParam<Wander> {};

// Microphone and speakers on two devices: the leak's delay drifts, or jumps by a block when a
// capture ring skips or repeats one. The leak stays rejected and the singer keeps the score.
TEST_P(WanderingLeak, StaysRejected) {
    const Wander& w = GetParam();
    auto delay = [&](std::size_t i) {
        double d = 0.01 * kRate + w.ppm * 1e-6 * double(i);
        if (w.jumpEvery > 0 && std::size_t(double(i) / (w.jumpEvery * kRate)) % 2) d += 512;
        return d;
    };
    const auto silent = score(wanderingLeak(silence(), song().guideOn, -15, delay), &song().guideOn);
    EXPECT_LE(silent.totals.total, 5);
    const auto sung = score(wanderingLeak(voice(), song().guideOn, -15, delay), &song().guideOn);
    EXPECT_NEAR(sung.totals.total, clean().totals.total, 2);
}

INSTANTIATE_TEST_SUITE_P(Clocks, WanderingLeak,
    ::testing::Values(Wander{"Drift500ppm", 500, 0}, Wander{"BlockJumpsEvery4s", 0, 4},
                      Wander{"DriftAndJumps", 200, 5}),
    [](const auto& info) { return std::string(info.param.name); });

// A singer with the song leaking keeps the score they get with headphones; the leak is found
// even under the voice.
TEST(LeakRejection, SingerKeepsTheirScore) {
    for (double db : {-15.0, -6.0}) {
        const auto r = score(leak(voice(), song().guideOn, db, 0.01), &song().guideOn);
        EXPECT_TRUE(r.found) << db << " quality " << r.quality;
        EXPECT_NEAR(r.totals.total, clean().totals.total, 2) << db;
        EXPECT_GE(r.totals.pitch, 95) << db;
    }
}

// No leak (headphones): nothing is found and the scores are exactly those without
// cancellation, for a singer on the melody (whose notes the guide plays too) and one off it.
TEST(LeakRejection, HeadphonesChangeNothing) {
    const auto r = score(voice(), &song().guideOn);
    EXPECT_FALSE(r.found) << r.quality;
    expectSameScores(r, clean());
    const auto off = voice(3);
    expectSameScores(score(off, &song().guideOn), score(off, nullptr));
}

// Guide melody off: the accompaniment's leak is still removed, and the singer keeps the score.
TEST(LeakRejection, GuideMelodyOff) {
    const auto silent = score(leak(silence(), song().guideOff, -15, 0.01), &song().guideOff, false);
    EXPECT_LE(silent.totals.total, 5);
    const auto sung = score(leak(voice(), song().guideOff, -15, 0.01), &song().guideOff, false);
    EXPECT_NEAR(sung.totals.total, clean().totals.total, 2);
}

// With the guide melody off, what the canceller leaves of the accompaniment while it finds a
// leak whose delay has jumped sounds the accompaniment's notes, whose chord tones are the
// melody's: it is not credited, and the singer keeps the score.
TEST(LeakRejection, AccompanimentLeftoverAfterDelayJumps) {
    auto delay = [](std::size_t i) { return 0.01 * kRate + (std::size_t(double(i) / (3.0 * kRate)) % 2 ? 512.0 : 0.0); };
    const auto silent = score(wanderingLeak(silence(), song().guideOff, -15, delay), &song().guideOff, false);
    EXPECT_LE(silent.totals.total, 5);
    const auto sung = score(wanderingLeak(voice(), song().guideOff, -15, delay), &song().guideOff, false);
    EXPECT_NEAR(sung.totals.total, clean().totals.total, 2);
}

// Cancellation works in fixed frames from the song's start: the same samples in other blocks
// give the same scores (the live analysis and the tool agree).
TEST(LeakRejection, ScoresDoNotDependOnBlockSizes) {
    const auto mic = leak(voice(), song().guideOn, -6, 0.02);
    expectSameScores(score(mic, &song().guideOn, true, 0, 512), score(mic, &song().guideOn, true, 0, 333));
}

// A clipping microphone (a loud singer over a loud leak) and a second singer off the melody:
// the singer is not cancelled.
TEST(LeakRejection, ClippingAndASecondVoice) {
    auto loud = voice();
    for (auto& x : loud) x *= 3;
    const auto clipped = score(leak(loud, song().guideOn, 0, 0.01), &song().guideOn);
    EXPECT_GE(clipped.totals.pitch, 90);
    EXPECT_GE(clipped.totals.total, clean().totals.total - 5);

    auto two = voice();
    const auto other = voice(-5);
    for (std::size_t i = 0; i < two.size(); ++i) two[i] += 0.3f * other[i];
    const auto r = score(two, &song().guideOn);
    EXPECT_FALSE(r.found);
    expectSameScores(r, score(two, nullptr));
}

} // namespace
