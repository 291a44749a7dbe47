// The practice menu in the running module: built from the service's menu, walked with the
// remote's keys, its items opening catalogue pages and the menus coming back when they end.
#include "AppFixture.h"
#include "RUR/elements/MenuXmlManager.h"
#include "app/IPageCtrl.h"
#include "app/PracticeMenu.h"

namespace vktest {
namespace {

class PracticeMenu : public App {
 protected:
  // Right to "练歌房", OK: the practice menu shows with its first item focused.
  void enterPractice() {
    start();
    press(CEGUI::Key::ArrowRight);
    press(CEGUI::Key::Return);
    ASSERT_TRUE(app_->practiceMenu()->isShowing());
  }
  CEGUI::Window* activeItem() { return app_->practiceMenu()->window()->getActiveChild(); }
};

TEST_F(PracticeMenu, IsBuiltFromTheServicesMenuAndWrittenBack) {
  start();
  CPracticeMenu* menu = app_->practiceMenu();
  ASSERT_TRUE(menu && menu->window());
  EXPECT_FALSE(menu->isShowing());  // until its section is chosen
  // The service's items, in its order after the layout's own first item.
  CEGUI::Window* bar = window("Root/Menubar");
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->getID(), 9000u);
  EXPECT_EQ(bar->getChildAtIdx(0)->getName(), "Root/Menubar/Practice");
  EXPECT_EQ(bar->getChildAtIdx(1)->getName(), "Root/Menubar/9100");
  EXPECT_STREQ(window("Root/Menubar/9100/9101")->getText().c_str(), "流行金曲");
  EXPECT_EQ(menu->songScopes().at("Root/Menubar/9100/9101"), 101u);
  EXPECT_EQ(menu->itemKinds().at("Root/Menubar/9100/9101"), "5");
  EXPECT_EQ(menu->singerScopes().at("Root/Menubar/9300/9304"), 5u);
  const std::string written = readFile(CEGUI::MenuXmlManager::layoutFile());
  EXPECT_NE(written.find("name=\"Root/Menubar/9200/9201\""), std::string::npos);
}

TEST_F(PracticeMenu, TheArrowKeysOpenACategoryListAndBackComesHome) {
  enterPractice();
  EXPECT_EQ(activeItem(), window("Root/Menubar/Practice"));
  press(CEGUI::Key::ArrowRight);
  EXPECT_TRUE(window("Root/Menubar/9100")->isActive());  // with its pop-up open
  press(CEGUI::Key::ArrowDown);
  EXPECT_EQ(activeItem(), window("Root/Menubar/9100/9101"));
  EXPECT_TRUE(window("Root/Menubar/9100/AutoPopup")->isVisible());
  press(CEGUI::Key::Return);
  // The category's songs, with the menus out of the way.
  ASSERT_EQ(app_->menuPages().count("SongList"), 1u);
  EXPECT_FALSE(app_->practiceMenu()->isShowing());
  EXPECT_FALSE(window("MainMenu")->isVisible());
  EXPECT_TRUE(app_->menuPages().at("SongList")->pageWindow());
  app_->pumpUntil([] { return false; }, 300);  // the page's first rows
  press(CEGUI::Key::Escape);
  app_->advance(0);
  EXPECT_EQ(app_->menuPages().count("SongList"), 0u);
  EXPECT_TRUE(app_->practiceMenu()->isShowing());
  EXPECT_TRUE(window("MainMenu")->isVisible());
  // The item that opened the page has the keys again; Back leaves its pop-up, then the menu.
  EXPECT_EQ(activeItem(), window("Root/Menubar/9100/9101"));
  press(CEGUI::Key::Escape);
  EXPECT_TRUE(window("Root/Menubar/9100")->isActive());
  EXPECT_FALSE(window("Root/Menubar/9100/9101")->isActive());
  press(CEGUI::Key::Escape);
  EXPECT_TRUE(window("MainMenu/Menubar/PK")->isActive());
  EXPECT_FALSE(window("Root/Menubar/9100/AutoPopup")->isVisible());
  // Down from the main menu bar goes back into the practice menu.
  press(CEGUI::Key::ArrowDown);
  EXPECT_EQ(activeItem(), window("Root/Menubar/Practice"));
}

TEST_F(PracticeMenu, SwitchingToTheContestHubEndsItsPages) {
  enterPractice();
  press(CEGUI::Key::ArrowDown);  // 参赛练歌 → 参赛歌曲
  press(CEGUI::Key::ArrowDown);  // the first item's own pop-up has none: it stays
  press(CEGUI::Key::Return);
  ASSERT_EQ(app_->menuPages().count("SongList"), 1u);
  IPageCtrl* page = app_->menuPages().at("SongList");
  bool ended = false;
  page->subscribeEvent("EndModal", CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                         ended = true;
                         return false;
                       }));
  CEGUI::WindowEventArgs click(window("MainMenu/Menubar/PK"));
  window("MainMenu/Menubar/PK")->fireEvent(CEGUI::MenuItem::EventClicked, click);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(app_->menuPages().empty());
  EXPECT_FALSE(app_->practiceMenu()->isShowing());
}

TEST_F(PracticeMenu, ASecondMenuReplyReplacesTheWindowAndItsBindings) {
  start();
  CEGUI::Window* first = app_->practiceMenu()->window();
  postGlobal(EventNames::GetNetMenuList, new CEGUI::EventArgs);
  CEGUI::Window* second = app_->practiceMenu()->window();
  ASSERT_TRUE(second);
  EXPECT_NE(first, second);
  // One practice menu on the sheet, whose items still open their pages.
  int roots = 0;
  for (size_t i = 0; i < second->getParent()->getChildCount(); ++i)
    roots += second->getParent()->getChildAtIdx(i)->getName() == "Root";
  EXPECT_EQ(roots, 1);
  CEGUI::WindowEventArgs args(window("Root/Menubar/8970"));
  window("Root/Menubar/8970")->fireEvent(CEGUI::MenuItem::EventClicked, args);
  EXPECT_EQ(app_->menuPages().count("SongBook"), 1u);
}

TEST_F(PracticeMenu, ADamagedMenuOnDiskIsReplacedFromTheService) {
  writeFile(CEGUI::MenuXmlManager::menuFile(), "<Root menuVersion=\"2024.1\"><Button ID=\"9000\"><Butt");
  start();
  // Kept aside, fetched anew, and the menu built from the whole one.
  EXPECT_TRUE(std::filesystem::exists(CEGUI::MenuXmlManager::menuFile() + ".bad"));
  EXPECT_NE(readFile(CEGUI::MenuXmlManager::menuFile()).find("9401"), std::string::npos);
  EXPECT_TRUE(window("Root/Menubar/9100/9101"));
  EXPECT_EQ(app_->practiceMenu()->songScopes().count("Root/Menubar/9100/9101"), 1u);
}

}  // namespace
}  // namespace vktest
