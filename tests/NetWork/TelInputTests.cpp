// The phone number form: the checks of the number, the two messages, and the packet that
// reaches the service for the logged-in user.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "AppSet/KeyMap.h"
#include "NetTestSupport.h"
#include "NetWork/NetworkInterface.h"
#include "TestSupport.h"
#include "app/AppEventArgs.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "dialogs/CTelInputWnd.h"

namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kUp = 200, kDown = 208;

class TelInput : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
    tips_ = std::make_unique<CInfoTipManager>();
  }
  void TearDown() override {
    page_.reset();
    tips_.reset();
    net_.reset();
    GuiTest::TearDown();
  }
  CTelInputWnd& open(const std::wstring& userId = L"10001") {
    page_ = std::make_unique<CTelInputWnd>(L"demo@vokaran.example", userId);
    page_->attach(sheet());
    return *page_;
  }
  void type(const std::wstring& first, const std::wstring& second) {
    findWindow("TelInputWnd/TelEditBox")->setText(guiString(first));
    findWindow("TelInputWnd/TelAgainEditBox")->setText(guiString(second));
  }
  std::wstring notice() {
    CEGUI::Window* text = findWindow("InfoTipWnd/Text");
    return text ? wideFromGui(text->getText()) : L"";
  }
  // The user's phone number as the service now holds it.
  std::wstring serviceNumber() {
    std::wstring number = L"?";
    auto c = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
        EventNames::global(EventNames::GetUserSpecialInfo), CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
          number = static_cast<const UserSpecailInfoEventArgs&>(a).user.Telphone;
          return false;
        }));
    net_->RequestUserInfo();
    shell().pumpUntil([&] { return number != L"?"; }, 30000);
    c->disconnect();
    return number;
  }
  // The form sends without waiting, and the library may send the next request on another
  // connection first: the number is read again until the service holds `expected` (or a
  // number read 50 times stays another).
  std::wstring serviceNumberOnceSent(const std::wstring& expected) {
    std::wstring number;
    for (int tries = 0; tries < 50 && (number = serviceNumber()) != expected; ++tries) {
    }
    return number;
  }
  unsigned focusedId() {
    CEGUI::Window* active = sheet()->getActiveChild();
    return active ? active->getID() : 0;
  }

  vktest::TestService service_;
  CKeyMap keyMap_;
  std::unique_ptr<NetworkInterface> net_;
  std::unique_ptr<CInfoTipManager> tips_;
  std::unique_ptr<CTelInputWnd> page_;
};

struct NumberCase {
  const char* name;
  const wchar_t* first;
  const wchar_t* second;
  const wchar_t* message;  // null: accepted
};

class Numbers : public TelInput, public ::testing::WithParamInterface<NumberCase> {};

}  // namespace

// What is accepted and which message a refusal gives; a refused form stays open as it was.
TEST_P(Numbers, AreCheckedBeforeTheyAreSent) {
  const NumberCase& c = GetParam();
  CTelInputWnd& page = open();
  type(c.first, c.second);
  shell().clickWindow(page.pageWindow()->getChild(1u));
  if (!c.message) {
    EXPECT_EQ(page.pageWindow(), nullptr);
    EXPECT_EQ(page.result(), 1);
    EXPECT_EQ(wideFromGui(page.phoneNumber()), c.first);
    return;
  }
  EXPECT_EQ(notice(), c.message);
  ASSERT_NE(page.pageWindow(), nullptr);
  EXPECT_TRUE(page.phoneNumber().empty());
  EXPECT_EQ(wideFromGui(findWindow("TelInputWnd/TelEditBox")->getText()), c.first);
  EXPECT_EQ(wideFromGui(findWindow("TelInputWnd/TelAgainEditBox")->getText()), c.second);
  advance(CTelInputWnd::kNoticeMs);
  EXPECT_EQ(notice(), L"");
}

INSTANTIATE_TEST_SUITE_P(
    TelInput, Numbers,
    ::testing::Values(NumberCase{"ElevenDigitsFrom13", L"13912345678", L"13912345678", nullptr},
                      NumberCase{"ElevenDigitsFrom18", L"18000000000", L"18000000000", nullptr},
                      NumberCase{"SecondDigit2", L"12912345678", L"12912345678", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"SecondDigit9", L"19912345678", L"19912345678", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"TenDigits", L"1391234567", L"1391234567", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"TwelveDigits", L"139123456789", L"139123456789", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"TwoValidNumbersDiffer", L"13912345678", L"13912345679",
                                 CTelInputWnd::kNumbersDiffer.c_str()},
                      NumberCase{"Empty", L"", L"", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"LeadingSpace", L" 13912345678", L" 13912345678", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"TrailingSpace", L"13912345678 ", L"13912345678 ", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"InnerSpace", L"139 1234 5678", L"139 1234 5678", CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"FullWidthDigits", L"１３９１２３４５６７８", L"１３９１２３４５６７８",
                                 CTelInputWnd::kNotAMobile.c_str()},
                      NumberCase{"HundredCharacters", L"1391234567813912345678139123456781391234567813912345678"
                                                      L"13912345678139123456781391234567813912345678139",
                                 L"1391234567813912345678139123456781391234567813912345678"
                                 L"13912345678139123456781391234567813912345678139",
                                 CTelInputWnd::kNotAMobile.c_str()}),
    [](const ::testing::TestParamInfo<NumberCase>& info) { return std::string(info.param.name); });

// The accepted number reaches the service as the logged-in user's; a form that claims another
// user's id changes nobody's number.
TEST_F(TelInput, TheNumberReachesTheServiceForTheLoggedInUserOnly) {
  const std::wstring before = serviceNumber();
  ASSERT_NE(before, L"13700000000");
  CTelInputWnd& forged = open(L"10002");
  type(L"13700000000", L"13700000000");
  forged.confirm();
  EXPECT_EQ(forged.result(), 1);  // sent without waiting: the page cannot know

  // The forged number, had it been taken for the logged-in user, shows either now or, sent
  // after the real one, in place of it at the end.
  EXPECT_NE(serviceNumber(), L"13700000000");
  CTelInputWnd& page = open();
  type(L"13812345678", L"13812345678");
  page.confirm();
  EXPECT_EQ(serviceNumberOnceSent(L"13812345678"), L"13812345678");
  EXPECT_EQ(serviceNumber(), L"13812345678");
}

// From the keyboard: the arrows go round the boxes and buttons, Return on a box goes on to the
// next one and on the confirm button confirms, Back cancels.
TEST_F(TelInput, KeysMoveRoundTheFormConfirmAndCancel) {
  CTelInputWnd& page = open();
  EXPECT_EQ(focusedId(), 11u);
  pressKey(kReturn);
  EXPECT_EQ(focusedId(), 12u);
  EXPECT_EQ(page.pageWindow()->isChild(1u), true);
  pressKey(kDown);
  EXPECT_EQ(focusedId(), 1u);
  pressKey(kDown);
  EXPECT_EQ(focusedId(), 2u);
  pressKey(kDown);
  EXPECT_EQ(focusedId(), 11u);
  pressKey(kUp);
  EXPECT_EQ(focusedId(), 2u);
  pressKey(kUp);
  type(L"15012345678", L"15012345678");
  pressKey(kReturn);
  EXPECT_EQ(page.result(), 1);

  CTelInputWnd& cancelled = open();
  type(L"15012345678", L"15012345678");
  pressKey(kEscape);
  EXPECT_EQ(cancelled.pageWindow(), nullptr);
  EXPECT_EQ(cancelled.result(), 0);
  EXPECT_TRUE(cancelled.phoneNumber().empty());
}
