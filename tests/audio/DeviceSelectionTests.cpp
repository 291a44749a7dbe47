// The device selection dialog: as many buttons as devices, the two-column focus grid, Return
// choosing a device or pressing a button, the results.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include "AppSet/KeyMap.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "audio/CAudioDevSelWnd.h"

namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kLeft = 203, kRight = 205, kUp = 200, kDown = 208;

class DeviceSelection : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    keyMap_ = std::make_unique<CKeyMap>();
  }
  void open(std::vector<std::wstring> outputs, std::vector<std::wstring> inputs, std::wstring output,
            std::wstring input) {
    page_ = std::make_unique<CAudioDevSelWnd>(std::move(outputs), std::move(inputs), std::move(output),
                                              std::move(input));
    ASSERT_TRUE(page_->attach(sheet()));
    ASSERT_TRUE(page_->loaded());
    page_->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            ++ends_;
                            return true;
                          }));
  }
  CEGUI::Window* w(const char* name) const { return findWindow(CEGUI::String("AudioDevSel/") + name); }
  // The focused window's name.
  std::string focused() const {
    CEGUI::Window* active = w("WaveOut0")->getParent()->getActiveChild();
    return active ? active->getName().c_str() : "";
  }
  std::unique_ptr<CKeyMap> keyMap_;
  std::unique_ptr<CAudioDevSelWnd> page_;
  int ends_ = 0;
};

TEST_F(DeviceSelection, ShowsOneButtonPerDeviceUpToFour) {
  open({L"Speakers", L"HDMI", L"USB Headset"}, {L"USB Headset", L"A", L"B", L"C", L"Fifth"}, L"HDMI", L"USB Headset");
  EXPECT_TRUE(w("WaveOut2")->isVisible());
  EXPECT_FALSE(w("WaveOut3")->isVisible());
  EXPECT_TRUE(w("WaveIn3")->isVisible());
  EXPECT_EQ(w("WaveOut1")->getText(), guiString(L"HDMI"));
  EXPECT_EQ(w("AudioOutName")->getText(), guiString(L"HDMI"));
  EXPECT_EQ(w("AudioInName")->getText(), guiString(L"USB Headset"));
  EXPECT_EQ(focused(), "WaveOut1");  // the output in use
}

// Two columns: the outputs above Apply, the inputs above Close; up and down wrap in a column,
// across keeps the row where the other column has one.
TEST_F(DeviceSelection, ArrowsMoveThroughATwoColumnGrid) {
  open({L"Speakers", L"HDMI", L"USB Headset"}, {L"Built-in Mic"}, L"Speakers", L"Built-in Mic");
  EXPECT_EQ(focused(), "WaveOut0");
  pressKey(kUp);
  EXPECT_EQ(focused(), "BtnApp");  // wraps
  pressKey(kRight);
  EXPECT_EQ(focused(), "BtnClose");
  pressKey(kDown);
  EXPECT_EQ(focused(), "WaveIn0");
  pressKey(kLeft);
  EXPECT_EQ(focused(), "WaveOut0");
  pressKey(kDown);
  pressKey(kDown);
  EXPECT_EQ(focused(), "WaveOut2");
  pressKey(kRight);
  EXPECT_EQ(focused(), "WaveIn0");  // the input column's last device
  pressKey(kDown);
  pressKey(kDown);
  EXPECT_EQ(focused(), "WaveIn0");  // past Close, wrapped
  EXPECT_EQ(ends_, 0);
}

TEST_F(DeviceSelection, ReturnChoosesADeviceAndApplyEndsWithOne) {
  open({L"Speakers", L"HDMI"}, {L"Built-in Mic", L"USB Headset"}, L"Speakers", L"Built-in Mic");
  pressKey(kDown);
  pressKey(kReturn);  // HDMI
  EXPECT_EQ(w("AudioOutName")->getText(), guiString(L"HDMI"));
  pressKey(kRight);
  pressKey(kReturn);  // USB Headset
  EXPECT_EQ(w("AudioInName")->getText(), guiString(L"USB Headset"));
  EXPECT_EQ(ends_, 0);
  pressKey(kLeft);
  pressKey(kDown);
  EXPECT_EQ(focused(), "BtnApp");
  pressKey(kReturn);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page_->result(), 1);
  EXPECT_EQ(page_->chosenOutput(), L"HDMI");
  EXPECT_EQ(page_->chosenInput(), L"USB Headset");
}

TEST_F(DeviceSelection, CloseAndBackEndWithZero) {
  open({L"Speakers"}, {}, L"Speakers", L"");
  EXPECT_FALSE(w("WaveIn0")->isVisible());
  EXPECT_EQ(w("AudioInName")->getText(), guiString(L"（无）"));
  pressKey(kRight);
  EXPECT_EQ(focused(), "BtnClose");  // no inputs: straight to Close
  pressKey(kReturn);
  EXPECT_EQ(ends_, 1);
  EXPECT_EQ(page_->result(), 0);
  open({L"Speakers"}, {L"Mic"}, L"Speakers", L"Mic");
  pressKey(kEscape);  // the key map's Back
  EXPECT_EQ(page_->result(), 0);
}

}  // namespace
