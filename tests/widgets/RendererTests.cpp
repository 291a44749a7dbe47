// The focus-aware renderers (button, radio button, slider, level bar) and the item view: the
// state each draws, with and without the optional imagery, the slider's fill, the level bar's
// click mapping and hover, and the item view's hover, selection and double clicks.
#include <tuple>
#include <algorithm>

#include "WidgetTest.h"
#include "widgets/FalImageRadioButton.h"
#include "widgets/FalagardButtonEx.h"
#include "widgets/FalagardMySlider.h"
#include "widgets/ImageProgressBar.h"
#include "widgets/ItemViewWnd.h"

using CEGUI::Key;

namespace {

// A button look with only the states a minimal look has.
const char* kBareButton = R"(<WidgetLook name="Test/BareButton">
    <StateImagery name="Normal" /><StateImagery name="Disabled" /><StateImagery name="Pushed" />
    <StateImagery name="SelectedNormal" /></WidgetLook>)";

class Renderers : public vktest::WidgetTest {
 protected:
  static CEGUI::String buttonState(CEGUI::Window* w) {
    return static_cast<CEGUI::FalagardButtonEx*>(w->getWindowRenderer())->currentStateName();
  }
  static CEGUI::String radioState(CEGUI::Window* w) {
    return static_cast<CEGUI::FalImageRadioButton*>(w->getWindowRenderer())->drawnStateName();
  }
};

}  // namespace

// Catches: the keyboard focus not showing, or a state the look lacks being drawn (nothing).
TEST_F(Renderers, ButtonFocusShowsAsHoverAndMissingImageryFallsBackToNormal) {
  addLooks(kBareButton);
  CEGUI::Window* full = create("Vokaran/Button", "Full", 100, 100, 200, 60);
  CEGUI::Window* bare = createWithLook("CEGUI/PushButton", "Falagard/ButtonEx", "Test/BareButton");
  bare->setPosition(CEGUI::UVector2(CEGUI::UDim(0, 400), CEGUI::UDim(0, 100)));
  const struct {
    bool focus, pushed, mouseOver, disabled;
    const char* full;
    const char* bare;
  } cases[] = {{true, false, false, false, "Hover", "Normal"},   {false, false, true, false, "Hover", "Normal"},
               {false, false, false, false, "Normal", "Normal"}, {false, true, true, false, "Pushed", "Pushed"},
               {false, true, false, false, "PushedOff", "Normal"}, {true, false, false, true, "Disabled", "Disabled"}};
  for (const auto& c : cases) {
    for (CEGUI::Window* w : {full, bare}) {
      SCOPED_TRACE(w == full ? c.full : c.bare);
      sheet()->activate();
      shell().injectMouseMove(5, 5);
      if (c.pushed) {
        hover(w);
        mouseDown();
      }
      if (c.mouseOver) {
        hover(w);
      } else {
        shell().injectMouseMove(5, 5);
      }
      if (c.focus) w->activate();
      if (c.disabled) w->setEnabled(false);
      EXPECT_EQ(buttonState(w), w == full ? c.full : c.bare);
      if (c.pushed) mouseUp();
      w->setEnabled(true);
    }
  }
}

TEST_F(Renderers, ARadioButtonDrawsTheSelectedVariantOfItsState) {
  addLooks(kBareButton);
  auto* full = create<CEGUI::RadioButton>("Vokaran/ImageRadioButton", "Choice", 100, 100, 280, 60);
  EXPECT_EQ(radioState(full), "Normal");
  full->setSelected(true);
  EXPECT_EQ(radioState(full), "SelectedNormal");
  full->activate();
  EXPECT_EQ(radioState(full), "SelectedHover");
  auto* bare = static_cast<CEGUI::RadioButton*>(
      createWithLook("CEGUI/RadioButton", "Falagard/FalImageRadioButton", "Test/BareButton"));
  bare->setSelected(true);
  bare->activate();
  EXPECT_EQ(radioState(bare), "SelectedNormal");  // no "SelectedHover" in that look
}

// Catches: a fill that ignores the value, overflows the track or shows no focus.
TEST_F(Renderers, SliderPassedFillsTheTrackUpToTheValue) {
  auto* slider = create<CEGUI::Slider>("Vokaran/Slider", "Level", 100, 100, 400, 40);
  auto* renderer = static_cast<CEGUI::FalagardMySlider*>(slider->getWindowRenderer());
  const CEGUI::Rectf track = CEGUI::WidgetLookManager::getSingleton()
                                 .getWidgetLook(slider->getLookNFeel())
                                 .getNamedArea("ThumbTrackArea")
                                 .getArea()
                                 .getPixelRect(*slider);
  for (const auto& [maximum, value, share] :
       {std::tuple{1.0f, 0.5f, 0.5f}, std::tuple{1.0f, 0.0f, 0.0f}, std::tuple{1.0f, 1.0f, 1.0f},
        std::tuple{10.0f, 5.0f, 0.5f}}) {
    SCOPED_TRACE(std::to_string(value) + " of " + std::to_string(maximum));
    slider->setMaxValue(maximum);
    slider->setCurrentValue(value);
    const CEGUI::Rectf passed = renderer->passedClipRect();
    EXPECT_FLOAT_EQ(passed.left(), track.left());
    EXPECT_FLOAT_EQ(passed.getWidth(), track.getWidth() * share);
    EXPECT_FLOAT_EQ(passed.getHeight(), track.getHeight());
  }
  EXPECT_EQ(renderer->currentStateName(), "Normal");
  slider->activate();
  EXPECT_EQ(renderer->currentStateName(), "Hover");
  slider->setEnabled(false);
  EXPECT_EQ(renderer->currentStateName(), "Disabled");
}

