// Live contest scoring through the exports, on the file-backed device running faster than real
// time: the callbacks and getters, the recording scored again by vokaran-score, and bad input
// (no song, no microphone, a silent microphone).
#include "VoiceSynth.h"

#include "Vokaran.h"
#include "core/Wav.h"
#include "scoring/ScoreModel.h"
#include "song/Utf.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <thread>

using namespace vokaran;
using namespace vktest;

namespace {


struct Event {
    char kind;  // 'w' word, 'l' line
    int words, pitch, rhythm, expression, running, total;
    std::thread::id thread;
};

std::mutex gMutex;
std::condition_variable gCv;
std::vector<Event> gEvents;
std::vector<int> gNotes;
int gMicCalls = 0;
int gSongEnds = 0;

void onWord() {
    const Event e{'w', VokaPKGetWordCount(), VokaPKGetPitchWordScore(), VokaPKGetTempoWordScore(), 0, 0,
                  VokaPKGetTotalScore(), std::this_thread::get_id()};
    std::lock_guard g(gMutex);
    gEvents.push_back(e);
}
void onLine() {
    const Event e{'l', VokaPKGetWordCount(), VokaPKGetPitchLineScore(), VokaPKGetTempoLineScore(),
                  VokaPKGetEmotionLineScore(), VokaPKGetEmotionScore(), VokaPKGetTotalScore(), std::this_thread::get_id()};
    std::lock_guard g(gMutex);
    gEvents.push_back(e);
}
void onMic() {
    const int note = VokaGetCurMicNote();
    VokaGetMidiTime();  // the module reads the time here: takes the exports' lock
    std::lock_guard g(gMutex);
    ++gMicCalls;
    gNotes.push_back(note);
}
void onSongEnd() {
    std::lock_guard g(gMutex);
    ++gSongEnds;
    gCv.notify_all();
}

bool waitSongEnds(int n) {
    std::unique_lock g(gMutex);
    return gCv.wait_for(g, std::chrono::seconds(30), [&] { return gSongEnds >= n; });
}

class LiveScoringApi : public ::testing::Test {
protected:
    void SetUp() override {
        useFastFileDevice();
        writeTestEngineData(dir);
        std::lock_guard g(gMutex);
        gEvents.clear();
        gNotes.clear();
        gMicCalls = gSongEnds = 0;
    }
    void TearDown() override {
        VokaSetCBFun(nullptr);
        VokaSetPK_WordEnd_CBFun(nullptr);
        VokaSetPK_LineEnd_CBFun(nullptr);
        VokaSetPK_MIC_CBFun(nullptr);
        VokaSetPKMode(0);
        VokaSetEvaluating(0);
        VokaClose();
    }
    void open() { ASSERT_EQ(VokaOpenW(wide(dir.file("engine.sdc")).c_str()), VOKA_OK); }
    // Plays the song in contest mode and waits for its end.
    void sing(const std::vector<std::uint8_t>& song) {
        VokaSetCBFun(&onSongEnd);
        ASSERT_EQ(VokaSetPKMode(1), VOKA_OK);
        ASSERT_EQ(VokaSetEvaluating(1), VOKA_OK);
        ASSERT_GE(MicIn_Start(), 0);
        ASSERT_EQ(VokaOpenLyricsFromBuffer(song.data(), static_cast<long long>(song.size())), VOKA_OK);
        ASSERT_EQ(VokaPlayFromBuffer(song.data(), static_cast<long long>(song.size())), VOKA_OK);
        ASSERT_TRUE(waitSongEnds(1));
    }
    void writeVoice(const std::vector<float>& samples) {
        std::vector<std::int16_t> s16(samples.size());
        for (std::size_t i = 0; i < s16.size(); ++i) s16[i] = static_cast<std::int16_t>(std::lrint(std::clamp(samples[i], -1.0f, 0.99997f) * 32768.0f));
        WavWriter w;
        std::string err;
        ASSERT_TRUE(w.open(dir.file("voice.wav"), 44100, 1, err)) << err;
        w.write(s16.data(), s16.size());
        ASSERT_TRUE(w.close(err)) << err;
        setenv("VOKARAN_AUDIO_IN", dir.file("voice.wav").c_str(), 1);
    }
    TempDir dir;
};

std::string run(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

// vokaran-score on the performance just recorded gives the live word, line and total scores.
void expectToolAgrees(const std::vector<Event>& events, const TempDir& dir) {
    const std::string cmd = std::string(VK_DIST_DIR) + "/vokaran-score --data " + dir.file("engine.sdc") + " --music " +
                            dir.file("music.pcm") + " " + dir.file("song.mic") + " " + dir.file("voice.pcm");
    std::istringstream out(run(cmd));
    std::string kind;
    std::size_t i = 0;
    int total = -1;
    while (out >> kind) {
        int n, a, b, c;
        std::string k1, k2, k3;
        if (kind == "word") {
            out >> n >> k1 >> a >> k2 >> b >> k3 >> c;  // word N line L pitch P rhythm R
            ASSERT_LT(i, events.size());
            while (events[i].kind != 'w') ++i;
            EXPECT_EQ(b, events[i].pitch) << "word " << n;
            EXPECT_EQ(c, events[i].rhythm) << "word " << n;
            ++i;
        } else if (kind == "line") {
            out >> n >> k1 >> a >> k2 >> b >> k3 >> c;  // line N pitch P rhythm R expression E
            ASSERT_LT(i, events.size());
            ASSERT_EQ(events[i].kind, 'l');
            EXPECT_EQ(a, events[i].pitch) << "line " << n;
            EXPECT_EQ(b, events[i].rhythm) << "line " << n;
            EXPECT_EQ(c, events[i].expression) << "line " << n;
            ++i;
        } else if (kind == "total") {
            out >> total;
        } else {
            out >> n;
        }
    }
    EXPECT_EQ(i, events.size()) << cmd;
    EXPECT_EQ(total, VokaPKGetTotalScore()) << cmd;
}

} // namespace

// A voice on the melody, scored live: every word and every line is reported once, in order,
// on an engine thread, with the getters giving that word's and line's numbers; the recording,
// scored again by vokaran-score, gives the very same numbers.
TEST_F(LiveScoringApi, CallbacksInOrderAndTheRecordingScoresTheSame) {
    std::vector<SungNote> melody;
    const SongData data = melodySong(&melody);
    const auto song = writeSongFile(data);
    writeBytes(dir.file("song.mic"), song);
    writeVoice(singVoice(melody, double(data.songEnd) / kEngineTicksPerSecond, VoiceStyle{}).samples);
    open();
    VokaSetPK_WordEnd_CBFun(&onWord);
    VokaSetPK_LineEnd_CBFun(&onLine);
    VokaSetPK_MIC_CBFun(&onMic);
    const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(StartRecording(), VOKA_OK);
    sing(song);
    ASSERT_EQ(StopRecording(), VOKA_OK);
    ASSERT_EQ(MicIn_Stop(), VOKA_OK);
    EXPECT_EQ(VokaGetCurMicNote(), 0);

    const auto model = buildScoreSong(data);
    std::vector<Event> events;
    {
        std::lock_guard g(gMutex);
        events = gEvents;
    }
    ASSERT_EQ(events.size(), model->words.size() + model->lines.size());
    int words = 0, lines = 0;
    for (const auto& e : events) {
        EXPECT_NE(e.thread, std::this_thread::get_id());
        if (e.kind == 'w') {
            EXPECT_EQ(e.words, ++words);
        } else {
            EXPECT_EQ(e.words, model->lines[std::size_t(lines++)].lastWord + 1);
        }
    }
    EXPECT_EQ(VokaPKGetWordCount(), 20);
    EXPECT_GE(VokaPKGetTotalScore(), 80);
    EXPECT_EQ(VokaPKGetTotalScore(), events.back().total);
    {
        std::lock_guard g(gMutex);
        EXPECT_GT(gMicCalls, 1000);  // one per 11.6 ms of a 15 s song
        int inMelody = 0;
        for (int n : gNotes) inMelody += n >= 60 && n <= 72;
        EXPECT_GT(inMelody, gMicCalls / 2);
    }

    // The recording scored again, with the music as the reference.
    expectToolAgrees(events, dir);
}

// The song leaking from the speakers into the microphone (the file device's input holds the
// output, 100 ms late, at -15 dB; the device reads its input from its start, a few blocks
// before the song starts, so the leak arrives up to that much earlier): live, a silent singer scores nothing and a singer on the
// melody scores as a singer; the voice recording keeps the leak (it is recorded as sung) and
// vokaran-score with the music recording gives the live numbers.
TEST_F(LiveScoringApi, SpeakersLeakingTheSong) {
    std::vector<SungNote> melody;
    const SongData data = melodySong(&melody, true);
    const auto song = writeSongFile(data);
    writeBytes(dir.file("song.mic"), song);
    const auto output = renderOutput(data);
    VoiceStyle style;
    style.vowel = true;
    const auto sung = singVoice(melody, double(output.size()) / 44100, style).samples;
    for (const bool singing : {false, true}) {
        SCOPED_TRACE(singing ? "singing" : "silent");
        const auto mic = withLeak(singing ? sung : std::vector<float>(output.size(), 0.0f), output, -15, 0.1);
        writeVoice(mic);
        {
            std::lock_guard g(gMutex);
            gEvents.clear();
            gSongEnds = 0;
        }
        open();
        VokaSetPK_WordEnd_CBFun(&onWord);
        VokaSetPK_LineEnd_CBFun(&onLine);
        const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm"));
        ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
        ASSERT_EQ(StartRecording(), VOKA_OK);
        sing(song);
        ASSERT_EQ(StopRecording(), VOKA_OK);
        const int total = VokaPKGetTotalScore();
        if (singing) EXPECT_GE(total, 85);
        else EXPECT_LE(total, 5);
        // The voice file is the microphone as captured, leak included.
        const auto recorded = readBytes(dir.file("voice.pcm"));
        ASSERT_GE(recorded.size(), 2 * 44100u * 5);
        double energy = 0;
        for (std::size_t i = 0; i + 1 < recorded.size(); i += 2) {
            const double x = static_cast<std::int16_t>(recorded[i] | recorded[i + 1] << 8) / 32768.0;
            energy += x * x;
        }
        EXPECT_GT(energy, 1.0);
        std::vector<Event> events;
        {
            std::lock_guard g(gMutex);
            events = gEvents;
        }
        expectToolAgrees(events, dir);
        VokaClose();
    }
}

// vokaran-score refuses a music recording that cannot be this performance's, and the
// reference's options without a reference.
TEST_F(LiveScoringApi, ToolRefusesABadReference) {
    writeBytes(dir.file("song.mic"), writeSongFile(melodySong()));
    writeBytes(dir.file("voice.pcm"), std::vector<std::uint8_t>(44100 * 2, 0));
    writeBytes(dir.file("odd.pcm"), std::vector<std::uint8_t>(44100 * 4 + 2, 0));
    WavWriter w;
    std::string err;
    ASSERT_TRUE(w.open(dir.file("music22k.wav"), 22050, 2, err)) << err;
    const std::vector<std::int16_t> z(2 * 22050, 0);
    w.write(z.data(), 22050);
    ASSERT_TRUE(w.close(err)) << err;
    const std::string tool = std::string(VK_DIST_DIR) + "/vokaran-score --data " + dir.file("engine.sdc") + " ";
    const std::string tail = " " + dir.file("song.mic") + " " + dir.file("voice.pcm") + " 2>&1";
    auto exitCode = [](const std::string& cmd) {
        const int rc = std::system((cmd + " > /dev/null").c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    };
    EXPECT_EQ(exitCode(tool + "--music " + dir.file("odd.pcm") + tail), 1);
    EXPECT_NE(run(tool + "--music " + dir.file("odd.pcm") + tail).find("not a stereo 16-bit recording"), std::string::npos);
    EXPECT_NE(run(tool + "--music " + dir.file("music22k.wav") + tail).find("sample rate 22050"), std::string::npos);
    EXPECT_EQ(exitCode(tool + "--music " + dir.file("missing.pcm") + tail), 1);
    EXPECT_EQ(exitCode(tool + "--delay 100" + tail), 2);
    EXPECT_EQ(exitCode(tool + "--music " + dir.file("voice.pcm") + " --guide 2" + tail), 2);
}

// Contest mode with no song, a silent microphone and no callbacks: nothing crashes, the
// scores stay 0; a song that plays then is scored (silence: zero points, every word counted).
TEST_F(LiveScoringApi, NoSongSilenceAndNoCallbacks) {
    open();
    EXPECT_EQ(VokaSetPKMode(1), VOKA_OK);
    EXPECT_EQ(VokaSetEvaluating(1), VOKA_OK);
    EXPECT_EQ(VokaSetPKMode(2), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_GE(MicIn_Start(), 0);
    EXPECT_EQ(VokaPKGetTotalScore(), 0);
    EXPECT_EQ(VokaPKGetWordCount(), 0);
    EXPECT_EQ(VokaGetCurMicNote(), 0);
    const auto song = writeSongFile(melodySong());
    sing(song);
    EXPECT_EQ(VokaPKGetWordCount(), 20);
    EXPECT_EQ(VokaPKGetTotalScore(), 0);
    EXPECT_EQ(VokaPKGetEmotionScore(), 0);
    EXPECT_EQ(VokaGetCurMicNote(), 0);
    // Contest mode switched on again starts from 0; off keeps the scores readable.
    EXPECT_EQ(VokaSetPKMode(0), VOKA_OK);
    EXPECT_EQ(VokaPKGetWordCount(), 20);
    EXPECT_EQ(VokaSetPKMode(1), VOKA_OK);
    EXPECT_EQ(VokaPKGetWordCount(), 0);
}

// Without a microphone (the null device) MicIn_Start says so and the analysis hears silence.
TEST_F(LiveScoringApi, NoMicrophone) {
    setenv("VOKARAN_AUDIO", "null", 1);
    open();
    EXPECT_EQ(MicIn_Start(), 1);
    EXPECT_EQ(VokaGetCurMicNote(), 0);
    EXPECT_EQ(MicIn_Stop(), VOKA_OK);
    VokaClose();
    EXPECT_EQ(MicIn_Start(), VOKA_ERR_NOT_OPEN);
    EXPECT_GT(VokaGetPitchDelay(), 0);
}

// Key fitting through the exports: a result is always a key, never an error code.
TEST_F(LiveScoringApi, KeyFittingNeverReturnsAnErrorAsAKey) {
    EXPECT_EQ(VokaSetSingerLevel(3, 1), 0);  // no song
    EXPECT_EQ(VokaSetSingerType(1), 0);      // not open
    const auto song = writeSongFile(melodySong());  // range 60..72, a male part
    ASSERT_EQ(VokaOpenLyricsFromBuffer(song.data(), static_cast<long long>(song.size())), VOKA_OK);
    EXPECT_EQ(VokaSetSingerLevel(3, 1), fitKey(*buildScoreSong(melodySong()), 3, true));
    EXPECT_EQ(VokaSetSingerLevel(3, 7), VokaSetSingerLevel(3, 1));  // unknown sex: the part's (male)
    EXPECT_EQ(VokaSetSingerLevel(0, 1), 0);
    EXPECT_EQ(VokaSetSingerLevel(6, 0), 0);
    open();
    ASSERT_EQ(VokaOpenLyricsFromBuffer(song.data(), static_cast<long long>(song.size())), VOKA_OK);
    EXPECT_EQ(VokaSetSingerType(0), fitKey(*buildScoreSong(melodySong()), 3, false));
    EXPECT_EQ(VokaSetSingerType(2), 0);
}

// The device list of the file-backed kind, choices by index, and bad indices.
TEST_F(LiveScoringApi, DeviceListAndChoice) {
    EXPECT_EQ(VokaGetAudioDeviceCount(0), 1);
    EXPECT_EQ(VokaGetAudioDeviceCount(1), 1);
    wchar_t name[64];
    ASSERT_GT(VokaGetAudioDeviceName(0, 0, name, 64), 0);
    EXPECT_EQ(std::wstring(name), L"File output");
    EXPECT_EQ(VokaGetAudioDeviceName(1, 0, name, 5), 4);  // cut to the buffer
    EXPECT_EQ(std::wstring(name), L"File");
    EXPECT_EQ(VokaGetAudioDeviceName(0, 1, name, 64), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(VokaGetAudioDeviceName(0, 0, nullptr, 64), VOKA_ERR_BAD_ARGUMENT);
    setenv("VOKARAN_AUDIO", "null", 1);
    EXPECT_EQ(VokaGetAudioDeviceCount(1), 0);  // no sound card: no microphone
    setenv("VOKARAN_AUDIO", "file", 1);
    open();
    EXPECT_EQ(VokaSetAudioID(1), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(VokaSetAudioInID(-2), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(VokaSetAudioID(0), VOKA_OK);
    EXPECT_EQ(VokaSetAudioInID(-1), VOKA_OK);
    EXPECT_EQ(MicIn_Start(), VOKA_OK);
}

// The device fails in the middle of a contest song: the song plays on to its end without it
// (callbacks, scores and the recording included), nothing hangs; choosing the devices again
// brings sound back.
TEST_F(LiveScoringApi, DeviceLostMidSong) {
    setenv("VOKARAN_AUDIO_FAIL_AFTER", "12", 1);  // in the last line; the rest plays in real time
    std::vector<SungNote> melody;
    const SongData data = melodySong(&melody);
    writeVoice(singVoice(melody, double(data.songEnd) / kEngineTicksPerSecond, VoiceStyle{}).samples);
    open();
    unsetenv("VOKARAN_AUDIO_FAIL_AFTER");
    VokaSetPK_WordEnd_CBFun(&onWord);
    const auto v = wide(dir.file("voice.pcm")), m = wide(dir.file("music.pcm"));
    ASSERT_EQ(SetRecNames(v.c_str(), m.c_str()), VOKA_OK);
    ASSERT_EQ(StartRecording(), VOKA_OK);
    sing(writeSongFile(data));  // waits for the end: the null device keeps time after the loss
    ASSERT_EQ(StopRecording(), VOKA_OK);
    EXPECT_EQ(VokaPKGetWordCount(), 20);
    EXPECT_EQ(MicIn_Start(), 1);  // going on without the lost microphone
    // The whole song is recorded: silence after the loss.
    EXPECT_NEAR(double(std::filesystem::file_size(dir.file("voice.pcm"))) / 2 / 44100,
                double(data.songEnd) / kEngineTicksPerSecond, 0.05);

    EXPECT_EQ(VokaSetDeviceError(1), VOKA_OK);
    EXPECT_EQ(VokaSetAudioID(0), VOKA_OK);  // remembered, opened when the error is cleared
    EXPECT_EQ(MicIn_Start(), 1);
    EXPECT_EQ(VokaSetDeviceError(0), VOKA_OK);
    EXPECT_EQ(MicIn_Start(), VOKA_OK);
    EXPECT_EQ(VokaSetDeviceError(3), VOKA_ERR_BAD_ARGUMENT);
}
