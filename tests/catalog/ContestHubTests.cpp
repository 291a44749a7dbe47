// The contest hub, headless on the virtual clock: the carousel's arithmetic and page slide, the
// square's songs and pictures (bad pictures get the default), products and their pictures by
// key, the ordering box's re-requests, the rank and period texts, the remote's focus order,
// ordering a song, and a hub destroyed while replies are still on their way.
#include <CEGUI/CEGUI.h>
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "NetWork/NetEventArgs.h"
#include "PK/CMissonManager.h"
#include "engine/CCacheMicData.h"
#include "PK/CMissonPk.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "catalog/CComboxItem.h"
#include "catalog/CPKMainWnd.h"
#include "catalog/PKCompetitionSongsEffect.h"
#include "catalog/PKHubPictures.h"
#include "guishell/Win32AppHelper.h"

namespace {

constexpr unsigned kLeft = 203, kRight = 205, kUp = 200, kDown = 208, kReturn = 28;

// --- the carousel's arithmetic

std::vector<int> shown(int first, int count) {
  std::vector<int> out;
  for (int i = 0; i < pkcarousel::kSlots; ++i) out.push_back(pkcarousel::songAt(first, i, count));
  return out;
}

TEST(Carousel, TurnsAPageOfSevenBothWaysAroundTenSongs) {
  EXPECT_EQ(shown(pkcarousel::step(0, 10, 1), 10), (std::vector<int>{7, 8, 9, 0, 1, 2, 3}));
  EXPECT_EQ(shown(pkcarousel::step(0, 10, 0), 10), (std::vector<int>{3, 4, 5, 6, 7, 8, 9}));
  // Seven pages forward come back to the start; a step back undoes a step forward.
  int first = 0;
  for (int i = 0; i < 10; ++i) first = pkcarousel::step(first, 10, 1);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(pkcarousel::step(pkcarousel::step(4, 10, 1), 10, 0), 4);
  // Eight songs: one new song per page.
  EXPECT_EQ(shown(pkcarousel::step(0, 8, 1), 8), (std::vector<int>{7, 0, 1, 2, 3, 4, 5}));
}

class FewSongs : public ::testing::TestWithParam<int> {};

TEST_P(FewSongs, NeverTurnAndLeaveTheRestOfTheSlotsEmpty) {
  const int count = GetParam();
  EXPECT_EQ(pkcarousel::step(0, count, 1), 0);
  EXPECT_EQ(pkcarousel::step(0, count, 0), 0);
  for (int i = 0; i < pkcarousel::kSlots; ++i) EXPECT_EQ(pkcarousel::songAt(0, i, count), i < count ? i : -1);
}

INSTANTIATE_TEST_SUITE_P(Counts, FewSongs, ::testing::Values(0, 1, 6, 7),
                         [](const auto& info) { return std::to_string(info.param) + "Songs"; });

// --- pictures for the tests

std::string pngBytes(unsigned w, unsigned h) {
  FIBITMAP* bitmap = FreeImage_Allocate(static_cast<int>(w), static_cast<int>(h), 24);
  FIMEMORY* memory = FreeImage_OpenMemory();
  FreeImage_SaveToMemory(FIF_PNG, bitmap, memory);
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory, &data, &size);
  std::string bytes(reinterpret_cast<const char*>(data), size);
  FreeImage_CloseMemory(memory);
  FreeImage_Unload(bitmap);
  return bytes;
}

