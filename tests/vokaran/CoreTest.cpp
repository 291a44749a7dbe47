// The engine core driven block by block, faster than real time, with the real synthesiser.
#include "TestSupport.h"

#include "core/EngineCore.h"
#include "core/RecMix.h"
#include "core/Recorder.h"
#include "core/SongPlayer.h"

using namespace vokaran;
using namespace vktest;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;

std::shared_ptr<const PreparedSong> prepare(const SongData& song) {
    std::string err;
    auto p = prepareSong(song, 1, err);
    EXPECT_TRUE(p) << err;
    return p;
}

struct Rig {
    EngineCore core{testSynth(), testEngineData()};
    std::vector<float> out = std::vector<float>(2 * kBlock);
    std::vector<float> voice = std::vector<float>(kBlock, 0.0f);

    // Renders `seconds` of audio and returns the left channel.
    std::vector<float> run(double seconds) {
        std::vector<float> left;
        const int blocks = static_cast<int>(std::ceil(seconds * kRate / kBlock));
        for (int b = 0; b < blocks; ++b) {
            core.process(out.data(), voice.data(), kBlock);
            for (int i = 0; i < kBlock; ++i) left.push_back(out[2 * i]);
        }
        return left;
    }
    // Blocks until the song ends (bounded), counting frames.
    long framesUntilEnd(long limit) {
        long frames = 0;
        while (core.playState() != PlayState::Stopped && frames < limit) {
            core.process(out.data(), voice.data(), kBlock);
            frames += kBlock;
        }
        return frames;
    }
};

SongData toneSong(int key, double seconds, int channel = 0) {
    MidiBuilder m;
    m.program(channel, 73).note(channel, 0.0, seconds, key, 110);
    return songWithMidi(m, seconds);
}

double medianPitch(const std::vector<float>& x, std::size_t from, std::size_t to) {
    std::vector<double> f;
    for (std::size_t at = from; at + 4096 <= to; at += 2048) {
        std::vector<float> frame(x.begin() + at, x.begin() + at + 4096);
        if (double hz = yinPitch(frame, kRate); hz > 0) f.push_back(hz);
    }
    if (f.empty()) return 0;
    std::nth_element(f.begin(), f.begin() + f.size() / 2, f.end());
    return f[f.size() / 2];
}

} // namespace

// Key +2 raises the rendered melody by two semitones, measured on the audio.
TEST(EngineCore, KeyShiftRaisesRenderedMelodyByTwoSemitones) {
    double hz[2];
    for (int k = 0; k < 2; ++k) {
        Rig rig;
        rig.core.setKey(k == 0 ? 0 : 2);
        ASSERT_TRUE(rig.core.play(prepare(toneSong(69, 2.0))));
        const auto audio = rig.run(1.5);
        hz[k] = medianPitch(audio, kRate / 4, audio.size());
        ASSERT_GT(hz[k], 0);
    }
    EXPECT_NEAR(hz[0], 440.0, 440.0 * 0.012);
    EXPECT_NEAR(1200.0 * std::log2(hz[1] / hz[0]), 200.0, 20.0);
}

// A key change ends held notes instead of leaving them hanging in the old key.
TEST(EngineCore, KeyChangeWhilePlayingEndsHeldNotes) {
    Rig rig;
    MidiBuilder m;
    m.program(0, 48).note(0, 0.0, 3.0, 69, 110);  // strings: sustain while held
    ASSERT_TRUE(rig.core.play(prepare(songWithMidi(m, 3.0))));
    rig.run(0.5);
    rig.core.setKey(3);
    rig.run(1.0);                     // release of the note sent before the change
    const auto after = rig.run(0.5);  // nothing new starts until the next note-on
    EXPECT_LT(rms(after.data(), after.size()), 1e-3);
}

// The drum channel sounds the same in any key.
TEST(EngineCore, DrumsAreNotTransposed) {
    MidiBuilder m;
    for (int i = 0; i < 8; ++i) m.note(9, i * 0.125, i * 0.125 + 0.1, i % 2 ? 38 : 36, 110);
    std::vector<float> audio[2];
    for (int k = 0; k < 2; ++k) {
        Rig rig;
        rig.core.setKey(k == 0 ? 0 : 6);
        ASSERT_TRUE(rig.core.play(prepare(songWithMidi(m, 1.2))));
        audio[k] = rig.run(1.0);
    }
    ASSERT_GT(rms(audio[0].data(), audio[0].size()), 0.01);
    std::vector<float> diff(audio[0].size());
    for (std::size_t i = 0; i < diff.size(); ++i) diff[i] = audio[0][i] - audio[1][i];
    EXPECT_LT(rms(diff.data(), diff.size()), 1e-3 * rms(audio[0].data(), audio[0].size()));
}

