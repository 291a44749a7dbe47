// Pages: modal state saved and given back, results, deferred deletion.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/EventNames.h"
#include "app/IPageCtrl.h"

namespace {

int livePages = 0;

// A page whose window is a plain frame with one button.
class TestPage : public IPageCtrl {
 public:
  explicit TestPage(const CEGUI::String& name) : name_(name) { ++livePages; }
  ~TestPage() override { --livePages; }
  void createPage(CEGUI::Window*) override {
    d_root = CEGUI::WindowManager::getSingleton().createWindow("DefaultWindow", name_);
    d_root->setArea(CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(0, 0), CEGUI::UDim(1, 0), CEGUI::UDim(1, 0)));
    button = CEGUI::WindowManager::getSingleton().createWindow("Vokaran/Button", "Ok");
    button->setArea(CEGUI::URect(CEGUI::UDim(0, 10), CEGUI::UDim(0, 10), CEGUI::UDim(0, 210), CEGUI::UDim(0, 70)));
    d_root->addChild(button);
  }
  bool onAttached() override {
    attachedWithModal = d_root->getGUIContext().getModalWindow() == d_root;
    return true;
  }
  CEGUI::Window* button = nullptr;
  bool attachedWithModal = false;

 private:
  CEGUI::String name_;
};

class NoWindowPage : public IPageCtrl {
 public:
  void createPage(CEGUI::Window*) override {}
};

class Pages : public vktest::GuiTest {
 protected:
  CEGUI::GUIContext& context() { return shell().guiContext(); }
};

}  // namespace

TEST_F(Pages, DialogOverAPageGivesTheModalTargetBackToThePage) {
  TestPage page("Page");
  EXPECT_TRUE(page.attach(sheet()));
  EXPECT_TRUE(page.attachedWithModal);
  TestPage dialog("Dialog");
  EXPECT_TRUE(dialog.attach(sheet()));
  EXPECT_EQ(context().getModalWindow(), dialog.pageWindow());
  dialog.endModal(1);
  EXPECT_EQ(dialog.result(), 1);
  EXPECT_EQ(dialog.pageWindow(), nullptr);
  EXPECT_EQ(context().getModalWindow(), page.pageWindow());
  page.endModal(0);
  EXPECT_EQ(context().getModalWindow(), nullptr);
}

TEST_F(Pages, RestoreSkipsASavedWindowDestroyedMeanwhile) {
  TestPage page("Page");
  page.attach(sheet());
  TestPage dialog("Dialog");
  dialog.attach(sheet());
  page.closePage();  // the page underneath goes while the dialog shows
  shell().runFrame();  // its window is freed for good
  dialog.endModal(0);  // would touch freed memory if the saved pointer were kept
  EXPECT_EQ(context().getModalWindow(), nullptr);
}

TEST_F(Pages, SavedActiveWindowComesBackWithItsHiddenAncestors) {
  auto& wm = CEGUI::WindowManager::getSingleton();
  CEGUI::Window* outer = wm.createWindow("DefaultWindow", "Outer");
  CEGUI::Window* inner = wm.createWindow("DefaultWindow", "Inner");
  CEGUI::Window* field = wm.createWindow("TaharezLook/Editbox", "Field");
  sheet()->addChild(outer);
  outer->addChild(inner);
  inner->addChild(field);
  field->activate();
  TestPage dialog("Dialog");
  dialog.attach(sheet());
  outer->hide();
  inner->hide();
  dialog.endModal(0);
  EXPECT_TRUE(outer->isVisible());
  EXPECT_TRUE(inner->isVisible());
  EXPECT_TRUE(field->isActive());
}

TEST_F(Pages, AttachReportsWhetherThePageBecameModal) {
  NoWindowPage empty;
  EXPECT_FALSE(empty.attach(sheet()));
}

// Catches deleting a page inside the handler that ended it.
TEST_F(Pages, PageFreedLaterOutlivesTheHandlerThatEndedIt) {
  auto* page = new TestPage("Page");
  page->attach(sheet());
  int resultSeen = -1;
  page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                         resultSeen = page->result();
                         IPageCtrl::freeLater(page);
                         EXPECT_EQ(livePages, 1);  // still alive while we are here
                         return true;
                       }));
  page->button->subscribeEvent(CEGUI::PushButton::EventClicked,
                               CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                                 page->endModal(1);
                                 return true;
                               }));
  shell().clickWindow(page->button);
  EXPECT_EQ(resultSeen, 1);
  EXPECT_EQ(livePages, 1);
  advance(0);
  EXPECT_EQ(livePages, 0);
}

TEST_F(Pages, EndDecidedOnAnotherThreadRunsOnTheGuiThread) {
  TestPage page("Page");
  page.attach(sheet());
  bool ended = false;
  page.subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                        ended = true;
                        return true;
                      }));
  std::thread worker([&] { page.postEndModal(7); });
  worker.join();
  EXPECT_FALSE(ended);
  ASSERT_TRUE(shell().pumpUntil([&] { return ended; }));
  EXPECT_EQ(page.result(), 7);
}
