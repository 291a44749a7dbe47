#include <sys/file.h>
#include <fcntl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "ServiceImpl.h"
#include "netwire/Utf8.h"

namespace vk::service {

namespace st = wire::status;

Response jsonResponse(int http, const nlohmann::json& body) {
  Response response;
  response.http = http;
  response.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return response;
}

std::string htmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string formatCoins(std::int64_t cents) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(cents / 100),
                static_cast<long long>(cents % 100));
  return text;
}

namespace {
// A decimal number of at most 18 digits (no sign, no spaces).
bool parseOffset(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}
}  // namespace

void applyByteRange(Response& response, std::string_view range) {
  response.headers.emplace_back("Accept-Ranges", "bytes");
  if (response.file.empty() || response.http != 200 || range.empty()) return;
  constexpr std::string_view unit = "bytes=";
  if (!range.starts_with(unit)) return;
  std::string_view spec = range.substr(unit.size());
  while (!spec.empty() && spec.front() == ' ') spec.remove_prefix(1);
  while (!spec.empty() && spec.back() == ' ') spec.remove_suffix(1);
  if (spec.find(',') != std::string_view::npos) return;  // several ranges: the whole file
  const std::uint64_t size = response.fileSize;
  auto unsatisfiable = [&] {
    response = jsonResponse(416, wire::errorReply(st::kBadArgument, "the range lies outside the file"));
    response.headers.emplace_back("Accept-Ranges", "bytes");
    response.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
  };
  const auto dash = spec.find('-');
  if (dash == std::string_view::npos) return unsatisfiable();
  std::uint64_t first = 0, last = 0;
  if (dash == 0) {
    // The last n bytes.
    std::uint64_t suffix = 0;
    if (!parseOffset(spec.substr(1), suffix) || suffix == 0 || size == 0) return unsatisfiable();
    first = size - std::min(suffix, size);
    last = size - 1;
  } else {
    if (!parseOffset(spec.substr(0, dash), first) || first >= size) return unsatisfiable();
    if (dash + 1 == spec.size()) {
      last = size - 1;
    } else {
      if (!parseOffset(spec.substr(dash + 1), last) || last < first) return unsatisfiable();
      last = std::min(last, size - 1);
    }
  }
  response.http = 206;
  response.fileOffset = first;
  response.fileSize = last - first + 1;
  response.headers.emplace_back("Content-Range", "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                                                     std::to_string(size));
}

std::optional<std::string_view> queryValue(const Request& request, std::string_view name) {
  for (auto& [key, value] : request.query)
    if (key == name) return value;
  return std::nullopt;
}

int queryInt(const Request& request, std::string_view name, int fallback, int minimum, int maximum) {
  auto text = queryValue(request, name);
  if (!text) return fallback;
  int value = 0;
  auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size() || text->empty())
    refuse(400, st::kBadArgument, "parameter '" + std::string(name) + "' must be an integer");
  if (value < minimum || value > maximum)
    refuse(400, st::kBadArgument,
           "parameter '" + std::string(name) + "' must lie in " + std::to_string(minimum) + ".." +
               std::to_string(maximum));
  return value;
}

