#include "core/RecMix.h"

#include "core/Recorder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace vokaran {
namespace {

std::size_t readS16(std::FILE* f, std::int16_t* out, std::size_t n) {
    if (!f) return 0;
    std::uint8_t bytes[16384];
    std::size_t got = 0;
    while (got < n) {
        const std::size_t want = std::min(n - got, sizeof bytes / 2);
        const std::size_t r = std::fread(bytes, 2, want, f);
        for (std::size_t i = 0; i < r; ++i)
            out[got + i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        got += r;
        if (r < want) break;
    }
    return got;
}

} // namespace

bool RecMixReader::open(const std::string& voicePath, const std::string& musicPath, const MixSettings& settings,
                        int sampleRate, std::string& error) {
    const auto voiceFrames = rawFrames(voicePath, 1);
    const auto musicFrames = rawFrames(musicPath, 2);
    if (voiceFrames < 0 && musicFrames < 0) {
        error = "neither " + voicePath + " nor " + musicPath + " can be read";
        return false;
    }
    if (voiceFrames >= 0) voice_.reset(std::fopen(voicePath.c_str(), "rb"));
    if (musicFrames >= 0) music_.reset(std::fopen(musicPath.c_str(), "rb"));
    settings_ = settings;
    voiceSkip_ = std::uint64_t(std::max(0, settings.micDelayMs)) * sampleRate / 1000;
    const std::int64_t voiceLen = std::max<std::int64_t>(0, voiceFrames - std::int64_t(voiceSkip_));
    total_ = static_cast<std::uint64_t>(std::max<std::int64_t>(voiceLen, std::max<std::int64_t>(0, musicFrames)));
    if (voice_ && voiceSkip_ > 0) std::fseek(voice_.get(), long(std::min<std::int64_t>(voiceSkip_, std::max<std::int64_t>(voiceFrames, 0)) * 2), SEEK_SET);
    done_ = 0;
    return true;
}

std::size_t RecMixReader::read(std::int16_t* stereo, std::size_t frames) {
    frames = std::min<std::uint64_t>(frames, total_ - done_);
    if (frames == 0) return 0;
    std::vector<std::int16_t> voice(frames, 0), music(frames * 2, 0);
    const std::size_t v = readS16(voice_.get(), voice.data(), frames);
    const std::size_t m = readS16(music_.get(), music.data(), frames * 2);
    std::fill(voice.begin() + v, voice.end(), 0);
    std::fill(music.begin() + m, music.end(), 0);
    const float vg = std::clamp(settings_.voiceGain, 0, 400) / 100.0f;
    const float mg = std::clamp(settings_.musicGain, 0, 400) / 100.0f;
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const float x = music[2 * i + c] * mg + voice[i] * vg;
            stereo[2 * i + c] = static_cast<std::int16_t>(std::lrint(std::clamp(x, -32768.0f, 32767.0f)));
        }
    }
    done_ += frames;
    return frames;
}

void RecMixReader::seek(std::uint64_t frame) {
    done_ = std::min(frame, total_);
    // Past the end of a file the reads give nothing, which the mix takes as silence.
    if (voice_) ::fseeko(voice_.get(), off_t((voiceSkip_ + done_) * 2), SEEK_SET);
    if (music_) ::fseeko(music_.get(), off_t(done_ * 4), SEEK_SET);
}

int recordingSeconds(const std::string& voicePath, const std::string& musicPath, int sampleRate) {
    const auto v = rawFrames(voicePath, 1);
    const auto m = rawFrames(musicPath, 2);
    if (v < 0 && m < 0) return -1;
    const auto frames = std::max<std::int64_t>(std::max<std::int64_t>(v, 0), std::max<std::int64_t>(m, 0));
    if (frames == 0) return 0;
    // Nearest second, but never 0 for a recording that holds something.
    return static_cast<int>(std::max<std::int64_t>(1, (frames + sampleRate / 2) / sampleRate));
}

