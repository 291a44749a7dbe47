#pragma once
// A work: one recorded contest performance. RecordingInfo is what a local and a published work
// share; UploadItem is a local work with its files and its upload's progress.
#include <string>

struct RecordingInfo {
  std::wstring Key;         // "%04d%02d%02d%02d%02d%02d_<song id>": the recording's start and song
  std::wstring Song;
  std::wstring Singer;
  std::wstring SongID;
  std::wstring SingerID;
  std::wstring RecordTime;  // "%04d/%02d/%02d %02d:%02d"
  int FullScore = 0;        // 0 for works recorded in a contest song
  int PitchScore = 0;
  int BeatScore = 0;
  int EmotionScore = 0;
  int AdditionalScore = 0;
  int TotalScore = 0;       // the engine's total; kept in memory only
  int Type = 0;             // 1: a contest work
};

struct UploadItem : RecordingInfo {
  // The work's files, full paths in the installation's Temp folder.
  std::wstring LyricFile;           // <key>.lyric
  std::wstring MusicPcmFile;        // <key>music.pcm
  std::wstring VoicePcmFile;        // <key>Voice.pcm
  std::wstring UploadFile;          // <key>.WMV: the mixed video
  std::wstring MixedAudioFile;      // <key>.WAV: named, never written or deleted by the works
  std::wstring SoundlessVideoFile;  // <key>noAudio.WMV: the screen capture
  std::wstring UploadUrl;
  int DataPacketTotal = 0;
  int SentDataPacket = 0;
  int UploadID = 0;
  int TimeLenth = 0;
  int Mixed = 0;
  int UploadState = 0;  // 0 never uploaded, 1 uploading, 2 paused, 3 file transferred
  // The recording or the silent video stopped early (a full disk): the files hold what was
  // written up to then.
  bool incomplete = false;
};
