#pragma once
// The mix of a recorded performance into its Windows Media video: the engine mixes the voice
// and the accompaniment into a WAV (the first fifth of the progress), then a media graph
// encodes the WAV with the silent video into the work's file with the profile
// "Record/album_chs_HD.prx" (the rest). Without a silent video the file has the sound only.
//
// A cancel ends the mix in either phase; the intermediate WAV is removed whatever the outcome,
// and a mix that did not complete leaves no file under the output name (the graph writes a
// temporary file and renames it at the end).
#include <atomic>
#include <memory>
#include <string>

#include "Upload/IMix.h"
#include "avmedia/Filter.h"

struct UploadItem;

class CMixImageWMV : public IMix {
 public:
  // How often each phase looks at the cancel flag and reports its progress.
  static constexpr int kPollMs = 300;

  CMixImageWMV(std::wstring voicePcm, std::wstring musicPcm, std::wstring output);
  ~CMixImageWMV() override;

  // A job for a work: its recordings and its UploadFile, with a reader of its silent video
  // when that file exists (otherwise the mix has the sound only).
  static std::unique_ptr<CMixImageWMV> forWork(const UploadItem& work);

  // Milliseconds the voice is moved earlier in the mix (the work's measured mic delay).
  void setMicDelay(int milliseconds) { micDelay_ = milliseconds; }
  int micDelay() const { return micDelay_; }

  // The silent video's source (an ASF reader with the file loaded); null: sound only.
  void setVideoSource(std::shared_ptr<avmedia::IBaseFilter> source) { video_ = std::move(source); }

  bool run() override;
  float getProgress() override { return progress_.load(); }
  void cancel() override { cancel_.store(true); }
  std::string lastFailure() const override { return failure_; }

  const std::wstring& wavPath() const { return wav_; }
  const std::wstring& outputPath() const { return output_; }
  // Why the last run failed ("" after a success or a cancel).
  const std::string& failure() const { return failure_; }
  bool cancelled() const { return cancel_.load(); }

  // The profile file of the installation.
  static std::string profilePath();

 private:
  bool mixAudio();
  bool encode();
  bool fail(const std::string& why);
  void postUpdate();
  void postFinished();
  void removeWav();
  // Sleeps kPollMs in the audio phase, waking early when cancelled or when the engine is done.
  void pause();

  std::wstring voice_, music_, wav_, output_;
  std::shared_ptr<avmedia::IBaseFilter> video_;
  std::atomic<float> progress_{0.0f};
  std::atomic<bool> cancel_{false};
  std::string failure_;
  int micDelay_ = 0;
};
