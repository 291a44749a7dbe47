// The three standard dialogs: their buttons by ID, their keys, their results; the button
// renderer's focus look.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include "AppSet/KeyMap.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "PK/CPKSelectToneWnd.h"
#include "app/WindowPath.h"
#include "dialogs/CExitWnd.h"
#include "dialogs/CNetErrorWnd.h"
#include "dialogs/CRemoveTipWnd.h"
#include "oscompat/Display.h"
#include "widgets/FalagardButtonEx.h"
#include "widgets/WidgetRegistration.h"

namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kNumpadEnter = 156, kLeft = 203, kRight = 205, kUp = 200, kDown = 208;

class Dialogs : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    keyMap_ = std::make_unique<CKeyMap>();
  }
  template <typename Page>
  std::unique_ptr<Page> open() {
    auto page = std::make_unique<Page>();
    page->attach(sheet());
    page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                           ++ends_;
                           return true;
                         }));
    return page;
  }
  unsigned focusedId() {
    CEGUI::Window* active = sheet()->getActiveChild();
    return active ? active->getID() : 0;
  }
  std::unique_ptr<CKeyMap> keyMap_;
  int ends_ = 0;
};

}  // namespace

TEST_F(Dialogs, ExitArrowsWrapAndReturnAnswersForTheFocusedButton) {
  auto page = open<CExitWnd>();
  EXPECT_EQ(focusedId(), 1u);
  pressKey(kLeft);
  EXPECT_EQ(focusedId(), 2u);  // wraps below the first
  pressKey(kLeft);
  EXPECT_EQ(focusedId(), 1u);
  pressKey(kRight);
  EXPECT_EQ(focusedId(), 2u);
  pressKey(kRight);
  EXPECT_EQ(focusedId(), 1u);  // wraps past the second
  pressKey(kRight);
  pressKey(kEscape);  // "Back" means nothing inside the exit confirmation
  EXPECT_EQ(ends_, 0);
  pressKey(kReturn);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page->result(), 0);
}

TEST_F(Dialogs, ExitAnswersYesByClickOrNumpadEnterAndShowsTheCursor) {
  oscompat::showSystemCursor(false);
  auto page = open<CExitWnd>();
  EXPECT_TRUE(oscompat::isSystemCursorShown());
  pressKey(kNumpadEnter);
  EXPECT_EQ(page->result(), 1);

  auto clicked = open<CExitWnd>();
  shell().clickWindow(clicked->pageWindow()->getChild(2u));
  EXPECT_EQ(clicked->result(), 0);
  EXPECT_EQ(ends_, 2);
}

TEST_F(Dialogs, RemovalBackKeyAnswersNoAndFollowsTheKeyMap) {
  auto page = open<CRemoveTipWnd>();
  EXPECT_TRUE(page->loaded());
  pressKey(kEscape);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page->result(), 0);

  keyMap_->setEntry({L"Back", 14, L"VK_BACK", L""});  // a remapped Back key
  auto remapped = open<CRemoveTipWnd>();
  pressKey(kEscape);
  EXPECT_EQ(ends_, 1);
  pressKey(14);
  EXPECT_EQ(ends_, 2);
  auto yes = open<CRemoveTipWnd>();
  shell().clickWindow(yes->pageWindow()->getChild(1u));
  EXPECT_EQ(yes->result(), 1);
}

TEST_F(Dialogs, NetworkErrorClosesOnlyThroughItsOkButton) {
  auto page = open<CNetErrorWnd>();
  pressKey(kEscape);
  pressKey(kLeft);
  pressKey(30);
  EXPECT_EQ(ends_, 0);
  pressKey(kReturn);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page->result(), 1);
  auto clicked = open<CNetErrorWnd>();
  shell().clickWindow(clicked->pageWindow()->getChild(1u));
  EXPECT_EQ(clicked->result(), 1);
}

TEST_F(Dialogs, ButtonWithKeyboardFocusDrawsItsHoverLook) {
  registerWidgets();
  CEGUI::Window* a = CEGUI::WindowManager::getSingleton().createWindow("Vokaran/Button", "A");
  CEGUI::Window* b = CEGUI::WindowManager::getSingleton().createWindow("Vokaran/Button", "B");
  sheet()->addChild(a);
  sheet()->addChild(b);
  auto state = [](CEGUI::Window* w) {
    return static_cast<CEGUI::FalagardButtonEx*>(w->getWindowRenderer())->currentStateName();
  };
  a->activate();
  EXPECT_EQ(state(a), "Hover");
  EXPECT_EQ(state(b), "Normal");
  b->disable();
  EXPECT_EQ(state(b), "Disabled");
}

