// The catalogue (song and singer pages, searches), song files, the menu document and the
// user's song book.
#include <charconv>

#include "ServiceImpl.h"

namespace vk::service {

namespace st = wire::status;
using nlohmann::json;

namespace {

struct Range {
  int low = 0;
  int high = 0;  // inclusive
};

// "1-4", "17-", "11-100": a low bound and an optional high bound.
Range parseRange(std::string_view keyword) {
  auto dash = keyword.find('-');
  auto number = [](std::string_view text, int& out) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && text.size() <= 4 && error == std::errc() && end == text.data() + text.size();
  };
  Range range;
  if (dash == std::string_view::npos || !number(keyword.substr(0, dash), range.low))
    refuse(400, st::kBadKeyword, "the keyword must be a range such as 1-4 or 17-");
  auto high = keyword.substr(dash + 1);
  if (high.empty()) {
    range.high = 1 << 20;
  } else if (!number(high, range.high) || range.high < range.low) {
    refuse(400, st::kBadKeyword, "the keyword must be a range such as 1-4 or 17-");
  }
  return range;
}

// Pinyin initials as typed: letters and digits, compared upper-case.
std::string parseInitials(std::string_view keyword) {
  if (keyword.size() > 32) refuse(400, st::kBadKeyword, "at most 32 letters and digits");
  std::string out;
  for (char c : keyword) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!ok) refuse(400, st::kBadKeyword, "pinyin initials are letters and digits only");
    out += c;
  }
  return out;
}

// Initials hold digits and capital letters only, all below '~': the names whose initials
// start with P are those from P up to P + "~", a range the index on initials reads directly.
constexpr char kAfterInitials = '~';

struct Scope {
  bool all = true;
  std::int64_t category = 0;
};

Scope resolveScope(Connection& connection, std::string_view scope, const char* target) {
  if (scope.empty()) return {};
  if (scope.size() > 32) refuse(400, st::kUnknownScope, "unknown scope");
  Statement read(connection, "SELECT cat_id FROM scopes WHERE scope = ? AND target = ?");
  read.bind(1, scope).bind(2, target);
  if (!read.step()) refuse(404, st::kUnknownScope, "unknown scope '" + std::string(scope) + "'");
  if (read.isNull(0)) return {};
  return Scope{false, read.int64(0)};
}

// A query assembled from parts; values are always bound, never pasted into the SQL.
struct Query {
  std::string joins;
  std::string where = " WHERE 1 = 1";
  std::string order;
  struct Bind {
    bool isText;
    std::string text;
    std::int64_t number;
  };
  std::vector<Bind> binds;
  void text(std::string value) { binds.push_back({true, std::move(value), 0}); }
  void number(std::int64_t value) { binds.push_back({false, {}, value}); }
  int bindAll(Statement& statement) const {
    int index = 1;
    for (auto& b : binds) {
      if (b.isText)
        statement.bind(index++, b.text);
      else
        statement.bind(index++, b.number);
    }
    return index;
  }
};

struct Paging {
  int page = 1;
  int size = wire::kPageSize;
  int total = 0;
  int pageCount = 0;
};

// The page a request asks for ("page" from 1, "size" up to the largest page).
Paging pagingOf(const Request& request) {
  Paging paging;
  paging.page = queryInt(request, "page", 1, 1, 1000000);
  paging.size = queryInt(request, "size", wire::kPageSize, 1, wire::kMaxPageSize);
  return paging;
}

// Binds the query's values, then the page's LIMIT and OFFSET, to the statement of its rows.
void bindPage(Statement& rows, const Query& query, const Paging& paging) {
  const int next = query.bindAll(rows);
  rows.bind(next, paging.size).bind(next + 1, static_cast<std::int64_t>(paging.page - 1) * paging.size);
}

// A reply page's header: totals, and the page number (0 for an empty result).
template <class Page>
void setPageHeader(Page& page, const Paging& paging) {
  page.total = paging.total;
  page.pageCount = paging.pageCount;
  page.page = paging.total > 0 ? paging.page : 0;
}

