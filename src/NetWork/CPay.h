#pragma once
// The program's one payment object. A caller hands it a fee request (a sing or an upload);
// it decides from the user's allowance whether the action is charged at once, confirmed first
// (coins) or needs a recharge, asks the service to charge, and raises fee events the caller
// reacts to:
//
//   "ChargeTipOpen"  the coin confirmation opened        "ReChargeOpen"  the recharge dialog opened
//   "ChargeConfirm"  the coins were confirmed and charged "ChargeCancel"  the user said no
//   "Charged"        charged without a dialog (also after a finished recharge)
//
// The service's answer (6307) arrives on a library thread and is handed to the GUI thread,
// where the local counters change, the fee record goes back to the service and the launcher is
// told the new user context. Everything else runs on the GUI thread.
#include <CEGUI/EventSet.h>

#include <map>
#include <memory>
#include <string>

#include "NetWork/ChargeFee.h"
#include "guishell/CEGUITimer.h"

class IPageCtrl;
class UserInfor;

class CPay : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventChargeTipOpen;  // "ChargeTipOpen"
  static const CEGUI::String EventReChargeOpen;   // "ReChargeOpen"
  static const CEGUI::String EventChargeConfirm;  // "ChargeConfirm"
  static const CEGUI::String EventChargeCancel;   // "ChargeCancel"
  static const CEGUI::String EventCharged;        // "Charged"
  // The answer handed over from the library thread (CPay's own event).
  static const CEGUI::String EventChargeAnswer;   // "ChargeAnswer"

  static constexpr const char* kChargeTip = "ChargeTip";
  static constexpr const char* kRecharge = "Recharge";
  // A charge the service has not answered after this long is given up: the user's record is
  // asked for instead, and an answer that still comes is not counted again.
  static constexpr unsigned kAnswerTimeoutMs = 30000;
  // After a finished recharge the balance is asked for; without an answer after this long
  // the allowance is tested with what is known.
  static constexpr unsigned kRecordTimeoutMs = 10000;
  // The message code that tells the launcher the user context changed.
  static constexpr int kUserContextChanged = 4;

  // `user`: the application's user context; `rechargeAddress`: the recharge page, to which
  // the user's key is appended.
  CPay(UserInfor& user, std::wstring rechargeAddress);
  ~CPay() override;
  CPay(const CPay&) = delete;
  CPay& operator=(const CPay&) = delete;
  static CPay* getSingletonPtr();

  // Returns 0 for kind 1 or 2, else the kind (and nothing happens).
  int charge(const ChargeFeeinParam& request);
  // The request's owner is gone (its song ended): an open fee dialog closes as cancelled and
  // the pending request is dropped, so nothing is charged for it later.
  void withdraw();

  // A coin-paid sing is confirmed in a dialog first. A sing re-tested right after the user
  // finished a recharge for it is charged at once: the coins were bought for it.
  bool confirmCoinCharge = true;

  // Any thread: the service's answer to a charge (`ok` false: the request failed).
  static void receiveAnswer(bool ok, const std::string& result, int kind);

  IPageCtrl* openDialog(const std::string& name) const;
  const ChargeFeeinParam* pendingRequest() const { return pending_.get(); }
  int outstandingCharges() const { return outstanding_; }
  bool awaitingRecord() const { return awaitingRecord_; }
  // The recharge page with the user's key, as the recharge dialog opens it.
  std::wstring rechargeUrl() const;

 private:
  void singFlow(const ChargeFeeinParam& request);
  void uploadFlow(const ChargeFeeinParam& request);
  void requestCharge(const ChargeFeeinParam& request);
  void openChargeTip();
  void openRecharge();
  bool onChargeTipEnded(const CEGUI::EventArgs& args);
  bool onRechargeEnded(const CEGUI::EventArgs& args);
  IPageCtrl* takeDialog(const std::string& name);
  void afterRecharge();
  bool onAnswer(const CEGUI::EventArgs& args);
  bool onAnswerTimeout(const CEGUI::EventArgs& args);
  bool onUserRecord(const CEGUI::EventArgs& args);
  bool onRecordTimeout(const CEGUI::EventArgs& args);
  void sendFeeRecord();
  void fire(const CEGUI::String& name);

  UserInfor& user_;
  std::wstring rechargeAddress_;
  std::map<std::string, IPageCtrl*> openDialogs_;
  std::unique_ptr<ChargeFeeinParam> pending_;
  // Charges asked for and not answered yet (GUI thread).
  int outstanding_ = 0;
  // A charge was paid in a way only the user's record shows (coins): the record asked for
  // goes to the service and the launcher when it comes.
  bool contextDue_ = false;
  bool awaitingRecord_ = false;
  bool testingAfterRecharge_ = false;
  CEGUITimer answerTimer_;
  CEGUITimer recordTimer_;
  CEGUI::Event::Connection answerConnection_;
  CEGUI::Event::Connection userRecordConnection_;
};
