// The line of a display row at a moment, and how far it has been sung.
#include <algorithm>

#include "engine/CLyricsData.h"

namespace {

void fillWipe(const CLyricTrack& line, uint32_t t, LyricLineState& state) {
  bool current = false;
  for (const CLyricsScanTrack& word : line.words()) {
    const int chars = static_cast<int>(word.GetText().size());
    if (word.GetEnd() < t) {
      state.sungChars += chars;
    } else if (!current && word.GetBegin() <= t) {
      // Loading keeps only words with end > begin, so the division is safe.
      current = true;
      state.currentChars = chars;
      const double done = double(t - word.GetBegin()) / double(word.GetEnd() - word.GetBegin());
      state.currentFraction = static_cast<float>(std::clamp(done, 0.0, 1.0));
    }
  }
}

}  // namespace

LyricLineState CLyricsData::findLine(int partIndex, int row, uint32_t t) {
  LyricLineState state;
  CLyrics* lyrics = part(partIndex);
  LyricsChannel* channel = lyrics ? lyrics->channel(row) : nullptr;
  const int index = channel ? channel->FindLine(t) : -1;
  if (index < 0) return state;
  const CLyricTrack& line = *channel->line(index);
  state.found = true;
  state.text = line.GetText();
  for (const CLyricsScanTrack& word : line.words())
    if (word.GetCharPos() >= 0) state.phonetics[word.GetCharPos()] = word.GetPhonetic();
  state.colors = colorsOf(line.GetColorName());
  fillWipe(line, t, state);
  return state;
}

LyricLineState CLyricsData::findRowLine(int row, uint32_t t) {
  LyricLineState state = findLine(0, row, t);
  return state.found ? state : findLine(1, row, t);
}