// Counts, then checks the page against the count. An empty result is page 0 of 0. With a
// `cache` and `key` (the query without its page) a count is made once per query: counting a
// large catalogue costs far more than reading one page of it.
void countPages(Connection& connection, const std::string& from, const Query& query, Paging& paging,
                PageCache* cache = nullptr, const std::string& key = {}) {
  std::optional<std::string> known = cache ? cache->find(key) : std::nullopt;
  if (known) {
    paging.total = std::stoi(*known);
  } else {
    Statement count(connection, "SELECT COUNT(*)" + from + query.joins + query.where);
    query.bindAll(count);
    count.step();
    paging.total = count.integer(0);
    if (cache) cache->put(key, std::to_string(paging.total));
  }
  paging.pageCount = (paging.total + paging.size - 1) / paging.size;
  if (paging.total > 0 && paging.page > paging.pageCount)
    refuse(404, st::kPageOutOfRange,
           "page " + std::to_string(paging.page) + " of " + std::to_string(paging.pageCount));
}

// The key of a catalogue query; with `withPage` false the same for all of its pages.
std::string pageKey(const Request& request, std::string_view what, bool withPage = true) {
  std::string key(what);
  for (auto name : {"scope", "kind", "keyword", "page", "size"}) {
    if (!withPage && (std::string_view(name) == "page" || std::string_view(name) == "size")) continue;
    key += '\x1f';
    if (auto value = queryValue(request, name)) key += *value;
  }
  return key;
}

Response cachedBody(std::string body) {
  Response response;
  response.body = std::move(body);
  return response;
}

wire::SongItem readSong(Statement& row) {
  wire::SongItem song;
  song.songNo = row.integer(0);
  song.songId = row.text(1);
  song.name = row.text(2);
  song.songKey = row.text(3);
  song.singerName = row.text(4);
  song.singerKey = row.text(5);
  for (int i = 0; i < 5; ++i) song.flash[static_cast<std::size_t>(i)] = row.text(6 + i);
  return song;
}

constexpr const char* kSongColumns =
    "SELECT s.song_no, s.song_id, s.name, s.song_key, g.name, g.singer_key, s.flash1, s.flash2, s.flash3,"
    " s.flash4, s.flash5";

}  // namespace

Response Service::Impl::songs(const Request& request) {
  auto key = pageKey(request, "songs");
  if (auto cached = pages.find(key)) return cachedBody(std::move(*cached));

  Paging paging = pagingOf(request);
  std::string_view kind = queryValue(request, "kind").value_or("");
  std::string_view keyword = queryValue(request, "keyword").value_or("");
  auto connection = db->acquire();
  Scope scope = resolveScope(*connection, queryValue(request, "scope").value_or(""), "song");

  Query query;
  const std::string from = " FROM songs s JOIN singers g ON g.singer_no = s.singer_no";
  if (!scope.all) {
    query.joins = " JOIN song_categories c ON c.song_no = s.song_no AND c.cat_id = ?";
    query.number(scope.category);
  }
  query.order = " ORDER BY s.song_no";
  if (kind == "6") {  // pinyin initials of the song's name
    auto initials = parseInitials(keyword);
    query.where += " AND s.initials >= ? AND s.initials < ?";
    query.text(initials);
    query.text(initials + kAfterInitials);
    query.order = " ORDER BY s.initials, s.song_no";
  } else if (kind == "1") {  // number of characters of the name
    auto range = parseRange(keyword);
    query.where += " AND s.name_len BETWEEN ? AND ?";
    query.number(range.low);
    query.number(range.high);
    query.order = " ORDER BY s.name_len, s.song_no";
  } else if (kind == "3") {  // one singer's songs
    if (!isSafeName(keyword, 32)) refuse(400, st::kBadKeyword, "the keyword must be a singer key");
    Statement singer(*connection, "SELECT 1 FROM singers WHERE singer_key = ?");
    singer.bind(1, keyword);
    if (!singer.step()) refuse(404, st::kUnknownId, "no singer with key '" + std::string(keyword) + "'");
    query.where += " AND g.singer_key = ?";
    query.text(std::string(keyword));
  } else if (kind == "5") {  // a category's listing
    if (scope.all) refuse(404, st::kUnknownScope, "a category listing needs a category scope");
  } else {
    refuse(400, st::kBadArgument, "unknown song query kind '" + std::string(kind) + "'");
  }

  countPages(*connection, from, query, paging, &pages, "count\x1f" + pageKey(request, "songs", false));
  wire::SongPage page;
  setPageHeader(page, paging);
  Statement rows(*connection, std::string(kSongColumns) + from + query.joins + query.where + query.order +
                                  " LIMIT ? OFFSET ?");
  bindPage(rows, query, paging);
  while (rows.step()) page.songs.push_back(readSong(rows));
  auto response = okResponse(json(page));
  pages.put(key, response.body);
  return response;
}

