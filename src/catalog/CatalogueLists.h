#pragma once
// Opens the catalogue's lists on the GUI sheet: a category (or search result) of songs or of
// singers. The list is freed when it ends. Used by the practice menu's commands and the
// searches; VOKARAN_OPEN_LIST opens one at start for development.
#include <functional>
#include <string>
#include <vector>

#include "NetWork/NetRecords.h"

#include "catalog/CSearchInfo.h"

class CSongList;
class IPageCtrl;

// Attaches `page` to the GUI sheet as the modal page; it is freed once it has ended.
void openOnSheet(IPageCtrl* page);

// How an opener puts its page on screen: openOnSheet, or a caller's own (the practice menu
// keeps its pages and shows itself again when they end). The page's data is asked for after
// it is attached.
using PageAttach = std::function<void(IPageCtrl*)>;

// Songs of the query: picking one opens its button window (order, insert, song book, the
// singer's other songs).
CSongList* openSongList(const CSearchInfo& query, const std::string& title = "",
                        const PageAttach& attach = openOnSheet);
// Singers of the query: picking one opens the singer's songs.
CSongList* openSingerList(const CSearchInfo& query, const std::string& title = "",
                          const PageAttach& attach = openOnSheet);

// The contest songs, one page handed over by the contest window: picking one orders it.
CSongList* openContestSongList(const std::vector<SongRecord>& songs, const PageAttach& attach = openOnSheet);

// The user's song book. Freed when it ends.
IPageCtrl* openSongBook(const PageAttach& attach = openOnSheet);

// A search window: "pinyin-songs", "pinyin-singers", "strokes" (singers by surname strokes) or
// "words" (songs by name length), over `scope`; null for another name. Freed when it ends.
IPageCtrl* openSearchWindow(const std::string& which, const std::wstring& scope = L"",
                            const PageAttach& attach = openOnSheet);

// "songs|singers:KIND:SCOPE:KEYWORD" (e.g. "songs:5:101:" for a category, "songs:6::MLH" for
// pinyin initials) as what to open; false when the text is not of that form.
bool parseListRequest(const std::string& text, bool& singers, CSearchInfo& query);
