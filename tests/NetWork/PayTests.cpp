// The payment object against a real contest service: which sings are charged at once, which
// ask first, the recharge dialog with its finish button on the virtual clock, the dialogs
// closed from the keyboard, and answers that say no, come twice, late or never.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppSet/KeyMap.h"
#include "NetTestSupport.h"
#include "NetWork/CPay.h"
#include "NetWork/NetworkInterface.h"
#include "TestSupport.h"
#include "app/IPageCtrl.h"
#include "app/UserInfor.h"
#include "dialogs/CRechargeWnd.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/ShellOpen.h"
#include "oscompat/Utf.h"

namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kLeft = 203, kRight = 205, kUp = 200, kDown = 208;
const ChargeFeeinParam kSing(ChargeFeeinParam::kSing, L"100001", L"送别");
const std::string kChargeLine = "POST /v1/user/charge";
const std::string kUserLine = "GET /v1/user ";

class Payment : public vktest::GuiTest {
 protected:
  Payment() : service_(false, true) {}
  void SetUp() override {
    GuiTest::SetUp();
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
    user_.UserID = L"10001";
    user_.SecretKey = L"demo key";
    user_.leaveCanSingRecNum = 3;
    user_.VokaCoin = L"0.00";
    pay_ = std::make_unique<CPay>(user_, oscompat::wideFromUtf8(service_.url() + "/recharge"));
    for (const CEGUI::String& name : {CPay::EventChargeTipOpen, CPay::EventReChargeOpen, CPay::EventChargeConfirm,
                                      CPay::EventChargeCancel, CPay::EventCharged})
      pay_->subscribeEvent(name, CEGUI::Event::Subscriber([this, name](const CEGUI::EventArgs&) {
                             events_.push_back(name.c_str());
                             return true;
                           }));
    oscompat::setShellOpenHandler([this](const std::string& url) { opened_.push_back(url); });
    Win32AppHelper::setUserInforEncoder([this](const UserInfor& user) {
      contexts_.push_back(user);
      return user.toText();
    });
  }
  void TearDown() override {
    pay_.reset();
    Win32AppHelper::setUserInforEncoder(nullptr);
    oscompat::setShellOpenHandler(nullptr);
    net_.reset();
    GuiTest::TearDown();
  }
  bool waitFor(const std::function<bool()>& done) { return shell().pumpUntil(done, 30000); }
  bool answered() { return waitFor([&] { return pay_->outstandingCharges() == 0; }); }
  CEGUI::Window* button(const char* dialog, unsigned id) {
    IPageCtrl* page = pay_->openDialog(dialog);
    return page && page->pageWindow() ? page->pageWindow()->getChild(id) : nullptr;
  }
  // The window with the input focus (getActiveChild already descends to it).
  CEGUI::Window* focused() { return sheet()->getActiveChild(); }
  unsigned focusedId() {
    CEGUI::Window* active = focused();
    return active ? active->getID() : 0;
  }
  std::vector<std::string> events() { return events_; }

  vktest::TestService service_;
  CKeyMap keyMap_;
  std::unique_ptr<NetworkInterface> net_;
  UserInfor user_;
  std::unique_ptr<CPay> pay_;
  std::vector<std::string> events_;
  std::vector<std::string> opened_;
  std::vector<UserInfor> contexts_;
  int charges_ = 0;
};

using Events = std::vector<std::string>;

}  // namespace

// Paid sings left: charged at once, one "Charged", and the service's yes counts one sing off
// here, goes back as the fee record and to the launcher.
TEST_F(Payment, APaidSingLeftIsChargedAtOnceWithOnlyCharged) {
  const int ktv = user_.ktvNum;
  EXPECT_EQ(pay_->charge(kSing), 0);
  EXPECT_EQ(events(), Events{"Charged"});
  EXPECT_EQ(pay_->pendingRequest(), nullptr);
  EXPECT_EQ(pay_->openDialog(CPay::kRecharge), nullptr);
  ASSERT_TRUE(answered());
  EXPECT_EQ(user_.leaveCanSingRecNum, 2);
  EXPECT_EQ(user_.ktvNum, ktv + 1);
  ASSERT_EQ(contexts_.size(), 1u);
  EXPECT_EQ(contexts_[0].leaveCanSingRecNum, 2);
  EXPECT_EQ(events(), Events{"Charged"});
  // Kinds that are neither a sing nor an upload come back and leave nothing behind.
  EXPECT_EQ(pay_->charge(ChargeFeeinParam(7, L"1", L"x")), 7);
  EXPECT_EQ(pay_->pendingRequest(), nullptr);
}

