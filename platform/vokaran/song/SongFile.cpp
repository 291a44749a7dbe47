#include "song/SongFile.h"

#include "song/Crc32.h"

#include <cstring>
#include <stdexcept>

namespace vokaran {
namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'V', 'K', 'M', 'I', 'C', 0x1A, 0x0D, 0x0A};
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kTrailerSize = 4;

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

// Bounds-checked little-endian reader over one chunk's payload.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool u32(std::uint32_t& v) {
        if (size_ - pos_ < 4) return false;
        v = le32(data_ + pos_);
        pos_ += 4;
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint32_t u;
        if (!u32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool str(std::u16string& s, std::size_t maxUnits) {
        if (size_ - pos_ < 2) return false;
        const std::size_t n = le16(data_ + pos_);
        pos_ += 2;
        if (n > maxUnits || size_ - pos_ < n * 2) return false;
        s.resize(n);
        for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char16_t>(le16(data_ + pos_ + 2 * i));
        pos_ += n * 2;
        for (char16_t c : s)
            if (c == 0) return false;  // texts end at their terminator in the engine's records
        return true;
    }
    std::size_t remaining() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class Writer {
public:
    void u8s(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    }
    void u16(std::uint16_t v) { out.push_back(v & 0xFF); out.push_back(v >> 8); }
    void u32(std::uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void str(const std::u16string& s, std::size_t maxUnits, const std::string& what) {
        if (s.size() > maxUnits)
            throw std::invalid_argument(what + " is longer than " + std::to_string(maxUnits) + " UTF-16 units");
        if (s.find(u'\0') != std::u16string::npos) throw std::invalid_argument(what + " contains a zero character");
        u16(static_cast<std::uint16_t>(s.size()));
        for (char16_t c : s) u16(static_cast<std::uint16_t>(c));
    }
    std::vector<std::uint8_t> out;
};

SongParseResult fail(SongFileError e, std::string msg) {
    SongParseResult r;
    r.error = e;
    r.message = std::move(msg);
    return r;
}

bool parseInfo(Reader& r, SongData& song) {
    return r.str(song.name, 255) && r.str(song.singer, 255) && r.u32(song.songEnd);
}

std::string parsePart(Reader& r, SongPart& part) {
    std::uint32_t n = 0;
    if (!r.i32(part.number) || !r.i32(part.voiceType)) return "header cut short";
    if (part.number != 1 && part.number != 2) return "part number " + std::to_string(part.number) + " is not 1 or 2";
    const std::string where = "part " + std::to_string(part.number) + ": ";
    // Every record needs at least 16 bytes, so a count larger than remaining/16 is a lie;
    // checking it first keeps a damaged count from reserving gigabytes.
    auto count = [&](std::size_t limit, std::size_t minBytes, const char* what) -> std::string {
        if (!r.u32(n)) return where + what + " count cut short";
        if (n > limit) return where + std::to_string(n) + " " + what + " (at most " + std::to_string(limit) + ")";
        if (n > r.remaining() / minBytes) return where + what + " count larger than the chunk";
        return {};
    };
    if (auto e = count(kMaxLinesPerPart, 18, "lines"); !e.empty()) return e;
    part.lines.resize(n);
    for (std::size_t i = 0; i < part.lines.size(); ++i) {
        auto& l = part.lines[i];
        std::uint32_t flags;
        if (!r.u32(flags) || !r.i32(l.row) || !r.u32(l.begin) || !r.u32(l.end) || !r.str(l.text, kMaxLineTextUnits))
            return where + "line " + std::to_string(i) + " is cut short or its text is too long";
        l.chorus = (flags & 1u) != 0;
    }
    if (auto e = count(kMaxWordsPerPart, 20, "words"); !e.empty()) return e;
    part.words.resize(n);
    for (std::size_t i = 0; i < part.words.size(); ++i) {
        auto& w = part.words[i];
        if (!r.u32(w.begin) || !r.u32(w.end) || !r.i32(w.line) || !r.i32(w.charPos) ||
            !r.str(w.text, kMaxWordTextUnits) || !r.str(w.phonetic, kMaxPhoneticUnits))
            return where + "word " + std::to_string(i) + " is cut short or its text is too long";
    }
    if (auto e = count(kMaxCountInsPerPart, 8, "count-ins"); !e.empty()) return e;
    part.countIns.resize(n);
    for (auto& c : part.countIns)
        if (!r.u32(c.end) || !r.u32(c.beats)) return where + "count-in cut short";
    if (auto e = count(kMaxNotesPerPart, 28, "notes"); !e.empty()) return e;
    part.notes.resize(n);
    for (std::size_t i = 0; i < part.notes.size(); ++i) {
        auto& m = part.notes[i];
        if (!r.u32(m.begin) || !r.u32(m.end) || !r.i32(m.note)) return where + "note cut short";
        for (auto& x : m.extra)
            if (!r.i32(x)) return where + "note cut short";
        if (m.note < 0 || m.note > 127) return where + "note " + std::to_string(i) + " has pitch " + std::to_string(m.note);
    }
    if (r.remaining() != 0) return where + "trailing bytes in the chunk";
    return {};
}

} // namespace

const SongPart* SongData::part(int number) const {
    for (const auto& p : parts)
        if (p.number == number) return &p;
    return nullptr;
}

SongParseResult checkSongFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxSongFileBytes)
        return fail(SongFileError::TooLarge, "song file of " + std::to_string(bytes.size()) + " bytes exceeds the limit");
    if (bytes.size() < kHeaderSize + kTrailerSize) return fail(SongFileError::Truncated, "song file shorter than its header");
    if (std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0)
        return fail(SongFileError::BadMagic, "not a song file (magic mismatch)");
    const auto version = le16(bytes.data() + 8);
    if (version != kSongFileVersion)
        return fail(SongFileError::BadVersion, "song file version " + std::to_string(version) + " is not supported");
    const auto declared = le32(bytes.data() + 12);
    if (declared != bytes.size())
        return fail(declared > bytes.size() ? SongFileError::Truncated : SongFileError::BadField,
                    "song file declares " + std::to_string(declared) + " bytes but has " + std::to_string(bytes.size()));
    const auto stored = le32(bytes.data() + bytes.size() - kTrailerSize);
    if (crc32(bytes.data(), bytes.size() - kTrailerSize) != stored)
        return fail(SongFileError::BadChecksum, "song file checksum mismatch");
    return {};
}