bool MixToFile::start(const std::string& voicePath, const std::string& musicPath, const std::string& wavPath,
                      const MixSettings& settings, int sampleRate, std::string& error) {
    if (running()) {
        error = "a mix is already running";
        return false;
    }
    join();
    if (!reader_.open(voicePath, musicPath, settings, sampleRate, error)) return false;
    if (!wav_.open(wavPath, sampleRate, 2, error)) return false;
    wavPath_ = wavPath;
    framesDone_.store(0);
    ok_.store(false);
    cancel_.store(false);
    running_.store(true, std::memory_order_release);
    worker_ = std::thread([this] {
        std::vector<std::int16_t> buf(2 * 8192);
        bool ok = true;
        std::size_t n;
        while (!cancel_.load(std::memory_order_relaxed) && (n = reader_.read(buf.data(), 8192)) > 0) {
            ok = wav_.write(buf.data(), n) && ok;
            framesDone_.fetch_add(n, std::memory_order_relaxed);
        }
        std::string err;
        ok = wav_.close(err) && ok && !cancel_.load();
        // A cut-short mix (disk full, cancelled) must not pass for a finished one.
        struct stat st{};
        if (!ok && ::stat(wavPath_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) std::remove(wavPath_.c_str());
        ok_.store(ok);
        running_.store(false, std::memory_order_release);
        if (finishedFn_) finishedFn_(finishedCtx_);
    });
    return true;
}

void MixToFile::join() {
    if (worker_.joinable()) worker_.join();
}

MixToFile::~MixToFile() {
    cancel_.store(true);
    join();
}

bool MixPlayback::start(const std::string& voicePath, const std::string& musicPath, const MixSettings& settings,
                        int sampleRate, std::string& error) {
    if (!reader_.open(voicePath, musicPath, settings, sampleRate, error)) return false;
    total_ = reader_.totalFrames();
    sampleRate_ = std::max(1, sampleRate);
    worker_ = std::thread([this] { fillLoop(); });
    return true;
}

void MixPlayback::fillLoop() {
    std::vector<std::int16_t> buf(2 * 4096);
    std::uint32_t moved = 0;
    // At the end the worker stays, so that a seek can bring the mix back.
    while (!stop_.load(std::memory_order_acquire)) {
        const std::uint32_t asked = seekAsked_.load(std::memory_order_acquire);
        if (asked != moved) {
            const std::uint64_t frame = std::min(seekFrame_.load(std::memory_order_relaxed), total_);
            reader_.seek(frame);
            moved = asked;
            readerDone_.store(false, std::memory_order_relaxed);
            seekedTo_.store(frame, std::memory_order_relaxed);
            seekMoved_.store(moved, std::memory_order_release);
            continue;
        }
        // Until the engine thread has dropped the frames from before the move, nothing new
        // goes into the ring.
        if (seekTaken_.load(std::memory_order_acquire) != moved || readerDone_.load(std::memory_order_relaxed)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(readerDone_ ? 5 : 1));
            continue;
        }
        const std::size_t room = ring_.writable() / 2;
        if (room < 4096) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const std::size_t n = reader_.read(buf.data(), 4096);
        if (n == 0) {
            readerDone_.store(true, std::memory_order_release);
            continue;
        }
        ring_.push(buf.data(), 2 * n);
    }
    readerDone_.store(true, std::memory_order_release);
}

void MixPlayback::seek(std::uint64_t frame) {
    seekFrame_.store(std::min(frame, total_), std::memory_order_relaxed);
    seekAsked_.fetch_add(1, std::memory_order_release);
}

bool MixPlayback::finished() const {
    return finished_.load(std::memory_order_acquire) &&
           seekAsked_.load(std::memory_order_acquire) == seekTaken_.load(std::memory_order_acquire);
}