// ---------------------------------------------------------------------------------------------
// Level bars

// Catches: clicks mapped upside down, off by the frame, or out of range.
TEST_F(Renderers, AClickSetsTheBarsProgressToTheClickedPoint) {
  const struct {
    bool vertical;
    float fx, fy;  // the click as shares of the bar's size
    float progress;
  } cases[] = {{true, 0.5f, 0.0f, 1.0f},  {true, 0.5f, 1.0f, 0.0f},  {true, 0.5f, 0.25f, 0.75f},
               {false, 0.0f, 0.5f, 0.0f}, {false, 1.0f, 0.5f, 1.0f}, {false, 0.4f, 0.5f, 0.4f}};
  auto* vertical = create<CEGUI::ImageProgressBar>("Vokaran/VertImageProgressBar", "V", 200, 200, 30, 400);
  auto* horizontal = create<CEGUI::ImageProgressBar>("Vokaran/ImageProgressBar", "H", 300, 200, 400, 30);
  ASSERT_TRUE(vertical->isVerticalProgress());
  ASSERT_FALSE(horizontal->isVerticalProgress());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.fx) + ", " + std::to_string(c.fy));
    CEGUI::ImageProgressBar* bar = c.vertical ? vertical : horizontal;
    bar->setProgress(0.3f);
    const CEGUI::Rectf area = bar->getUnclippedOuterRect().get();
    // The far edges are the last pixel inside the bar.
    shell().injectMouseMove(std::min(area.left() + area.getWidth() * c.fx, area.right() - 0.001f),
                            std::min(area.top() + area.getHeight() * c.fy, area.bottom() - 0.001f));
    mouseDown();
    mouseUp();
    EXPECT_NEAR(bar->getProgress(), c.progress, 1e-3);
  }
}

TEST_F(Renderers, ABarWithoutAreaKeepsItsProgressOnAClick) {
  auto* bar = create<CEGUI::ImageProgressBar>("Vokaran/ImageProgressBar", "Bar", 200, 200, 0, 30);
  bar->setProgress(0.3f);
  EXPECT_FALSE(bar->progressAtPoint(CEGUI::Vector2f(200, 210)).has_value());
}

TEST_F(Renderers, ABarShowsItsHoverLookUnderTheMouseAndWithTheFocus) {
  auto* bar = create<CEGUI::ImageProgressBar>("Vokaran/ImageProgressBar", "Bar", 200, 200, 400, 30);
  auto* renderer = static_cast<CEGUI::FalagardImageProgressBar*>(bar->getWindowRenderer());
  EXPECT_EQ(renderer->currentStateName(), "Enabled");
  hover(bar);
  EXPECT_EQ(renderer->currentStateName(), "Hover");
  shell().injectMouseMove(5, 5);
  EXPECT_EQ(renderer->currentStateName(), "Enabled");
  bar->activate();
  EXPECT_EQ(renderer->currentStateName(), "Hover");
  bar->deactivate();
  EXPECT_FALSE(bar->isHovering());

  addLooks(R"(<WidgetLook name="Test/BareBar">
      <NamedArea name="ProgressArea"><Area><Dim type="LeftEdge"><AbsoluteDim value="0" /></Dim>
        <Dim type="TopEdge"><AbsoluteDim value="0" /></Dim><Dim type="Width"><AbsoluteDim value="100" /></Dim>
        <Dim type="Height"><AbsoluteDim value="10" /></Dim></Area></NamedArea>
      <StateImagery name="Enabled" /><StateImagery name="Disabled" />
      <StateImagery name="EnabledProgress" /><StateImagery name="DisabledProgress" /></WidgetLook>)");
  bar->setLookNFeel("Test/BareBar");
  bar->activate();
  EXPECT_TRUE(bar->isHovering());
  EXPECT_EQ(renderer->currentStateName(), "Enabled");
}