// Tempo 120 plays the song in 100/120 of its time, and engine time still counts score time.
TEST(EngineCore, TempoScalesPlayingTime) {
    const double seconds = 6.0;
    long frames[2];
    for (int i = 0; i < 2; ++i) {
        Rig rig;
        rig.core.setTempo(i == 0 ? 100 : 120);
        ASSERT_TRUE(rig.core.play(prepare(toneSong(60, seconds))));
        frames[i] = rig.framesUntilEnd(long(kRate * seconds * 2));
    }
    EXPECT_NEAR(frames[0] / double(kRate), seconds, 2.0 * kBlock / kRate);
    EXPECT_NEAR(frames[1] / double(kRate), seconds * 100 / 120, 2.0 * kBlock / kRate);
}

// Guide melody 0 silences the melody channel even while the song sends its own CC7.
TEST(EngineCore, MelodyVolumeZeroSurvivesTheSongsOwnVolumeChanges) {
    MidiBuilder m;
    m.program(0, 73).note(0, 0.0, 2.0, 72, 120);
    for (double t = 0.05; t < 2.0; t += 0.25) m.cc(0, t, 7, 127);
    const SongData song = songWithMidi(m, 2.0);
    double level[2];
    for (int i = 0; i < 2; ++i) {
        Rig rig;
        rig.core.setMelodyVolume(i == 0 ? 127 : 0);
        ASSERT_TRUE(rig.core.play(prepare(song)));
        const auto audio = rig.run(1.8);
        level[i] = rms(audio.data() + kRate / 2, audio.size() - kRate / 2);
    }
    ASSERT_GT(level[0], 0.01);
    EXPECT_LT(20 * std::log10(level[1] / level[0] + 1e-12), -60.0);
}

// Other channels keep playing when the guide melody is off; melody 64 is quieter than 127.
TEST(EngineCore, MelodyVolumeTouchesOnlyTheGuideChannels) {
    MidiBuilder m;
    m.program(2, 0).note(2, 0.0, 1.5, 60, 120);
    Rig rig;
    rig.core.setMelodyVolume(0);
    ASSERT_TRUE(rig.core.play(prepare(songWithMidi(m, 1.5))));
    const auto audio = rig.run(1.0);
    EXPECT_GT(rms(audio.data(), audio.size()), 0.01);
}

// Engine time follows the frames rendered: it stands still while paused and goes on after.
TEST(EngineCore, TimeFollowsRenderedAudioAcrossPauseAndResume) {
    Rig rig;
    ASSERT_TRUE(rig.core.play(prepare(toneSong(60, 30.0))));
    EXPECT_EQ(rig.core.songTime(), 0u);  // nothing rendered yet
    rig.run(1.0);
    const double t1 = rig.core.songTime() / double(kEngineTicksPerSecond);
    EXPECT_NEAR(t1, 87 * kBlock / double(kRate), 1e-3);  // ceil(44100 / 512) blocks
    ASSERT_TRUE(rig.core.pause());
    EXPECT_EQ(rig.core.playState(), PlayState::Paused);
    rig.run(2.0);
    EXPECT_NEAR(rig.core.songTime() / double(kEngineTicksPerSecond), t1, 1e-3);
    ASSERT_TRUE(rig.core.resume());
    rig.core.setTempo(80);
    rig.run(1.0);
    EXPECT_NEAR(rig.core.songTime() / double(kEngineTicksPerSecond), t1 + 0.8 * 87 * kBlock / double(kRate), 1e-3);
    ASSERT_TRUE(rig.core.stop());
    EXPECT_EQ(rig.core.songTime(), 0u);
}

// The end event is raised once when the song ends, and once by stop; play after the end
// starts afresh.
TEST(EngineCore, SongEndRaisesOneEventAndStopAnother) {
    Rig rig;
    ASSERT_TRUE(rig.core.play(prepare(toneSong(60, 0.5))));
    rig.framesUntilEnd(kRate * 2);
    EXPECT_EQ(rig.core.playState(), PlayState::Stopped);
    EXPECT_EQ(rig.core.takeEvents(), std::uint32_t(kEventSongEnded));
    rig.run(0.5);
    EXPECT_EQ(rig.core.takeEvents(), 0u);
    EXPECT_FALSE(rig.core.stop());
    ASSERT_TRUE(rig.core.play(prepare(toneSong(60, 5.0))));
    rig.run(0.1);
    ASSERT_TRUE(rig.core.stop());
    EXPECT_EQ(rig.core.takeEvents(), std::uint32_t(kEventSongEnded));
    EXPECT_FALSE(rig.core.pause());
}

