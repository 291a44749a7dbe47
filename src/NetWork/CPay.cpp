#include "NetWork/CPay.h"

#include <CEGUI/CEGUI.h>

#include "NetWork/NetworkInterface.h"
#include "NetWork/NetworkReplyDispatcher.h"
#include "app/AppEventArgs.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/IPageCtrl.h"
#include "app/UserInfor.h"
#include "app/WindowPath.h"
#include "dialogs/CMinusCoinWnd.h"
#include "dialogs/CRechargeWnd.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"

const CEGUI::String CPay::EventChargeTipOpen("ChargeTipOpen");
const CEGUI::String CPay::EventReChargeOpen("ReChargeOpen");
const CEGUI::String CPay::EventChargeConfirm("ChargeConfirm");
const CEGUI::String CPay::EventChargeCancel("ChargeCancel");
const CEGUI::String CPay::EventCharged("Charged");
const CEGUI::String CPay::EventChargeAnswer("PayChargeAnswer");

namespace {
CPay* thePay = nullptr;

// The answer as it crosses from the library thread.
class ChargeAnswerArgs : public CEGUI::EventArgs {
 public:
  bool ok = false;
  std::string result;
  int kind = 0;
};

// The user's key travels in a query: everything but unreserved characters is escaped.
std::wstring queryEscaped(const std::wstring& text) {
  static const char* digits = "0123456789ABCDEF";
  std::wstring out;
  for (unsigned char c : oscompat::utf8FromWide(text)) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      out += static_cast<wchar_t>(c);
    } else {
      out += L'%';
      out += static_cast<wchar_t>(digits[c >> 4]);
      out += static_cast<wchar_t>(digits[c & 15]);
    }
  }
  return out;
}

const char* kindName(int kind) { return kind == ChargeFeeinParam::kUpload ? "upload" : "sing"; }
}  // namespace

CPay* CPay::getSingletonPtr() { return thePay; }

CPay::CPay(UserInfor& user, std::wstring rechargeAddress)
    : user_(user), rechargeAddress_(std::move(rechargeAddress)) {
  thePay = this;
  answerTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber(&CPay::onAnswerTimeout, this));
  recordTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber(&CPay::onRecordTimeout, this));
  auto& global = CEGUI::GlobalEventSet::getSingleton();
  answerConnection_ = global.subscribeEvent(EventNames::global(EventChargeAnswer),
                                            CEGUI::Event::Subscriber(&CPay::onAnswer, this));
  userRecordConnection_ = global.subscribeEvent(EventNames::global(EventNames::GetUserSpecialInfo),
                                                CEGUI::Event::Subscriber(&CPay::onUserRecord, this));
  // The receiver only posts: an answer that is still on its way when the payment object is
  // gone finds no subscriber and is dropped.
  NetworkReplyDispatcher::instance().setChargeAnswerReceiver([](const std::string& result, int kind) {
    // A failed request reaches the receiver with no text and no kind.
    receiveAnswer(!(result.empty() && kind == 0), result, kind);
  });
}

CPay::~CPay() {
  NetworkReplyDispatcher::instance().setChargeAnswerReceiver(nullptr);
  answerConnection_->disconnect();
  userRecordConnection_->disconnect();
  // Every open dialog ends as cancelled, which runs its close handler.
  while (!openDialogs_.empty()) {
    const std::string name = openDialogs_.begin()->first;
    IPageCtrl* page = openDialogs_.begin()->second;
    if (page->pageWindow()) page->endModal(0);
    // A page whose window was already gone never reaches its handler.
    if (openDialogs_.erase(name)) delete page;
  }
  answerTimer_.KillTimer();
  recordTimer_.KillTimer();
  if (thePay == this) thePay = nullptr;
}

std::wstring CPay::rechargeUrl() const {
  const wchar_t joint = rechargeAddress_.find(L'?') == std::wstring::npos ? L'?' : L'&';
  return rechargeAddress_ + joint + L"secretkey=" + queryEscaped(user_.SecretKey);
}

IPageCtrl* CPay::openDialog(const std::string& name) const {
  const auto it = openDialogs_.find(name);
  return it == openDialogs_.end() ? nullptr : it->second;
}

void CPay::fire(const CEGUI::String& name) {
  CEGUI::EventArgs args;
  fireEvent(name, args, "");
}

