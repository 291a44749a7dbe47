// The C exports: one engine instance behind a lock. The lock only serialises callers of
// these functions; the engine thread never takes it (it talks to the core through atomics
// and queues), and the event thread calls the callbacks without holding it.
#include "Vokaran.h"

#include "api/SongRecords.h"
#include "devices/AudioDevice.h"
#include "devices/DeviceLink.h"
#include "core/EngineCore.h"
#include "core/EngineData.h"
#include "core/RecMix.h"
#include "core/Recorder.h"
#include "core/SongPlayer.h"
#include "core/Synth.h"
#include "scoring/LiveScoring.h"
#include "scoring/ScoreModel.h"
#include "song/SongFile.h"
#include "song/Utf.h"
#include "voice/DelayProbe.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vokaran {
namespace {

struct OpenedSong {
    std::uint32_t checksum = 0;
    SongData data;
    SongRecords records;
    std::shared_ptr<const PreparedSong> prepared;
    std::shared_ptr<const ScoreSong> scoring;
};

void closeEngine(struct Engine& e, std::unique_lock<std::mutex>& held);

struct Engine {
    // A program that exits without VokaClose still stops the threads in order.
    ~Engine() {
        std::unique_lock g(lock);
        closeEngine(*this, g);
    }

    std::mutex lock;
    EngineData data;
    std::unique_ptr<EngineCore> core;
    std::unique_ptr<AudioDevice> device;
    // The running device's link to the core (outlives the device's stop). Each device opened
    // gets the next number; a device reporting a loss leaves its number in `lostDevice`.
    std::unique_ptr<DeviceLink> link;
    std::uint64_t deviceNumber = 0;
    std::atomic<std::uint64_t> lostDevice{0};
    DeviceSelection devices;      // chosen by index; kept across reopening
    bool deviceError = false;     // a device was lost: the null device keeps time until cleared
    std::thread eventThread;
    std::atomic<bool> stopEvents{false};
    std::atomic<VokaCallback> songEnd{nullptr};
    std::atomic<VokaCallback> mixEnd{nullptr};

    std::unique_ptr<OpenedSong> song;  // the arrays handed out by the getters live here

    // Contest scoring: the board outlives the engine, so the score getters and the callbacks
    // never need the lock; the settings survive reopening.
    ScoreBoard board;
    std::unique_ptr<LiveScoring> analysis;
    bool micOn = false, contestMode = false, evaluating = false;

    // Key: the singer's setting (VokaSetKey) plus the shift fitted by VokaSetSingerType for
    // one performance: made while generation `fitGeneration` was the latest play, during it
    // when `fitDuringSong`.
    int userKey = 0;
    int fittedKey = 0;

    // Monitoring settings, kept across reopening.
    bool monitoring = false;
    int micVolume = 115, roomMode = 6;
    int echoDepth = VoiceEffects::kDefaultDepth, echoLevel = VoiceEffects::kDefaultLevel;
    std::uint32_t fitGeneration = 0;
    bool fitDuringSong = false;

    // The microphone's lag behind the output for scoring (VokaSetMicDelay), kept across
    // reopening; and the delay measurement running, if any.
    int micDelayMs = 0;
    std::shared_ptr<ProbeRun> probe;

