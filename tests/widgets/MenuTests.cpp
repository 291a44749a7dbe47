// The remote-control menus: moving along a level with the arrow keys (wrapping, skipping
// disabled items), entering and leaving pop-ups, OK, the mouse, keeping the focused item on
// screen, and the state the item renderer draws.
#include "WidgetTest.h"
#include "widgets/MenuRURMouse.h"

using CEGUI::Key;
using CEGUI::MenuItemRURMouse;

namespace {

const char* kMenu = R"(
<Window type="DefaultWindow" name="M">
  <Property name="Area" value="{{0,0},{0,0},{1,0},{1,0}}" />
  <Property name="MousePassThroughEnabled" value="true" />
  <Window type="Vokaran/MenubarRUR" name="Bar">
    <Property name="Area" value="{{0,20},{0,20},{0,1400},{0,76}}" />
    <Window type="Vokaran/MenuItemRUR" name="A">
      <Property name="Text" value="Alpha" />
      <Window type="Vokaran/PopupMenuRUR" name="Pop">
        <Window type="Vokaran/MenuItemRUR" name="A1"><Property name="Text" value="One" /></Window>
        <Window type="Vokaran/MenuItemRUR" name="A2"><Property name="Text" value="Two" /><Property name="Disabled" value="true" /></Window>
        <Window type="Vokaran/MenuItemRUR" name="A3"><Property name="Text" value="Three" /></Window>
      </Window>
    </Window>
    <Window type="Vokaran/MenuItemRUR" name="B"><Property name="Text" value="Bravo" /></Window>
    <Window type="Vokaran/MenuItemRUR" name="C"><Property name="Text" value="Charlie" /><Property name="Disabled" value="true" /></Window>
    <Window type="Vokaran/MenuItemRUR" name="D"><Property name="Text" value="Delta" /></Window>
  </Window>
</Window>)";

class Menu : public vktest::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    root_ = loadLayoutText(kMenu);
  }
  MenuItemRURMouse* item(const char* path) {
    return static_cast<MenuItemRURMouse*>(root_->getChild(CEGUI::String("Bar/") + path));
  }
  CEGUI::Window* bar() { return root_->getChild("Bar"); }
  CEGUI::PopupMenu* popup() { return static_cast<CEGUI::PopupMenu*>(root_->getChild("Bar/A/Pop")); }
  // Opens A's pop-up and puts the focus on its first item, as Down on A does.
  void enterPopup() {
    item("A")->activate();
    press(Key::ArrowDown);
  }
  CEGUI::Window* root_ = nullptr;
};

}  // namespace

// Catches: a wrong neighbour, no wrap-around, or a disabled item taking the focus.
TEST_F(Menu, ArrowsMoveAlongTheLevelWrappingAndSkippingDisabledItems) {
  const struct {
    const char* from;
    Key::Scan key;
    const char* to;
  } cases[] = {{"B", Key::ArrowRight, "D"},        {"D", Key::ArrowLeft, "B"},
               {"D", Key::ArrowRight, "A"},        {"A", Key::ArrowLeft, "D"},
               {"A/Pop/A1", Key::ArrowRight, "A/Pop/A3"}, {"A/Pop/A3", Key::ArrowLeft, "A/Pop/A1"},
               {"A/Pop/A3", Key::ArrowRight, "A/Pop/A1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    if (std::string(c.from).rfind("A/Pop/", 0) == 0) enterPopup();
    item(c.from)->activate();
    press(c.key);
    EXPECT_TRUE(item(c.to)->isActive());
    EXPECT_FALSE(item(c.from)->isActive());
  }
}

TEST_F(Menu, RightOnTheLastItemOpensTheFirstItemsPopup) {
  item("D")->activate();
  press(Key::ArrowRight);
  EXPECT_TRUE(item("A")->isActive());
  EXPECT_TRUE(item("A")->isOpened());
  EXPECT_TRUE(popup()->isVisible());
}

TEST_F(Menu, DownEntersThePopupAndUpGivesTheFocusBackToTheBar) {
  item("B")->activate();
  press(Key::ArrowUp);  // the bar has no level above it
  EXPECT_TRUE(item("B")->isActive());
  EXPECT_TRUE(item("B")->isLayer());

  item("A")->activate();
  press(Key::ArrowDown);
  EXPECT_TRUE(item("A/Pop/A1")->isActive());
  EXPECT_TRUE(item("A/Pop/A1")->isLayer());
  EXPECT_TRUE(item("A/Pop/A3")->isLayer());
  EXPECT_FALSE(item("A")->isLayer());  // the bar no longer has the focus look
  EXPECT_FALSE(item("D")->isLayer());

  press(Key::ArrowUp);
  EXPECT_FALSE(item("A/Pop/A1")->isLayer());
  EXPECT_TRUE(item("A")->isLayer());
  EXPECT_TRUE(item("B")->isLayer());
  EXPECT_FALSE(popup()->isActive());
  // The keys reach the bar item again.
  press(Key::ArrowRight);
  EXPECT_TRUE(item("B")->isActive());
}

TEST_F(Menu, DownOpensAClosedPopupBeforeEnteringIt) {
  item("A")->activate();
  item("A")->closePopupMenu();
  press(Key::ArrowDown);
  EXPECT_TRUE(item("A")->isOpened());
  EXPECT_TRUE(item("A/Pop/A1")->isActive());
}

// Catches: OK not reaching the subscribers of the stock clicked event, or the wrong namespace.
TEST_F(Menu, OkFiresTheClickedEventThatItemSubscribersAndTheGlobalSetSee) {
  int clicked = 0;
  int global = 0;
  item("B")->subscribeEvent(CEGUI::MenuItem::EventClicked, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                              ++clicked;
                              return true;
                            }));
  auto connection = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      "MenuItemRURMouse/" + CEGUI::MenuItem::EventClicked, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
        ++global;
        return false;
      }));
  item("B")->activate();
  press(Key::Return);
  press(Key::NumpadEnter);
  EXPECT_EQ(clicked, 2);
  EXPECT_EQ(global, 2);
  connection->disconnect();
}

