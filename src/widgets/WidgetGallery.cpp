#include "widgets/WidgetGallery.h"

#include <CEGUI/CEGUI.h>

#include "widgets/ImageProgressBar.h"
#include "widgets/ItemViewWnd.h"
#include "widgets/ListItems.h"
#include "widgets/MenuRURMouse.h"
#include "widgets/MultiColumnListEx.h"

namespace CEGUI {

// Draws one state imagery of the window's look, named by the user string "State", and then
// the one named by "Overlay" when given. Used only by the gallery's still pictures.
class GalleryStatePreview : public WindowRenderer {
 public:
  static const String TypeName;
  explicit GalleryStatePreview(const String& type) : WindowRenderer(type) {}
  void render() override {
    const WidgetLookFeel& look = getLookNFeel();
    for (const char* key : {"State", "Overlay"}) {
      if (!d_window->isUserStringDefined(key)) continue;
      const String& state = d_window->getUserString(key);
      if (look.isStateImageryPresent(state)) look.getStateImagery(state).render(*d_window);
    }
  }
};

const String GalleryStatePreview::TypeName("Gallery/StatePreview");

}  // namespace CEGUI

namespace {

using CEGUI::String;
using CEGUI::Window;

String utf8(const char* text) { return String(reinterpret_cast<const CEGUI::utf8*>(text)); }

CEGUI::URect pixels(float x, float y, float w, float h) {
  return CEGUI::URect(CEGUI::UDim(0, x), CEGUI::UDim(0, y), CEGUI::UDim(0, x + w), CEGUI::UDim(0, y + h));
}

Window* make(const String& type, Window* parent, float x, float y, float w, float h) {
  Window* window = CEGUI::WindowManager::getSingleton().createWindow(type);
  window->setArea(pixels(x, y, w, h));
  parent->addChild(window);
  return window;
}

// The page uses few fonts: each font rasterises its own glyph pages before the first frame.
Window* label(Window* parent, float x, float y, float w, float h, const char* text,
              const String& font = "MSYH_20", const String& colour = "FF8A93B8") {
  Window* window = make("TaharezLook/StaticText", parent, x, y, w, h);
  window->setText(utf8(text));
  window->setFont(font);
  window->setProperty("FrameEnabled", "false");
  window->setProperty("BackgroundEnabled", "false");
  window->setProperty("TextColours", "tl:" + colour + " tr:" + colour + " bl:" + colour + " br:" + colour);
  window->setMousePassThroughEnabled(true);
  return window;
}

Window* panel(Window* parent, float x, float y, float w, float h, const char* title) {
  Window* window = make("Vokaran/Panel", parent, x, y, w, h);
  label(window, 20, 6, w - 40, 34, title, "MSYH_20", "FFFFE08F");
  return window;
}

// A still picture of `state` of `look`, with `text` as the window's text.
Window* still(Window* parent, const String& look, const String& state, float x, float y, float w, float h,
              const char* text = "", const String& overlay = "") {
  Window* window = CEGUI::WindowManager::getSingleton().createWindow("DefaultWindow");
  window->setWindowRenderer(CEGUI::GalleryStatePreview::TypeName);
  window->setLookNFeel(look);
  window->setArea(pixels(x, y, w, h));
  window->setText(utf8(text));
  window->setUserString("State", state);
  if (!overlay.empty()) window->setUserString("Overlay", overlay);
  window->setMousePassThroughEnabled(true);
  parent->addChild(window);
  return window;
}

void keyImages(Window* key, const String& name) {
  key->setProperty("NormalImage", "Search_2/Key_" + name + "_Normal");
  key->setProperty("HoverImage", "Search_1/Key_" + name + "_Over");
  key->setProperty("PushedImage", "Search_1/Key_" + name + "_Over");
  key->setProperty("DisabledImage", "Search_2/Key_" + name + "_Normal");
}

void buttonImages(Window* button, const String& normal, const String& hover, const String& pushed) {
  button->setProperty("NormalImage", normal);
  button->setProperty("HoverImage", hover);
  button->setProperty("PushedImage", pushed);
  button->setProperty("DisabledImage", normal);
}

// ---------------------------------------------------------------------------------------------

void menus(Window* page) {
  Window* p = panel(page, 16, 10, 464, 460, "菜单  Menus");
  Window* bar = make("Vokaran/MenubarRUR", p, 16, 44, 432, 56);
  bar->setFont("MSYH_24");
  Window* current = make("Vokaran/MenuItemRUR", bar, 0, 0, 10, 10);
  current->setText(utf8("擂台"));
  current->disable();  // the current section
  Window* practice = make("Vokaran/MenuItemRUR", bar, 0, 0, 10, 10);
  practice->setText(utf8("练歌房"));
  Window* sub = make("Vokaran/PopupMenuRUR", practice, 0, 0, 10, 10);
  make("Vokaran/MenuItemRUR", sub, 0, 0, 10, 10)->setText(utf8("点歌"));
  Window* works = make("Vokaran/MenuItemRUR", bar, 0, 0, 10, 10);
  works->setText(utf8("作品"));

  label(p, 20, 104, 420, 26, "菜单项的状态  item states");
  const struct {
    const char* state;
    const char* text;
  } states[] = {{"SelectedLayerActived", "焦点"},    {"SelectedLayerNoActived", "同层"},
                {"NoSelectedLayerActived", "路径"},  {"NoSelectedLayerNoActived", "他层"},
                {"Disabled", "当前栏目"},            {"Selected", "选中"}};
  for (int i = 0; i < 6; ++i) {
    Window* w = still(p, "Vokaran/MenuItemRUR", states[i].state, 16 + (i % 3) * 146, 136 + (i / 3) * 62, 140, 56,
                      states[i].text, i == 2 ? "PopupOpenIcon" : "");
    w->setFont("MSYH_24");
  }

  label(p, 20, 264, 420, 26, "弹出菜单  pop-up");
  Window* popup = make("Vokaran/PopupMenuRUR", p, 16, 294, 200, 90);
  popup->setFont("MSYH_20");
  for (const char* text : {"已点歌曲", "搜索"}) make("Vokaran/MenuItemRUR", popup, 0, 0, 10, 10)->setText(utf8(text));
  static_cast<CEGUI::PopupMenu*>(popup)->openPopupMenu(false);
  still(p, "Vokaran/MenuItemRUR", "SelectedLayerActived", 236, 304, 206, 56, "点歌", "PopupClosedIcon")
      ->setFont("MSYH_20");
}

void practiceTiles(Window* page) {
  Window* p = panel(page, 16, 480, 464, 336, "练歌房菜单  Practice tiles");
  const char* columns[] = {"焦点 focus", "同层 level", "他层 other"};
  const char* states[] = {"SelectedLayerActived", "SelectedLayerNoActived", "NoSelectedLayerNoActived"};
  const char* colours[] = {"Green", "Yellow", "Purple"};
  const char* texts[] = {"热门歌曲", "歌手", "拼音"};
  for (int c = 0; c < 3; ++c) label(p, 16 + c * 147, 40, 139, 24, columns[c], "MSYH_20");
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      Window* tile = still(p, "TaharezLook/MenuItemRUR", states[c], 16 + c * 147, 68 + r * 66, 139, 58, texts[r]);
      tile->setFont("MSYH_20");
      const String set = String("NetMenu/") + colours[r] + "SmallFrame_";
      tile->setProperty("NormalBGImage", set + "Normal");
      tile->setProperty("HoverBGImage", set + "Hover");
      tile->setProperty("PushedBGImage", set + "Hover");
      tile->setProperty("NoActiveLayerBGImage", set + "Disable");
    }
  }
  Window* large = still(p, "TaharezLook/MenuItemRUR", "SelectedLayerActived", 16, 272, 200, 56, "按歌名字数",
                        "PopupClosedIcon");
  large->setFont("MSYH_20");
  large->setProperty("FrameImage", "NetMenu/LargeFrame");
  Window* disabled = still(p, "TaharezLook/MenuItemRUR", "Disabled", 232, 272, 139, 56, "停用");
  disabled->setFont("MSYH_20");
}