PictureBuffer picture(const std::string& bytes) {
  return PictureBuffer(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// A PNG whose header announces `w` x `h` (the rest of it is a small picture's).
std::string announcing(unsigned w, unsigned h) {
  std::string bytes = pngBytes(8, 8);
  for (int i = 0; i < 4; ++i) {
    bytes[16 + i] = static_cast<char>((w >> (24 - 8 * i)) & 0xff);
    bytes[20 + i] = static_cast<char>((h >> (24 - 8 * i)) & 0xff);
  }
  return bytes;
}

TEST(HubPictures, OnlyPngOrJpegOfASensibleSizeIsAPicture) {
  const std::string good = pngBytes(16, 12);
  EXPECT_EQ(pkhub::pictureProblem(reinterpret_cast<const unsigned char*>(good.data()), good.size()), "");
  const std::string text = "<html>not found</html>";
  EXPECT_NE(pkhub::pictureProblem(reinterpret_cast<const unsigned char*>(text.data()), text.size()), "");
  EXPECT_NE(pkhub::pictureProblem(nullptr, 0), "");
  const std::string huge = announcing(20000, 20000);
  EXPECT_NE(pkhub::pictureProblem(reinterpret_cast<const unsigned char*>(huge.data()), huge.size()), "");
}

// --- the hub on the sheet

// The requests the hub sends, in order.
struct Request {
  Request(std::string w, int a1 = 0, int b1 = 0, int c1 = 0, int d1 = 0, std::wstring k = {})
      : what(std::move(w)), a(a1), b(b1), c(c1), d(d1), key(std::move(k)) {}
  std::string what;
  int a, b, c, d;
  std::wstring key;
  bool operator==(const Request&) const = default;
};

class RecordingRequests : public IPKHubRequests {
 public:
  void requestPeriodInfo() override { sent.push_back({"period"}); }
  void requestCompetitionProducts(int song, int ordering, int count, int page) override {
    sent.push_back({"products", song, ordering, count, page});
  }
  void requestMyRank(int user, int song) override { sent.push_back({"rank", user, song}); }
  void requestProductPicture(const std::wstring& key) override { sent.push_back({"picture", 0, 0, 0, 0, key}); }
  int count(const std::string& what) const {
    int n = 0;
    for (const auto& r : sent) n += r.what == what;
    return n;
  }
  std::vector<Request> sent;
};

class ContestHub : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    // The module works in its installation folder: the picture sets' files are named from there.
    previousDir_ = std::filesystem::current_path();
    std::filesystem::current_path(install_.path());
    auto* resources = static_cast<CEGUI::DefaultResourceProvider*>(CEGUI::System::getSingleton().getResourceProvider());
    for (const char* group : {"HeadPicture", "ThemePicture"})
      resources->setResourceGroupDirectory(group, (install_.path() + "/").c_str());
    CEGUI::System::getSingleton().getDefaultGUIContext().setMouseClickEventGenerationEnabled(false);
    pkHubData() = PKHubData{};
    requests_ = std::make_shared<RecordingRequests>();
  }
  void TearDown() override {
    close();
    pkHubData() = PKHubData{};
    GuiTest::TearDown();
    std::filesystem::current_path(previousDir_);
  }
  CPKMainWnd* open() {
    PKHubContext context;
    context.userId = L"10001";
    context.ruleUrl = L"http://rules.example/pk";
    context.requests = requests_;
    context.onContestSongs = [this](const std::vector<std::wstring>& ids) { handedOver_ = ids; };
    context.openUrl = [this](const std::wstring& url) { opened_.push_back(url); };
    hub_ = createContestHub(sheet(), context);
    return hub_;
  }
  void close() {
    if (!hub_) return;
    hub_->closePage();
    delete hub_;
    hub_ = nullptr;
  }
  static void fire(const CEGUI::String& name, CEGUI::EventArgs& args) {
    CEGUI::GlobalEventSet::getSingleton().fireEvent(name, args, "");
  }
  void giveSongs(int n) {
    PKCompetitionSongsEventArgs args;
    for (int i = 0; i < n; ++i) {
      SongRecord song;
      song.SongID = std::to_wstring(100001 + i);
      song.SongName = L"歌" + std::to_wstring(i);
      song.SingerName = L"歌手" + std::to_wstring(i);
      song.Reserved = L"http://contest.example/" + song.SongID;
      args.songs.push_back(song);
    }
    fire(EventNames::GetPKSong, args);
  }
  void giveProducts(const std::vector<std::wstring>& keys) {
    PKCompetitionProductInfoEventArgs args;
    for (const auto& key : keys) {
      PKProductRecord p;
      p.DisplayText = L"歌友" + key;
      p.PictureKey = key;
      p.WebUrl = L"http://works.example/" + key;
      args.products.push_back(p);
    }
    fire(EventNames::RecBackCompetitionProductsInfo, args);
  }
  std::wstring slotSongId(int i) const {
    const auto* song = static_cast<const SongRecord*>(hub_->slot(i)->getUserData());
    return song ? song->SongID : L"";
  }
  std::vector<std::wstring> slotIds() const {
    std::vector<std::wstring> ids;
    for (int i = 0; i < pkcarousel::kSlots; ++i) ids.push_back(slotSongId(i));
    return ids;
  }
  static std::vector<std::wstring> ids(std::initializer_list<int> indexes) {
    std::vector<std::wstring> out;
    for (int i : indexes) out.push_back(std::to_wstring(100001 + i));
    return out;
  }
  static CEGUI::String image(CEGUI::Window* w) { return w->getProperty("NormalImage"); }
  void click(CEGUI::Window* w) {
    const CEGUI::Rectf r = w->getUnclippedOuterRect().get();
    auto& context = CEGUI::System::getSingleton().getDefaultGUIContext();
    context.injectMousePosition(r.left() + r.getWidth() / 2, r.top() + r.getHeight() / 2);
    context.injectMouseButtonDown(CEGUI::LeftButton);
    context.injectMouseButtonUp(CEGUI::LeftButton);
  }

  std::filesystem::path previousDir_;
  std::shared_ptr<RecordingRequests> requests_;
  CPKMainWnd* hub_ = nullptr;
  std::vector<std::wstring> handedOver_;
  std::vector<std::wstring> opened_;
};

