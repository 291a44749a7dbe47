#pragma once
// The one way a downloaded song file reaches the engine: its lyrics are opened from the file's
// bytes when the file has arrived, and the song is later played from the same bytes. The
// application owns the one instance; the mission manager and the missions reach it through
// getSingletonPtr(). GUI thread.
#include <memory>

#include "engine/CTaskMicDown.h"

class CVokaPlayCtrol {
 public:
  CVokaPlayCtrol();
  virtual ~CVokaPlayCtrol();
  CVokaPlayCtrol(const CVokaPlayCtrol&) = delete;
  CVokaPlayCtrol& operator=(const CVokaPlayCtrol&) = delete;
  static CVokaPlayCtrol* getSingletonPtr();

  // Remembers the song file and opens its lyrics in the engine. False when no bytes were
  // given, or when the engine refused them (the file is then not remembered). The bytes are
  // shared, so the cache may drop its entry while the song plays.
  bool OpenLyrics(std::shared_ptr<const MicFileBytes> bytes);
  // Plays the remembered song file; true when the engine then plays.
  bool Play();
  // Forgets the remembered file (the engine keeps playing what it has).
  void clear() { bytes_.reset(); }
  bool hasSong() const { return bytes_ != nullptr; }
  // The engine's result of the last open or play call (0 or positive on success).
  int lastResult() const { return lastResult_; }

 private:
  std::shared_ptr<const MicFileBytes> bytes_;
  int lastResult_ = 0;
};
