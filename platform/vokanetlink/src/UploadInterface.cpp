// The upload object: one upload at a time on a thread of its own, in packets the service
// acknowledges one by one; suspend, resume and restarts continue from the packets the
// service holds. Its requests are answered on that thread.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "Objects.h"
#include "UploadRecord.h"
#include "netwire/Crc32.h"

namespace vk::netlink {

namespace st = wire::status;

namespace {

constexpr int kAttempts = 4;
constexpr auto kFirstBackoff = std::chrono::milliseconds(200);
constexpr auto kLongestBackoff = std::chrono::milliseconds(10000);

class FileReader {
 public:
  explicit FileReader(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~FileReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  bool ok() const { return fd_ >= 0; }
  bool read(std::string& out, std::size_t size, long long offset) const {
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = ::pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + static_cast<long long>(done)));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

struct FileInfo {
  bool ok = false;
  long long size = 0;
  long long mtime = 0;
};

FileInfo inspect(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  return {true, static_cast<long long>(info.st_size),
          static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

bool retryable(int status) {
  return status == st::kConnectFailed || status == st::kTimedOut || status == st::kBadReply ||
         status == st::kChecksumMismatch || status == st::kInternal;
}

// What RequestUpload hands over, copied while the caller's object is alive.
struct ProductRequest {
  std::string ext;
  std::string path;
  std::string fileUrl;
  int uploadId = 0;
  bool fileUploaded = false;
  wire::ProductSubmission product;
};

}  // namespace

class UploadImpl final : public CUploadInterface, public LinkObject {
 public:
  UploadImpl() : thread_([this] { loop(); }) {}
  ~UploadImpl() override = default;

  int SetCallback(NetworkCallbackFunc callback) override {
    setCallback(callback);
    return 0;
  }
  int SetUploadSession(const char* sessionId) override {
    std::string session = fromSystem(sessionId);
    context_->update([&](Settings& s) { s.uploadSessionId = session; });
    return 0;
  }
  int SetUploadRecordPath(const char* path) override {
    std::string text = fromSystem(path);
    record_.open(text);
    context_->update([&](Settings& s) { s.recordPath = text; });
    return 0;
  }
  int UploadFile(const wchar_t* extension, const wchar_t* path, const wchar_t* key) override {
    Command c{Command::File};
    c.request.ext = utf8(extension);
    c.request.path = utf8(path);
    c.key = utf8(key);
    post(std::move(c));
    return 0;
  }
  int SuspendUpload() override {
    stop_.store(true);
    wake_.notify_all();
    post(Command{Command::SuspendAck});
    return 0;
  }
  int ResumeUpload(int uploadId) override {
    Command c{Command::Resume};
    c.uploadId = uploadId;
    post(std::move(c));
    return 0;
  }
  int RequestUpload(const IUploadProductInfo* info) override {
    Command c{Command::Request};
    if (!info) {
      c.kind = Command::Invalid;
    } else {
      auto& r = c.request;
      r.ext = utf8(info->GetExtension());
      r.path = utf8(info->GetFilePath());
      r.fileUrl = utf8(info->GetFileUrl());
      r.fileUploaded = info->IsFileUploaded();
      std::string id = utf8(info->GetUploadId());
      r.uploadId = !id.empty() && id.size() < 10 && id.find_first_not_of("0123456789") == std::string::npos
                       ? std::stoi(id)
                       : 0;
      auto& p = r.product;
      p.songName = utf8(info->GetSongName());
      p.songId = utf8(info->GetSongId());
      p.singerName = utf8(info->GetSingerName());
      p.singerId = utf8(info->GetSingerId());
      p.timeLength = utf8(info->GetTimeLength());
      p.total = info->GetTotalScore();
      p.pitch = info->GetPitchScore();
      p.expression = info->GetExpressionScore();
      p.rhythm = info->GetRhythmScore();
      p.engineTotal = info->GetEngineTotal();
      p.type = info->IsContestWork() ? 1 : 0;
    }
    post(std::move(c));
    return 0;
  }
  int DeleteWork(int workId) override {
    if (workId <= 0) {
      refuse(6324, st::kBadRequestArgs);
      return 0;
    }
    auto cancel = cancelFlag();
    submit(6324, [workId, cancel](HttpClient& http, const Settings& s) {
      auto r = LinkContext::call(http, s,
                                 LinkContext::Call::send("DELETE", "/v1/works/" + std::to_string(workId)).cancelBy(cancel));
      if (r.status != 0) return Reply::bare(6324, r.status);
      auto result = std::make_unique<WorkIdResult>();
      result->workId = std::to_wstring(workId);
      return Reply::ok<IWorkIdResult>(6324, std::move(result));
    });
    return 0;
  }

  // Any thread but the upload thread's own callbacks: after it returns nothing runs.
  void release() {
    channel_->close();
    stop_.store(true);
    wake_.notify_all();
    channel_->drain();
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }

 private:
  struct Command {
    enum Kind { Request, Resume, File, SuspendAck, Invalid };
    Command() = default;
    explicit Command(Kind k) : kind(k) {}
    Kind kind = Invalid;
    ProductRequest request;
    int uploadId = 0;
    std::string key;
  };

  static int firstReplyOf(const Command& c) {
    switch (c.kind) {
      case Command::Resume: return 6203;
      case Command::SuspendAck: return 6205;
      default: return 6201;
    }
  }

  void post(Command command) {
    if (!channel_->enter()) {
      int id = firstReplyOf(command);
      auto channel = channel_;
      channel->enterRefused();
      std::thread([channel, id] {
        channel->deliver(Reply::bare(id, st::kCancelled));
        channel->leave();
      }).detach();
      return;
    }
    {
      std::lock_guard lock(mutex_);
      commands_.push_back(std::move(command));
    }
    wake_.notify_all();
  }

  void loop() {
    for (;;) {
      Command command;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return quit_ || !commands_.empty(); });
        if (commands_.empty()) return;
        command = std::move(commands_.front());
        commands_.pop_front();
      }
      currentChannel() = channel_.get();
      if (channel_->closed()) {
        deliver(Reply::bare(firstReplyOf(command), st::kCancelled));
      } else {
        try {
          run(command);
        } catch (const std::exception&) {
          deliver(Reply::bare(command.kind == Command::SuspendAck ? 6205 : 6302, st::kBadReply));
        }
      }
      currentChannel() = nullptr;
      channel_->leave();
    }
  }

