#pragma once
// The read side of the lyrics model, as the lyrics window, the grade display and the lyric
// file see it. Times are engine times (1/1024 ms). The objects behind these interfaces belong
// to the CLyricsData that handed them out and live until its next load or clear.
#include <cstdint>
#include <string>

// The four colours of a line, 32-bit ARGB.
class ILyricColor {
 public:
  virtual ~ILyricColor() = default;
  virtual uint32_t GetClrsingIn() const = 0;   // fill of the text still to be sung
  virtual uint32_t GetClrsingBor() const = 0;  // its border
  virtual uint32_t GetClrsangIn() const = 0;   // fill of the sung text
  virtual uint32_t GetClrsangBor() const = 0;  // its border
};

// A word of a line.
class ILyricsScanTrack {
 public:
  virtual ~ILyricsScanTrack() = default;
  virtual uint32_t GetBegin() const = 0;
  virtual uint32_t GetEnd() const = 0;
  virtual const std::wstring& GetText() const = 0;
  virtual const std::wstring& GetPhonetic() const = 0;
  // Where the word starts in its line's text; -1 when the song does not say.
  virtual int GetCharPos() const = 0;
};

// A lyric line.
class ILyricTrack {
 public:
  virtual ~ILyricTrack() = default;
  virtual uint32_t GetBegin() const = 0;
  virtual uint32_t GetEnd() const = 0;
  // "Chorus" for chorus lines, else empty.
  virtual const std::wstring& GetColorName() const = 0;
  virtual int GetWordCount() const = 0;
  // Null when `index` is out of range.
  virtual const ILyricsScanTrack* GetWord(int index) const = 0;
  virtual const std::wstring& GetText() const = 0;
};

// A display row: its lines in time order and the cursor of the last line found.
class ILyricChannel {
 public:
  virtual ~ILyricChannel() = default;
  virtual int GetLineCount() const = 0;
  virtual const ILyricTrack* GetLine(int index) const = 0;
  // The index of the line that contains `t` (begin <= t <= end), or -1; moves the cursor.
  virtual int FindLine(uint32_t t) = 0;
};

// A count-in: the first value is kept as the engine gives it and never read.
class IPlayCount {
 public:
  virtual ~IPlayCount() = default;
  virtual int GetReserved() const = 0;
  virtual int GetEnd() const = 0;
  virtual int GetBeatCount() const = 0;
};

// A part of the song.
class ILyrics {
 public:
  virtual ~ILyrics() = default;
  // The part's colour name: "Mail", "FMail", "Chorus" or empty.
  virtual const std::wstring& GetName() const = 0;
  virtual int GetPlayCountCount() const = 0;
  virtual const IPlayCount* GetPlayCount(int index) const = 0;
  // Row 0 or 1; null for any other row.
  virtual ILyricChannel* GetChannel(int row) = 0;
  virtual const ILyricChannel* GetChannel(int row) const = 0;
};