// Catches: the progress imagery clipped from the wrong end.
TEST_F(Renderers, TheProgressImageryCoversTheProgressFromTheRightEnd) {
  auto* bar = create<CEGUI::ImageProgressBar>("Vokaran/ImageProgressBar", "Bar", 0, 0, 100, 100);
  auto* renderer = static_cast<CEGUI::FalagardImageProgressBar*>(bar->getWindowRenderer());
  bar->setProgress(0.25f);
  const struct {
    bool vertical, reversed;
    CEGUI::Rectf expected;  // the 100 x 100 progress area at 0.25
  } cases[] = {{true, false, CEGUI::Rectf(0, 75, 100, 100)}, {true, true, CEGUI::Rectf(0, 0, 100, 25)},
               {false, false, CEGUI::Rectf(0, 0, 25, 100)}, {false, true, CEGUI::Rectf(75, 0, 100, 100)}};
  for (const auto& c : cases) {
    bar->setProperty("VerticalProgress", c.vertical ? "true" : "false");
    bar->setProperty("ReversedProgress", c.reversed ? "true" : "false");
    EXPECT_EQ(renderer->progressClipRect(), c.expected) << c.vertical << c.reversed;
  }
}

// ---------------------------------------------------------------------------------------------
// Item views

TEST_F(Renderers, AnItemViewTracksTheMouseOverItselfAndItsChildren) {
  auto* view = create<CEGUI::ItemViewWnd>("Vokaran/ItemView", "Tile", 100, 100, 300, 200);
  CEGUI::Window* picture = create("DefaultWindow", "Picture", 20, 20, 100, 100, view);
  hover(view, 0.9f, 0.9f);
  EXPECT_TRUE(view->isHovering());
  hover(picture);
  EXPECT_TRUE(view->isHovering());  // moving onto a child keeps the hover
  hover(view, 0.9f, 0.9f);
  EXPECT_TRUE(view->isHovering());
  shell().injectMouseMove(5, 5);
  EXPECT_FALSE(view->isHovering());
}

TEST_F(Renderers, ClicksSelectTheItemViewAndAnnounceEachChange) {
  auto* view = create<CEGUI::ItemViewWnd>("Vokaran/ItemView", "Tile", 100, 100, 300, 200);
  CEGUI::Window* picture = create("DefaultWindow", "Picture", 20, 20, 100, 100, view);
  int changes = 0;
  view->subscribeEvent(CEGUI::ItemViewWnd::EventItemSelectChanged, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
                         EXPECT_EQ(static_cast<const CEGUI::WindowEventArgs&>(a).window, view);
                         ++changes;
                         return true;
                       }));
  // Back-to-back test clicks would count as a double click.
  picture->setWantsMultiClickEvents(false);
  view->setWantsMultiClickEvents(false);
  shell().clickWindow(picture);  // a child click toggles
  EXPECT_TRUE(view->isSelected());
  shell().clickWindow(picture);
  EXPECT_FALSE(view->isSelected());
  hover(view, 0.9f, 0.9f);  // a click on the view itself selects
  mouseDown();
  mouseUp();
  mouseDown();
  mouseUp();
  EXPECT_TRUE(view->isSelected());
  EXPECT_EQ(changes, 3);
  view->setSelected(true);
  EXPECT_EQ(changes, 3);  // no change, no event
}

TEST_F(Renderers, AChildsDoubleClickIsTheItemViewsDoubleClick) {
  auto* view = create<CEGUI::ItemViewWnd>("Vokaran/ItemView", "Tile", 100, 100, 300, 200);
  CEGUI::Window* picture = create("DefaultWindow", "Picture", 20, 20, 100, 100, view);
  int onView = 0;
  int global = 0;
  view->subscribeEvent(CEGUI::Window::EventMouseDoubleClick, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
                         EXPECT_EQ(static_cast<const CEGUI::WindowEventArgs&>(a).window, view);
                         ++onView;
                         return true;
                       }));
  auto connection = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      "ItemViewWnd/" + CEGUI::Window::EventMouseDoubleClick, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs&) {
        ++global;
        return false;
      }));
  CEGUI::MouseEventArgs args(picture);
  args.button = CEGUI::LeftButton;
  picture->fireEvent(CEGUI::Window::EventMouseDoubleClick, args);
  EXPECT_EQ(onView, 1);
  EXPECT_EQ(global, 1);
  // A child taken out of the view no longer speaks for it.
  view->removeChild(picture);
  sheet()->addChild(picture);
  picture->fireEvent(CEGUI::Window::EventMouseDoubleClick, args);
  EXPECT_EQ(onView, 1);
  connection->disconnect();
}

TEST_F(Renderers, AnItemViewDrawsOnlyTheLooksItHas) {
  addLooks(R"(<WidgetLook name="Test/BareView"><StateImagery name="Selected" /></WidgetLook>)");
  auto* view = static_cast<CEGUI::ItemViewWnd*>(
      createWithLook("CEGUI/ItemViewWnd", "Falagard/FalaItemView", "Test/BareView"));
  view->setSelected(true);
  hover(view);
  EXPECT_NO_THROW(view->render());
}
