#include "Upload/PlaybackEngine.h"

#include <filesystem>
#include <system_error>

#include "Upload/PlaybackSource.h"
#include "Upload/UploadItem.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

namespace {

class EnginePlayback : public IPlaybackEngine {
 public:
  void stop() override { RecMixStop(); }
  int totalSeconds(const std::wstring& voice, const std::wstring& music) override {
    return GetRecMixPlayTotalTimeW(voice.c_str(), music.c_str());
  }
  void setNames(const std::wstring& voice, const std::wstring& music) override {
    SetRecNames(voice.c_str(), music.c_str());
  }
  void setMix(int voiceGain, int musicGain, int micDelayMs) override {
    SetMixVoiceGain(voiceGain);
    SetMixMusicGain(musicGain);
    SetMixMicDelay(micDelayMs);
  }
  bool play() override {
    playing_ = RecMixPlay() == VOKA_OK;
    return playing_;
  }
  void pause(bool paused) override { RecMixPause(paused ? 1 : 0); }
  int positionMs() override { return GetRecMixPlayPosMs(); }
  void seekMs(int milliseconds) override { RecMixSeek(milliseconds); }
  // The engine calls a live mix idle once it has played out.
  bool ended() override { return playing_ && GetRecMixState() == 0; }

 private:
  bool playing_ = false;
};

}  // namespace

std::unique_ptr<IPlaybackEngine> makeEnginePlayback() { return std::make_unique<EnginePlayback>(); }

PlaybackSource playbackSourceOf(const UploadItem& work) {
  PlaybackSource source;
  source.voicePath = work.VoicePcmFile;
  source.musicPath = work.MusicPcmFile;
  source.videoPath = work.SoundlessVideoFile;
  source.lyricPath = work.LyricFile;
  source.uploadPath = work.UploadFile;
  source.micDelay = work.MicDelay;
  return source;
}

bool recordingsExist(const PlaybackSource& source) {
  for (const std::wstring* path : {&source.voicePath, &source.musicPath}) {
    if (path->empty()) return false;
    std::error_code error;
    if (!std::filesystem::is_regular_file(oscompat::utf8FromWide(*path), error)) return false;
  }
  return true;
}