  void run(const Command& c) {
    switch (c.kind) {
      case Command::Invalid: deliver(Reply::bare(6201, st::kBadRequestArgs)); break;
      case Command::SuspendAck:
        stop_.store(false);
        deliver(Reply::bare(6205, st::kOk));
        break;
      case Command::Request: runRequest(c.request); break;
      case Command::Resume: runResume(c.uploadId); break;
      case Command::File: runFile(c.request, c.key); break;
    }
  }

  bool stopped() const { return stop_.load() || channel_->closed(); }

  // Waits, unless told to stop; false when told to stop.
  bool pause(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, delay, [&] { return quit_ || stopped(); });
    return !stopped();
  }

  void deliver(const Reply& reply) { channel_->deliver(reply); }

  void deliverTicket(const UploadEntry& e) {
    auto t = std::make_unique<UploadTicket>();
    t->uploadId = e.uploadId;
    t->packetTotal = e.packetTotal;
    deliver(Reply::ok<IUploadTicket>(6201, std::move(t)));
  }

  void deliverFinished(const UploadEntry& e) {
    auto f = std::make_unique<UploadFinished>();
    f->uploadId = e.uploadId;
    f->file.address = wide(e.address);
    deliver(Reply::ok<IUploadFinished>(6202, std::move(f)));
  }

  HttpReply call(const LinkContext::Call& c) { return LinkContext::call(http_, context_->settings(), c); }

