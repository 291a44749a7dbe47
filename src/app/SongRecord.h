#pragma once
// A song as it travels through the program: catalogue pages, contest songs, the sing queue
// and the sang list, the song book and the works. A plain record, copied by value; a fresh
// one has empty texts and zero numbers.
#include <string>

struct SongRecord {
  int SongNo = 0;            // catalogue number; the key for removing it from the song book
  std::wstring SongID;       // the song file is requested by it
  std::wstring SongName;
  int SongKey = 0;           // catalogue value, decimal text in files
  std::wstring SingerName;
  std::wstring SingerKey;    // queries the singer's other songs
  // Catalogue texts carried with the song, stored and sent on, never interpreted.
  std::wstring FlashCode1;
  std::wstring FlashCode2;
  std::wstring FlashCode3;
  std::wstring FlashCode4;
  std::wstring FlashCode5;
  std::wstring Reserved;     // never filled
};
