// Monitoring with echo and room: changes while singing do not click, the echo repeats at its
// time and level, fixed rooms keep their own echo, and the monitored voice reaches the output
// but not the music recording.
#include "VoiceSynth.h"

#include "Vokaran.h"
#include "core/Wav.h"
#include "song/Utf.h"
#include "voice/VoiceEffects.h"

#include <functional>

using namespace vokaran;
using namespace vktest;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;

// Runs a steady voice through the effects for `seconds`, in device blocks; returns the left channel.
std::vector<float> runVoice(VoiceEffects& fx, double seconds, double& phase, double amplitude = 0.3) {
    std::vector<float> left;
    std::vector<float> in(kBlock), out(2 * kBlock);
    for (int done = 0; done < seconds * kRate; done += kBlock) {
        for (auto& x : in) {
            x = static_cast<float>(amplitude * std::sin(phase));
            phase += 2 * M_PI * 220 / kRate;
        }
        std::fill(out.begin(), out.end(), 0.0f);
        fx.process(in.data(), out.data(), kBlock);
        for (int i = 0; i < kBlock; ++i) left.push_back(out[2 * i]);
    }
    return left;
}

// The largest jump of the signal's slope: a smooth 220 Hz output keeps it tiny, a click not.
double roughness(const std::vector<float>& x) {
    double worst = 0, peak = 1e-9;
    for (std::size_t i = 2; i < x.size(); ++i) {
        worst = std::max(worst, std::abs(double(x[i]) - 2 * x[i - 1] + x[i - 2]));
        peak = std::max(peak, std::abs(double(x[i])));
    }
    return worst / peak;
}

struct Change {
    const char* name;
    std::function<void(VoiceEffects&)> apply;
};

class NoClicks : public ::testing::TestWithParam<Change> {};

} // namespace

