#pragma once
// Stand-ins for the playback window's sound and picture in GUI tests: a live mix whose position
// follows the shell's virtual clock, and a video that notes what it is told.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "Upload/CPKPlaybackWnd.h"
#include "guishell/ShellClock.h"
#include "oscompat/Utf.h"

namespace vktest {

// What the window asked of the sound and the picture.
struct Calls {
  std::vector<std::string> engine;
  std::vector<std::string> video;
  int totalSeconds = 75;
  // The live mix: its place at `since` (virtual ms), moving while it plays.
  int baseMs = 0;
  uint64_t since = 0;
  bool paused = false;
  bool started = false;
  int pictureMs = -1;
  int videoMs = -1;
  const guishell::VirtualClock* clock = nullptr;

  int position() const {
    const uint64_t now = clock->nowMs();
    const int moved = started && !paused ? static_cast<int>(now - since) : 0;
    return std::min(baseMs + moved, totalSeconds * 1000);
  }
  void rebase(int ms) {
    baseMs = ms;
    since = clock->nowMs();
  }
};

class ClockMix : public IPlaybackEngine {
 public:
  explicit ClockMix(Calls& calls) : c_(calls) {}
  void stop() override {
    c_.engine.push_back("stop");
    c_.started = false;
  }
  int totalSeconds(const std::wstring&, const std::wstring&) override { return c_.totalSeconds; }
  void setNames(const std::wstring& voice, const std::wstring& music) override {
    c_.engine.push_back("names " + oscompat::utf8FromWide(voice) + " " + oscompat::utf8FromWide(music));
  }
  void setMix(int voice, int music, int delay) override {
    c_.engine.push_back("mix " + std::to_string(voice) + " " + std::to_string(music) + " " + std::to_string(delay));
  }
  bool play() override {
    c_.engine.push_back("play");
    c_.started = true;
    c_.paused = false;
    c_.rebase(0);
    return true;
  }
  void pause(bool paused) override {
    c_.engine.push_back(paused ? "pause" : "resume");
    c_.rebase(c_.position());
    c_.paused = paused;
  }
  int positionMs() override { return c_.position(); }
  void seekMs(int ms) override {
    c_.engine.push_back("seek " + std::to_string(ms));
    c_.rebase(std::min(ms, c_.totalSeconds * 1000));
  }
  bool ended() override { return c_.started && c_.position() >= c_.totalSeconds * 1000; }

 private:
  Calls& c_;
};

class NotedVideo : public IPlaybackVideo {
 public:
  explicit NotedVideo(Calls& calls) : c_(calls) {}
  void open(const std::wstring& path) override { c_.video.push_back("open " + oscompat::utf8FromWide(path)); }
  void run() override { c_.video.push_back("run"); }
  void pause() override { c_.video.push_back("pause"); }
  void seekMs(int ms) override { c_.video.push_back("seek " + std::to_string(ms)); }
  void close() override { c_.video.push_back("close"); }
  // The picture's own place: unknown (-1) unless a test sets it.
  int positionMs() override { return c_.pictureMs; }
  int durationMs() override { return c_.videoMs; }

 private:
  Calls& c_;
};

}  // namespace vktest
