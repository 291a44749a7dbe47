#include "ServiceProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace vk::netlink::test {

std::filesystem::path makeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

namespace {

int listenOnLoopback(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
    ::close(fd);
    throw std::runtime_error("bind/listen failed");
  }
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

int connectTo(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool sendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ServiceProcess::ServiceProcess(std::filesystem::path dir) : dir_(std::move(dir)) {
  // Stand-ins for the engine's demo song files.
  writeFile(dir_ / "songs" / "first.mic", "MIC stand-in one");
  writeFile(dir_ / "songs" / "second.mic", "MIC stand-in two");
}

ServiceProcess::~ServiceProcess() { kill(); }

void ServiceProcess::start(int port) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  std::string exe = std::string(VK_DIST_DIR) + "/vokaran-service";
  std::string data = (dir_ / "data").string(), songs = (dir_ / "songs").string(),
              unihan = std::string(VK_TEST_DATA_DIR) + "/unihan-mini", portText = std::to_string(port),
              log = (dir_ / "service.log").string();
  std::vector<std::string> args = {exe,      "--data-dir", data,       "--songs-dir", songs, "--unihan-dir", unihan,
                                   "--seed-small", "--port", portText, "--threads",   "16"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  int rc = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (rc != 0) {
    ::close(pipeFds[0]);
    pid_ = -1;
    throw std::runtime_error("posix_spawn(" + exe + ") failed: " + std::strerror(rc));
  }
  // Wait for "listening on http://127.0.0.1:PORT" on its standard output.
  std::string output;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (output.find("listening on") == std::string::npos || output.find('\n', output.find("listening on")) == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd p{pipeFds[0], POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buffer[512];
    ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  auto at = output.find("http://127.0.0.1:");
  if (at == std::string::npos) {
    kill();
    throw std::runtime_error("the service did not start: " + output + readFile(log));
  }
  port_ = std::stoi(output.substr(at + 17));
}

void ServiceProcess::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

FaultProxy::FaultProxy(int upstreamPort) : upstream_(upstreamPort) {
  listener_ = listenOnLoopback(port_);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

FaultProxy::~FaultProxy() {
  stop_ = true;
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  ::close(listener_);
  for (auto& t : threads_) t.join();
}

void FaultProxy::dropRequestOnce(std::string part) {
  std::lock_guard lock(mutex_);
  dropRequests_.push_back(std::move(part));
}

void FaultProxy::dropResponseOnce(std::string part) {
  std::lock_guard lock(mutex_);
  dropResponses_.push_back(std::move(part));
}

void FaultProxy::swallowRequestOnce(std::string part) {
  std::lock_guard lock(mutex_);
  swallows_.push_back(std::move(part));
}

int FaultProxy::count(const std::string& part) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(lines_.begin(), lines_.end(),
                                        [&](const std::string& line) { return line.find(part) != std::string::npos; }));
}

void FaultProxy::clearRules() {
  std::lock_guard lock(mutex_);
  dropRequests_.clear();
  dropResponses_.clear();
  swallows_.clear();
}

bool FaultProxy::waitForCount(const std::string& part, int n) const {
  std::unique_lock lock(mutex_);
  return seen_.wait_for(lock, std::chrono::seconds(60), [&] {
    return std::count_if(lines_.begin(), lines_.end(),
                         [&](const std::string& line) { return line.find(part) != std::string::npos; }) >= n;
  });
}

bool FaultProxy::takeRule(std::vector<std::string>& rules, const std::string& line) {
  for (auto it = rules.begin(); it != rules.end(); ++it)
    if (line.find(*it) != std::string::npos) {
      rules.erase(it);
      return true;
    }
  return false;
}

void FaultProxy::acceptLoop() {
  for (;;) {
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0 || stop_) {
      if (client >= 0) ::close(client);
      return;
    }
    std::lock_guard lock(mutex_);
    threads_.emplace_back([this, client] { serve(client); });
  }
}

// One connection: requests are framed (headers, then Content-Length bytes) so that each one
// can be judged by its request line; answers pass through unless one is to be dropped.
void FaultProxy::serve(int client) {
  int server = connectTo(upstream_);
  std::string pending;        // client bytes not yet judged
  std::size_t bodyLeft = 0;   // bytes of the current request's body still to forward
  bool dropNextAnswer = false;
  bool swallowing = false;    // from a swallowed request on, nothing more is forwarded
  bool open = server >= 0;
  while (open && !stop_) {
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (::poll(fds, 2, 100) < 0) break;
    char buffer[65536];
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
      if (n <= 0 || dropNextAnswer || !sendAll(client, buffer, static_cast<std::size_t>(n))) break;
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      if (swallowing) continue;
      pending.append(buffer, static_cast<std::size_t>(n));
      while (!pending.empty()) {
        if (bodyLeft > 0) {
          std::size_t take = std::min(bodyLeft, pending.size());
          if (!sendAll(server, pending.data(), take)) open = false;
          pending.erase(0, take);
          bodyLeft -= take;
          continue;
        }
        auto end = pending.find("\r\n\r\n");
        if (end == std::string::npos) break;
        std::string head = pending.substr(0, end + 4);
        std::string line = head.substr(0, head.find("\r\n"));
        std::size_t length = 0;
        for (const char* name : {"\r\nContent-Length:", "\r\ncontent-length:"})
          if (auto at = head.find(name); at != std::string::npos) length = std::stoul(head.substr(at + std::strlen(name)));
        bool dropRequest;
        {
          std::lock_guard lock(mutex_);
          lines_.push_back(line);
          dropRequest = takeRule(dropRequests_, line);
          if (!dropRequest && takeRule(dropResponses_, line)) dropNextAnswer = true;
          if (!dropRequest && takeRule(swallows_, line)) swallowing = true;
        }
        seen_.notify_all();
        if (swallowing) {
          pending.clear();
          break;
        }
        if (dropRequest) {
          open = false;
          break;
        }
        if (!sendAll(server, head.data(), head.size())) open = false;
        pending.erase(0, head.size());
        bodyLeft = length;
      }
    }
  }
  ::close(client);
  if (server >= 0) ::close(server);
}

SilentService::SilentService() { listener_ = listenOnLoopback(port_); }
SilentService::~SilentService() { ::close(listener_); }

int closedPort() {
  int port = 0;
  int fd = listenOnLoopback(port);
  ::close(fd);
  return port;
}

}  // namespace vk::netlink::test
