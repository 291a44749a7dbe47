// Upload throughput of the networking library (resumable packets of the service's default
// size) against one plain HTTP upload of the same file, in one request, to the same service.
// Prints both and their ratio. The service address comes from VOKARAN_SERVICE_URL.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "netwire/Crc32.h"
#include "netwire/Wire.h"
#include "vokanetlink/VokaNetLink.h"

namespace {

using Clock = std::chrono::steady_clock;
const char* kSession = "vk-demo-session-10001";

struct EasyDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

nlohmann::json send(CURL* curl, const std::string& method, const std::string& url, const std::string& body,
                    const std::vector<std::string>& extra = {}) {
  std::unique_ptr<curl_slist, ListDeleter> headers;
  curl_slist* list = nullptr;
  for (auto line : {std::string("X-Vokaran-Session: ") + kSession, std::string("X-Vokaran-User: 10001"),
                    std::string("Expect:")})
    list = curl_slist_append(list, line.c_str());
  for (auto& line : extra) list = curl_slist_append(list, line.c_str());
  headers.reset(list);
  std::string reply;
  curl_easy_reset(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  if (CURLcode code = curl_easy_perform(curl); code != CURLE_OK) {
    std::fprintf(stderr, "curl_easy_perform failed: %s\n", curl_easy_strerror(code));
    std::exit(1);
  }
  auto json = nlohmann::json::parse(reply, nullptr, false);
  if (!json.is_object() || json.value("status", -1) != 0) {
    std::fprintf(stderr, "%s %s: %s\n", method.c_str(), url.c_str(), reply.c_str());
    std::exit(1);
  }
  return json;
}

// The reference: the whole file as one packet, with the same create and finish steps.
// The whole file in one request, or, above the service's largest packet (16 MiB), in requests
// of that size one after the other on one connection.
double plainUpload(const std::string& service, const std::string& bytes) {
  std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  auto start = Clock::now();
  const std::size_t packet = std::min(bytes.size(), vk::wire::kMaxPacketSize);
  nlohmann::json create = {{"ext", ".WMV"}, {"size", bytes.size()}, {"packetSize", packet}};
  int id = send(curl.get(), "POST", service + "/v1/uploads", create.dump())["uploadId"];
  for (std::size_t index = 0; index * packet < bytes.size(); ++index) {
    std::string part = bytes.substr(index * packet, packet);
    std::string crc = std::to_string(vk::wire::crc32(0, part.data(), part.size()));
    send(curl.get(), "PUT", service + "/v1/uploads/" + std::to_string(id) + "/packets/" + std::to_string(index), part,
         {std::string(vk::wire::kCrcHeader) + ": " + crc, "Content-Type: application/octet-stream"});
  }
  send(curl.get(), "POST", service + "/v1/uploads/" + std::to_string(id) + "/finish", "");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::mutex mutex;
std::condition_variable changed;
int finishedUploads = 0;
int failedStatus = 0;

int callback(void*, int, int messageId, int status) {
  std::lock_guard lock(mutex);
  if (messageId == 6202) ++finishedUploads;
  if (status != 0 && messageId != 6302) failedStatus = status;
  changed.notify_all();
  return status;
}

struct Product : IUploadProductInfo {
  std::wstring path, ext = L".WMV", name = L"bench", id = L"100001", empty;
  const wchar_t* GetExtension() const override { return ext.c_str(); }
  const wchar_t* GetSongName() const override { return name.c_str(); }
  const wchar_t* GetSongId() const override { return id.c_str(); }
  const wchar_t* GetSingerName() const override { return name.c_str(); }
  const wchar_t* GetSingerId() const override { return id.c_str(); }
  const wchar_t* GetText6() const override { return empty.c_str(); }
  const wchar_t* GetFilePath() const override { return path.c_str(); }
  const wchar_t* GetFileUrl() const override { return empty.c_str(); }
  const wchar_t* GetText9() const override { return empty.c_str(); }
  const wchar_t* GetTimeLength() const override { return empty.c_str(); }
  int GetFileSize() const override { return 0; }
  int GetInt12() const override { return 0; }
  int GetTotalScore() const override { return 0; }
  int GetPitchScore() const override { return 0; }
  int GetExpressionScore() const override { return 0; }
  int GetRhythmScore() const override { return 0; }
  int GetEngineTotal() const override { return 0; }
  const wchar_t* GetText18() const override { return empty.c_str(); }
  const wchar_t* GetUploadId() const override { return empty.c_str(); }
  const wchar_t* GetUserId() const override { return empty.c_str(); }
  int GetInt21() const override { return 2; }
  bool IsContestWork() const override { return false; }
  bool IsFileUploaded() const override { return false; }
};

// From the request to the file's address (the product record is not part of the transfer).
double libraryUpload(CUploadInterface* upload, const std::filesystem::path& file) {
  Product product;
  product.path = file.wstring();
  std::unique_lock lock(mutex);
  int before = finishedUploads;
  auto start = Clock::now();
  upload->RequestUpload(&product);
  changed.wait(lock, [&] { return finishedUploads > before || failedStatus != 0; });
  if (failedStatus != 0) {
    std::fprintf(stderr, "the library's upload failed with %d\n", failedStatus);
    std::exit(1);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const char* url = std::getenv("VOKARAN_SERVICE_URL");
  if (!url || !*url) {
    std::fprintf(stderr, "set VOKARAN_SERVICE_URL (bench/service/run-upload-bench does)\n");
    return 2;
  }
  const std::size_t megabytes = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 16;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  curl_global_init(CURL_GLOBAL_DEFAULT);
  auto dir = std::filesystem::temp_directory_path() / ("vk-upload-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string bytes;
  // A file to upload as it is (bench/upload's mixed work), or random bytes of the size asked for.
  if (const char* given = std::getenv("VOKARAN_UPLOAD_FILE"); given && *given) {
    std::ifstream in(given, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (bytes.empty()) {
      std::fprintf(stderr, "cannot read %s\n", given);
      return 2;
    }
  } else {
    bytes.assign(megabytes << 20, '\0');
    std::mt19937 random(5);
    for (auto& b : bytes) b = static_cast<char>(random());
  }

  auto* main = CMainInterface::CreateInstance();
  auto* upload = CUploadInterface::CreateInstance(main);
  upload->SetCallback(callback);
  main->SetSession(kSession, L"10001");
  std::vector<double> plain, library;
  for (int round = 0; round < rounds; ++round) {
    // A new file each round: the library would otherwise resume the finished upload.
    auto file = dir / ("work" + std::to_string(round) + ".WMV");
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    plain.push_back(plainUpload(url, bytes));
    library.push_back(libraryUpload(upload, file));
  }
  CUploadInterface::ReleaseInstance(upload);
  main->Shutdown();
  CMainInterface::ReleaseInstance(main);
  std::filesystem::remove_all(dir);

  double mb = static_cast<double>(bytes.size()) / (1 << 20);
  double plainRate = mb / median(plain), libraryRate = mb / median(library);
  std::printf("upload of %.1f MiB, median of %d rounds\n", mb, rounds);
  std::printf("%-44s %10.1f MiB/s\n", "plain HTTP upload, whole file (reference)", plainRate);
  std::printf("%-44s %10.1f MiB/s\n", "library, packets of the service's default size", libraryRate);
  std::printf("ratio to the plain upload: %.2f (goal >= 0.80)\n", libraryRate / plainRate);
  return 0;
}
