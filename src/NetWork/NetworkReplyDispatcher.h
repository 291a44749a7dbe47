#pragma once
// Turns the networking library's replies into events. The library calls NetworkCallback on
// its own threads (several at once); the reply's handler copies what it needs out of the
// library's result object, builds an argument object and posts it to the GUI thread, except
// for the few hand-overs that run on the library thread itself (the menu file, the contest
// square's pictures and its synchronous "GetPKSquareInfo", the tone list, the upload retry,
// the charge answer, the notices).
//
// One static dispatcher exists for the program's lifetime; its handler map is filled by the
// constructor and only read afterwards.
#include <CEGUI/EventSet.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "NetWork/NetRecords.h"

class NetworkReplyDispatcher {
 public:
  using Handler = void (*)(void* result, int tag, int status);

  static NetworkReplyDispatcher& instance();

  // The library's callback: the handler of `messageId` runs with (result, tag, status); an
  // id without a handler is ignored. Returns the status. Any library thread.
  static int NetworkCallback(void* result, int tag, int messageId, int status);

  bool handles(int messageId) const { return handlers_.count(messageId) > 0; }
  std::size_t handlerCount() const { return handlers_.size(); }

  // Receivers beyond the two application-wide event sets. Any thread; set them before the
  // requests whose replies they take. Replies for a missing receiver are logged and dropped.
  // The works manager's event set (upload and published-works events).
  void setWorksManager(CEGUI::EventSet* worksManager);
  CEGUI::EventSet* worksManager() const;
  // The works manager's retry after a packet kept failing (6204); runs on the library thread.
  void setRetryUpload(std::function<void()> retry);
  // The application's tuning control takes the tone records (2588); library thread.
  void setToneListReceiver(std::function<void(const std::vector<ToneInfo>&)> receiver);
  // The payment object takes the charge answer (6307, status 0): result text and kind;
  // library thread.
  void setChargeAnswerReceiver(std::function<void(const std::string& result, int kind)> receiver);
  // The logged-in user's id, which the user record reply (6305) keeps (set by SetSession).
  void setCurrentUserId(const std::wstring& userId);
  std::wstring currentUserId() const;

  // For the handlers.
  std::function<void()> retryUpload() const;
  std::function<void(const std::vector<ToneInfo>&)> toneListReceiver() const;
  std::function<void(const std::string&, int)> chargeAnswerReceiver() const;

 private:
  NetworkReplyDispatcher();
  ~NetworkReplyDispatcher();
  NetworkReplyDispatcher(const NetworkReplyDispatcher&) = delete;
  NetworkReplyDispatcher& operator=(const NetworkReplyDispatcher&) = delete;

  static NetworkReplyDispatcher theDispatcher;

  std::map<int, Handler> handlers_;
  mutable std::mutex mutex_;  // guards the receivers below
  CEGUI::EventSet* worksManager_ = nullptr;
  std::function<void()> retryUpload_;
  std::function<void(const std::vector<ToneInfo>&)> toneList_;
  std::function<void(const std::string&, int)> chargeAnswer_;
  std::wstring userId_;
};
