// Replies handed to the dispatcher directly, as the library would, for the cases a real
// service does not produce on demand: unusual statuses and values, missing results, unusable
// picture addresses, malformed byte blocks.
#include <CEGUI/CEGUI.h>
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "NetTestSupport.h"
#include "NetWork/NetEventArgs.h"
#include "NetWork/NetEventNames.h"
#include "NetWork/NetworkReplyDispatcher.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/SongIEventSet.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "guishell/PostQueue.h"
#include "oscompat/Utf.h"

namespace {

using vktest::Caught;
using vktest::CaughtGlobal;
using vktest::ScriptedHttpServer;

int reply(int id, int status, void* result = nullptr, int tag = 0) {
  return NetworkReplyDispatcher::NetworkCallback(result, tag, id, status);
}

struct Text final : ITextResult {
  std::string text;
  explicit Text(std::string t) : text(std::move(t)) {}
  const char* GetText() const override { return text.c_str(); }
};

struct Tone final : IToneResult {
  std::string value, level;
  const char* GetToneValue() const override { return value.c_str(); }
  const char* GetToneLevel() const override { return level.c_str(); }
};

struct Bytes final : IByteBlock {
  std::string bytes;
  const unsigned char* GetData() const override { return reinterpret_cast<const unsigned char*>(bytes.data()); }
  int GetLength() const override { return static_cast<int>(bytes.size()); }
};

struct ContestSong final : IContestSongItem {
  std::wstring id, picture;
  const wchar_t* GetSongId() const override { return id.c_str(); }
  const wchar_t* GetSongName() const override { return L"歌"; }
  const wchar_t* GetSingerKey() const override { return L"20001"; }
  const wchar_t* GetSingerName() const override { return L"歌手"; }
  const wchar_t* GetPictureUrl() const override { return picture.c_str(); }
  const wchar_t* GetWebUrl() const override { return L"http://example.invalid/contest"; }
};

struct ContestSongs final : IContestSongList {
  std::vector<ContestSong> items;
  int GetCount() const override { return static_cast<int>(items.size()); }
  const IContestSongItem* GetItem(int i) const override {
    return i >= 0 && i < GetCount() ? &items[static_cast<std::size_t>(i)] : nullptr;
  }
};

std::string le32(uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                     static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)};
}

class Dispatcher : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    hub_ = std::make_unique<SongIEventSet>();
    tips_ = std::make_unique<CInfoTipManager>();
    NetworkReplyDispatcher::instance().setWorksManager(&works_);
  }
  void TearDown() override {
    auto& dispatcher = NetworkReplyDispatcher::instance();
    dispatcher.setWorksManager(nullptr);
    dispatcher.setRetryUpload(nullptr);
    dispatcher.setToneListReceiver(nullptr);
    dispatcher.setChargeAnswerReceiver(nullptr);
    tips_.reset();
    hub_.reset();
    GuiTest::TearDown();
  }
  void deliver() { shell().advance(0); }
  CEGUI::String noticeText() {
    CEGUI::Window* text = findWindow("NetErrorInfoTipWnd/Text");
    return text ? text->getText() : CEGUI::String("<no notice>");
  }
  std::string menuFile() const { return install_.path() + "/PKData/AppSets/NetMenu.xml"; }

  std::unique_ptr<SongIEventSet> hub_;
  std::unique_ptr<CInfoTipManager> tips_;
  CEGUI::EventSet works_;
};

// A reply id without a handler posts nothing and reports the status back.
TEST_F(Dispatcher, UnknownIdsDoNothing) {
  guishell::postQueue().clear();
  EXPECT_EQ(reply(4242, -7), -7);
  EXPECT_EQ(reply(2549 + 1, 0), 0);
  EXPECT_TRUE(guishell::postQueue().empty());
  EXPECT_NE(install_.log().find("network reply 4242 status -7"), std::string::npos);
}

