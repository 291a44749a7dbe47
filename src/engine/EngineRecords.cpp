#include "engine/EngineRecords.h"

namespace {

// One getter call: the array and its count, or nothing when the getter fails.
template <typename Record, typename Getter>
void readArray(Getter getter, const Record*& records, int& count) {
  const Record* got = nullptr;
  int n = 0;
  const int result = getter(&got, &n);
  if (result < 0 || got == nullptr) {
    records = nullptr;
    count = 0;
    return;
  }
  records = got;
  count = n < 0 ? 0 : n;
}

}  // namespace

EngineLyricRecords readEngineLyricRecords() {
  EngineLyricRecords r;
  EngineLyricPart& p1 = r.parts[0];
  EngineLyricPart& p2 = r.parts[1];
  p1.voiceType = GetMelodyType1();
  p2.voiceType = GetMelodyType2();
  readArray<VokaCountIn>(sGetPlayCount, p1.countIns, p1.countInCount);
  readArray<VokaCountIn>(sGetPlayCount2, p2.countIns, p2.countInCount);
  readArray<VokaLyricWord>([](auto** w, int* n) { return sGetMidiLyricsScan(w, n, 1); }, p1.words,
                           p1.wordCount);
  readArray<VokaLyricWord>([](auto** w, int* n) { return sGetMidiLyricsScan2(w, n, 1); }, p2.words,
                           p2.wordCount);
  readArray<VokaLyricLine>([](auto** l, int* n) { return sGetMidiLyrics(l, n, 1); }, p1.lines,
                           p1.lineCount);
  readArray<VokaLyricLine>([](auto** l, int* n) { return sGetMidiLyrics2(l, n, 1); }, p2.lines,
                           p2.lineCount);
  const VokaPhonetic* ps1 = nullptr;
  const VokaPhonetic* ps2 = nullptr;
  if (sGetMidiLyricsPS(&ps1, &ps2) >= 0) {
    p1.phonetics = ps1;
    p2.phonetics = ps2;
  }
  return r;
}

EngineMelodyRecords readEngineMelodyRecords() {
  EngineMelodyRecords r;
  for (int part = 1; part <= 2; ++part) {
    EngineMelodyPart& p = r.parts[part - 1];
    readArray<VokaMelodyNote>(
        [part](const VokaMelodyNote** notes, int* n) { return sGetMelodyNotes(part, notes, n); },
        p.notes, p.noteCount);
    p.lowestNote = GetMidiTopNote(-part);
    p.highestNote = GetMidiTopNote(part);
  }
  return r;
}
