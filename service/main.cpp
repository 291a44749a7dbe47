// vokaran-service: the contest service (HTTP/1.1 + JSON over SQLite or PostgreSQL, and a file
// store).
#include <algorithm>
#include <cctype>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "core/Files.h"
#include "core/HttpServer.h"
#include "core/Service.h"
#include "netwire/Wire.h"

namespace {

const char* const kUsage =
    "usage: vokaran-service --data-dir DIR [options]\n"
    "  --data-dir DIR      the file store, and the SQLite database (created on first start)\n"
    "  --database URL      the database: sqlite (default: vokaran.db in the data directory) or\n"
    "                      postgresql://USER@HOST:PORT/NAME, a PostgreSQL database that several\n"
    "                      services may share (libpq's URL; password from ~/.pgpass or PGPASSWORD)\n"
    "  --port N            TCP port (default 8730; 0 picks a free one)\n"
    "  --bind ADDR         address to listen on (default 127.0.0.1)\n"
    "  --public-url URL    start of the addresses given out (default http://ADDR:PORT)\n"
    "  --songs-dir DIR     the engine's song files (default: songs beside the executable's folder)\n"
    "  --unihan-dir DIR    Unicode's Unihan_*.txt.bz2 (default " VK_UNIHAN_DIR ")\n"
    "  --seed-demo         build the demo world unless the data directory holds one\n"
    "  --seed-small        build a small world (60 songs) for tests instead\n"
    "  --seed-large        build a large world (100,000 songs) for benchmarks instead\n"
    "  --fsync             sync every packet and commit to disk (survives machine crashes)\n"
    "  --threads N         worker threads for requests that change data (default: one per core)\n"
    "  --event-threads N   threads of the event loop that holds the connections and answers\n"
    "                      reading requests (default: one per core)\n"
    "  --max-connections-per-address N  open connections one client address may hold\n"
    "                      (default 256; 0 for no limit)\n"
    "  --session-ttl SEC   lifetime of a login session (default 30 days)\n"
    "  --upload-max-age SEC  an unfinished upload silent this long is removed (default 7 days)\n"
    "  --port-file PATH    write the port here once listening\n"
    "  --dev-accounts      let a logged-in user set their own allowance, coins and phone number\n"
    "                      (POST /v1/dev/account; for demos and development only)\n"
    "  --menu-version V    serve the practice menu of version V (another than 2024.1 serves its\n"
    "                      later edition: one item gone, a pop-up emptied, one item new)\n";

std::filesystem::path executableDir() {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : exe.parent_path();
}

[[noreturn]] void usageError(const std::string& message) {
  std::cerr << "vokaran-service: " << message << "\n" << kUsage;
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vk::service;
  ServiceConfig config;
  config.songsDir = executableDir().parent_path() / "songs";
  config.unihanDir = VK_UNIHAN_DIR;
  std::string bindAddress = "127.0.0.1", publicUrl, portFile;
  int port = vk::wire::kDefaultPort, threads = 0;
  vk::service::HttpLimits limits;
  // The world to build: none, or the demo, small or large one.
  std::string seedName;
  SeedOptions seedOptions;
  auto seed = [&](const std::string& name, const SeedOptions& options) {
    if (!seedName.empty() && seedName != name) usageError("give only one of --seed-demo, --seed-small, --seed-large");
    seedName = name;
    seedOptions = options;
  };

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usageError(arg + " needs a value");
      return argv[++i];
    };
    auto number = [&](int low, int high) {
      std::string text = value();
      if (!isDigits(text, 9) || std::stoi(text) < low || std::stoi(text) > high)
        usageError(arg + " needs a number in " + std::to_string(low) + ".." + std::to_string(high));
      return std::stoi(text);
    };
    if (arg == "--data-dir") config.dataDir = value();
    else if (arg == "--database") {
      std::string url = value();
      if (url == "sqlite") config.databaseUrl.clear();
      else if (url.starts_with("postgresql://") || url.starts_with("postgres://")) config.databaseUrl = url;
      else usageError("--database needs sqlite or a postgresql:// URL");
    }
    else if (arg == "--port") port = number(0, 65535);
    else if (arg == "--bind") bindAddress = value();
    else if (arg == "--public-url") publicUrl = value();
    else if (arg == "--songs-dir") config.songsDir = value();
    else if (arg == "--unihan-dir") config.unihanDir = value();
    else if (arg == "--seed-demo") seed("demo", SeedOptions{});
    else if (arg == "--seed-small") seed("small", kSmallSeed);
    else if (arg == "--seed-large") seed("large", kLargeSeed);
    else if (arg == "--fsync") config.fullSync = true;
    else if (arg == "--threads") threads = number(1, 4096);
    else if (arg == "--event-threads") limits.eventThreads = number(1, 4096);
    else if (arg == "--max-connections-per-address") limits.maxConnectionsPerAddress = number(0, 1000000);
    else if (arg == "--session-ttl") config.sessionTtlSeconds = number(1, 100000000);
    else if (arg == "--upload-max-age") config.uploadMaxAgeSeconds = number(60, 100000000);
    else if (arg == "--port-file") portFile = value();
    else if (arg == "--dev-accounts") config.devAccounts = true;
    else if (arg == "--menu-version") {
      config.menuVersion = value();
      const bool plain = std::all_of(config.menuVersion.begin(), config.menuVersion.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '-' || c == '_';
      });
      if (config.menuVersion.empty() || config.menuVersion.size() > 32 || !plain)
        usageError("--menu-version needs 1 to 32 letters, digits, '.', '-' or '_'");
    }
    else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else {
      usageError("unknown option " + arg);
    }
  }
  if (config.dataDir.empty()) usageError("--data-dir is required");

  // SIGINT and SIGTERM stop the server from a thread of their own.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // Every open connection is a descriptor: allow as many as the system lets this process have.
  if (rlimit files{}; getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }

  try {
    Service service(config);
    if (!seedName.empty() && service.seedDemo(seedOptions))
      std::cout << "vokaran-service: seeded the " << seedName << " world\n";
    HttpServer server(service, threads, limits);
    int bound = server.bind(bindAddress, port);
    if (bound < 0) {
      std::cerr << "vokaran-service: cannot listen on " << bindAddress << ":" << port << ": " << std::strerror(errno)
                << "\n";
      return 1;
    }
    if (publicUrl.empty())
      publicUrl = "http://" + (bindAddress == "0.0.0.0" ? std::string("127.0.0.1") : bindAddress) + ":" +
                  std::to_string(bound);
    service.setPublicUrl(publicUrl);
    std::thread([&server, stopSignals] {
      int received = 0;
      sigwait(&stopSignals, &received);
      server.stop();
    }).detach();
    if (!portFile.empty()) writeFileAtomic(portFile, std::to_string(bound));
    std::cout << "vokaran-service: listening on " << publicUrl << " (data " << config.dataDir.string()
              << (config.databaseUrl.empty() ? ", SQLite" : ", PostgreSQL") << ")" << std::endl;
    bool ok = server.run();
    std::cout << "vokaran-service: stopped" << std::endl;
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "vokaran-service: " << e.what() << "\n";
    return 1;
  }
}
