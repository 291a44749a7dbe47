// Copies of published works that browsers play: the Windows Media file made into MP4 (H.264
// video and AAC sound; AAC alone in an .m4a for a work without video). The copies are made one
// at a time on a worker thread of their own, below the request threads' priority, so a
// transcoding never holds up a request.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

namespace vk::service {

struct TranscodeResult {
  bool ok = false;
  bool audioOnly = false;  // the source had no video: the copy holds the sound only
  double seconds = 0;      // the length of the copy
  std::string error;       // why it failed
};

// Writes the browser copy of `source` to `output` (an MP4 file whatever its name). Runs on the
// calling thread until done, failed, or `cancel` is set.
TranscodeResult transcodeForBrowser(const std::filesystem::path& source, const std::filesystem::path& output,
                                    const std::atomic<bool>& cancel);

class PlayableCopies {
 public:
  // `folder` holds the copies: u<upload id>.mp4 (video), u<upload id>.m4a (sound only), and
  // u<upload id>.failed (the reason a copy could not be made; it is not tried again).
  explicit PlayableCopies(std::filesystem::path folder);
  ~PlayableCopies();  // cancels the copy being made (its part file goes) and the queue
  PlayableCopies(const PlayableCopies&) = delete;
  PlayableCopies& operator=(const PlayableCopies&) = delete;

  enum class State { Preparing, Video, Audio, Failed };
  struct Copy {
    State state = State::Preparing;
    std::string name;  // the file in the folder when ready (u12.mp4), the reason when failed
  };

  // Queues the copy of upload `uploadId`'s file unless it exists, failed or is queued already.
  void request(std::int64_t uploadId, const std::filesystem::path& source);
  Copy find(std::int64_t uploadId) const;
  // Takes the upload's copy out of the queue, cancels it when it is being made, and removes
  // its files. Once this returns, no copy of that upload appears.
  void remove(std::int64_t uploadId);
  // Waits until the queue is empty and no copy is being made; false at the timeout.
  bool waitIdle(std::chrono::milliseconds timeout);

  static std::string videoName(std::int64_t uploadId) { return "u" + std::to_string(uploadId) + ".mp4"; }
  static std::string audioName(std::int64_t uploadId) { return "u" + std::to_string(uploadId) + ".m4a"; }

 private:
  struct Job {
    std::int64_t uploadId;
    std::filesystem::path source;
  };
  void work();
  std::filesystem::path file(std::int64_t uploadId, const char* extension) const;

  std::filesystem::path folder_;
  mutable std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Job> queue_;
  std::int64_t current_ = 0;  // the upload whose copy is being made, 0 for none
  std::atomic<bool> cancelCurrent_{false};
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace vk::service