    std::string voicePath, musicPath;
    std::unique_ptr<Recorder> recorder;
    MixSettings mix;
    std::unique_ptr<MixToFile> mixToFile;
    std::unique_ptr<MixPlayback> playback;
};

Engine& engine() {
    static Engine e;
    return e;
}

int sampleRate(const Engine& e) { return e.core ? e.core->sampleRate() : e.data.sampleRate; }

void applyKey(Engine& e) {
    if (e.core) e.core->setKey(std::clamp(e.userKey + e.fittedKey, -12, 12));
}

void dropFittedKey(Engine& e) {
    if (e.fittedKey == 0) return;
    e.fittedKey = 0;
    applyKey(e);
}

// The fitted key belongs to one performance: it goes when that song ends or is stopped.
void songEndedForKey(Engine& e) {
    std::lock_guard g(e.lock);
    if (!e.core || e.fittedKey == 0) return;
    const std::uint32_t ended = e.core->endedGeneration();
    if (ended > e.fitGeneration || (ended == e.fitGeneration && e.fitDuringSong)) dropFittedKey(e);
}

AudioConfig audioConfig(const Engine& e) { return AudioConfig{e.data.sampleRate, e.data.bufferFrames}; }

// Stops the running device (its link stays until the next one is made, so a device thread
// still reporting finds it).
void stopDevice(Engine& e) {
    if (e.device) e.device->stop();
    e.device.reset();
}

// Starts `device` behind a fresh link with the next number.
bool startDevice(Engine& e, std::unique_ptr<AudioDevice> device, std::string& err) {
    e.link = std::make_unique<DeviceLink>(*e.core, e.lostDevice, ++e.deviceNumber);
    if (!device->start(*e.link, err)) return false;
    e.device = std::move(device);
    return true;
}

// Replaces the running device; without a usable device the null device keeps time, so songs
// still play to their end. False when the chosen device could not be used.
bool switchDevice(Engine& e, bool useChosen) {
    std::string err;
    stopDevice(e);
    if (useChosen) {
        auto chosen = createDeviceFromEnvironment(audioConfig(e), e.devices, err);
        if (chosen && startDevice(e, std::move(chosen), err)) {
            e.analysis->setEchoDelay(e.device->latencyFrames());
            return true;
        }
        std::fprintf(stderr, "vokaran: %s; using the null audio device\n", err.c_str());
    }
    if (!startDevice(e, createNullDevice(audioConfig(e)), err)) std::fprintf(stderr, "vokaran: %s\n", err.c_str());
    e.analysis->setEchoDelay(e.device ? e.device->latencyFrames() : 0);
    return false;
}

// Event thread: the device failed on its own; the engine goes on without it until the
// devices are chosen again (VokaSetDeviceError(0)). A loss reported by a device that was
// replaced meanwhile (a new choice came first) concerns nothing in use any more.
void deviceLost(Engine& e) {
    std::lock_guard g(e.lock);
    if (!e.core || e.stopEvents.load()) return;
    if (e.lostDevice.load(std::memory_order_acquire) != e.deviceNumber) {
        std::fprintf(stderr, "vokaran: a replaced audio device reported its loss late; ignored\n");
        return;
    }
    std::fprintf(stderr, "vokaran: the audio device was lost; using the null audio device\n");
    e.deviceError = true;
    switchDevice(e, false);
}

// Before the song's end is made known, the analysis scores the song's last words, so whoever
// reads the totals on that news reads final ones. The engine thread first gets a block or two
// past a stop; a device that stands still (lost) only delays the news by the bounds.
void settleAnalysis(Engine& e) {
    if (!e.analysis) return;
    const auto start = e.core->blocksProcessed();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (e.core->blocksProcessed() < start + 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    e.analysis->settle(std::chrono::milliseconds(2000));
}

void eventLoop(Engine* e) {
    auto& counter = e->core->eventCounter();
    // Read the counter before taking the events: a raise after the read changes the counter
    // (so the wait returns at once), a raise before it has left its bits to take.
    while (true) {
        const std::uint32_t seen = counter.load();
        const auto bits = e->core->takeEvents();
        if (e->stopEvents.load()) break;
        if (bits & kEventDeviceLost) deviceLost(*e);
        if (bits & kEventSongEnded) {
            settleAnalysis(*e);
            songEndedForKey(*e);
            if (auto cb = e->songEnd.load()) cb();
        }
        if (bits & kEventMixFinished)
            if (auto cb = e->mixEnd.load()) cb();
        counter.wait(seen);
    }
}

// False when writing the recording failed (e.g. the disk is full).
bool stopRecording(Engine& e) {
    if (!e.recorder) return true;
    if (e.core) {
        // A pause or stop just asked for takes effect at the engine's next block: the blocks
        // played until then are heard and scored, so they are recorded too. A device that
        // stands still (lost) only delays the stop by the bound.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (!e.core->commandsApplied() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        e.core->detachRecorder();
    }
    std::string err;
    const bool ok = e.recorder->finish(err);
    if (!ok) std::fprintf(stderr, "vokaran: %s\n", err.c_str());
    e.recorder.reset();
    return ok;
}

void stopPlayback(Engine& e) {
    if (!e.playback) return;
    if (e.core) e.core->detachMixPlayback();
    e.playback->stop();
    e.playback.reset();
}

void closeEngine(Engine& e, std::unique_lock<std::mutex>& held) {
    if (e.probe) {
        if (e.core) e.core->detachProbe();
        e.probe->cancelled.store(true);
        e.probe.reset();
    }
    stopRecording(e);
    stopPlayback(e);
    if (e.mixToFile) e.mixToFile.reset();  // cancels and joins
    stopDevice(e);
    if (e.core) {
        e.stopEvents.store(true);
        e.core->raise(0);
        e.core->detachAnalysis();
        std::thread t = std::move(e.eventThread);
        // The event thread may be inside a callback that calls back into the exports, and it
        // uses the analysis until it ends; the analysis thread may be inside a contest callback.
        held.unlock();
        if (t.joinable()) t.join();
        held.lock();
        auto analysis = std::move(e.analysis);
        held.unlock();
        analysis.reset();
        held.lock();
    }
    e.link.reset();
    e.core.reset();
    e.song.reset();
    e.voicePath.clear();
    e.musicPath.clear();
    e.mix = MixSettings{};
    e.userKey = e.fittedKey = 0;
}

// Parses the bytes; returns a code and fills `out` on success.
int parseBuffer(const void* data, long long length, OpenedSong& out) {
    if (!data || length <= 0) return VOKA_ERR_BAD_ARGUMENT;
    if (static_cast<unsigned long long>(length) > kMaxSongFileBytes) return VOKA_ERR_BAD_SONG;
    std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length));
    auto parsed = parseSongFile(bytes);
    if (parsed.error == SongFileError::BadChecksum) return VOKA_ERR_CHECKSUM;
    if (!parsed.song) return VOKA_ERR_BAD_SONG;
    std::string err;
    out.checksum = bytes.size() >= 4 ? (bytes[bytes.size() - 4] | bytes[bytes.size() - 3] << 8 |
                                        bytes[bytes.size() - 2] << 16 | std::uint32_t(bytes[bytes.size() - 1]) << 24)
                                     : 0;
    out.prepared = prepareSong(*parsed.song, out.checksum, err);
    if (!out.prepared) return VOKA_ERR_BAD_SONG;
    out.data = std::move(*parsed.song);
    out.records = buildSongRecords(out.data);
    out.scoring = buildScoreSong(out.data);
    return VOKA_OK;
}

