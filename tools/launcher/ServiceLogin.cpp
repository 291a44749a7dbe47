#include "ServiceLogin.h"

#include <curl/curl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>
#include <vector>

#include "oscompat/Paths.h"

extern char** environ;

namespace {

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// One request; false when no answer came. `httpCode` and `body` hold the answer.
bool request(const std::string& url, const std::string* postBody, long timeoutMs, long& httpCode,
             std::string& body, const std::vector<std::string>& extraHeaders = {}) {
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) return false;
  std::unique_ptr<curl_slist, HeaderListDeleter> headers(
      curl_slist_append(nullptr, "Content-Type: application/json"));
  for (const auto& header : extraHeaders) headers.reset(curl_slist_append(headers.release(), header.c_str()));
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
  if (postBody) {
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, postBody->c_str());
  }
  if (curl_easy_perform(curl.get()) != CURLE_OK) return false;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &httpCode);
  return true;
}

}  // namespace

bool serviceIsUp(const std::string& url) {
  long code = 0;
  std::string body;
  if (!request(url + "/v1/health", nullptr, 2000, code, body) || code != 200) return false;
  const auto reply = nlohmann::json::parse(body, nullptr, false);
  return reply.is_object() && reply.value("service", "") == "vokaran-service";
}

pid_t startService(const ServiceOptions& options) {
  static const std::regex loopback(R"(^http://(127\.0\.0\.1|localhost):(\d+)/?$)");
  std::smatch match;
  if (!std::regex_match(options.url, match, loopback)) {
    std::fprintf(stderr, "vokaran-launcher: no service at %s, and it is not on this machine\n",
                 options.url.c_str());
    return -1;
  }
  const std::string service = oscompat::executableDirectory() + "/vokaran-service";
  std::error_code error;
  std::filesystem::create_directories(options.dataDir, error);
  // The development service takes the account values of --set (setAccountOnService).
  std::vector<std::string> args{service, "--data-dir", options.dataDir, "--seed-demo",
                                "--port", match[2].str(), "--bind", "127.0.0.1", "--dev-accounts"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, service.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "vokaran-launcher: cannot start %s\n", service.c_str());
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (serviceIsUp(options.url)) return pid;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      std::fprintf(stderr, "vokaran-launcher: the service ended at its start (see above)\n");
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::fprintf(stderr, "vokaran-launcher: the service did not answer within 20 s\n");
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return -1;
}

bool loginToService(const ServiceOptions& options, std::map<std::string, std::string>& params,
                    std::string& error) {
  const std::string body =
      nlohmann::json{{"mail", options.mail}, {"password", options.password}}.dump();
  long code = 0;
  std::string answer;
  if (!request(options.url + "/v1/launcher/login", &body, 5000, code, answer)) {
    error = "the service did not answer";
    return false;
  }
  const auto reply = nlohmann::json::parse(answer, nullptr, false);
  if (code != 200 || !reply.is_object() || reply.value("status", -1) != 0) {
    error = "the login was refused (HTTP " + std::to_string(code) + ")";
    return false;
  }
  const auto user = reply.find("user");
  if (user == reply.end() || !user->is_object()) {
    error = "the login answer holds no user";
    return false;
  }
  for (const auto& [key, value] : user->items())
    params[key] = value.is_string() ? value.get<std::string>() : value.dump();
  params["UserID"] = reply.value("userId", params["UserID"]);
  params["SessionID"] = reply.value("sessionId", "");
  return true;
}

bool setAccountOnService(const ServiceOptions& options, const std::string& sessionId, const std::string& userId,
                         const std::vector<std::pair<std::string, std::string>>& sets, std::string& error) {
  nlohmann::json account = nlohmann::json::object();
  for (const auto& [key, value] : sets) {
    if (key == "leaveCanSingRecNum" || key == "leaveCanUploadNum") {
      char* end = nullptr;
      const long number = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0') {
        error = key + " must be a number";
        return false;
      }
      account[key] = number;
    } else if (key == "VokaCoin" || key == "Telphone") {
      account[key] = value;
    }
  }
  if (account.empty()) return true;
  const std::string body = account.dump();
  long code = 0;
  std::string answer;
  if (!request(options.url + "/v1/dev/account", &body, 5000, code, answer,
               {"X-Vokaran-Session: " + sessionId, "X-Vokaran-User: " + userId})) {
    error = "the service did not answer";
    return false;
  }
  if (code != 200) {
    const auto reply = nlohmann::json::parse(answer, nullptr, false);
    error = "HTTP " + std::to_string(code) +
            (reply.is_object() ? ": " + reply.value("message", std::string()) : std::string()) +
            (code == 404 ? " (start the service with --dev-accounts)" : "");
    return false;
  }
  return true;
}
