#pragma once
// Records the network facade fills from the library's replies or hands to the library.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/SongRecord.h"
#include "vokanetlink/VokaNetLink.h"

// An owned picture: `length` bytes at the start of a zero-filled block of 2 × length + 2
// bytes (room for a terminator whichever way the bytes are read). Copies are deep.
class PictureBuffer {
 public:
  PictureBuffer() = default;
  PictureBuffer(const unsigned char* bytes, std::size_t length);
  PictureBuffer(const PictureBuffer& other);
  PictureBuffer& operator=(const PictureBuffer& other);
  PictureBuffer(PictureBuffer&&) noexcept = default;
  PictureBuffer& operator=(PictureBuffer&&) noexcept = default;

  const unsigned char* data() const { return bytes_.get(); }
  std::size_t length() const { return length_; }
  bool empty() const { return length_ == 0; }

 private:
  std::unique_ptr<unsigned char[]> bytes_;
  std::size_t length_ = 0;
};

// A singer of a catalogue page.
struct SingerRecord {
  std::wstring SingerName;
  std::wstring SingerKey;
};

// One page of a paged reply: the page index from 0 and the page count (both 0 when the
// reply held no records).
template <class Record>
struct DataPage {
  int pageIndex = 0;
  int total = 0;
  std::vector<Record> records;
};

// A song-book entry as the library reads it: text 0 the song id, 1 its name, 7 to 9 the
// singer's name, 11 to 15 the five flash codes, 16 the singer key; all else empty or 0.
class SongInfo : public ISongInfo {
 public:
  SongInfo() = default;
  explicit SongInfo(const SongRecord& song);

  int GetInt0() const override { return ints_[0]; }
  int GetInt1() const override { return ints_[1]; }
  int GetInt2() const override { return ints_[2]; }
  int GetInt3() const override { return ints_[3]; }
  const wchar_t* GetText0() const override { return texts_[0].c_str(); }
  const wchar_t* GetText1() const override { return texts_[1].c_str(); }
  const wchar_t* GetText2() const override { return texts_[2].c_str(); }
  const wchar_t* GetText3() const override { return texts_[3].c_str(); }
  const wchar_t* GetText4() const override { return texts_[4].c_str(); }
  const wchar_t* GetText5() const override { return texts_[5].c_str(); }
  const wchar_t* GetText6() const override { return texts_[6].c_str(); }
  const wchar_t* GetText7() const override { return texts_[7].c_str(); }
  const wchar_t* GetText8() const override { return texts_[8].c_str(); }
  const wchar_t* GetText9() const override { return texts_[9].c_str(); }
  const wchar_t* GetText10() const override { return texts_[10].c_str(); }
  const wchar_t* GetText11() const override { return texts_[11].c_str(); }
  const wchar_t* GetText12() const override { return texts_[12].c_str(); }
  const wchar_t* GetText13() const override { return texts_[13].c_str(); }
  const wchar_t* GetText14() const override { return texts_[14].c_str(); }
  const wchar_t* GetText15() const override { return texts_[15].c_str(); }
  const wchar_t* GetText16() const override { return texts_[16].c_str(); }
  const wchar_t* GetText17() const override { return texts_[17].c_str(); }

  std::wstring& text(std::size_t index) { return texts_.at(index); }

 private:
  std::array<int, 4> ints_{};
  std::array<std::wstring, 18> texts_;
};

// The user's audio settings as exchanged with the server: C to J hold "VOL", "MIC",
// "MICRC", "Accompany", "MELODY", "KEY", "ECHO" and "Depth", K the effect mode's id; A, B,
// L, M and the four 8-bit texts are carried as they come.
class LocalSettingInfoImp : public ILocalSettingInfo {
 public:
  LocalSettingInfoImp() = default;
  explicit LocalSettingInfoImp(const ILocalSettingInfo& other);

  int GetA() const override { return values[0]; }
  int GetB() const override { return values[1]; }
  const char* GetText0() const override { return texts[0].c_str(); }
  const char* GetText1() const override { return texts[1].c_str(); }
  const char* GetText2() const override { return texts[2].c_str(); }
  const char* GetText3() const override { return texts[3].c_str(); }
  int GetC() const override { return values[2]; }
  int GetD() const override { return values[3]; }
  int GetE() const override { return values[4]; }
  int GetF() const override { return values[5]; }
  int GetG() const override { return values[6]; }
  int GetH() const override { return values[7]; }
  int GetI() const override { return values[8]; }
  int GetJ() const override { return values[9]; }
  int GetK() const override { return values[10]; }
  int GetL() const override { return values[11]; }
  int GetM() const override { return values[12]; }

  std::array<int, 13> values{};  // A, B, C … M
  std::array<std::string, 4> texts;
};

// The server's tone record (reply 2588), handed to the application's tuning control, which
// turns it into a tone slot: `index` selects the slot.
struct ToneInfo {
  int index = 0;
  int isMale = 0;
  int highPitch = 0;
  int highKey = 0;
  int lowPitch = 0;
  bool use = false;
  int lowKey = 0;
  std::string rangeCode;
  std::wstring leave;  // the level as decimal text
  int samples = 0;
  bool verified = false;
};

// What a local and a published work share.
struct RecordingInfo {
  std::wstring Key;
  std::wstring Song;
  std::wstring Singer;
  std::wstring SongID;
  std::wstring SingerID;
  std::wstring RecordTime;
  int FullScore = 0;
  int PitchScore = 0;
  int BeatScore = 0;
  int EmotionScore = 0;
  int AdditionalScore = 0;
  int TotalScore = 0;
  int Type = 0;  // 1: a contest work
};

// A published work (reply 6325).
struct NetRecording : RecordingInfo {
  int Flowers = 0;
  int Listens = 0;
  std::wstring WebUrl;
  std::wstring PictureUrl;
  std::wstring FileUrl;
  std::wstring Reserved;  // never filled
};

// A published work shown for a contest song (reply 6322). The contest window uses the display
// text, the picture key (for RequestProductPicture) and the work's web address.
struct PKProductRecord {
  std::wstring DisplayText;
  std::wstring PictureKey;
  std::wstring WebUrl;
  std::array<std::wstring, 14> OtherTexts;  // left empty
  int Value = 0;                            // left 0
};
