#include "NetWork/NetworkReplyDispatcher.h"

#include <FreeImage.h>

#include "NetWork/NetReplyHandlers.h"
#include "app/AppLog.h"

NetworkReplyDispatcher NetworkReplyDispatcher::theDispatcher;

NetworkReplyDispatcher& NetworkReplyDispatcher::instance() { return theDispatcher; }

NetworkReplyDispatcher::NetworkReplyDispatcher() {
  // The contest square's pictures are recognised with FreeImage on the library's threads.
  FreeImage_Initialise(TRUE);
  netreply::addCatalogHandlers(handlers_);
  netreply::addAccountHandlers(handlers_);
  netreply::addWorksHandlers(handlers_);
  netreply::addContestHandlers(handlers_);
  netreply::addMenuHandlers(handlers_);
}

NetworkReplyDispatcher::~NetworkReplyDispatcher() { FreeImage_DeInitialise(); }

int NetworkReplyDispatcher::NetworkCallback(void* result, int tag, int messageId, int status) {
  const auto& handlers = theDispatcher.handlers_;
  auto it = handlers.find(messageId);
  // One line per reply, so that what the server answered can be followed in the log.
  appLog("network reply " + std::to_string(messageId) + " status " + std::to_string(status) +
         (result ? "" : " (no result)") + (it == handlers.end() ? ": no handler, ignored" : ""));
  if (it == handlers.end()) return status;
  try {
    it->second(result, tag, status);
  } catch (const std::exception& e) {
    // Nothing may escape into the library's thread.
    appLogError("network reply " + std::to_string(messageId) + ": handler failed: " + e.what());
  }
  return status;
}

void NetworkReplyDispatcher::setWorksManager(CEGUI::EventSet* worksManager) {
  std::lock_guard<std::mutex> lock(mutex_);
  worksManager_ = worksManager;
}

CEGUI::EventSet* NetworkReplyDispatcher::worksManager() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return worksManager_;
}

void NetworkReplyDispatcher::setRetryUpload(std::function<void()> retry) {
  std::lock_guard<std::mutex> lock(mutex_);
  retryUpload_ = std::move(retry);
}

std::function<void()> NetworkReplyDispatcher::retryUpload() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return retryUpload_;
}

void NetworkReplyDispatcher::setToneListReceiver(
    std::function<void(const std::vector<ToneInfo>&)> receiver) {
  std::lock_guard<std::mutex> lock(mutex_);
  toneList_ = std::move(receiver);
}

std::function<void(const std::vector<ToneInfo>&)> NetworkReplyDispatcher::toneListReceiver() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return toneList_;
}

void NetworkReplyDispatcher::setChargeAnswerReceiver(
    std::function<void(const std::string&, int)> receiver) {
  std::lock_guard<std::mutex> lock(mutex_);
  chargeAnswer_ = std::move(receiver);
}

std::function<void(const std::string&, int)> NetworkReplyDispatcher::chargeAnswerReceiver() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return chargeAnswer_;
}

void NetworkReplyDispatcher::setCurrentUserId(const std::wstring& userId) {
  std::lock_guard<std::mutex> lock(mutex_);
  userId_ = userId;
}

std::wstring NetworkReplyDispatcher::currentUserId() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return userId_;
}