template <typename T>
int hand(const std::vector<T>& v, const T** out, int* count) {
    if (!out || !count) return VOKA_ERR_BAD_ARGUMENT;
    *out = v.empty() ? nullptr : v.data();
    *count = static_cast<int>(v.size());
    return *count;
}

const PartRecords* partRecords(Engine& e, int part) {
    if (!e.song) return nullptr;
    return &e.song->records.parts[part - 1];
}

int lines(int part, const VokaLyricLine** out, int* count, int format) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (format != 1) return VOKA_ERR_NOT_SUPPORTED;
    const auto* p = partRecords(e, part);
    if (!p) return VOKA_ERR_NO_SONG;
    return hand(p->lines, out, count);
}

int words(int part, const VokaLyricWord** out, int* count, int format) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (format != 1) return VOKA_ERR_NOT_SUPPORTED;
    const auto* p = partRecords(e, part);
    if (!p) return VOKA_ERR_NO_SONG;
    return hand(p->words, out, count);
}

int countIns(int part, const VokaCountIn** out, int* count) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    const auto* p = partRecords(e, part);
    if (!p) return VOKA_ERR_NO_SONG;
    return hand(p->countIns, out, count);
}

int startRecorder(Engine& e, bool append) {
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (e.voicePath.empty() || e.musicPath.empty()) return VOKA_ERR_STATE;
    stopRecording(e);
    std::string err;
    e.recorder = Recorder::start(e.voicePath, e.musicPath, append, e.core->sampleRate(), err);
    if (!e.recorder) {
        std::fprintf(stderr, "vokaran: %s\n", err.c_str());
        return VOKA_ERR_IO;
    }
    e.core->attachRecorder(e.recorder.get());
    return VOKA_OK;
}

bool validPath(const wchar_t* p) { return p && *p; }


} // namespace
} // namespace vokaran

using namespace vokaran;

