#pragma once
// The engine's live mix of a recording as the playback window drives it. The real one calls
// the engine's exports; tests put one of their own in its place. GUI thread; every call
// returns at once (the engine mixes on its own threads).
#include <memory>
#include <string>

struct PlaybackSource;

class IPlaybackEngine {
 public:
  virtual ~IPlaybackEngine() = default;
  // Ends a live mix (and a mix into a file) that is running.
  virtual void stop() = 0;
  // Seconds of the recording, the longer of its two files; negative when neither exists.
  virtual int totalSeconds(const std::wstring& voicePath, const std::wstring& musicPath) = 0;
  virtual void setNames(const std::wstring& voicePath, const std::wstring& musicPath) = 0;
  virtual void setMix(int voiceGain, int musicGain, int micDelayMs) = 0;
  // Starts the live mix of the named files from their start; false when it cannot play.
  virtual bool play() = 0;
  virtual void pause(bool paused) = 0;
  // Milliseconds played; after a seek, the place asked for.
  virtual int positionMs() = 0;
  virtual void seekMs(int milliseconds) = 0;
  // Whether the live mix has played to its end (and not been moved back since).
  virtual bool ended() = 0;
};

// The engine's own live mix.
std::unique_ptr<IPlaybackEngine> makeEnginePlayback();
