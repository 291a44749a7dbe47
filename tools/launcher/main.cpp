// vokaran-launcher: the development launcher. It plays the parent launcher's part: writes the
// parameter document, listens on the launcher link, starts vokaran-pk from its own folder,
// relays commands typed on its standard input and prints what the module sends it.
//
//   vokaran-launcher [--set KEY=VALUE]... [--omit KEY]... [--codepage GBK]
//                    [--service-url URL] [--service-data DIR] [--mail M --password P]
//                    [--no-service]
//
// Before starting the module it makes sure the contest service answers (starting the one
// beside it for a local address) and logs the user in; the login's values go into the
// parameter document, under the --set values; --set values of the account (leaveCanSingRecNum,
// leaveCanUploadNum, VokaCoin, Telphone) are set on the service too, where it takes them
// (--dev-accounts), so the module sees the same account. Without a service it falls back to
// the demo user's seeded session.
//
// Commands (one a line): exit, exit-now, devices OUT_ID OUT_NAME IN_ID IN_NAME, device-lost.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <map>
#include <mutex>
#include <sstream>
#include <iomanip>
#include <string>
#include <thread>
#include <vector>

#include "LaunchDocument.h"
#include "ServiceLogin.h"
#include "app/DeviceChoice.h"
#include "oscompat/CodePage.h"
#include "oscompat/LauncherLink.h"
#include "oscompat/Paths.h"
#include "oscompat/UnixSocket.h"
#include "oscompat/Utf.h"

extern char** environ;

namespace {

std::mutex outMutex;
void say(const std::string& line) {
  std::lock_guard<std::mutex> lock(outMutex);
  std::printf("launcher: %s\n", line.c_str());
  std::fflush(stdout);
}

int usage() {
  std::fprintf(stderr,
               "usage: vokaran-launcher [--set KEY=VALUE]... [--omit KEY]... [--codepage CP]\n"
               "                        [--service-url URL] [--service-data DIR]\n"
               "                        [--mail MAIL --password PASSWORD] [--no-service]\n");
  return 2;
}

void setParam(std::vector<std::pair<std::string, std::string>>& params, const std::string& key,
              const std::string& value) {
  auto it = std::find_if(params.begin(), params.end(), [&](auto& p) { return p.first == key; });
  if (it != params.end())
    it->second = value;
  else
    params.emplace_back(key, value);
}

// The module's connection (the newest one when the module reconnects).
std::mutex linkMutex;
std::shared_ptr<oscompat::LauncherConnection> moduleLink;

void printFrame(const oscompat::LauncherFrame& frame) {
  using M = oscompat::LauncherMessage;
  const auto& p = frame.payload;
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(p[at] | p[at + 1] << 8 | p[at + 2] << 16 |
                                 static_cast<uint32_t>(p[at + 3]) << 24);
  };
  if (frame.type == M::CopyData && p.size() >= 4) {
    const uint32_t tag = u32(0);
    if (tag == kDeviceChoiceTag && p.size() == 4 + sizeof(DeviceChoice)) {
      DeviceChoice choice;
      std::memcpy(&choice, p.data() + 4, sizeof(choice));
      say("device-choice out=" + std::to_string(choice.entries[0].id) + " \"" +
          oscompat::utf8FromWide(DeviceChoice::nameOf(choice.entries[0])) + "\" in=" +
          std::to_string(choice.entries[1].id) + " \"" +
          oscompat::utf8FromWide(DeviceChoice::nameOf(choice.entries[1])) + "\"");
    } else {
      say("copy-data tag=" + std::to_string(tag) + " bytes=" + std::to_string(p.size() - 4));
    }
  } else if (frame.type == M::UserContext && p.size() >= 4) {
    std::string text(p.begin() + 4, p.end());
    // The account key stays off the terminal.
    const auto key = text.find("SecretKey=");
    if (key != std::string::npos) {
      const auto end = text.find('\n', key);
      text.replace(key + 10, (end == std::string::npos ? text.size() : end) - key - 10, "***");
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    say("user-context code=" + std::to_string(static_cast<int32_t>(u32(0))) + " " + text);
  } else {
    say("message type=" + std::to_string(static_cast<unsigned>(frame.type)) + " bytes=" +
        std::to_string(p.size()));
  }
}

void acceptLoop(int listenFd, int stopFd) {
  while (true) {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) return;
    const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    auto link = std::make_shared<oscompat::LauncherConnection>();
    link->adopt(fd);
    link->startReceiving(printFrame);
    std::lock_guard<std::mutex> lock(linkMutex);
    moduleLink = link;
  }
}

