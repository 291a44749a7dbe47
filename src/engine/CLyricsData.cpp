#include "engine/CLyricsData.h"

#include "app/SongRecord.h"
#include "engine/EngineText.h"

namespace {

const std::wstring kMail = L"Mail";
const std::wstring kFMail = L"FMail";
const std::wstring kChorus = L"Chorus";
const std::wstring kDef = L"Def";

enum VoiceType { kMale = 1, kFemale = 2, kChorusVoice = 3 };

struct PartLook {
  std::wstring name;
  uint32_t color = 0;
};

// The names and colours of both parts from their voice types. A second part of the same voice
// as the first is told apart by its name and its own colour.
std::array<PartLook, 2> partLooks(int t1, int t2) {
  std::array<PartLook, 2> look;
  if (t1 != kFemale && t1 != kChorusVoice) t1 = kMale;
  switch (t1) {
    case kFemale: look[0] = {kFMail, CLyricsData::kColorFMail}; break;
    case kChorusVoice: look[0] = {kChorus, CLyricsData::kColorChorus}; break;
    default: look[0] = {kMail, CLyricsData::kColorMail}; break;
  }
  const uint32_t second = CLyricsData::kColorSecondOfSameVoice;
  switch (t2) {
    case kMale:
      look[1].color = t1 == kMale ? second : CLyricsData::kColorMail;
      look[1].name = look[0].name == kMail ? kFMail : kMail;
      break;
    case kFemale:
      look[1].color = t1 == kFemale ? second : CLyricsData::kColorFMail;
      look[1].name = look[0].name == kFMail ? kMail : kFMail;
      break;
    case kChorusVoice:
      look[1] = {kChorus, CLyricsData::kColorChorus};
      break;
    default:
      look[1].color = t1 == kMale ? second : CLyricsData::kColorMail;
      break;
  }
  return look;
}

// Lines in record order, with their words; then each goes to its display row.
void loadPart(const EngineLyricPart& records, CLyrics& part) {
  std::vector<CLyricTrack> lines;
  std::vector<int> rows;
  for (int i = 0; i < records.lineCount && records.lines; ++i) {
    const VokaLyricLine& r = records.lines[i];
    lines.emplace_back(static_cast<uint32_t>(r.begin), static_cast<uint32_t>(r.end),
                       wideFromEngineText(r.text), r.chorus != 0 ? kChorus : std::wstring());
    rows.push_back(r.row == 2 ? 1 : 0);
  }
  for (int i = 0; i < records.wordCount && records.words; ++i) {
    const VokaLyricWord& r = records.words[i];
    const auto begin = static_cast<uint32_t>(r.begin);
    const auto end = static_cast<uint32_t>(r.end);
    if (end <= begin || r.line < 0 || r.line >= static_cast<int>(lines.size())) continue;
    CLyricsScanTrack word(begin, end, wideFromEngineText(r.text));
    if (records.phonetics)
      word.setPhonetic(wideFromEngineText(records.phonetics[i].text), records.phonetics[i].charPos);
    lines[r.line].addWord(std::move(word));
  }
  for (std::size_t i = 0; i < lines.size(); ++i) part.channel(rows[i])->addLine(std::move(lines[i]));
  for (int i = 0; i < records.countInCount && records.countIns; ++i)
    part.addPlayCount(CPlayCount(records.countIns[i].end, records.countIns[i].beats));
}

}  // namespace

CLyricsData::CLyricsData() { resetColors(); }

void CLyricsData::clear() {
  parts_.clear();
  songName_.clear();
  singerName_.clear();
  resetColors();
}

void CLyricsData::resetColors() {
  colors_.clear();
  setColor(kMail, kColorMail);
  setColor(kFMail, kColorFMail);
  setColor(kChorus, kColorChorus);
  setColor(kDef, kColorMail);
}

void CLyricsData::setColor(const std::wstring& name, uint32_t sangIn) {
  colors_.insert_or_assign(name, LYRIC_COLOR(sangIn));
}

void CLyricsData::load(const EngineLyricRecords& records, const SongRecord& song) {
  clear();
  const auto looks = partLooks(records.parts[0].voiceType, records.parts[1].voiceType);
  setColor(looks[0].name, looks[0].color);
  setColor(looks[1].name, looks[1].color);
  setColor(kChorus, kColorChorus);
  for (int i = 0; i < kPartCount; ++i) {
    parts_.emplace_back(looks[i].name);
    loadPart(records.parts[i], parts_.back());
  }
  songName_ = song.SongName;
  singerName_ = song.SingerName;
}

void CLyricsData::loadFromEngine(const SongRecord& song) { load(readEngineLyricRecords(), song); }

CLyrics* CLyricsData::part(int index) {
  return index >= 0 && index < partCount() ? &parts_[index] : nullptr;
}

const CLyrics* CLyricsData::part(int index) const {
  return index >= 0 && index < partCount() ? &parts_[index] : nullptr;
}

const LYRIC_COLOR& CLyricsData::colorsOf(const std::wstring& name) const {
  auto found = name.empty() ? colors_.end() : colors_.find(name);
  if (found == colors_.end()) found = colors_.find(kDef);
  return found->second;
}