extern "C" {

int VokaOpenW(const wchar_t* path) {
    auto& e = engine();
    std::unique_lock g(e.lock);
    closeEngine(e, g);
    if (!validPath(path)) return VOKA_ERR_BAD_ARGUMENT;
    auto loaded = loadEngineData(wideToUtf8(path));
    if (!loaded.ok) {
        std::fprintf(stderr, "vokaran: %s\n", loaded.error.c_str());
        return VOKA_ERR_DATA_FILE;
    }
    std::string err;
    auto synth = createFluidSynth(loaded.data, err);
    if (!synth) {
        std::fprintf(stderr, "vokaran: %s\n", err.c_str());
        return VOKA_ERR_DATA_FILE;
    }
    e.data = loaded.data;
    e.core = std::make_unique<EngineCore>(std::move(synth), e.data);
    e.analysis = std::make_unique<LiveScoring>(e.data.sampleRate, e.data, e.board);
    e.analysis->setMicOn(e.micOn);
    e.analysis->setContestMode(e.contestMode);
    e.analysis->setEvaluating(e.evaluating);
    e.core->attachAnalysis(e.analysis.get());
    e.analysis->setMicDelay(static_cast<int>(std::llround(e.micDelayMs * double(e.data.sampleRate) / 1000.0)));
    auto& fx = e.core->effects();
    fx.setVolume(e.micVolume);
    fx.setRoomMode(e.roomMode);
    fx.setEchoDepth(e.echoDepth);
    fx.setEchoLevel(e.echoLevel);
    fx.setMonitoring(e.monitoring);
    const AudioConfig config{e.data.sampleRate, e.data.bufferFrames};
    e.deviceError = false;
    auto chosen = createDeviceFromEnvironment(config, e.devices, err);
    if (!chosen) {
        std::fprintf(stderr, "vokaran: %s\n", err.c_str());
        e.core->detachAnalysis();
        e.analysis.reset();
        e.core.reset();
        return VOKA_ERR_DEVICE;
    }
    if (!startDevice(e, std::move(chosen), err)) {
        // No sound card: keep time and record silence on the null device.
        std::fprintf(stderr, "vokaran: %s; using the null audio device\n", err.c_str());
        if (!startDevice(e, createNullDevice(config), err)) {
            e.link.reset();
            e.core->detachAnalysis();
            e.analysis.reset();
            e.core.reset();
            return VOKA_ERR_DEVICE;
        }
    }
    e.analysis->setEchoDelay(e.device->latencyFrames());
    e.stopEvents.store(false);
    e.eventThread = std::thread(eventLoop, &e);
    return VOKA_OK;
}

int VokaClose(void) {
    auto& e = engine();
    std::unique_lock g(e.lock);
    const bool wasOpen = e.core != nullptr;
    closeEngine(e, g);  // also forgets a song opened without the engine
    return wasOpen ? VOKA_OK : VOKA_ERR_NOT_OPEN;
}

int VokaSetCBFun(VokaCallback cb) {
    engine().songEnd.store(cb);
    return VOKA_OK;
}

int VokaSetMixCBFun(VokaCallback cb) {
    engine().mixEnd.store(cb);
    return VOKA_OK;
}

int VokaMicCheckSumTestFromBuffer(const void* data, long long length) {
    if (!data || length <= 0) return VOKA_ERR_BAD_ARGUMENT;
    if (static_cast<unsigned long long>(length) > kMaxSongFileBytes) return VOKA_ERR_BAD_SONG;
    auto r = checkSongFile({static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length)});
    if (r.error == SongFileError::None) return VOKA_OK;
    return r.error == SongFileError::BadChecksum ? VOKA_ERR_CHECKSUM : VOKA_ERR_BAD_SONG;
}

int VokaOpenLyricsFromBuffer(const void* data, long long length) {
    auto opened = std::make_unique<OpenedSong>();
    const int rc = parseBuffer(data, length, *opened);
    if (rc != VOKA_OK) return rc;  // the song open before stays open
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.song || e.song->checksum != opened->checksum) dropFittedKey(e);
    e.song = std::move(opened);
    return VOKA_OK;
}

int VokaPlayFromBuffer(const void* data, long long length) {
    auto& e = engine();
    std::unique_lock g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (!data || length < 4) return VOKA_ERR_BAD_ARGUMENT;
    std::shared_ptr<const PreparedSong> prepared;
    const auto* b = static_cast<const std::uint8_t*>(data);
    const std::uint32_t stored = b[length - 4] | b[length - 3] << 8 | b[length - 2] << 16 | std::uint32_t(b[length - 1]) << 24;
    if (e.song && e.song->checksum == stored && VokaMicCheckSumTestFromBuffer(data, length) == VOKA_OK) {
        prepared = e.song->prepared;  // the song whose lyrics are open
    } else {
        auto opened = std::make_unique<OpenedSong>();
        const int rc = parseBuffer(data, length, *opened);
        if (rc != VOKA_OK) return rc;
        dropFittedKey(e);
        e.song = std::move(opened);
        prepared = e.song->prepared;
    }
    if (e.analysis) e.analysis->setSong(e.core->generation() + 1, e.song->scoring);
    return e.core->play(prepared) ? VOKA_OK : VOKA_ERR_STATE;
}

int VokaGetPlayState(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    return e.core ? static_cast<int>(e.core->playState()) : 0;
}

int VokaPauseStop(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    return e.core->pause() ? VOKA_OK : VOKA_ERR_STATE;
}

int VokaPausePlay(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    return e.core->resume() ? VOKA_OK : VOKA_ERR_STATE;
}

int VokaStop(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    return e.core->stop() ? VOKA_OK : VOKA_ERR_STATE;
}