bool sendToModule(oscompat::LauncherMessage type, const void* data, size_t size) {
  std::shared_ptr<oscompat::LauncherConnection> link;
  {
    std::lock_guard<std::mutex> lock(linkMutex);
    link = moduleLink;
  }
  if (!link || !link->send(type, data, size)) {
    say("the module is not connected");
    return false;
  }
  return true;
}

void commandLoop() {
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    using M = oscompat::LauncherMessage;
    if (command.empty()) continue;
    if (command == "exit") {
      sendToModule(M::ExitApp, nullptr, 0);
    } else if (command == "exit-now") {
      sendToModule(M::PkExitApp, nullptr, 0);
    } else if (command == "device-lost") {
      sendToModule(M::AudioDevChange, nullptr, 0);
    } else if (command == "devices") {
      int outId = 0, inId = 0;
      std::string outName, inName;
      // A name with spaces comes in double quotes ("File output").
      if (!(in >> outId >> std::quoted(outName) >> inId >> std::quoted(inName))) {
        say("usage: devices OUT_ID OUT_NAME IN_ID IN_NAME (names with spaces in double quotes)");
        continue;
      }
      const DeviceChoice choice = DeviceChoice::make(outId, oscompat::wideFromUtf8(outName), inId,
                                                     oscompat::wideFromUtf8(inName));
      sendToModule(M::SettingAudioDevChange, &choice, sizeof(choice));
    } else {
      say("unknown command: " + command + " (exit, exit-now, devices, device-lost)");
    }
  }
}

pid_t child = -1;
void forwardSignal(int sig) {
  if (child > 0) kill(child, sig);
}

}  // namespace