// Recording takes the blocks played, not the paused ones; voice mono, music stereo.
TEST(EngineCore, RecordedFilesHaveThePlayedLength) {
    TempDir dir;
    Rig rig;
    std::fill(rig.voice.begin(), rig.voice.end(), 0.25f);
    std::string err;
    auto rec = Recorder::start(dir.file("v.pcm"), dir.file("m.pcm"), false, kRate, err);
    ASSERT_TRUE(rec) << err;
    rig.core.attachRecorder(rec.get());
    ASSERT_TRUE(rig.core.play(prepare(toneSong(60, 30.0))));
    rig.run(10 * kBlock / double(kRate));
    rig.core.pause();
    rig.run(5 * kBlock / double(kRate));
    rig.core.resume();
    rig.run(7 * kBlock / double(kRate));
    rig.core.detachRecorder();
    ASSERT_TRUE(rec->finish(err)) << err;
    EXPECT_EQ(rawFrames(dir.file("v.pcm"), 1), 17 * kBlock);
    EXPECT_EQ(rawFrames(dir.file("m.pcm"), 2), 17 * kBlock);
    const auto v = readBytes(dir.file("v.pcm"));
    EXPECT_EQ(std::int16_t(v[0] | v[1] << 8), 8192);  // 0.25 of full scale 32768
    EXPECT_EQ(rec->droppedFrames(), 0u);

    // Appending after a pause keeps what was there.
    auto again = Recorder::start(dir.file("v.pcm"), dir.file("m.pcm"), true, kRate, err);
    rig.core.attachRecorder(again.get());
    rig.run(3 * kBlock / double(kRate));
    rig.core.detachRecorder();
    ASSERT_TRUE(again->finish(err));
    EXPECT_EQ(rawFrames(dir.file("v.pcm"), 1), 20 * kBlock);
}

namespace {

void writeRaw(const std::string& path, const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> b;
    for (auto s : samples) { b.push_back(std::uint16_t(s) & 0xFF); b.push_back(std::uint16_t(s) >> 8); }
    writeBytes(path, b);
}

struct MixCase { int voiceGain, musicGain, delayMs; };

} // namespace

class RecMixLevels : public ::testing::TestWithParam<MixCase> {};

// The mixed WAV is as long as the longer recording (the voice shortened by the delay), the
// voice is moved earlier by the delay, and each source is scaled by its gain.
TEST_P(RecMixLevels, MixFollowsGainsAndMicDelay) {
    const auto c = GetParam();
    TempDir dir;
    const int frames = kRate;  // one second
    std::vector<std::int16_t> voice(frames, 0), music(2 * frames, 1000);
    voice[22050] = 8000;  // a click at 0.5 s
    writeRaw(dir.file("v.pcm"), voice);
    writeRaw(dir.file("m.pcm"), music);
    MixToFile mix;
    std::string err;
    ASSERT_TRUE(mix.start(dir.file("v.pcm"), dir.file("m.pcm"), dir.file("o.wav"), {c.voiceGain, c.musicGain, c.delayMs}, kRate, err)) << err;
    mix.join();
    ASSERT_TRUE(mix.succeeded());
    WavData wav;
    ASSERT_TRUE(readWav(dir.file("o.wav"), wav, err)) << err;
    ASSERT_EQ(wav.channels, 2);
    ASSERT_EQ(wav.samples.size(), std::size_t(2 * frames));
    const int clickAt = 22050 - c.delayMs * kRate / 1000;
    const float musicLevel = 1000 / 32768.0f * c.musicGain / 100.0f;
    const float clickLevel = musicLevel + 8000 / 32768.0f * c.voiceGain / 100.0f;
    EXPECT_NEAR(wav.samples[2 * clickAt], clickLevel, 2e-4);
    EXPECT_NEAR(wav.samples[2 * clickAt + 1], clickLevel, 2e-4);
    EXPECT_NEAR(wav.samples[2 * (clickAt + 10)], musicLevel, 2e-4);
    EXPECT_NEAR(wav.samples[2 * (clickAt - 10)], musicLevel, 2e-4);
}

