// Registration of the program's window types and renderers, and the looks of the scheme that
// use them.
#include <functional>
#include <vector>

#include "WidgetTest.h"
#include "widgets/ImageProgressBar.h"
#include "widgets/WidgetGallery.h"
#include "widgets/WidgetRegistration.h"

namespace {

class Registration : public vktest::WidgetTest {};

const char* kGridLayout = R"(<Window type="CEGUI/MultiColumnListEx" name="Grid">
    <Property name="Area" value="{{0,0},{0,0},{0,100},{0,100}}" /></Window>)";

}  // namespace

// Catches: a type or renderer missing, registered under another name, or out of order.
TEST_F(Registration, TypesAndRenderersAreRegisteredOnceInTheFixedOrder) {
  const std::vector<std::string> expected = {
      "Created WindowFactory for 'CEGUI/ImageProgressBar' windows.",
      "Created WindowRendererFactory for 'FalagardImageProgressBar' WindowRenderers.",
      "Created WindowFactory for 'CEGUI/MenuItemRURMouse' windows.",
      "Created WindowFactory for 'CEGUI/MenubarRURMouse' windows.",
      "Created WindowFactory for 'CEGUI/PopupMenuRURMouse' windows.",
      "Created WindowRendererFactory for 'Falagard/MenuItemRURMouse' WindowRenderers.",
      "Created WindowFactory for 'CEGUI/MelodyWnd' windows.",
      "Created WindowRendererFactory for 'Falagard/MelodyWnd' WindowRenderers.",
      "Created WindowRendererFactory for 'Falagard/FalImageRadioButton' WindowRenderers.",
      "Created WindowFactory for 'CEGUI/ItemViewWnd' windows.",
      "Created WindowRendererFactory for 'Falagard/FalaItemView' WindowRenderers.",
      "Created WindowFactory for 'CEGUI/VideoWnd' windows.",
      "Created WindowRendererFactory for 'Falagard/VideoRender' WindowRenderers.",
      "Created WindowFactory for 'CEGUI/MultiColumnListEx' windows.",
      "Created WindowRendererFactory for 'Falagard/ButtonEx' WindowRenderers.",
      "Created WindowRendererFactory for 'Falagard/MySlider' WindowRenderers.",
  };
  registerWidgets();  // a second call adds nothing
  const std::string log = install_.log();
  size_t at = 0;
  for (const std::string& line : expected) {
    const size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line;
    EXPECT_EQ(log.find(line, found + 1), std::string::npos) << "twice: " << line;
    at = found;
  }
}

TEST_F(Registration, ALayoutNamingTheGridLoadsOnlyOnceItsTypeIsRegistered) {
  CEGUI::WindowFactoryManager::getSingleton().removeFactory("CEGUI/MultiColumnListEx");
  EXPECT_THROW(loadLayoutText(kGridLayout), CEGUI::InvalidRequestException);
  registerWidgets();
  CEGUI::Window* grid = nullptr;
  ASSERT_NO_THROW(grid = loadLayoutText(kGridLayout));
  EXPECT_EQ(grid->getType(), "CEGUI/MultiColumnListEx");
}

// Catches: a look naming an image that no imageset has, or a state the renderer cannot draw.
TEST_F(Registration, EveryOwnLookDrawsEveryStateWithTheSchemesImagery) {
  const std::vector<CEGUI::String> types = {
      "Vokaran/MenubarRUR", "Vokaran/MenuItemRUR", "Vokaran/PopupMenuRUR", "TaharezLook/MenubarRUR",
      "TaharezLook/MenuItemRUR", "TaharezLook/PopupMenuRUR", "TaharezLook/ImageButtonEx",
      "Vokaran/ImageRadioButton", "Vokaran/Slider", "Vokaran/ImageProgressBar", "Vokaran/VertImageProgressBar",
      "Vokaran/MultiColumnListEx", "Vokaran/ItemView"};
  auto& windows = CEGUI::WindowManager::getSingleton();
  for (const CEGUI::String& type : types) {
    CEGUI::Window* w = windows.createWindow(type);
    w->setArea(CEGUI::URect(CEGUI::UDim(0, 10), CEGUI::UDim(0, 10), CEGUI::UDim(0, 300), CEGUI::UDim(0, 90)));
    w->setText("歌");
    sheet()->addChild(w);
    const CEGUI::WidgetLookFeel& look = CEGUI::WidgetLookManager::getSingleton().getWidgetLook(w->getLookNFeel());
    for (const CEGUI::String& state : look.getStateImageryNames())
      EXPECT_NO_THROW(look.getStateImagery(state).render(*w)) << type << " " << state;
    EXPECT_NO_THROW(w->render()) << type;
  }
}