void songGrid(Window* page) {
  Window* p = panel(page, 488, 10, 464, 460, "歌曲列表  Song grid");
  auto* title = make("TaharezLook/StaticImage", p, 72, 40, 320, 64);
  title->setProperty("Image", "SongListTille/SING");
  title->setProperty("FrameEnabled", "false");
  title->setProperty("BackgroundEnabled", "false");

  auto* grid = static_cast<CEGUI::MultiColumnListEx*>(make("Vokaran/MultiColumnListEx", p, 16, 112, 432, 288));
  grid->setSelectionMode(CEGUI::MultiColumnList::CellSingle);
  grid->addColumn("", 0, CEGUI::UDim(0.5f, 0));
  grid->addColumn("", 1, CEGUI::UDim(0.5f, 0));
  grid->fillPages(3);
  const CEGUI::Image* normal = &CEGUI::ImageManager::getSingleton().get("PK0/SongListItemBK_Normal");
  const CEGUI::Image* hover = &CEGUI::ImageManager::getSingleton().get("PK0/SongListItemBK_Hover");
  const char* songs[][2] = {{"星河的约定", "林小雨"}, {"夏夜晚风", "陈一鸣"},
                            {"那年夏天我们在海边唱过的每一首歌", "合唱团"}, {"追光的人", "周北"},
                            {"小城故事多", "白茶"}};
  for (unsigned i = 0; i < 5; ++i) {
    CEGUI::ListColumnText song(utf8(songs[i][0]), 0.64f, 0.06f);
    song.fontName = "MSYH_24";
    song.normalColours = CEGUI::ColourRect(CEGUI::Colour(0xFFFFDD00));
    song.selectedColours = CEGUI::ColourRect(CEGUI::Colour(1.0f, 0.87f, 0.0f, 1.0f));
    CEGUI::ListColumnText singer(utf8(songs[i][1]), 0.28f, 0.70f);
    singer.normalColours = singer.selectedColours = CEGUI::ColourRect(CEGUI::Colour(0xB0FFFFFF));
    singer.fontName = "MSYH_20";
    auto* item = new CEGUI::CListItemEx({song, singer});
    item->setHeight(96.0f);
    item->setNormalBrushImage(normal);
    item->setSelectionBrushImage(hover);
    grid->setItem(item, CEGUI::MCLGridRef(i / 2, i % 2));
  }
  grid->setEmptyItem(1, 2, normal);
  grid->selectCell(1, 0);
  label(p, 20, 410, 420, 40, "选中 · 裁剪 · 空位", "MSYH_20");
}

