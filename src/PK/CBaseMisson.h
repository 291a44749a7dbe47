#pragma once
// A mission: one song waiting to be sung, being sung or already sung. The mission manager owns
// every mission; it prepares one, starts it when its song file is open in the engine and ends
// it when the song has ended. GUI thread.
#include <cstdint>

#include "AppSet/TunedCtrl.h"
#include "app/SongRecord.h"
#include "guishell/CEGUITimer.h"

// The identity of a mission, given when it is constructed and carried unchanged by clones.
using MissonKey = std::uintptr_t;
// A key no other mission has had in this run. Keys come from a counter rather than from the
// missions' addresses, which the heap hands out again once a mission is gone: a sang record
// keeps its key long after its mission was destroyed.
MissonKey newMissonKey();

class CBaseMisson {
 public:
  enum State { Idle = 0, Prepared = 1, Playing = 2, Paused = 3 };

  explicit CBaseMisson(const SongRecord& song);
  virtual ~CBaseMisson();
  CBaseMisson(const CBaseMisson&) = delete;
  CBaseMisson& operator=(const CBaseMisson&) = delete;

  // Before the song file is asked for.
  virtual int Prepare() = 0;
  // The song file is open in the engine: sing.
  virtual int Play() = 0;
  // The engine reported the end of the song.
  virtual int End() = 0;
  virtual int Pause() = 0;
  virtual int Resume() = 0;
  // 3 for a contest song (the type kept in the sang list file).
  virtual int GetType() const = 0;
  // A new mission for the same song with the same key, tone record and modes.
  virtual CBaseMisson* Clone() const = 0;

  const SongRecord& song() const { return song_; }
  const std::wstring& songId() const { return song_.SongID; }

  // The tone record chosen for this song by whoever queued it.
  void setTone(const ToneRecord& tone) {
    tone_ = tone;
    toneUnset_ = 0;
  }
  const ToneRecord& tone() const { return tone_; }
  bool toneUnset() const { return toneUnset_ != 0; }

  int state = Idle;
  int videoMode = 1;  // 2: with camera video
  MissonKey key;

 protected:
  // For clones: the copy keeps the original's identity, tone record and video mode.
  void copyIdentityFrom(const CBaseMisson& other);

  CEGUITimer timer_;

 private:
  SongRecord song_;
  ToneRecord tone_;
  int toneUnset_ = 1;
};