Response Service::Impl::singers(const Request& request) {
  auto key = pageKey(request, "singers");
  if (auto cached = pages.find(key)) return cachedBody(std::move(*cached));

  Paging paging = pagingOf(request);
  std::string_view kind = queryValue(request, "kind").value_or("");
  std::string_view keyword = queryValue(request, "keyword").value_or("");
  auto connection = db->acquire();
  Scope scope = resolveScope(*connection, queryValue(request, "scope").value_or(""), "singer");

  Query query;
  const std::string from = " FROM singers g";
  if (!scope.all) {
    query.joins = " JOIN singer_categories c ON c.singer_no = g.singer_no AND c.cat_id = ?";
    query.number(scope.category);
  }
  query.order = " ORDER BY g.singer_no";
  if (kind == "4") {  // pinyin initials of the singer's name
    auto initials = parseInitials(keyword);
    query.where += " AND g.initials >= ? AND g.initials < ?";
    query.text(initials);
    query.text(initials + kAfterInitials);
    query.order = " ORDER BY g.initials, g.singer_no";
  } else if (kind == "2") {  // strokes of the surname
    auto range = parseRange(keyword);
    query.where += " AND g.strokes BETWEEN ? AND ? AND g.strokes > 0";
    query.number(range.low);
    query.number(range.high);
    query.order = " ORDER BY g.strokes, g.singer_no";
  } else if (kind == "5") {
    if (scope.all) refuse(404, st::kUnknownScope, "a category listing needs a category scope");
  } else {
    refuse(400, st::kBadArgument, "unknown singer query kind '" + std::string(kind) + "'");
  }

  countPages(*connection, from, query, paging, &pages, "count\x1f" + pageKey(request, "singers", false));
  wire::SingerPage page;
  setPageHeader(page, paging);
  Statement rows(*connection, "SELECT g.name, g.singer_key" + from + query.joins + query.where + query.order +
                                  " LIMIT ? OFFSET ?");
  bindPage(rows, query, paging);
  while (rows.step()) page.singers.push_back({rows.text(0), rows.text(1)});
  auto response = okResponse(json(page));
  pages.put(key, response.body);
  return response;
}

Response Service::Impl::songFile(std::string_view songId) {
  if (!isDigits(songId, 20)) refuse(400, st::kBadName, "a song id is a decimal number");
  std::string named;
  {
    auto connection = db->acquire();
    Statement read(*connection, "SELECT file FROM songs WHERE song_id = ?");
    read.bind(1, songId);
    if (!read.step()) refuse(404, st::kUnknownId, "no song with id " + std::string(songId));
    named = read.text(0);
  }
  std::error_code error;
  // A file of the song's own in the store wins; then the demo file the song names, when the
  // songs folder has it; then a demo file chosen by the song's id.
  std::filesystem::path file = store / "songs" / (std::string(songId) + ".mic");
  if (!std::filesystem::is_regular_file(file, error)) file = songFiles.named(named);
  if (file.empty()) file = songFiles.fileFor(songId);
  if (file.empty()) refuse(404, st::kUnknownId, "the service has no song files");
  auto size = std::filesystem::file_size(file, error);
  if (error) refuse(404, st::kUnknownId, "the song file is missing");
  Response response;
  response.contentType = "application/octet-stream";
  response.file = file;
  response.fileSize = size;
  return response;
}