INSTANTIATE_TEST_SUITE_P(Gains, RecMixLevels,
                         ::testing::Values(MixCase{100, 100, 0}, MixCase{50, 100, 0}, MixCase{100, 25, 0},
                                           MixCase{200, 0, 0}, MixCase{100, 100, 120}, MixCase{0, 100, 300}),
                         [](const ::testing::TestParamInfo<MixCase>& info) {
                             return "voice" + std::to_string(info.param.voiceGain) + "_music" +
                                    std::to_string(info.param.musicGain) + "_delay" + std::to_string(info.param.delayMs);
                         });

// A voice longer than the music decides the length; a missing music file counts as silence.
TEST(RecMix, LengthIsTheLongerRecording) {
    TempDir dir;
    writeRaw(dir.file("v.pcm"), std::vector<std::int16_t>(3 * kRate, 100));
    writeRaw(dir.file("m.pcm"), std::vector<std::int16_t>(2 * kRate, 100));
    EXPECT_EQ(recordingSeconds(dir.file("v.pcm"), dir.file("m.pcm"), kRate), 3);
    EXPECT_EQ(recordingSeconds(dir.file("v.pcm"), dir.file("none.pcm"), kRate), 3);
    EXPECT_EQ(recordingSeconds(dir.file("none.pcm"), dir.file("none2.pcm"), kRate), -1);
    writeRaw(dir.file("e1.pcm"), {});
    writeRaw(dir.file("e2.pcm"), {});
    EXPECT_EQ(recordingSeconds(dir.file("e1.pcm"), dir.file("e2.pcm"), kRate), 0);
    MixToFile mix;
    std::string err;
    ASSERT_TRUE(mix.start(dir.file("v.pcm"), dir.file("none.pcm"), dir.file("o.wav"), {}, kRate, err)) << err;
    mix.join();
    WavData wav;
    ASSERT_TRUE(readWav(dir.file("o.wav"), wav, err));
    EXPECT_EQ(wav.samples.size(), std::size_t(2 * 3 * kRate));
}