TEST_F(Menu, AKeyOnTheBarItselfFocusesItsFirstEnabledItem) {
  item("A")->setEnabled(false);
  bar()->activate();
  press(Key::ArrowRight);
  EXPECT_TRUE(item("B")->isActive());
}

TEST_F(Menu, ClickingAnItemFocusesItAndFiresClicked) {
  int clicked = 0;
  item("D")->subscribeEvent(CEGUI::MenuItem::EventClicked, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
                              ++clicked;
                              return true;
                            }));
  shell().clickWindow(item("D"));
  EXPECT_EQ(clicked, 1);
  EXPECT_TRUE(item("D")->isActive());
  EXPECT_TRUE(item("D")->isLayer());
}

TEST_F(Menu, HoveringAPopupItemMovesTheFocusLookIntoThePopup) {
  shell().clickWindow(item("A"));
  ASSERT_TRUE(item("A")->isOpened());
  hover(item("A/Pop/A3"));
  EXPECT_TRUE(item("A/Pop/A3")->isActive());
  EXPECT_TRUE(item("A/Pop/A3")->isLayer());
  EXPECT_FALSE(item("B")->isLayer());
}

// Catches: the focused item left off screen, or the level moved the wrong way.
TEST_F(Menu, TheFocusedItemIsKeptInsideTheMainWindow) {
  const float width = shell().guiContext().getSurfaceSize().d_width;
  bar()->setXPosition(CEGUI::UDim(0, 1200));
  item("D")->activate();
  EXPECT_FLOAT_EQ(item("D")->getUnclippedOuterRect().get().right(), width);
  bar()->setXPosition(CEGUI::UDim(0, -400));
  item("A")->activate();
  EXPECT_FLOAT_EQ(item("A")->getUnclippedOuterRect().get().left(), 0.0f);
}

// ---------------------------------------------------------------------------------------------
// The renderer's state names, with the full look and with a look that has only "Normal".

// Catches: a wrong state name, or a state the look lacks being drawn (nothing at all).
TEST_F(Menu, TheItemStateIsNamedByLevelAndFocusAndFallsBackToNormal) {
  addLooks(R"(<WidgetLook name="Test/MinimalMenuItem">
      <NamedArea name="ContentSize"><Area><Dim type="Width"><AbsoluteDim value="80" /></Dim>
        <Dim type="Height"><AbsoluteDim value="40" /></Dim></Area></NamedArea>
      <StateImagery name="Normal" /></WidgetLook>)");
  const struct {
    bool layer, active, disabled, selected;
    const char* full;
  } cases[] = {{true, true, false, false, "SelectedLayerActived"},
               {true, false, false, false, "SelectedLayerNoActived"},
               {false, true, false, false, "NoSelectedLayerActived"},
               {false, false, false, false, "NoSelectedLayerNoActived"},
               {true, false, true, false, "Disabled"},
               {true, true, false, true, "Selected"}};
  MenuItemRURMouse* b = item("B");
  auto state = [&] {
    return static_cast<CEGUI::FalagardMenuItemRURMouse*>(b->getWindowRenderer())->currentStateName();
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.full);
    b->setLookNFeel("Vokaran/MenuItemRUR");
    if (c.active) {
      b->activate();
    } else {
      item("D")->activate();
    }
    b->setLayer(c.layer);
    b->setEnabled(!c.disabled);
    b->setSelectable(true);
    b->setSelected(c.selected);
    EXPECT_EQ(state(), c.full);
    b->setLookNFeel("Test/MinimalMenuItem");
    EXPECT_EQ(state(), "Normal");
    b->setEnabled(true);
  }
}

TEST_F(Menu, ItemsWithAPopupDrawTheIconOfItsState) {
  auto name = [&](const char* path) {
    return static_cast<CEGUI::FalagardMenuItemRURMouse*>(item(path)->getWindowRenderer())->popupIconName();
  };
  item("A")->closePopupMenu();
  EXPECT_EQ(name("A"), "PopupClosedIcon");
  item("A")->openPopupMenu();
  EXPECT_EQ(name("A"), "PopupOpenIcon");
  EXPECT_EQ(name("B"), "");
}
