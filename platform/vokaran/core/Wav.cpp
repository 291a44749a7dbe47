#include "core/Wav.h"

#include <cerrno>
#include <cstring>

namespace vokaran {
namespace {

void put16(std::uint8_t* p, std::uint16_t v) { p[0] = v & 0xFF; p[1] = v >> 8; }
void put32(std::uint8_t* p, std::uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF; }
std::uint32_t get32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint16_t get16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

void header(std::uint8_t* h, int rate, int channels, std::uint64_t dataBytes) {
    const auto data = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes, 0xFFFFFFFFull - 36));
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<std::uint16_t>(channels));
    put32(h + 24, static_cast<std::uint32_t>(rate));
    put32(h + 28, static_cast<std::uint32_t>(rate * channels * 2));
    put16(h + 32, static_cast<std::uint16_t>(channels * 2));
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data);
}

} // namespace

WavWriter::~WavWriter() {
    std::string ignored;
    if (file_) close(ignored);
}

bool WavWriter::open(const std::string& path, int sampleRate, int channels, std::string& error) {
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) {
        error = "fopen " + path + ": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    channels_ = channels;
    dataBytes_ = 0;
    failed_ = false;
    std::uint8_t h[44];
    header(h, sampleRate, channels, 0);
    std::fwrite(h, 1, sizeof h, file_.get());
    // The rate is kept in the header written now; close() rewrites only the sizes.
    return true;
}

bool WavWriter::write(const std::int16_t* samples, std::size_t frames) {
    if (!file_) return false;
    bytes_.resize(frames * channels_ * 2);
    for (std::size_t i = 0; i < frames * channels_; ++i) put16(bytes_.data() + 2 * i, static_cast<std::uint16_t>(samples[i]));
    if (std::fwrite(bytes_.data(), 1, bytes_.size(), file_.get()) != bytes_.size()) failed_ = true;
    dataBytes_ += bytes_.size();
    return !failed_;
}

bool WavWriter::close(std::string& error) {
    if (!file_) return !failed_;
    std::uint8_t sizes[4];
    const auto data = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes_, 0xFFFFFFFFull - 36));
    put32(sizes, 36 + data);
    if (std::fseek(file_.get(), 4, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_.get()) != 4) failed_ = true;
    put32(sizes, data);
    if (std::fseek(file_.get(), 40, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_.get()) != 4) failed_ = true;
    if (std::fclose(file_.release()) != 0) failed_ = true;
    if (failed_) error = "writing " + path_ + " failed";
    return !failed_;
}

bool readWav(const std::string& path, WavData& out, std::string& error) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = "fopen " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        bytes.insert(bytes.end(), buf, buf + n);
        if (bytes.size() > (std::size_t(1) << 31)) {
            error = path + ": WAV file larger than 2 GiB";
            return false;
        }
    }
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = path + ": not a RIFF WAVE file";
        return false;
    }
    int format = 0, bits = 0;
    std::size_t pos = 12;
    bool haveFmt = false;
    while (pos + 8 <= bytes.size()) {
        const std::uint32_t len = get32(bytes.data() + pos + 4);
        const std::uint8_t* body = bytes.data() + pos + 8;
        const std::size_t avail = bytes.size() - pos - 8;
        if (std::memcmp(bytes.data() + pos, "fmt ", 4) == 0 && len >= 16 && avail >= 16) {
            format = get16(body);
            out.channels = get16(body + 2);
            out.sampleRate = static_cast<int>(get32(body + 4));
            bits = get16(body + 14);
            if (format == 0xFFFE && len >= 26 && avail >= 26) format = get16(body + 24);
            haveFmt = true;
        } else if (std::memcmp(bytes.data() + pos, "data", 4) == 0) {
            if (!haveFmt) break;
            const std::size_t size = std::min<std::size_t>(len, avail);
            if (out.channels < 1 || out.channels > 8 || out.sampleRate <= 0) break;
            if (format == 1 && bits == 16) {
                out.samples.resize(size / 2);
                for (std::size_t i = 0; i < out.samples.size(); ++i)
                    out.samples[i] = static_cast<std::int16_t>(get16(body + 2 * i)) / 32768.0f;
            } else if (format == 3 && bits == 32) {
                out.samples.resize(size / 4);
                std::memcpy(out.samples.data(), body, out.samples.size() * 4);
            } else {
                error = path + ": only 16-bit PCM and 32-bit float WAV files are read";
                return false;
            }
            out.samples.resize(out.samples.size() / out.channels * out.channels);
            return true;
        }
        pos += 8 + len + (len & 1);
    }
    error = path + ": no usable fmt and data chunks";
    return false;
}

} // namespace vokaran
