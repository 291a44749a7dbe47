// Every operation against the real service: reply ids, statuses and what the result objects
// hold.
#include <set>

#include "LinkFixture.h"
#include "core/Unihan.h"
#include "netwire/Utf8.h"

namespace vk::netlink::test {
namespace {

using nlohmann::json;

// Exactly one reply per id in `ids`, and no others.
void expectOneReplyEach(const Recorder& recorder, std::multiset<int> ids) {
  ASSERT_TRUE(recorder.waitFor([&](const std::vector<Record>& records) { return records.size() >= ids.size(); }));
  std::multiset<int> got;
  for (auto& r : recorder.all()) got.insert(r.id);
  EXPECT_EQ(got, ids);
}

TEST_F(LinkFixture, ContestRequestsAnswerWithTheirIdsAndResults) {
  main_->RequestSquareInfo();
  main_->RequestPeriodInfo();
  main_->RequestCompetitionProducts(100001, 1, 18, 1);
  main_->RequestMyRank(10001, 100001);
  expectOneReplyEach(recorder_, {6323, 6327, 6322, 6326});

  auto square = recorder_.first(6323);
  ASSERT_EQ(square.status, 0);
  ASSERT_GE(square.values["items"].size(), 10u);
  for (auto& song : square.values["items"]) {
    EXPECT_FALSE(song["name"].get<std::string>().empty());
    EXPECT_TRUE(song["picture"].get<std::string>().starts_with(service_->url() + "/media/pictures/")) << song;
    EXPECT_TRUE(song["web"].get<std::string>().starts_with(service_->url() + "/contest/")) << song;
    EXPECT_EQ(std::stoi(song["id"].get<std::string>()) > 0, true);
  }
  auto period = recorder_.first(6327);
  ASSERT_EQ(period.values["items"].size(), 1u);
  EXPECT_FALSE(period.values["items"][0]["start"].get<std::string>().empty());

  auto products = recorder_.first(6322).values["items"];
  ASSERT_FALSE(products.empty());
  EXPECT_LE(products.size(), 18u);
  for (std::size_t i = 1; i < products.size(); ++i) EXPECT_GE(products[i - 1]["total"], products[i]["total"]);
  // The demo user has a work for the first contest song: ranked under every ordering.
  for (auto& rank : recorder_.first(6326).values["ranks"]) EXPECT_GT(rank, 0);

  recorder_.reset();
  std::string key = products[0]["pictureKey"];
  main_->RequestProductPicture(vk::wire::utf8ToWide(key).c_str());
  auto picture = recorder_.first(2531);
  ASSERT_EQ(picture.status, 0);
  EXPECT_EQ(picture.values["key"], key);
  EXPECT_EQ(picture.values["pictureLength"], picture.values["picture"]);
  EXPECT_TRUE(picture.values["png"].get<bool>());
}

// Callbacks may make requests of their own (the payment answer asks for the user's record).
TEST_F(LinkFixture, AccountRequestsAnswerAndCallbacksMayRequestAgain) {
  recorder_.onReply([this](const Record& r) {
    if (r.id == 6307) user_->RequestUserInfo();
  });
  Charge charge;
  main_->RequestCharge(&charge);
  main_->RequestUserTone(1);
  main_->RequestUserPermit(1, 0);
  main_->RequestWorksList(10001);
  Fee fee;
  user_->PayFee(&fee);
  expectOneReplyEach(recorder_, {6307, 6305, 6318, 6319, 6325, 6320});

  auto charged = recorder_.first(6307);
  EXPECT_EQ(charged.values["result"], "1");
  EXPECT_EQ(charged.values["kind"], 1);
  auto user = recorder_.first(6305).values["items"][0];
  EXPECT_EQ(user["mail"], "demo@vokaran.example");
  EXPECT_EQ(user["leaveSing"], 29);  // one sing charged
  EXPECT_EQ(user["leaveSingCopy"], 29);
  EXPECT_EQ(user["rights"], json::array({1, 1, 1, 1}));
  EXPECT_EQ(recorder_.first(6318).values, json({{"value", "62"}, {"level", "3"}}));
  EXPECT_EQ(recorder_.first(6319).values["rights"], json::array({1, 1, 1, 1}));
  EXPECT_GE(recorder_.first(6325).values["items"].size(), 2u);
  EXPECT_EQ(recorder_.first(6320).status, 0);
}

TEST_F(LinkFixture, PacketsAnswerUnderTheirOwnIds) {
  auto send = [&](int id, std::vector<std::pair<const char*, const char*>> fields) {
    ICParsePacket* packet = ICParsePacket::CreateInstance(false);
    EXPECT_EQ(packet->Begin("ROOT", "ITEM"), 0);
    for (auto& [k, v] : fields) EXPECT_EQ(packet->AddField(k, v), 0);
    EXPECT_EQ(packet->Finish(), 0);
    EXPECT_EQ(packet->SetMessageId(id), 0);
    main_->SendPacket(packet);
    ICParsePacket::ReleaseInstance(packet);  // the library copied what it needs
  };
  send(6315, {{"EMAIL", "demo@vokaran.example"}, {"USERID", "10001"}, {"MOBILE", "13812345678"}});
  send(2564, {{"VOL", "61"}, {"KEY", "2"}, {"EffectID", "4"}, {"T0", "studio"}});
  expectOneReplyEach(recorder_, {6315, 2564});
  EXPECT_EQ(recorder_.first(6315).status, 0);
  send(2565, {});
  send(2588, {});
  send(6315, {{"EMAIL", "demo@vokaran.example"}, {"USERID", "10001"}, {"MOBILE", "1381234"}});
  expectOneReplyEach(recorder_, {6315, 2564, 2565, 2588, 6315});
  EXPECT_EQ(recorder_.first(2565).values["items"][0], json({{"vol", 61}, {"key", 2}, {"effect", 4}, {"text0", "studio"}}));
  EXPECT_EQ(recorder_.first(2588).values["items"].size(), 2u);
  EXPECT_EQ(recorder_.of(6315).back().status, -1006);

  // A packet built out of order is refused by the packet itself; a strict one refuses odd names.
  ICParsePacket* packet = ICParsePacket::CreateInstance(true);
  EXPECT_NE(packet->AddField("EMAIL", "x"), 0);
  EXPECT_EQ(packet->Begin("ROOT", "ITEM"), 0);
  EXPECT_NE(packet->AddField("E MAIL", "x"), 0);
  EXPECT_NE(packet->SetMessageId(0), 0);
  ICParsePacket::ReleaseInstance(packet);
}

// 8-bit texts are in the system code page both ways: a GBK field is kept as the character it
// stands for and comes back in GBK.
TEST_F(LinkFixture, EightBitTextsFollowTheSystemCodePage) {
  ::setenv("VOKARAN_CODEPAGE", "GBK", 1);
  ICParsePacket* packet = ICParsePacket::CreateInstance(false);
  packet->Begin("ROOT", "ITEM");
  packet->AddField("index", "5");
  packet->AddField("rangeCode", "\xD6\xD0\xD2\xF4");  // 中音 in GBK
  packet->Finish();
  packet->SetMessageId(2586);
  main_->SendPacket(packet);
  ICParsePacket::ReleaseInstance(packet);
  EXPECT_EQ(recorder_.first(2586).status, 0);
  packet = ICParsePacket::CreateInstance(false);
  packet->Begin("ROOT", "ITEM");
  packet->Finish();
  packet->SetMessageId(2588);
  main_->SendPacket(packet);
  ICParsePacket::ReleaseInstance(packet);
  auto tones = recorder_.first(2588).values["items"];
  ::unsetenv("VOKARAN_CODEPAGE");
  ASSERT_EQ(tones.size(), 3u);
  EXPECT_EQ(tones[2]["index"], 5);
  EXPECT_EQ(tones[2]["range"].get<std::string>(), "\xD6\xD0\xD2\xF4");
}

// The menu document comes when the module's copy is missing or older, else the version.
TEST_F(LinkFixture, MenuVersionOrDocumentDependsOnTheLocalCopy) {
  song_->RequestNetMenuVersion();
  auto document = recorder_.first(5024);
  ASSERT_EQ(document.status, 0);
  std::string text = document.values["text"];
  EXPECT_NE(text.find("<Root menuVersion="), std::string::npos);
  writeFile(dir_ / "PKData" / "AppSets" / "NetMenu.xml", text);
  recorder_.reset();
  song_->RequestNetMenuVersion();
  auto version = recorder_.first(5023);
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(text.find("menuVersion=\"" + version.values["text"].get<std::string>() + "\""), std::string::npos);
  EXPECT_TRUE(recorder_.of(5024).empty());
}

// Pages come back with the tag their request returned, their own position and the count.
TEST_F(LinkFixture, PagesCarryTheirTagPositionAndCount) {
  Query first(L"5", L"101", L"", 1), second(L"5", L"101", L"", 2), beyond(L"5", L"101", L"", 999),
      singers(L"5", L"201", L"", 1);
  int tags[] = {song_->RequestSongPage(&first), song_->RequestSongPage(&second), song_->RequestSongPage(&beyond),
                song_->RequestSingerPage(&singers)};
  std::set<int> distinct(std::begin(tags), std::end(tags));
  EXPECT_EQ(distinct.size(), 4u);
  for (int tag : tags) EXPECT_GT(tag, 0);
  ASSERT_TRUE(recorder_.waitFor([](auto& records) { return records.size() == 4; }));
  auto byTag = [&](int tag) {
    for (auto& r : recorder_.all())
      if (r.tag == tag) return r;
    return Record{};
  };
  auto page1 = byTag(tags[0]), page2 = byTag(tags[1]), page999 = byTag(tags[2]), singerPage = byTag(tags[3]);
  EXPECT_EQ(page1.id, 5011);
  EXPECT_EQ(page1.status, 0);
  ASSERT_FALSE(page1.values["items"].empty());
  int pages = page1.values["items"][0]["pages"];
  for (auto& item : page1.values["items"]) {
    EXPECT_EQ(item["page"], 1);
    EXPECT_EQ(item["pages"], pages);
  }
  if (pages >= 2) {
    EXPECT_EQ(page1.values["items"].size(), 12u);
    EXPECT_EQ(page2.values["items"][0]["page"], 2);
  }
  EXPECT_EQ(page999.id, 5011);
  EXPECT_EQ(page999.status, -5004);
  EXPECT_FALSE(page999.hasResult);
  EXPECT_EQ(singerPage.id, 5012);
  EXPECT_FALSE(singerPage.values["items"].empty());
}

struct Search {
  const char* name;
  bool songs;
  const wchar_t* kind;
  const wchar_t* scope;
  const wchar_t* keyword;
};

void PrintTo(const Search& s, std::ostream* out) { *out << s.name; }

class ChineseSearch : public LinkFixture, public ::testing::WithParamInterface<Search> {};

// Every record of every page matches the search, judged from the Chinese name itself.
TEST_P(ChineseSearch, ReturnsOnlyMatchingNames) {
  const auto& s = GetParam();
  auto unihan = service::Unihan::load(std::filesystem::path(VK_TEST_DATA_DIR) / "unihan-mini");
  std::vector<json> found;
  for (int page = 1;; ++page) {
    recorder_.reset();
    Query query(s.kind, s.scope, s.keyword, page);
    int tag = s.songs ? song_->RequestSongPage(&query) : song_->RequestSingerPage(&query);
    auto reply = recorder_.first(s.songs ? 5011 : 5012);
    ASSERT_EQ(reply.tag, tag);
    ASSERT_EQ(reply.status, 0);
    for (auto& item : reply.values["items"]) found.push_back(item);
    if (reply.values["items"].empty() || page >= reply.values["items"][0]["pages"].get<int>()) break;
  }
  ASSERT_FALSE(found.empty());
  std::string keyword = vk::wire::wideToUtf8(s.keyword);
  for (auto& item : found) {
    std::string name = item["name"];
    auto characters = vk::wire::decodeUtf8(name);
    ASSERT_FALSE(characters.empty());
    std::string kind = vk::wire::wideToUtf8(s.kind);
    if (kind == "6" || kind == "4") {
      std::string upper = keyword;
      for (auto& c : upper) c = static_cast<char>(std::toupper(c));
      EXPECT_TRUE(unihan.initials(name).starts_with(upper)) << name;
    } else if (kind == "1") {
      auto dash = keyword.find('-');
      std::size_t low = std::stoul(keyword.substr(0, dash));
      std::size_t high = dash + 1 < keyword.size() ? std::stoul(keyword.substr(dash + 1)) : 1000;
      EXPECT_TRUE(characters.size() >= low && characters.size() <= high) << name;
    } else if (kind == "2") {
      int strokes = unihan.strokes(characters.front());
      auto dash = keyword.find('-');
      int low = std::stoi(keyword.substr(0, dash));
      int high = dash + 1 < keyword.size() ? std::stoi(keyword.substr(dash + 1)) : 1000;
      EXPECT_TRUE(strokes >= low && strokes <= high) << name << " " << strokes;
    } else if (kind == "3") {
      EXPECT_EQ(item["singerKey"], keyword);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, ChineseSearch,
    ::testing::Values(Search{"SongInitials", true, L"6", L"3", L"y"}, Search{"SongInitialsMixedCase", true, L"6", L"3", L"sG"},
                      Search{"SongInitialsDigits", true, L"6", L"3", L"52"},
                      Search{"SongLengthShort", true, L"1", L"2", L"1-2"},
                      Search{"SongLengthLong", true, L"1", L"2", L"11-100"},
                      Search{"SingerInitials", false, L"4", L"6", L"Y"},
                      Search{"SingerStrokesFew", false, L"2", L"5", L"1-4"},
                      Search{"SingerStrokesMany", false, L"2", L"5", L"17-"},
                      Search{"SingersSongs", true, L"3", L"", L"20001"}),
    [](const auto& info) { return std::string(info.param.name); });

// A Chinese keyword reaches the service intact and is refused as no pinyin.
TEST_F(LinkFixture, ChineseKeywordIsRefusedCleanly) {
  Query query(L"6", L"3", L"爱你");
  int tag = song_->RequestSongPage(&query);
  auto reply = recorder_.first(5011);
  EXPECT_EQ(reply.tag, tag);
  EXPECT_EQ(reply.status, -5003);
}

TEST_F(LinkFixture, SongBookAddsOnceReportsEmptyAndRemoves) {
  SongBookEntry entry;
  entry.texts[0] = L"100002";
  entry.texts[1] = L"歌";
  entry.texts[7] = entry.texts[8] = entry.texts[9] = L"歌手";
  entry.texts[16] = L"20002";
  main_->AddToSongBook(&entry);
  ASSERT_EQ(recorder_.first(2502).status, 0);
  main_->AddToSongBook(&entry);
  ASSERT_TRUE(recorder_.waitFor([](auto& r) { return r.size() == 2; }));
  EXPECT_EQ(recorder_.of(2502).back().status, -2246);

  main_->RequestSongBookPage(12, 1);
  auto page = recorder_.first(2504);
  ASSERT_EQ(page.status, 0);
  EXPECT_EQ(page.values["page"], 1);
  EXPECT_EQ(page.values["pages"], 1);
  ASSERT_EQ(page.values["items"].size(), 1u);
  EXPECT_EQ(page.values["items"][0]["id"], "100002");
  int songNumber = page.values["items"][0]["no"];

  recorder_.reset();
  main_->RemoveFromSongBook(songNumber);
  EXPECT_EQ(recorder_.first(2503).status, 0);
  main_->RequestSongBookPage(12, 1);
  auto empty = recorder_.first(2504);
  EXPECT_EQ(empty.status, -2206);
  EXPECT_FALSE(empty.hasResult);
  main_->RemoveFromSongBook(0);  // emptying an empty book is fine
  ASSERT_TRUE(recorder_.waitFor([](auto& r) { return r.size() == 3; }));
  EXPECT_EQ(recorder_.of(2503).back().status, 0);
}

TEST_F(LinkFixture, DownloadSongDataDeliversTheFileSynchronously) {
  Buffer buffer;
  EXPECT_EQ(song_->DownloadSongData(&buffer, L"100003"), 0);
  EXPECT_TRUE(buffer.bytes == "MIC stand-in one" || buffer.bytes == "MIC stand-in two") << buffer.bytes;
  Buffer missing;
  EXPECT_EQ(song_->DownloadSongData(&missing, L"999999"), -1003);
  EXPECT_TRUE(missing.bytes.empty());
  EXPECT_NE(song_->DownloadSongData(nullptr, L"100003"), 0);
  EXPECT_TRUE(recorder_.all().empty());  // synchronous: no callback
}

}  // namespace
}  // namespace vk::netlink::test
