#pragma once
// The contest songs: one list handed over by the contest window, delivered as a page through
// the same hub event as the service's song pages ("EventSongDataBack"), so it arrives after
// whatever the GUI is doing now. Its own argument class keeps the two apart: a song source
// reads only DataListEventArgs, this source only the lists it posted itself. GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/EventArgs.h>

#include <vector>

#include "NetWork/NetRecords.h"
#include "catalog/IDataSource.h"

class CompetitionDataListEventArgs : public CEGUI::EventArgs {
 public:
  DataPage<SongRecord> songs;
  // The source that posted the list (its serial number): another one's list is not its page,
  // nor is the list of a source that has gone meanwhile.
  unsigned long origin = 0;
};

class DataSourceCompetitionSong : public IDataSource {
 public:
  DataSourceCompetitionSong();
  ~DataSourceCompetitionSong() override;

  // The whole list is one page; it arrives as "EventGotData" once the hub delivers it.
  void postCompetitionSongs(const std::vector<SongRecord>& songs);
  void requestPage(int) override {}
  int getPageCount() const override { return 1; }

 private:
  bool onSongData(const CEGUI::EventArgs& args);
  CEGUI::Event::Connection connection_;
  const unsigned long serial_;
};
