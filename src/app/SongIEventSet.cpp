#include "app/SongIEventSet.h"

namespace {
SongIEventSet* instance = nullptr;
}

SongIEventSet::SongIEventSet() { instance = this; }

SongIEventSet::~SongIEventSet() {
  if (instance == this) instance = nullptr;
}

SongIEventSet* SongIEventSet::getSingletonPtr() { return instance; }