int VokaGetMidiTime(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    return e.core ? static_cast<int>(e.core->songTime()) : 0;
}

int VokaGetTotalTime(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.song) return VOKA_ERR_NO_SONG;
    return static_cast<int>(std::ceil(e.song->prepared->endSeconds));
}

int VokaSetKey(int semitones) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (semitones < -6 || semitones > 6) return VOKA_ERR_BAD_ARGUMENT;
    e.userKey = semitones;
    applyKey(e);
    return VOKA_OK;
}

int VokaSetTempo(int tempo) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (tempo < 64 || tempo > 136) return VOKA_ERR_BAD_ARGUMENT;
    e.core->setTempo(tempo);
    return VOKA_OK;
}

int VokaSetVolume(int volume) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (volume < 0 || volume > 200) return VOKA_ERR_BAD_ARGUMENT;
    e.core->setVolume(volume);
    return VOKA_OK;
}

int MidiSetMelodyVolume(int volume) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (volume < 0 || volume > 127) return VOKA_ERR_BAD_ARGUMENT;
    e.core->setMelodyVolume(volume);
    return VOKA_OK;
}

int MidiGetMelodyVolume(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    return e.core->melodyVolume();
}

int sGetMidiLyrics(const VokaLyricLine** out, int* count, int format) { return lines(1, out, count, format); }
int sGetMidiLyrics2(const VokaLyricLine** out, int* count, int format) { return lines(2, out, count, format); }
int sGetMidiLyricsScan(const VokaLyricWord** out, int* count, int format) { return words(1, out, count, format); }
int sGetMidiLyricsScan2(const VokaLyricWord** out, int* count, int format) { return words(2, out, count, format); }
int sGetPlayCount(const VokaCountIn** out, int* count) { return countIns(1, out, count); }
int sGetPlayCount2(const VokaCountIn** out, int* count) { return countIns(2, out, count); }

int sGetMidiLyricsPS(const VokaPhonetic** part1, const VokaPhonetic** part2) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!part1 || !part2) return VOKA_ERR_BAD_ARGUMENT;
    if (!e.song) return VOKA_ERR_NO_SONG;
    const auto& p = e.song->records.parts;
    *part1 = p[0].phonetics.empty() ? nullptr : p[0].phonetics.data();
    *part2 = p[1].phonetics.empty() ? nullptr : p[1].phonetics.data();
    return VOKA_OK;
}

int sGetMelodyNotes(int part, const VokaMelodyNote** out, int* count) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (part != 1 && part != 2) return VOKA_ERR_BAD_ARGUMENT;
    const auto* p = partRecords(e, part);
    if (!p) return VOKA_ERR_NO_SONG;
    return hand(p->notes, out, count);
}

int GetMelodyType1(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.song) return VOKA_ERR_NO_SONG;
    return e.song->records.parts[0].present ? e.song->records.parts[0].voiceType : 0;
}

int GetMelodyType2(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.song) return VOKA_ERR_NO_SONG;
    return e.song->records.parts[1].present ? e.song->records.parts[1].voiceType : 0;
}

int GetMidiTopNote(int which) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (which != -2 && which != -1 && which != 1 && which != 2) return VOKA_ERR_BAD_ARGUMENT;
    if (!e.song) return VOKA_ERR_NO_SONG;
    const auto& p = e.song->records.parts[std::abs(which) - 1];
    return which < 0 ? p.lowNote : p.highNote;
}

int SetRecNames(const wchar_t* voice, const wchar_t* music) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!validPath(voice) || !validPath(music)) return VOKA_ERR_BAD_ARGUMENT;
    e.voicePath = wideToUtf8(voice);
    e.musicPath = wideToUtf8(music);
    return VOKA_OK;
}

int StartRecording(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    return startRecorder(e, false);
}

int VokaSetRecording(int restart) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    return startRecorder(e, restart == 0);
}

int StopRecording(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.recorder) return VOKA_ERR_STATE;
    return stopRecording(e) ? VOKA_OK : VOKA_ERR_IO;
}

int GetRecMixPlayTotalTimeW(const wchar_t* voice, const wchar_t* music) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!validPath(voice) || !validPath(music)) return VOKA_ERR_BAD_ARGUMENT;
    return recordingSeconds(wideToUtf8(voice), wideToUtf8(music), sampleRate(e));
}

