#pragma once
// What the playback window plays: a work's two recordings, mixed live by the engine, and its
// silent video beside them. Filled by whoever opens the window (a works row, the score window).
#include <string>

struct UploadItem;

struct PlaybackSource {
  std::wstring voicePath;   // the work's VoicePcmFile
  std::wstring musicPath;   // the work's MusicPcmFile
  std::wstring videoPath;   // the work's SoundlessVideoFile
  std::wstring lyricPath;   // the work's LyricFile (carried along, not played)
  std::wstring uploadPath;  // the work's UploadFile (carried along, not played)
  int voiceGain = 100;      // percent
  int musicGain = 100;      // percent
  int micDelay = 0;         // milliseconds the voice is moved earlier
};

// The source of a work, with the default gains.
PlaybackSource playbackSourceOf(const UploadItem& work);

// Whether both recordings of the source are still on disk (a cleaned Temp folder or a work
// whose files were removed cannot be played). A look at two files' metadata, nothing read.
bool recordingsExist(const PlaybackSource& source);
