#pragma once
// The event set of the catalogue's data replies (song pages, singer pages, song-book pages).
#include <CEGUI/EventSet.h>

class SongIEventSet : public CEGUI::EventSet {
 public:
  SongIEventSet();
  ~SongIEventSet() override;
  // The program-wide instance (set by the constructor, cleared by the destructor), or null.
  static SongIEventSet* getSingletonPtr();
};
