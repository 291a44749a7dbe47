#pragma once
// Mixing a performance's sound (a WAV file) and its silent video (a Windows Media file) into
// one Windows Media file, as a profile says: wmav2 sound encoded from the WAV; the video
// copied as it is when it already has the profile's codec, size and frame rate and no more
// than its bit rate, re-encoded to wmv2 otherwise. The file is written under a temporary name
// (the name + ".part") and renamed when complete, so a mix that is cancelled, fails or is
// killed never leaves a file that passes for a finished one. Runs on the calling thread.
#include <atomic>
#include <string>

#include "avmedia/MediaTypes.h"
#include "avmedia/WMProfile.h"

namespace avmedia {

struct MuxJob {
  std::string output;   // the finished file
  std::string audioWav; // empty: no sound
  std::string video;    // empty: no video (a file with the sound only)
  WMProfile profile;
  REFERENCE_TIME stop = -1;  // where the file ends (-1: where the longer input ends)
};

struct MuxProgress {
  std::atomic<bool> cancel{false};
  std::atomic<REFERENCE_TIME> position{0};  // written so far, in every stream
};

struct MuxResult {
  HRESULT hr = S_OK;   // E_ABORT when cancelled, E_DISK_FULL when the disk filled
  std::string error;   // why it failed
  bool videoCopied = false;
  REFERENCE_TIME written = 0;
};

// The temporary name the file is written under.
std::string partialName(const std::string& output);

MuxResult runMux(const MuxJob& job, MuxProgress& progress);

// Tests: every packet written waits this long (0: none), so that a short mix lasts long
// enough to be cancelled or looked at while it runs.
void setMuxPacketDelayForTesting(int microseconds);

}  // namespace avmedia
