// The catalogue: Unihan indexing, searches, paging, song files, the seeded worlds.
#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "ServiceFixture.h"
#include "core/Unihan.h"
#include "netwire/Utf8.h"

namespace vk::service::test {
namespace {

using nlohmann::json;

struct Reading {
  const char* reading;
  char initial;
};

class PinyinInitial : public ::testing::TestWithParam<Reading> {};

// Readings begin with toned vowels and syllabic nasals as well as consonants.
TEST_P(PinyinInitial, DropsToneMarks) { EXPECT_EQ(pinyinInitial(GetParam().reading), GetParam().initial); }

INSTANTIATE_TEST_SUITE_P(Unihan, PinyinInitial,
                         ::testing::Values(Reading{"zhōng", 'Z'}, Reading{"ài", 'A'}, Reading{"ēn", 'E'}, Reading{"ōu", 'O'},
                                           Reading{"ǹg", 'N'}, Reading{"ḿ", 'M'}, Reading{"lǜ", 'L'}, Reading{"", 0},
                                           Reading{"—", 0}),
                         [](const ::testing::TestParamInfo<Reading>& info) {
                           return std::string(1, info.param.initial ? info.param.initial : '_') + std::to_string(info.index);
                         });

TEST(Unihan, ReadsDebiansDataFiles) {
  Unihan unihan = Unihan::load(VK_UNIHAN_DIR);
  EXPECT_GT(unihan.size(), 40000u);
  EXPECT_EQ(unihan.initial(U'中'), 'Z');
  EXPECT_EQ(unihan.strokes(U'中'), 4);
  EXPECT_EQ(unihan.strokes(U'戴'), 17);
  EXPECT_EQ(unihan.initial(U'爱'), 'A');
  // Digits and Latin letters stand for themselves; other signs are skipped.
  EXPECT_EQ(unihan.initials("520爱你"), "520AN");
  EXPECT_EQ(unihan.initials("Sky乐队 (live)"), "SKYLDLIVE");
}

TEST(Unihan, MissingFilesNameTheFile) {
  try {
    Unihan::load("/nonexistent");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Unihan_Readings.txt.bz2"), std::string::npos);
  }
}

class Catalogue : public ServiceFixture {
 protected:
  void SetUp() override {
    ServiceFixture::SetUp();
    unihan_ = Unihan::load(config_.unihanDir);
  }

  // Every record a query returns, over all its pages; checks the paging on the way.
  std::vector<json> all(const std::string& what, const std::string& query) {
    std::vector<json> items;
    const char* list = what == "songs" ? "songs" : "singers";
    for (int page = 1;; ++page) {
      auto r = call("GET", "/v1/" + what + "?" + query + "&page=" + std::to_string(page));
      EXPECT_EQ(r.json["status"], 0) << r.response.body;
      int total = r.json["total"], pageCount = r.json["pageCount"];
      EXPECT_EQ(pageCount, (total + 11) / 12);
      EXPECT_EQ(r.json["page"], total == 0 ? 0 : page);
      EXPECT_LE(r.json[list].size(), 12u);
      for (auto& item : r.json[list]) items.push_back(item);
      if (page >= pageCount) {
        EXPECT_EQ(static_cast<int>(items.size()), total);
        return items;
      }
    }
  }
  std::vector<json> allSongs() { return all("songs", "kind=6&scope=3&keyword="); }
  std::vector<json> allSingers() { return all("singers", "kind=4&scope=6&keyword="); }