SongParseResult parseSongFile(std::span<const std::uint8_t> bytes) {
    auto check = checkSongFile(bytes);
    if (check.error != SongFileError::None) return check;

    SongData song;
    bool haveInfo = false, haveMidi = false;
    const std::size_t end = bytes.size() - kTrailerSize;
    std::size_t pos = kHeaderSize;
    while (pos < end) {
        if (end - pos < 8) return fail(SongFileError::BadChunk, "chunk header cut short at offset " + std::to_string(pos));
        const std::string tag(reinterpret_cast<const char*>(bytes.data() + pos), 4);
        const std::size_t len = le32(bytes.data() + pos + 4);
        pos += 8;
        if (len > end - pos) return fail(SongFileError::BadChunk, "chunk " + tag + " runs past the end of the file");
        Reader r(bytes.data() + pos, len);
        if (tag == "INFO") {
            if (haveInfo) return fail(SongFileError::BadChunk, "second INFO chunk");
            if (!parseInfo(r, song) || r.remaining() != 0) return fail(SongFileError::BadField, "INFO chunk malformed");
            haveInfo = true;
        } else if (tag == "MIDI") {
            if (haveMidi) return fail(SongFileError::BadChunk, "second MIDI chunk");
            song.midi.assign(bytes.begin() + pos, bytes.begin() + pos + len);
            haveMidi = true;
        } else if (tag == "PART") {
            if (song.parts.size() >= 2) return fail(SongFileError::BadChunk, "more than two PART chunks");
            SongPart part;
            if (auto e = parsePart(r, part); !e.empty()) return fail(SongFileError::BadField, "PART chunk: " + e);
            if (song.part(part.number)) return fail(SongFileError::BadChunk, "part " + std::to_string(part.number) + " given twice");
            song.parts.push_back(std::move(part));
        }
        // Unknown chunks are skipped: later versions may add optional data.
        pos += len;
    }
    if (!haveInfo) return fail(SongFileError::BadChunk, "no INFO chunk");
    if (!haveMidi || song.midi.empty()) return fail(SongFileError::BadChunk, "no MIDI chunk");
    if (song.parts.size() == 2 && song.parts[0].number > song.parts[1].number) std::swap(song.parts[0], song.parts[1]);
    SongParseResult ok;
    ok.song = std::move(song);
    return ok;
}

