// The C exports: getters with their byte layouts, calls in the wrong order, the data file,
// callbacks, recording and mixing through a file-backed device that runs faster than real time.
#include "TestSupport.h"

#include "Vokaran.h"
#include "core/Wav.h"
#include "song/Utf.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

using namespace vokaran;
using namespace vktest;

namespace {


std::mutex gMutex;
std::condition_variable gCv;
int gSongEnds = 0;
int gMixEnds = 0;
void onSongEnd() { std::lock_guard g(gMutex); ++gSongEnds; gCv.notify_all(); }
void onMixEnd() { std::lock_guard g(gMutex); ++gMixEnds; gCv.notify_all(); }

// Waits for a callback count with a generous bound; a hang fails the test instead of blocking.
bool waitFor(const int& counter, int value) {
    std::unique_lock g(gMutex);
    return gCv.wait_for(g, std::chrono::seconds(20), [&] { return counter >= value; });
}

std::vector<std::uint8_t> songBytes(double seconds = 1.0) {
    MidiBuilder m;
    m.program(0, 73).note(0, 0.1, 0.5, 69).note(0, 0.5, 0.9, 71).note(9, 0.0, 0.2, 36);
    SongData s = songWithMidi(m, seconds);
    SongPart p2;
    p2.number = 2;
    p2.voiceType = 3;
    p2.lines.push_back({u"合唱一句", true, 2, et(0.2), et(0.8)});
    p2.words.push_back({et(0.2), et(0.4), 0, 0, u"合", u"he"});
    p2.words.push_back({et(0.4), et(0.4), 0, 1, u"唱", u"chang"});  // zero length: the model drops it
    p2.words.push_back({et(0.5), et(0.8), 3, 2, u"一", u"yi"});     // outside any line
    p2.countIns.push_back({et(0.2), 3});
    p2.notes.push_back({et(0.2), et(0.8), 55, {0, 0, 96, 1}});
    p2.notes.push_back({et(0.3), et(0.6), 81, {1, 0, 96, 1}});       // overlaps the first
    s.parts.push_back(p2);
    return writeSongFile(s);
}

class EngineApi : public ::testing::Test {
protected:
    void SetUp() override {
        useFastFileDevice();
        writeTestEngineData(dir);
        gSongEnds = gMixEnds = 0;
    }
    void TearDown() override {
        VokaSetCBFun(nullptr);
        VokaSetMixCBFun(nullptr);
        VokaClose();
    }
    void open() { ASSERT_EQ(VokaOpenW(wide(dir.file("engine.sdc")).c_str()), VOKA_OK); }
    TempDir dir;
};

} // namespace