// Nothing left: the recharge dialog; its page opens with the user's key, the finish button
// comes after exactly 5000 ms, and pressing it reads the balance from the service and tests
// the same request again (the service's demo account has sings left, so it is charged).
TEST_F(Payment, WithNothingLeftTheFinishButtonTestsTheSameRequestWithTheNewBalance) {
  user_.leaveCanSingRecNum = 0;
  pay_->charge(kSing);
  EXPECT_EQ(events(), Events{"ReChargeOpen"});
  ASSERT_NE(button(CPay::kRecharge, 1), nullptr);
  EXPECT_EQ(focusedId(), 1u);
  pressKey(kReturn);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], service_.url() + "/recharge?secretkey=demo%20key");
  pressKey(kReturn);  // a second press neither opens the page again nor cancels
  EXPECT_EQ(opened_.size(), 1u);
  ASSERT_NE(pay_->openDialog(CPay::kRecharge), nullptr);
  auto* dialog = static_cast<CRechargeWnd*>(pay_->openDialog(CPay::kRecharge));
  advance(CRechargeWnd::kFinishDelayMs - 1);
  EXPECT_FALSE(dialog->finishShown());
  EXPECT_FALSE(button(CPay::kRecharge, 3)->isVisible());
  advance(1);
  EXPECT_TRUE(dialog->finishShown());
  EXPECT_TRUE(button(CPay::kRecharge, 3)->isVisible());
  EXPECT_FALSE(button(CPay::kRecharge, 1)->isVisible());
  EXPECT_EQ(focusedId(), 3u);

  shell().clickWindow(button(CPay::kRecharge, 3));
  EXPECT_EQ(pay_->openDialog(CPay::kRecharge), nullptr);
  ASSERT_TRUE(waitFor([&] { return !pay_->awaitingRecord(); }));
  EXPECT_EQ(events(), (Events{"ReChargeOpen", "Charged"}));
  EXPECT_GT(user_.leaveCanSingRecNum, 0);  // the service's record
  EXPECT_TRUE(service_.proxy()->waitForCount(kChargeLine, 1));
  ASSERT_TRUE(answered());
  EXPECT_EQ(pay_->pendingRequest(), nullptr);
}

// The balance after a recharge never comes: the allowance is tested with what is known
// after the time-out, and the user is asked again instead of the song waiting for ever.
TEST_F(Payment, ABalanceThatNeverComesAfterARechargeIsNotWaitedForForEver) {
  user_.leaveCanSingRecNum = 0;
  pay_->charge(kSing);
  service_.proxy()->swallowRequestOnce(kUserLine);
  pressKey(kReturn);
  advance(CRechargeWnd::kFinishDelayMs);
  pressKey(kReturn);
  EXPECT_TRUE(pay_->awaitingRecord());
  advance(CPay::kRecordTimeoutMs);
  EXPECT_FALSE(pay_->awaitingRecord());
  EXPECT_EQ(events(), (Events{"ReChargeOpen", "ReChargeOpen"}));
  EXPECT_NE(pay_->openDialog(CPay::kRecharge), nullptr);
  EXPECT_EQ(service_.proxy()->count(kChargeLine), 0);
}

