// Inside the service: shared state, helpers and the handlers, implemented by concern in
// Api*.cpp. Every handler runs on a request thread, concurrently with others.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "Database.h"
#include "FileStore.h"
#include "Files.h"
#include "LoginGuard.h"
#include "Password.h"
#include "Playable.h"
#include "Service.h"
#include "Unihan.h"
#include "netwire/Wire.h"
#include "netwire/WireTypes.h"

namespace vk::service {

// A refused request: the HTTP code, the protocol status and a message for people.
struct ApiError {
  int http;
  int status;
  std::string message;
};

[[noreturn]] inline void refuse(int http, int status, std::string message) {
  throw ApiError{http, status, std::move(message)};
}

struct Caller {
  std::int64_t userId = 0;
  std::string sessionId;
};

Response jsonResponse(int http, const nlohmann::json& body);
inline Response okResponse(nlohmann::json payload = nlohmann::json::object()) {
  return jsonResponse(200, wire::okReply(std::move(payload)));
}
std::string htmlEscape(std::string_view text);
std::string formatCoins(std::int64_t cents);
// Narrows a file response to the byte range a Range header asks for ("bytes=a-b", "bytes=a-",
// "bytes=-n"): 206 with Content-Range, or 416 when the range lies outside the file or is not
// well-formed. No header, another unit than bytes, or several ranges: the whole file (200).
// Always adds Accept-Ranges: bytes.
void applyByteRange(Response& response, std::string_view range);

// Query parameters: absent ones give the default; present ones must be well-formed.
std::optional<std::string_view> queryValue(const Request& request, std::string_view name);
int queryInt(const Request& request, std::string_view name, int fallback, int minimum, int maximum);

// Sessions seen recently, so most requests authenticate without the database.
class SessionCache {
 public:
  struct Entry {
    std::int64_t userId;
    std::int64_t expires;
  };
  std::optional<Entry> find(const std::string& sessionId) const;
  void put(const std::string& sessionId, Entry entry);
  void erase(const std::string& sessionId);
  void clear();

 private:
  mutable std::shared_mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

// Catalogue replies by query; the catalogue changes only when it is (re)indexed.
class PageCache {
 public:
  std::optional<std::string> find(const std::string& key) const;
  void put(const std::string& key, std::string body);
  void clear();

 private:
  mutable std::shared_mutex mutex_;
  std::unordered_map<std::string, std::string> entries_;
};

// The engine's song files found in the songs folder, sorted by name.
class SongFiles {
 public:
  explicit SongFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}
  // The file that plays `songId`: the same file for the same id as long as the folder holds
  // the same files. Empty when the folder holds none.
  std::filesystem::path fileFor(std::string_view songId);
  // The file of that name in the folder; empty when the folder has none, or when the name
  // is empty or not a plain file name.
  std::filesystem::path named(std::string_view fileName) const;

 private:
  void rescanLocked();
  std::filesystem::path folder_;
  std::mutex mutex_;
  std::vector<std::filesystem::path> files_;
};

struct Service::Impl {
  explicit Impl(ServiceConfig config);

  ServiceConfig config;
  FileDescriptor lock;
  std::filesystem::path store;  // <data>/store: songs/, pictures/, uploads/, works/, playable/
  std::unique_ptr<FileStore> files;  // the uploads' parts and the work files they become
  std::unique_ptr<PlayableCopies> playable;  // store/playable: the works' copies browsers play
  std::unique_ptr<Database> db;
  SessionCache sessions;
  LoginGuard logins;
  PasswordCost passwordCost;
  PageCache pages;
  SongFiles songFiles;
  mutable std::shared_mutex urlMutex;
  std::string publicUrl;

  std::int64_t now() const;
  std::string url(std::string_view path) const;  // publicUrl + path
  std::string storePath(std::string_view relative) const { return (store / relative).string(); }

  Response dispatch(const Request& request);
  Caller authenticate(const Request& request);
  wire::UserRecord loadUser(Connection& connection, std::int64_t userId);

  // Users, sessions, account (ApiUser.cpp)
  Response login(const Request& request);
  Response revokeSession(const Caller& caller);
  Response userRecord(const Caller& caller);
  Response rights(const Caller& caller);
  Response tone(const Caller& caller);
  Response charge(const Request& request, const Caller& caller);
  Response feeReport(const Request& request, const Caller& caller);
  Response packet(const Request& request, const Caller& caller);

  // Catalogue, song files, menu, song book (ApiCatalogue.cpp)
  Response songs(const Request& request);
  Response singers(const Request& request);
  Response songFile(std::string_view songId);
  Response menuVersion();
  Response menuDocument();
  Response songBookPage(const Request& request, const Caller& caller);
  Response songBookAdd(const Request& request, const Caller& caller);
  Response songBookRemove(std::string_view songNo, const Caller& caller);

  // Contest, works, public pages (ApiContest.cpp)
  Response square();
  Response period();
  Response products(const Request& request);
  Response rank(const Request& request, const Caller& caller);
  Response productPicture(std::string_view key);
  Response worksList(const Request& request, const Caller& caller);
  Response workDelete(std::string_view workId, const Caller& caller);
  Response mediaPicture(std::string_view name);
  Response mediaWork(const Request& request, std::string_view name);
  Response mediaPlayable(const Request& request, std::string_view name);
  Response workPage(std::string_view workId);
  Response contestPage(std::string_view songId);

  // The recharge pages opened from the module's recharge dialog, and the development account
  // edits (ApiRecharge.cpp)
  Response rechargeStart(const Request& request);
  Response rechargePage(std::string_view token);
  Response rechargeConfirm(const Request& request, std::string_view token);
  Response devAccount(const Request& request, const Caller& caller);

  // Uploads and product records (ApiUpload.cpp)
  Response uploadCreate(const Request& request, const Caller& caller);
  // Removes abandoned uploads (see ServiceConfig::uploadMaxAgeSeconds); the number removed.
  // Runs at start and then at most once an hour, from new upload requests.
  int sweepAbandonedUploads();
  std::atomic<std::int64_t> lastUploadSweep{0};
  Response uploadState(std::string_view uploadId, const Caller& caller);
  Response uploadPacket(const Request& request, std::string_view uploadId, std::string_view index,
                        const Caller& caller);
  Response uploadFinish(std::string_view uploadId, const Caller& caller);
  Response productRecord(const Request& request, const Caller& caller);
};

// The public pages (ApiContest.cpp): an HTML answer, and a page in the service's look (`head`
// goes into the page's head).
Response htmlResponse(int http, std::string body);
std::string htmlPage(std::string_view title, std::string_view content, std::string_view head = {});

// Reads the JSON body as a record, refusing malformed input with status::kBadJson.
template <class T>
T parseBody(const Request& request) {
  try {
    return wire::parseAs<T>(request.body);
  } catch (const std::exception& e) {
    refuse(400, wire::status::kBadJson, e.what());
  }
}

// Names of the demo world's songs, singers and people (Seeder.cpp).
bool seedWorld(Service::Impl& service, const SeedOptions& options);
// Makes the practice menu of `version` the one served (the first edition for
// kFirstMenuVersion, the later one for any other).
void publishMenu(Connection& connection, const std::string& version);
// Fills the pinyin initials, stroke counts and name lengths of every song and singer.
void indexCatalogue(Connection& connection, const Unihan& unihan);
// Session ids (ApiUser.cpp).
std::string randomHex(std::size_t bytes);

}  // namespace vk::service
