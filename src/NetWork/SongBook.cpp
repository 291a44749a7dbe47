#include "NetWork/SongBook.h"

#include <CEGUI/GlobalEventSet.h>

#include "NetWork/NetRecords.h"
#include "NetWork/NetworkInterface.h"
#include "app/AppEventArgs.h"
#include "app/AppLog.h"
#include "app/EventNames.h"

bool addToSongBook(const SongRecord& song) {
  const SongInfo entry(song);
  if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) {
    net->AddToSongBook(&entry);
    return true;
  }
  appLogError("addToSongBook: no network facade; the song was not added");
  ErrorEventArgs failed(-1);
  CEGUI::GlobalEventSet::getSingleton().fireEvent(EventNames::EventSongBookAddNotify, failed, "");
  return false;
}