  Unihan unihan_;
};

std::set<std::string> keys(const std::vector<json>& items, const char* field) {
  std::set<std::string> out;
  for (auto& item : items) out.insert(item[field].get<std::string>());
  return out;
}

// Each search returns exactly the records that match, computed here from the names.
TEST_F(Catalogue, SearchesReturnExactlyTheMatches) {
  // The generated songs and the demo songs.
  const std::size_t songCount = static_cast<std::size_t>(kSmallWorld.songs) + std::size(kDemoSongs);
  auto songs = allSongs();
  auto singers = allSingers();
  ASSERT_EQ(songs.size(), songCount);

  auto expectSongs = [&](const std::string& query, auto matches) {
    std::set<std::string> want;
    for (auto& s : songs)
      if (matches(s)) want.insert(s["songId"].get<std::string>());
    EXPECT_EQ(keys(all("songs", query), "songId"), want) << query;
    return want.size();
  };
  auto expectSingers = [&](const std::string& query, auto matches) {
    std::set<std::string> want;
    for (auto& s : singers)
      if (matches(s)) want.insert(s["key"].get<std::string>());
    EXPECT_EQ(keys(all("singers", query), "key"), want) << query;
    return want.size();
  };
  auto length = [](const json& s) { return wire::decodeUtf8(s["name"].get<std::string>()).size(); };
  auto strokes = [&](const json& s) {
    auto name = wire::decodeUtf8(s["name"].get<std::string>());
    return unihan_.strokes(name.front());
  };

  // Pinyin initials of the first song, as typed (lower case), then one letter of them.
  std::string initials = unihan_.initials(songs.front()["name"].get<std::string>());
  std::string typed = initials.substr(0, std::min<std::size_t>(3, initials.size()));
  for (auto& c : typed) c = static_cast<char>(std::tolower(c));
  EXPECT_GE(expectSongs("kind=6&scope=3&keyword=" + typed,
                        [&](const json& s) { return unihan_.initials(s["name"].get<std::string>()).starts_with(initials.substr(0, typed.size())); }),
            1u);
  EXPECT_EQ(expectSongs("kind=6&scope=3&keyword=", [](const json&) { return true; }), songCount);
  EXPECT_GE(expectSongs("kind=1&scope=2&keyword=1-2", [&](const json& s) { return length(s) <= 2; }), 1u);
  EXPECT_GE(expectSongs("kind=1&scope=2&keyword=11-100", [&](const json& s) { return length(s) >= 11; }), 1u);
  expectSongs("kind=1&scope=2&keyword=5-6", [&](const json& s) { return length(s) >= 5 && length(s) <= 6; });

  std::string singerInitials = unihan_.initials(singers[3]["name"].get<std::string>()).substr(0, 2);
  EXPECT_GE(expectSingers("kind=4&scope=6&keyword=" + singerInitials,
                          [&](const json& s) { return unihan_.initials(s["name"].get<std::string>()).starts_with(singerInitials); }),
            1u);
  for (auto [low, high] : {std::pair{1, 4}, {5, 7}, {8, 10}, {11, 13}, {14, 16}}) {
    EXPECT_GE(expectSingers("kind=2&scope=5&keyword=" + std::to_string(low) + "-" + std::to_string(high),
                            [&](const json& s) { return strokes(s) >= low && strokes(s) <= high; }),
              1u)
        << low << "-" << high;
  }
  EXPECT_GE(expectSingers("kind=2&scope=5&keyword=17-", [&](const json& s) { return strokes(s) >= 17; }), 1u);

  std::string singerKey = songs.front()["singerKey"];
  EXPECT_GE(expectSongs("kind=3&keyword=" + singerKey, [&](const json& s) { return s["singerKey"] == singerKey; }), 1u);
}

// Category listings hold the category's records and nothing else; every song is in one.
TEST_F(Catalogue, CategoriesPartitionTheCatalogue) {
  std::set<std::string> seen;
  for (int category = 101; category <= 108; ++category)
    for (auto& song : all("songs", "kind=5&scope=" + std::to_string(category))) seen.insert(song["songId"]);
  EXPECT_EQ(seen, keys(allSongs(), "songId"));
  std::set<std::string> singers;
  for (int category = 201; category <= 204; ++category)
    for (auto& singer : all("singers", "kind=5&scope=" + std::to_string(category))) singers.insert(singer["key"]);
  EXPECT_EQ(singers, keys(allSingers(), "key"));
  // A singer category is no song scope.
  EXPECT_EQ(call("GET", "/v1/songs?kind=5&scope=201").json["status"], -5002);
}

// The same song always plays the same file; songs spread over the files; a song's own file
// in the store wins.
TEST_F(Catalogue, SongFilesFollowAStableRule) {
  std::map<std::string, std::string> first;
  std::set<std::string> used;
  for (auto& song : allSongs()) {
    std::string id = song["songId"];
    auto r = call("GET", "/v1/songfiles/" + id);
    ASSERT_FALSE(r.response.file.empty()) << r.response.body;
    first[id] = readFile(r.response.file);
    used.insert(first[id]);
  }
  EXPECT_EQ(used.size(), 3u);
  restart();
  for (auto& [id, bytes] : first) EXPECT_EQ(readFile(call("GET", "/v1/songfiles/" + id).response.file), bytes);
  writeFile(config_.dataDir / "store" / "songs" / "100001.mic", "its own file");
  EXPECT_EQ(readFile(call("GET", "/v1/songfiles/100001").response.file), "its own file");
  EXPECT_EQ(call("GET", "/v1/songfiles/123").json["status"], -1003);
}

TEST_F(ServiceFixture, WithoutSongFilesASongFileIsNotFound) {
  std::filesystem::remove_all(config_.songsDir);
  auto r = call("GET", "/v1/songfiles/100002");
  EXPECT_EQ(r.http, 404);
  EXPECT_EQ(r.json["status"], -1003);
}

TEST_F(ServiceFixture, MenuDocumentNamesTheSearchesAndCategories) {
  auto menu = call("GET", "/v1/menu").json;
  EXPECT_EQ(call("GET", "/v1/menu/version").json["version"], menu["version"]);
  std::string document = menu["document"];
  EXPECT_NE(document.find("menuVersion=\"" + menu["version"].get<std::string>() + "\""), std::string::npos);
  for (const char* needle : {"ID=\"8970\"", "ID=\"8971\"", "Value=\"流行金曲\"", "Name=\"sTypeID\" Value=\"6\"",
                             "Name=\"sTypeID\" Value=\"1\"", "Name=\"sTypeID\" Value=\"4\"", "Name=\"sTypeID\" Value=\"2\""})
    EXPECT_NE(document.find(needle), std::string::npos) << needle;
}

// The menu's two editions, switched from the command line (--menu-version) so that a client
// sees its menu rebuilt: the later one drops an item, empties a pop-up and adds an item.
TEST_F(ServiceFixture, TheMenuVersionAskedForServesItsEdition) {
  auto document = [&] { return call("GET", "/v1/menu").json["document"].get<std::string>(); };
  auto popup = [&](const std::string& doc, const std::string& id) {
    const auto at = doc.find("<Button ID=\"" + id + "\">");
    const auto end = doc.find("</Button>", at);
    return at == std::string::npos ? std::string() : doc.substr(at, end - at);
  };
  std::string first = document();
  EXPECT_EQ(call("GET", "/v1/menu/version").json["version"], "2024.1");
  for (const char* needle : {"ID=\"9304\"", "Value=\"本周新歌榜\"", "Value=\"经典老歌回忆录\""})
    EXPECT_NE(first.find(needle), std::string::npos) << needle;
  EXPECT_EQ(first.find("ID=\"8972\""), std::string::npos);

  config_.menuVersion = "2024.2";
  restart();
  EXPECT_EQ(call("GET", "/v1/menu/version").json["version"], "2024.2");
  std::string later = document();
  EXPECT_NE(later.find("menuVersion=\"2024.2\""), std::string::npos);
  EXPECT_EQ(later.find("ID=\"9304\""), std::string::npos);
  EXPECT_NE(later.find("ID=\"8972\""), std::string::npos);
  const std::string hot = popup(later, "9400");
  ASSERT_FALSE(hot.empty());
  EXPECT_EQ(hot.find("<Button", 1), std::string::npos);  // the pop-up holds no item any more

  // Without the option the menu last served stays; the first version brings the first back.
  config_.menuVersion.clear();
  restart();
  EXPECT_EQ(call("GET", "/v1/menu/version").json["version"], "2024.2");
  config_.menuVersion = "2024.1";
  restart();
  EXPECT_EQ(document(), first);
}

// The whole demo world, from Debian's Unihan data: its size, its spread of names and stroke
// counts, and the contest.
TEST(DemoWorld, HasTheCatalogueAndContestItPromises) {
  auto dir = makeTempDir("vk-demo-world");
  ServiceConfig config;
  config.dataDir = dir / "data";
  config.songsDir = dir / "songs";
  config.unihanDir = VK_UNIHAN_DIR;
  config.publicUrl = "http://demo.test";
  TestDatabase database(config);
  {
    Service service(config);
    EXPECT_TRUE(service.seedDemo());
    EXPECT_FALSE(service.seedDemo());  // once only
    auto get = [&](const std::string& path, const std::vector<std::pair<std::string, std::string>>& query = {}) {
      Request request;
      request.method = "GET";
      request.path = path;
      for (auto& [k, v] : query) request.query.emplace_back(k, v);
      request.session = kDemoSessionId;
      request.user = kDemoUserId;
      return json::parse(service.handle(request).body);
    };
    // 2,000 generated songs and 300 singers, then the six demo songs and their five singers.
    EXPECT_EQ(get("/v1/songs", {{"kind", "6"}, {"scope", "3"}, {"keyword", ""}})["total"], 2006);
    EXPECT_EQ(get("/v1/singers", {{"kind", "4"}, {"scope", "6"}, {"keyword", ""}})["total"], 305);
    auto molihua = get("/v1/songs", {{"kind", "6"}, {"scope", "3"}, {"keyword", "mlh"}})["songs"];
    EXPECT_TRUE(std::any_of(molihua.begin(), molihua.end(), [](const json& s) { return s["name"] == "茉莉花"; }));
    for (int length = 1; length <= 12; ++length) {
      auto range = std::to_string(length) + "-" + std::to_string(length);
      EXPECT_GT(get("/v1/songs", {{"kind", "1"}, {"scope", "2"}, {"keyword", range}})["total"], 0) << range;
    }
    for (auto range : {"1-4", "5-7", "8-10", "11-13", "14-16", "17-"})
      EXPECT_GT(get("/v1/singers", {{"kind", "2"}, {"scope", "5"}, {"keyword", range}})["total"], 3) << range;
    EXPECT_GT(get("/v1/songs", {{"kind", "6"}, {"scope", "3"}, {"keyword", "5"}})["total"], 0);  // names with digits

    auto square = get("/v1/contest/square")["songs"];
    ASSERT_GE(square.size(), 10u);
    for (auto& song : square) {
      std::string picture = song["pictureUrl"];
      EXPECT_TRUE(std::filesystem::exists(config.dataDir / "store" / "pictures" / picture.substr(picture.rfind('/') + 1)));
      EXPECT_TRUE(song["webUrl"].get<std::string>().starts_with("http://demo.test/contest/"));
      auto products = get("/v1/contest/products", {{"song", song["songId"]}, {"order", "4"}})["products"];
      EXPECT_GE(products.size(), 10u);
      for (std::size_t i = 1; i < products.size(); ++i) EXPECT_GE(products[i - 1]["flowers"], products[i]["flowers"]);
    }
    EXPECT_FALSE(get("/v1/contest/period")["start"].get<std::string>().empty());
    EXPECT_GE(get("/v1/works", {{"user", "10001"}})["works"].size(), 2u);
  }
  std::filesystem::remove_all(dir);
}

// The same options build the same world.
TEST(DemoWorld, IsReproducible) {
  auto names = [](const std::filesystem::path& dir) {
    ServiceConfig config;
    config.dataDir = dir;
    config.unihanDir = std::filesystem::path(VK_TEST_DATA_DIR) / "unihan-mini";
    TestDatabase database(config);
    Service service(config);
    service.seedDemo(kSmallWorld);
    auto connection = database.open();
    const std::string concat = connection->dialect().groupConcat;
    Statement read(*connection,
                   "SELECT " + concat + "(name || '/' || initials || '/' || name_len, ',') FROM"
                   " (SELECT * FROM songs ORDER BY song_no) s UNION ALL"
                   " SELECT " + concat + "(name || '/' || strokes, ',') FROM (SELECT * FROM singers ORDER BY singer_no) g"
                   " UNION ALL SELECT " + concat + "(song_id || ':' || total || ':' || flowers, ',') FROM"
                   " (SELECT * FROM works ORDER BY work_id) w");
    std::string all;
    while (read.step()) all += read.text(0) + "\n";
    return all;
  };
  auto a = makeTempDir("vk-world-a"), b = makeTempDir("vk-world-b");
  EXPECT_EQ(names(a), names(b));
  std::filesystem::remove_all(a);
  std::filesystem::remove_all(b);
}

}  // namespace
}  // namespace vk::service::test
