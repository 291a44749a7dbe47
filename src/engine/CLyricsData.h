#pragma once
// The lyrics of the song being sung: its parts with their display rows, lines, words and
// count-ins, the colour table, and the song's and singer's names. The mission manager owns the
// one instance; the performance loads it after the song was opened in the engine, the lyrics
// window asks it for the line of each row, and the end of a contest song saves it as the
// performance's ".lyric" file (docs/lyric-file.md). GUI thread.
//
// Everything is copied out of the engine at load time: the engine's arrays are gone with the
// next song it opens, while this model stays readable (and savable) until the next load.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/EngineRecords.h"
#include "engine/LyricModel.h"

struct SongRecord;

// What the lyrics window draws for one row at one moment.
struct LyricLineState {
  bool found = false;
  std::wstring text;
  // Character position in the line -> phonetic text of the word starting there.
  std::map<int, std::wstring> phonetics;
  LYRIC_COLOR colors;
  // The wipe: characters of the words that have ended, characters of the word being sung (0
  // when none is) and how far that word has been sung, 0..1.
  int sungChars = 0;
  int currentChars = 0;
  float currentFraction = 0.0f;
};

class CLyricsData {
 public:
  static constexpr int kPartCount = 2;
  static constexpr uint32_t kColorMail = 0xFF4000FF;
  static constexpr uint32_t kColorFMail = 0xFFFF0040;
  static constexpr uint32_t kColorChorus = 0xFF00A000;
  static constexpr uint32_t kColorSecondOfSameVoice = 0xFF8000FF;

  // Empty, with the default colour table ("Mail", "FMail", "Chorus", "Def").
  CLyricsData();

  // Replaces the model with the song in `records` (copied) and the names in `song`.
  void load(const EngineLyricRecords& records, const SongRecord& song);
  // The same for the song opened in the engine. GUI thread, after the song was opened.
  void loadFromEngine(const SongRecord& song);
  // Back to the state of a new instance.
  void clear();

  // Parts 0 and 1 once loaded; none before.
  int partCount() const { return static_cast<int>(parts_.size()); }
  CLyrics* part(int index);
  const CLyrics* part(int index) const;
  const std::map<std::wstring, LYRIC_COLOR>& colors() const { return colors_; }
  // The colours of `name`; those of "Def" when the name is empty or not in the table.
  const LYRIC_COLOR& colorsOf(const std::wstring& name) const;
  const std::wstring& songName() const { return songName_; }
  const std::wstring& singerName() const { return singerName_; }

  // The line of `row` (0, 1) of `part` (0, 1) at engine time `t`, and its wipe state. Moves
  // the row's cursor.
  LyricLineState findLine(int part, int row, uint32_t t);
  // The row's line as the lyrics window shows it: part 0's, or part 1's when part 0 has none.
  LyricLineState findRowLine(int row, uint32_t t);

  // Writes the ".lyric" file, replacing `path` whole or not at all. False, with one log line,
  // when it could not be written.
  bool save(const std::wstring& path) const;

 private:
  void resetColors();
  void setColor(const std::wstring& name, uint32_t sangIn);

  std::vector<CLyrics> parts_;
  std::map<std::wstring, LYRIC_COLOR> colors_;
  std::wstring songName_;
  std::wstring singerName_;
};
