// The search windows, headless against a real service: the on-screen keyboard walked with the
// remote's arrows, typing and its limit, the query each search sends and the result list it
// opens, and how each window ends.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "AppSet/KeyMap.h"
#include "NetTestSupport.h"
#include "NetWork/NetworkInterface.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/SongIEventSet.h"
#include "app/TextConvert.h"
#include "catalog/CKeyItem.h"
#include "catalog/CPinYinSearchWnd.h"
#include "catalog/CSongList.h"
#include "catalog/CatalogueLists.h"
#include "catalog/NetDataSources.h"
#include "catalog/RangeSearchWnds.h"
#include "widgets/MultiColumnListEx.h"

namespace {

constexpr unsigned kEscape = 1, kBackspace = 14, kReturn = 28, kUp = 200, kLeft = 203, kRight = 205, kDown = 208;

const KeySpec& keySpec(const std::string& text) {
  for (const KeySpec& k : pinyinKeys())
    if (k.text == text) return k;
  throw std::runtime_error("no key " + text);
}

TEST(PinyinKeyboard, ThirtySevenKeysWhoseArrowsLeadWhereTheRemoteExpects) {
  ASSERT_EQ(pinyinKeys().size(), 37u);
  EXPECT_EQ(keySpec("0").right, "KeyName_1");
  EXPECT_EQ(keySpec("1").left, "KeyName_0");
  EXPECT_EQ(keySpec("A").left, "KeyName_L");
  EXPECT_EQ(keySpec("K").down, "KeyName_Delete");
  EXPECT_EQ(keySpec("P").down, "KeyName_L");
  EXPECT_EQ(keySpec("Z").left, "KeyName_Delete");
  EXPECT_EQ(keySpec("M").right, "KeyName_Delete");
  EXPECT_EQ(keySpec("5").up, "PinYinPage/OK");
  EXPECT_EQ(keySpec("6").up, "PinYinPage/Cancel");
  EXPECT_EQ(keySpec("V").down, "PinYinPage/OK");
  EXPECT_EQ(keySpec("B").down, "PinYinPage/Cancel");
  EXPECT_EQ(keySpec("Delete").up, "KeyName_L");
  EXPECT_FLOAT_EQ(keySpec("Delete").width, 0.16f);
  // Every neighbour is a key or one of the two buttons, and no two keys overlap.
  std::map<std::string, const KeySpec*> byName;
  for (const KeySpec& k : pinyinKeys()) byName[k.name()] = &k;
  for (const KeySpec& k : pinyinKeys())
    for (const std::string* n : {&k.up, &k.down, &k.left, &k.right})
      EXPECT_TRUE(byName.count(*n) || *n == "PinYinPage/OK" || *n == "PinYinPage/Cancel") << k.text << " -> " << *n;
  for (const KeySpec& a : pinyinKeys())
    for (const KeySpec& b : pinyinKeys())
      if (&a != &b && a.y == b.y) {
        EXPECT_TRUE(a.x + a.width <= b.x + 1e-4f || b.x + b.width <= a.x + 1e-4f) << a.text << b.text;
      }
}

class Searches : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    hub_ = std::make_unique<SongIEventSet>();
    tips_ = std::make_unique<CInfoTipManager>();
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
  }
  void TearDown() override {
    net_.reset();
    tips_.reset();
    hub_.reset();
    GuiTest::TearDown();
  }
  bool waitFor(const std::function<bool()>& done) { return shell().pumpUntil(done, 30000); }
  CEGUI::Window* active() const { return sheet()->getGUIContext().getRootWindow()->getActiveChild(); }
  void typeText(const char* text) {
    for (const char* c = text; *c; ++c) shell().injectChar(static_cast<CEGUI::String::value_type>(*c));
  }
  static const CSearchInfo& query(CSongList* list) {
    return static_cast<CDataSourceNet*>(list->dataSource())->query();
  }

  vktest::TestService service_;
  CKeyMap keyMap_;
  std::unique_ptr<SongIEventSet> hub_;
  std::unique_ptr<CInfoTipManager> tips_;
  std::unique_ptr<NetworkInterface> net_;
};

