#pragma once
// Argument objects of the events the network facade posts for the server's replies. The
// facade allocates each with new and hands it to Win32AppHelper::postEvent, which delivers it
// on the GUI thread and then deletes it. ErrorEventArgs, UserSpecailInfoEventArgs,
// UserRightsInfoEventArgs and UserToneFunRecvEventArgs come from app/AppEventArgs.h.
#include <CEGUI/EventArgs.h>

#include <string>
#include <vector>

#include "NetWork/NetRecords.h"
#include "app/AppEventArgs.h"

// Catalogue pages (5011 songs in block 1, 5012 singers in block 2, 30001 songs in block 1);
// block 3 is not filled by the facade. `tag` is the request's tag.
class DataListEventArgs : public CEGUI::EventArgs {
 public:
  DataPage<SongRecord> songs;
  DataPage<SingerRecord> singers;
  DataPage<SongRecord> extraSongs;
  int tag = 0;
};

// A page of the song book (2504).
class EventArgsSongData : public CEGUI::EventArgs {
 public:
  DataPage<SongRecord> songs;
};

// The menu version (5023); empty for "GetNetMenuList".
class GetNetMenuVersinEventArgs : public CEGUI::EventArgs {
 public:
  explicit GetNetMenuVersinEventArgs(std::string text = {}) : version(std::move(text)) {}
  std::string version;
};

// The user's audio settings (2565).
class AudioDataEventArgs : public CEGUI::EventArgs {
 public:
  LocalSettingInfoImp settings;
};

// Upload progress (6201, 6203): what the reply set; the rest stays 0 or empty.
class BlockUploadBackEventArgs : public CEGUI::EventArgs {
 public:
  int packetsSent = 0;
  int uploadId = 0;
  int packetTotal = 0;
  std::wstring text;
};

// The uploaded file's address (6202).
class UploadUrlInfoEventArgs : public CEGUI::EventArgs {
 public:
  std::wstring fileUrl;
  int uploadId = 0;
};

// A work id (6324), or empty (6312).
class StringEventArgs : public CEGUI::EventArgs {
 public:
  explicit StringEventArgs(std::wstring value = {}) : text(std::move(value)) {}
  std::wstring text;
};

// The user's published works (6325; empty for 2549).
class NetRecordingListArgs : public CEGUI::EventArgs {
 public:
  std::vector<NetRecording> works;
};

// Published works of a contest song (6322).
class PKCompetitionProductInfoEventArgs : public CEGUI::EventArgs {
 public:
  std::vector<PKProductRecord> products;
};

// The contest songs of the square (6323); each record's spare text holds its web address.
class PKCompetitionSongsEventArgs : public CEGUI::EventArgs {
 public:
  std::vector<SongRecord> songs;
};

// The contest songs' pictures (6323). Songs whose picture could not be had have none, so the
// list can be shorter than the song list: songIndexes[i] is the index of the song that
// pictures[i] belongs to.
class PKCompetitionSongsPicEventArgs : public CEGUI::EventArgs {
 public:
  std::vector<PictureBuffer> pictures;
  std::vector<int> songIndexes;
};

// A product's picture (2531).
class PKComProPicFunRecvEventArgs : public CEGUI::EventArgs {
 public:
  std::wstring productKey;
  PictureBuffer picture;
};

// The contest period (6327): start, end, and a third text the program does not use.
class PeriodInfoFunRecvEventArgs : public CEGUI::EventArgs {
 public:
  std::wstring start;
  std::wstring end;
  std::wstring third;
};

// The user's rank under the orderings 1 to 4 (6326); 0 = no work ranked.
class PKMyRankInfoFunRecvEventArgs : public CEGUI::EventArgs {
 public:
  int ranks[4] = {0, 0, 0, 0};
};

// A suspended upload stopped (6205).
class SuspendSuccessArgs : public CEGUI::EventArgs {};
