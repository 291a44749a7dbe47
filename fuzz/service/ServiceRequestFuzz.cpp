// Fuzz target: any bytes as one request to the service (method, path, query, headers, body).
// Whatever comes in, the service answers with an HTTP code and, for the API, a JSON body
// whose status is 0 exactly when the request succeeded.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Service.h"

namespace {

std::filesystem::path& worldDir() {
  static std::filesystem::path dir;
  return dir;
}

vk::service::Service& service() {
  static vk::service::Service* instance = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vk-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    worldDir() = pattern;
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(worldDir(), error);
    });
    vk::service::ServiceConfig config;
    config.dataDir = worldDir() / "data";
    config.songsDir = worldDir() / "songs";
    config.unihanDir = VK_FUZZ_UNIHAN_DIR;
    config.publicUrl = "http://fuzz.test";
    // Cheap password hashes: the run tries many logins, and the cost is not what it tests.
    config.passwordMemoryKiB = 64;
    config.passwordPasses = 1;
    std::filesystem::create_directories(config.songsDir);
    auto* s = new vk::service::Service(config);
    s->seedDemo(vk::service::SeedOptions{30, 10, 5, 3, 2, true});
    return s;
  }();
  return *instance;
}

}  // namespace

// Input: byte 0 picks the method (low two bits) and the headers (next bits); then the target
// up to the first newline; then the packet checksum header up to the next newline; the rest
// is the body.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char* const methods[] = {"GET", "POST", "PUT", "DELETE"};
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  auto newline = input.find('\n');
  std::string_view target = input.substr(0, newline);
  std::string_view rest = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  auto second = rest.find('\n');
  std::string_view crc = rest.substr(0, second);
  std::string_view body = second == std::string_view::npos ? std::string_view() : rest.substr(second + 1);

  vk::service::Request request;
  request.method = methods[data[0] & 3];
  auto question = target.find('?');
  request.path = target.substr(0, question);
  std::string_view query = question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
  while (!query.empty()) {
    auto amp = query.find('&');
    auto part = query.substr(0, amp);
    auto eq = part.find('=');
    request.query.emplace_back(part.substr(0, eq), eq == std::string_view::npos ? std::string_view() : part.substr(eq + 1));
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
  }
  if (data[0] & 4) request.session = vk::service::kDemoSessionId;
  request.user = (data[0] & 8) ? std::string_view("10002") : vk::service::kDemoUserId;
  request.crc = crc;
  request.body = body;
  if (body.size() > vk::service::Service::bodyLimit(request.method, request.path)) return 0;  // the transport refuses these

  auto response = service().handle(request);
  if (response.http < 200 || response.http > 599) std::abort();
  if (response.file.empty() && response.contentType == "application/json") {
    auto json = nlohmann::json::parse(response.body, nullptr, false);
    if (!json.is_object() || !json.contains("status") || !json["status"].is_number_integer()) std::abort();
    int status = json["status"];
    // Success and failure agree between the HTTP code and the status (-143 is a success).
    if ((response.http == 200) != (status == 0 || status == -143)) std::abort();
    if (status != 0 && status != -143 && !(json.contains("error") && json["error"].is_string())) std::abort();
  }
  return 0;
}