TEST_F(Searches, ThePinyinKeyboardTypesWithTheRemoteAndTheKeyboardUpToTenCharacters) {
  auto* search = static_cast<CPinYinSearchWnd*>(openSearchWindow("pinyin-songs", L"3"));
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(search->child("InputTip")->getText(), guiStringUtf8("请输入歌曲首拼:"));
  EXPECT_EQ(active(), search->keyWindow("KeyName_A"));
  pressKey(kLeft);  // round the row to L
  EXPECT_EQ(active(), search->keyWindow("KeyName_L"));
  pressKey(kDown);  // L's down is the delete key
  EXPECT_EQ(active(), search->keyWindow("KeyName_Delete"));
  pressKey(kReturn);  // delete on an empty input changes nothing
  EXPECT_EQ(search->input(), L"");
  pressKey(kUp);
  pressKey(kUp);  // L, then O
  pressKey(kReturn);
  typeText("ml-h");  // a real keyboard: letters keep their case, the rest is dropped
  EXPECT_EQ(search->input(), L"Omlh");
  pressKey(kBackspace);
  EXPECT_EQ(search->input(), L"Oml");
  typeText("1234567");
  EXPECT_EQ(search->input(), L"Oml1234567");
  typeText("8");  // the eleventh is refused
  EXPECT_EQ(search->input(), L"Oml1234567");
  EXPECT_NE(sheet()->getGUIContext().getRootWindow()->getChildRecursive("SearchInputInfoTipWnd"), nullptr);

  // From the buttons the arrows go back into the keyboard.
  search->keyWindow("PinYinPage/Cancel")->activate();
  pressKey(kLeft);
  EXPECT_EQ(active(), search->child("OK"));
  pressKey(kUp);
  EXPECT_EQ(active(), search->keyWindow("KeyName_Z"));
  search->child("OK")->activate();
  pressKey(kReturn);  // OK: the song list of the typed initials, the search hidden behind it
  CSongList* list = search->resultList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::wstring(query(list).GetKind()), L"6");
  EXPECT_EQ(std::wstring(query(list).GetScope()), L"3");
  EXPECT_EQ(std::wstring(query(list).GetKeyword()), L"Oml1234567");
  EXPECT_FALSE(search->pageWindow()->isVisible());
  vktest::Caught<CEGUI::EventArgs> ended(*search, "EndModal");
  pressKey(kEscape);  // Back leaves the list, and the search with it
  EXPECT_EQ(ended.got.size(), 1u);
  EXPECT_EQ(search->result(), 0);
}

TEST_F(Searches, AnEmptyPinyinSearchAsksForEverythingAndBackEndsTheWindow) {
  auto* search = static_cast<CPinYinSearchWnd*>(openSearchWindow("pinyin-singers"));
  EXPECT_EQ(search->child("InputTip")->getText(), guiStringUtf8("请输入歌手首拼:"));
  search->search();
  ASSERT_NE(search->resultList(), nullptr);
  EXPECT_EQ(std::wstring(query(search->resultList()).GetKind()), L"4");
  EXPECT_EQ(std::wstring(query(search->resultList()).GetKeyword()), L"");
  ASSERT_TRUE(waitFor([&] { return search->resultList()->dataSource()->getPageCount() > 0; }));
  pressKey(kEscape);
  auto* again = static_cast<CPinYinSearchWnd*>(openSearchWindow("pinyin-songs"));
  vktest::Caught<CEGUI::EventArgs> ended(*again, "EndModal");
  pressKey(kEscape);  // the key map's Back key on a key of the keyboard
  ASSERT_EQ(ended.got.size(), 1u);
  EXPECT_EQ(again->result(), 2);
}

TEST_F(Searches, ARangePickedOpensItsResultListAndItsEndEndsTheSearch) {
  auto* strokes = static_cast<CStrokeSearchWnd*>(openSearchWindow("strokes", L"5"));
  ASSERT_NE(strokes, nullptr);
  CEGUI::MultiColumnListEx* grid = strokes->list();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->getRowCount(), 6u);
  auto keywordAt = [&](unsigned column, unsigned row) {
    return *static_cast<const std::wstring*>(grid->getItemAtGridReference(CEGUI::MCLGridRef(row, column))->getUserData());
  };
  EXPECT_EQ(keywordAt(0, 0), L"1-4");
  EXPECT_EQ(keywordAt(1, 2), L"17-");
  ASSERT_NE(grid->getFirstSelectedItem(), nullptr);
  pressKey(kDown);
  pressKey(kRight);  // 11 to 13 strokes
  pressKey(kReturn);
  CSongList* singers = strokes->resultList();
  ASSERT_NE(singers, nullptr);
  EXPECT_EQ(std::wstring(query(singers).GetKind()), L"2");
  EXPECT_EQ(std::wstring(query(singers).GetKeyword()), L"11-13");
  EXPECT_EQ(std::wstring(query(singers).GetScope()), L"5");
  ASSERT_TRUE(waitFor([&] { return singers->dataSource()->getPageCount() > 0; }));
  vktest::Caught<CEGUI::EventArgs> ended(*strokes, "EndModal");
  pressKey(kEscape);
  ASSERT_EQ(ended.got.size(), 1u);
  EXPECT_EQ(strokes->result(), 1);

  // The surnames of a range, should the service send them, become its tooltip.
  auto* again = static_cast<CStrokeSearchWnd*>(openSearchWindow("strokes"));
  BaiJiaXingEventArgs table;
  table.keyword = L"5-7";
  table.surnames = {L"江", L"许"};
  hub_->fireEvent(CStrokeSearchWnd::EventBaiJiaXingDataBack, table, "");
  EXPECT_EQ(again->list()->getItemAtGridReference(CEGUI::MCLGridRef(0, 1))->getTooltipText(), guiString(L"江 许"));
  pressKey(kEscape);

  auto* words = static_cast<CWordsCountSearchWnd*>(openSearchWindow("words"));
  EXPECT_TRUE(words->child("NextPageBtn")->isDisabled());
  pressKey(kReturn);  // the first range: names of 1 or 2 characters
  ASSERT_NE(words->resultList(), nullptr);
  EXPECT_EQ(std::wstring(query(words->resultList()).GetKind()), L"1");
  EXPECT_EQ(std::wstring(query(words->resultList()).GetKeyword()), L"1-2");
  EXPECT_EQ(openSearchWindow("nonsense"), nullptr);
}

}  // namespace