  // Retries what a restart or a lost packet can explain, with growing pauses.
  HttpReply callWithRetry(LinkContext::Call c) {
    c.uploadSession = true;
    c.cancel = &stop_;
    auto delay = kFirstBackoff;
    HttpReply reply;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
      if (stopped()) {
        reply.status = st::kCancelled;
        return reply;
      }
      reply = call(c);
      if (!retryable(reply.status) || attempt == kAttempts) return reply;
      if (!pause(delay)) {
        reply.status = st::kCancelled;
        return reply;
      }
      delay *= 2;
    }
    return reply;
  }

  // Asks the service for a new upload of the entry's file; fills id and packet total.
  int create(UploadEntry& e) {
    nlohmann::json body = wire::UploadRequest{e.ext, e.size, context_->settings().packetSize};
    std::string text = body.dump();
    auto r = callWithRetry(LinkContext::Call::send("POST", "/v1/uploads", text));
    if (r.status != 0) return r.status;
    auto ticket = payload<wire::UploadTicket>(r);
    e.uploadId = ticket.uploadId;
    e.packetTotal = ticket.packetTotal;
    e.sent = 0;
    e.finished = false;
    e.address.clear();
    return 0;
  }

  void runRequest(const ProductRequest& request) {
    if (request.fileUploaded) {
      // The file is on the service already: only the product record is left.
      auto known = request.uploadId ? record_.byId(request.uploadId) : record_.byPath(request.path);
      UploadEntry e = known.value_or(UploadEntry{});
      if (request.uploadId) e.uploadId = request.uploadId;
      if (e.uploadId == 0) {
        deliver(Reply::bare(6302, st::kUnknownId));
        return;
      }
      e.hasProduct = true;
      e.product = request.product;
      if (known) record_.put(e);
      submitProduct(e);
      return;
    }
    FileInfo file = inspect(request.path);
    if (!file.ok || file.size == 0) {
      deliver(Reply::bare(6201, st::kUploadOpenFailed));
      return;
    }
    UploadEntry e;
    if (auto known = record_.byFile(request.path, file.size, file.mtime)) {
      e = *known;  // the same file again: continue that upload
    } else {
      e.path = request.path;
      e.ext = request.ext;
      e.size = file.size;
      e.mtime = file.mtime;
      if (int status = create(e); status != 0) {
        if (status != st::kCancelled) deliver(Reply::bare(6201, status));  // suspended: 6205 answers
        return;
      }
    }
    e.hasProduct = true;
    e.product = request.product;
    record_.put(e);
    deliverTicket(e);
    if (e.finished)
      deliverFinished(e);
    else if (!transfer(e))
      return;
    submitProduct(e);
  }

  void runResume(int uploadId) {
    auto known = record_.byId(uploadId);
    if (!known) {
      deliver(Reply::bare(6302, st::kUnknownId));
      return;
    }
    UploadEntry e = *known;
    if (e.finished) {
      deliverFinished(e);
    } else if (!transfer(e)) {
      return;
    }
    if (e.hasProduct) submitProduct(e);
  }

  void runFile(const ProductRequest& request, const std::string& key) {
    FileInfo file = inspect(request.path);
    if (!file.ok || file.size == 0) {
      deliver(Reply::bare(6201, st::kUploadOpenFailed));
      return;
    }
    UploadEntry e;
    if (auto known = record_.byFile(request.path, file.size, file.mtime)) {
      e = *known;
    } else if (auto older = record_.byPath(request.path); older && older->hasProduct) {
      // The file changed since its product record was handed over: upload it anew.
      e = *older;
      e.size = file.size;
      e.mtime = file.mtime;
      record_.remove(older->uploadId);
      if (int status = create(e); status != 0) {
        if (status != st::kCancelled) deliver(Reply::bare(6201, status));  // suspended: 6205 answers
        return;
      }
    } else {
      e.path = request.path;
      e.ext = request.ext;
      e.key = key;
      e.size = file.size;
      e.mtime = file.mtime;
      if (int status = create(e); status != 0) {
        if (status != st::kCancelled) deliver(Reply::bare(6201, status));  // suspended: 6205 answers
        return;
      }
    }
    record_.put(e);
    deliverTicket(e);
    if (e.finished)
      deliverFinished(e);
    else if (!transfer(e))
      return;
    if (e.hasProduct) submitProduct(e);
  }

  // Sends the packets the service lacks and finishes the file. True when the file is on the
  // service (6202 delivered); false when stopped or failed (6204 delivered on failure).
  bool transfer(UploadEntry& e) {
    if (failures_ > 0) {
      auto delay = std::min(kLongestBackoff, kFirstBackoff * (1 << std::min(failures_, 6)));
      if (!pause(delay)) return false;
    }
    auto fail = [&](int status) {
      if (status == st::kCancelled) return false;  // suspended or released: no reply
      ++failures_;
      deliver(Reply::bare(6204, status));
      return false;
    };
    FileInfo file = inspect(e.path);
    FileReader reader(e.path);
    if (!file.ok || !reader.ok()) {
      deliver(Reply::bare(6302, st::kUploadOpenFailed));
      return false;
    }
    for (int round = 0; round < 3; ++round) {
      auto state = callWithRetry(LinkContext::Call::get("/v1/uploads/" + std::to_string(e.uploadId)));
      if (state.status == st::kUnknownId || file.size != e.size || file.mtime != e.mtime) {
        // The service lost the upload, or the file changed: start over under a new id.
        int old = e.uploadId;
        e.size = file.size;
        e.mtime = file.mtime;
        if (int status = create(e); status != 0) return fail(status);
        record_.remove(old);
        record_.put(e);
        deliverTicket(e);
        continue;
      }
      if (state.status != 0) return fail(state.status);
      auto s = payload<wire::UploadState>(state);
      if (s.finished) {
        e.finished = true;
        e.address = s.address;
        e.sent = e.packetTotal;
        record_.put(e);
        deliverFinished(e);
        return true;
      }
      std::vector<bool> have(static_cast<std::size_t>(s.packetTotal), false);
      for (int i : s.received)
        if (i >= 0 && i < s.packetTotal) have[static_cast<std::size_t>(i)] = true;
      std::string bytes;
      for (int index = 0; index < s.packetTotal; ++index) {
        if (have[static_cast<std::size_t>(index)]) continue;
        if (stopped()) return false;
        long long offset = static_cast<long long>(index) * s.packetSize;
        auto length = static_cast<std::size_t>(std::min<long long>(s.packetSize, s.size - offset));
        if (!reader.read(bytes, length, offset)) {
          deliver(Reply::bare(6302, st::kUploadOpenFailed));
          return false;
        }
        std::string crc = std::to_string(wire::crc32(0, bytes.data(), bytes.size()));
        auto ack = callWithRetry(LinkContext::Call::send("PUT", "/v1/uploads/" + std::to_string(e.uploadId) + "/packets/" + std::to_string(index), bytes).header(std::string(wire::kCrcHeader), crc).header("Content-Type", "application/octet-stream"));
        if (ack.status == st::kUploadFinished) break;
        if (ack.status != 0) return fail(ack.status);
        failures_ = 0;
        e.sent = payload<wire::PacketAck>(ack).received;
        auto progress = std::make_unique<UploadProgress>();
        progress->sent = e.sent;
        progress->uploadId = e.uploadId;
        deliver(Reply::ok<IUploadProgress>(6203, std::move(progress)));
      }
      auto done = callWithRetry(LinkContext::Call::send("POST", "/v1/uploads/" + std::to_string(e.uploadId) + "/finish"));
      if (done.status == st::kUploadIncomplete) continue;  // packets went missing: send them again
      if (done.status != 0) return fail(done.status);
      failures_ = 0;
      e.finished = true;
      e.address = payload<wire::UploadFinished>(done).address;
      e.sent = e.packetTotal;
      record_.put(e);
      deliverFinished(e);
      return true;
    }
    return fail(st::kUploadIncomplete);
  }

  void submitProduct(UploadEntry& e) {
    e.product.uploadId = e.uploadId;
    std::string body = nlohmann::json(e.product).dump();
    auto r = callWithRetry(LinkContext::Call::send("POST", "/v1/products", body));
    if (r.status == st::kCancelled) return;
    if (r.status == 0 || r.status == st::kProductAlreadyAccepted) record_.remove(e.uploadId);
    deliver(Reply::bare(6302, r.status));
  }

  UploadRecord record_;
  HttpClient http_;  // the upload thread's
  std::atomic<bool> stop_{false};
  int failures_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Command> commands_;
  bool quit_ = false;
  std::thread thread_;  // last: starts once everything above exists
};

}  // namespace vk::netlink

CUploadInterface* CUploadInterface::CreateInstance(void* main) { return main ? new vk::netlink::UploadImpl() : nullptr; }

void CUploadInterface::ReleaseInstance(CUploadInterface* upload) {
  auto* impl = static_cast<vk::netlink::UploadImpl*>(upload);
  if (!impl) return;
  impl->release();
  delete impl;
}
