// The library's state shared by every object of the process: the service address, the login
// session, and the worker threads that run requests and call the callbacks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "HttpClient.h"
#include "vokanetlink/VokaNetLink.h"

namespace vk::netlink {

// Owner of a result object handed to the callback.
struct ResultBase {
  virtual ~ResultBase() = default;
};

struct Reply {
  int messageId = 0;
  int status = 0;
  int tag = 0;
  std::unique_ptr<ResultBase> owner;
  void* result = nullptr;  // the interface pointer the callback receives

  // A reply without a result object: a failure, or a success that carries nothing.
  static Reply bare(int messageId, int status, int tag = 0) {
    Reply reply;
    reply.messageId = messageId;
    reply.status = status;
    reply.tag = tag;
    return reply;
  }
  // `Interface` is what the receiver casts the void* back to.
  template <class Interface, class Impl>
  static Reply ok(int messageId, std::unique_ptr<Impl> impl, int tag = 0) {
    Reply reply;
    reply.messageId = messageId;
    reply.tag = tag;
    reply.result = static_cast<void*>(static_cast<Interface*>(impl.get()));
    reply.owner = std::move(impl);
    return reply;
  }
};

// The callback side of one library object: it counts the object's unanswered requests so
// that releasing the object can wait for them.
class Channel {
 public:
  void setCallback(NetworkCallbackFunc callback) { callback_.store(callback); }
  // Any thread. Calls the callback, without holding a lock (callbacks make new requests).
  void deliver(const Reply& reply);

  // Counts a request in; false once the channel is closed (the request must then be answered
  // as cancelled by the caller).
  bool enter();
  // Counts in the answer to a refused request, which still has to be delivered.
  void enterRefused();
  void leave();
  // Refuses new work and marks queued and running work as cancelled.
  void close();
  bool closed() const { return cancelled_.load(); }
  const std::atomic<bool>& cancelFlag() const { return cancelled_; }
  // Waits until every counted request was answered, except one running on this very thread.
  void drain();

 private:
  std::atomic<NetworkCallbackFunc> callback_{nullptr};
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::condition_variable idle_;
  int pending_ = 0;
};

struct Settings {
  std::optional<std::string> serviceUrl;  // nullopt: no address
  std::string sessionId;
  std::string uploadSessionId;
  std::string userId;
  std::string clientId;
  std::string mail;
  long timeoutMs = 15000;
  long connectTimeoutMs = 3000;
  long long packetSize = 0;  // 0: the service's default
  std::string recordPath;    // the upload record (UTF-8); the menu document lies beside it
};

// What a request does on a worker thread; returns its one reply.
using Work = std::function<Reply(HttpClient& http, const Settings& settings)>;

class LinkContext {
 public:
  // The process's context, created with the first object and gone with the last.
  static std::shared_ptr<LinkContext> acquire();
  ~LinkContext();

  Settings settings() const;
  void update(const std::function<void(Settings&)>& change);

  // Queues `work` for `channel`; the reply goes to the channel's callback exactly once (as
  // cancelled when the channel closes first). Any thread.
  void submit(const std::shared_ptr<Channel>& channel, int messageId, int tag, Work work);
  int nextTag() { return tag_.fetch_add(1) + 1; }

  struct Call {
    std::string method = "GET";
    std::string path;  // with its query
    std::string_view body;
    const std::atomic<bool>* cancel = nullptr;
    bool uploadSession = false;  // the upload object's session instead of main's
    bool binary = false;         // the body is bytes (a picture, a song file), not JSON
    std::vector<std::pair<std::string, std::string>> headers;

    static Call get(std::string path) {
      Call c;
      c.path = std::move(path);
      return c;
    }
    static Call send(std::string method, std::string path, std::string_view body = {}) {
      Call c;
      c.method = std::move(method);
      c.path = std::move(path);
      c.body = body;
      return c;
    }
    Call& cancelBy(const std::atomic<bool>* flag) {
      cancel = flag;
      return *this;
    }
    Call& asBinary() {
      binary = true;
      return *this;
    }
    Call& header(std::string name, std::string value) {
      headers.emplace_back(std::move(name), std::move(value));
      return *this;
    }
  };
  // Builds the URL and the session headers of a service call and performs it.
  static HttpReply call(HttpClient& http, const Settings& settings, const Call& call);

 private:
  LinkContext();
  void workerLoop();

  struct Job {
    std::shared_ptr<Channel> channel;
    int messageId;
    int tag;
    Work work;
  };

  mutable std::mutex settingsMutex_;
  Settings settings_;
  std::atomic<int> tag_{0};

  std::mutex queueMutex_;
  std::condition_variable queueReady_;
  std::deque<Job> queue_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

// The channel whose request the calling thread is running, if any (library threads).
Channel*& currentChannel();

}  // namespace vk::netlink
