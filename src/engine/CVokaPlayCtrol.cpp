#include "engine/CVokaPlayCtrol.h"

#include "app/AppLog.h"
#include "vokaran/Vokaran.h"

namespace {
CVokaPlayCtrol* singleton = nullptr;
}

CVokaPlayCtrol::CVokaPlayCtrol() {
  if (!singleton) singleton = this;
}

CVokaPlayCtrol::~CVokaPlayCtrol() {
  if (singleton == this) singleton = nullptr;
}

CVokaPlayCtrol* CVokaPlayCtrol::getSingletonPtr() { return singleton; }

bool CVokaPlayCtrol::OpenLyrics(std::shared_ptr<const MicFileBytes> bytes) {
  if (!bytes || bytes->empty()) {
    lastResult_ = VOKA_ERR_BAD_ARGUMENT;
    return false;
  }
  lastResult_ = VokaOpenLyricsFromBuffer(bytes->data(), static_cast<long long>(bytes->size()));
  if (lastResult_ < 0) {
    appLogError("CVokaPlayCtrol: the engine refused the song file (VokaOpenLyricsFromBuffer " +
                std::to_string(lastResult_) + ")");
    bytes_.reset();
    return false;
  }
  bytes_ = std::move(bytes);
  return true;
}

bool CVokaPlayCtrol::Play() {
  if (!bytes_) {
    lastResult_ = VOKA_ERR_NO_SONG;
    appLogError("CVokaPlayCtrol: play without a song file");
    return false;
  }
  lastResult_ = VokaPlayFromBuffer(bytes_->data(), static_cast<long long>(bytes_->size()));
  if (lastResult_ < 0)
    appLogError("CVokaPlayCtrol: VokaPlayFromBuffer failed with " + std::to_string(lastResult_));
  return VokaGetPlayState() == 1;
}
