#include "engine/CTaskMicDown.h"

#include <CEGUI/GlobalEventSet.h>

#include "NetWork/NetworkInterface.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "engine/DataBuffer.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

namespace {
constexpr int kCancelled = -15008;  // the library will not make the request (shutting down)
}

bool micCheckSumTest(const std::shared_ptr<const MicFileBytes>& bytes) {
  if (!bytes || bytes->empty()) return false;
  return VokaMicCheckSumTestFromBuffer(bytes->data(), static_cast<long long>(bytes->size())) == 0;
}

TaskEventarges::TaskEventarges(const CTaskMicDown& task)
    : songId(task.songId()), bytes(task.bytes()) {}

bool TaskEventarges::checkSumTest() const { return micCheckSumTest(bytes); }

CTaskMicDown::CTaskMicDown(std::wstring songId) : songId_(std::move(songId)) {}

CTaskMicDown::~CTaskMicDown() = default;

long CTaskMicDown::run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bytes_.reset();
  }
  done_ = false;
  int status = 0;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    DataBuffer buffer;
    status = NetworkInterface::DownloadSongDataFromAnyThread(&buffer, songId_);
    if (status == 0 && !buffer.bytes().empty()) {
      auto bytes = std::make_shared<const MicFileBytes>(std::move(buffer.bytes()));
      std::lock_guard<std::mutex> lock(mutex_);
      bytes_ = std::move(bytes);
      break;
    }
    appLog("song file " + oscompat::utf8FromWide(songId_) + ": download attempt " +
           std::to_string(attempt) + " failed with " + std::to_string(status));
    if (status == kCancelled) break;  // no network any more: further attempts cannot succeed
  }
  done_ = true;
  return tunefetch::kNotImplemented;
}

void CTaskMicDown::done() {
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::MicDownloaded,
                            new TaskEventarges(*this), "");
}

std::shared_ptr<const MicFileBytes> CTaskMicDown::bytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_;
}

void CTaskMicDown::setDownloaded(std::shared_ptr<const MicFileBytes> bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bytes_ = std::move(bytes);
  }
  done_ = true;
}

bool CTaskMicDown::checkSumTest() const { return micCheckSumTest(bytes()); }
