#include "LinkContext.h"

#include <cstdlib>

#include "netwire/Wire.h"

namespace vk::netlink {

namespace st = wire::status;

Channel*& currentChannel() {
  thread_local Channel* channel = nullptr;
  return channel;
}

void Channel::deliver(const Reply& reply) {
  NetworkCallbackFunc callback = callback_.load();
  if (callback) callback(reply.result, reply.tag, reply.messageId, reply.status);
}

bool Channel::enter() {
  std::lock_guard lock(mutex_);
  if (cancelled_.load()) return false;
  ++pending_;
  return true;
}

void Channel::enterRefused() {
  std::lock_guard lock(mutex_);
  ++pending_;
}

void Channel::leave() {
  std::lock_guard lock(mutex_);
  --pending_;
  idle_.notify_all();
}

void Channel::close() {
  std::lock_guard lock(mutex_);
  cancelled_.store(true);
}

void Channel::drain() {
  std::unique_lock lock(mutex_);
  const int own = currentChannel() == this ? 1 : 0;
  idle_.wait(lock, [&] { return pending_ <= own; });
}

namespace {

std::mutex contextMutex;
std::weak_ptr<LinkContext> contextInstance;

long envLong(const char* name, long fallback, long minimum, long maximum) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (*end != '\0' || value < minimum || value > maximum) return fallback;
  return value;
}

}  // namespace

std::shared_ptr<LinkContext> LinkContext::acquire() {
  std::lock_guard lock(contextMutex);
  if (auto existing = contextInstance.lock()) return existing;
  std::shared_ptr<LinkContext> context(new LinkContext());
  contextInstance = context;
  return context;
}

LinkContext::LinkContext() {
  const char* url = std::getenv("VOKARAN_SERVICE_URL");
  if (!url) {
    settings_.serviceUrl = std::string(wire::kDefaultServiceUrl);
  } else {
    std::string text(url);
    while (!text.empty() && (text.back() == '/' || text.back() == ' ')) text.pop_back();
    if (!text.empty()) settings_.serviceUrl = text;
  }
  settings_.timeoutMs = envLong("VOKARAN_NET_TIMEOUT_MS", 15000, 50, 3600000);
  settings_.connectTimeoutMs = std::min(3000L, settings_.timeoutMs);
  settings_.packetSize = envLong("VOKARAN_UPLOAD_PACKET_BYTES", 0, static_cast<long>(wire::kMinPacketSize),
                                 static_cast<long>(wire::kMaxPacketSize));
  for (int i = 0; i < 4; ++i) workers_.emplace_back([this] { workerLoop(); });
}

LinkContext::~LinkContext() {
  {
    std::lock_guard lock(queueMutex_);
    stopping_ = true;
  }
  queueReady_.notify_all();
  for (auto& worker : workers_) {
    // The last object may be released from a callback, on one of these very threads.
    if (worker.get_id() == std::this_thread::get_id())
      worker.detach();
    else
      worker.join();
  }
}

Settings LinkContext::settings() const {
  std::lock_guard lock(settingsMutex_);
  return settings_;
}

void LinkContext::update(const std::function<void(Settings&)>& change) {
  std::lock_guard lock(settingsMutex_);
  change(settings_);
}

void LinkContext::submit(const std::shared_ptr<Channel>& channel, int messageId, int tag, Work work) {
  if (!channel->enter()) {
    // Closed: the answer still comes, from a library thread, as cancelled; releasing the
    // object waits for it.
    channel->enterRefused();
    std::thread([channel, messageId, tag] {
      channel->deliver(Reply::bare(messageId, st::kCancelled, tag));
      channel->leave();
    }).detach();
    return;
  }
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(Job{channel, messageId, tag, std::move(work)});
  }
  queueReady_.notify_one();
}

void LinkContext::workerLoop() {
  HttpClient http;
  for (;;) {
    Job job;
    {
      std::unique_lock lock(queueMutex_);
      queueReady_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, nothing left
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    Reply reply;
    if (job.channel->closed()) {
      reply = Reply::bare(job.messageId, st::kCancelled, job.tag);
    } else {
      currentChannel() = job.channel.get();
      try {
        reply = job.work(http, settings());
      } catch (const std::exception&) {
        reply = Reply::bare(job.messageId, st::kBadReply, job.tag);
      }
      if (reply.messageId == 0) reply.messageId = job.messageId;
      reply.tag = job.tag;
    }
    job.channel->deliver(reply);
    currentChannel() = nullptr;
    job.channel->leave();
  }
}

HttpReply LinkContext::call(HttpClient& http, const Settings& settings, const Call& call) {
  if (!settings.serviceUrl) {
    HttpReply reply;
    reply.status = st::kNoServiceAddress;
    reply.error = "no service address (VOKARAN_SERVICE_URL is empty)";
    return reply;
  }
  HttpRequest request;
  request.method = call.method;
  request.url = *settings.serviceUrl + call.path;
  request.body = call.body;
  request.timeoutMs = settings.timeoutMs;
  request.connectTimeoutMs = settings.connectTimeoutMs;
  request.cancel = call.cancel;
  request.binary = call.binary;
  const std::string& session =
      call.uploadSession && !settings.uploadSessionId.empty() ? settings.uploadSessionId : settings.sessionId;
  request.headers.emplace_back(std::string(wire::kSessionHeader), session);
  request.headers.emplace_back(std::string(wire::kUserHeader), settings.userId);
  if (!settings.clientId.empty()) request.headers.emplace_back(std::string(wire::kClientHeader), settings.clientId);
  bool typed = false;
  for (auto& header : call.headers) {
    request.headers.push_back(header);
    typed = typed || header.first == "Content-Type";
  }
  if (!call.body.empty() && !typed) request.headers.emplace_back("Content-Type", "application/json");
  return http.perform(request);
}

}  // namespace vk::netlink
