// Catalogue pages and the song book: 2502, 2503, 2504, 5011, 5012, 30001.
#include "NetWork/NetEventArgs.h"
#include "NetWork/NetReplyHandlers.h"
#include "app/EventNames.h"

namespace netreply {
namespace {

// Songs of a list in the library's order; the page comes from the first item.
void fillSongs(const ISongList& list, DataPage<SongRecord>& page, bool pageFromItems) {
  for (int i = 0; i < list.GetCount(); ++i) {
    const ISongItem* item = list.GetItem(i);
    if (!item) continue;
    if (pageFromItems && page.records.empty()) {
      page.pageIndex = item->GetPageNumber() - 1;
      page.total = item->GetPageCount();
    }
    page.records.push_back(songFrom(*item));
  }
}

void onSongBookAdd(void*, int, int status) {
  postGlobal(EventNames::EventSongBookAddNotify, new ErrorEventArgs(status, 2502));
}

void onSongBookRemove(void*, int, int status) {
  postGlobal(EventNames::SongBookDelNotify, new ErrorEventArgs(status, 2503));
}

void onSongBookPage(void* result, int, int status) {
  if (status != 0 || !result) {
    postGlobal(EventNames::SongBookSearchNotify, new ErrorEventArgs(status, 2504));
    return;
  }
  const auto& book = *static_cast<const ISongBookList*>(result);
  auto* args = new EventArgsSongData;
  fillSongs(book, args->songs, false);
  if (!args->songs.records.empty())
    if (const IPageInfo* page = book.GetPage()) {
      args->songs.pageIndex = page->GetPageNumber() - 1;
      args->songs.total = page->GetPageCount();
    }
  postHub(EventNames::GetNoteBookDatas, args);
}

void onSongPage(void* result, int tag, int status) {
  if (status != 0 || !result) return postNetError(status, 5011);
  auto* args = new DataListEventArgs;
  args->tag = tag;
  fillSongs(*static_cast<const ISongList*>(result), args->songs, true);
  postHub(EventNames::EventSongDataBack, args);
}

void onSingerPage(void* result, int tag, int status) {
  if (status != 0 || !result) return postNetError(status, 5012);
  const auto& list = *static_cast<const ISingerList*>(result);
  auto* args = new DataListEventArgs;
  args->tag = tag;
  for (int i = 0; i < list.GetCount(); ++i) {
    const ISingerItem* item = list.GetItem(i);
    if (!item) continue;
    if (args->singers.records.empty()) {
      args->singers.pageIndex = item->GetPageNumber() - 1;
      args->singers.total = item->GetPageCount();
    }
    args->singers.records.push_back({wide(item->GetSingerName()), wide(item->GetSingerKey())});
  }
  postHub(EventNames::EventSingerDataBack, args);
}

// Songs by identifier: the same song items, without page information.
void onSongsById(void* result, int tag, int status) {
  if (status != 0 || !result) return postNetError(status, 30001);
  auto* args = new DataListEventArgs;
  args->tag = tag;
  fillSongs(*static_cast<const ISongList*>(result), args->songs, false);
  postHub(EventNames::EventSongByIDBack, args);
}

}  // namespace

void addCatalogHandlers(HandlerMap& map) {
  map[2502] = &onSongBookAdd;
  map[2503] = &onSongBookRemove;
  map[2504] = &onSongBookPage;
  map[5011] = &onSongPage;
  map[5012] = &onSingerPage;
  map[30001] = &onSongsById;
}

}  // namespace netreply