// Getters hand out records whose bytes sit where the module reads them.
TEST_F(EngineApi, GettersReturnTheSongsRecordsByteExact) {
    const auto bytes = songBytes();
    ASSERT_EQ(VokaOpenLyricsFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    const VokaLyricLine* lines = nullptr;
    int n = -1;
    ASSERT_EQ(sGetMidiLyrics(&lines, &n, 1), 1);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(lines);
    auto i32 = [](const std::uint8_t* p) { std::int32_t v; std::memcpy(&v, p, 4); return v; };
    auto text = [](const std::uint8_t* p) { return std::u16string(reinterpret_cast<const char16_t*>(p)); };
    EXPECT_EQ(text(raw + 128), u"一二");
    EXPECT_EQ(i32(raw + 380), 0);
    EXPECT_EQ(i32(raw + 384), 1);
    EXPECT_EQ(i32(raw + 388), std::int32_t(et(0.1)));
    EXPECT_EQ(i32(raw + 392), std::int32_t(et(0.9)));

    ASSERT_EQ(sGetMidiLyrics2(&lines, &n, 1), 1);
    raw = reinterpret_cast<const std::uint8_t*>(lines);
    EXPECT_EQ(text(raw + 128), u"合唱一句");
    EXPECT_NE(i32(raw + 380), 0);
    EXPECT_EQ(i32(raw + 384), 2);

    const VokaLyricWord* words = nullptr;
    ASSERT_EQ(sGetMidiLyricsScan2(&words, &n, 1), 3);
    raw = reinterpret_cast<const std::uint8_t*>(words);
    EXPECT_EQ(i32(raw + 4), std::int32_t(et(0.2)));
    EXPECT_EQ(i32(raw + 8), std::int32_t(et(0.4)));
    EXPECT_EQ(i32(raw + 12), 0);
    EXPECT_EQ(text(raw + 48), u"合");
    EXPECT_EQ(i32(raw + 2 * 112 + 12), 3);  // kept as stored; the model drops it

    const VokaPhonetic *ps1 = nullptr, *ps2 = nullptr;
    ASSERT_EQ(sGetMidiLyricsPS(&ps1, &ps2), VOKA_OK);
    raw = reinterpret_cast<const std::uint8_t*>(ps2);
    EXPECT_EQ(text(raw + 100 + 32), u"chang");
    EXPECT_EQ(i32(raw + 100 + 96), 1);
    EXPECT_EQ(text(reinterpret_cast<const std::uint8_t*>(ps1) + 100 + 32), u"er");

    const VokaCountIn* counts = nullptr;
    EXPECT_EQ(sGetPlayCount(&counts, &n), 0);
    ASSERT_EQ(sGetPlayCount2(&counts, &n), 1);
    raw = reinterpret_cast<const std::uint8_t*>(counts);
    EXPECT_EQ(i32(raw), std::int32_t(et(0.2)));
    EXPECT_EQ(i32(raw + 4), 3);

    const VokaMelodyNote* notes = nullptr;
    ASSERT_EQ(sGetMelodyNotes(1, &notes, &n), 2);
    raw = reinterpret_cast<const std::uint8_t*>(notes);
    EXPECT_EQ(i32(raw + 88 + 0), std::int32_t(et(0.5)));
    EXPECT_EQ(i32(raw + 88 + 8), 71);
    EXPECT_EQ(i32(raw + 88 + 12), 1);   // word index
    EXPECT_EQ(i32(raw + 88 + 20), 96);  // velocity
    EXPECT_EQ(GetMelodyType1(), 2);
    EXPECT_EQ(GetMelodyType2(), 3);
    EXPECT_EQ(GetMidiTopNote(-1), 69);
    EXPECT_EQ(GetMidiTopNote(1), 71);
    EXPECT_EQ(GetMidiTopNote(-2), 55);
    EXPECT_EQ(GetMidiTopNote(2), 81);
    EXPECT_EQ(VokaGetTotalTime(), 1);
}

// A song with one part: the second part's getters give empty arrays and "no notes".
TEST_F(EngineApi, MissingPartGivesEmptyArraysAndNegativeTopNotes) {
    MidiBuilder m;
    m.note(0, 0, 0.5, 60);
    const auto bytes = writeSongFile(songWithMidi(m, 0.6));
    ASSERT_EQ(VokaOpenLyricsFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    const VokaLyricLine* lines = reinterpret_cast<const VokaLyricLine*>(1);
    int n = -1;
    EXPECT_EQ(sGetMidiLyrics2(&lines, &n, 1), 0);
    EXPECT_EQ(lines, nullptr);
    EXPECT_EQ(GetMelodyType2(), 0);
    EXPECT_LT(GetMidiTopNote(-2), 0);
    EXPECT_LT(GetMidiTopNote(2), 0);
}

// Calls in the wrong order get a clear code and change nothing.
TEST_F(EngineApi, CallsOutOfOrderReturnClearCodes) {
    VokaClose();
    const VokaLyricLine* lines = nullptr;
    int n = 0;
    EXPECT_EQ(sGetMidiLyrics(&lines, &n, 1), VOKA_ERR_NO_SONG);
    EXPECT_EQ(GetMidiTopNote(1), VOKA_ERR_NO_SONG);
    EXPECT_EQ(VokaGetTotalTime(), VOKA_ERR_NO_SONG);
    const auto bytes = songBytes();
    EXPECT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_ERR_NOT_OPEN);
    EXPECT_EQ(VokaStop(), VOKA_ERR_NOT_OPEN);
    EXPECT_EQ(StartRecording(), VOKA_ERR_NOT_OPEN);
    EXPECT_EQ(VokaGetPlayState(), 0);
    open();
    EXPECT_EQ(VokaPauseStop(), VOKA_ERR_STATE);
    EXPECT_EQ(VokaPausePlay(), VOKA_ERR_STATE);
    EXPECT_EQ(VokaStop(), VOKA_ERR_STATE);
    EXPECT_EQ(StartRecording(), VOKA_ERR_STATE);  // no names yet
    EXPECT_EQ(StopRecording(), VOKA_ERR_STATE);
    EXPECT_EQ(RecMixStop(), VOKA_ERR_STATE);
    EXPECT_EQ(RecMixSeek(1000), VOKA_ERR_STATE);
    EXPECT_EQ(RecMixSeek(-1), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(GetRecMixPlayPosMs(), 0);
    EXPECT_EQ(sGetMidiLyrics(&lines, &n, 2), VOKA_ERR_NOT_SUPPORTED);
    EXPECT_EQ(VokaSetKey(7), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(VokaSetTempo(63), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MidiSetMelodyVolume(128), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(SetMixMicDelay(-1), VOKA_ERR_BAD_ARGUMENT);
    auto damaged = bytes;
    damaged[damaged.size() / 2] ^= 0x10;
    EXPECT_EQ(VokaPlayFromBuffer(damaged.data(), static_cast<long long>(damaged.size())), VOKA_ERR_CHECKSUM);
    EXPECT_EQ(VokaOpenLyricsFromBuffer(damaged.data(), 9), VOKA_ERR_BAD_SONG);
    EXPECT_EQ(VokaGetPlayState(), 0);
}

TEST_F(EngineApi, MissingOrInvalidDataFileFailsToOpen) {
    EXPECT_LT(VokaOpenW(wide(dir.file("absent.sdc")).c_str()), 0);
    std::ofstream(dir.file("bad.sdc")) << "VOKARAN-ENGINE-DATA 1\nsample_rate = fast\n";
    EXPECT_LT(VokaOpenW(wide(dir.file("bad.sdc")).c_str()), 0);
    std::ofstream(dir.file("nosf.sdc")) << "VOKARAN-ENGINE-DATA 1\nsoundfont = missing.sf2\n";
    EXPECT_LT(VokaOpenW(wide(dir.file("nosf.sdc")).c_str()), 0);
    EXPECT_LT(VokaOpenW(nullptr), 0);
}

// The end callback fires when the song ends by itself and after VokaStop, once each.
TEST_F(EngineApi, EndCallbackFiresAtTheEndAndAfterStop) {
    open();
    VokaSetCBFun(&onSongEnd);
    const auto bytes = songBytes(0.5);
    ASSERT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    ASSERT_TRUE(waitFor(gSongEnds, 1));
    EXPECT_EQ(VokaGetPlayState(), 0);
    EXPECT_EQ(VokaStop(), VOKA_ERR_STATE);  // stop after the end: nothing to stop

    const auto longSong = songBytes(600.0);
    ASSERT_EQ(VokaPlayFromBuffer(longSong.data(), static_cast<long long>(longSong.size())), VOKA_OK);
    ASSERT_EQ(VokaPauseStop(), VOKA_OK);
    EXPECT_EQ(VokaGetPlayState(), 2);
    ASSERT_EQ(VokaStop(), VOKA_OK);
    ASSERT_TRUE(waitFor(gSongEnds, 2));
    EXPECT_EQ(VokaStop(), VOKA_ERR_STATE);
    EXPECT_EQ(gSongEnds, 2);
}

// Recording into a folder that does not exist fails clearly and leaves nothing running.
TEST_F(EngineApi, RecordingIntoAMissingFolderFails) {
    open();
    const auto v = wide(dir.file("no/such/voice.pcm")), m = wide(dir.file("no/such/music.pcm"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    EXPECT_EQ(StartRecording(), VOKA_ERR_IO);
    EXPECT_EQ(StopRecording(), VOKA_ERR_STATE);
    EXPECT_LT(GetRecMixPlayTotalTimeW(v.c_str(), m.c_str()), 0);
}

// A whole song recorded through the exports: both files cover the song; the mix is a WAV
// as long as the recording, and a second mix while one runs is refused without harm.
TEST_F(EngineApi, RecordPlayAndMixThroughTheExports) {
    open();
    VokaSetCBFun(&onSongEnd);
    VokaSetMixCBFun(&onMixEnd);
    const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm")), w = wide(dir.file("mix.wav"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(StartRecording(), VOKA_OK);
    const auto bytes = songBytes(3.0);
    ASSERT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    ASSERT_TRUE(waitFor(gSongEnds, 1));
    ASSERT_EQ(StopRecording(), VOKA_OK);
    const auto voiceBytes = std::filesystem::file_size(dir.file("voice.pcm"));
    const auto musicBytes = std::filesystem::file_size(dir.file("music.pcm"));
    EXPECT_EQ(musicBytes, 2 * voiceBytes);
    // Whole blocks while the song played: 3 s, rounded up to the 512-frame device block.
    EXPECT_NEAR(double(voiceBytes) / 2 / 44100, 3.0, 512.0 / 44100 + 1e-9);
    EXPECT_EQ(GetRecMixPlayTotalTimeW(v.c_str(), m.c_str()), 3);

    ASSERT_EQ(RecMixSaveW(v.c_str(), m.c_str(), w.c_str()), VOKA_OK);
    ASSERT_TRUE(waitFor(gMixEnds, 1));
    // The worker clears its busy state before it reports the end.
    EXPECT_EQ(GetRecMixState(), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("mix.wav")), 44 + musicBytes);
}

// A second mix while one runs is refused and does not disturb the first.
TEST_F(EngineApi, SecondMixWhileOneRunsIsRefused) {
    open();
    VokaSetMixCBFun(&onMixEnd);
    // Two minutes of silence (sparse files): the first mix surely still runs at the second call.
    std::ofstream(dir.file("voice.pcm")).close();
    std::ofstream(dir.file("music.pcm")).close();
    std::filesystem::resize_file(dir.file("voice.pcm"), 120ull * 44100 * 2);
    std::filesystem::resize_file(dir.file("music.pcm"), 120ull * 44100 * 4);
    const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm"));
    ASSERT_EQ(RecMixSaveW(v.c_str(), m.c_str(), wide(dir.file("a.wav")).c_str()), VOKA_OK);
    EXPECT_EQ(RecMixSaveW(v.c_str(), m.c_str(), wide(dir.file("b.wav")).c_str()), VOKA_ERR_BUSY);
    EXPECT_EQ(GetRecMixState(), 1);
    ASSERT_TRUE(waitFor(gMixEnds, 1));
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.wav")));
    EXPECT_EQ(std::filesystem::file_size(dir.file("a.wav")), 44 + 120ull * 44100 * 4);
}

// Stopping a mix into a file ends it at once and removes its WAV: nothing passes for a mix.
TEST_F(EngineApi, RecMixStopEndsAMixIntoAFileAndRemovesItsWav) {
    open();
    VokaSetMixCBFun(&onMixEnd);
    std::ofstream(dir.file("voice.pcm")).close();
    std::ofstream(dir.file("music.pcm")).close();
    std::filesystem::resize_file(dir.file("voice.pcm"), 600ull * 44100 * 2);
    std::filesystem::resize_file(dir.file("music.pcm"), 600ull * 44100 * 4);
    const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm"));
    ASSERT_EQ(RecMixSaveW(v.c_str(), m.c_str(), wide(dir.file("a.wav")).c_str()), VOKA_OK);
    ASSERT_EQ(RecMixStop(), VOKA_OK);
    EXPECT_EQ(GetRecMixState(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.wav")));
    // With nothing running it says so, as before.
    EXPECT_EQ(RecMixStop(), VOKA_ERR_STATE);
}

namespace {

std::vector<std::int16_t> readRaw(const std::string& path) {
    const auto b = readBytes(path);
    std::vector<std::int16_t> s(b.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>(b[2 * i] | b[2 * i + 1] << 8);
    return s;
}

} // namespace

// The microphone of the file device is what the voice file records; the saved mix is the
// music and the voice with the gains set through the exports, the voice moved by the delay.
TEST_F(EngineApi, RecordedVoiceAndSavedMixFollowTheSettings) {
    std::vector<std::int16_t> tone(5 * 44100);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<std::int16_t>(9830 * std::sin(2 * M_PI * 440 * i / 44100.0));
    {
        WavWriter mic;
        std::string err;
        ASSERT_TRUE(mic.open(dir.file("mic.wav"), 44100, 1, err));
        mic.write(tone.data(), tone.size());
        ASSERT_TRUE(mic.close(err));
    }
    setenv("VOKARAN_AUDIO_IN", dir.file("mic.wav").c_str(), 1);
    open();
    VokaSetCBFun(&onSongEnd);
    VokaSetMixCBFun(&onMixEnd);
    const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm")), w = wide(dir.file("mix.wav"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(StartRecording(), VOKA_OK);
    const auto bytes = songBytes(1.0);
    ASSERT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    ASSERT_TRUE(waitFor(gSongEnds, 1));
    ASSERT_EQ(StopRecording(), VOKA_OK);
    const auto voice = readRaw(dir.file("voice.pcm"));
    const auto music = readRaw(dir.file("music.pcm"));
    ASSERT_GE(voice.size(), 44100u);
    std::vector<float> vf(voice.begin(), voice.begin() + 8192);
    for (auto& x : vf) x /= 32768.0f;
    EXPECT_NEAR(rms(vf.data(), vf.size()), 0.3 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(yinPitch(vf, 44100), 440.0, 2.0);

    ASSERT_EQ(SetMixVoiceGain(50), VOKA_OK);
    ASSERT_EQ(SetMixMusicGain(200), VOKA_OK);
    ASSERT_EQ(SetMixMicDelay(10), VOKA_OK);  // 441 frames
    ASSERT_EQ(RecMixSaveW(v.c_str(), m.c_str(), w.c_str()), VOKA_OK);
    ASSERT_TRUE(waitFor(gMixEnds, 1));
    WavData mix;
    std::string err;
    ASSERT_TRUE(readWav(dir.file("mix.wav"), mix, err)) << err;
    ASSERT_EQ(mix.samples.size(), music.size());  // the music is the longer one
    for (std::size_t i = 0; i + 441 < voice.size(); i += 1009) {
        const float expected = std::clamp(music[2 * i] * 2.0f + voice[i + 441] * 0.5f, -32768.0f, 32767.0f) / 32768.0f;
        ASSERT_NEAR(mix.samples[2 * i], expected, 1.5f / 32768) << i;
    }
}

// Live playback of a recording goes through the output device and reports its end.
TEST_F(EngineApi, LiveMixPlaybackReachesTheOutput) {
    std::ofstream(dir.file("v.pcm"), std::ios::binary).close();
    {
        std::vector<std::uint8_t> b;
        for (int i = 0; i < 22050; ++i) { b.push_back(0xCC); b.push_back(0x0C); }  // 3276 = 0.1
        writeBytes(dir.file("v.pcm"), b);
        writeBytes(dir.file("m.pcm"), std::vector<std::uint8_t>(4 * 22050, 0));
    }
    setenv("VOKARAN_AUDIO_OUT", dir.file("out.wav").c_str(), 1);
    open();
    VokaSetMixCBFun(&onMixEnd);
    const auto v = wide(dir.file("v.pcm")), m = wide(dir.file("m.pcm"));
    EXPECT_EQ(RecMixPlay(), VOKA_ERR_STATE);  // no names yet
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(SetMixVoiceGain(200), VOKA_OK);
    ASSERT_EQ(RecMixPlay(), VOKA_OK);
    ASSERT_TRUE(waitFor(gMixEnds, 1));
    EXPECT_EQ(GetRecMixState(), 0);
    EXPECT_EQ(GetRecMixPlayTime(), 0);  // half a second, in whole seconds
    ASSERT_EQ(RecMixStop(), VOKA_OK);
    VokaClose();  // closes the output file
    WavData out;
    std::string err;
    ASSERT_TRUE(readWav(dir.file("out.wav"), out, err)) << err;
    long loud = 0;
    for (std::size_t i = 0; i < out.samples.size(); i += 2)
        if (std::abs(out.samples[i] - 0.2f) < 0.01f) ++loud;
    EXPECT_EQ(loud, 22050);
}

// A performance paused and resumed (recording stopped at the pause and resumed, appending,
// with VokaSetRecording(0)) records the whole song: the paused time leaves no gap or loss.
TEST_F(EngineApi, PauseAndResumeKeepTheWholeRecording) {
    open();
    VokaSetCBFun(&onSongEnd);
    const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(StartRecording(), VOKA_OK);
    const auto bytes = songBytes(10.0);  // long enough that the pause surely comes before its end
    ASSERT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    ASSERT_EQ(VokaPauseStop(), VOKA_OK);
    ASSERT_EQ(StopRecording(), VOKA_OK);
    const auto atPause = std::filesystem::file_size(dir.file("voice.pcm"));
    EXPECT_EQ(VokaGetPlayState(), 2);
    ASSERT_EQ(VokaSetRecording(0), VOKA_OK);  // before resuming, so no block slips through
    ASSERT_EQ(VokaPausePlay(), VOKA_OK);
    ASSERT_TRUE(waitFor(gSongEnds, 1));
    ASSERT_EQ(StopRecording(), VOKA_OK);
    const auto total = std::filesystem::file_size(dir.file("voice.pcm"));
    EXPECT_GT(total, atPause);
    EXPECT_NEAR(double(total) / 2 / 44100, 10.0, 2 * 512.0 / 44100);
    EXPECT_EQ(std::filesystem::file_size(dir.file("music.pcm")), 2 * total);
}

// A recording that cannot be written (a full disk) is reported by StopRecording.
TEST_F(EngineApi, FailedRecordingWritesAreReported) {
    open();
    VokaSetCBFun(&onSongEnd);
    ASSERT_EQ(SetRecNames(L"/dev/full", L"/dev/full"), VOKA_OK);
    ASSERT_EQ(StartRecording(), VOKA_OK);
    const auto bytes = songBytes(1.0);
    ASSERT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    ASSERT_TRUE(waitFor(gSongEnds, 1));
    EXPECT_EQ(StopRecording(), VOKA_ERR_IO);
}

// A paused live mix moved by a seek reports the new place in milliseconds and in seconds, and
// keeps it while paused (the position a playback window shows after the user moved it).
TEST_F(EngineApi, LiveMixSeekMovesThePositionWhilePaused) {
    writeBytes(dir.file("v.pcm"), std::vector<std::uint8_t>(2 * 3 * 44100, 0));
    writeBytes(dir.file("m.pcm"), std::vector<std::uint8_t>(4 * 3 * 44100, 0));
    setenv("VOKARAN_AUDIO_OUT", dir.file("out.wav").c_str(), 1);
    open();
    const auto v = wide(dir.file("v.pcm")), m = wide(dir.file("m.pcm"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(RecMixPlay(), VOKA_OK);
    ASSERT_EQ(RecMixPause(1), VOKA_OK);
    ASSERT_EQ(RecMixSeek(2250), VOKA_OK);
    EXPECT_EQ(GetRecMixPlayPosMs(), 2250);
    EXPECT_EQ(GetRecMixPlayTime(), 2);
    // The engine thread takes the seek on its next blocks; the place stays.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(GetRecMixPlayPosMs(), 2250);
    EXPECT_EQ(GetRecMixState(), 3);
    ASSERT_EQ(RecMixSeek(60000), VOKA_OK);  // past the end: the end
    EXPECT_EQ(GetRecMixPlayPosMs(), 3000);
    ASSERT_EQ(RecMixStop(), VOKA_OK);
    EXPECT_EQ(RecMixSeek(0), VOKA_ERR_STATE);
}

namespace {
// The song-end callback of the late-loss test: holds the event thread while `gHold` is set.
std::mutex gHoldMutex;
std::condition_variable gHoldCv;
bool gHold = false;
int gHeld = 0;
void onSongEndHeld() {
    std::unique_lock g(gHoldMutex);
    ++gHeld;
    gHoldCv.notify_all();
    gHoldCv.wait(g, [] { return !gHold; });
}
bool waitHeld(int value) {
    std::unique_lock g(gHoldMutex);
    return gHoldCv.wait_for(g, std::chrono::seconds(20), [&] { return gHeld >= value; });
}
} // namespace

// A device fails, and before the engine's event thread gets to its report a new device is
// chosen: the late report concerns a device no longer in use and must not switch the new one
// off (the engine would sit on the null device until the next choice).
TEST_F(EngineApi, LateLossReportOfAReplacedDeviceLeavesTheNewDeviceOn) {
    open();
    const auto bytes = songBytes();
    gHold = true;
    gHeld = 0;
    ASSERT_EQ(VokaSetCBFun(&onSongEndHeld), VOKA_OK);
    ASSERT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    ASSERT_EQ(VokaStop(), VOKA_OK);
    ASSERT_TRUE(waitHeld(1));  // the event thread stands in the callback
    // A device that fails at its first block; its report waits behind the held event thread.
    setenv("VOKARAN_AUDIO_FAIL_AFTER", "0", 1);
    ASSERT_EQ(VokaSetAudioID(0), VOKA_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // lets its thread report
    unsetenv("VOKARAN_AUDIO_FAIL_AFTER");
    ASSERT_EQ(VokaSetAudioID(0), VOKA_OK);  // the new choice, a working device
    {
        std::lock_guard g(gHoldMutex);
        gHold = false;
    }
    gHoldCv.notify_all();
    // One more song end: the event thread has handled the late report once it calls back.
    ASSERT_EQ(VokaPlayFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
    ASSERT_EQ(VokaStop(), VOKA_OK);
    ASSERT_TRUE(waitHeld(2));
    EXPECT_EQ(MicIn_Start(), VOKA_OK);  // 1 would mean the null device (no microphone)
    MicIn_Stop();
}
