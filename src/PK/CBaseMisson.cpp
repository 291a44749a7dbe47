#include "PK/CBaseMisson.h"

#include <atomic>

MissonKey newMissonKey() {
  static std::atomic<MissonKey> next{1};
  return next++;
}

CBaseMisson::CBaseMisson(const SongRecord& song)
    : key(newMissonKey()), song_(song) {}

CBaseMisson::~CBaseMisson() = default;

void CBaseMisson::copyIdentityFrom(const CBaseMisson& other) {
  key = other.key;
  videoMode = other.videoMode;
  tone_ = other.tone_;
  toneUnset_ = other.toneUnset_;
}
