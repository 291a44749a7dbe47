#include "api/SongRecords.h"

#include <algorithm>
#include <cstring>

namespace vokaran {
namespace {

static_assert(sizeof(VokaLyricLine) == 396);
static_assert(sizeof(VokaLyricWord) == 112);
static_assert(sizeof(VokaPhonetic) == 100);
static_assert(sizeof(VokaCountIn) == 12);
static_assert(sizeof(VokaMelodyNote) == 88);
static_assert(offsetof(VokaLyricLine, text) == 128 && offsetof(VokaLyricLine, chorus) == 380 &&
              offsetof(VokaLyricLine, row) == 384 && offsetof(VokaLyricLine, begin) == 388);
static_assert(offsetof(VokaLyricWord, begin) == 4 && offsetof(VokaLyricWord, line) == 12 &&
              offsetof(VokaLyricWord, text) == 48);
static_assert(offsetof(VokaPhonetic, text) == 32 && offsetof(VokaPhonetic, charPos) == 96);
static_assert(offsetof(VokaMelodyNote, extra) == 12);

template <std::size_t N>
void copyText(VokaChar16 (&dst)[N], const std::u16string& src) {
    const std::size_t n = std::min(src.size(), N - 1);  // the parser already refuses longer texts
    std::copy_n(src.begin(), n, dst);
    dst[n] = 0;
}

std::int32_t time32(std::uint32_t t) { return static_cast<std::int32_t>(t); }

} // namespace

SongRecords buildSongRecords(const SongData& song) {
    SongRecords out;
    for (const auto& part : song.parts) {
        auto& pr = out.parts[part.number - 1];
        pr.present = true;
        pr.voiceType = part.voiceType;
        for (const auto& l : part.lines) {
            VokaLyricLine r{};
            copyText(r.text, l.text);
            r.chorus = l.chorus ? 1 : 0;
            r.row = l.row;
            r.begin = time32(l.begin);
            r.end = time32(l.end);
            pr.lines.push_back(r);
        }
        for (const auto& w : part.words) {
            VokaLyricWord r{};
            r.begin = time32(w.begin);
            r.end = time32(w.end);
            r.line = w.line;
            copyText(r.text, w.text);
            pr.words.push_back(r);
            VokaPhonetic p{};
            copyText(p.text, w.phonetic);
            p.charPos = w.charPos;
            pr.phonetics.push_back(p);
        }
        for (const auto& c : part.countIns) pr.countIns.push_back(VokaCountIn{time32(c.end), static_cast<std::int32_t>(c.beats), 0});
        for (const auto& n : part.notes) {
            VokaMelodyNote r{};
            r.begin = time32(n.begin);
            r.end = time32(n.end);
            r.note = n.note;
            std::copy(n.extra.begin(), n.extra.end(), r.extra);
            pr.notes.push_back(r);
            if (pr.lowNote < 0 || n.note < pr.lowNote) pr.lowNote = n.note;
            if (n.note > pr.highNote) pr.highNote = n.note;
        }
    }
    return out;
}

} // namespace vokaran
