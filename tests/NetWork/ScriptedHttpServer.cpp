#include "ScriptedHttpServer.h"

#include <FreeImage.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vktest {

ScriptedHttpServer::ScriptedHttpServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0)
    throw std::runtime_error("ScriptedHttpServer: bind/listen failed");
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] {
    while (!stop_) {
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      serve(client);  // one at a time: the tests' requests come one after the other
    }
  });
}

ScriptedHttpServer::~ScriptedHttpServer() {
  stop_ = true;
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  ::close(listener_);
}

void ScriptedHttpServer::on(const std::string& path, std::vector<std::string> rawAnswers) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[path] = std::move(rawAnswers);
}

std::string ScriptedHttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int ScriptedHttpServer::requests(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(path);
  return it == counts_.end() ? 0 : it->second;
}

std::string ScriptedHttpServer::answer(const std::string& body, long long announced, bool noLength) {
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
  if (!noLength)
    head += "Content-Length: " + std::to_string(announced < 0 ? static_cast<long long>(body.size()) : announced) + "\r\n";
  return head + "\r\n" + body;
}

void ScriptedHttpServer::serve(int client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const auto start = request.find(' ') + 1;
  const std::string path = request.substr(start, request.find(' ', start) - start);
  std::string reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const int served = counts_[path]++;
    auto it = answers_.find(path);
    if (it != answers_.end() && !it->second.empty())
      reply = it->second[std::min<std::size_t>(static_cast<std::size_t>(served), it->second.size() - 1)];
  }
  // Big bodies go out in pieces, so the reader meets them in several reads.
  for (std::size_t at = 0; at < reply.size();) {
    const ssize_t n = ::send(client, reply.data() + at, std::min<std::size_t>(reply.size() - at, 16384), MSG_NOSIGNAL);
    if (n <= 0) break;
    at += static_cast<std::size_t>(n);
  }
  ::shutdown(client, SHUT_WR);
  while (::recv(client, buffer, sizeof buffer, 0) > 0) {
  }
  ::close(client);
}

std::string encodedPicture(int format) {
  FIBITMAP* bitmap = FreeImage_Allocate(8, 8, 24);
  FIMEMORY* memory = FreeImage_OpenMemory();
  FreeImage_SaveToMemory(static_cast<FREE_IMAGE_FORMAT>(format), bitmap, memory, 0);
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory, &data, &size);
  std::string bytes(reinterpret_cast<const char*>(data), size);
  FreeImage_CloseMemory(memory);
  FreeImage_Unload(bitmap);
  return bytes;
}

}  // namespace vktest