int RecMixSaveW(const wchar_t* voice, const wchar_t* music, const wchar_t* wav) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (!validPath(voice) || !validPath(music) || !validPath(wav)) return VOKA_ERR_BAD_ARGUMENT;
    if (e.mixToFile && e.mixToFile->running()) return VOKA_ERR_BUSY;
    e.mixToFile = std::make_unique<MixToFile>();
    e.mixToFile->onFinished([](void* core) { static_cast<EngineCore*>(core)->raise(kEventMixFinished); }, e.core.get());
    std::string err;
    if (!e.mixToFile->start(wideToUtf8(voice), wideToUtf8(music), wideToUtf8(wav), e.mix, e.core->sampleRate(), err)) {
        std::fprintf(stderr, "vokaran: %s\n", err.c_str());
        e.mixToFile.reset();
        return VOKA_ERR_IO;
    }
    return VOKA_OK;
}

int RecMixPlay(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (e.voicePath.empty() || e.musicPath.empty()) return VOKA_ERR_STATE;
    stopPlayback(e);
    auto p = std::make_unique<MixPlayback>();
    std::string err;
    if (!p->start(e.voicePath, e.musicPath, e.mix, e.core->sampleRate(), err)) {
        std::fprintf(stderr, "vokaran: %s\n", err.c_str());
        return VOKA_ERR_IO;
    }
    e.playback = std::move(p);
    e.core->attachMixPlayback(e.playback.get());
    return VOKA_OK;
}

int RecMixPause(int pause) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.playback) return VOKA_ERR_STATE;
    e.playback->setPaused(pause != 0);
    return VOKA_OK;
}

int RecMixStop(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    // A mix into a file that is still running ends too (its file removed), so that a
    // cancelled mix leaves no WAV behind.
    const bool mixing = e.mixToFile && e.mixToFile->running();
    if (mixing) {
        e.mixToFile->cancel();
        e.mixToFile->join();
    }
    if (!e.playback) return mixing ? VOKA_OK : VOKA_ERR_STATE;
    stopPlayback(e);
    return VOKA_OK;
}

int GetRecMixPlayTime(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    const int rate = sampleRate(e);
    if (e.mixToFile && e.mixToFile->running()) return static_cast<int>(e.mixToFile->framesDone() / rate);
    if (e.playback) return static_cast<int>(e.playback->framesPlayed() / rate);
    return 0;
}

int RecMixSeek(int milliseconds) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (milliseconds < 0) return VOKA_ERR_BAD_ARGUMENT;
    if (!e.playback) return VOKA_ERR_STATE;
    e.playback->seek(std::uint64_t(milliseconds) * std::uint64_t(sampleRate(e)) / 1000);
    return VOKA_OK;
}

int GetRecMixPlayPosMs(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.playback) return 0;
    return static_cast<int>(e.playback->framesHeard() * 1000 / std::uint64_t(sampleRate(e)));
}

int GetRecMixState(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (e.mixToFile && e.mixToFile->running()) return 1;
    if (e.playback && !e.playback->finished()) return e.playback->paused() ? 3 : 2;
    return 0;
}

int SetMixVoiceGain(int percent) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (percent < 0 || percent > 400) return VOKA_ERR_BAD_ARGUMENT;
    e.mix.voiceGain = percent;
    return VOKA_OK;
}

int SetMixMusicGain(int percent) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (percent < 0 || percent > 400) return VOKA_ERR_BAD_ARGUMENT;
    e.mix.musicGain = percent;
    return VOKA_OK;
}

int SetMixMicDelay(int ms) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (ms < 0 || ms > 2000) return VOKA_ERR_BAD_ARGUMENT;
    e.mix.micDelayMs = ms;
    return VOKA_OK;
}

namespace {
constexpr int kProbeMs = 400;          // the test signal
constexpr int kMaxMeasuredDelayMs = 1000;
} // namespace