int main(int argc, char** argv) {
  auto params = defaultLaunchParams();
  // On the engine's file device the system has one device each way, and a parent launcher
  // names the devices it has: the module then starts on them without asking.
  if (const char* audio = std::getenv("VOKARAN_AUDIO"); audio && std::string(audio) == "file")
    for (auto& [key, value] : params) {
      if (key == "DeviceOut") value = "File output";
      if (key == "DeviceIn") value = "File microphone";
    }
  std::vector<std::pair<std::string, std::string>> sets;
  std::vector<std::string> omits;
  std::string codePage;
  const char* envUrl = std::getenv("VOKARAN_SERVICE_URL");
  ServiceOptions service{envUrl && *envUrl ? envUrl : "http://127.0.0.1:8730",
                         oscompat::executableDirectory() + "/../service-data",
                         "demo@vokaran.example", "vokaran-demo"};
  bool useService = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--set" || arg == "--omit" || arg == "--codepage" ||
                            arg == "--service-url" || arg == "--service-data" ||
                            arg == "--mail" || arg == "--password";
    if (takesValue && i + 1 >= argc) return usage();
    if (arg == "--set") {
      const std::string kv = argv[++i];
      const auto eq = kv.find('=');
      if (eq == std::string::npos || eq == 0) return usage();
      sets.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
    } else if (arg == "--omit") {
      omits.emplace_back(argv[++i]);
    } else if (arg == "--codepage") {
      codePage = argv[++i];
    } else if (arg == "--service-url") {
      service.url = argv[++i];
    } else if (arg == "--service-data") {
      service.dataDir = argv[++i];
    } else if (arg == "--mail") {
      service.mail = argv[++i];
    } else if (arg == "--password") {
      service.password = argv[++i];
    } else if (arg == "--no-service") {
      useService = false;
    } else {
      return usage();
    }
  }
  while (!service.url.empty() && service.url.back() == '/') service.url.pop_back();

  pid_t servicePid = -1;
  if (useService) {
    if (!serviceIsUp(service.url)) {
      servicePid = startService(service);
      if (servicePid > 0)
        say("started the contest service at " + service.url + " (data " + service.dataDir + ")");
    } else {
      say("using the contest service at " + service.url);
    }
    std::map<std::string, std::string> login;
    std::string why;
    if (loginToService(service, login, why)) {
      for (const auto& [key, value] : login) setParam(params, key, value);
      say("logged in as user " + login["UserID"]);
      std::string refused;
      if (!setAccountOnService(service, login["SessionID"], login["UserID"], sets, refused))
        say("the service kept its own account values (" + refused + "); the module will see those");
    } else {
      say("login failed (" + why + "); using the demo user's seeded session");
    }
    setenv("VOKARAN_SERVICE_URL", service.url.c_str(), 1);
    // The module's web pages (recharge, help, ...) are those of this service.
    rebaseWebAddresses(params, service.url);
  }
  for (const auto& [key, value] : sets) setParam(params, key, value);
  for (const auto& key : omits)
    params.erase(std::remove_if(params.begin(), params.end(), [&](auto& p) { return p.first == key; }),
                 params.end());
  std::string document = buildLaunchDocument(params);
  if (!codePage.empty()) {
    bool ok = false;
    document = oscompat::codePageFromWide(oscompat::wideFromUtf8(document), codePage, &ok);
    if (!ok) {
      std::fprintf(stderr, "vokaran-launcher: the parameters cannot be written in %s\n", codePage.c_str());
      return 2;
    }
    setenv("VOKARAN_CODEPAGE", codePage.c_str(), 1);
  }

  const std::string socketPath = oscompat::launcherSocketPath();
  int listenFd = oscompat::unixsock::listenAt(socketPath);
  if (listenFd < 0) {
    std::fprintf(stderr, "vokaran-launcher: cannot listen on %s: %s\n", socketPath.c_str(),
                 std::strerror(errno));
    return 1;
  }
  int stopPipe[2];
  if (pipe(stopPipe) != 0) return 1;
  std::thread acceptor(acceptLoop, listenFd, stopPipe[0]);

  const std::string module = oscompat::executableDirectory() + "/vokaran-pk";
  std::vector<char*> childArgv{const_cast<char*>(module.c_str()), document.data(), nullptr};
  if (posix_spawn(&child, module.c_str(), nullptr, nullptr, childArgv.data(), environ) != 0) {
    std::fprintf(stderr, "vokaran-launcher: cannot start %s: %s\n", module.c_str(), std::strerror(errno));
    return 1;
  }
  signal(SIGINT, forwardSignal);
  signal(SIGTERM, forwardSignal);
  say("started " + module + " (pid " + std::to_string(child) + ")");
  std::thread(commandLoop).detach();  // ends with the process; stdin may never close

  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  say("the module ended with exit code " + std::to_string(code));

  const char stop = 'x';
  (void)!write(stopPipe[1], &stop, 1);
  acceptor.join();
  {
    std::lock_guard<std::mutex> lock(linkMutex);
    if (moduleLink) moduleLink->close();
    moduleLink.reset();
  }
  oscompat::unixsock::closeFd(listenFd);
  unlink(socketPath.c_str());
  if (servicePid > 0) {
    kill(servicePid, SIGTERM);
    waitpid(servicePid, nullptr, 0);
    say("stopped the contest service");
  }
  std::fflush(stdout);
  _exit(code);
}
