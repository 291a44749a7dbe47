#pragma once
// A local work: one recorded contest performance with its files and its upload's progress.
#include <string>

#include "NetWork/NetRecords.h"  // RecordingInfo, what a local and a published work share

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
  // Milliseconds by which the voice recording lags the music (the devices' measured round
  // trip when it was sung): the mixes move the voice this much earlier. 0 when not measured.
  int MicDelay = 0;
  // The recording or the silent video stopped early (a full disk): the files hold what was
  // written up to then.
  bool incomplete = false;
};
