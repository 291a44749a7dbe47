#include "catalog/DataSourceCompetitionSong.h"

#include "app/EventNames.h"
#include "app/SongIEventSet.h"
#include "guishell/Win32AppHelper.h"

namespace {
unsigned long nextSerial() {
  static unsigned long serial = 0;
  return ++serial;
}
}  // namespace

DataSourceCompetitionSong::DataSourceCompetitionSong() : serial_(nextSerial()) {
  if (SongIEventSet* hub = SongIEventSet::getSingletonPtr())
    connection_ = hub->subscribeEvent(EventNames::EventSongDataBack,
                                      CEGUI::Event::Subscriber(&DataSourceCompetitionSong::onSongData, this));
}

DataSourceCompetitionSong::~DataSourceCompetitionSong() {
  if (connection_.isValid()) connection_->disconnect();
}

void DataSourceCompetitionSong::postCompetitionSongs(const std::vector<SongRecord>& songs) {
  auto* args = new CompetitionDataListEventArgs;
  args->songs.records = songs;
  args->origin = serial_;
  Win32AppHelper::postEvent(SongIEventSet::getSingletonPtr(), EventNames::EventSongDataBack, args, "");
}

bool DataSourceCompetitionSong::onSongData(const CEGUI::EventArgs& args) {
  const auto* list = dynamic_cast<const CompetitionDataListEventArgs*>(&args);
  if (!list || list->origin != serial_) return false;
  CompetitionDataListEventArgs page(*list);
  fireEvent(EventGotData, page, "");
  return true;
}