int VokaMeasureMicDelay(void) {
    auto& e = engine();
    auto run = std::make_shared<ProbeRun>();
    int rate = 0;
    {
        std::lock_guard g(e.lock);
        if (!e.core) return VOKA_ERR_NOT_OPEN;
        if (e.probe) return VOKA_ERR_BUSY;
        rate = e.core->sampleRate();
        run->signal = delayProbeSignal(rate, rate * kProbeMs / 1000);
        run->captured.assign(run->signal.size() + std::size_t(rate) * kMaxMeasuredDelayMs / 1000, 0.0f);
        e.probe = run;
        e.core->attachProbe(run.get());
    }
    // Without the lock: the other calls go on while the engine thread plays and records. A
    // device that stands still (lost, or a stalled real-time device) ends the wait.
    const double seconds = double(run->captured.size()) / rate;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000 + int(seconds * 2000));
    while (!run->done.load(std::memory_order_acquire) && !run->cancelled.load() &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    {
        std::lock_guard g(e.lock);
        if (e.probe == run) {
            if (e.core) e.core->detachProbe();
            e.probe.reset();
        }
    }
    if (run->cancelled.load()) return VOKA_ERR_NOT_OPEN;
    if (!run->done.load(std::memory_order_acquire)) return VOKA_ERR_DEVICE;
    const DelayEstimate d = estimateDelay(run->signal, run->captured, rate * kMaxMeasuredDelayMs / 1000);
    std::fprintf(stderr, "vokaran: delay measurement: capture %.1f dBFS, clipped %.4f%%, peak quality %.1f, %d frames\n",
                 d.captureDb, d.clippedShare * 100, d.peakQuality, d.delayFrames);
    switch (d.verdict) {
    case DelayVerdict::Measured:
        return static_cast<int>(std::llround(d.delayFrames * 1000.0 / rate));
    case DelayVerdict::Silent: return VOKA_ERR_DELAY_SILENT;
    case DelayVerdict::Clipped: return VOKA_ERR_DELAY_CLIPPED;
    case DelayVerdict::Unclear: break;
    }
    return VOKA_ERR_DELAY_UNCLEAR;
}

int VokaSetMicDelay(int ms) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (ms < 0 || ms > 2000) return VOKA_ERR_BAD_ARGUMENT;
    e.micDelayMs = ms;
    if (e.analysis) e.analysis->setMicDelay(static_cast<int>(std::llround(ms * double(sampleRate(e)) / 1000.0)));
    return VOKA_OK;
}

int VokaGetMicDelay(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    return e.micDelayMs;
}

int MicIn_Start(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    e.micOn = true;
    if (e.analysis) e.analysis->setMicOn(true);
    return e.device && e.device->hasInput() ? VOKA_OK : 1;
}

int MicIn_Stop(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    e.micOn = false;
    if (e.analysis) e.analysis->setMicOn(false);
    return VOKA_OK;
}

int MicOut_Play(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    e.monitoring = true;
    e.core->effects().setMonitoring(true);
    return VOKA_OK;
}

int MicOut_Stop(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    e.monitoring = false;
    e.core->effects().setMonitoring(false);
    return VOKA_OK;
}

int MicSetVolume(int volume) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (volume < 0 || volume > 128) return VOKA_ERR_BAD_ARGUMENT;
    e.micVolume = volume;
    e.core->effects().setVolume(volume);
    return VOKA_OK;
}

int MicSetRoomMode(int mode) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (!VoiceEffects::knownRoom(mode)) return VOKA_ERR_BAD_ARGUMENT;
    e.roomMode = mode;
    e.core->effects().setRoomMode(mode);
    return VOKA_OK;
}

int MicSetEchoDeep(int depth) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (depth < -1 || depth > 127) return VOKA_ERR_BAD_ARGUMENT;
    if (depth >= 0) e.echoDepth = depth;
    return e.core->effects().setEchoDepth(depth);
}

int MicSetEchoLevel(int level) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (level < -1 || level > 127) return VOKA_ERR_BAD_ARGUMENT;
    if (level >= 0) e.echoLevel = level;
    return e.core->effects().setEchoLevel(level);
}

int VokaGetAudioDeviceCount(int capture) {
    if (capture != 0 && capture != 1) return VOKA_ERR_BAD_ARGUMENT;
    std::vector<std::string> names;
    std::string err;
    if (!listDevices(capture == 1, names, err)) return VOKA_ERR_DEVICE;
    return static_cast<int>(names.size());
}

int VokaGetAudioDeviceName(int capture, int index, wchar_t* name, int capacity) {
    if ((capture != 0 && capture != 1) || !name || capacity < 1) return VOKA_ERR_BAD_ARGUMENT;
    std::vector<std::string> names;
    std::string err;
    if (!listDevices(capture == 1, names, err)) return VOKA_ERR_DEVICE;
    if (index < 0 || std::size_t(index) >= names.size()) return VOKA_ERR_BAD_ARGUMENT;
    const auto text = decodeUtf8(names[std::size_t(index)]);
    std::wstring w;
    if (text) w.assign(text->begin(), text->end());
    else for (unsigned char c : names[std::size_t(index)]) w.push_back(c);  // not UTF-8: bytes as they are
    const std::size_t n = std::min(w.size(), std::size_t(capacity - 1));
    std::copy_n(w.begin(), n, name);
    name[n] = L'\0';
    return static_cast<int>(n);
}