// A browser that cannot be started still leads to the finish button; the arrows wrap within
// the buttons that can be pressed, before and after it came.
TEST_F(Payment, TheRechargeDialogsFocusWrapsAndItsFinishComesWithoutABrowser) {
  oscompat::setShellOpenHandler(nullptr);
  setenv("VOKARAN_OPEN_COMMAND", "/nonexistent/browser", 1);
  user_.leaveCanSingRecNum = 0;
  pay_->charge(kSing);
  pressKey(kRight);
  EXPECT_EQ(focusedId(), 2u);
  pressKey(kDown);
  EXPECT_EQ(focusedId(), 1u);
  pressKey(kUp);
  EXPECT_EQ(focusedId(), 2u);
  pressKey(kLeft);
  EXPECT_EQ(focusedId(), 1u);
  pressKey(kReturn);
  auto* dialog = static_cast<CRechargeWnd*>(pay_->openDialog(CPay::kRecharge));
  EXPECT_FALSE(dialog->browserStarted());
  pressKey(kRight);  // the recharge button is spent: the arrows reach only cancel
  EXPECT_EQ(focusedId(), 2u);
  pressKey(kLeft);
  EXPECT_EQ(focusedId(), 2u);
  advance(CRechargeWnd::kFinishDelayMs);
  unsetenv("VOKARAN_OPEN_COMMAND");
  EXPECT_TRUE(dialog->finishShown());
  pressKey(kRight);
  EXPECT_EQ(focusedId(), 2u);
  pressKey(kRight);
  EXPECT_EQ(focusedId(), 3u);
  pressKey(kDown);
  EXPECT_EQ(focusedId(), 2u);
  // The key never appears on the dialog, even in the address it shows instead.
  EXPECT_EQ(std::string(pay_->openDialog(CPay::kRecharge)->pageWindow()->getChild("Status")->getText().c_str())
                .find("demo"),
            std::string::npos);
}

namespace {
// A dialog closed one way: how it is opened (the coin balance), what the user does, the events.
struct CloseCase {
  const char* name;
  const wchar_t* coins;
  std::vector<unsigned> keys;  // pressed in turn; 0 clicks the focused button instead
  Events events;
};

class DialogClosed : public Payment, public ::testing::WithParamInterface<CloseCase> {};
}  // namespace

