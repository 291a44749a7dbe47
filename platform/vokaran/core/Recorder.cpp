#include "core/Recorder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace vokaran {
namespace {

inline std::int16_t toS16(float x) {
    const float y = std::clamp(x, -1.0f, 1.0f) * 32767.0f;
    return static_cast<std::int16_t>(std::lrint(y));
}

bool writeLe16(std::FILE* f, const std::int16_t* s, std::size_t n) {
    std::uint8_t bytes[8192];
    while (n) {
        const std::size_t k = std::min<std::size_t>(n, sizeof bytes / 2);
        for (std::size_t i = 0; i < k; ++i) {
            bytes[2 * i] = static_cast<std::uint16_t>(s[i]) & 0xFF;
            bytes[2 * i + 1] = static_cast<std::uint16_t>(s[i]) >> 8;
        }
        if (std::fwrite(bytes, 1, 2 * k, f) != 2 * k) return false;
        s += k;
        n -= k;
    }
    return true;
}

} // namespace

Recorder::Recorder(int sampleRate) : voice_(std::size_t(sampleRate) * 4), music_(std::size_t(sampleRate) * 8) {}

std::unique_ptr<Recorder> Recorder::start(const std::string& voicePath, const std::string& musicPath, bool append,
                                          int sampleRate, std::string& error) {
    std::unique_ptr<Recorder> r(new Recorder(sampleRate));
    const char* mode = append ? "ab" : "wb";
    r->voiceFile_.reset(std::fopen(voicePath.c_str(), mode));
    if (!r->voiceFile_) {
        error = "fopen " + voicePath + ": " + std::strerror(errno);
        return nullptr;
    }
    r->musicFile_.reset(std::fopen(musicPath.c_str(), mode));
    if (!r->musicFile_) {
        error = "fopen " + musicPath + ": " + std::strerror(errno);
        return nullptr;
    }
    r->voicePath_ = voicePath;
    r->musicPath_ = musicPath;
    r->writer_ = std::thread([p = r.get()] { p->writerLoop(); });
    return r;
}

Recorder::~Recorder() {
    std::string ignored;
    finish(ignored);
}

void Recorder::write(const float* voice, const float* music, int frames) {
    if (voice_.writable() < std::size_t(frames) || music_.writable() < std::size_t(frames) * 2) {
        dropped_.fetch_add(frames, std::memory_order_relaxed);
        return;
    }
    std::int16_t buf[512];
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, 256);
        for (int i = 0; i < n; ++i) buf[i] = toS16(voice[done + i]);
        voice_.push(buf, n);
        for (int i = 0; i < 2 * n; ++i) buf[i] = toS16(music[2 * done + i]);
        music_.push(buf, 2 * n);
        done += n;
    }
}

bool Recorder::nearlyFull() const { return music_.readable() > music_.capacity() / 2; }

bool Recorder::drain() {
    std::int16_t buf[8192];
    bool any = false;
    std::size_t n;
    while ((n = voice_.pop(buf, sizeof buf / 2)) > 0) {
        any = true;
        if (!writeLe16(voiceFile_.get(), buf, n)) failed_ = true;
    }
    while ((n = music_.pop(buf, sizeof buf / 2)) > 0) {
        any = true;
        if (!writeLe16(musicFile_.get(), buf, n)) failed_ = true;
    }
    return any;
}

void Recorder::writerLoop() {
    while (!stop_.load(std::memory_order_acquire)) {
        if (!drain()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool Recorder::finish(std::string& error) {
    if (writer_.joinable()) {
        stop_.store(true, std::memory_order_release);
        writer_.join();
    } else if (!voiceFile_) {
        return !failed_;
    }
    drain();
    if (voiceFile_ && std::fclose(voiceFile_.release()) != 0) failed_ = true;
    if (musicFile_ && std::fclose(musicFile_.release()) != 0) failed_ = true;
    if (failed_) error = "writing the recording to " + voicePath_ + " / " + musicPath_ + " failed";
    return !failed_;
}

std::int64_t rawFrames(const std::string& path, int channels) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size) / (2 * channels);
}

} // namespace vokaran
