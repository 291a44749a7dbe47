#pragma once
// Rank records per song: final score, pitch, expression and rhythm scores and rate, all as
// text, kept in file order. File: document element "PKRankSet", one "SongInfo" per song with
// "SongID", inside it one "SongRank" per record with "FinalScore", "YinGanScore",
// "FeelScore", "JieZouScore" and "Rate".
#include <map>
#include <string>
#include <vector>

#include "AppSet/ISet.h"

struct SongRank {
  std::wstring FinalScore;
  std::wstring YinGanScore;  // pitch
  std::wstring FeelScore;    // expression
  std::wstring JieZouScore;  // rhythm
  std::wstring Rate;
};

class PKRankSet : public ISet {
 public:
  // The path starts empty: nothing is read or written until one is set.
  PKRankSet() = default;

  // Replaces the records in memory with the file's (GUI thread). A song listed twice keeps the
  // records of both, in file order. False when the file cannot be read; the store is then
  // empty.
  bool LoadSets() override;
  // False when the file cannot be written. Songs without records are written as empty
  // "SongInfo" elements.
  bool SaveSets() override;

  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }

  // Appends a record to the song's list (the song is added at the end when new).
  void addRank(const std::wstring& songId, const SongRank& rank);
  // Null when the song has no list.
  const std::vector<SongRank>* ranks(const std::wstring& songId) const;
  const std::vector<std::wstring>& songIds() const { return songIds_; }

 private:
  friend class PKRankSet_xmlHandler;
  std::wstring path_;
  std::map<std::wstring, std::vector<SongRank>> ranks_;
  std::vector<std::wstring> songIds_;
};