// Keyboard results (Back, Return on cancel, Return on finish) count as cancel and finish, so a
// song paused for the dialog never stays paused; the mouse results are as they were.
TEST_P(DialogClosed, EndsInAFeeEventAndLeavesNothingPending) {
  const CloseCase& c = GetParam();
  user_.leaveCanSingRecNum = 0;
  user_.VokaCoin = c.coins;
  pay_->charge(kSing);
  for (unsigned key : c.keys) {
    if (key == 0) {
      ASSERT_NE(focused(), nullptr);
      shell().clickWindow(focused());
    } else if (key == CRechargeWnd::kFinishDelayMs) {
      advance(key);
    } else {
      pressKey(key);
    }
  }
  ASSERT_TRUE(waitFor([&] { return !pay_->awaitingRecord(); }));
  EXPECT_EQ(events(), c.events);
  EXPECT_EQ(pay_->pendingRequest(), nullptr);
  EXPECT_EQ(pay_->openDialog(CPay::kRecharge), nullptr);
  EXPECT_EQ(pay_->openDialog(CPay::kChargeTip), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Payment, DialogClosed,
    ::testing::Values(
        CloseCase{"RechargeBackKey", L"0", {kEscape}, {"ReChargeOpen", "ChargeCancel"}},
        CloseCase{"RechargeReturnOnCancel", L"0", {kRight, kReturn}, {"ReChargeOpen", "ChargeCancel"}},
        CloseCase{"RechargeClickOnCancel", L"0", {kRight, 0}, {"ReChargeOpen", "ChargeCancel"}},
        CloseCase{"RechargeReturnOnFinish", L"0", {kReturn, CRechargeWnd::kFinishDelayMs, kReturn},
                  {"ReChargeOpen", "Charged"}},
        CloseCase{"CoinTipBackKey", L"5", {kEscape}, {"ChargeTipOpen", "ChargeCancel"}},
        CloseCase{"CoinTipReturnOnCancel", L"5", {kLeft, kReturn}, {"ChargeTipOpen", "ChargeCancel"}},
        CloseCase{"CoinTipClickOnCancel", L"5", {kRight, 0}, {"ChargeTipOpen", "ChargeCancel"}},
        CloseCase{"CoinTipReturnOnConfirm", L"0.1", {kReturn}, {"ChargeTipOpen", "ChargeConfirm"}},
        CloseCase{"CoinTipClickOnConfirm", L"5", {0}, {"ChargeTipOpen", "ChargeConfirm"}}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

namespace {
class Balance : public Payment, public ::testing::WithParamInterface<const wchar_t*> {};
}  // namespace

// A balance that does not cover a sing of 0.1 coins, whatever the service wrote, asks for a
// recharge rather than charging coins the account does not have.
TEST_P(Balance, ThatDoesNotCoverASingOpensTheRecharge) {
  user_.leaveCanSingRecNum = 0;
  user_.VokaCoin = GetParam();
  pay_->charge(kSing);
  EXPECT_EQ(events(), Events{"ReChargeOpen"});
  EXPECT_EQ(service_.proxy()->count(kChargeLine), 0);
}

std::string balanceName(const ::testing::TestParamInfo<const wchar_t*>& info) {
  static const char* names[] = {"Negative", "NotANumber", "Empty", "BelowOneSing", "NaN", "MinusInfinity"};
  return names[info.index];
}
INSTANTIATE_TEST_SUITE_P(Payment, Balance, ::testing::Values(L"-5", L"abc", L"", L"0.05", L"nan", L"-inf"),
                         balanceName);

// Coins pay only after the user said yes; the service's record then gives the new balance,
// which goes back as the fee record and to the launcher.
TEST_F(Payment, ACoinPaidSingIsConfirmedFirstAndTheLauncherHearsTheNewRecord) {
  ASSERT_TRUE(pay_->confirmCoinCharge);
  user_.leaveCanSingRecNum = 0;
  user_.VokaCoin = L"5.00";
  pay_->charge(kSing);
  EXPECT_EQ(events(), Events{"ChargeTipOpen"});
  EXPECT_EQ(service_.proxy()->count(kChargeLine), 0);
  // The question shows what the user has and its coin picture.
  CEGUI::Window* tip = pay_->openDialog(CPay::kChargeTip)->pageWindow();
  EXPECT_NE(std::string(tip->getChild("Balance")->getText().c_str()).find("5.00"), std::string::npos);
  EXPECT_TRUE(CEGUI::ImageManager::getSingleton().isDefined(tip->getChild("CoinImage")->getProperty("Image")));
  pressKey(kReturn);
  EXPECT_EQ(events(), (Events{"ChargeTipOpen", "ChargeConfirm"}));
  ASSERT_TRUE(waitFor([&] { return !contexts_.empty(); }));
  EXPECT_EQ(service_.proxy()->count(kChargeLine), 1);
  EXPECT_EQ(contexts_.back().leaveCanSingRecNum, user_.leaveCanSingRecNum);
  EXPECT_EQ(contexts_.back().VokaCoin, user_.VokaCoin);
  EXPECT_NE(user_.VokaCoin, L"5.00");  // the service's record replaced what was assumed
}

// A no from the service changes nothing; an answer that comes twice counts once; a charge
// never answered is given up after the time-out, the record is asked for instead, and its
// late answer is not counted again.
TEST_F(Payment, AnswersThatSayNoComeTwiceOrLateCountAtMostOnce) {
  auto chargeUnanswered = [&] {
    service_.proxy()->swallowRequestOnce(kChargeLine);
    pay_->charge(kSing);
    EXPECT_TRUE(service_.proxy()->waitForCount(kChargeLine, ++charges_));
    EXPECT_EQ(pay_->outstandingCharges(), 1);
  };
  chargeUnanswered();
  CPay::receiveAnswer(true, "0", ChargeFeeinParam::kSing);
  advance(0);
  EXPECT_EQ(pay_->outstandingCharges(), 0);
  EXPECT_EQ(user_.leaveCanSingRecNum, 3);
  EXPECT_TRUE(contexts_.empty());

  chargeUnanswered();
  CPay::receiveAnswer(true, "1", ChargeFeeinParam::kSing);
  CPay::receiveAnswer(true, "1", ChargeFeeinParam::kSing);
  advance(0);
  EXPECT_EQ(user_.leaveCanSingRecNum, 2);
  EXPECT_EQ(contexts_.size(), 1u);

  chargeUnanswered();
  advance(CPay::kAnswerTimeoutMs);
  EXPECT_EQ(pay_->outstandingCharges(), 0);
  ASSERT_TRUE(waitFor([&] { return contexts_.size() == 2; }));
  const int fromService = user_.leaveCanSingRecNum;
  CPay::receiveAnswer(true, "1", ChargeFeeinParam::kSing);
  advance(0);
  EXPECT_EQ(user_.leaveCanSingRecNum, fromService);
  EXPECT_EQ(contexts_.size(), 2u);
}