std::optional<SessionCache::Entry> SessionCache::find(const std::string& sessionId) const {
  std::shared_lock lock(mutex_);
  auto it = entries_.find(sessionId);
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

void SessionCache::put(const std::string& sessionId, Entry entry) {
  std::unique_lock lock(mutex_);
  if (entries_.size() > 100000) entries_.clear();
  entries_[sessionId] = entry;
}

void SessionCache::erase(const std::string& sessionId) {
  std::unique_lock lock(mutex_);
  entries_.erase(sessionId);
}

void SessionCache::clear() {
  std::unique_lock lock(mutex_);
  entries_.clear();
}

std::optional<std::string> PageCache::find(const std::string& key) const {
  std::shared_lock lock(mutex_);
  auto it = entries_.find(key);
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

void PageCache::put(const std::string& key, std::string body) {
  std::unique_lock lock(mutex_);
  if (entries_.size() > 20000) entries_.clear();
  entries_[key] = std::move(body);
}

void PageCache::clear() {
  std::unique_lock lock(mutex_);
  entries_.clear();
}

namespace {
std::uint32_t fnv1a(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}
}  // namespace

void SongFiles::rescanLocked() {
  files_.clear();
  std::error_code error;
  for (auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    if (entry.is_regular_file(error) && entry.path().extension() == ".mic") files_.push_back(entry.path());
  }
  std::sort(files_.begin(), files_.end());
}

std::filesystem::path SongFiles::fileFor(std::string_view songId) {
  std::lock_guard lock(mutex_);
  std::error_code error;
  if (files_.empty()) rescanLocked();
  if (files_.empty()) return {};
  auto chosen = files_[fnv1a(songId) % files_.size()];
  if (!std::filesystem::is_regular_file(chosen, error)) {
    // The folder changed under us (the engine's build rewrote it): look again.
    rescanLocked();
    if (files_.empty()) return {};
    chosen = files_[fnv1a(songId) % files_.size()];
  }
  return chosen;
}

std::filesystem::path SongFiles::named(std::string_view fileName) const {
  if (fileName.empty() || fileName.size() > 128 || fileName.front() == '.' ||
      fileName.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
    return {};
  std::filesystem::path file = folder_ / std::string(fileName);
  std::error_code error;
  return std::filesystem::is_regular_file(file, error) ? file : std::filesystem::path();
}

namespace {
LoginRules loginRules(const ServiceConfig& c) {
  if (c.loginFreeFailures < 1 || c.loginAddressFreeFailures < 1)
    throw std::runtime_error("the free login failures must be at least 1");
  if (c.loginFirstDelaySeconds < 1 || c.loginMaxDelaySeconds < c.loginFirstDelaySeconds || c.loginForgetSeconds < 1)
    throw std::runtime_error("login delays: need 1 <= first delay <= longest delay, and a forget time of 1 s or more");
  return LoginRules{.pairFreeFailures = c.loginFreeFailures, .addressFreeFailures = c.loginAddressFreeFailures,
                    .firstDelay = c.loginFirstDelaySeconds, .maxDelay = c.loginMaxDelaySeconds,
                    .forget = c.loginForgetSeconds};
}

PasswordCost passwordCost(const ServiceConfig& c) {
  // The library's own limits: at least one pass and lane, and 8 KiB of memory per lane.
  if (c.passwordPasses < 1 || c.passwordLanes < 1 || c.passwordLanes > 64 || c.passwordMemoryKiB < 8 * c.passwordLanes)
    throw std::runtime_error("password cost: need passes >= 1, 1..64 lanes and 8 KiB of memory per lane");
  return PasswordCost{c.passwordMemoryKiB, c.passwordPasses, c.passwordLanes};
}
}  // namespace

Service::Impl::Impl(ServiceConfig c)
    : config(std::move(c)),
      logins(loginRules(config)),
      passwordCost(vk::service::passwordCost(config)),
      songFiles(config.songsDir),
      publicUrl(config.publicUrl) {
  if (config.dataDir.empty()) throw std::runtime_error("no data directory given");
  std::filesystem::create_directories(config.dataDir);
  lock = openFile(config.dataDir / "service.lock", O_RDWR | O_CREAT);
  if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
    throw std::runtime_error("flock(" + (config.dataDir / "service.lock").string() +
                             ") failed: another service uses this data directory");
  store = config.dataDir / "store";
  for (auto sub : {"songs", "pictures", "uploads", "works"}) std::filesystem::create_directories(store / sub);
  db = std::make_unique<Database>(DatabaseTarget{.sqliteFile = (config.dataDir / "vokaran.db").string(),
                                                 .postgresUrl = config.databaseUrl,
                                                 .fullSync = config.fullSync});
  files = std::make_unique<LocalFileStore>(store);
  playable = std::make_unique<PlayableCopies>(store / "playable");
  if (!config.menuVersion.empty()) {
    // A seeded world serves the menu of the version asked for; a world still to be seeded
    // gets it when it is seeded.
    auto lease = db->acquire();
    Statement read(*lease, "SELECT version FROM menu WHERE id = 1");
    if (read.step() && read.text(0) != config.menuVersion) publishMenu(*lease, config.menuVersion);
  }
  sweepAbandonedUploads();
  // Copies a stopped service had not made yet (the worker skips those that exist).
  auto lease = db->acquire();
  Statement works(*lease, "SELECT upload_id, file FROM works WHERE upload_id IS NOT NULL AND file != ''");
  while (works.step()) playable->request(works.int64(0), files->localFile(works.text(1)));
}

std::int64_t Service::Impl::now() const {
  if (config.clock) return config.clock();
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string Service::Impl::url(std::string_view path) const {
  std::shared_lock lock(urlMutex);
  return publicUrl + std::string(path);
}

Caller Service::Impl::authenticate(const Request& request) {
  if (request.session.empty() || request.session.size() > 128)
    refuse(401, st::kNotLoggedIn, "no session: log in through the launcher first");
  if (!isDigits(request.user, 18)) refuse(401, st::kNotLoggedIn, "no user id with the session");
  std::int64_t userId = std::stoll(std::string(request.user));
  std::string sessionId(request.session);
  auto entry = sessions.find(sessionId);
  if (!entry) {
    auto connection = db->acquire();
    Statement read(*connection, "SELECT user_id, expires, revoked FROM sessions WHERE session_id = ?");
    read.bind(1, sessionId);
    if (!read.step() || read.integer(2) != 0) refuse(401, st::kNotLoggedIn, "unknown or revoked session");
    entry = SessionCache::Entry{read.int64(0), read.int64(1)};
    sessions.put(sessionId, *entry);
  }
  if (entry->expires <= now()) {
    sessions.erase(sessionId);
    refuse(401, st::kSessionExpired, "the session has expired: log in again");
  }
  if (entry->userId != userId) refuse(403, st::kForbidden, "the session belongs to another user");
  return Caller{userId, std::move(sessionId)};
}

namespace {
std::vector<std::string_view> splitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 1;  // after the leading '/'
  while (start <= path.size()) {
    auto end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}
}  // namespace

Response Service::Impl::dispatch(const Request& r) {
  if (r.path.empty() || r.path[0] != '/') refuse(400, st::kBadName, "the path must start with '/'");
  auto p = splitPath(r.path);
  auto is = [&](std::initializer_list<std::string_view> want) {
    if (p.size() != want.size()) return false;
    std::size_t i = 0;
    for (auto w : want) {
      if (w != "*" && p[i] != w) return false;
      ++i;
    }
    return true;
  };
  const bool get = r.method == "GET", post = r.method == "POST", put = r.method == "PUT",
             del = r.method == "DELETE";

  // Public: pictures, works and their pages are opened by plain downloads and browsers.
  if (get && is({"media", "pictures", "*"})) return mediaPicture(p[2]);
  if (get && is({"media", "works", "*"})) return mediaWork(r, p[2]);
  if (get && is({"media", "playable", "*"})) return mediaPlayable(r, p[2]);
  if (get && is({"works", "*"})) return workPage(p[1]);
  if (get && is({"contest", "*"})) return contestPage(p[1]);
  if (get && is({"recharge"})) return rechargeStart(r);
  if (get && is({"recharge", "*"})) return rechargePage(p[1]);
  if (post && is({"recharge", "*"})) return rechargeConfirm(r, p[1]);
  if (p.empty() || p[0] != "v1") refuse(404, st::kNoSuchRoute, "no such page");
  if (get && is({"v1", "health"})) return okResponse({{"service", "vokaran-service"}});
  if (post && is({"v1", "launcher", "login"})) return login(r);

  Caller caller = authenticate(r);
  if (post && is({"v1", "session", "revoke"})) return revokeSession(caller);
  if (get && is({"v1", "user"})) return userRecord(caller);
  if (get && is({"v1", "user", "rights"})) return rights(caller);
  if (get && is({"v1", "user", "tone"})) return tone(caller);
  if (post && is({"v1", "user", "charge"})) return charge(r, caller);
  if (post && is({"v1", "user", "fee"})) return feeReport(r, caller);
  if (post && is({"v1", "packets"})) return packet(r, caller);
  if (post && is({"v1", "dev", "account"})) return devAccount(r, caller);
  if (get && is({"v1", "songs"})) return songs(r);
  if (get && is({"v1", "singers"})) return singers(r);
  if (get && is({"v1", "songfiles", "*"})) return songFile(p[2]);
  if (get && is({"v1", "menu", "version"})) return menuVersion();
  if (get && is({"v1", "menu"})) return menuDocument();
  if (get && is({"v1", "songbook"})) return songBookPage(r, caller);
  if (post && is({"v1", "songbook"})) return songBookAdd(r, caller);
  if (del && is({"v1", "songbook", "*"})) return songBookRemove(p[2], caller);
  if (get && is({"v1", "contest", "square"})) return square();
  if (get && is({"v1", "contest", "period"})) return period();
  if (get && is({"v1", "contest", "products"})) return products(r);
  if (get && is({"v1", "contest", "rank"})) return rank(r, caller);
  if (get && is({"v1", "products", "*", "picture"})) return productPicture(p[2]);
  if (post && is({"v1", "products"})) return productRecord(r, caller);
  if (get && is({"v1", "works"})) return worksList(r, caller);
  if (del && is({"v1", "works", "*"})) return workDelete(p[2], caller);
  if (post && is({"v1", "uploads"})) return uploadCreate(r, caller);
  if (get && is({"v1", "uploads", "*"})) return uploadState(p[2], caller);
  if (put && is({"v1", "uploads", "*", "packets", "*"})) return uploadPacket(r, p[2], p[4], caller);
  if (post && is({"v1", "uploads", "*", "finish"})) return uploadFinish(p[2], caller);
  refuse(404, st::kNoSuchRoute, "no such operation: " + std::string(r.method) + " " + std::string(r.path));
}

Service::Service(ServiceConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}
Service::~Service() = default;

Response Service::handle(const Request& request) {
  try {
    return impl_->dispatch(request);
  } catch (const ApiError& e) {
    return jsonResponse(e.http, wire::errorReply(e.status, e.message));
  } catch (const wire::WireError& e) {
    return jsonResponse(400, wire::errorReply(st::kBadJson, e.what()));
  } catch (const nlohmann::json::exception& e) {
    return jsonResponse(400, wire::errorReply(st::kBadJson, e.what()));
  } catch (const SqlError& e) {
    std::cerr << "vokaran-service: " << request.method << ' ' << request.path << ": " << e.what() << '\n';
    if (!e.unavailable()) return jsonResponse(500, wire::errorReply(st::kInternal, "internal service error"));
    // Nothing of the request was committed: the client may send it again.
    auto response = jsonResponse(503, wire::errorReply(st::kUnavailable, "the service's database cannot be reached now: try again shortly"));
    response.headers.emplace_back("Retry-After", "5");
    return response;
  } catch (const std::exception& e) {
    std::cerr << "vokaran-service: " << request.method << ' ' << request.path << ": " << e.what() << '\n';
    return jsonResponse(500, wire::errorReply(st::kInternal, "internal service error"));
  }
}

std::size_t Service::bodyLimit(std::string_view method, std::string_view path) {
  // Only packets are large; everything else is a small JSON document.
  if (method == "PUT" && path.starts_with(wire::path::kUploads) && path.find("/packets/") != std::string_view::npos)
    return wire::kMaxPacketSize;
  return wire::kMaxJsonBody;
}

void Service::setPublicUrl(std::string url) {
  std::unique_lock lock(impl_->urlMutex);
  impl_->publicUrl = std::move(url);
}

bool Service::waitForPlayableCopies(int timeoutMs) {
  return impl_->playable->waitIdle(std::chrono::milliseconds(timeoutMs));
}

const ServiceConfig& Service::config() const { return impl_->config; }

bool Service::seedDemo(const SeedOptions& options) {
  bool seeded = seedWorld(*impl_, options);
  impl_->pages.clear();
  impl_->sessions.clear();
  return seeded;
}

}  // namespace vk::service
