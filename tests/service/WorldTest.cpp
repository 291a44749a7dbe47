// The seeded worlds beyond the fixture's: the demo songs under their names and with their own
// files, the large world's spread of names, and a database of the first schema.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "ServiceFixture.h"
#include "core/Png.h"
#include "core/Sqlite.h"
#include "core/Unihan.h"
#include "netwire/Utf8.h"

namespace vk::service {
// Names a demo song in test reports (found by argument-dependent lookup).
void PrintTo(const DemoSong& song, std::ostream* out) { *out << song.file; }
}  // namespace vk::service

namespace vk::service::test {
namespace {

using nlohmann::json;

// FNV-1a-32 of the song id picks the file of a song that names none (docs/service-protocol.md).
std::uint32_t fnv1a(const std::string& text) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

std::string stem(const char* file) { return std::filesystem::path(file).stem().string(); }

class DemoSongs : public ServiceFixture {
 protected:
  // The songs whose name is `name` among those found by the initials `typed`.
  std::vector<json> findByInitials(const std::string& typed, const std::string& name) {
    std::vector<json> found;
    for (int page = 1;; ++page) {
      auto r = call("GET", "/v1/songs?kind=6&scope=3&keyword=" + typed + "&page=" + std::to_string(page));
      EXPECT_EQ(r.json["status"], 0) << r.response.body;
      for (auto& song : r.json["songs"])
        if (song["name"] == name) found.push_back(song);
      if (page >= r.json["pageCount"].get<int>()) return found;
    }
  }
  // The song ids or singer names of every record of a query, over all its pages.
  std::set<std::string> all(const std::string& what, const std::string& query) {
    std::set<std::string> out;
    const char* list = what == "songs" ? "songs" : "singers";
    const char* field = what == "songs" ? "songId" : "name";
    for (int page = 1;; ++page) {
      auto r = call("GET", "/v1/" + what + "?" + query + "&page=" + std::to_string(page));
      EXPECT_EQ(r.json["status"], 0) << r.response.body;
      for (auto& item : r.json[list]) out.insert(item[field].get<std::string>());
      if (page >= r.json["pageCount"].get<int>()) return out;
    }
  }
  json onlySong(const std::string& typed, const std::string& name) {
    auto found = findByInitials(typed, name);
    EXPECT_EQ(found.size(), 1u) << typed << " " << name;
    return found.empty() ? json() : found.front();
  }
};

// Typed as a user types them, in either case.
TEST_F(DemoSongs, InitialsFindThemByTheirNames) {
  auto molihua = onlySong("MLH", "茉莉花");
  EXPECT_EQ(molihua["singerName"], "江苏民歌");
  EXPECT_EQ(onlySong("mlh", "茉莉花")["songId"], molihua["songId"]);
  EXPECT_EQ(onlySong("XXX", "小星星")["singerName"], "儿歌");
  EXPECT_EQ(onlySong("LZLH", "两只老虎")["singerName"], "儿歌");
  EXPECT_EQ(onlySong("SB", "送别")["singerName"], "李叔同");
  EXPECT_EQ(onlySong("M", "茉莉花")["songId"], molihua["songId"]);  // a prefix of the initials
  EXPECT_TRUE(findByInitials("MLHX", "茉莉花").empty());
}

class DemoSong : public DemoSongs, public ::testing::WithParamInterface<service::DemoSong> {};

// Each demo song: one catalogue entry, listed under its singer and its categories, with its
// own file when the songs folder has it and a demo file by the usual rule when it has not.
TEST_P(DemoSong, IsInTheCatalogueAndPlaysItsOwnFile) {
  const service::DemoSong& demo = GetParam();
  Unihan unihan = Unihan::load(config_.unihanDir);
  std::string initials = unihan.initials(demo.name);
  ASSERT_EQ(initials.size(), wire::decodeUtf8(demo.name).size()) << "a character without a reading";
  json song = onlySong(initials, demo.name);
  ASSERT_TRUE(song.is_object());
  std::string id = song["songId"];
  EXPECT_EQ(song["singerName"], demo.singer);

  EXPECT_TRUE(all("songs", "kind=3&keyword=" + song["singerKey"].get<std::string>()).contains(id));
  EXPECT_TRUE(all("singers", "kind=5&scope=" + std::to_string(demo.singerCategory)).contains(demo.singer));
  for (int category : demo.categories)
    if (category != 0) {
      EXPECT_TRUE(all("songs", "kind=5&scope=" + std::to_string(category)).contains(id)) << category;
    }

  // The fixture's folder lacks the song's file: the rule over a, b and c.
  auto fallback = call("GET", "/v1/songfiles/" + id);
  ASSERT_FALSE(fallback.response.file.empty()) << fallback.response.body;
  EXPECT_EQ(fallback.response.file.filename().string(), std::string(1, "abc"[fnv1a(id) % 3]) + ".mic");
  writeFile(config_.songsDir / demo.file, "the file of " + stem(demo.file));
  auto own = call("GET", "/v1/songfiles/" + id);
  EXPECT_EQ(own.response.file, config_.songsDir / demo.file);
  EXPECT_EQ(readFile(own.response.file), "the file of " + stem(demo.file));
  EXPECT_EQ(own.response.fileSize, readFile(own.response.file).size());
  // A file of the song's own in the store still wins.
  writeFile(config_.dataDir / "store" / "songs" / (id + ".mic"), "uploaded");
  EXPECT_EQ(readFile(call("GET", "/v1/songfiles/" + id).response.file), "uploaded");
}

INSTANTIATE_TEST_SUITE_P(Service, DemoSong, ::testing::ValuesIn(kDemoSongs),
                         [](const ::testing::TestParamInfo<service::DemoSong>& info) { return stem(info.param.file); });

// With the project's compiled songs: 茉莉花 plays molihua.mic, and the generated songs play
// what the hash rule gives them, as they always did (the module's tests rely on it).
TEST_F(DemoSongs, CompiledSongsPlayByNameAndTheOthersByTheRule) {
  std::vector<std::filesystem::path> files;
  for (auto& entry : std::filesystem::directory_iterator(VK_SONGS_DIR))
    if (entry.path().extension() == ".mic") {
      std::filesystem::copy_file(entry.path(), config_.songsDir / entry.path().filename());
      files.push_back(entry.path().filename());
    }
  ASSERT_EQ(files.size(), std::size(kDemoSongs));
  for (auto name : {"a.mic", "b.mic", "c.mic"}) std::filesystem::remove(config_.songsDir / name);
  std::sort(files.begin(), files.end());
  restart();

  std::string molihua = onlySong("MLH", "茉莉花")["songId"];
  auto r = call("GET", "/v1/songfiles/" + molihua);
  EXPECT_EQ(readFile(r.response.file), readFile(std::filesystem::path(VK_SONGS_DIR) / "molihua.mic"));
  for (int no = 1; no <= kSmallWorld.songs; ++no) {
    std::string id = std::to_string(100000 + no);
    EXPECT_EQ(call("GET", "/v1/songfiles/" + id).response.file.filename(), files[fnv1a(id) % files.size()]) << id;
  }
}

// The demo songs' sources and the catalogue agree on the songs, their names and singers.
TEST(DemoSongList, MatchesTheSongSources) {
  std::map<std::string, std::pair<std::string, std::string>> sources;  // file → title, singer
  for (auto& entry : std::filesystem::directory_iterator(std::filesystem::path(VK_SOURCE_DIR) / "songs")) {
    if (entry.path().extension() != ".vksong") continue;
    std::ifstream in(entry.path());
    std::string line, title, singer;
    while (std::getline(in, line)) {
      if (line.starts_with("title ")) title = line.substr(line.find_first_not_of(' ', 5));
      if (line.starts_with("singer ")) singer = line.substr(line.find_first_not_of(' ', 6));
    }
    sources[entry.path().stem().string() + ".mic"] = {title, singer};
  }
  std::map<std::string, std::pair<std::string, std::string>> listed;
  for (auto& demo : kDemoSongs) listed[demo.file] = {demo.name, demo.singer};
  EXPECT_EQ(listed, sources);
}

// The large world's names at a tenth of its size, indexed from Debian's Unihan data: the counts
// (the generated songs and singers, then the demo ones) and a spread of initials and strokes.
TEST(WideWorld, HasTheCountsAndSpreadsInitialsAndStrokesLikeRealNames) {
  auto dir = makeTempDir("vk-wide-world");
  ServiceConfig config;
  config.dataDir = dir / "data";
  config.unihanDir = VK_UNIHAN_DIR;
  TestDatabase database(config);
  {
    Service service(config);
    SeedOptions options = kLargeSeed;
    options.songs = 10000;  // a tenth of the large world, in a fraction of its time
    options.singers = 1000;
    ASSERT_TRUE(service.seedDemo(options));
    auto get = [&](const std::string& path, const std::string& kind, const std::string& scope,
                   const std::string& keyword) {
      Request request;
      request.method = "GET";
      request.path = path;
      request.query = {{"kind", kind}, {"scope", scope}, {"keyword", keyword}};
      request.session = kDemoSessionId;
      request.user = kDemoUserId;
      return json::parse(service.handle(request).body)["total"].get<int>();
    };
    const int songs = get("/v1/songs", "6", "3", ""), singers = get("/v1/singers", "4", "6", "");
    EXPECT_EQ(songs, 10000 + static_cast<int>(std::size(kDemoSongs)));
    EXPECT_EQ(singers, 1000 + 5);  // 儿歌 sings two demo songs

    // Pinyin syllables start with every letter but I, U and V; the most common first letter
    // of real titles takes well under a fifth.
    int largest = 0, sum = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      int count = get("/v1/songs", "6", "3", std::string(1, letter));
      sum += count;
      largest = std::max(largest, count);
      if (letter != 'I' && letter != 'U' && letter != 'V') {
        EXPECT_GT(count, 20) << letter;
      }
    }
    EXPECT_LT(largest, songs / 5);
    EXPECT_GT(sum, songs * 9 / 10);  // the rest start with digits
    int singerLetters = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) singerLetters += get("/v1/singers", "4", "6", std::string(1, letter)) > 0;
    EXPECT_GE(singerLetters, 20);
    for (auto range : {"1-4", "5-7", "8-10", "11-13", "14-16", "17-"})
      EXPECT_GT(get("/v1/singers", "2", "5", range), 10) << range;
    for (int length = 1; length <= 12; ++length) {
      auto range = std::to_string(length) + "-" + std::to_string(length);
      EXPECT_GT(get("/v1/songs", "1", "2", range), 100) << range;
    }
  }
  {
    // Real catalogues: many surnames, the frequent ones far ahead of the rest.
    auto connection = database.open();
    Statement read(*connection,
                   "SELECT COUNT(DISTINCT substr(name, 1, 1)),"
                   " SUM(CASE WHEN substr(name, 1, 1) IN ('王', '李', '张') THEN 1 ELSE 0 END) FROM singers");
    ASSERT_TRUE(read.step());
    EXPECT_GT(read.integer(0), 150);
    EXPECT_GT(read.integer(1), 1000 / 10);  // about a fifth, as in real names; a uniform pick would give 15
  }
  std::filesystem::remove_all(dir);
}