TEST_F(ContestHub, OpensWithTheLayoutsWindowsAsksForThePeriodAndStartsOrderedByScore) {
  ASSERT_NE(open(), nullptr);
  EXPECT_EQ(hub_->pageWindow()->getName(), "PKWnd");
  EXPECT_EQ(requests_->sent, (std::vector<Request>{Request("period")}));
  ASSERT_NE(hub_->orderBox(), nullptr);
  ASSERT_EQ(hub_->orderBox()->getItemCount(), 4u);
  const char* texts[] = {"分数", "人气", "最新", "鲜花"};
  for (std::size_t i = 0; i < 4; ++i) {
    CEGUI::ListboxItem* item = hub_->orderBox()->getListboxItemFromIndex(i);
    EXPECT_EQ(item->getText(), guiStringUtf8(texts[i]));
    EXPECT_EQ(item->getID(), i + 1);
  }
  EXPECT_EQ(hub_->orderBox()->getText(), guiStringUtf8("分数"));
  EXPECT_TRUE(hub_->orderBox()->isReadOnly());
  EXPECT_FALSE(hub_->orderBox()->getSingleClickEnabled());
  // The item's text is black, white while selected.
  auto* first = static_cast<CComboxItem*>(hub_->orderBox()->getListboxItemFromIndex(0));
  auto* second = static_cast<CComboxItem*>(hub_->orderBox()->getListboxItemFromIndex(1));
  EXPECT_EQ(first->currentTextColour(), 0xFFFFFFFFu);
  EXPECT_EQ(second->currentTextColour(), 0xFF000000u);
  // Every place shows its default picture until the service's pictures come.
  EXPECT_EQ(image(hub_->slot(0)), "ThemeImageSet1/full_image");
  EXPECT_EQ(image(hub_->head(17)), "HeadImageSet18/full_image");
  EXPECT_EQ(hub_->rankText()->getText(), guiStringUtf8("无排行"));
}

class HubWithFewSongs : public ContestHub, public ::testing::WithParamInterface<int> {};

TEST_P(HubWithFewSongs, DisableTheCarouselAndItsKeys) {
  open();
  giveSongs(GetParam());
  CEGUI::Window* left = findWindow("PKWnd/MyPK/PKSong/Container/Left", hub_->pageWindow());
  CEGUI::Window* right = findWindow("PKWnd/MyPK/PKSong/Container/Right", hub_->pageWindow());
  EXPECT_TRUE(left->isDisabled());
  EXPECT_TRUE(right->isDisabled());
  const auto before = slotIds();
  hub_->carouselStep(1);
  hub_->carouselStep(0);
  hub_->takeFocus();
  for (int i = 0; i < 10; ++i) pressKey(kRight);
  for (int i = 0; i < 10; ++i) pressKey(kLeft);
  EXPECT_EQ(slotIds(), before);
  EXPECT_EQ(hub_->firstIndex(), 0);
  EXPECT_FALSE(hub_->effect().running());
  for (int i = 0; i < pkcarousel::kSlots; ++i) EXPECT_EQ(hub_->slot(i)->isDisabled(), i >= GetParam()) << i;
}

