#pragma once
// The singing screen's lyrics and melody for one performance: creates the lyrics window and the
// melody window over the GUI sheet, starts them with the song (the melody notes are read from
// the engine then), and destroys both when the song ends. GUI thread.
#include <functional>

#include "engine/CMelodyNoteData.h"

class CLyricsData;
namespace CEGUI {
class Window;
}

class CLyricsCVD {
 public:
  // `timeSource` gives the engine time the windows follow (VokaGetMidiTime by default).
  explicit CLyricsCVD(std::function<int()> timeSource = {});
  ~CLyricsCVD();
  CLyricsCVD(const CLyricsCVD&) = delete;
  CLyricsCVD& operator=(const CLyricsCVD&) = delete;

  // Both windows on `sheet`, showing `lyrics` (owned by the mission manager).
  void Create(CEGUI::Window* sheet, CLyricsData& lyrics);
  // The lyrics window starts, the melody notes are read from the engine, the melody window starts.
  void Start();
  // Both windows are destroyed.
  void Stop();

  const CMelodyNoteData& notes() const { return notes_; }
  // Whether the notes give a range of their own (a song with guide-melody notes).
  bool hasRange() const;
  CEGUI::Window* lyricsWindow() const { return lyricsWnd_; }
  CEGUI::Window* melodyWindow() const { return melodyWnd_; }

 private:
  std::function<int()> timeSource_;
  CMelodyNoteData notes_;
  CEGUI::Window* lyricsWnd_ = nullptr;
  CEGUI::Window* melodyWnd_ = nullptr;
};