// Live playback of the mix delivers the same frames through the engine thread's pull.
TEST(RecMix, LivePlaybackPlaysTheMixAndReportsItsEnd) {
    TempDir dir;
    writeRaw(dir.file("v.pcm"), std::vector<std::int16_t>(kRate / 2, 3276));
    writeRaw(dir.file("m.pcm"), std::vector<std::int16_t>(kRate, 0));
    MixPlayback playback;
    std::string err;
    ASSERT_TRUE(playback.start(dir.file("v.pcm"), dir.file("m.pcm"), {50, 100, 0}, kRate, err)) << err;
    std::vector<float> out(2 * kBlock);
    long frames = 0;
    bool ended = false;
    for (int guard = 0; guard < 200000 && !ended; ++guard) {
        std::fill(out.begin(), out.end(), 0.0f);
        const auto before = playback.framesPlayed();
        ended = playback.pullAdd(out.data(), kBlock);
        if (playback.framesPlayed() > before && frames == 0) {
            EXPECT_NEAR(out[0], 0.05f, 1e-3);
        }
        frames = static_cast<long>(playback.framesPlayed());
        if (!ended && playback.framesPlayed() == before) std::this_thread::yield();  // reader catching up
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(frames, kRate / 2);
    EXPECT_TRUE(playback.finished());
}

// Pulls one block that holds sound (the reader may still be filling); returns the first
// frame's left sample, or a negative value when nothing came.
float pullSounding(MixPlayback& playback, std::vector<float>& out) {
    for (int guard = 0; guard < 200000; ++guard) {
        std::fill(out.begin(), out.end(), 0.0f);
        const auto before = playback.framesPlayed();
        playback.pullAdd(out.data(), kBlock);
        if (playback.framesPlayed() > before) return out[0];
        std::this_thread::yield();
    }
    return -1.0f;
}

// Catches: a heard position that jumps by a whole block at each pull (a picture kept in step
// with it stutters), or one that runs past what was handed to the device.
TEST(RecMix, HeardPositionMovesOnWithinABlockAndNeverPassesWhatWasPlayed) {
    TempDir dir;
    writeRaw(dir.file("v.pcm"), std::vector<std::int16_t>(2 * kRate, 1000));
    writeRaw(dir.file("m.pcm"), std::vector<std::int16_t>(4 * kRate, 0));
    MixPlayback playback;
    std::string err;
    ASSERT_TRUE(playback.start(dir.file("v.pcm"), dir.file("m.pcm"), {}, kRate, err)) << err;
    std::vector<float> out(2 * 16384);
    // One block of about 370 ms: just after the pull it is only beginning to be heard.
    for (int guard = 0; guard < 5000 && playback.framesBuffered() < 16384; ++guard)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the reader filling the ring
    const std::uint64_t start = playback.framesPlayed();
    playback.pullAdd(out.data(), 16384);
    ASSERT_EQ(playback.framesPlayed(), start + 16384);
    EXPECT_LT(playback.framesHeard(), start + 16384);
    EXPECT_GE(playback.framesHeard(), start);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(playback.framesHeard(), start + 16384);
    // Paused, what was handed over has been heard.
    playback.pullAdd(out.data(), 16384);
    playback.setPaused(true);
    EXPECT_EQ(playback.framesHeard(), playback.framesPlayed());
}

// A voice whose every sample tells where it lies: frame i holds i / 100.
void writeRamp(const std::string& path, int frames) {
    std::vector<std::int16_t> v(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) v[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i / 100);
    writeRaw(path, v);
}

// Catches: a seek that plays frames read before it (the ring not emptied), a position that
// lags the seek, a paused mix that ignores it, and a finished mix that cannot come back.
TEST(RecMix, LivePlaybackSeeksPlayingPausedAndAfterItsEnd) {
    TempDir dir;
    writeRamp(dir.file("v.pcm"), 3 * kRate);
    writeRaw(dir.file("m.pcm"), std::vector<std::int16_t>(2 * 3 * kRate, 0));
    MixPlayback playback;
    std::string err;
    ASSERT_TRUE(playback.start(dir.file("v.pcm"), dir.file("m.pcm"), {}, kRate, err)) << err;
    EXPECT_EQ(playback.totalFrames(), std::uint64_t(3 * kRate));
    std::vector<float> out(2 * kBlock);
    const auto valueAt = [](std::uint64_t frame) { return static_cast<float>(frame / 100) / 32768.0f; };
    ASSERT_NEAR(pullSounding(playback, out), valueAt(0), 1e-6);

    // Playing: from 1.5 s on at once.
    const std::uint64_t middle = 3 * kRate / 2;
    playback.seek(middle);
    EXPECT_EQ(playback.framesPlayed(), middle);
    ASSERT_NEAR(pullSounding(playback, out), valueAt(middle), 1e-6);
    EXPECT_EQ(playback.framesPlayed(), middle + kBlock);

    // Paused: the position moves, nothing sounds, and play goes on from there.
    playback.setPaused(true);
    playback.seek(kRate / 2);
    for (int i = 0; i < 50; ++i) {
        std::fill(out.begin(), out.end(), 0.0f);
        playback.pullAdd(out.data(), kBlock);
        EXPECT_EQ(out[0], 0.0f);
    }
    EXPECT_EQ(playback.framesPlayed(), std::uint64_t(kRate / 2));
    playback.setPaused(false);
    ASSERT_NEAR(pullSounding(playback, out), valueAt(kRate / 2), 1e-6);

    // Past the end it stops at the end; after the end a seek brings it back.
    playback.seek(10 * kRate);
    EXPECT_EQ(playback.framesPlayed(), std::uint64_t(3 * kRate));
    bool ended = false;
    for (int guard = 0; guard < 200000 && !ended; ++guard) {
        ended = playback.pullAdd(out.data(), kBlock);
        if (!ended) std::this_thread::yield();
    }
    ASSERT_TRUE(ended);
    EXPECT_TRUE(playback.finished());
    playback.seek(kRate);
    ASSERT_NEAR(pullSounding(playback, out), valueAt(kRate), 1e-6);
    EXPECT_FALSE(playback.finished());
}

// A cancelled mix leaves no WAV behind that could pass for a finished one.
TEST(RecMix, CancelledMixRemovesItsFile) {
    TempDir dir;
    std::ofstream(dir.file("v.pcm")).close();
    std::filesystem::resize_file(dir.file("v.pcm"), 120ull * kRate * 2);
    {
        MixToFile mix;
        std::string err;
        ASSERT_TRUE(mix.start(dir.file("v.pcm"), dir.file("none.pcm"), dir.file("o.wav"), {}, kRate, err)) << err;
    }  // destroyed while mixing: cancelled
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.wav")));
}
