#pragma once
// What the contest hub keeps beyond one window: the application's last contest songs, their
// pictures and the last products, so a hub opened again from the main menu shows the square
// without asking the service for it again; and the contest-song list the contest mission
// consults. Also the requests the hub sends, behind an interface (the network facade by
// default). GUI thread.
#include <memory>
#include <string>
#include <vector>

#include "NetWork/NetRecords.h"

struct PKHubData {
  std::vector<SongRecord> songs;
  // pictures[i] belongs to song songIndexes[i]; songs without a picture have none.
  std::vector<PictureBuffer> pictures;
  std::vector<int> songIndexes;
  std::vector<PKProductRecord> products;
  // The song identifiers of the current contest songs, in square order.
  std::vector<std::wstring> contestSongIds;

  // The picture of song `songIndex`, or null.
  const PictureBuffer* pictureOfSong(int songIndex) const;
};

// The program's one store (the application's, reached from the catalogue's layer).
PKHubData& pkHubData();
// Whether `songId` is one of the current contest songs.
bool isContestSongId(const std::wstring& songId);

// The requests of the hub (the network facade's contest operations).
class IPKHubRequests {
 public:
  virtual ~IPKHubRequests() = default;
  virtual void requestPeriodInfo() = 0;
  virtual void requestCompetitionProducts(int songNumber, int ordering, int count, int page) = 0;
  virtual void requestMyRank(int userNumber, int songNumber) = 0;
  virtual void requestProductPicture(const std::wstring& pictureKey) = 0;
};

// Through the network facade, when it exists (nothing otherwise).
std::shared_ptr<IPKHubRequests> networkHubRequests();

// The decimal value of `text` as the toolkit reads integers: leading digits (after an optional
// sign), 0 when there are none, clamped to int.
int decimalValue(const std::wstring& text);
