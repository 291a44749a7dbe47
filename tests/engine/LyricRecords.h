#pragma once
// Engine records made in the tests, shaped as the engine's getters hand them out.
#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/EngineRecords.h"

namespace lyrictest {

// A text as long as the field is left without a terminator.
template <std::size_t N>
void setText(char16_t (&field)[N], std::u16string_view text) {
  std::copy_n(text.begin(), std::min(N, text.size()), field);
}

// One part's arrays; records() points into them.
struct PartRecords {
  int voiceType = 1;
  bool withPhonetics = true;
  std::vector<VokaLyricLine> lines;
  std::vector<VokaLyricWord> words;
  std::vector<VokaPhonetic> phonetics;
  std::vector<VokaCountIn> countIns;

  PartRecords& line(std::u16string_view text, int row, int begin, int end, bool chorus = false) {
    VokaLyricLine r{};
    setText(r.text, text);
    r.row = row;
    r.begin = begin;
    r.end = end;
    r.chorus = chorus;
    lines.push_back(r);
    return *this;
  }
  PartRecords& word(int line, int begin, int end, std::u16string_view text,
                    std::u16string_view phonetic = u"", int charPos = -1) {
    VokaLyricWord w{};
    w.line = line;
    w.begin = begin;
    w.end = end;
    setText(w.text, text);
    words.push_back(w);
    VokaPhonetic p{};
    setText(p.text, phonetic);
    p.charPos = charPos;
    phonetics.push_back(p);
    return *this;
  }
  EngineLyricPart records() const {
    return {voiceType, lines.data(), int(lines.size()), words.data(), int(words.size()),
            withPhonetics ? phonetics.data() : nullptr, countIns.data(), int(countIns.size())};
  }
};

inline EngineLyricRecords records(const PartRecords& part1, const PartRecords& part2) {
  return {{part1.records(), part2.records()}};
}

}  // namespace lyrictest