namespace {
std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void MixPlayback::noteBlock(std::uint64_t start, std::uint64_t frames) {
    const std::uint32_t seq = blockSeq_.load(std::memory_order_relaxed);
    blockSeq_.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    blockStart_.store(start, std::memory_order_relaxed);
    blockFrames_.store(frames, std::memory_order_relaxed);
    blockAtNs_.store(steadyNs(), std::memory_order_relaxed);
    blockSeq_.store(seq + 2, std::memory_order_release);
}

std::uint64_t MixPlayback::framesPlayed() const {
    if (seekAsked_.load(std::memory_order_acquire) != seekTaken_.load(std::memory_order_acquire))
        return seekFrame_.load(std::memory_order_relaxed);
    return played_.load(std::memory_order_relaxed);
}

std::uint64_t MixPlayback::framesHeard() const {
    if (seekAsked_.load(std::memory_order_acquire) != seekTaken_.load(std::memory_order_acquire))
        return seekFrame_.load(std::memory_order_relaxed);
    const std::uint64_t played = played_.load(std::memory_order_relaxed);
    if (paused() || finished_.load(std::memory_order_relaxed)) return played;
    std::uint64_t start = 0, frames = 0;
    std::int64_t at = 0;
    for (int tries = 0;; ++tries) {
        const std::uint32_t before = blockSeq_.load(std::memory_order_acquire);
        start = blockStart_.load(std::memory_order_relaxed);
        frames = blockFrames_.load(std::memory_order_relaxed);
        at = blockAtNs_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (before % 2 == 0 && blockSeq_.load(std::memory_order_relaxed) == before) break;
        if (tries == 64) return played;  // the engine thread keeps writing: the plain count will do
    }
    const std::int64_t elapsed = std::max<std::int64_t>(0, steadyNs() - at);
    const std::uint64_t heard = std::min<std::uint64_t>(frames, std::uint64_t(elapsed) * std::uint64_t(sampleRate_) / 1000000000ull);
    return std::min(played, start + heard);
}

void MixPlayback::takeSeek() {
    const std::uint32_t moved = seekMoved_.load(std::memory_order_acquire);
    if (moved == seekTaken_.load(std::memory_order_relaxed)) return;
    // The worker fills nothing while the two counters differ: the ring holds only frames from
    // before the move.
    ring_.discard();
    played_.store(seekedTo_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    noteBlock(seekedTo_.load(std::memory_order_relaxed), 0);
    finished_.store(false, std::memory_order_relaxed);
    seekTaken_.store(moved, std::memory_order_release);
}

bool MixPlayback::pullAdd(float* out, int frames) {
    takeSeek();
    if (finished_.load(std::memory_order_relaxed) || paused_.load(std::memory_order_relaxed)) return false;
    std::int16_t buf[1024];
    const std::uint64_t blockStart = played_.load(std::memory_order_relaxed);
    int done = 0;
    while (done < frames) {
        const int n = std::min(frames - done, 512);
        const std::size_t got = ring_.pop(buf, 2 * n) / 2;
        for (std::size_t i = 0; i < 2 * got; ++i) out[2 * done + i] += buf[i] / 32768.0f;
        done += static_cast<int>(got);
        played_.fetch_add(got, std::memory_order_relaxed);
        if (got < std::size_t(n)) break;
    }
    noteBlock(blockStart, std::uint64_t(done));
    // The end counts only when no seek is under way (the worker may be about to fill again).
    if (done < frames && readerDone_.load(std::memory_order_acquire) && ring_.readable() == 0 &&
        seekAsked_.load(std::memory_order_acquire) == seekTaken_.load(std::memory_order_relaxed)) {
        finished_.store(true, std::memory_order_release);
        return true;
    }
    return false;
}

void MixPlayback::stop() {
    stop_.store(true, std::memory_order_release);
    if (worker_.joinable()) worker_.join();
}

MixPlayback::~MixPlayback() { stop(); }

} // namespace vokaran
