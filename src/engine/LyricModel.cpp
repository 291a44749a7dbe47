#include "engine/LyricModel.h"

namespace {

template <typename T>
const T* at(const std::vector<T>& items, int index) {
  return index >= 0 && index < static_cast<int>(items.size()) ? &items[index] : nullptr;
}

}  // namespace

const ILyricsScanTrack* CLyricTrack::GetWord(int index) const { return at(words_, index); }

const ILyricTrack* LyricsChannel::GetLine(int index) const { return line(index); }

const CLyricTrack* LyricsChannel::line(int index) const { return at(lines_, index); }

int LyricsChannel::scanFrom(int first, uint32_t t) const {
  for (int i = first; i < static_cast<int>(lines_.size()); ++i) {
    if (lines_[i].contains(t)) return i;
    if (lines_[i].GetBegin() > t) break;
  }
  return -1;
}

// The lyrics window asks for every row on every redraw, with a time that mostly stays in the
// same line or moves on to the next one: the cursor makes that a look at one or two lines.
int LyricsChannel::FindLine(uint32_t t) {
  if (const CLyricTrack* current = line(cursor_); current && current->contains(t)) return cursor_;
  int found = scanFrom(cursor_ + 1, t);
  if (found < 0) found = scanFrom(0, t);
  if (found >= 0) cursor_ = found;
  return found;
}

const IPlayCount* CLyrics::GetPlayCount(int index) const { return at(playCounts_, index); }

LyricsChannel* CLyrics::channel(int row) {
  return row >= 0 && row < kRowCount ? &channels_[row] : nullptr;
}

const LyricsChannel* CLyrics::channel(int row) const {
  return row >= 0 && row < kRowCount ? &channels_[row] : nullptr;
}
