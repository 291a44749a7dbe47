// The contest (square, period, products, ranks, pictures), the user's published works and
// the public pages of works and contest songs.
#include <ctime>

#include "ServiceImpl.h"

namespace vk::service {

namespace st = wire::status;
using nlohmann::json;

namespace {

std::string formatTime(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

// Orderings 1..4 of the contest: score, popularity, newest, flowers.
const char* orderColumn(int ordering) {
  switch (ordering) {
    case 1: return "w.total";
    case 2: return "w.listens";
    case 3: return "w.created";
    default: return "w.flowers";
  }
}

Response fileResponse(const std::filesystem::path& file, std::string contentType) {
  std::error_code error;
  auto size = std::filesystem::file_size(file, error);
  if (error) refuse(404, st::kUnknownId, "no such file");
  Response response;
  response.contentType = std::move(contentType);
  response.file = file;
  response.fileSize = size;
  return response;
}

std::string contentTypeOf(std::string_view extension) {
  std::string lower;
  for (char c : extension) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == ".wmv") return "video/x-ms-wmv";
  if (lower == ".png") return "image/png";
  if (lower == ".jpg" || lower == ".jpeg") return "image/jpeg";
  return "application/octet-stream";
}

}  // namespace

Response htmlResponse(int http, std::string body) {
  Response response;
  response.http = http;
  response.contentType = "text/html; charset=utf-8";
  response.body = std::move(body);
  return response;
}

// The look of the public pages: a dark stage, warm gold for what matters, type that reads
// Chinese well on any system.
constexpr const char* kPageStyle = R"css(
:root{color-scheme:dark;--gold:#e0b15a;--gold-soft:#f3d9a4;--ink:#efe9df;--dim:#a69f93;--stage:#0d0c10;--panel:#1b1920}
*{box-sizing:border-box}
body{margin:0;min-height:100vh;background:radial-gradient(ellipse at 50% -10%,#3a2a12 0%,var(--stage) 55%) fixed;color:var(--ink);
font:16px/1.7 "Noto Sans CJK SC","Source Han Sans SC","PingFang SC","Hiragino Sans GB","Microsoft YaHei","WenQuanYi Micro Hei",sans-serif}
main{max-width:960px;margin:0 auto;padding:32px 20px 48px}
h1{margin:.2em 0;font-size:2.1em;line-height:1.3;color:var(--gold-soft);letter-spacing:.04em;overflow-wrap:anywhere}
a{color:var(--gold)}
.who{margin:0 0 20px;color:var(--dim);overflow-wrap:anywhere}.who strong{color:var(--ink);font-weight:600}
.stage{position:relative;background:#000;border:1px solid #3b3226;border-radius:12px;overflow:hidden;box-shadow:0 12px 48px rgba(0,0,0,.6),0 0 0 1px rgba(224,177,90,.08)}
.stage video{display:block;width:100%;max-height:72vh;background:#000}
.stage audio{display:block;width:calc(100% - 48px);margin:64px 24px}
.stage .note{margin:0;padding:96px 24px;text-align:center;color:var(--gold-soft);font-size:1.15em}
.stage .note small{display:block;margin-top:6px;color:var(--dim);font-size:.8em}
.scores{display:flex;flex-wrap:wrap;gap:12px;margin:24px 0}
.score{flex:1 1 120px;padding:12px 16px;background:var(--panel);border-radius:10px;border:1px solid #2c2830}
.score span{display:block;color:var(--dim);font-size:.85em}.score b{font-size:1.5em;font-weight:600}
.score.total{flex-basis:180px;border-color:var(--gold)}.score.total b{color:var(--gold);font-size:2em}
.meta{color:var(--dim)}
.download a{display:inline-block;padding:10px 22px;border-radius:999px;background:var(--gold);color:#1a1408;font-weight:600;text-decoration:none}
.download a:hover{background:var(--gold-soft)}
ol{padding-left:1.6em}li{margin:.3em 0}
)css";

std::string htmlPage(std::string_view title, std::string_view content, std::string_view head) {
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">" +
         std::string(head) + "<title>" + htmlEscape(title) + "</title>\n<style>" + kPageStyle +
         "</style></head>\n<body>\n<main>\n" + std::string(content) + "</main>\n</body></html>\n";
}

namespace {

// Seconds a page whose copy is still being made waits before it looks again.
constexpr int kPreparingRefreshSeconds = 15;

}  // namespace

Response Service::Impl::square() {
  auto connection = db->acquire();
  Statement rows(*connection,
                 "SELECT s.song_id, s.name, g.singer_key, g.name, c.picture"
                 " FROM contest_songs c JOIN songs s ON s.song_no = c.song_no JOIN singers g ON g.singer_no = s.singer_no"
                 " WHERE c.period_id = (SELECT period_id FROM periods WHERE current = 1 ORDER BY period_id DESC LIMIT 1)"
                 " ORDER BY c.position");
  json songs = json::array();
  while (rows.step()) {
    wire::ContestSong song{rows.text(0), rows.text(1), rows.text(2), rows.text(3),
                           url(std::string(wire::path::kMediaPictures) + rows.text(4)),
                           url("/contest/" + rows.text(0))};
    songs.push_back(json(song));
  }
  return okResponse({{"songs", std::move(songs)}});
}

Response Service::Impl::period() {
  auto connection = db->acquire();
  Statement read(*connection, "SELECT start, \"end\", title FROM periods WHERE current = 1 ORDER BY period_id DESC LIMIT 1");
  if (!read.step()) refuse(404, st::kUnknownId, "no contest period is open");
  return okResponse(json(wire::Period{read.text(0), read.text(1), read.text(2)}));
}

Response Service::Impl::products(const Request& request) {
  std::string_view song = queryValue(request, "song").value_or("");
  if (!isDigits(song, 20)) refuse(400, st::kBadArgument, "parameter 'song' must be a song id");
  int ordering = queryInt(request, "order", 1, 1, 4);
  int count = queryInt(request, "count", 18, 1, 100);
  int page = queryInt(request, "page", 1, 1, 1000000);
  auto connection = db->acquire();
  Statement rows(*connection, std::string("SELECT w.work_id, u.nickname, w.user_id, w.song_id, w.total, w.flowers,"
                                          " w.listens, w.created FROM works w JOIN users u ON u.user_id = w.user_id"
                                          " WHERE w.song_id = ? AND w.type = 1 ORDER BY ") +
                                  orderColumn(ordering) + " DESC, w.work_id DESC LIMIT ? OFFSET ?");
  rows.bind(1, song).bind(2, count).bind(3, static_cast<std::int64_t>(page - 1) * count);
  json products = json::array();
  while (rows.step()) {
    wire::Product p;
    p.key = std::to_string(rows.int64(0));
    p.displayText = rows.text(1);
    p.pictureKey = p.key;
    p.webUrl = url(std::string(wire::path::kWorkPage) + p.key);
    p.userId = std::to_string(rows.int64(2));
    p.songId = rows.text(3);
    p.total = rows.integer(4);
    p.flowers = rows.integer(5);
    p.listens = rows.integer(6);
    p.created = formatTime(rows.int64(7));
    products.push_back(json(p));
  }
  return okResponse({{"products", std::move(products)}});
}

Response Service::Impl::rank(const Request& request, const Caller& caller) {
  std::string_view user = queryValue(request, "user").value_or("");
  std::string_view song = queryValue(request, "song").value_or("");
  if (!isDigits(user, 18)) refuse(400, st::kBadArgument, "parameter 'user' must be a user id");
  if (!isDigits(song, 20)) refuse(400, st::kBadArgument, "parameter 'song' must be a song id");
  if (std::stoll(std::string(user)) != caller.userId) refuse(403, st::kForbidden, "only the user's own rank");
  auto connection = db->acquire();
  wire::Rank rank;
  for (int ordering = 1; ordering <= 4; ++ordering) {
    Statement rows(*connection, std::string("SELECT w.user_id FROM works w WHERE w.song_id = ? AND w.type = 1 ORDER BY ") +
                                    orderColumn(ordering) + " DESC, w.work_id DESC");
    rows.bind(1, song);
    for (int position = 1; rows.step(); ++position) {
      if (rows.int64(0) == caller.userId) {
        rank.ranks[static_cast<std::size_t>(ordering - 1)] = position;
        break;
      }
    }
  }
  return okResponse(json(rank));
}

Response Service::Impl::productPicture(std::string_view key) {
  if (!isDigits(key, 18)) refuse(400, st::kBadName, "a product key is a decimal number");
  auto connection = db->acquire();
  Statement read(*connection,
                 "SELECT w.picture, u.picture FROM works w JOIN users u ON u.user_id = w.user_id WHERE w.work_id = ?");
  read.bind(1, key);
  if (!read.step()) refuse(404, st::kUnknownId, "no such product");
  std::string picture = read.text(0).empty() ? read.text(1) : read.text(0);
  if (picture.empty()) refuse(404, st::kUnknownId, "the product has no picture");
  return fileResponse(store / "pictures" / picture, "image/png");
}

Response Service::Impl::worksList(const Request& request, const Caller& caller) {
  std::string_view user = queryValue(request, "user").value_or("");
  if (!isDigits(user, 18)) refuse(400, st::kBadArgument, "parameter 'user' must be a user id");
  if (std::stoll(std::string(user)) != caller.userId) refuse(403, st::kForbidden, "only the user's own works");
  auto connection = db->acquire();
  Statement rows(*connection,
                 "SELECT work_id, song_name, song_id, singer_name, singer_id, total, pitch, expression, rhythm,"
                 " engine_total, flowers, listens, created, picture, type, file FROM works WHERE user_id = ?"
                 " ORDER BY created DESC, work_id DESC");
  rows.bind(1, caller.userId);
  json works = json::array();
  while (rows.step()) {
    wire::Work w;
    w.key = std::to_string(rows.int64(0));
    w.songName = rows.text(1);
    w.songId = rows.text(2);
    w.singerName = rows.text(3);
    w.singerId = rows.text(4);
    w.total = rows.integer(5);
    w.pitch = rows.integer(6);
    w.expression = rows.integer(7);
    w.rhythm = rows.integer(8);
    w.engineTotal = rows.integer(9);
    w.flowers = rows.integer(10);
    w.listens = rows.integer(11);
    w.recordTime = formatTime(rows.int64(12));
    w.webUrl = url(std::string(wire::path::kWorkPage) + w.key);
    if (!rows.text(13).empty()) w.pictureUrl = url(std::string(wire::path::kMediaPictures) + rows.text(13));
    w.type = rows.integer(14);
    if (!rows.text(15).empty()) w.fileUrl = url("/media/" + rows.text(15));
    works.push_back(json(w));
  }
  return okResponse({{"works", std::move(works)}});
}

Response Service::Impl::workDelete(std::string_view workId, const Caller& caller) {
  if (!isDigits(workId, 18)) refuse(400, st::kBadName, "a work id is a decimal number");
  std::string file;
  std::optional<std::int64_t> uploadId;
  {
    auto connection = db->acquire();
    Transaction transaction(*connection);
    Statement read(*connection, "SELECT user_id, file, upload_id FROM works WHERE work_id = ?");
    read.bind(1, workId);
    if (!read.step()) refuse(404, st::kUnknownId, "no such work");
    if (read.int64(0) != caller.userId) refuse(403, st::kForbidden, "the work belongs to another user");
    file = read.text(1);
    if (!read.isNull(2)) uploadId = read.int64(2);
    // The upload behind the work is spent: its file goes, and it publishes nothing again.
    Statement spend(*connection,
                    "UPDATE uploads SET finished = 2 WHERE upload_id = (SELECT upload_id FROM works WHERE work_id = ?)");
    spend.bind(1, workId).run();
    Statement remove(*connection, "DELETE FROM works WHERE work_id = ?");
    remove.bind(1, workId).run();
    transaction.commit();
  }
  // The record is gone first: a crash here leaves an orphan file, never a record without one.
  if (!file.empty()) files->removeWork(file);
  // The browser copy goes with it (or is not made, when it was still waiting).
  if (uploadId) playable->remove(*uploadId);
  return okResponse({{"workId", std::string(workId)}});
}

Response Service::Impl::mediaPicture(std::string_view name) {
  auto dot = name.rfind('.');
  if (dot == std::string_view::npos || name.substr(dot) != ".png" || !isSafeName(name.substr(0, dot), 64))
    refuse(404, st::kBadName, "no such picture");
  return fileResponse(store / "pictures" / std::string(name), "image/png");
}

Response Service::Impl::mediaWork(const Request& request, std::string_view name) {
  auto dot = name.rfind('.');
  if (dot == std::string_view::npos || name.size() < 2 || name[0] != 'u' || !isDigits(name.substr(1, dot - 1), 18) ||
      !isExtension(name.substr(dot)))
    refuse(404, st::kBadName, "no such work file");
  std::string relative = "works/" + std::string(name);
  {
    auto connection = db->acquire();
    Statement read(*connection, "SELECT 1 FROM uploads WHERE finished = 1 AND file = ?");
    read.bind(1, relative);
    if (!read.step()) refuse(404, st::kUnknownId, "no such work file");
  }
  auto response = fileResponse(files->localFile(relative), contentTypeOf(name.substr(dot)));
  applyByteRange(response, request.range);
  return response;
}

Response Service::Impl::mediaPlayable(const Request& request, std::string_view name) {
  auto dot = name.rfind('.');
  if (dot == std::string_view::npos || name.size() < 2 || name[0] != 'u' || !isDigits(name.substr(1, dot - 1), 18) ||
      (name.substr(dot) != ".mp4" && name.substr(dot) != ".m4a"))
    refuse(404, st::kBadName, "no such playable copy");
  const std::int64_t uploadId = std::stoll(std::string(name.substr(1, dot - 1)));
  {
    auto connection = db->acquire();
    Statement read(*connection, "SELECT 1 FROM works WHERE upload_id = ?");
    read.bind(1, uploadId);
    if (!read.step()) refuse(404, st::kUnknownId, "no such work");
  }
  auto copy = playable->find(uploadId);
  const bool ready = copy.state == PlayableCopies::State::Video || copy.state == PlayableCopies::State::Audio;
  if (!ready || copy.name != name) refuse(404, st::kUnknownId, "the playable copy is not there (yet)");
  auto response = fileResponse(store / "playable" / copy.name,
                               copy.state == PlayableCopies::State::Video ? "video/mp4" : "audio/mp4");
  applyByteRange(response, request.range);
  return response;
}

Response Service::Impl::workPage(std::string_view workId) {
  if (!isDigits(workId, 18)) return htmlResponse(404, htmlPage("作品不存在", "<p>作品不存在。</p>\n"));
  auto connection = db->acquire();
  Statement read(*connection,
                 "SELECT w.song_name, w.singer_name, u.nickname, w.total, w.pitch, w.expression, w.rhythm, w.created,"
                 " w.file, w.flowers, w.listens, w.upload_id FROM works w JOIN users u ON u.user_id = w.user_id"
                 " WHERE w.work_id = ?");
  read.bind(1, workId);
  if (!read.step()) return htmlResponse(404, htmlPage("作品不存在", "<p>作品不存在。</p>\n"));
  auto score = [](const char* label, int value, const char* extra = "") {
    return std::string("<div class=\"score") + extra + "\"><span>" + label + "</span><b>" + std::to_string(value) +
           "</b></div>\n";
  };
  const std::string file = read.text(8);
  std::string head;
  std::string stage = "<section class=\"stage\">\n";
  if (file.empty() || read.isNull(11)) {
    stage += "<p class=\"note\">此作品没有可播放的文件。</p>\n";
  } else {
    const std::int64_t uploadId = read.int64(11);
    auto copy = playable->find(uploadId);
    const std::string source = htmlEscape(url("/media/playable/" + copy.name));
    switch (copy.state) {
      case PlayableCopies::State::Video:
        stage += "<video controls playsinline preload=\"metadata\" src=\"" + source +
                 "\">你的浏览器不能播放此视频，请下载作品观看。</video>\n";
        break;
      case PlayableCopies::State::Audio:
        stage += "<audio controls preload=\"metadata\" src=\"" + source + "\">你的浏览器不能播放此作品，请下载收听。</audio>\n";
        break;
      case PlayableCopies::State::Failed:
        stage += "<p class=\"note\">此作品不能在网页上播放。<small>请下载作品观看。</small></p>\n";
        break;
      case PlayableCopies::State::Preparing:
        // Asked again in case the copy was lost; a copy that is queued or being made stays so.
        playable->request(uploadId, files->localFile(file));
        head = "<meta http-equiv=\"refresh\" content=\"" + std::to_string(kPreparingRefreshSeconds) + "\">";
        stage += "<p class=\"note\">视频正在准备中……<small>准备好后本页会自动显示，也可以先下载作品观看。</small></p>\n";
        break;
    }
  }
  stage += "</section>\n";
  std::string content = "<header>\n<h1>" + htmlEscape(read.text(0)) + "</h1>\n<p class=\"who\">演唱：<strong>" +
                        htmlEscape(read.text(2)) + "</strong> · 原唱：" + htmlEscape(read.text(1)) + "</p>\n</header>\n" +
                        stage + "<section class=\"scores\">\n" + score("总分", read.integer(3), " total") +
                        score("音准", read.integer(4)) + score("表现力", read.integer(5)) + score("节奏", read.integer(6)) +
                        score("鲜花", read.integer(9)) + score("人气", read.integer(10)) + "</section>\n" +
                        "<p class=\"meta\">发布时间：" + htmlEscape(formatTime(read.int64(7))) + "</p>\n";
  if (!file.empty())
    content += "<p class=\"download\"><a href=\"" + htmlEscape(url("/media/" + file)) + "\" download>下载作品</a></p>\n";
  else
    content += "<p>此作品没有可下载的文件。</p>\n";
  return htmlResponse(200, htmlPage(read.text(0) + " - " + read.text(2), content, head));
}

Response Service::Impl::contestPage(std::string_view songId) {
  if (!isDigits(songId, 20)) return htmlResponse(404, htmlPage("歌曲不存在", "<p>歌曲不存在。</p>\n"));
  auto connection = db->acquire();
  Statement song(*connection,
                 "SELECT s.name, g.name FROM songs s JOIN singers g ON g.singer_no = s.singer_no WHERE s.song_id = ?");
  song.bind(1, songId);
  if (!song.step()) return htmlResponse(404, htmlPage("歌曲不存在", "<p>歌曲不存在。</p>\n"));
  std::string content = "<h1>" + htmlEscape(song.text(0)) + "</h1>\n<p>原唱：" + htmlEscape(song.text(1)) + "</p>\n<ol>\n";
  Statement rows(*connection,
                 "SELECT w.work_id, u.nickname, w.total FROM works w JOIN users u ON u.user_id = w.user_id"
                 " WHERE w.song_id = ? AND w.type = 1 ORDER BY w.total DESC, w.work_id DESC LIMIT 100");
  rows.bind(1, songId);
  while (rows.step())
    content += "<li><a href=\"" + htmlEscape(url(std::string(wire::path::kWorkPage) + std::to_string(rows.int64(0)))) +
               "\">" + htmlEscape(rows.text(1)) + "</a> " + std::to_string(rows.integer(2)) + "</li>\n";
  content += "</ol>\n";
  return htmlResponse(200, htmlPage(song.text(0), content));
}

}  // namespace vk::service
