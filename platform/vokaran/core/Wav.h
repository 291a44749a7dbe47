#pragma once
// RIFF WAVE files: 16-bit PCM writing, and reading of 16-bit PCM or 32-bit float files.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vokaran {

struct FileCloser { void operator()(std::FILE* f) const { if (f) std::fclose(f); } };
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class WavWriter {
public:
    // Creates or truncates the file; false with `error` naming the failing call.
    bool open(const std::string& path, int sampleRate, int channels, std::string& error);
    bool write(const std::int16_t* interleaved, std::size_t frames);
    // Patches the sizes into the header and closes; false when any write failed.
    bool close(std::string& error);
    ~WavWriter();

private:
    FilePtr file_;
    std::string path_;
    int channels_ = 0;
    std::uint64_t dataBytes_ = 0;
    bool failed_ = false;
    std::vector<std::uint8_t> bytes_;  // reused between writes
};

struct WavData {
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved, -1..1
};

// Reads a whole WAV file (PCM 16-bit or IEEE float 32-bit). False with `error` set otherwise.
bool readWav(const std::string& path, WavData& out, std::string& error);

} // namespace vokaran
