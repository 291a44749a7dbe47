#pragma once
// The song-set format: a list of songs, each a map from item name to value. The sang list
// (SangSet.xml) is kept in it. File: document element "SongSet", one "Song" per song in list
// order, inside it one "Item" per entry with "Name" and "Value", in name order.
#include <map>
#include <string>
#include <vector>

#include "AppSet/ISet.h"
#include "app/SongRecord.h"

// A song read back from a song set, with the mission type it was stored with.
struct SongSetEntry {
  SongRecord record;
  int misType = 0;
};

class CSongSet : public ISet {
 public:
  using Song = std::map<std::wstring, std::wstring>;

  explicit CSongSet(std::wstring path = L"");

  // Reads through the GUI system's parser (GUI thread). The songs of the file are appended to
  // those in memory; a damaged file adds none.
  bool LoadSets() override;
  bool SaveSets() override;

  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }

  // Appends one entry per stored song, in order: song identifier, name, singer name, song key,
  // the five flash codes and the mission type ("MisType"); missing items give empty texts and
  // 0. The singer key and the song number stay empty and 0.
  void songsToRecords(std::vector<SongSetEntry>& out) const;
  // Appends a song built from `record` and `misType`.
  void addSongRecord(const SongRecord& record, int misType);

  std::vector<Song>& songs() { return songs_; }
  const std::vector<Song>& songs() const { return songs_; }

 private:
  std::wstring path_;
  std::vector<Song> songs_;
};
