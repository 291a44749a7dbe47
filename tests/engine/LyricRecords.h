#pragma once
// Engine records made in the test, shaped as the engine's getters hand them out.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/EngineRecords.h"

namespace lyrictest {

// Fills a fixed text field; a text as long as the field is left without a terminator.
template <std::size_t N>
void setText(char16_t (&field)[N], std::u16string_view text) {
  std::fill(std::begin(field), std::end(field), u'\0');
  std::copy_n(text.begin(), std::min(N, text.size()), field);
}

// One part's arrays; records() points into them, so the builder must outlive its use.
struct PartRecords {
  int voiceType = 1;
  std::vector<VokaLyricLine> lines;
  std::vector<VokaLyricWord> words;
  std::vector<VokaPhonetic> phonetics;
  std::vector<VokaCountIn> countIns;
  bool withPhonetics = true;

  PartRecords& line(std::u16string_view text, int row, int begin, int end, bool chorus = false) {
    VokaLyricLine r{};
    setText(r.text, text);
    r.row = row;
    r.begin = begin;
    r.end = end;
    r.chorus = chorus ? 1 : 0;
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
  PartRecords& countIn(int end, int beats) {
    countIns.push_back({end, beats, 0});
    return *this;
  }
  EngineLyricPart records() const {
    EngineLyricPart p;
    p.voiceType = voiceType;
    p.lines = lines.data();
    p.lineCount = static_cast<int>(lines.size());
    p.words = words.data();
    p.wordCount = static_cast<int>(words.size());
    p.phonetics = withPhonetics ? phonetics.data() : nullptr;
    p.countIns = countIns.data();
    p.countInCount = static_cast<int>(countIns.size());
    return p;
  }
};

inline EngineLyricRecords records(const PartRecords& part1, const PartRecords& part2) {
  EngineLyricRecords r;
  r.parts[0] = part1.records();
  r.parts[1] = part2.records();
  return r;
}

}  // namespace lyrictest
