// Single instance, the launcher link, auto-reset events, shell "open" and message boxes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "TestSupport.h"
#include "oscompat/AutoResetEvent.h"
#include "oscompat/LauncherLink.h"
#include "oscompat/MessageBox.h"
#include "oscompat/ShellOpen.h"
#include "oscompat/SingleInstance.h"

using namespace oscompat;
using namespace std::chrono_literals;

TEST(AutoResetEvent, OneSetReleasesOneWaitEvenWhenItCameFirst) {
  AutoResetEvent event;
  event.set();
  EXPECT_TRUE(event.waitFor(0ms));
  EXPECT_FALSE(event.waitFor(10ms));  // reset itself
  std::thread setter([&] { event.set(); });
  event.wait();
  setter.join();
}

TEST(SingleInstance, SecondStartDefersToTheFirstAndAsksItToComeForward) {
  vktest::TempDir dir;
  SingleInstance first("Vokaran PK", dir.path());
  ASSERT_TRUE(first.acquire());
  SingleInstance second("Vokaran PK", dir.path());
  EXPECT_FALSE(second.acquire());
  // The mutex exists but no window answers yet: the second start would proceed.
  EXPECT_FALSE(second.askFirstInstanceToRaise());

  std::mutex m;
  std::condition_variable cv;
  bool raised = false;
  ASSERT_TRUE(first.listenForRaise([&] {
    std::lock_guard<std::mutex> lock(m);
    raised = true;
    cv.notify_all();
  }));
  EXPECT_TRUE(second.askFirstInstanceToRaise());
  std::unique_lock<std::mutex> lock(m);
  EXPECT_TRUE(cv.wait_for(lock, 5s, [&] { return raised; }));
}

TEST(SingleInstance, LockLeftByACrashedInstanceDoesNotBlockANewStart) {
  vktest::TempDir dir;
  const pid_t child = fork();
  if (child == 0) {
    SingleInstance crashed("Vokaran PK", dir.path());
    _exit(crashed.acquire() ? 0 : 1);  // no destructor: the files stay behind
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  SingleInstance next("Vokaran PK", dir.path());
  EXPECT_TRUE(next.acquire());
  EXPECT_FALSE(next.askFirstInstanceToRaise());  // the stale socket file answers nobody
}

TEST(LauncherLink, FramesCarryTypeAndPayloadAndOversizedFramesAreRefused) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const char payload[] = "\x01\x02\x03";
  ASSERT_TRUE(writeLauncherFrame(fds[0], LauncherMessage::SettingAudioDevChange, payload, 3));
  LauncherFrame frame;
  ASSERT_TRUE(readLauncherFrame(fds[1], frame));
  EXPECT_EQ(frame.type, LauncherMessage::SettingAudioDevChange);
  EXPECT_EQ(frame.payload, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(writeLauncherFrame(fds[0], LauncherMessage::CopyData, payload, kMaxLauncherPayload + 1));
  // A header announcing an oversized payload is rejected before anything is allocated.
  const uint8_t bogus[8] = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
  ASSERT_EQ(write(fds[0], bogus, sizeof(bogus)), 8);
  EXPECT_FALSE(readLauncherFrame(fds[1], frame));
  close(fds[0]);
  close(fds[1]);
}

TEST(LauncherLink, ModuleConnectsOnlyWhileTheLauncherListensAndDataArrivesTagged) {
  vktest::TempDir dir;
  const std::string path = dir.file("launcher.sock");
  LauncherConnection module;
  EXPECT_FALSE(module.connect(path));  // no launcher: standalone run

  const int listenFd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, path.c_str());
  ASSERT_EQ(bind(listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
  ASSERT_EQ(listen(listenFd, 1), 0);
  ASSERT_TRUE(module.connect(path));
  const int launcherSide = accept(listenFd, nullptr, nullptr);

  const uint8_t data[4] = {9, 8, 7, 6};
  ASSERT_TRUE(module.sendCopyData(502, data, sizeof(data)));
  LauncherFrame frame;
  ASSERT_TRUE(readLauncherFrame(launcherSide, frame));
  EXPECT_EQ(frame.type, LauncherMessage::CopyData);
  ASSERT_EQ(frame.payload.size(), 8u);
  EXPECT_EQ(frame.payload[0], 502 & 0xFF);
  EXPECT_EQ(frame.payload[1], 502 >> 8);
  EXPECT_EQ(frame.payload[4], 9);

  // Frames from the launcher reach the module's receiver thread, and closing ends it.
  std::atomic<int> received{0};
  std::atomic<bool> closed{false};
  module.startReceiving([&](const LauncherFrame& f) {
    if (f.type == LauncherMessage::ExitApp) ++received;
  }, [&] { closed = true; });
  ASSERT_TRUE(writeLauncherFrame(launcherSide, LauncherMessage::ExitApp, nullptr, 0));
  for (int i = 0; i < 500 && received == 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(received, 1);
  close(launcherSide);
  module.close();
  EXPECT_TRUE(closed);
  close(listenFd);
}

TEST(ShellOpen, StartsTheOpenerWithoutAShell) {
  vktest::TempDir dir;
  const std::string out = dir.file("args");
  const std::string opener = dir.file("opener.sh");
  vktest::writeFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > " + out + "\n");
  chmod(opener.c_str(), 0755);
  setenv("VOKARAN_OPEN_COMMAND", opener.c_str(), 1);
  // Shell metacharacters reach the program verbatim instead of being run.
  const std::string url = "http://example.invalid/a?b=1;touch " + dir.file("pwned") + "&$(id)";
  ASSERT_TRUE(shellOpen(url));
  for (int i = 0; i < 500 && vktest::readFile(out).empty(); ++i) std::this_thread::sleep_for(10ms);
  unsetenv("VOKARAN_OPEN_COMMAND");
  EXPECT_EQ(vktest::readFile(out), url);
  EXPECT_FALSE(std::filesystem::exists(dir.file("pwned")));
}

TEST(MessageBox, PresenterReceivesTheTextWhenInstalled) {
  std::wstring seen;
  setMessageBoxPresenter([&](const std::wstring& text, const std::wstring&, unsigned) {
    seen = text;
    return IDOK;
  });
  EXPECT_EQ(messageBox(L"传递参数不完整，请重新启动", L"", MB_OK), IDOK);
  EXPECT_EQ(seen, L"传递参数不完整，请重新启动");
  setMessageBoxPresenter(nullptr);
}
