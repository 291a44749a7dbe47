// The microphone delay measurement: the correlation on synthetic captures (delays, noise,
// reflections, silence, clipping), then the whole path through the engine and the file
// device's loop-back, faster than real time.
#include "TestSupport.h"

#include "Vokaran.h"
#include "song/Utf.h"
#include "voice/DelayProbe.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>

using namespace vokaran;
using namespace vktest;

namespace {

constexpr int kRate = 44100;
constexpr int kMaxMs = 1000;

std::vector<float> probe() { return delayProbeSignal(kRate, kRate * 4 / 10); }

// The probe coming back `delayMs` later at `gain`, under white noise `snrDb` below it.
std::vector<float> capture(const std::vector<float>& p, double delayMs, float gain, double snrDb, unsigned seed = 7) {
    std::vector<float> c(p.size() + std::size_t(kRate) * kMaxMs / 1000, 0.0f);
    const auto d = static_cast<std::size_t>(std::lround(delayMs * kRate / 1000.0));
    for (std::size_t i = 0; i < p.size() && i + d < c.size(); ++i) c[i + d] += gain * p[i];
    const double signalRms = gain * rms(p.data(), p.size());
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, float(signalRms * std::pow(10.0, -snrDb / 20.0)));
    for (auto& x : c) x += noise(rng);
    return c;
}

int toMs(const DelayEstimate& e) { return static_cast<int>(std::lround(e.delayFrames * 1000.0 / kRate)); }

class DelayAtSnr : public ::testing::TestWithParam<int> {};

} // namespace

// Catches a delay found at the wrong lag (an off-by-a-block or a sign error) anywhere in the
// range singers meet, with room noise 20 dB below the returning signal.
TEST_P(DelayAtSnr, FindsTheDelayWithinTwoMilliseconds) {
    const auto p = probe();
    for (unsigned seed : {1u, 2u, 3u}) {
        const DelayEstimate e = estimateDelay(p, capture(p, GetParam(), 0.3f, 20, seed), kRate * kMaxMs / 1000);
        ASSERT_EQ(e.verdict, DelayVerdict::Measured) << "quality " << e.peakQuality;
        EXPECT_NEAR(toMs(e), GetParam(), 2) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Delays, DelayAtSnr, ::testing::Values(20, 55, 100, 150, 237, 320, 400),
                         [](const auto& info) { return std::to_string(info.param) + "ms"; });

// Catches a room reflection taken for the path: the direct sound comes first even when a
// later wall echoes it as loudly.
TEST(DelayProbe, TakesTheDirectSoundBeforeAnEquallyLoudReflection) {
    const auto p = probe();
    auto c = capture(p, 120, 0.2f, 30);
    const auto echo = capture(p, 180, 0.22f, 200);
    for (std::size_t i = 0; i < c.size(); ++i) c[i] += echo[i];
    const DelayEstimate e = estimateDelay(p, c, kRate * kMaxMs / 1000);
    ASSERT_EQ(e.verdict, DelayVerdict::Measured);
    EXPECT_NEAR(toMs(e), 120, 2);
}

// Catches a number made up from nothing: headphones (silence), a noisy room with no echo, and
// an overloaded microphone are each refused for what they are.
TEST(DelayProbe, RefusesSilenceNoiseAloneAndClipping) {
    const auto p = probe();
    const int max = kRate * kMaxMs / 1000;
    std::vector<float> silent(p.size() + std::size_t(max), 0.0f);
    EXPECT_EQ(estimateDelay(p, silent, max).verdict, DelayVerdict::Silent);

    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 0.01f);  // -40 dBFS, nothing of the probe
    std::vector<float> room(silent.size());
    for (auto& x : room) x = noise(rng);
    EXPECT_EQ(estimateDelay(p, room, max).verdict, DelayVerdict::Unclear);

    auto loud = capture(p, 150, 6.0f, 40);
    for (auto& x : loud) x = std::clamp(x, -1.0f, 1.0f);
    const DelayEstimate clipped = estimateDelay(p, loud, max);
    EXPECT_EQ(clipped.verdict, DelayVerdict::Clipped);
    EXPECT_GT(clipped.clippedShare, 0.001);
}

namespace {


// The engine on a file device whose output comes back into its microphone.
class EngineDelay : public ::testing::Test {
protected:
    void SetUp() override {
        useFastFileDevice();
        writeTestEngineData(dir);
    }
    void TearDown() override {
        VokaClose();
        for (const char* v : {"VOKARAN_AUDIO_LOOPBACK_MS", "VOKARAN_AUDIO_LOOPBACK_GAIN", "VOKARAN_AUDIO_NOISE_DB"})
            unsetenv(v);
    }
    int open(const char* loopMs, const char* noiseDb) {
        if (loopMs) setenv("VOKARAN_AUDIO_LOOPBACK_MS", loopMs, 1);
        if (noiseDb) setenv("VOKARAN_AUDIO_NOISE_DB", noiseDb, 1);
        return VokaOpenW(wide(dir.file("engine.sdc")).c_str());
    }
    TempDir dir;
};

class EngineDelayAt : public EngineDelay, public ::testing::WithParamInterface<int> {};

} // namespace

// Catches the path between the output and the microphone counted wrongly (a block early or
// late, the device's own frames added): the file device's loop-back is measured as set, with
// its noise 20 dB under the returning signal (-20 dBFS at the default gain).
TEST_P(EngineDelayAt, MeasuresTheFileDevicesLoopBack) {
    const std::string ms = std::to_string(GetParam());
    ASSERT_EQ(open(ms.c_str(), "-40"), VOKA_OK);
    const int measured = VokaMeasureMicDelay();
    ASSERT_GE(measured, 0) << "code " << measured;
    EXPECT_NEAR(measured, GetParam(), 2);
}

INSTANTIATE_TEST_SUITE_P(LoopBack, EngineDelayAt, ::testing::Values(20, 150, 400),
                         [](const auto& info) { return std::to_string(info.param) + "ms"; });

// Catches headphones read as a delay, a measurement that cannot be refused, and a delay
// setting that scoring never sees.
TEST_F(EngineDelay, WithoutLoopBackNothingIsMeasuredAndTheSettingStays) {
    ASSERT_EQ(open(nullptr, nullptr), VOKA_OK);
    ASSERT_EQ(VokaSetMicDelay(120), VOKA_OK);
    EXPECT_EQ(VokaMeasureMicDelay(), VOKA_ERR_DELAY_SILENT);
    EXPECT_EQ(VokaGetMicDelay(), 120);
    EXPECT_EQ(VokaSetMicDelay(2001), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(VokaGetMicDelay(), 120);
    VokaSetMicDelay(0);
}

TEST_F(EngineDelay, TheFileDeviceRefusesALoopBackShorterThanABlock) {
    EXPECT_EQ(open("5", nullptr), VOKA_ERR_DEVICE);
    unsetenv("VOKARAN_AUDIO_LOOPBACK_MS");
    setenv("VOKARAN_AUDIO_NOISE_DB", "loud", 1);
    EXPECT_EQ(VokaOpenW(wide(dir.file("engine.sdc")).c_str()), VOKA_ERR_DEVICE);
}

TEST(EngineDelayClosed, NeedsAnOpenEngine) { EXPECT_EQ(VokaMeasureMicDelay(), VOKA_ERR_NOT_OPEN); }