// A data directory of the first schema: its songs gain an empty file name and play by the rule.
// The width and height a PNG's header gives.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& png) {
  auto at = [&png](std::size_t i) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(png.at(i + k));
    return v;
  };
  return {at(16), at(20)};
}

TEST(WorldPictures, CoversAndHeadsArePngsOfTheirSizeTheSameForASeedAndDifferentBetweenSongs) {
  std::set<std::string> covers;
  for (std::uint32_t song = 1; song <= 10; ++song) {
    const std::string cover = drawCover(240, song * 40503u);
    ASSERT_EQ(cover.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(pngSize(cover), (std::pair<std::uint32_t, std::uint32_t>{240, 240}));
    covers.insert(cover);
  }
  // Neighbouring songs (whose seeds differ in few bits) get covers of their own.
  EXPECT_EQ(covers.size(), 10u);
  EXPECT_EQ(drawCover(240, 7), drawCover(240, 7));
  EXPECT_EQ(pngSize(drawHead(96, 10002)), (std::pair<std::uint32_t, std::uint32_t>{96, 96}));
  EXPECT_NE(drawHead(96, 10002), drawHead(96, 10003));
}

TEST(Schema, TheFirstSchemaGainsTheSongFileColumn) {
  VK_SQLITE_ONLY();
  auto dir = makeTempDir("vk-schema-1");
  std::filesystem::create_directories(dir / "data");
  {
    SqliteConnection connection((dir / "data" / "vokaran.db").string(), false);
    connection.exec(
        "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
        "INSERT INTO meta VALUES('schema_version', '1');"
        "CREATE TABLE singers(singer_no INTEGER PRIMARY KEY, singer_key TEXT NOT NULL UNIQUE, name TEXT NOT NULL,"
        " initials TEXT NOT NULL DEFAULT '', strokes INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE songs(song_no INTEGER PRIMARY KEY, song_id TEXT NOT NULL UNIQUE, name TEXT NOT NULL,"
        " song_key TEXT NOT NULL, singer_no INTEGER NOT NULL REFERENCES singers(singer_no),"
        " flash1 TEXT NOT NULL DEFAULT '', flash2 TEXT NOT NULL DEFAULT '', flash3 TEXT NOT NULL DEFAULT '',"
        " flash4 TEXT NOT NULL DEFAULT '', flash5 TEXT NOT NULL DEFAULT '', initials TEXT NOT NULL DEFAULT '',"
        " name_len INTEGER NOT NULL DEFAULT 0);"
        "INSERT INTO singers(singer_no, singer_key, name) VALUES(1, '20001', '王芳');"
        "INSERT INTO songs(song_no, song_id, name, song_key, singer_no) VALUES(1, '100001', '月亮', '1', 1);");
  }
  writeFile(dir / "songs" / "only.mic", "the only song");
  ServiceConfig config;
  config.dataDir = dir / "data";
  config.songsDir = dir / "songs";
  config.unihanDir = std::filesystem::path(VK_TEST_DATA_DIR) / "unihan-mini";
  { Service migrated(config); }
  SqliteConnection connection((dir / "data" / "vokaran.db").string(), false);
  connection.exec(
      "INSERT INTO users(user_id, mail, nickname, pw_salt, pw_hash, secret_key) VALUES(10001, 'a@b', 'a', x'00', x'00', 's');"
      "INSERT INTO sessions(session_id, user_id, created, expires) VALUES('s1', 10001, 0, 9000000000)");
  {
    Service reopened(config);  // as it is now, without migrating again
    Request request;
    request.method = "GET";
    request.path = "/v1/songfiles/100001";
    request.session = "s1";
    request.user = "10001";
    auto response = reopened.handle(request);
    EXPECT_EQ(response.http, 200) << response.body;
    EXPECT_EQ(readFile(response.file), "the only song");
  }
  Statement read(connection,
                 "SELECT (SELECT value FROM meta WHERE key = 'schema_version'), file, name FROM songs WHERE song_no = 1");
  ASSERT_TRUE(read.step());
  EXPECT_EQ(read.text(0), "3");
  EXPECT_EQ(read.text(1), "");
  EXPECT_EQ(read.text(2), "月亮");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vk::service::test