namespace {
int chooseDevice(bool capture, int index) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    std::vector<std::string> names;
    std::string err;
    if (!listDevices(capture, names, err)) return VOKA_ERR_DEVICE;
    if (index < -1 || (index >= 0 && std::size_t(index) >= names.size())) return VOKA_ERR_BAD_ARGUMENT;
    (capture ? e.devices.input : e.devices.output) = index;
    // Chosen while the devices are in error: they are opened when the error is cleared.
    if (!e.core || e.deviceError) return VOKA_OK;
    if (switchDevice(e, true)) return VOKA_OK;
    e.deviceError = true;
    return VOKA_ERR_DEVICE;
}
} // namespace

int VokaSetAudioID(int index) { return chooseDevice(false, index); }
int VokaSetAudioInID(int index) { return chooseDevice(true, index); }

int VokaSetDeviceError(int lost) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (lost != 0 && lost != 1) return VOKA_ERR_BAD_ARGUMENT;
    if (!e.core) return VOKA_ERR_NOT_OPEN;
    if (lost == 1) {
        if (!e.deviceError) switchDevice(e, false);
        e.deviceError = true;
        return VOKA_OK;
    }
    e.deviceError = !switchDevice(e, true);
    return e.deviceError ? VOKA_ERR_DEVICE : VOKA_OK;
}

int VokaGetCurMicNote(void) { return engine().board.micNote.load(); }

int VokaGetPitchDelay(void) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    return static_cast<int>(std::llround(double(PitchTracker::delaySamples()) * VOKA_TICKS_PER_SECOND / sampleRate(e)));
}

int VokaSetPKMode(int on) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (on != 0 && on != 1) return VOKA_ERR_BAD_ARGUMENT;
    e.contestMode = on == 1;
    if (e.analysis) e.analysis->setContestMode(e.contestMode);
    else if (e.contestMode) e.board.clear();
    return VOKA_OK;
}

int VokaSetEvaluating(int on) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (on != 0 && on != 1) return VOKA_ERR_BAD_ARGUMENT;
    e.evaluating = on == 1;
    if (e.analysis) e.analysis->setEvaluating(e.evaluating);
    return VOKA_OK;
}

int VokaSetPK_WordEnd_CBFun(VokaCallback cb) {
    engine().board.onWord.store(cb);
    return VOKA_OK;
}

int VokaSetPK_LineEnd_CBFun(VokaCallback cb) {
    engine().board.onLine.store(cb);
    return VOKA_OK;
}

int VokaSetPK_MIC_CBFun(VokaCallback cb) {
    engine().board.onMic.store(cb);
    return VOKA_OK;
}

int VokaSetSingerLevel(int level, int sex) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    dropFittedKey(e);
    if (level < 1 || level > 5) {
        std::fprintf(stderr, "vokaran: VokaSetSingerLevel: tone level %d is not 1..5; the song's own key\n", level);
        return 0;
    }
    if (!e.song) {
        std::fprintf(stderr, "vokaran: VokaSetSingerLevel: no song is open; the song's own key\n");
        return 0;
    }
    const bool male = sex == 1 || (sex != 0 && e.song->scoring->voiceType != 2);
    return fitKey(*e.song->scoring, level, male);
}

int VokaSetSingerType(int male) {
    auto& e = engine();
    std::lock_guard g(e.lock);
    if (male != 0 && male != 1) {
        std::fprintf(stderr, "vokaran: VokaSetSingerType: %d is neither 1 (male) nor 0 (female); key unchanged\n", male);
        return 0;
    }
    if (!e.core || !e.song) {
        std::fprintf(stderr, "vokaran: VokaSetSingerType: %s; key unchanged\n", e.core ? "no song is open" : "the engine is not open");
        return 0;
    }
    e.fittedKey = fitKey(*e.song->scoring, 3, male == 1);
    e.fitGeneration = e.core->generation();
    e.fitDuringSong = e.core->playState() != PlayState::Stopped;
    applyKey(e);
    return e.fittedKey;
}

int VokaPKGetPitchWordScore(void) { return engine().board.scores().wordPitch; }
int VokaPKGetTempoWordScore(void) { return engine().board.scores().wordRhythm; }
int VokaPKGetPitchLineScore(void) { return engine().board.scores().linePitch; }
int VokaPKGetTempoLineScore(void) { return engine().board.scores().lineRhythm; }
int VokaPKGetEmotionLineScore(void) { return engine().board.scores().lineExpression; }
int VokaPKGetEmotionScore(void) { return engine().board.scores().totals.expression; }
int VokaPKGetTotalScore(void) { return engine().board.scores().totals.total; }
int VokaPKGetWordCount(void) { return engine().board.scores().totals.words; }

} // extern "C"
