#pragma once
// The pieces of the lyrics model: words, lines, display rows, count-ins, parts and the colours
// of a line. Plain values that own everything they hold (texts are copied out of the engine's
// records when the model is loaded). CLyricsData builds them; others read them through the
// interfaces of ILyrics.h.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/ILyrics.h"

struct LYRIC_COLOR final : ILyricColor {
  uint32_t ClrsingIn = 0xFFFFFFFF;
  uint32_t ClrsingBor = 0xFF000000;
  uint32_t ClrsangIn = 0xFF4000FF;
  uint32_t ClrsangBor = 0xFFFFFFFF;

  LYRIC_COLOR() = default;
  // The entry of the colour table: white text with a black border, sung in `sangIn`.
  explicit LYRIC_COLOR(uint32_t sangIn) : ClrsangIn(sangIn) {}

  uint32_t GetClrsingIn() const override { return ClrsingIn; }
  uint32_t GetClrsingBor() const override { return ClrsingBor; }
  uint32_t GetClrsangIn() const override { return ClrsangIn; }
  uint32_t GetClrsangBor() const override { return ClrsangBor; }
  bool operator==(const LYRIC_COLOR& other) const {
    return ClrsingIn == other.ClrsingIn && ClrsingBor == other.ClrsingBor &&
           ClrsangIn == other.ClrsangIn && ClrsangBor == other.ClrsangBor;
  }
};

class CLyricsScanTrack final : public ILyricsScanTrack {
 public:
  CLyricsScanTrack(uint32_t begin, uint32_t end, std::wstring text)
      : begin_(begin), end_(end), text_(std::move(text)) {}
  uint32_t GetBegin() const override { return begin_; }
  uint32_t GetEnd() const override { return end_; }
  const std::wstring& GetText() const override { return text_; }
  const std::wstring& GetPhonetic() const override { return phonetic_; }
  int GetCharPos() const override { return charPos_; }

  void setPhonetic(std::wstring phonetic, int charPos) {
    phonetic_ = std::move(phonetic);
    charPos_ = charPos;
  }

 private:
  uint32_t begin_;
  uint32_t end_;
  std::wstring text_;
  std::wstring phonetic_;
  int charPos_ = -1;
};

class CLyricTrack final : public ILyricTrack {
 public:
  CLyricTrack(uint32_t begin, uint32_t end, std::wstring text, std::wstring colorName)
      : begin_(begin), end_(end), text_(std::move(text)), colorName_(std::move(colorName)) {}
  uint32_t GetBegin() const override { return begin_; }
  uint32_t GetEnd() const override { return end_; }
  const std::wstring& GetColorName() const override { return colorName_; }
  int GetWordCount() const override { return static_cast<int>(words_.size()); }
  const ILyricsScanTrack* GetWord(int index) const override;
  const std::wstring& GetText() const override { return text_; }

  bool contains(uint32_t t) const { return begin_ <= t && t <= end_; }
  const std::vector<CLyricsScanTrack>& words() const { return words_; }
  void addWord(CLyricsScanTrack word) { words_.push_back(std::move(word)); }

 private:
  std::vector<CLyricsScanTrack> words_;
  uint32_t begin_;
  uint32_t end_;
  std::wstring text_;
  std::wstring colorName_;
};

class LyricsChannel final : public ILyricChannel {
 public:
  int GetLineCount() const override { return static_cast<int>(lines_.size()); }
  const ILyricTrack* GetLine(int index) const override;
  int FindLine(uint32_t t) override;

  const std::vector<CLyricTrack>& lines() const { return lines_; }
  const CLyricTrack* line(int index) const;
  void addLine(CLyricTrack line) { lines_.push_back(std::move(line)); }
  int cursor() const { return cursor_; }

 private:
  // From `first` on, the first line that contains `t`, stopping at a line that begins after
  // it; -1 when there is none.
  int scanFrom(int first, uint32_t t) const;

  std::vector<CLyricTrack> lines_;
  int cursor_ = -1;
};

class CPlayCount final : public IPlayCount {
 public:
  CPlayCount(int end, int beatCount) : end_(end), beatCount_(beatCount) {}
  int GetReserved() const override { return reserved_; }
  int GetEnd() const override { return end_; }
  int GetBeatCount() const override { return beatCount_; }

 private:
  int reserved_ = 0;
  int end_;
  int beatCount_;
};

class CLyrics final : public ILyrics {
 public:
  static constexpr int kRowCount = 2;

  explicit CLyrics(std::wstring name = std::wstring()) : name_(std::move(name)) {}
  const std::wstring& GetName() const override { return name_; }
  int GetPlayCountCount() const override { return static_cast<int>(playCounts_.size()); }
  const IPlayCount* GetPlayCount(int index) const override;
  ILyricChannel* GetChannel(int row) override { return channel(row); }
  const ILyricChannel* GetChannel(int row) const override { return channel(row); }

  LyricsChannel* channel(int row);
  const LyricsChannel* channel(int row) const;
  const std::vector<CPlayCount>& playCounts() const { return playCounts_; }
  void addPlayCount(CPlayCount playCount) { playCounts_.push_back(playCount); }

 private:
  std::wstring name_;
  std::vector<CPlayCount> playCounts_;
  std::array<LyricsChannel, kRowCount> channels_;
};