void buttons(Window* page) {
  Window* p = panel(page, 488, 480, 464, 336, "按钮  Buttons");
  const struct {
    const char* state;
    const char* text;
  } states[] = {{"Normal", "普通"}, {"Hover", "焦点"}, {"Pushed", "按下"}, {"Disabled", "停用"}};
  for (int i = 0; i < 4; ++i)
    still(p, "Vokaran/Button", states[i].state, 16 + i * 108, 44, 100, 52, states[i].text)->setFont("MSYH_20");

  float x = 16;
  for (const char* key : {"1", "A"}) {
    Window* k = make("TaharezLook/ImageButtonEx", p, x, 108, 80, 64);
    keyImages(k, key);
    x += 88;
  }
  Window* focusKey = still(p, "TaharezLook/ImageButtonEx", "Hover", x, 108, 80, 64);
  keyImages(focusKey, "K");
  Window* del = make("TaharezLook/ImageButtonEx", p, x + 88, 108, 160, 64);
  keyImages(del, "Del");
  Window* ok = make("TaharezLook/ImageButtonEx", p, 16, 184, 150, 56);
  buttonImages(ok, "PK/Ok_Normal", "PK/Ok_Hover", "PK/Ok_Down");
  Window* pause = make("TaharezLook/ImageButtonEx", p, 174, 188, 128, 48);
  buttonImages(pause, "PK0/PauseEllipse_Normal", "PK0/PauseEllipse_Hover", "PK0/PauseEllipse_Down");
  Window* upload = still(p, "TaharezLook/ImageButtonEx", "Hover", 312, 188, 128, 48);
  buttonImages(upload, "PK0/UpLoadEllipse_Normal", "PK0/UpLoadEllipse_Hover", "PK0/UpLoadEllipse_Down");
  Window* play = make("TaharezLook/ImageButtonEx", p, 16, 254, 72, 72);
  buttonImages(play, "PK/Play_Normal", "PK/Play_Hover", "PK/Play_Hover");
  Window* pauseRound = still(p, "TaharezLook/ImageButtonEx", "Hover", 96, 254, 72, 72);
  buttonImages(pauseRound, "PK/Pause_Normal", "PK/Pause_Hover", "PK/Pause_Hover");
  Window* tab = make("TaharezLook/ImageButtonEx", p, 184, 262, 124, 36);
  buttonImages(tab, "PK/WaitUpLoad_Hover", "PK/WaitUpLoad_Hover", "PK/WaitUpLoad_Hover");
  Window* tab2 = make("TaharezLook/ImageButtonEx", p, 316, 262, 124, 36);
  buttonImages(tab2, "PK/HasUpLoad_Normal", "PK/HasUpLoad_Hover", "PK/HasUpLoad_Hover");
}

