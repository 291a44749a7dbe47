// The library's objects behind the public interfaces, and helpers their requests share.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Codepage.h"
#include "LinkContext.h"
#include "Results.h"
#include "netwire/Utf8.h"
#include "netwire/Wire.h"
#include "netwire/WireTypes.h"
#include "vokanetlink/VokaNetLink.h"

namespace vk::netlink {

inline std::string utf8(const wchar_t* text) { return text ? wire::wideToUtf8(text) : std::string(); }
inline std::string fromSystem(const char* text) { return text ? systemToUtf8(text) : std::string(); }

// Reads the reply's payload as a record; a malformed payload throws (answered as -15007).
template <class T>
T payload(const HttpReply& reply) {
  return wire::readAs<T>(reply.json);
}
template <class T>
std::vector<T> payloadList(const HttpReply& reply, const char* key) {
  auto it = reply.json.find(key);
  if (it == reply.json.end()) throw wire::WireError(std::string("missing field '") + key + "'");
  std::vector<T> items;
  wire::detail::readValue(*it, items);
  return items;
}

// Common to the four objects: the shared context and the object's own callback channel.
class LinkObject {
 public:
  LinkObject() : context_(LinkContext::acquire()), channel_(std::make_shared<Channel>()) {}

  const std::shared_ptr<LinkContext>& context() const { return context_; }
  void setCallback(NetworkCallbackFunc callback) { channel_->setCallback(callback); }
  // Closes the channel, answering queued requests as cancelled; waits for running ones.
  void closeAndDrain() {
    channel_->close();
    channel_->drain();
  }

 protected:
  void submit(int messageId, Work work, int tag = 0) { context_->submit(channel_, messageId, tag, std::move(work)); }
  // Answers at once (from a library thread) with a failure, e.g. for unusable arguments.
  void refuse(int messageId, int status, int tag = 0) {
    submit(messageId, [messageId, status, tag](HttpClient&, const Settings&) { return Reply::bare(messageId, status, tag); },
           tag);
  }
  const std::atomic<bool>* cancelFlag() const { return &channel_->cancelFlag(); }

  std::shared_ptr<LinkContext> context_;
  std::shared_ptr<Channel> channel_;
};

class MainImpl final : public CMainInterface, public LinkObject {
 public:
  int SetCallback(NetworkCallbackFunc callback) override;
  int SetClientId(const char* clientId) override;
  int SetSession(const char* sessionId, const wchar_t* userId) override;
  int SetUserMail(const wchar_t* mail) override;
  int AddToSongBook(const ISongInfo* entry) override;
  int RemoveFromSongBook(int songNumber) override;
  int RequestSongBookPage(int pageSize, int page) override;
  int RequestProductPicture(const wchar_t* productKey) override;
  int Shutdown() override;
  int RequestCharge(const IChargeFeeinParam* charge) override;
  int SendPacket(const ICParsePacket* packet) override;
  int RequestUserTone(int kind) override;
  int RequestUserPermit(int kind, int flags) override;
  int RequestCompetitionProducts(int songNumber, int ordering, int count, int page) override;
  int RequestSquareInfo() override;
  int RequestWorksList(int userId) override;
  int RequestMyRank(int userNumber, int songNumber) override;
  int RequestPeriodInfo() override;
  ~MainImpl() override = default;
};

class SongImpl final : public CSongInterface, public LinkObject {
 public:
  int SetServiceUrl(const char* url) override;
  int SetCallback(NetworkCallbackFunc callback) override;
  int DownloadSongData(ISynMidiFileList* buffer, const wchar_t* songId) override;
  int RequestSongPage(const ISearchInfo* query) override;
  int RequestSingerPage(const ISearchInfo* query) override;
  int RequestNetMenuVersion() override;
  ~SongImpl() override = default;
};

class UserDataImpl final : public CUserDataInterface, public LinkObject {
 public:
  int SetCallback(NetworkCallbackFunc callback) override;
  int PayFee(const ILocalFeeData* fee) override;
  int RequestUserInfo() override;
  ~UserDataImpl() override = default;
};

class ParsePacketImpl final : public ICParsePacket {
 public:
  explicit ParsePacketImpl(bool strict) : strict_(strict) {}
  int Begin(const char* rootName, const char* itemName) override;
  int AddField(const char* key, const char* value) override;
  int Finish() override;
  int NextItem() override;
  int SetMessageId(int messageId) override;
  ~ParsePacketImpl() override = default;

  bool finished() const { return state_ == State::Finished; }
  wire::PacketMessage message() const;

 private:
  enum class State { New, Open, Finished };
  bool strict_;
  State state_ = State::New;
  wire::PacketMessage message_;
};

// Results of packets the service answers with data.
Reply packetReply(int messageId, const HttpReply& reply);

}  // namespace vk::netlink
