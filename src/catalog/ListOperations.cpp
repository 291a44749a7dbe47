#include "catalog/ListOperations.h"

#include <CEGUI/CEGUI.h>

#include "NetWork/SongBook.h"
#include "PK/CMissonManager.h"
#include "PK/CMissonPk.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/TextConvert.h"
#include "catalog/CSongList.h"
#include "catalog/CSongOperationWnd.h"
#include "catalog/NetDataSources.h"
#include "catalog/PKHubData.h"
#include "dialogs/CRemoveTipWnd.h"
#include "NetWork/NetworkInterface.h"
#include "app/WindowPath.h"

const CEGUI::String IListOperation::EventEndOperation("EventEndOperation");
const CEGUI::String IListOperation::kSongOperationPage("SongOperation");
const CEGUI::String IListOperation::kSongListPage("SongList");
const CEGUI::String IListOperation::kRelatedListPage("RelateSongList");
const CEGUI::String CSongBookOperation::kLayout("PK_SongBookOperationWnd.layout");
const CEGUI::String CSongBookOperation::kConfirmPage("RemoveTip");
const CEGUI::String CSongListOperation::kLayout("PK_SongOperationWnd.layout");
const CEGUI::String CSongListOperation::kLayoutSinger("PK_SongOperationWnd_new.layout");
int CSongListOperation::relatedOpen_ = 0;

namespace {
constexpr int kNoticeMs = 2000;

void notice(const std::wstring& text, const wchar_t* style) {
  if (CInfoTipManager* tips = CInfoTipManager::getSingletonPtr()) tips->showStandardNotice(text, style, kNoticeMs);
}
}  // namespace

// --- the base

IListOperation::~IListOperation() {
  // What it opened ends with it, without acting on the result.
  for (auto& [name, connection] : connections_) connection->disconnect();
  for (auto& [name, page] : pages_) {
    if (page->pageWindow()) page->endModal(0);
    IPageCtrl::freeLater(page);
  }
}

void IListOperation::fireEnd(int code, int flag) {
  SongListWndEndArgs args(code, flag);
  fireEvent(EventEndOperation, args, "");
}

void IListOperation::openPage(const CEGUI::String& name, IPageCtrl* page, std::function<void(int)> onEnd) {
  pages_[name] = page;
  // The subscription stays until the page goes: disconnecting inside its own handler would
  // destroy the handler while it runs.
  connections_[name] = page->subscribeEvent(
      "EndModal", CEGUI::Event::Subscriber([this, name, page, onEnd](const CEGUI::EventArgs&) {
        pages_.erase(name);
        const int result = page->result();
        // Inside the page's own handler: it goes once that has returned.
        IPageCtrl::freeLater(page);
        onEnd(result);
        return true;
      }));
  if (!page->attach(guiSheet()) || !page->pageWindow()) {
    // Without its window the page cannot be left by the user: it ends at once.
    appLogError("a list operation's page " + std::string(name.c_str()) + " could not be shown");
    page->endModal(0);
  }
}

// --- ordering

void orderContestSong(const SongRecord& song, bool inFront, bool challenge) {
  CMissonManager* manager = CMissonManager::getSingletonPtr();
  if (!manager) return;
  auto* misson = new CMissonPk(song);
  misson->challenge = challenge;
  misson->contestSong = isContestSongId(song.SongID);
  if (inFront) {
    manager->InsertFront(misson);
    notice(L"插播成功：" + song.SongName, L"InsertInfo");
  } else {
    manager->Add(misson);
    notice(L"点歌成功：" + song.SongName, L"OrderSongSuccessInfo");
  }
}

// --- a song

void CSongListOperation::operate(void* record) {
  if (!record) return;
  song_ = *static_cast<const SongRecord*>(record);
  const bool plain = flag_ == 1 || relatedListOpen();
  auto* window = new CSongOperationWnd(plain ? kLayoutSinger : kLayout, guiString(L"歌曲：" + song_.SongName));
  openPage(kSongOperationPage, window, [this](int code) { act(code); });
}

void CSongListOperation::act(int code) {
  switch (code) {
    case Order:
      orderContestSong(song_, false, challenge_);
      break;
    case Insert:
      orderContestSong(song_, true, false);
      break;
    case AddToBook:
      addToSongBook(song_);
      break;
    case Related:
      if (!relatedListOpen() && flag_ != 1) {
        openRelated();
        fireEnd(Related, Related);
        return;
      }
      break;
    default:
      break;
  }
  fireEnd(code);
}

void CSongListOperation::openRelated() {
  auto* list = new CSongList("Related");
  auto* source = new CDataSourceSong;
  list->setDataSource(source);
  list->setOperation(new CSongListOperation);
  list->setTitle("set:SongListTille image:SearchResult");
  ++relatedOpen_;
  openPage(kRelatedListPage, list, [this](int) {
    --relatedOpen_;
    fireEnd(0);
  });
  source->setQuery(CSearchInfo(L"3", L"", song_.SingerKey));
  source->requestPage(0);
}

// --- a singer

void CSingerListOperation::operate(void* record) {
  if (!record) return;
  const SingerRecord singer = *static_cast<const SingerRecord*>(record);
  std::string prefix;
  for (wchar_t c : singer.SingerKey)
    if (c < 128 && std::isalnum(static_cast<unsigned char>(c))) prefix += static_cast<char>(c);
  auto* list = new CSongList("Singer" + prefix);
  auto* source = new CDataSourceSong;
  list->setDataSource(source);
  list->setOperation(new CSongListOperation(1));
  openPage(kSongListPage, list, [this](int) { fireEnd(CSongListOperation::Order); });
  source->setQuery(CSearchInfo(L"3", L"", singer.SingerKey));
  source->requestPage(0);
}

// --- a song of the song book

void CSongBookOperation::operate(void* record) {
  if (!record) return;
  song_ = *static_cast<const SongRecord*>(record);
  auto* window = new CSongOperationWnd(kLayout, guiString(L"歌曲：" + song_.SongName));
  openPage(kSongOperationPage, window, [this](int code) { act(code); });
}

void CSongBookOperation::act(int code) {
  switch (code) {
    case Order:
      orderContestSong(song_, false, challenge_);
      break;
    case AddToBook:
      addToSongBook(song_);
      break;
    case Remove:
      // Only a confirmed removal goes to the service; the book reloads once it is done.
      openPage(kConfirmPage, new CRemoveTipWnd, [this](int answer) {
        if (answer == 1) {
          if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) net->RemoveFromSongBook(song_.SongNo);
          fireEnd(Remove);
        } else {
          fireEnd(0);
        }
      });
      return;
    default:
      break;
  }
  fireEnd(code);
}