TEST_F(Registration, TheImagesetsHoldTheImagesTheScreensName) {
  const std::vector<CEGUI::String> names = {
      "PK/Ok_Normal", "PK/Ok_Hover", "PK/Ok_Down", "PK/Play_Normal", "PK/Pause_Hover", "PK/RadioBtn_Normal",
      "PK/RadioBtn_Hover", "PK/UploadListItem_Normal", "PK/WaitUpLoad_Hover", "PK/HasUpLoad_Normal",
      "PK0/PauseEllipse_Down", "PK0/UpLoadEllipse_Hover", "PK0/SongListItemBK_Normal", "PK0/SongListItemBK_Hover",
      "PK0/ComboxEditBK_Hover", "PK1/Red_Arrow", "PK1/Yellow_Arrow", "PK1/Green_Arrow", "PK1/BK",
      "PK1/LineLeft_Normal", "PK1/LineMid_Hover", "PK1/LineRight_Hover", "PK1/Header", "PK1/HeaderOver",
      "PK1/SangBK", "PK1/SangBKSmallRect", "NetMenu/GreenSmallFrame_Hover", "NetMenu/YellowSmallFrame_Disable",
      "NetMenu/PurpleSmallFrame_Normal", "NetMenu/MediumFrame", "NetMenu/LargeFrame", "Menu2/MenuBarBK_Middle",
      "Menu2/MenuBarBK_Right", "DirUdeZud/AudioEffectBK_Over", "DirUdeZud/Stat4_Normal", "DirUdeZud/Stat1_Over",
      "DirUdeZud/StatBK/StatName_Nomal", "DirUdeZud/StatBK/StatName_Over",
      "DirUdeZud/AudioSetup/Progress_vol1_Over", "DirUdeZud/AudioSetup/ProgressDepth1_Nomal",
      "Search_1/Key_1_Over", "Search_1/Key_Z_Over", "Search_1/Key_Del_Over", "Search_2/Key_0_Normal",
      "Search_2/Key_Del_Normal", "SongListTille/SING", "SongListTille/SANG", "SongListTille/SearchResult",
      "list/WordsCountItemBK_Selected"};
  for (const CEGUI::String& name : names) EXPECT_TRUE(CEGUI::ImageManager::getSingleton().isDefined(name)) << name;
}

// Catches: a gallery that no longer builds after a look or a widget changed.
TEST_F(Registration, TheWidgetGalleryBuildsWithEveryWidget) {
  CEGUI::Window* gallery = createWidgetGallery();
  sheet()->addChild(gallery);
  focusWidgetGallery(gallery);
  EXPECT_TRUE(gallery->getChildRecursive("FocusedSlider")->isActive());
  EXPECT_TRUE(static_cast<CEGUI::ImageProgressBar*>(gallery->getChildRecursive("HoveredLevel"))->isHovering());
  for (const char* type : {"Vokaran/MenubarRUR", "Vokaran/MenuItemRUR", "Vokaran/PopupMenuRUR",
                           "Vokaran/MultiColumnListEx", "Vokaran/ImageProgressBar", "Vokaran/VertImageProgressBar",
                           "Vokaran/ItemView", "Vokaran/Slider", "Vokaran/ImageRadioButton",
                           "TaharezLook/ImageButtonEx"}) {
    bool found = false;
    std::function<void(CEGUI::Window*)> walk = [&](CEGUI::Window* w) {
      found = found || w->getType() == type;
      for (size_t i = 0; i < w->getChildCount(); ++i) walk(w->getChildAtIdx(i));
    };
    walk(gallery);
    EXPECT_TRUE(found) << type;
  }
}