std::vector<std::uint8_t> writeSongFile(const SongData& song) {
    if (song.parts.size() > 2) throw std::invalid_argument("a song has at most two parts");
    if (song.midi.empty()) throw std::invalid_argument("the song has no MIDI accompaniment");
    Writer w;
    w.u8s(kMagic.data(), kMagic.size());
    w.u16(kSongFileVersion);
    w.u16(0);
    w.u32(0);  // total size, patched below

    auto chunk = [&](const char* tag, const std::vector<std::uint8_t>& payload) {
        w.u8s(tag, 4);
        w.u32(static_cast<std::uint32_t>(payload.size()));
        w.u8s(payload.data(), payload.size());
    };
    Writer info;
    info.str(song.name, 255, "song name");
    info.str(song.singer, 255, "singer name");
    info.u32(song.songEnd);
    chunk("INFO", info.out);
    chunk("MIDI", song.midi);
    for (const auto& p : song.parts) {
        const std::string where = "part " + std::to_string(p.number) + " ";
        if (p.number != 1 && p.number != 2) throw std::invalid_argument(where + "number is not 1 or 2");
        if (p.lines.size() > kMaxLinesPerPart || p.words.size() > kMaxWordsPerPart ||
            p.countIns.size() > kMaxCountInsPerPart || p.notes.size() > kMaxNotesPerPart)
            throw std::invalid_argument(where + "has too many records");
        Writer pw;
        pw.i32(p.number);
        pw.i32(p.voiceType);
        pw.u32(static_cast<std::uint32_t>(p.lines.size()));
        for (std::size_t i = 0; i < p.lines.size(); ++i) {
            const auto& l = p.lines[i];
            pw.u32(l.chorus ? 1u : 0u);
            pw.i32(l.row);
            pw.u32(l.begin);
            pw.u32(l.end);
            pw.str(l.text, kMaxLineTextUnits, where + "line " + std::to_string(i) + " text");
        }
        pw.u32(static_cast<std::uint32_t>(p.words.size()));
        for (std::size_t i = 0; i < p.words.size(); ++i) {
            const auto& wd = p.words[i];
            pw.u32(wd.begin);
            pw.u32(wd.end);
            pw.i32(wd.line);
            pw.i32(wd.charPos);
            pw.str(wd.text, kMaxWordTextUnits, where + "word " + std::to_string(i) + " text");
            pw.str(wd.phonetic, kMaxPhoneticUnits, where + "word " + std::to_string(i) + " phonetic text");
        }
        pw.u32(static_cast<std::uint32_t>(p.countIns.size()));
        for (const auto& c : p.countIns) { pw.u32(c.end); pw.u32(c.beats); }
        pw.u32(static_cast<std::uint32_t>(p.notes.size()));
        for (const auto& n : p.notes) {
            if (n.note < 0 || n.note > 127) throw std::invalid_argument(where + "note pitch outside 0..127");
            pw.u32(n.begin);
            pw.u32(n.end);
            pw.i32(n.note);
            for (auto x : n.extra) pw.i32(x);
        }
        chunk("PART", pw.out);
    }
    const std::size_t total = w.out.size() + kTrailerSize;
    if (total > kMaxSongFileBytes) throw std::invalid_argument("song file would exceed the size limit");
    for (int i = 0; i < 4; ++i) w.out[12 + i] = static_cast<std::uint8_t>((total >> (8 * i)) & 0xFF);
    w.u32(crc32(w.out.data(), w.out.size()));
    return std::move(w.out);
}

} // namespace vokaran
