#include "engine/CMelodyNoteData.h"

#include <algorithm>

namespace {

// The notes' lowest and highest pitch over both parts; a part without notes (negative values)
// takes no part in it. False when neither part has notes.
bool noteSpan(const EngineMelodyRecords& records, int& lowest, int& highest) {
  bool any = false;
  for (const EngineMelodyPart& p : records.parts) {
    if (p.lowestNote < 0 || p.highestNote < 0) continue;
    lowest = any ? std::min(lowest, p.lowestNote) : p.lowestNote;
    highest = any ? std::max(highest, p.highestNote) : p.highestNote;
    any = true;
  }
  return any;
}

}  // namespace

void CMelodyNoteData::clear() { parts_ = {}; }

void CMelodyNoteData::load(const EngineMelodyRecords& records) {
  clear();
  int lowest = 0;
  int highest = 0;
  if (noteSpan(records, lowest, highest) && lowest - kRangeMargin < highest + kRangeMargin) {
    for (Part& p : parts_) {
      p.low = lowest - kRangeMargin;
      p.high = highest + kRangeMargin;
    }
  }
  for (int i = 0; i < kPartCount; ++i) {
    const EngineMelodyPart& source = records.parts[i];
    Part& p = parts_[i];
    const int span = p.high - p.low;  // positive: a range is only set when low < high
    for (int n = 0; n < source.noteCount && source.notes; ++n) {
      const VokaMelodyNote& r = source.notes[n];
      if (r.end < r.begin) continue;
      MelodyNote note;
      note.begin = r.begin;
      note.end = r.end;
      note.pitch = span > 0 ? (r.note - p.low) * 100 / span : 0;
      std::copy(std::begin(r.extra), std::end(r.extra), note.extra.begin());
      p.notes.push_back(note);
    }
  }
}

void CMelodyNoteData::loadFromEngine() { load(readEngineMelodyRecords()); }

const CMelodyNoteData::Part* CMelodyNoteData::part(int index) const {
  return index >= 0 && index < kPartCount ? &parts_[index] : nullptr;
}

const std::vector<MelodyNote>& CMelodyNoteData::notes(int index) const {
  static const std::vector<MelodyNote> none;
  const Part* p = part(index);
  return p ? p->notes : none;
}

int CMelodyNoteData::low(int index) const {
  const Part* p = part(index);
  return p ? p->low : kDefaultLow;
}

int CMelodyNoteData::high(int index) const {
  const Part* p = part(index);
  return p ? p->high : kDefaultHigh;
}

std::vector<MelodyNote> CMelodyNoteData::notesBetween(int index, int32_t from, int32_t to) const {
  std::vector<MelodyNote> found;
  for (const MelodyNote& note : notes(index)) {
    if (note.end > from && note.begin < to) found.push_back(note);
    if (note.end > to) break;
  }
  return found;
}
