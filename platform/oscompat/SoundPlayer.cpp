#include "oscompat/SoundPlayer.h"

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "oscompat/Log.h"
#include "oscompat/TestHook.h"

namespace oscompat {
namespace {

struct WavDeleter {
  void operator()(Uint8* buffer) const { SDL_FreeWAV(buffer); }
};

// The device of the sound playing and the requests still on their threads. The device is
// opened for each sound with that sound's own format, so no conversion is needed.
class SoundOut {
 public:
  ~SoundOut() {
    waitAll();
    std::lock_guard<std::mutex> lock(deviceMutex_);
    closeDevice();
    if (audioUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  void request(std::string path) {
    const std::uint64_t generation = ++latest_;
    std::lock_guard<std::mutex> lock(threadsMutex_);
    reapFinished();
    auto done = std::make_shared<std::atomic<bool>>(false);
    threads_.push_back({std::thread([this, path = std::move(path), generation, done] {
                          play(path, generation);
                          done->store(true);
                        }),
                        done});
  }

  bool playing() {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    return device_ != 0 && SDL_GetQueuedAudioSize(device_) > 0;
  }

  void waitAll() {
    std::list<Request> running;
    {
      std::lock_guard<std::mutex> lock(threadsMutex_);
      running.swap(threads_);
    }
    for (Request& r : running)
      if (r.thread.joinable()) r.thread.join();
  }

 private:
  struct Request {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  // Request thread.
  void play(const std::string& path, std::uint64_t generation) {
    SDL_AudioSpec spec{};
    Uint8* raw = nullptr;
    Uint32 length = 0;
    std::unique_ptr<Uint8, WavDeleter> wav;
    if (!path.empty()) {
      if (SDL_LoadWAV(path.c_str(), &spec, &raw, &length)) wav.reset(raw);
      else log(LogLevel::Warning, "sound: SDL_LoadWAV(" + path + ") failed: " + SDL_GetError());
    }
    std::lock_guard<std::mutex> lock(deviceMutex_);
    // A later request already came: it decides what is heard.
    if (generation != latest_.load()) return;
    closeDevice();
    if (!wav || !ensureAudio()) return;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    if (device_ == 0) {
      // Said once: without a device every step of the score bar would say it again.
      if (!openFailureLogged_)
        log(LogLevel::Warning, std::string("sound: SDL_OpenAudioDevice failed: ") + SDL_GetError());
      openFailureLogged_ = true;
      return;
    }
    if (SDL_QueueAudio(device_, wav.get(), length) != 0)
      log(LogLevel::Warning, std::string("sound: SDL_QueueAudio failed: ") + SDL_GetError());
    SDL_PauseAudioDevice(device_, 0);
  }

  // Under deviceMutex_.
  bool ensureAudio() {
    if (audioUp_) return true;
    if (audioFailed_) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      log(LogLevel::Info, std::string("sound: no audio (SDL_InitSubSystem: ") + SDL_GetError() +
                              "); result sounds are silent");
      audioFailed_ = true;
      return false;
    }
    audioUp_ = true;
    return true;
  }

  // Under deviceMutex_.
  void closeDevice() {
    if (device_ == 0) return;
    SDL_ClearQueuedAudio(device_);
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }

  // Under threadsMutex_: finished threads are joined at once, without waiting.
  void reapFinished() {
    for (auto it = threads_.begin(); it != threads_.end();) {
      if (it->done->load()) {
        it->thread.join();
        it = threads_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::atomic<std::uint64_t> latest_{0};
  std::mutex threadsMutex_;
  std::list<Request> threads_;
  std::mutex deviceMutex_;
  SDL_AudioDeviceID device_ = 0;
  bool audioUp_ = false;
  bool audioFailed_ = false;
  bool openFailureLogged_ = false;
};

SoundOut& soundOut() {
  static SoundOut out;
  return out;
}

TestHook& hook() {
  static TestHook h;
  return h;
}

}  // namespace

void setSoundPlayHandler(std::function<void(const std::string&)> h) { hook().set(std::move(h)); }

void playSoundAsync(std::string path) {
  if (hook().run(path)) return;
  soundOut().request(std::move(path));
}

bool soundPlaying() { return soundOut().playing(); }

void waitForSoundRequests() { soundOut().waitAll(); }

}  // namespace oscompat