void choicesAndSliders(Window* page) {
  Window* p = panel(page, 960, 10, 464, 460, "选项与滑块  Choices and sliders");
  const char* choices[] = {"我的音调", "男调", "女调"};
  for (int i = 0; i < 3; ++i) {
    if (i == 1) {
      still(p, "Vokaran/ImageRadioButton", "Hover", 16, 44 + i * 66, 280, 60, choices[i])->setFont("MSYH_20");
      continue;
    }
    auto* choice = static_cast<CEGUI::RadioButton*>(make("Vokaran/ImageRadioButton", p, 16, 44 + i * 66, 280, 60));
    choice->setText(utf8(choices[i]));
    choice->setFont("MSYH_20");
    choice->setGroupID(7);
    if (i == 0) choice->setSelected(true);
  }
  still(p, "Vokaran/ImageRadioButton", "SelectedHover", 304, 44, 144, 60, "焦点")->setFont("MSYH_20");

  label(p, 20, 250, 420, 26, "滑块：普通 · 焦点  sliders", "MSYH_20");
  auto* slider = static_cast<CEGUI::Slider*>(make("Vokaran/Slider", p, 16, 280, 432, 40));
  slider->setCurrentValue(0.35f);
  auto* focused = static_cast<CEGUI::Slider*>(make("Vokaran/Slider", p, 16, 324, 432, 40));
  focused->setName("FocusedSlider");
  focused->setCurrentValue(0.7f);

  label(p, 20, 370, 420, 26, "音量条：普通 · 停用  level bars", "MSYH_20");
  auto* level = static_cast<CEGUI::ProgressBar*>(make("Vokaran/ImageProgressBar", p, 16, 402, 210, 20));
  level->setProgress(0.65f);
  auto* off = static_cast<CEGUI::ProgressBar*>(make("Vokaran/ImageProgressBar", p, 238, 402, 210, 20));
  off->setProgress(0.4f);
  off->disable();
}

void levelsAndTiles(Window* page) {
  Window* p = panel(page, 960, 480, 464, 336, "音量条与作品  Level bars and tiles");
  const char* bars[] = {"Progress_vol", "Progress_Accompany", "Progress_MIC", "ProgressMelody", "ProgressECHO"};
  const float values[] = {0.8f, 0.55f, 0.35f, 0.6f, 0.25f};
  for (int i = 0; i < 5; ++i) {
    auto* bar = static_cast<CEGUI::ProgressBar*>(make("Vokaran/VertImageProgressBar", p, 48 + i * 88, 44, 24, 130));
    bar->setProgress(values[i]);
    if (i == 1) bar->setName("HoveredLevel");
    if (i == 4) bar->disable();
    auto* name = make("TaharezLook/StaticImage", p, 16 + i * 88, 180, 88, 30);
    name->setProperty("Image", String("DirUdeZud/AudioSetup/") + bars[i] + (i == 1 ? "1_Over" : "1_Nomal"));
    name->setProperty("FrameEnabled", "false");
    name->setProperty("BackgroundEnabled", "false");
  }
  const char* tiles[] = {"选中", "普通", "悬停"};
  for (int i = 0; i < 3; ++i) {
    Window* tile = i == 2 ? still(p, "Vokaran/ItemView", "Hover", 16 + i * 146, 226, 138, 96)
                          : make("Vokaran/ItemView", p, 16 + i * 146, 226, 138, 96);
    auto* mic = make("TaharezLook/StaticImage", tile, 45, 8, 48, 48);
    mic->setProperty("Image", "Vokaran/Mic");
    mic->setProperty("FrameEnabled", "false");
    mic->setProperty("BackgroundEnabled", "false");
    label(tile, 0, 58, 138, 30, tiles[i], "MSYH_20", "FFE8ECFF")->setProperty("HorzFormatting", "CentreAligned");
    if (i == 0) static_cast<CEGUI::ItemViewWnd*>(tile)->setSelected(true);
  }
}

}  // namespace

Window* createWidgetGallery() {
  auto& renderers = CEGUI::WindowRendererManager::getSingleton();
  if (!renderers.isFactoryPresent(CEGUI::GalleryStatePreview::TypeName))
    renderers.addFactory<CEGUI::TplWindowRendererFactory<CEGUI::GalleryStatePreview>>();

  Window* page = CEGUI::WindowManager::getSingleton().createWindow("DefaultWindow", "WidgetGallery");
  page->setArea(CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(0, 74), CEGUI::UDim(1, 0), CEGUI::UDim(1, 0)));
  menus(page);
  practiceTiles(page);
  songGrid(page);
  buttons(page);
  choicesAndSliders(page);
  levelsAndTiles(page);
  return page;
}

void focusWidgetGallery(Window* gallery) {
  if (Window* slider = gallery->getChildRecursive("FocusedSlider")) slider->activate();
  if (Window* level = gallery->getChildRecursive("HoveredLevel")) {
    const CEGUI::Rectf area = level->getUnclippedOuterRect().get();
    level->getGUIContext().injectMousePosition(area.left() + area.getWidth() / 2, area.top() + area.getHeight() / 2);
  }
}