namespace {
class ToneChoice : public Dialogs {
 protected:
  std::unique_ptr<CPKSelectToneWnd> openTone(bool hasLevel) {
    auto page = std::make_unique<CPKSelectToneWnd>(hasLevel);
    page->attach(sheet());
    page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                           ++ends_;
                           return true;
                         }));
    return page;
  }
  CEGUI::Window* choice(const char* name) { return findWindow(CEGUI::String("SelectToneWnd/PKSong/") + name); }
  CEGUI::String focused() {
    CEGUI::Window* active = sheet()->getActiveChild();
    return active ? active->getName() : "";
  }
};
}  // namespace

// The remote control reaches every choice and both buttons; a choice taken with Return shows
// as chosen and hands the focus to OK.
TEST_F(ToneChoice, ArrowsWalkTheChoicesAndButtonsAndReturnTakesAChoice) {
  auto page = openTone(true);
  ASSERT_TRUE(page->loaded());
  EXPECT_EQ(page->selection(), 1);
  EXPECT_EQ(choice("MyTone")->getProperty("NormalImage"), "PK/RadioBtn_Hover");
  EXPECT_EQ(focused(), "Ok");
  pressKey(kRight);
  EXPECT_EQ(focused(), "Cancel");
  pressKey(kLeft);
  EXPECT_EQ(focused(), "Ok");
  pressKey(kDown);
  EXPECT_EQ(focused(), "MyTone");  // wraps to the top
  pressKey(kDown);
  pressKey(kDown);
  EXPECT_EQ(focused(), "FemalTone");
  pressKey(kReturn);
  EXPECT_EQ(page->selection(), 3);
  EXPECT_EQ(choice("FemalTone")->getProperty("NormalImage"), "PK/RadioBtn_Hover");
  EXPECT_EQ(choice("MyTone")->getProperty("NormalImage"), "PK/RadioBtn_Normal");
  EXPECT_EQ(focused(), "Ok");
  pressKey(kUp);
  EXPECT_EQ(focused(), "FemalTone");
  EXPECT_EQ(ends_, 0);
  shell().clickWindow(choice("MaleTone"));
  EXPECT_EQ(page->selection(), 2);
  EXPECT_EQ(choice("FemalTone")->getProperty("NormalImage"), "PK/RadioBtn_Normal");
  shell().clickWindow(findWindow("SelectToneWnd/Ok"));
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page->result(), 1);
  EXPECT_EQ(page->selection(), 2);
  EXPECT_EQ(findWindow("SelectToneWnd"), nullptr);
}

// Without a measured range the fitted key cannot be picked, yet stays the preselected choice.
TEST_F(ToneChoice, WithoutAToneLevelMyToneCannotBeChosenButStaysPreselected) {
  auto page = openTone(false);
  EXPECT_TRUE(choice("MyTone")->isDisabled());
  pressKey(kDown);
  EXPECT_EQ(focused(), "MaleTone");  // the focus passes it by
  pressKey(kUp);
  EXPECT_EQ(focused(), "Ok");
  shell().clickWindow(choice("MyTone"));
  EXPECT_EQ(page->selection(), 1);
  pressKey(kReturn);
  EXPECT_EQ(page->result(), 1);
  EXPECT_EQ(page->selection(), 1);
}

TEST_F(ToneChoice, CancelTheBackKeyAndReturnOnCancelAllEndWithZero) {
  auto back = openTone(true);
  pressKey(kEscape);
  EXPECT_EQ(back->result(), 0);
  EXPECT_EQ(ends_, 1);
  auto keyed = openTone(true);
  pressKey(kRight);
  pressKey(kReturn);
  EXPECT_EQ(keyed->result(), 0);
  auto clicked = openTone(true);
  shell().clickWindow(findWindow("SelectToneWnd/Cancel"));
  EXPECT_EQ(clicked->result(), 0);
  EXPECT_EQ(ends_, 3);
}
