#include "catalog/CatalogueLists.h"

#include <CEGUI/CEGUI.h>

#include "catalog/CPinYinSearchWnd.h"
#include "catalog/DataSourceCompetitionSong.h"
#include "catalog/CSongBook.h"
#include "catalog/CSongList.h"
#include "catalog/FillLists.h"
#include "catalog/ListOperations.h"
#include "catalog/NetDataSources.h"
#include "catalog/RangeSearchWnds.h"
#include "oscompat/Utf.h"

void openOnSheet(IPageCtrl* page) {
  page->subscribeEvent("EndModal", CEGUI::Event::Subscriber([page](const CEGUI::EventArgs&) {
                         IPageCtrl::freeLater(page);
                         return true;
                       }));
  auto* system = CEGUI::System::getSingletonPtr();
  page->attach(system ? system->getDefaultGUIContext().getRootWindow() : nullptr);
}

namespace {
CSongList* open(CSongList* list, CDataSourceNet* source, const CSearchInfo& query, const PageAttach& attach) {
  attach(list);
  source->setQuery(query);
  source->requestPage(0);
  return list;
}
}  // namespace

CSongList* openSongList(const CSearchInfo& query, const std::string& title, const PageAttach& attach) {
  auto* list = new CSongList;
  auto* source = new CDataSourceSong;
  list->setDataSource(source);
  list->setOperation(new CSongListOperation);
  list->setTitle(title);
  return open(list, source, query, attach);
}

CSongList* openSingerList(const CSearchInfo& query, const std::string& title, const PageAttach& attach) {
  auto* list = new CSongList;
  auto* source = new CDataSourceSinger;
  list->setDataSource(source);
  list->setFillList(new SingerInfoFillList);
  list->setOperation(new CSingerListOperation);
  list->setTitle(title);
  return open(list, source, query, attach);
}

IPageCtrl* openSearchWindow(const std::string& which, const std::wstring& scope, const PageAttach& attach) {
  IPageCtrl* page = nullptr;
  if (which == "songbook") page = new CSongBook;
  if (which == "pinyin-songs") page = new CPinYinSearchWnd(CPinYinSearchWnd::Songs, "", scope);
  else if (which == "pinyin-singers") page = new CPinYinSearchWnd(CPinYinSearchWnd::Singers, "", scope);
  else if (which == "strokes") page = new CStrokeSearchWnd(scope);
  else if (which == "words") page = new CWordsCountSearchWnd(scope);
  if (!page) return nullptr;
  attach(page);
  return page;
}

CSongList* openContestSongList(const std::vector<SongRecord>& songs, const PageAttach& attach) {
  auto* list = new CSongList;
  auto* source = new DataSourceCompetitionSong;
  list->setDataSource(source);
  list->setOperation(new CSongListOperation);
  attach(list);
  // The page comes through the hub, after what the GUI is doing now.
  source->postCompetitionSongs(songs);
  return list;
}

IPageCtrl* openSongBook(const PageAttach& attach) { return openSearchWindow("songbook", L"", attach); }

bool parseListRequest(const std::string& text, bool& singers, CSearchInfo& query) {
  std::string parts[4];
  std::size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t colon = i < 3 ? text.find(':', at) : std::string::npos;
    if (i < 3 && colon == std::string::npos) return false;
    parts[i] = text.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
    at = colon + 1;
  }
  if (parts[0] != "songs" && parts[0] != "singers") return false;
  if (parts[1].empty()) return false;
  singers = parts[0] == "singers";
  query = CSearchInfo(oscompat::wideFromUtf8(parts[1]), oscompat::wideFromUtf8(parts[2]),
                      oscompat::wideFromUtf8(parts[3]));
  return true;
}
