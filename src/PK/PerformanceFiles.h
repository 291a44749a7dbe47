#pragma once
// The files of one contest performance, all in the installation's Temp folder and named after
// one base name: the time the song started and the song identifier.
#include <ctime>
#include <functional>
#include <string>

struct PerformanceFiles {
  std::wstring baseName;   // "%04d%02d%02d%02d%02d%02d_<song id>"
  std::wstring dateText;   // "%04d/%02d/%02d %02d:%02d", shown with the work
  std::wstring videoPath;  // <base>.WMV: the mixed work
  std::wstring lyricPath;  // <base>.lyric
  std::wstring musicPath;  // <base>music.pcm
  std::wstring voicePath;  // <base>Voice.pcm
  std::wstring silentVideoPath;  // <base>noAudio.WMV: the screen capture
  std::wstring wavePath;   // <base>.WAV: voice and music mixed
  std::wstring defaultVideoPath;  // the music video used when there is no capture
};

// The music video shown when there is no capture of the performance.
std::wstring defaultMusicVideoPath();

// The names for a song started at `when` (local time). When files of that name are there
// already (the same song started twice within one second) the base name gets "_2", "_3", ...
// so the later performance never overwrites the earlier one's files. `exists` is the file test
// (replaceable for tests).
PerformanceFiles makePerformanceFiles(const std::wstring& folder, const std::wstring& songId,
                                      const std::tm& when,
                                      const std::function<bool(const std::wstring&)>& exists);