Response Service::Impl::menuVersion() {
  auto connection = db->acquire();
  Statement read(*connection, "SELECT version FROM menu WHERE id = 1");
  if (!read.step()) refuse(404, st::kUnknownId, "the service has no menu");
  return okResponse({{"version", read.text(0)}});
}

Response Service::Impl::menuDocument() {
  auto connection = db->acquire();
  Statement read(*connection, "SELECT version, document FROM menu WHERE id = 1");
  if (!read.step()) refuse(404, st::kUnknownId, "the service has no menu");
  return okResponse(json(wire::MenuDocument{read.text(0), read.text(1)}));
}

Response Service::Impl::songBookPage(const Request& request, const Caller& caller) {
  Paging paging = pagingOf(request);
  auto connection = db->acquire();
  Query query;
  const std::string from =
      " FROM songbook b JOIN songs s ON s.song_no = b.song_no JOIN singers g ON g.singer_no = s.singer_no";
  query.where += " AND b.user_id = ?";
  query.number(caller.userId);
  countPages(*connection, from, query, paging);
  if (paging.total == 0) refuse(404, st::kSongBookEmpty, "the song book is empty");
  wire::SongPage page;
  setPageHeader(page, paging);  // the song book is never empty here
  Statement rows(*connection, std::string(kSongColumns) + from + query.where +
                                  " ORDER BY b.added, s.song_no LIMIT ? OFFSET ?");
  bindPage(rows, query, paging);
  while (rows.step()) page.songs.push_back(readSong(rows));
  return okResponse(json(page));
}

Response Service::Impl::songBookAdd(const Request& request, const Caller& caller) {
  auto entry = parseBody<wire::SongBookEntry>(request);
  if (!isDigits(entry.songId, 20)) refuse(400, st::kBadName, "a song id is a decimal number");
  auto connection = db->acquire();
  Statement song(*connection, "SELECT song_no FROM songs WHERE song_id = ?");
  song.bind(1, entry.songId);
  if (!song.step()) refuse(404, st::kUnknownId, "no song with id " + entry.songId);
  std::int64_t songNo = song.int64(0);
  // The added time orders the book; equal seconds keep the order of the song numbers.
  Statement insert(*connection, "INSERT INTO songbook(user_id, song_no, added) VALUES(?, ?, ?) ON CONFLICT DO NOTHING");
  insert.bind(1, caller.userId).bind(2, songNo).bind(3, now()).run();
  if (connection->changes() == 0) refuse(409, st::kAlreadyInSongBook, "the song is already in the song book");
  return okResponse({{"songNo", songNo}});
}

Response Service::Impl::songBookRemove(std::string_view songNo, const Caller& caller) {
  if (!isDigits(songNo, 18)) refuse(400, st::kBadName, "a song number is a decimal number");
  std::int64_t number = std::stoll(std::string(songNo));
  auto connection = db->acquire();
  if (number == 0) {  // empties the book
    Statement clear(*connection, "DELETE FROM songbook WHERE user_id = ?");
    clear.bind(1, caller.userId).run();
    return okResponse({{"removed", connection->changes()}});
  }
  Statement remove(*connection, "DELETE FROM songbook WHERE user_id = ? AND song_no = ?");
  remove.bind(1, caller.userId).bind(2, number).run();
  if (connection->changes() == 0) refuse(404, st::kNotInSongBook, "the song is not in the song book");
  return okResponse({{"removed", 1}});
}

}  // namespace vk::service
