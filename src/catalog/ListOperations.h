#pragma once
// What picking an entry of a list does: the operation opens the entry's button window (or, for
// a singer, the singer's songs), acts on the button pressed, and tells the list through
// "EventEndOperation" whether it closes (the song was ordered) or comes back. GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/EventArgs.h>
#include <CEGUI/EventSet.h>

#include <functional>
#include <map>

#include "NetWork/NetRecords.h"

class IPageCtrl;
class CSongList;

class SongListWndEndArgs : public CEGUI::EventArgs {
 public:
  SongListWndEndArgs(int code = 0, int flag = 0) : code(code), flag(flag) {}
  int code;
  int flag;
};

class IListOperation : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventEndOperation;
  // The page names under which an operation keeps what it opened.
  static const CEGUI::String kSongOperationPage;  // "SongOperation"
  static const CEGUI::String kSongListPage;       // "SongList"
  static const CEGUI::String kRelatedListPage;    // "RelateSongList"

  ~IListOperation() override;
  // Acts on the record of the picked entry (the cell's user data).
  virtual void operate(void* record) = 0;
  // The pages it has open, by name (the button window, a list it opened).
  const std::map<CEGUI::String, IPageCtrl*>& pages() const { return pages_; }

 protected:
  void fireEnd(int code, int flag = 0);
  // Opens `page` on the GUI sheet under `name`; `onEnd` runs when it ends, after it has been
  // taken out of the map (it is freed after the handler).
  void openPage(const CEGUI::String& name, IPageCtrl* page, std::function<void(int result)> onEnd);
  bool isOpen(const CEGUI::String& name) const { return pages_.count(name) != 0; }

 private:
  std::map<CEGUI::String, IPageCtrl*> pages_;
  std::map<CEGUI::String, CEGUI::Event::Connection> connections_;
};

// A song of the catalogue: order, insert, add to the song book, open its singer's songs.
class CSongListOperation : public IListOperation {
 public:
  enum Code { Order = 15, Insert = 4, AddToBook = 5, Related = 16 };
  static const CEGUI::String kLayout;        // "PK_SongOperationWnd.layout"
  static const CEGUI::String kLayoutSinger;  // "PK_SongOperationWnd_new.layout": no related songs

  // `flag` 1: the list is a singer's songs (there are no related songs to open).
  explicit CSongListOperation(int flag = 0, bool challenge = false) : flag_(flag), challenge_(challenge) {}
  void operate(void* record) override;
  const SongRecord& song() const { return song_; }
  // Whether a related-songs list is open (one at a time, program-wide).
  static bool relatedListOpen() { return relatedOpen_ > 0; }

 private:
  void act(int code);
  void openRelated();

  SongRecord song_;
  int flag_;
  bool challenge_;
  static int relatedOpen_;
};

// A singer: the singer's songs open at once.
class CSingerListOperation : public IListOperation {
 public:
  void operate(void* record) override;
};

// A song of the song book: order it, add it again, or remove it after the confirmation.
class CSongBookOperation : public IListOperation {
 public:
  enum Code { Order = 15, AddToBook = 5, Remove = 6 };
  static const CEGUI::String kLayout;  // "PK_SongBookOperationWnd.layout"
  static const CEGUI::String kConfirmPage;  // "RemoveTip"

  explicit CSongBookOperation(bool challenge = false) : challenge_(challenge) {}
  void operate(void* record) override;
  const SongRecord& song() const { return song_; }

 private:
  void act(int code);
  SongRecord song_;
  bool challenge_;
};

// Orders `song` as a contest song (at the end of the queue, or in front of it) with the notice
// the singer sees. Shared by every list that orders songs.
void orderContestSong(const SongRecord& song, bool inFront, bool challenge);