int CPay::charge(const ChargeFeeinParam& request) {
  if (request.kind != ChargeFeeinParam::kSing && request.kind != ChargeFeeinParam::kUpload) {
    // Nothing is kept of a request this object cannot act on.
    appLogError("CPay: a fee request of kind " + std::to_string(request.kind) + " is not a sing or an upload");
    return request.kind;
  }
  // One question at a time: a request that comes while a fee dialog is open, or while the
  // balance after a recharge is being read, waits for nothing and is dropped (the user is
  // already deciding about the pending one).
  if ((!openDialogs_.empty() || awaitingRecord_) && pending_.get() != &request) {
    appLog(std::string("CPay: a ") + kindName(request.kind) + " fee request came while another waits for the user; dropped");
    return 0;
  }
  if (!pending_) pending_ = std::make_unique<ChargeFeeinParam>(request);
  if (request.kind == ChargeFeeinParam::kSing) singFlow(request);
  else uploadFlow(request);
  return 0;
}

void CPay::singFlow(const ChargeFeeinParam& request) {
  if (user_.refreshVodFlag()) {
    requestCharge(request);
    pending_.reset();
    fire(EventCharged);
  } else if (!user_.refreshVodCoinsFlag()) {
    openRecharge();
  } else if (confirmCoinCharge && !testingAfterRecharge_) {
    openChargeTip();
  } else {
    requestCharge(request);
    pending_.reset();
    fire(EventCharged);
  }
}

void CPay::uploadFlow(const ChargeFeeinParam& request) {
  if (user_.refreshUploadFlag() || user_.refreshUploadCoinsFlag()) {
    requestCharge(request);
    pending_.reset();
    fire(EventCharged);
  } else {
    openRecharge();
  }
}

void CPay::requestCharge(const ChargeFeeinParam& request) {
  NetworkInterface* net = NetworkInterface::getSingletonPtr();
  if (!net) {
    appLogError(std::string("CPay: no network; the ") + kindName(request.kind) + " of " +
                oscompat::utf8FromWide(request.songId) + " is not charged");
    return;
  }
  net->RequestCharge(&request);  // the library copies what it sends
  ++outstanding_;
  answerTimer_.SetTimer(kAnswerTimeoutMs);
  appLog(std::string("CPay: asked to charge the ") + kindName(request.kind) + " of " +
         oscompat::utf8FromWide(request.songId));
}

void CPay::openChargeTip() {
  auto* page = new CMinusCoinWnd(user_.VokaCoin);
  page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber(&CPay::onChargeTipEnded, this));
  openDialogs_[kChargeTip] = page;
  page->attach(guiSheet());
  fire(EventChargeTipOpen);
}

void CPay::openRecharge() {
  auto* page = new CRechargeWnd(rechargeUrl());
  page->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber(&CPay::onRechargeEnded, this));
  openDialogs_[kRecharge] = page;
  page->attach(guiSheet());
  fire(EventReChargeOpen);
}

IPageCtrl* CPay::takeDialog(const std::string& name) {
  const auto it = openDialogs_.find(name);
  if (it == openDialogs_.end()) return nullptr;
  IPageCtrl* page = it->second;
  openDialogs_.erase(it);
  // Inside the page's own handler: it is deleted once that has returned.
  IPageCtrl::freeLater(page);
  return page;
}

// The confirmation answers 1 (confirm) and 0 (cancel) by mouse; from the keyboard, Back and
// Return on the cancel button give 2, which counts as cancel: a song paused for the question
// must not stay paused.
bool CPay::onChargeTipEnded(const CEGUI::EventArgs&) {
  IPageCtrl* tip = openDialog(kChargeTip);
  const int result = tip ? tip->result() : 0;
  takeDialog(kChargeTip);
  if (result == 1 && pending_) {
    const std::unique_ptr<ChargeFeeinParam> request = std::move(pending_);
    requestCharge(*request);
    fire(EventChargeConfirm);
  } else {
    pending_.reset();
    fire(EventChargeCancel);
  }
  return true;
}

