#pragma once
// Encoding profiles: which streams a Windows Media file gets and how they are encoded. A
// profile is an XML file of the installation (Record/*.prx); docs/media-profile.md gives
// its format.
#include <optional>
#include <string>

#include "avmedia/MediaTypes.h"

namespace avmedia {

struct WMProfile {
  std::string name;
  struct Video {
    std::string codec = "wmv2";
    int width = 0;   // 0: the size the source delivers
    int height = 0;
    int frameRate = 25;
    int bitRate = 2'000'000;
    int keyFrameIntervalMs = 5000;
  };
  struct Audio {
    std::string codec = "wmav2";
    int sampleRate = 44100;
    int channels = 2;
    int bitRate = 128'000;
  };
  std::optional<Video> video;
  std::optional<Audio> audio;
};

// Reads a profile from its text (UTF-8, or UTF-16 with a byte-order mark); E_INVALIDARG with
// the reason in `error` when it is not a valid profile.
HRESULT LoadProfileByData(const std::string& bytes, WMProfile& profile, std::string* error = nullptr);
// The same from a file; E_FILE_OPEN when it cannot be read.
HRESULT LoadProfileFromFile(const std::string& path, WMProfile& profile, std::string* error = nullptr);

}  // namespace avmedia