INSTANTIATE_TEST_SUITE_P(Counts, HubWithFewSongs, ::testing::Values(0, 1, 7),
                         [](const auto& info) { return std::to_string(info.param) + "Songs"; });

TEST_F(ContestHub, TenSongsTurnAPageEachWayWithTheSlide) {
  open();
  giveSongs(10);
  EXPECT_EQ(handedOver_, ids({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(slotIds(), ids({0, 1, 2, 3, 4, 5, 6}));
  click(findWindow("PKWnd/MyPK/PKSong/Container/Right", hub_->pageWindow()));
  EXPECT_EQ(slotIds(), ids({7, 8, 9, 0, 1, 2, 3}));
  EXPECT_FLOAT_EQ(hub_->effect().progress(), 0.2f);
  EXPECT_FLOAT_EQ(hub_->effect().step(), 0.04f);
  EXPECT_EQ(hub_->effect().direction(), 1);
  hub_->carouselStep(0);  // back to the start
  click(findWindow("PKWnd/MyPK/PKSong/Container/Left", hub_->pageWindow()));
  EXPECT_EQ(slotIds(), ids({3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(hub_->effect().direction(), 0);
}

TEST_F(ContestHub, TheFirstSongIsSelectedAndItsWorksAndRankAskedFor) {
  open();
  requests_->sent.clear();
  giveSongs(3);
  EXPECT_EQ(requests_->sent, (std::vector<Request>{{"products", 100001, 1, 18, 1}, {"rank", 10001, 100001}}));
  EXPECT_EQ(hub_->currentSongNumber(), 100001);
  EXPECT_EQ(hub_->moreUrl(), L"http://contest.example/100001");
  // A click on another cover selects its song.
  requests_->sent.clear();
  click(hub_->slot(2));
  EXPECT_EQ(requests_->sent, (std::vector<Request>{{"products", 100003, 1, 18, 1}, {"rank", 10001, 100003}}));
  // The selected song's caption stays gold when the focus is elsewhere.
  EXPECT_EQ(hub_->slot(2)->getProperty("NormalTextColour"), "tl:FFFFE08F tr:FFFFE08F bl:FFFFE08F br:FFFFE08F");
  EXPECT_EQ(hub_->slot(0)->getProperty("NormalTextColour"), "tl:FFE8ECFF tr:FFE8ECFF bl:FFE8ECFF br:FFE8ECFF");
  click(findWindow("PKWnd/PKHead/HeadMore", hub_->pageWindow()));
  click(findWindow("PKWnd/MyPK/SongRule", hub_->pageWindow()));
  EXPECT_EQ(opened_, (std::vector<std::wstring>{L"http://contest.example/100003", L"http://rules.example/pk"}));
}

TEST_F(ContestHub, AnotherOrderingAsksAgainForTheCurrentSongOnlyAndPicksItsRank) {
  open();
  giveSongs(10);
  hub_->selectSlot(4);
  requests_->sent.clear();
  hub_->orderBox()->setItemSelectState(static_cast<std::size_t>(1), true);  // 人气
  CEGUI::WindowEventArgs accepted(hub_->orderBox());
  hub_->orderBox()->fireEvent(CEGUI::Combobox::EventListSelectionAccepted, accepted, CEGUI::Combobox::EventNamespace);
  EXPECT_EQ(hub_->ordering(), 2);
  EXPECT_EQ(requests_->sent, (std::vector<Request>{{"products", 100005, 2, 18, 1}, {"rank", 10001, 100005}}));
  PKMyRankInfoFunRecvEventArgs rank;
  rank.ranks[0] = 5;
  rank.ranks[1] = 7;
  fire(EventNames::RecBackMyRankInfo, rank);
  EXPECT_EQ(hub_->rankText()->getText(), guiStringUtf8("我的排行：第 7 名"));
  // No work ranked under this ordering: no rank.
  hub_->chooseOrdering(3);
  fire(EventNames::RecBackMyRankInfo, rank);
  EXPECT_EQ(hub_->rankText()->getText(), guiStringUtf8("无排行"));
}

TEST_F(ContestHub, ProductsFillTheHeadsAndPicturesFindThemByKey) {
  open();
  giveSongs(2);
  requests_->sent.clear();
  std::vector<std::wstring> keys;
  for (int i = 0; i < 20; ++i) keys.push_back(std::to_wstring(500 + i));
  giveProducts(keys);
  // Eighteen heads, a picture asked for each.
  EXPECT_EQ(requests_->count("picture"), 18);
  EXPECT_EQ(hub_->head(0)->getText(), guiString(L"歌友500"));
  EXPECT_EQ(hub_->head(17)->getText(), guiString(L"歌友517"));
  EXPECT_EQ(image(hub_->head(0)), "HeadImageDefault/full_image");

  // A key of no head shown changes nothing.
  const std::string png = pngBytes(32, 32);
  PKComProPicFunRecvEventArgs stray;
  stray.productKey = L"519_big";
  stray.picture = picture(png);
  fire(EventNames::RecBackCompetitionProductsPic, stray);
  for (int i = 0; i < CPKMainWnd::kHeads; ++i) EXPECT_EQ(image(hub_->head(i)), "HeadImageDefault/full_image") << i;
  EXPECT_EQ(pkhub::ownedImageCount(hub_), 0u);

  // The key up to its first "_" names the picture.
  PKComProPicFunRecvEventArgs mine;
  mine.productKey = L"503_head";
  mine.picture = picture(png);
  fire(EventNames::RecBackCompetitionProductsPic, mine);
  EXPECT_EQ(image(hub_->head(3)), "503/full_image");
  EXPECT_EQ(hub_->head(3)->getProperty("HoverImage"), "503/full_image");
  EXPECT_EQ(hub_->head(3)->getProperty("PushedImage"), "503/full_image");
  EXPECT_EQ(CEGUI::ImageManager::getSingleton().get("503/full_image").getRenderedSize(), CEGUI::Sizef(32, 32));
  // The same picture again (a reply that came twice) replaces the image the head shows.
  PKComProPicFunRecvEventArgs again;
  again.productKey = L"503";
  again.picture = picture(pngBytes(40, 40));
  fire(EventNames::RecBackCompetitionProductsPic, again);
  EXPECT_EQ(image(hub_->head(3)), "503/full_image");
  EXPECT_EQ(CEGUI::ImageManager::getSingleton().get("503/full_image").getRenderedSize(), CEGUI::Sizef(40, 40));
  EXPECT_EQ(pkhub::ownedImageCount(hub_), 1u);

  // Bytes that are no picture: the default head, and the log says why, once.
  PKComProPicFunRecvEventArgs broken;
  broken.productKey = L"504";
  broken.picture = picture(png.substr(0, 40));
  fire(EventNames::RecBackCompetitionProductsPic, broken);
  EXPECT_EQ(image(hub_->head(4)), "HeadImageDefault/full_image");

  // A head opens its work's page.
  click(hub_->head(3));
  EXPECT_EQ(opened_, (std::vector<std::wstring>{L"http://works.example/503"}));
}

TEST_F(ContestHub, CoversComeFromTheSquaresPicturesAndBadOnesShowTheDefault) {
  open();
  giveSongs(4);
  PKCompetitionSongsPicEventArgs pictures;
  const std::string good = pngBytes(48, 48);
  pictures.pictures = {picture(good), picture("GIF89a not a picture"), picture(announcing(9000, 9000)),
                       picture(good.substr(0, good.size() / 2))};
  pictures.songIndexes = {0, 1, 2, 3};
  fire(EventNames::GetPKSongInterfacePic, pictures);
  EXPECT_EQ(image(hub_->slot(0)), "ThemeImage0/full_image");
  for (int i = 1; i < 4; ++i) EXPECT_EQ(image(hub_->slot(i)), "ThemeIconDefault/full_image") << i;
  const std::string log = install_.log();
  for (const char* song : {"100002", "100003", "100004"}) {
    const std::string line = std::string("the picture of contest song ") + song;
    EXPECT_NE(log.find(line), std::string::npos) << song;
    EXPECT_EQ(log.find(line), log.rfind(line)) << song << " is logged more than once";
  }
}

TEST_F(ContestHub, APictureGoesToTheSongItBelongsToWhenOthersAreMissing) {
  open();
  giveSongs(3);
  PKCompetitionSongsPicEventArgs pictures;
  pictures.pictures = {picture(pngBytes(20, 20))};
  pictures.songIndexes = {2};  // songs 0 and 1 had none
  fire(EventNames::GetPKSongInterfacePic, pictures);
  EXPECT_EQ(image(hub_->slot(0)), "ThemeIconDefault/full_image");
  EXPECT_EQ(image(hub_->slot(2)), "ThemeImage2/full_image");
}

TEST_F(ContestHub, ThePeriodsDatesAreAddedOnceEvenWhenTheReplyComesTwice) {
  open();
  PeriodInfoFunRecvEventArgs period;
  period.start = L"2026-12-01";
  period.end = L"2026-12-31";
  fire(EventNames::RecBackPeriodInfo, period);
  fire(EventNames::RecBackPeriodInfo, period);
  EXPECT_EQ(hub_->periodText()->getText(), guiString(L"本期擂台(2026-12-01~2026-12-31)"));
}

TEST_F(ContestHub, TheRemoteWalksTheSongsTurnsPagesAtTheEndsAndReachesTheControlsAndHeads) {
  open();
  giveSongs(10);
  giveProducts({L"1", L"2", L"3"});
  hub_->takeFocus();
  EXPECT_EQ(hub_->focused(), hub_->slot(0));
  for (int i = 0; i < 6; ++i) pressKey(kRight);
  EXPECT_EQ(hub_->focused(), hub_->slot(6));
  EXPECT_EQ(hub_->currentSongNumber(), 100007);  // the focused song is the selected one
  pressKey(kRight);  // past the end: the next page, its first song
  EXPECT_EQ(slotIds(), ids({7, 8, 9, 0, 1, 2, 3}));
  EXPECT_EQ(hub_->focused(), hub_->slot(0));
  EXPECT_EQ(hub_->currentSongNumber(), 100008);
  pressKey(kLeft);  // back past the start: the page before, its last song
  EXPECT_EQ(slotIds(), ids({0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(hub_->focused(), hub_->slot(6));

  giveProducts({L"1", L"2", L"3"});
  pressKey(kDown);  // the nearest control below the last song
  EXPECT_EQ(hub_->focused(), findWindow("PKWnd/PKHead/HeadMore", hub_->pageWindow()));
  pressKey(kLeft);
  EXPECT_EQ(hub_->focused(), hub_->orderBox());
  pressKey(kDown);  // the heads that hold a work, the nearest first
  EXPECT_EQ(hub_->focused(), hub_->head(2));
  for (int i = 0; i < 3; ++i) pressKey(kLeft);
  EXPECT_EQ(hub_->focused(), hub_->head(0));
  // A focused head does not raise its section over the rank.
  EXPECT_TRUE(findWindow("PKWnd/MyRank", hub_->pageWindow())
                  ->isInFront(*findWindow("PKWnd/PKHead", hub_->pageWindow())));
  pressKey(kDown);  // no second row of works: the focus stays
  EXPECT_EQ(hub_->focused(), hub_->head(0));
  pressKey(kRight);
  pressKey(kReturn);
  EXPECT_EQ(opened_, (std::vector<std::wstring>{L"http://works.example/2"}));
  pressKey(kUp);
  EXPECT_EQ(hub_->focused(), hub_->orderBox());
  pressKey(kUp);
  EXPECT_EQ(hub_->focused(), hub_->slot(6));  // back on the selected song
  pressKey(kUp);
  EXPECT_EQ(hub_->focused(), findWindow("PKWnd/MyPK/SongRule", hub_->pageWindow()));
  bool above = false;
  hub_->closePage();
  delete hub_;
  PKHubContext context;
  context.requests = requests_;
  context.focusAbove = [&above] { above = true; };
  hub_ = createContestHub(sheet(), context);
  hub_->takeFocus();
  pressKey(kUp);
  pressKey(kUp);
  EXPECT_TRUE(above);  // up from the top: the main menu bar
}

TEST_F(ContestHub, TheMenuBarKeepsTheKeysAndDownFromItsItemEntersTheHub) {
  auto& windows = CEGUI::WindowManager::getSingleton();
  CEGUI::Window* menu = windows.createWindow("DefaultWindow", "MainMenu");
  CEGUI::Window* bar = windows.createWindow("TaharezLook/Menubar", "Menubar");
  CEGUI::Window* item = windows.createWindow("TaharezLook/MenuItem", "PK");
  bar->addChild(item);
  menu->addChild(bar);
  sheet()->addChild(menu);
  item->activate();
  open();
  giveSongs(9);
  hub_->selectSlot(3);
  EXPECT_TRUE(item->isActive());  // the songs coming do not take the keys
  EXPECT_EQ(hub_->focused(), nullptr);
  pressKey(kDown);
  EXPECT_EQ(hub_->focused(), hub_->slot(3));  // the selected song
  EXPECT_TRUE(hub_->slot(3)->isActive());
  pressKey(kUp);
  pressKey(kUp);
  EXPECT_EQ(hub_->focused(), nullptr);
  EXPECT_TRUE(bar->isActive());
}

TEST_F(ContestHub, TheOrderingBoxOpensWithOkAndTakesTheChoiceWithOk) {
  open();
  giveSongs(2);
  hub_->takeFocus();
  pressKey(kDown);
  ASSERT_EQ(hub_->focused(), hub_->orderBox());
  requests_->sent.clear();
  pressKey(kReturn);
  EXPECT_TRUE(hub_->orderBox()->isDropDownListVisible());
  pressKey(kDown);
  pressKey(kDown);
  pressKey(kReturn);
  EXPECT_FALSE(hub_->orderBox()->isDropDownListVisible());
  EXPECT_EQ(hub_->ordering(), 3);
  EXPECT_EQ(requests_->sent, (std::vector<Request>{{"products", 100001, 3, 18, 1}, {"rank", 10001, 100001}}));
  // Back closes the list without a choice.
  pressKey(kReturn);
  pressKey(kUp);
  pressKey(1);  // Escape
  EXPECT_FALSE(hub_->orderBox()->isDropDownListVisible());
  EXPECT_EQ(hub_->ordering(), 3);
  EXPECT_EQ(hub_->orderBox()->getText(), guiStringUtf8("最新"));
}

TEST_F(ContestHub, OkOrdersTheFocusedSongAsAContestSong) {
  CInfoTipManager tips;
  CMissonManager manager;
  manager.cache().taskManager().Stop();  // no download: the song waits as the current one
  open();
  giveSongs(3);
  hub_->takeFocus();
  pressKey(kRight);
  pressKey(kReturn);
  std::vector<std::wstring> ordered;
  if (manager.current()) ordered.push_back(manager.current()->songId());
  for (const auto& m : manager.waiting()) ordered.push_back(m->songId());
  for (const auto& s : manager.sang()) ordered.push_back(s->song.SongID);
  EXPECT_EQ(ordered, ids({1}));
  for (const auto& m : manager.waiting())
    if (auto* pk = dynamic_cast<CMissonPk*>(m.get())) {
      EXPECT_TRUE(pk->contestSong);
    }
  EXPECT_TRUE(isContestSongId(L"100002"));
  EXPECT_FALSE(isContestSongId(L"100004"));
  close();
}

TEST_F(ContestHub, StepsAsideWhileTheSongIsSungAndComesBackWhenItEnds) {
  CInfoTipManager tips;
  CMissonManager manager;
  manager.cache().taskManager().Stop();  // no download: the song waits as the current one
  open();
  giveSongs(3);
  hub_->orderSlot(0);
  ASSERT_NE(manager.current(), nullptr);
  CEGUI::EventArgs none;
  manager.fireEvent(CMissonManager::EventPlay, none, "");
  EXPECT_FALSE(hub_->pageWindow()->isVisible());
  // The key choice ending gives back the active window and shows its ancestors: not the hub.
  hub_->pageWindow()->show();
  EXPECT_FALSE(hub_->pageWindow()->isVisible());
  // Another song queued meanwhile: still singing.
  manager.fireEvent(CMissonManager::EventMissonChange, none, "");
  EXPECT_FALSE(hub_->pageWindow()->isVisible());
  manager.current()->state = CBaseMisson::Idle;  // the song has ended
  manager.fireEvent(CMissonManager::EventStop, none, "");
  EXPECT_TRUE(hub_->pageWindow()->isVisible());
  close();
}

TEST_F(ContestHub, AHubOpenedAgainShowsTheStoredSquareAtOnce) {
  open();
  giveSongs(9);
  close();
  requests_->sent.clear();
  open();
  EXPECT_EQ(hub_->songCount(), 9);
  EXPECT_EQ(slotIds(), ids({0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(requests_->count("products"), 1);
}

TEST_F(ContestHub, RepliesStillOnTheirWayFindNoWindowOnceItIsGone) {
  open();
  giveSongs(8);
  auto* products = new PKCompetitionProductInfoEventArgs;
  products->products.resize(3);
  auto* pic = new PKComProPicFunRecvEventArgs;
  pic->productKey = L"7";
  pic->picture = picture(pngBytes(8, 8));
  auto* songs = new PKCompetitionSongsEventArgs;
  songs->songs.resize(2);
  auto& global = CEGUI::GlobalEventSet::getSingleton();
  Win32AppHelper::postEvent(&global, EventNames::RecBackCompetitionProductsInfo, products, "");
  Win32AppHelper::postEvent(&global, EventNames::RecBackCompetitionProductsPic, pic, "");
  Win32AppHelper::postEvent(&global, EventNames::GetPKSong, songs, "");
  const void* gone = hub_;
  close();
  EXPECT_EQ(pkhub::ownedImageCount(gone), 0u);
  advance(100);  // the replies arrive: nobody listens
  EXPECT_EQ(pkHubData().songs.size(), 8u);
}

// --- the page slide

class PageSlide : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    window_ = CEGUI::WindowManager::getSingleton().createWindow("DefaultWindow", "Slide");
    window_->setArea(CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(0, 0), CEGUI::UDim(0, 100), CEGUI::UDim(0, 50)));
    sheet()->addChild(window_);
    effect_.attachTo(window_);
    surface_ = static_cast<CEGUI::RenderingWindow*>(window_->getRenderingSurface());
  }
  CEGUI::Window* window_ = nullptr;
  PKCompetitionSongsEffect effect_;
  CEGUI::RenderingWindow* surface_ = nullptr;
};

TEST_F(PageSlide, EndsWhenItFirstPassesOneAndRestartsFromTheStart) {
  ASSERT_NE(surface_, nullptr);
  EXPECT_TRUE(effect_.update(0, *surface_));  // the first update only marks the start
  effect_.setStep(0.04f);
  effect_.Start(0.2f, 1);
  int redraws = 0;
  while (effect_.running()) {
    ASSERT_FALSE(effect_.update(0, *surface_)) << "every step asks for a redraw";
    ++redraws;
    ASSERT_LT(redraws, 100);
  }
  EXPECT_GT(effect_.progress(), 1.0f);
  EXPECT_LE(effect_.progress() - 0.04f, 1.0f + 1e-5f);  // it stopped the first time it passed 1
  EXPECT_GE(redraws, 20);
  EXPECT_LE(redraws, 21);
  EXPECT_TRUE(effect_.update(0, *surface_));  // at rest
  // Restarted while running: from the start again, in the new direction.
  effect_.Start(0.2f, 1);
  for (int i = 0; i < 5; ++i) effect_.update(0, *surface_);
  effect_.Start(0.2f, 0);
  EXPECT_FLOAT_EQ(effect_.progress(), 0.2f);
  EXPECT_EQ(effect_.direction(), 0);
}

TEST_F(PageSlide, TheLeavingCopyFadesOutOnOneSideWhileTheNewOneComesInFromTheOther) {
  effect_.Start(0.5f, 1);
  auto at = effect_.placement(100);
  EXPECT_FLOAT_EQ(at.leavingX, 50);
  EXPECT_FLOAT_EQ(at.leavingAlpha, 0.5f);
  EXPECT_FLOAT_EQ(at.enteringX, -50);
  effect_.Start(0.25f, 0);
  at = effect_.placement(100);
  EXPECT_FLOAT_EQ(at.leavingX, -25);
  EXPECT_FLOAT_EQ(at.enteringX, 75);
  effect_.Start(1.3f, 0);  // past the end the new copy rests in place
  EXPECT_FLOAT_EQ(effect_.placement(100).enteringX, 0);
}

}  // namespace
