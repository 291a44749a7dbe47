// The merge of the server's menu into the practice layout: where entries land, what new items
// look like, what is pruned, and what the written layout holds.
#include "MenuTestSupport.h"

#include "RUR/elements/LayoutMerger.h"

namespace vktest {
namespace {

using CEGUI::LayoutEntity;

const std::string kItem = "TaharezLook/MenuItemRUR";

TEST_F(MenuTest, TheLayoutRootTakesTheMenuIdOnlyWhenNoWindowCarriesIt) {
  writeMenu(menuDocument(button("9000", "", button("9100", "新歌"))));
  writeLayout(practiceLayout("", ""));  // no window carries an ID
  merge();
  EXPECT_EQ(layout()->id(), "9000");
  ASSERT_TRUE(find("9100"));
  EXPECT_EQ(find("9100")->parent(), layout());
  EXPECT_NE(writtenLayout().find("name=\"Root\" >\n        <Property name=\"ID\" value=\"9000\""), std::string::npos)
      << writtenLayout();

  writeLayout(practiceLayout());  // the bar carries it
  merge();
  EXPECT_EQ(layout()->id(), "");
  ASSERT_TRUE(find("9000"));
  EXPECT_EQ(find("9000")->windowName(), "Root/Menubar");
  EXPECT_EQ(find("9100")->parent(), find("9000"));
}

TEST_F(MenuTest, NewEntriesLandByTheContainerRuleWithACreatedPopup) {
  writeMenu(menuDocument(button(
      "9000", "",
      button("9100", "分类点歌", button("9101", "流行", button("9111", "华语", "", "0", "1", "5")) + button("9102", "摇滚")) +
          button("9200", "歌手"))));
  writeLayout(practiceLayout());
  merge();
  CEGUI::Entity* bar = find("9000");
  // Top level: index among siblings + 1, after the layout's own first item.
  EXPECT_EQ(childNames(bar), "Root/Menubar/Practice,Root/Menubar/9100,Root/Menubar/9200");
  LayoutEntity* category = find("9100");
  ASSERT_EQ(category->childCount(), 1u);
  auto* popup = static_cast<LayoutEntity*>(category->childAt(0));
  EXPECT_EQ(popup->windowName(), "Root/Menubar/9100/AutoPopup");
  EXPECT_EQ(popup->windowType(), "TaharezLook/PopupMenuRUR");
  EXPECT_EQ(popup->id(), "");
  EXPECT_EQ(popup->properties().size(), 11u);
  EXPECT_EQ(popup->property("Visible"), "False");
  EXPECT_EQ(popup->property("MaxSize"), "{{2,0},{1,0}}");
  EXPECT_EQ(popup->property("RightBGImage"), "Menu2/MenuBarBK_Right");
  // Second level: its own index in the parent's pop-up.
  EXPECT_EQ(childNames(popup), "Root/Menubar/9100/9101,Root/Menubar/9100/9102");
  // The level of the container picks the pictures: bar green, pop-up yellow, deeper purple.
  EXPECT_EQ(find("9100")->property("NormalBGImage"), "NetMenu/GreenSmallFrame_Normal");
  EXPECT_EQ(find("9101")->property("HoverBGImage"), "NetMenu/YellowSmallFrame_Hover");
  EXPECT_EQ(find("9111")->property("NoActiveLayerBGImage"), "NetMenu/PurpleSmallFrame_Disable");
  EXPECT_EQ(find("9111")->windowName(), "Root/Menubar/9100/9101/9111");
  EXPECT_EQ(find("9111")->command("nCmdType"), "0");
  EXPECT_EQ(find("9111")->command("TypeID"), "1");
  EXPECT_EQ(find("9111")->command("sTypeID"), "5");
}

TEST_F(MenuTest, ALabelsLengthPicksTheItemsFrameAndSize) {
  writeMenu(menuDocument(button("9000", "", button("1", "四个字的") + button("2", "五个字的呀") + button("3", "六个字的啊呀") +
                                                button("4", "七个字的名字呀"))));
  writeLayout(practiceLayout());
  merge();
  EXPECT_EQ(find("1")->property("FrameImage"), "NetMenu/MediumFrame");
  EXPECT_EQ(find("1")->property("Size"), "{{0,139}, {0,58}}");
  EXPECT_EQ(find("2")->property("FrameImage"), "NetMenu/LargeFrame");
  EXPECT_EQ(find("2")->property("Size"), "{{0,200}, {0,63}}");
  EXPECT_EQ(find("3")->property("Size"), "{{0,200}, {0,63}}");
  // Seven characters or more: the large frame, wide enough for the label.
  EXPECT_EQ(find("4")->property("FrameImage"), "NetMenu/LargeFrame");
  EXPECT_EQ(find("4")->property("Size"), "{{0,232}, {0,63}}");
  EXPECT_STREQ(find("4")->property("Text").c_str(), "七个字的名字呀");
  EXPECT_EQ(find("4")->property("Position"), "{{0.0,0},{0.0,0}}");

  // Merged again with a new label, an existing item keeps its pictures and takes the size.
  writeMenu(menuDocument(button("9000", "", button("1", "改成五个字") + button("2", "五个字的呀"))));
  merge();
  EXPECT_STREQ(find("1")->property("Text").c_str(), "改成五个字");
  EXPECT_EQ(find("1")->property("Size"), "{{0,200}, {0,63}}");
  EXPECT_EQ(find("1")->property("FrameImage"), "NetMenu/MediumFrame");
}

TEST_F(MenuTest, ExistingItemsMoveToTheirEntrysPlace) {
  writeMenu(menuDocument(button("9000", "", button("A", "甲") + button("B", "乙", button("C", "丙")))));
  writeLayout(practiceLayout());
  merge();
  // The next version swaps A and B and moves C up to the bar.
  writeMenu(menuDocument(button("9000", "", button("B", "乙") + button("C", "丙") + button("A", "甲"))));
  merge();
  EXPECT_EQ(childNames(find("9000")), "Root/Menubar/Practice,Root/Menubar/B,Root/Menubar/B/C,Root/Menubar/A");
}

TEST_F(MenuTest, PruningRemovesGoneItemsAndEmptiedPopupsButKeepsWindowsWithoutId) {
  writeMenu(menuDocument(button(
      "9000", "", button("9300", "快速搜索", button("9301", "歌名首拼") + button("9304", "歌手笔画")) +
                      button("9400", "热门推荐", button("9401", "本周新歌榜") + button("9402", "经典老歌")))));
  writeLayout(practiceLayout());
  merge();
  ASSERT_TRUE(find("9402"));
  // The later menu drops 9304 and empties 9400.
  writeMenu(menuDocument(button("9000", "", button("9300", "快速搜索", button("9301", "歌名首拼")) + button("9400", "热门推荐"))));
  merge();
  EXPECT_FALSE(find("9304"));
  EXPECT_EQ(childNames(find("9300")->childAt(0)), "Root/Menubar/9300/9301");
  EXPECT_FALSE(find("9401"));
  EXPECT_FALSE(find("9402"));
  // The emptied pop-up went; the item that opened it stays, now a leaf.
  EXPECT_EQ(find("9400")->childCount(), 0u);
  EXPECT_EQ(writtenLayout().find("9400/AutoPopup"), std::string::npos);
  // The layout's own items without ID stay.
  EXPECT_EQ(childNames(find("9000")), "Root/Menubar/Practice,Root/Menubar/9300,Root/Menubar/9400");
  EXPECT_NE(writtenLayout().find("Root/Menubar/Practice/SongSel"), std::string::npos);
}

TEST_F(MenuTest, RepeatedIdsNeverMakeTheTreeALoop) {
  // An entry inside an entry of the same ID, and an ID given twice at one level.
  writeMenu(menuDocument(button("9000", "", button("A", "甲", button("A", "又甲")) + button("B", "乙") + button("B", "又乙"))));
  writeLayout(practiceLayout());
  merge();
  for (CEGUI::Entity* e = find("A"); e; e = e->parent()) ASSERT_LT(e->level(), 10);
  EXPECT_TRUE(find("9000")->contains(find("A")));
  // The written layout loads.
  CEGUI::Window* loaded = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_MainMenuPractice.layout");
  CEGUI::WindowManager::getSingleton().destroyWindow(loaded);
}

TEST_F(MenuTest, TheWrittenLayoutLoadsAndKeepsLineFeedsThroughSaveAndRead) {
  writeMenu(menuDocument(button("9000", "", button("9100", "分类点歌", button("9101", "流行")))));
  writeLayout(practiceLayout(window(kItem, "Root/Menubar/Note", "",
                                    "<Property name=\"TooltipText\">第一行\n第二行</Property>")));
  merge();
  const std::string written = writtenLayout();
  // Properties in name order; a value with a line feed is the element's text.
  EXPECT_NE(written.find("<Property name=\"TooltipText\" >第一行\n第二行</Property>"), std::string::npos) << written;
  const size_t at = written.find("name=\"Root/Menubar/9100\"");
  EXPECT_LT(written.find("name=\"FrameImage\"", at), written.find("name=\"Text\"", at));
  ASSERT_TRUE(files_.loadLayout());
  EXPECT_EQ(layout()->findById("")->childAt(0)->id(), "9000");
  CEGUI::Entity* note = nullptr;
  for (size_t i = 0; i < find("9000")->childCount(); ++i)
    if (static_cast<LayoutEntity*>(find("9000")->childAt(i))->windowName() == "Root/Menubar/Note") note = find("9000")->childAt(i);
  ASSERT_TRUE(note);
  EXPECT_STREQ(note->property("TooltipText").c_str(), "第一行\n第二行");

  // The GUI library reads what was written: the items, their IDs, texts and sizes.
  CEGUI::Window* root = nullptr;
  {
    const CEGUI::KeepXmlWhiteSpace keep;
    root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_MainMenuPractice.layout");
  }
  sheet()->addChild(root);
  CEGUI::Window* item = root->getChildRecursive("Root/Menubar/9100/9101");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->getID(), 9101u);
  EXPECT_STREQ(item->getText().c_str(), "流行");
  EXPECT_EQ(item->getSize(), CEGUI::USize(CEGUI::UDim(0, 139), CEGUI::UDim(0, 58)));
  EXPECT_TRUE(dynamic_cast<CEGUI::PopupMenu*>(root->getChildRecursive("Root/Menubar/9100/AutoPopup")));
  EXPECT_STREQ(root->getChildRecursive("Root/Menubar/Note")->getTooltipText().c_str(), "第一行\n第二行");
  CEGUI::WindowManager::getSingleton().destroyWindow(root);
}

TEST(MenuCommands, TheCommandTableBindsByTypeKindAndId) {
  struct Case {
    const char* id;
    const char* type;
    const char* kind;
    CEGUI::MenuCommand command;
  };
  using C = CEGUI::MenuCommand;
  for (const Case& c : {Case{"1", "0", "6", C::PinYinSongSearch}, Case{"1", "0", "1", C::WordsCountSearch},
                        Case{"1", "0", "5", C::SongCategoryList}, Case{"1", "0", "", C::SongCategoryList},
                        Case{"1", "1", "4", C::PinYinSingerSearch}, Case{"1", "1", "2", C::StrokesSearch},
                        Case{"1", "1", "9", C::SingerCategoryList}, Case{"8971", "3", "", C::SangList},
                        Case{"8972", "3", "", C::None}, Case{"8970", "2", "", C::SongBook},
                        Case{"8971", "2", "", C::None}, Case{"1", "", "", C::None}, Case{"1", "7", "5", C::None}}) {
    CEGUI::LayoutEntity item(c.id, kItem, "Item");
    item.addCommand("nCmdType", c.type);
    item.addCommand("sTypeID", c.kind);
    EXPECT_EQ(CEGUI::menuCommandOf(item), c.command) << "ID " << c.id << " nCmdType " << c.type << " sTypeID " << c.kind;
  }
}

}  // namespace
}  // namespace vktest
