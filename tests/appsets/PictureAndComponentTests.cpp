// Picture sets (head and theme pictures) and the component manager.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "AppSet/OCXManager.h"
#include "AppSet/PictureSet.h"
#include "SetTestSupport.h"

namespace fs = std::filesystem;

namespace {

class Pictures : public settest::SettingsGuiTest {
 protected:
  void SetUp() override {
    SettingsGuiTest::SetUp();
    // The default pictures, and the resource groups that find them in the installation.
    fs::create_directories(install_.path() + "/PKData/ShowPhoto");
    for (const char* name : {"HeadIconDefault.png", "ThemeIconDefault.png"})
      fs::copy_file(std::string(VK_DIST_DIR) + "/datafiles/imagesets/Vokaran.png",
                    install_.path() + "/PKData/ShowPhoto/" + name, fs::copy_options::overwrite_existing);
    auto* rp = static_cast<CEGUI::DefaultResourceProvider*>(CEGUI::System::getSingleton().getResourceProvider());
    rp->setResourceGroupDirectory("HeadPicture", (install_.path() + "/").c_str());
    rp->setResourceGroupDirectory("ThemePicture", (install_.path() + "/").c_str());
    for (int i = 0; i < 5; ++i) {
      buttons_[i] = CEGUI::WindowManager::getSingleton().createWindow("TaharezLook/ImageButton",
                                                                       "Head" + std::to_string(i));
      sheet()->addChild(buttons_[i]);
    }
  }
  CEGUI::PropertySet* windows_[5];
  CEGUI::Window* buttons_[5] = {};

  CEGUI::PropertySet* const* windows() {
    for (int i = 0; i < 5; ++i) windows_[i] = buttons_[i];
    return windows_;
  }
};

}  // namespace

TEST_F(Pictures, ThreeEntriesGiveTheFirstThreeWindowsTheirImagesets) {
  vktest::writeFile(appSets("HeadPicture.xml"),
                    "<Set><Item id=\"1\" filename=\"a.png\"/><Item id=\"7\" filename=\"b.png\"/>"
                    "<Item filename=\"c.png\"/></Set>");
  ShowHeadPicture heads(wideAppSets("HeadPicture.xml"));
  ASSERT_TRUE(heads.load());
  EXPECT_EQ(heads.pictureKind(), 0);
  ASSERT_EQ(heads.count(), 3);
  // An "id" that is not the entry's position still counts, with an empty file name.
  EXPECT_EQ(heads.entries(), (std::map<int, std::wstring>{{1, L"a.png"}, {2, L""}, {3, L""}}));

  EXPECT_EQ(heads.apply(windows(), std::min(heads.count(), 5)), 3);
  for (int i = 0; i < 3; ++i) {
    const CEGUI::String image = "HeadImageSet" + CEGUI::PropertyHelper<int>::toString(i + 1) + "/full_image";
    EXPECT_TRUE(CEGUI::ImageManager::getSingleton().isDefined(image));
    for (const char* property : {"NormalImage", "HoverImage", "PushedImage"})
      EXPECT_EQ(buttons_[i]->getProperty(property), image) << property;
  }
  EXPECT_EQ(buttons_[3]->getProperty("NormalImage"), "");
  EXPECT_FALSE(CEGUI::ImageManager::getSingleton().isDefined("HeadImageSet4/full_image"));

  // A second apply reuses the images of the same names.
  const CEGUI::Image* first = &CEGUI::ImageManager::getSingleton().get("HeadImageSet1/full_image");
  EXPECT_EQ(heads.apply(windows(), 2), 2);
  EXPECT_EQ(&CEGUI::ImageManager::getSingleton().get("HeadImageSet1/full_image"), first);
}