struct ToneCase {
  const char* level;
  int expected;
};
class ToneLevel : public Dispatcher, public ::testing::WithParamInterface<ToneCase> {};
TEST_P(ToneLevel, IsSixMinusTheServersValueModuloSix) {
  CaughtGlobal<UserToneFunRecvEventArgs> tone(EventNames::RecBackUserTone);
  Tone result;
  result.value = "62";
  result.level = GetParam().level;
  reply(6318, 0, &result);
  deliver();
  ASSERT_EQ(tone.got.size(), 1u);
  EXPECT_EQ(tone.got[0].firstToneValue, 62);
  EXPECT_EQ(tone.got[0].toneLevel, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Values, ToneLevel,
                         ::testing::Values(ToneCase{"6", 0}, ToneCase{"0", 0}, ToneCase{"1", 5},
                                           ToneCase{"5", 1}, ToneCase{"3", 3}, ToneCase{"8", 2},
                                           ToneCase{"-2", 2}, ToneCase{"x", 0},
                                           ToneCase{"-2147483648", 2}),
                         [](const ::testing::TestParamInfo<ToneCase>& info) {
                           return "case" + std::to_string(info.index);
                         });

TEST_F(Dispatcher, ProductRecordAcceptedBeforeCountsAsSuccess) {
  Caught<CEGUI::EventArgs> success(works_, NetEventNames::UploadSuccess);
  Caught<CEGUI::EventArgs> failure(works_, NetEventNames::UploadFail);
  reply(6302, 0);
  reply(6302, -143);
  reply(6302, -1303);
  deliver();
  EXPECT_EQ(success.got.size(), 2u);
  EXPECT_EQ(failure.got.size(), 1u);
}

struct UploadRefusal {
  int status;
  const wchar_t* notice;
};
class RefusedUpload : public Dispatcher, public ::testing::WithParamInterface<UploadRefusal> {};
TEST_P(RefusedUpload, ShowsTheNoticeOfItsStatus) {
  Caught<BlockUploadBackEventArgs> accepted(works_, NetEventNames::UploadReqSuccess);
  Caught<CEGUI::EventArgs> failed(works_, NetEventNames::UploadFail);
  reply(6201, GetParam().status);
  deliver();
  EXPECT_TRUE(accepted.got.empty());
  EXPECT_EQ(failed.got.size(), 1u);  // the works manager stops counting it as running
  EXPECT_EQ(noticeText(), guiString(GetParam().notice));
}
INSTANTIATE_TEST_SUITE_P(Statuses, RefusedUpload,
                         ::testing::Values(UploadRefusal{15011, L"上传文件打开失败！"},
                                           UploadRefusal{-15003, L"解压失败！"},
                                           UploadRefusal{15012, L"PAGENUM错误！"},
                                           UploadRefusal{-15004, L"文件上传请求失败！"},
                                           UploadRefusal{0, L"文件上传请求失败！"}),  // no ticket
                         [](const ::testing::TestParamInfo<UploadRefusal>& info) {
                           return "status" + std::to_string(info.index);
                         });

// Start-up waits for one of the two menu events: every outcome of the menu requests posts
// one. Only a received document replaces the menu file, and then whole.
TEST_F(Dispatcher, MenuRepliesAlwaysLetStartUpGoOn) {
  CaughtGlobal<GetNetMenuVersinEventArgs> version(EventNames::GetNetMenuVersion);
  CaughtGlobal<GetNetMenuVersinEventArgs> list(EventNames::GetNetMenuList);
  vktest::writeFile(menuFile(), "<Root menuVersion=\"old\"/>");
  Text current("2024.1");
  reply(5023, 0, &current);
  reply(5023, -15004);
  reply(5024, 0);  // success without a document: nothing to save, start-up goes on
  reply(5024, -15006);
  deliver();
  ASSERT_EQ(version.got.size(), 1u);
  EXPECT_EQ(version.got[0].version, "2024.1");
  EXPECT_EQ(list.got.size(), 3u);
  EXPECT_EQ(vktest::readFile(menuFile()), "<Root menuVersion=\"old\"/>");

  Text document("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root menuVersion=\"2024.2\"/>");
  reply(5024, 0, &document);
  deliver();
  ASSERT_EQ(list.got.size(), 4u);
  EXPECT_TRUE(list.got.back().version.empty());
  EXPECT_EQ(vktest::readFile(menuFile()), document.text);
  for (const auto& entry : std::filesystem::directory_iterator(install_.path() + "/PKData/AppSets"))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// Songs whose picture is missing, no URL, of length 0, unreachable or neither JPEG nor PNG
// have none; the others keep the index of their song.
TEST_F(Dispatcher, SquarePicturesLeaveOutWhatIsNoPicture) {
  ScriptedHttpServer server;
  server.on("/cover.png", {ScriptedHttpServer::answer(vktest::encodedPicture(FIF_PNG))});
  server.on("/cover.jpg", {ScriptedHttpServer::answer(vktest::encodedPicture(FIF_JPEG))});
  server.on("/cover.bmp", {ScriptedHttpServer::answer(vktest::encodedPicture(FIF_BMP))});
  server.on("/empty.png", {ScriptedHttpServer::answer("")});
  server.on("/error.png", {"HTTP/1.1 500 Oops\r\nContent-Length: 9\r\nConnection: close\r\n\r\nerror pg."});
  const std::string closed = "http://127.0.0.1:" + std::to_string(vk::netlink::test::closedPort()) + "/c.png";
  ContestSongs songs;
  auto add = [&](const std::string& url) {
    songs.items.push_back({});
    songs.items.back().id = std::to_wstring(100001 + songs.items.size());
    songs.items.back().picture = oscompat::wideFromUtf8(url);
  };
  for (const std::string& url : {std::string(), std::string("covers/a.png"), server.url("/cover.png"),
                                 server.url("/empty.png"), closed, server.url("/cover.bmp"),
                                 server.url("/error.png"), server.url("/cover.jpg")})
    add(url);
  CaughtGlobal<PKCompetitionSongsEventArgs> list(EventNames::GetPKSong);
  CaughtGlobal<PKCompetitionSongsPicEventArgs> pictures(EventNames::GetPKSongInterfacePic);
  CaughtGlobal<CEGUI::EventArgs> ready(EventNames::GetPKSquareInfo);
  // The signal is posted behind the songs and pictures, never fired on the library's thread.
  size_t songsWhenReady = 99;
  auto order = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(EventNames::GetPKSquareInfo),
      CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
        songsWhenReady = list.got.size();
        return false;
      }));
  reply(6323, 0, &songs);
  EXPECT_TRUE(ready.got.empty());
  EXPECT_TRUE(list.got.empty());
  deliver();
  order->disconnect();
  ASSERT_EQ(ready.got.size(), 1u);
  EXPECT_EQ(songsWhenReady, 1u);
  ASSERT_EQ(list.got.size(), 1u);
  EXPECT_EQ(list.got[0].songs.size(), 8u);
  ASSERT_EQ(pictures.got.size(), 1u);
  EXPECT_EQ(pictures.got[0].songIndexes, (std::vector<int>{2, 7}));
  ASSERT_EQ(pictures.got[0].pictures.size(), 2u);
  EXPECT_EQ(pictures.got[0].pictures[0].length(), vktest::encodedPicture(FIF_PNG).size());
  EXPECT_EQ(pictures.got[0].pictures[1].data()[0], 0xFF);  // JPEG's start of image
  EXPECT_EQ(server.requests("/cover.png"), 2);  // length first, then the body
}