// The recharge dialog answers 0 (cancel) and 1 (finished) by mouse; from the keyboard 2
// (cancel, Back) and 3 (finished), which count the same.
bool CPay::onRechargeEnded(const CEGUI::EventArgs&) {
  IPageCtrl* page = openDialog(kRecharge);
  const int result = page ? page->result() : 0;
  takeDialog(kRecharge);
  if ((result == 1 || result == 3) && pending_) {
    afterRecharge();
  } else {
    pending_.reset();
    fire(EventChargeCancel);
  }
  return true;
}

// The coins were added on the service: its record is read before the allowance is tested
// again, so the test sees the new balance.
void CPay::afterRecharge() {
  NetworkInterface* net = NetworkInterface::getSingletonPtr();
  if (!net) {
    onRecordTimeout(CEGUI::EventArgs());
    return;
  }
  awaitingRecord_ = true;
  recordTimer_.SetTimer(kRecordTimeoutMs);
  net->RequestUserInfo();
}

bool CPay::onRecordTimeout(const CEGUI::EventArgs&) {
  recordTimer_.KillTimer();
  if (awaitingRecord_) appLog("CPay: the balance after the recharge did not come; tested with what is known");
  awaitingRecord_ = false;
  if (!pending_) return true;
  testingAfterRecharge_ = true;
  const ChargeFeeinParam request = *pending_;
  charge(request);
  testingAfterRecharge_ = false;
  return true;
}

bool CPay::onUserRecord(const CEGUI::EventArgs& args) {
  // The application's own handler takes the record too; taking it here as well keeps the
  // test below independent of which of the two runs first.
  user_.assignFrom(static_cast<const UserSpecailInfoEventArgs&>(args).user);
  if (contextDue_) {
    contextDue_ = false;
    sendFeeRecord();
  }
  if (awaitingRecord_) {
    awaitingRecord_ = false;
    onRecordTimeout(args);
  }
  return false;
}

void CPay::withdraw() {
  pending_.reset();
  awaitingRecord_ = false;
  recordTimer_.KillTimer();
  for (const char* name : {kChargeTip, kRecharge})
    if (IPageCtrl* page = openDialog(name); page && page->pageWindow()) page->endModal(0);
}

void CPay::receiveAnswer(bool ok, const std::string& result, int kind) {
  auto* args = new ChargeAnswerArgs;
  args->ok = ok;
  args->result = result;
  args->kind = kind;
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventChargeAnswer, args, "");
}

bool CPay::onAnswerTimeout(const CEGUI::EventArgs&) {
  answerTimer_.KillTimer();
  if (outstanding_ == 0) return true;
  appLogError("CPay: " + std::to_string(outstanding_) +
              " charge(s) not answered in time; the user's record is asked for instead");
  outstanding_ = 0;
  if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) {
    contextDue_ = true;
    net->RequestUserInfo();
  }
  return true;
}

bool CPay::onAnswer(const CEGUI::EventArgs& args) {
  const auto& answer = static_cast<const ChargeAnswerArgs&>(args);
  if (outstanding_ == 0) {
    // A second answer to one request, or one after its time-out (the record asked for then
    // holds the charge already): counting it would charge the user twice here.
    appLog("CPay: a charge answer for no waiting charge; not counted");
    return true;
  }
  if (--outstanding_ == 0) answerTimer_.KillTimer();
  if (!answer.ok) {
    appLogError("CPay: the charge request failed; nothing was counted");
    return true;
  }
  if (answer.result != "1") {
    appLog("CPay: the service did not charge (answer \"" + answer.result + "\"); nothing changes");
    return true;
  }
  const bool upload = answer.kind == ChargeFeeinParam::kUpload;
  // Paid from the allowance: counted here. Paid by coins: only the service's record knows
  // the balance now.
  const int left = upload ? user_.leaveCanUploadNum : user_.leaveCanSingRecNum;
  if (left < 1) {
    if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) {
      contextDue_ = true;
      net->RequestUserInfo();
    }
    return true;
  }
  if (upload) user_.chargeUpload();
  else user_.chargeSing();
  sendFeeRecord();
  return true;
}

void CPay::sendFeeRecord() {
  LocalFeeData fee;
  fee.remainingSings = user_.leaveCanSingRecNum;
  fee.remainingUploads = user_.leaveCanUploadNum;
  fee.coins = user_.VokaCoin;
  if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) net->PayFee(&fee);
  Win32AppHelper::sendMsgToApp(user_, kUserContextChanged);
}