TEST_F(Pictures, ThemePicturesUseTheirOwnNamesAndAMissingPictureHandlesNothing) {
  vktest::writeFile(appSets("ThemePicture.xml"), "<Set><Item id=\"1\" filename=\"t.png\"/></Set>");
  ShowThemePicture themes(wideAppSets("ThemePicture.xml"));
  ASSERT_TRUE(themes.load());
  EXPECT_EQ(themes.pictureKind(), 1);
  EXPECT_EQ(themes.apply(windows(), themes.count()), 1);
  EXPECT_EQ(buttons_[0]->getProperty("PushedImage"), "ThemeImageSet1/full_image");

  fs::remove(install_.path() + "/PKData/ShowPhoto/HeadIconDefault.png");
  vktest::writeFile(appSets("HeadPicture.xml"), "<Set><Item id=\"1\"/><Item id=\"2\"/></Set>");
  ShowHeadPicture heads(wideAppSets("HeadPicture.xml"));
  ASSERT_TRUE(heads.load());
  EXPECT_EQ(heads.apply(windows(), heads.count()), 0);
  EXPECT_EQ(buttons_[1]->getProperty("NormalImage"), "");
}

TEST_F(Pictures, MissingOrDamagedListGivesNoEntries) {
  fs::remove(appSets("HeadPicture.xml"));
  ShowHeadPicture heads(wideAppSets("HeadPicture.xml"));
  EXPECT_FALSE(heads.load());
  EXPECT_EQ(heads.count(), 0);
  vktest::writeFile(appSets("HeadPicture.xml"), "<Set><Item id=\"1\"/><Item id=\"2\"");
  EXPECT_FALSE(heads.load());
  EXPECT_EQ(heads.count(), 0);
  EXPECT_EQ(heads.apply(windows(), heads.count()), 0);
}

namespace {

class Components : public settest::SettingsGuiTest {
 protected:
  void SetUp() override {
    SettingsGuiTest::SetUp();
    log_ = install_.path() + "/components.log";
    setenv("VK_TEST_COMPONENT_LOG", log_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VK_TEST_COMPONENT_LOG");
    SettingsGuiTest::TearDown();
  }
  std::string calls() const { return vktest::readFile(log_); }
  std::string log_;
};

}  // namespace

TEST_F(Components, RegistersInListOrderPassingOverWhatFails) {
  vktest::writeFile(appSets("ocx.xml"),
                    std::string("<ROOT><ITEM PATH=\"") + VK_COMPONENT_FAILING + "\"/>" +
                        "<ITEM PATH=\"" + install_.path() + "/missing.so\"/><ITEM/>" +
                        "<ITEM PATH=\"" + VK_COMPONENT_PLAIN + "\"/><ITEM PATH=\"" + VK_COMPONENT_OK + "\"/></ROOT>");
  OCXManager manager(wideAppSets("ocx.xml"));
  EXPECT_EQ(OCXManager::getSingletonPtr(), &manager);
  ASSERT_TRUE(manager.loadList());
  EXPECT_EQ(manager.components().size(), 4u);  // the "ITEM" without "PATH" is skipped
  // The failing one and the missing one do not count; the one without entry point does.
  EXPECT_EQ(manager.registerAll(), 2);
  EXPECT_EQ(calls(), "register failing\nregister ok\n");
  EXPECT_EQ(manager.unregisterAll(), 2);
  EXPECT_EQ(calls(), "register failing\nregister ok\nunregister failing\nunregister ok\n");
  // Reading the list again replaces it rather than registering everything twice.
  ASSERT_TRUE(manager.loadList());
  EXPECT_EQ(manager.components().size(), 4u);
}

TEST_F(Components, EmptyMissingOrDamagedListRegistersNothing) {
  fs::remove(appSets("ocx.xml"));
  OCXManager manager(wideAppSets("ocx.xml"));
  EXPECT_FALSE(manager.loadList());
  EXPECT_EQ(manager.registerAll(), 0);
  vktest::writeFile(appSets("ocx.xml"), "<ROOT/>");
  EXPECT_TRUE(manager.loadList());
  EXPECT_EQ(manager.registerAll(), 0);
  vktest::writeFile(appSets("ocx.xml"), std::string("<ROOT><ITEM PATH=\"") + VK_COMPONENT_OK + "\">");
  EXPECT_FALSE(manager.loadList());
  EXPECT_EQ(manager.registerAll(), 0);
  EXPECT_EQ(calls(), "");
}