TEST_F(Dispatcher, ProductPictureBlocksAreCheckedBeforeUse) {
  CaughtGlobal<PKComProPicFunRecvEventArgs> picture(EventNames::RecBackCompetitionProductsPic);
  Bytes good, keyTooLong, pictureTooLong;
  good.bytes = le32(2) + "41" + le32(3) + "PNG";
  keyTooLong.bytes = le32(200) + "41" + le32(3) + "PNG";
  pictureTooLong.bytes = le32(2) + "41" + le32(4000) + "PNG";
  reply(2531, 0, &keyTooLong);
  reply(2531, 0, &pictureTooLong);
  reply(2531, 0, &good);
  deliver();
  ASSERT_EQ(picture.got.size(), 1u);
  EXPECT_EQ(picture.got[0].productKey, L"41");
  ASSERT_EQ(picture.got[0].picture.length(), 3u);
  EXPECT_EQ(std::memcmp(picture.got[0].picture.data(), "PNG", 3), 0);
  EXPECT_EQ(picture.got[0].picture.data()[3], 0);  // the zero-filled room after it
}

// Hand-overs that run on the library thread itself, and their failure paths.
TEST_F(Dispatcher, RetryChargeAndToneListGoToTheirReceivers) {
  auto& dispatcher = NetworkReplyDispatcher::instance();
  int retries = 0;
  std::vector<std::pair<std::string, int>> charges;
  dispatcher.setRetryUpload([&] { ++retries; });
  dispatcher.setChargeAnswerReceiver([&](const std::string& r, int kind) { charges.emplace_back(r, kind); });
  struct Answer final : IChargeAnswer {
    const char* GetResult() const override { return "1"; }
    int GetKind() const override { return 2; }
  } answer;
  Caught<CEGUI::EventArgs> uploadFail(works_, NetEventNames::UploadFail);
  reply(6204, -15004);
  reply(6307, 0, &answer);
  reply(6307, -1402);
  deliver();
  EXPECT_EQ(retries, 1);
  // A failed charge reaches the payment with no answer, and never stops a running upload.
  EXPECT_EQ(charges, (std::vector<std::pair<std::string, int>>{{"1", 2}, {"", 0}}));
  EXPECT_TRUE(uploadFail.got.empty());
  CaughtGlobal<ErrorEventArgs> netError(EventNames::NetError);
  reply(2588, -1101);
  reply(2566, -1006);
  reply(2564, 0);
  deliver();
  ASSERT_EQ(netError.got.size(), 2u);
  EXPECT_EQ(netError.got[0].commandNumber, 2588);
  EXPECT_EQ(netError.got[1].errorCode, -1006);
}

}  // namespace