// Each change made while singing glides: the output after it is as smooth as a steady voice.
TEST_P(NoClicks, ChangeWhileSinging) {
    VoiceEffects fx(kRate);
    fx.setRoomMode(6);
    fx.setMonitoring(true);
    double phase = 0;
    runVoice(fx, 1.0, phase);
    GetParam().apply(fx);
    const auto after = runVoice(fx, 0.4, phase);
    EXPECT_LT(roughness(after), 0.01) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Effects, NoClicks, ::testing::Values(
    Change{"KTV to concert", [](VoiceEffects& f) { f.setRoomMode(5); }},
    Change{"KTV to studio", [](VoiceEffects& f) { f.setRoomMode(1); }},
    Change{"KTV to dry", [](VoiceEffects& f) { f.setRoomMode(0); }},
    Change{"user echo", [](VoiceEffects& f) { f.setRoomMode(7); f.setEchoLevel(127); f.setEchoDepth(120); }},
    Change{"volume", [](VoiceEffects& f) { f.setVolume(20); }},
    Change{"monitoring off", [](VoiceEffects& f) { f.setMonitoring(false); }}),
    [](const auto& info) { std::string n = info.param.name; for (auto& c : n) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_'; return n; });

// Switched on while the singer already sings: it fades in.
TEST(VoiceEffects, MonitoringFadesIn) {
    VoiceEffects fx(kRate);
    double phase = 0;
    runVoice(fx, 0.5, phase);  // off: nothing added
    fx.setMonitoring(true);
    const auto after = runVoice(fx, 0.3, phase);
    EXPECT_LT(roughness(after), 0.01);
    EXPECT_GT(std::abs(after.back()) + std::abs(after[after.size() - 50]), 0.0f);
}

// In the user room an impulse comes back after the echo time, as loud as the level asks;
// at level 0 it does not; the fixed rooms report their own echo.
TEST(VoiceEffects, EchoRepeatsAtItsTimeAndLevel) {
    auto echoPeak = [](int level) {
        VoiceEffects fx(kRate);
        fx.setRoomMode(0);  // dry: no room, no echo, so the impulse passes alone
        fx.setMonitoring(true);
        fx.setVolume(128);
        std::vector<float> in(kRate / 2, 0.0f), out(2 * in.size(), 0.0f);
        fx.process(in.data(), out.data(), kBlock * 8);  // let the gains settle
        fx.setRoomMode(7);
        fx.setEchoLevel(level);
        fx.setEchoDepth(0);
        std::fill(out.begin(), out.end(), 0.0f);
        fx.process(in.data(), out.data(), kBlock * 8);
        in[0] = 1.0f;
        std::fill(out.begin(), out.end(), 0.0f);
        fx.process(in.data(), out.data(), int(in.size()));
        const std::size_t at = std::size_t(0.2 * kRate);  // the user room's echo time
        float peak = 0, elsewhere = 0;
        for (std::size_t i = 100; i < in.size(); ++i) {
            const float v = std::abs(out[2 * i]);
            if (i + 20 > at && i < at + 20) peak = std::max(peak, v);
            else if (i + 2000 < at) elsewhere = std::max(elsewhere, v);
        }
        return std::make_pair(peak, elsewhere);
    };
    const auto [loud, quietBefore] = echoPeak(127);
    EXPECT_GT(loud, 0.2f);
    EXPECT_LT(quietBefore, 0.05f);
    EXPECT_LT(echoPeak(0).first, 0.02f);

    VoiceEffects fx(kRate);
    fx.setRoomMode(6);
    EXPECT_EQ(fx.setEchoDepth(10), 76);  // KTV keeps its own echo
    fx.setRoomMode(7);
    EXPECT_EQ(fx.echoDepth(), 10);       // the user room has the value set
    EXPECT_EQ(fx.setEchoLevel(-1), VoiceEffects::kDefaultLevel);
    EXPECT_FALSE(fx.setRoomMode(3));
    EXPECT_EQ(fx.roomMode(), 7);
}

// Through the exports: the monitored voice is heard in the output; the music recording, made
// from the same blocks, holds only the (here silent) music.
TEST(MonitoringApi, VoiceReachesTheOutputNotTheRecording) {
    TempDir dir;
    writeTestEngineData(dir);
    std::vector<std::int16_t> tone(3 * kRate);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<std::int16_t>(6000 * std::sin(2 * M_PI * 330 * i / kRate));
    WavWriter w;
    std::string err;
    ASSERT_TRUE(w.open(dir.file("mic.wav"), kRate, 1, err));
    w.write(tone.data(), tone.size());
    ASSERT_TRUE(w.close(err));
    setenv("VOKARAN_AUDIO", "file", 1);
    setenv("VOKARAN_AUDIO_PACE", "fast", 1);
    setenv("VOKARAN_AUDIO_IN", dir.file("mic.wav").c_str(), 1);
    setenv("VOKARAN_AUDIO_OUT", dir.file("out.wav").c_str(), 1);
    ASSERT_EQ(VokaOpenW(wide(dir.file("engine.sdc")).c_str()), VOKA_OK);
    EXPECT_EQ(MicSetRoomMode(3), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MicSetEchoDeep(128), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MicSetVolume(129), VOKA_ERR_BAD_ARGUMENT);
    ASSERT_EQ(MicSetRoomMode(1), VOKA_OK);
    EXPECT_EQ(MicSetEchoLevel(100), 25);  // the studio's own
    ASSERT_EQ(MicSetVolume(128), VOKA_OK);
    ASSERT_EQ(MicOut_Play(), VOKA_OK);
    ASSERT_EQ(VokaSetVolume(0), VOKA_OK);
    const auto v = wide(dir.file("v.pcm")), m = wide(dir.file("m.pcm"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(StartRecording(), VOKA_OK);
    MidiBuilder midi;
    midi.note(0, 0.1, 0.5, 60);
    const auto song = writeSongFile(songWithMidi(midi, 1.0));
    ASSERT_EQ(VokaPlayFromBuffer(song.data(), static_cast<long long>(song.size())), VOKA_OK);
    for (int i = 0; i < 2000 && VokaGetPlayState() != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(VokaGetPlayState(), 0);
    ASSERT_EQ(StopRecording(), VOKA_OK);
    VokaClose();
    unsetenv("VOKARAN_AUDIO_IN");
    unsetenv("VOKARAN_AUDIO_OUT");

    WavData out;
    ASSERT_TRUE(readWav(dir.file("out.wav"), out, err)) << err;
    ASSERT_GT(out.samples.size(), std::size_t(2 * kRate));
    // Past the fade-in, the output carries the voice (level about 6000/32768 = 0.18 peak).
    EXPECT_GT(rms(out.samples.data() + 2 * kRate / 2, std::size_t(kRate / 4), 2), 0.08);
    const auto music = readBytes(dir.file("m.pcm"));
    ASSERT_FALSE(music.empty());
    EXPECT_TRUE(std::all_of(music.begin(), music.end(), [](std::uint8_t b) { return b == 0; }));
}
